#ifndef KESTO_REGION_KESTO_ANALYSIS_MATRIX_H
#define KESTO_REGION_KESTO_ANALYSIS_MATRIX_H

#include "region_engine.h"

#include <cstdint>
#include <string>

// The region significance engine as the drivers use it: one object per
// region, asked once. The engine of the run (stored or straightforward) is
// chosen in main and shared; the object holds the region and its report.
class Kesto {
public:
    Kesto(const RegionEngine& engine, std::string chromosome, std::int32_t start, std::int32_t end);

    // (ncritical, nsignificant, regional_p) of the region. A chromosome name
    // that cannot name reference data is refused as bad input without being
    // looked up.
    RegionTriple CalKesto();

    // How the computation went, for the caller's messages and row.
    const RegionReport& report() const { return report_; }

private:
    const RegionEngine& engine_;
    std::string chromosome_;
    std::int32_t start_;
    std::int32_t end_;
    RegionReport report_;
};

// A region's report in one call: Kesto made, asked and dropped.
RegionReport evaluate_region(const RegionEngine& engine, const std::string& chromosome, std::int32_t start,
                             std::int32_t end);

#endif
