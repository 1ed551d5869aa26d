#include "span_batches.h"

#include "pair_band.h"
#include "parallel.h"

#include <algorithm>
#include <numeric>

namespace analysis {

void evaluate_spans(const ChromosomeTable& table, const std::vector<SnpSpan>& spans, const AnalysisSettings& settings,
                    int threads, std::vector<RegionResult>& results,
                    const std::function<void(const std::vector<std::size_t>& finished)>& done, std::size_t batch_snps)
{
    results.assign(spans.size(), RegionResult{});
    std::vector<std::size_t> order(spans.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&spans](std::size_t a, std::size_t b) { return spans[a].first < spans[b].first; });
    window_scan::PairBand band(table.codes, settings.rare);
    const Eigen::VectorXf hits = gene_hits(table, settings);
    // A batch ends at a barrier, where a thread may wait for the batch's
    // largest region: larger batches wait less often, but the band then
    // holds more SNPs' pairs at once (dense references).
    const std::size_t batch = 64 * static_cast<std::size_t>(threads < 1 ? 1 : threads);
    std::vector<std::size_t> mine;
    for (std::size_t from = 0; from < order.size(); from += mine.size()) {
        mine.clear();
        const std::size_t start = spans[order[from]].first;
        for (std::size_t k = from; k < order.size() && mine.size() < batch; ++k) {
            const SnpSpan& span = spans[order[k]];
            if (!mine.empty() && span.first + static_cast<std::size_t>(std::max(span.count, 0L)) > start + batch_snps)
                break;
            mine.push_back(order[k]);
        }
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        for (std::size_t i : mine)
            if (spans[i].count > 0)
                ranges.emplace_back(spans[i].first, spans[i].first + static_cast<std::size_t>(spans[i].count));
        band.cover(ranges, threads);
        parallel_for(mine.size(), threads, [&](std::size_t k) {
            const SnpSpan& span = spans[mine[k]];
            const Eigen::MatrixXf ld =
                span.count > 0 ? band.matrix(span.first, static_cast<int>(span.count)) : Eigen::MatrixXf();
            results[mine[k]] = evaluate_gene_span(table, span, ld, hits, settings);
        });
        if (done)
            done(mine);
    }
}

} // namespace analysis
