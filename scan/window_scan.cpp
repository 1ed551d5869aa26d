#include "window_scan.h"

#include "ld_matrix.h"
#include "result_writer.h"
#include "window_p.h"

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

WindowScan::WindowScan(const ScanTables& tables, const ScanSettings& settings)
    : tables_(tables), settings_(settings), index_(tables.positions),
      hits_(Eigen::Map<const Eigen::VectorXf>(tables.hits.data(), static_cast<Eigen::Index>(tables.hits.size()))),
      count_(window_count(settings.region, settings.width, settings.step))
{
    assert(tables.hits.size() == tables.positions.size());
    assert(tables.codes.snps() >= tables.positions.size());
    assert(settings.step > 0 && settings.width > 0);
}

WindowRow WindowScan::row(std::int64_t w) const
{
    WindowRow result;
    result.window = window_at(settings_.region, settings_.width, settings_.step, w);
    const SnpRange range = snps_between(index_, result.window.start, result.window.end);
    if (range.count < 1)
        return result;
    const int n = static_cast<int>(range.count);
    const Eigen::MatrixXf ld = build_ld_matrix(tables_.codes, range.first, n);
    const ComponentWeighting weighting = weigh_components(ld, hits_, range.first, settings_.share);
    result.empty = false;
    result.components = weighting.ncritical;
    result.nhit = weighting.nsignificant;
    result.p = window_p(weighting.ncritical, weighting.nsignificant, settings_.alpha);
    return result;
}

bool run_scan(const ScanTables& tables, const ScanSettings& settings, ResultWriter& results, ResultWriter& log,
              std::clock_t started)
{
    const WindowScan scan(tables, settings);
    if (!results.write(std::string(kResultsHeader) + "\n"))
        return false;
    for (std::int64_t w = 0; w < scan.count(); ++w) {
        if (!log.write("in window " + std::to_string(w) + "\n"))
            return false;
        if (!results.write(format_row(scan.row(w)) + "\n"))
            return false;
    }
    const double seconds = static_cast<double>(std::clock() - started) / 1000000.0;
    return log.write("Running Time:" + format_number(seconds) + "\n");
}

} // namespace window_scan
