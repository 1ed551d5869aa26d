#include "pathway_evaluation.h"

#include "pathway_p.h"

#include <utility>

const RegionReport* RegionCache::find(const Key& key) const
{
    const auto found = reports_.find(key);
    return found == reports_.end() ? nullptr : &found->second;
}

void RegionCache::insert(const Key& key, RegionReport report) { reports_.emplace(key, std::move(report)); }

RegionReport compute_region(const GeneEntry& region, const RegionSettings& settings, ChromosomeStore* store)
{
    Kesto engine(region.chromosome, region.start, region.end, settings.alpha, settings.variance_share,
                 settings.legend_prefix, settings.genotype_prefix, settings.flank);
    engine.use_store(store);
    engine.use_eigen(settings.eigen);
    return engine.evaluate();
}

RegionOutcome evaluate_region(const GeneEntry& region, const RegionSettings& settings, const RegionEngine& engine)
{
    const RegionCache::Key key = RegionCache::key_of(region);
    const RegionReport* cached = engine.cache != nullptr ? engine.cache->find(key) : nullptr;
    RegionReport computed;
    if (cached == nullptr) {
        computed = compute_region(region, settings, engine.store);
        if (engine.cache != nullptr) {
            engine.cache->insert(key, computed);
        }
    }
    const RegionReport& report = cached != nullptr ? *cached : computed;
    report_outcome(report);
    RegionOutcome outcome;
    outcome.ncritical = report.triple.get<0>();
    outcome.nsignificant = report.triple.get<1>();
    outcome.regional_p = report.triple.get<2>();
    outcome.status = report.status;
    outcome.legend_file = settings.legend_prefix + "legend_chr" + region.chromosome + ".txt";
    outcome.nonnumeric_pvalues = report.nonnumeric_pvalues;
    return outcome;
}

bool is_unevaluated(const RegionOutcome& outcome)
{
    return outcome.status == RegionStatus::MissingFile || outcome.status == RegionStatus::BadInput;
}

PathwayResult combine_regions(const std::vector<RegionOutcome>& outcomes, float alpha)
{
    PathwayResult result;
    result.regions = static_cast<int>(outcomes.size());
    for (const RegionOutcome& outcome : outcomes) {
        if (is_unevaluated(outcome)) {
            ++result.unevaluated;
            continue;
        }
        result.ncritical += outcome.ncritical;
        result.nsignificant += outcome.nsignificant;
    }
    result.regional_p = pathway_p(result.ncritical, result.nsignificant, alpha);
    return result;
}
