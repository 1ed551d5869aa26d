#ifndef KESTO_REGION_PATHWAY_EVALUATION_H
#define KESTO_REGION_PATHWAY_EVALUATION_H

#include "gene_table.h"
#include "kesto_analysis_matrix.h"

#include <cstdint>
#include <map>
#include <tuple>
#include <string>
#include <vector>

// Settings shared by every region of a run.
struct RegionSettings {
    float alpha = 0.0f;
    float variance_share = 0.0f;
    std::string legend_prefix;
    std::string genotype_prefix;
    std::int32_t flank = 0;
    EigenMethod eigen = EigenMethod::Exact;
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

class ChromosomeStore;

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

// How the regions of a run are computed: with no store, every region reads
// its reference files afresh; with a store, each chromosome is loaded once,
// and with a cache each region is computed once.
struct RegionEngine {
    ChromosomeStore* store = nullptr;
    RegionCache* cache = nullptr;
};

// Computes one region without printing anything.
RegionReport compute_region(const GeneEntry& region, const RegionSettings& settings, ChromosomeStore* store);

// Evaluates one region (or takes it from the cache) and prints its messages,
// as the region engine prints them, every time.
RegionOutcome evaluate_region(const GeneEntry& region, const RegionSettings& settings,
                              const RegionEngine& engine = {});

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
