#include "window_scan.h"

#include "ld_matrix.h"
#include "parallel.h"
#include "regional_pvalues.h"
#include "result_writer.h"

#include <algorithm>
#include <cassert>

namespace window_scan {

const char* const kResultsHeader = "reg_start\treg_end\tnsnp\tnhit\tregp";

std::string format_row(const WindowRow& row)
{
    std::string line = std::to_string(row.window.start) + "\t" + std::to_string(row.window.end) + "\t";
    if (row.empty)
        return line + "0\t0\t-1";
    return line + format_number(row.components) + "\t" + format_number(row.nhit) + "\t" + format_number(row.p);
}

namespace {

PackedCodes pack(const CodeTable& codes)
{
    PackedCodes packed(codes.samples);
    for (std::size_t s = 0; s < codes.snps(); ++s)
        packed.add_row(codes.row(s));
    return packed;
}

// The reference engine: every window's pairs analysed afresh from the ints.
class FreshLd final : public WindowLd {
public:
    explicit FreshLd(const CodeTable& codes) : codes_(codes) {}
    void prepare(const std::vector<std::pair<std::size_t, std::size_t>>&, int) override {}
    Eigen::MatrixXf matrix(std::size_t first, int n) const override { return build_ld_matrix(codes_, first, n); }

private:
    const CodeTable& codes_;
};

// The fast engine: pairs that overlapping windows share are analysed once,
// from the packed codes (packed here when the tables hold only ints).
class BandLd final : public WindowLd {
public:
    BandLd(const ScanTables& tables, double rare)
        : own_(tables.packed.snps() > 0 ? PackedCodes() : pack(tables.codes)),
          band_(tables.packed.snps() > 0 ? tables.packed : own_, rare)
    {
    }
    void prepare(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, int threads) override
    {
        band_.cover(ranges, threads);
    }
    Eigen::MatrixXf matrix(std::size_t first, int n) const override { return band_.matrix(first, n); }

private:
    PackedCodes own_;
    PairBand band_;
};

std::unique_ptr<WindowLd> make_ld(const ScanTables& tables, bool reference, double rare)
{
    if (reference)
        return std::make_unique<FreshLd>(tables.codes);
    return std::make_unique<BandLd>(tables, rare);
}

} // namespace

WindowScan::WindowScan(const ScanTables& tables, const ScanSettings& settings)
    : settings_(settings), index_(tables.positions),
      hits_(Eigen::Map<const Eigen::VectorXf>(tables.hits.data(), static_cast<Eigen::Index>(tables.hits.size()))),
      count_(window_count(settings.region, settings.width, settings.step)), ld_(make_ld(tables, settings.reference, settings.rare))
{
    assert(tables.hits.size() == tables.positions.size());
    assert((settings.reference ? tables.codes.snps()
                               : std::max(tables.packed.snps(), tables.codes.snps())) >= tables.positions.size());
    assert(settings.step > 0 && settings.width > 0);
}

WindowRow WindowScan::finish(const Window& window, const SnpRange& range, const Eigen::MatrixXf& ld) const
{
    WindowRow result;
    result.window = window;
    const ComponentWeighting weighting = weigh_components(ld, hits_, range.first, settings_.share, settings_.eigen);
    result.empty = false;
    result.components = weighting.ncritical;
    result.nhit = weighting.nsignificant;
    result.p = window_p(weighting.ncritical, weighting.nsignificant, settings_.alpha);
    return result;
}

std::vector<WindowRow> WindowScan::rows(std::int64_t first, std::int64_t count)
{
    std::vector<Window> windows;
    std::vector<SnpRange> ranges;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::int64_t w = first; w < first + count; ++w) {
        windows.push_back(window_at(settings_.region, settings_.width, settings_.step, w));
        ranges.push_back(snps_between(index_, windows.back().start, windows.back().end));
        const SnpRange& r = ranges.back();
        if (r.count >= 1)
            spans.emplace_back(r.first, r.first + static_cast<std::size_t>(r.count));
    }
    ld_->prepare(spans, settings_.threads);

    std::vector<WindowRow> result(windows.size());
    parallel_for(windows.size(), settings_.threads, [&](std::size_t k) {
        const SnpRange& range = ranges[k];
        if (range.count < 1) {
            result[k].window = windows[k];
            return;
        }
        const int n = static_cast<int>(range.count);
        const Eigen::MatrixXf ld = ld_->matrix(range.first, n);
        result[k] = finish(windows[k], range, ld);
    });
    return result;
}

bool run_scan(const ScanTables& tables, const ScanSettings& settings, ScanOutput& output)
{
    WindowScan scan(tables, settings);
    // One window at a time on one thread, so that each window's start is
    // told before its computation; batches of windows on several threads.
    const std::int64_t batch = settings.threads > 1 ? 8 * static_cast<std::int64_t>(settings.threads) : 1;
    for (std::int64_t w = 0; w < scan.count(); w += batch) {
        const std::int64_t count = std::min(batch, scan.count() - w);
        if (batch == 1 && !output.starting(w))
            return false;
        const std::vector<WindowRow> rows = scan.rows(w, count);
        for (std::int64_t k = 0; k < count; ++k) {
            if (batch > 1 && !output.starting(w + k))
                return false;
            if (!output.finished(rows[static_cast<std::size_t>(k)]))
                return false;
        }
    }
    return true;
}

} // namespace window_scan
