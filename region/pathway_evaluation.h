#ifndef KESTO_REGION_PATHWAY_EVALUATION_H
#define KESTO_REGION_PATHWAY_EVALUATION_H

#include "gene_table.h"
#include "kesto_analysis_matrix.h"

#include <cstdint>
#include <string>
#include <vector>

// Settings shared by every region of a run.
struct RegionSettings {
    float alpha = 0.0f;
    float variance_share = 0.0f;
    std::string legend_prefix;
    std::string genotype_prefix;
    std::int32_t flank = 0;
};

// What the region engine returned for one region, with what the caller needs
// to report about it.
struct RegionOutcome {
    int ncritical = 0;
    float nsignificant = 0.0f;
    float regional_p = 0.0f;
    RegionStatus status = RegionStatus::Computed;
    std::string legend_file;
    long nonnumeric_pvalues = 0;
};

// Evaluates one region with a fresh region engine.
RegionOutcome evaluate_region(const GeneEntry& region, const RegionSettings& settings);

// A region whose reference files were missing or unreadable: it has no result.
bool is_unevaluated(const RegionOutcome& outcome);

struct PathwayResult {
    int ncritical = 0;        // sum over the regions
    float nsignificant = 0;   // single-precision sum, in region order
    float regional_p = 1.0f;  // pathway p-value of the two sums
    int regions = 0;          // merged regions of the pathway
    int unevaluated = 0;      // regions left out of the sums
};

// Adds the region results up, leaving out regions without a result, and
// computes the pathway p-value of the sums.
PathwayResult combine_regions(const std::vector<RegionOutcome>& outcomes, float alpha);

#endif
