#include "pathway_evaluation.h"

#include "regional_pvalues.h"

#include <utility>

RegionOutcome outcome_of(const RegionReport& report)
{
    RegionOutcome outcome;
    outcome.ncritical = report.triple.get<0>();
    outcome.nsignificant = report.triple.get<1>();
    outcome.regional_p = report.triple.get<2>();
    outcome.status = report.status;
    return outcome;
}

const RegionReport* RegionCache::find(const Key& key) const
{
    const auto found = reports_.find(key);
    return found == reports_.end() ? nullptr : &found->second;
}

void RegionCache::insert(const Key& key, RegionReport report) { reports_.emplace(key, std::move(report)); }

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
