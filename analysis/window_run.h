#ifndef KESTO_ANALYSIS_WINDOW_RUN_H
#define KESTO_ANALYSIS_WINDOW_RUN_H

#include "chromosome_table.h"
#include "region_result.h"
#include "settings.h"
#include "window_scan.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace analysis {

// The stretch and the windows of a scan. A bound of kDefaultBound stands for
// the chromosome's first (from) or last (to) SNP, as in the window programs.
struct WindowLayout {
    std::int32_t width = 0;
    std::int32_t step = 0;
    std::int32_t from = window_scan::kDefaultBound;
    std::int32_t to = window_scan::kDefaultBound;
};

struct WindowResult {
    std::int64_t start = 0;
    std::int64_t end = 0;
    RegionResult result;
};

// The windows of one chromosome, computed in order with the window
// programs' engine and precision (double-precision hits and p-value).
class ChromosomeWindows {
public:
    // Takes the table's codes over; the table keeps ids and p-values, which
    // must outlive this object.
    ChromosomeWindows(ChromosomeTable& table, const AnalysisSettings& settings, const WindowLayout& layout,
                      int threads);
    ChromosomeWindows(const ChromosomeWindows&) = delete;
    ChromosomeWindows& operator=(const ChromosomeWindows&) = delete;

    std::int64_t count() const { return scan_ ? scan_->count() : 0; }
    // The stretch scanned, its defaults replaced by the first and last SNP.
    window_scan::ScanRegion stretch() const { return stretch_; }

    // Windows first .. first + count - 1, in increasing order across calls.
    std::vector<WindowResult> windows(std::int64_t first, std::int64_t count);

private:
    const ChromosomeTable& table_;
    window_scan::ScanTables tables_;
    std::unique_ptr<PositionIndex> index_;
    std::unique_ptr<window_scan::WindowScan> scan_;
    window_scan::ScanRegion stretch_;
};

} // namespace analysis

#endif
