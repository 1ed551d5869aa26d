#ifndef KESTO_ANALYSIS_REGION_RESULT_H
#define KESTO_ANALYSIS_REGION_RESULT_H

#include "chromosome_table.h"
#include "settings.h"

#include <Eigen/Dense>

#include <cstdint>
#include <string>

namespace analysis {

// How a region's evaluation ended.
enum class RegionState {
    Ok,                // evaluated
    NoSnps,            // no SNP of the reference in the region: no numbers
    ReferenceMissing,  // the reference has no such chromosome (or its files are absent)
    BadReference,      // the chromosome's reference data could not be read
};

// The status word of the result tables.
const char* state_name(RegionState state);

// A state in which the region could not be evaluated at all.
inline bool unevaluated(RegionState state)
{
    return state == RegionState::ReferenceMissing || state == RegionState::BadReference;
}

// One region's numbers. ncritical, nsignificant and regional_p hold what the
// matching fixed program computes, in its precision (a single-precision value
// is kept here widened to double, which formats to the same text).
struct RegionResult {
    RegionState state = RegionState::Ok;
    long nsnps = 0;
    int ncritical = 0;
    double nsignificant = 0.0;
    double regional_p = 0.0;
    bool has_top = false;  // some SNP of the region has a p-value
    std::string top_snp;
    double top_p = 0.0;
};

// Half-open SNP index range [first, first + count) of a table.
struct SnpSpan {
    std::size_t first = 0;
    long count = 0;
};

// Fills nsnps and the strongest SNP (lowest p-value; the first in position
// order among equals) of a span.
void describe_span(const ChromosomeTable& table, const SnpSpan& span, RegionResult& result);

// The SNPs of a gene region: positions start - flank_up <= position <
// end + flank_down.
SnpSpan gene_span(const ChromosomeTable& table, std::int32_t start, std::int32_t end,
                  const AnalysisSettings& settings);

// The gene programs' hit indicators of a whole chromosome: 1 where the
// p-value narrowed to single precision is below alpha narrowed likewise.
// A region's hits are taken as a segment of this vector, as the programs
// take them: the weighted sum then adds its terms in the same order (the
// vectorised sum's order depends on where the segment starts).
Eigen::VectorXf gene_hits(const ChromosomeTable& table, const AnalysisSettings& settings);

// Evaluates a span as the gene and pathway programs evaluate a (merged)
// region: single-precision hits and p-value. `ld` is the span's LD matrix
// (build_ld_matrix, or a PairBand's, which holds the same values); `hits`
// comes from gene_hits().
RegionResult evaluate_gene_span(const ChromosomeTable& table, const SnpSpan& span, const Eigen::MatrixXf& ld,
                                const Eigen::VectorXf& hits, const AnalysisSettings& settings);

// Both steps, with the span's LD matrix built afresh.
RegionResult evaluate_gene_region(const ChromosomeTable& table, std::int32_t start, std::int32_t end,
                                  const AnalysisSettings& settings);

} // namespace analysis

#endif
