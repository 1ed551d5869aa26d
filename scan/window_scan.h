#ifndef KESTO_SCAN_WINDOW_SCAN_H
#define KESTO_SCAN_WINDOW_SCAN_H

#include "code_table.h"
#include "eigen_method.h"
#include "hit_rule.h"
#include "packed_codes.h"
#include "pair_band.h"
#include "snp_range.h"
#include "window_layout.h"

#include <Eigen/Dense>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace window_scan {

using ::window_hits;

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
    EigenMethod eigen = EigenMethod::Exact;
    double rare = kRareAlleleFrequency;  // allele frequency below which LD counts 0 (fast engine)
};

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

// How a scan gets the LD matrix of a window's SNPs: chosen once, when the
// scan is made (ScanSettings::reference), so that computing a window takes
// no branch on the engine.
class WindowLd {
public:
    virtual ~WindowLd() = default;
    // The ranges [first, stop) of the next windows, in window order, before
    // their matrices are asked for.
    virtual void prepare(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, int threads) = 0;
    virtual Eigen::MatrixXf matrix(std::size_t first, int n) const = 0;
};

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

    ScanSettings settings_;
    PositionIndex index_;
    Eigen::VectorXf hits_;
    std::int64_t count_;
    std::unique_ptr<WindowLd> ld_;
};

// Where a scan's rows go. Both calls return false to stop the scan (a write
// failed, and the receiver has said why).
class ScanOutput {
public:
    virtual ~ScanOutput() = default;
    // Window w is about to be computed (on one thread), or its row is next
    // (on several, where windows are computed in batches).
    virtual bool starting(std::int64_t w) = 0;
    virtual bool finished(const WindowRow& row) = 0;
};

// Computes every window in order, telling `output` of each window before its
// row. False when the output asked to stop.
bool run_scan(const ScanTables& tables, const ScanSettings& settings, ScanOutput& output);

} // namespace window_scan

#endif
