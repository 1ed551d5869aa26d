#ifndef KESTO_REGION_KESTO_ANALYSIS_MATRIX_H
#define KESTO_REGION_KESTO_ANALYSIS_MATRIX_H

#include "regional_p.h"

#include <boost/tuple/tuple.hpp>

#include <cstdint>
#include <string>

// How a region's computation ended.
enum class RegionStatus {
    Computed,     // a full triple
    Empty,        // no SNP in the flanked region: (0, 0, -1)
    MissingFile,  // legend or genotype file missing: (0, 0, 0), reported as NA
    BadInput,     // a reference file is malformed: (0, 0, 0), reported as NA
};

// Region significance engine: one object per region and run settings, used
// for one call of CalKesto.
class Kesto {
public:
    Kesto(std::string chromosome, std::int32_t start, std::int32_t end, float alpha, float variance_share,
          std::string legend_prefix, std::string genotype_prefix, std::int32_t flank);

    // Returns (ncritical, nsignificant, regional_p). Messages for missing
    // files go to standard output; malformed input is described on standard
    // error.
    boost::tuple<int, float, float> CalKesto();

    RegionStatus status() const { return status_; }
    std::string legend_file() const;
    std::string genotype_file() const;
    // P-value fields of the legend file that hold no number (counted as no hit).
    long nonnumeric_pvalues() const { return nonnumeric_; }

private:
    std::string chromosome_;
    std::int64_t start_;
    std::int64_t end_;
    std::int32_t flank_;
    float alpha_;
    float variance_share_;
    std::string legend_prefix_;
    std::string genotype_prefix_;
    RegionStatus status_ = RegionStatus::Computed;
    long nonnumeric_ = 0;
};

#endif
