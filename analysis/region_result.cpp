#include "region_result.h"

#include "ld_matrix.h"
#include "regional_pvalues.h"
#include "snp_range.h"

#include <Eigen/Dense>

#include <cmath>

namespace analysis {

namespace {

// A value rounded to single precision, as the gene programs hold their
// results. Through a volatile float: GCC 12.2's SLP vectoriser at -O2 was
// seen to drop two side-by-side double -> float -> double round trips,
// keeping the unrounded doubles (the result then differs from the programs
// in the sixth digit).
double single(double value)
{
    volatile float rounded = static_cast<float>(value);
    return static_cast<double>(rounded);
}

} // namespace

const char* state_name(RegionState state)
{
    switch (state) {
    case RegionState::Ok: return "ok";
    case RegionState::NoSnps: return "no_snps";
    case RegionState::ReferenceMissing: return "reference_missing";
    case RegionState::BadReference: return "reference_unreadable";
    }
    return "unknown";
}

void describe_span(const ChromosomeTable& table, const SnpSpan& span, RegionResult& result)
{
    result.nsnps = span.count;
    result.has_top = false;
    for (long k = 0; k < span.count; ++k) {
        const std::size_t i = span.first + static_cast<std::size_t>(k);
        const double p = table.pvalues[i];
        if (std::isnan(p) || (result.has_top && !(p < result.top_p)))
            continue;
        result.has_top = true;
        result.top_p = p;
        result.top_snp = table.ids[i];
    }
}

SnpSpan gene_span(const ChromosomeTable& table, std::int32_t start, std::int32_t end,
                  const AnalysisSettings& settings)
{
    const SnpRange range = snps_between(table.positions, static_cast<std::int64_t>(start) - settings.flank_up,
                                          static_cast<std::int64_t>(end) + settings.flank_down);
    return {range.first, range.count > 0 ? range.count : 0};
}

Eigen::VectorXf gene_hits(const ChromosomeTable& table, const AnalysisSettings& settings)
{
    const float alpha = static_cast<float>(settings.alpha);
    Eigen::VectorXf hits(static_cast<Eigen::Index>(table.snps()));
    for (std::size_t i = 0; i < table.snps(); ++i)
        hits(static_cast<Eigen::Index>(i)) = static_cast<float>(table.pvalues[i]) < alpha ? 1.0f : 0.0f;
    return hits;
}

RegionResult evaluate_gene_span(const ChromosomeTable& table, const SnpSpan& span, const Eigen::MatrixXf& ld,
                                const Eigen::VectorXf& hits, const AnalysisSettings& settings)
{
    RegionResult result;
    describe_span(table, span, result);
    if (span.count <= 0) {
        result.state = RegionState::NoSnps;
        return result;
    }
    const float alpha = static_cast<float>(settings.alpha);
    // The variance share passes through single precision, as the gene
    // programs hold it.
    const double share = static_cast<double>(static_cast<float>(settings.share));
    const ComponentWeighting weighting = weigh_components(ld, hits, span.first, share, settings.eigen);
    const double p = regional_p(weighting.ncritical, weighting.nsignificant, alpha);
    result.ncritical = weighting.ncritical;
    result.nsignificant = single(weighting.nsignificant);
    result.regional_p = single(p);
    return result;
}

RegionResult evaluate_gene_region(const ChromosomeTable& table, std::int32_t start, std::int32_t end,
                                  const AnalysisSettings& settings)
{
    const SnpSpan span = gene_span(table, start, end, settings);
    const Eigen::MatrixXf ld = span.count > 0 ? build_ld_matrix(table.codes, span.first, static_cast<int>(span.count),
                                                                settings.rare)
                                              : Eigen::MatrixXf();
    return evaluate_gene_span(table, span, ld, gene_hits(table, settings), settings);
}

} // namespace analysis
