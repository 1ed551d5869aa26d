#ifndef KESTO_ANALYSIS_SETTINGS_H
#define KESTO_ANALYSIS_SETTINGS_H

#include "eigen_method.h"
#include "hanalysis.h"
#include "pathway_regions.h"

#include <cstdint>

namespace analysis {

// The numbers that decide a result; the defaults are the four programs'.
struct AnalysisSettings {
    double alpha = 0.05;                     // p-value threshold of a hit, binomial success probability
    double share = 0.8;                      // LD variance share the kept components explain
    double rare = kRareAlleleFrequency;      // allele frequency below which a pair's LD counts 0
    std::int64_t flank_up = 0;               // base pairs added before a gene's start
    std::int64_t flank_down = 0;             // base pairs added after a gene's end
    std::int32_t merge_distance = kMergeMargin;  // pathway genes this close (each side) form one region
    EigenMethod eigen = EigenMethod::Exact;  // Fast only when the user asks (--eigen fast)
};

} // namespace analysis

#endif
