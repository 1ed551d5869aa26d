#ifndef KESTO_REGION_PATHWAY_EVALUATION_H
#define KESTO_REGION_PATHWAY_EVALUATION_H

#include "gene_table.h"
#include "region_engine.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

// What the region engine returned for one region, as the pathway sums use it.
struct RegionOutcome {
    int ncritical = 0;
    float nsignificant = 0.0f;
    float regional_p = 0.0f;
    RegionStatus status = RegionStatus::Computed;
};

RegionOutcome outcome_of(const RegionReport& report);

// Regions already computed in this run, keyed by chromosome, start and end;
// a pathway file names the same genes again and again.
class RegionCache {
public:
    using Key = std::tuple<std::string, std::int32_t, std::int32_t>;
    static Key key_of(const GeneEntry& region) { return Key(region.chromosome, region.start, region.end); }

    const RegionReport* find(const Key& key) const;
    void insert(const Key& key, RegionReport report);

private:
    std::map<Key, RegionReport> reports_;
};

// A region whose reference data were missing or unreadable: it has no result.
bool is_unevaluated(const RegionOutcome& outcome);

struct PathwayResult {
    int ncritical = 0;        // sum over the regions
    float nsignificant = 0;   // single-precision sum, in region order
    float regional_p = 1.0f;  // pathway p-value of the two sums
    int regions = 0;          // merged regions of the pathway
    int unevaluated = 0;      // regions left out of the sums

    // False when the pathway has regions but not one of them could be
    // evaluated: its p-value is then unknown, not null. A pathway without
    // regions keeps its (0, 0, 1).
    bool has_result() const { return regions == 0 || unevaluated < regions; }
};

// Adds the region results up, leaving out regions without a result, and
// computes the pathway p-value of the sums.
PathwayResult combine_regions(const std::vector<RegionOutcome>& outcomes, float alpha);

#endif
