#include "window_run.h"

#include "hit_rule.h"
#include "window_layout.h"

namespace analysis {

ChromosomeWindows::ChromosomeWindows(ChromosomeTable& table, const AnalysisSettings& settings,
                                     const WindowLayout& layout, int threads)
    : table_(table)
{
    if (table.positions.empty())
        return;
    tables_.positions = table.positions;
    std::vector<float> narrowed(table.pvalues.begin(), table.pvalues.end());
    tables_.hits = window_hits(narrowed, settings.alpha);
    tables_.packed = std::move(table.codes);
    window_scan::ScanSettings scan;
    scan.region = window_scan::resolve_region(layout.from, layout.to, tables_.positions);
    stretch_ = scan.region;
    scan.width = layout.width;
    scan.step = layout.step;
    scan.alpha = settings.alpha;
    scan.share = settings.share;
    scan.eigen = settings.eigen;
    scan.threads = threads;
    scan.rare = settings.rare;
    index_ = std::make_unique<PositionIndex>(tables_.positions);
    scan_ = std::make_unique<window_scan::WindowScan>(tables_, scan);
}

std::vector<WindowResult> ChromosomeWindows::windows(std::int64_t first, std::int64_t count)
{
    const std::vector<window_scan::WindowRow> rows = scan_->rows(first, count);
    std::vector<WindowResult> results(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const window_scan::WindowRow& row = rows[k];
        WindowResult& out = results[k];
        out.start = row.window.start;
        out.end = row.window.end;
        const SnpRange range = snps_between(*index_, row.window.start, row.window.end);
        describe_span(table_, {range.first, range.count > 0 ? range.count : 0}, out.result);
        if (row.empty) {
            out.result.state = RegionState::NoSnps;
            continue;
        }
        out.result.ncritical = row.components;
        out.result.nsignificant = row.nhit;
        out.result.regional_p = row.p;
    }
    return results;
}

} // namespace analysis
