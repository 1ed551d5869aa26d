#include "pathway_evaluation.h"

#include "pathway_p.h"

RegionOutcome evaluate_region(const GeneEntry& region, const RegionSettings& settings)
{
    Kesto engine(region.chromosome, region.start, region.end, settings.alpha, settings.variance_share,
                 settings.legend_prefix, settings.genotype_prefix, settings.flank);
    const boost::tuple<int, float, float> triple = engine.CalKesto();
    RegionOutcome outcome;
    outcome.ncritical = triple.get<0>();
    outcome.nsignificant = triple.get<1>();
    outcome.regional_p = triple.get<2>();
    outcome.status = engine.status();
    outcome.legend_file = engine.legend_file();
    outcome.nonnumeric_pvalues = engine.nonnumeric_pvalues();
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
