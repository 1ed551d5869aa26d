// The analysis engine's gene regions against the gene programs' precision:
// every number a gene row holds is a single-precision value, as
// kesto_genelist holds it.

#include "prepared_source.h"
#include "region_result.h"

#include <gtest/gtest.h>

namespace {

const std::string kExamples = KESTO_SOURCE_DIR "/examples/";

TEST(AnalysisEngine, GeneNumbersAreSinglePrecision)
{
    analysis::PreparedSource source(kExamples, kExamples);
    analysis::ChromosomeTable table;
    ASSERT_TRUE(source.load("1", table).ok());
    analysis::AnalysisSettings settings;
    settings.flank_up = settings.flank_down = 200000;  // large regions: long weighted sums
    int checked = 0;
    for (std::int32_t start = 1000000; start < 4000000; start += 150000) {
        const analysis::RegionResult r = analysis::evaluate_gene_region(table, start, start + 50000, settings);
        if (r.state != analysis::RegionState::Ok)
            continue;
        ++checked;
        EXPECT_EQ(r.nsignificant, static_cast<double>(static_cast<float>(r.nsignificant))) << start;
        EXPECT_EQ(r.regional_p, static_cast<double>(static_cast<float>(r.regional_p))) << start;
    }
    EXPECT_GT(checked, 10);
}

TEST(AnalysisEngine, MissingChromosomeIsNotFound)
{
    analysis::PreparedSource source(kExamples, kExamples);
    analysis::ChromosomeTable table;
    EXPECT_EQ(source.load("7", table).code, StatusCode::NotFound);
    const auto chromosomes = source.chromosomes();
    EXPECT_EQ(chromosomes, (std::vector<std::string>{"1", "2"}));
}

} // namespace
