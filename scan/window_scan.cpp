#include "window_scan.h"

#include "ld_matrix.h"
#include "parallel.h"
#include "result_writer.h"
#include "window_p.h"

#include <algorithm>
#include <cassert>

namespace window_scan {

const char* const kResultsHeader = "reg_start\treg_end\tnsnp\tnhit\tregp";

std::vector<float> window_hits(const std::vector<float>& pvalues, double alpha)
{
    std::vector<float> hits(pvalues.size());
    for (std::size_t i = 0; i < pvalues.size(); ++i)
        hits[i] = alpha > static_cast<double>(pvalues[i]) ? 1.0f : 0.0f;
    return hits;
}

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

} // namespace

WindowScan::WindowScan(const ScanTables& tables, const ScanSettings& settings)
    : tables_(tables), settings_(settings), index_(tables.positions),
      hits_(Eigen::Map<const Eigen::VectorXf>(tables.hits.data(), static_cast<Eigen::Index>(tables.hits.size()))),
      count_(window_count(settings.region, settings.width, settings.step)),
      own_packed_(settings.reference || tables.packed.snps() > 0 ? PackedCodes() : pack(tables.codes)),
      packed_(tables.packed.snps() > 0 ? &tables.packed : &own_packed_), band_(*packed_, settings.rare)
{
    assert(tables.hits.size() == tables.positions.size());
    assert((settings.reference ? tables.codes.snps() : packed_->snps()) >= tables.positions.size());
    assert(settings.step > 0 && settings.width > 0);
}

WindowRow WindowScan::finish(const Window& window, const SnpRange& range, const Eigen::MatrixXf& ld) const
{
    WindowRow result;
    result.window = window;
    const ComponentWeighting weighting = weigh_components(ld, hits_, range.first, settings_.share);
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
    if (!settings_.reference)
        band_.cover(spans, settings_.threads);

    std::vector<WindowRow> result(windows.size());
    parallel_for(windows.size(), settings_.threads, [&](std::size_t k) {
        const SnpRange& range = ranges[k];
        if (range.count < 1) {
            result[k].window = windows[k];
            return;
        }
        const int n = static_cast<int>(range.count);
        const Eigen::MatrixXf ld = settings_.reference ? build_ld_matrix(tables_.codes, range.first, n)
                                                       : band_.matrix(range.first, n);
        result[k] = finish(windows[k], range, ld);
    });
    return result;
}

bool run_scan(const ScanTables& tables, const ScanSettings& settings, ResultWriter& results, ResultWriter& log,
              std::clock_t started)
{
    WindowScan scan(tables, settings);
    if (!results.write(std::string(kResultsHeader) + "\n"))
        return false;
    // One window at a time on one thread, so that each window's log line
    // comes before its computation; batches of windows on several threads.
    const std::int64_t batch = settings.threads > 1 ? 8 * static_cast<std::int64_t>(settings.threads) : 1;
    for (std::int64_t w = 0; w < scan.count(); w += batch) {
        const std::int64_t count = std::min(batch, scan.count() - w);
        if (batch == 1 && !log.write("in window " + std::to_string(w) + "\n"))
            return false;
        const std::vector<WindowRow> rows = scan.rows(w, count);
        for (std::int64_t k = 0; k < count; ++k) {
            if (batch > 1 && !log.write("in window " + std::to_string(w + k) + "\n"))
                return false;
            if (!results.write(format_row(rows[static_cast<std::size_t>(k)]) + "\n"))
                return false;
        }
    }
    const double seconds = static_cast<double>(std::clock() - started) / 1000000.0;
    return log.write("Running Time:" + format_number(seconds) + "\n");
}

} // namespace window_scan
