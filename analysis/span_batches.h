#ifndef KESTO_ANALYSIS_SPAN_BATCHES_H
#define KESTO_ANALYSIS_SPAN_BATCHES_H

#include "chromosome_table.h"
#include "region_result.h"
#include "settings.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace analysis {

// Evaluates many regions of one chromosome, each SNP pair's LD analysed once
// however many overlapping regions hold it (genes with their flanks overlap
// a lot): regions are taken in order of their first SNP, a batch at a time,
// and the pairs a batch needs are kept in a band (scan/pair_band.h) that
// forgets the SNPs behind it. A band entry is the very value build_ld_matrix
// gives, so the results are the same bytes. `done` is called after each
// batch with the indices (into `spans`) it finished. A batch takes up to 64
// regions per thread, fewer where they would reach more than `batch_snps`
// SNPs past its first (the band's size); the results never depend on it.
constexpr std::size_t kBatchSnps = 16384;
void evaluate_spans(const ChromosomeTable& table, const std::vector<SnpSpan>& spans, const AnalysisSettings& settings,
                    int threads, std::vector<RegionResult>& results,
                    const std::function<void(const std::vector<std::size_t>& finished)>& done,
                    std::size_t batch_snps = kBatchSnps);

} // namespace analysis

#endif
