// Regions evaluated in batches through the shared band of LD pairs give the
// results of each region computed alone, whatever the batch size, the SNP
// reach of a batch and the thread count.

#include "span_batches.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using analysis::ChromosomeTable;
using analysis::RegionResult;
using analysis::SnpSpan;

// 600 SNPs of 131 people: blocks copying a founder with noise, missing and
// stray codes, monomorphic and rare SNPs, p-values with gaps.
ChromosomeTable awkward_table()
{
    std::mt19937 rng(4242);
    ChromosomeTable table;
    table.chromosome = "3";
    const int people = 131;
    table.codes = PackedCodes(people);
    std::vector<std::int32_t> founder(people), row(people);
    for (int s = 0; s < 600; ++s) {
        table.ids.push_back("rs" + std::to_string(s));
        table.positions.push_back(1000 + s * 150);
        table.pvalues.push_back(s % 17 == 3 ? std::nan("") : static_cast<double>(rng() % 1000) / 1000.0);
        if (s % 9 == 0)
            for (int& f : founder)
                f = static_cast<int>(rng() % 3);
        for (int i = 0; i < people; ++i) {
            const unsigned r = rng() % 100;
            row[i] = r < 10 ? static_cast<int>(rng() % 3) : r < 13 ? -1 : r == 13 ? 9 : founder[i];
            if (s % 50 == 7)
                row[i] = 1;  // monomorphic
            if (s % 50 == 8)
                row[i] = i == 0 ? 1 : 0;  // rare
        }
        table.codes.add_row(row.data());
    }
    return table;
}

TEST(SpanBatches, BatchesGiveTheResultsOfRegionsComputedAlone)
{
    const ChromosomeTable table = awkward_table();
    analysis::AnalysisSettings settings;
    std::mt19937 rng(7);
    std::vector<SnpSpan> spans;
    for (int g = 0; g < 90; ++g) {
        SnpSpan span;
        span.first = rng() % 560;
        span.count = g % 15 == 4 ? 0 : 1 + static_cast<long>(rng() % 40);
        if (g == 11)
            span.count = 120;  // one region far larger than the rest
        if (span.first + static_cast<std::size_t>(span.count) > table.snps())
            span.count = static_cast<long>(table.snps() - span.first);
        spans.push_back(span);
    }
    const Eigen::VectorXf hits = analysis::gene_hits(table, settings);
    std::vector<RegionResult> alone;
    for (const SnpSpan& span : spans) {
        const Eigen::MatrixXf ld = span.count > 0
                                       ? build_ld_matrix(table.codes, span.first, static_cast<int>(span.count))
                                       : Eigen::MatrixXf();
        alone.push_back(analysis::evaluate_gene_span(table, span, ld, hits, settings));
    }
    struct Case {
        int threads;
        std::size_t batch_snps;
    };
    for (const Case c : {Case{1, analysis::kBatchSnps}, Case{3, analysis::kBatchSnps}, Case{1, 1}, Case{2, 30},
                         Case{3, 200}}) {
        std::vector<RegionResult> batched;
        std::vector<int> finished(spans.size(), 0);
        analysis::evaluate_spans(
            table, spans, settings, c.threads, batched,
            [&](const std::vector<std::size_t>& done) {
                for (std::size_t i : done)
                    ++finished[i];
            },
            c.batch_snps);
        ASSERT_EQ(batched.size(), alone.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const std::string what = std::to_string(c.threads) + " threads, reach " + std::to_string(c.batch_snps) +
                                     ", region " + std::to_string(i);
            EXPECT_EQ(finished[i], 1) << what;
            EXPECT_EQ(batched[i].state, alone[i].state) << what;
            EXPECT_EQ(batched[i].nsnps, alone[i].nsnps) << what;
            EXPECT_EQ(batched[i].ncritical, alone[i].ncritical) << what;
            EXPECT_EQ(batched[i].nsignificant, alone[i].nsignificant) << what;
            EXPECT_EQ(batched[i].regional_p, alone[i].regional_p) << what;
            EXPECT_EQ(batched[i].top_snp, alone[i].top_snp) << what;
        }
    }
}

} // namespace
