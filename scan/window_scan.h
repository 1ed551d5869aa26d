#ifndef KESTO_SCAN_WINDOW_SCAN_H
#define KESTO_SCAN_WINDOW_SCAN_H

#include "code_table.h"
#include "packed_codes.h"
#include "pair_band.h"
#include "snp_range.h"
#include "window_layout.h"

#include <Eigen/Dense>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class ResultWriter;

namespace window_scan {

// Everything the scan reads, indexed by SNP in file order.
struct ScanTables {
    std::vector<std::int32_t> positions;
    std::vector<float> hits;  // 1 for a hit, else 0
    CodeTable codes;          // one row per SNP, one int a code
    PackedCodes packed;       // the same codes at two bits each, when loaded so
};

struct ScanSettings {
    ScanRegion region;
    std::int32_t width = 0;  // positive
    std::int32_t step = 0;   // positive
    double alpha = 0.0;      // from 0 to 1
    double share = 0.0;      // variance share the kept components reach
    bool reference = false;  // every window analyses its pairs afresh from `codes`
    int threads = 1;         // windows and pairs computed on this many threads
    double rare = kRareAlleleFrequency;  // allele frequency below which LD counts 0 (fast engine)
};

// Hit indicators: a p-value, narrowed to single precision as it is stored,
// is widened again and is a hit when alpha is greater. A p-value equal to
// alpha is no hit, and neither is NaN.
std::vector<float> window_hits(const std::vector<float>& pvalues, double alpha);

// Result of one window. An empty window holds no SNP.
struct WindowRow {
    Window window;
    bool empty = true;
    int components = 0;  // kept principal components
    double nhit = 0.0;   // hits weighted by the components' loadings
    double p = -1.0;
};

// The results file's header and one window's line, without the newline.
extern const char* const kResultsHeader;
std::string format_row(const WindowRow& row);

// Computes windows over tables that outlive it. The tables hold one
// position, one hit and one code row per SNP.
class WindowScan {
public:
    WindowScan(const ScanTables& tables, const ScanSettings& settings);
    WindowScan(ScanTables&&, const ScanSettings&) = delete;

    std::int64_t count() const { return count_; }

    // Rows of windows first .. first + count - 1, in order. Windows must be
    // asked for in increasing order: pairs that later windows share are kept.
    std::vector<WindowRow> rows(std::int64_t first, std::int64_t count);
    WindowRow row(std::int64_t w) { return rows(w, 1).front(); }

private:
    WindowRow finish(const Window& window, const SnpRange& range, const Eigen::MatrixXf& ld) const;

    const ScanTables& tables_;
    ScanSettings settings_;
    PositionIndex index_;
    Eigen::VectorXf hits_;
    std::int64_t count_;
    PackedCodes own_packed_;  // packed here when the tables hold only ints
    const PackedCodes* packed_;
    PairBand band_;
};

// Writes the header and one row per window to `results`, an "in window w"
// line to `log` before each window, and closes the log with the processor
// time used since `started`. False when a write failed (already reported).
bool run_scan(const ScanTables& tables, const ScanSettings& settings, ResultWriter& results, ResultWriter& log,
              std::clock_t started);

} // namespace window_scan

#endif
