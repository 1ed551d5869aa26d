#include "awkward_data.h"
#include "chromosome_store.h"
#include "legend_genotype_source.h"
#include "region_engine.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using kesto_test::TempDir;
using kesto_test::write_file;

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int c = 1; c <= 3; ++c) {
            const auto chr = kesto_test::awkward_chromosome(120, 70, 30u + static_cast<unsigned>(c), false);
            write_file(dir.file("legend_chr" + std::to_string(c) + ".txt"), chr.legend);
            write_file(dir.file("genotype_chr" + std::to_string(c) + ".txt"), chr.genotypes);
        }
    }

    TempDir dir;
    const LegendGenotypeSource source{dir.path() + "/", dir.path() + "/"};
};

TEST_F(Store, LoadsEachChromosomeOnceWhileItFits)
{
    ChromosomeStore store(source, std::size_t{1} << 30);
    const auto first = store.get("1");
    EXPECT_EQ(store.get("1"), first);
    store.get("2");
    EXPECT_EQ(store.get("1"), first);
    EXPECT_EQ(store.loads(), 2u);
    EXPECT_EQ(first->data.codes.snps(), 120u);
    EXPECT_EQ(first->data.positions.size(), 120u);
    EXPECT_EQ(first->data.ids.size(), 120u);
}

TEST_F(Store, DropsTheLeastRecentlyUsedPastItsLimit)
{
    const std::size_t one = footprint(load_chromosome(source, "1"));
    ChromosomeStore store(source, 2 * one + one / 2);  // room for two
    const auto kept = store.get("1");
    store.get("2");
    store.get("1");  // 1 is now the most recent
    store.get("3");  // drops 2
    EXPECT_EQ(store.loads(), 3u);
    EXPECT_EQ(store.get("1"), kept);
    EXPECT_EQ(store.loads(), 3u);
    store.get("2");  // read again
    EXPECT_EQ(store.loads(), 4u);
    // A chromosome larger than the whole limit is still served.
    ChromosomeStore tiny(source, 1);
    EXPECT_EQ(tiny.get("3")->data.codes.snps(), 120u);
}

TEST_F(Store, MissingFilesAreRememberedAsSuch)
{
    ChromosomeStore store(source, std::size_t{1} << 30);
    const auto missing = store.get("9");
    EXPECT_EQ(missing->status.code, StatusCode::NotFound);
    EXPECT_EQ(missing->failed, SourcePart::Snps);
    // Every region on it still reports the missing file.
    const auto engine = make_stored_engine(store, RegionSettings{0.05f, 0.8f, 0});
    for (int i = 0; i < 2; ++i) {
        const RegionReport report = engine->evaluate("9", 1, 2);
        EXPECT_EQ(report.status, RegionStatus::MissingFile);
        EXPECT_EQ(report.problem.message, dir.path() + "/legend_chr9.txt");
    }
    EXPECT_EQ(store.loads(), 1u);
}

TEST_F(Store, StoredEngineMatchesTheReferenceEngine)
{
    ChromosomeStore store(source, std::size_t{1} << 30);
    const RegionSettings settings{0.05f, 0.8f, 2000};
    const auto stored = make_stored_engine(store, settings);
    const auto reference = make_reference_engine(source, settings);
    for (int c = 1; c <= 3; ++c)
        for (int start = 10000; start < 300000; start += 37000) {
            const RegionReport a = reference->evaluate(std::to_string(c), start, start + 40000);
            const RegionReport b = stored->evaluate(std::to_string(c), start, start + 40000);
            EXPECT_EQ(a.status, b.status);
            EXPECT_EQ(a.triple.get<0>(), b.triple.get<0>());
            EXPECT_EQ(a.triple.get<1>(), b.triple.get<1>());
            EXPECT_EQ(a.triple.get<2>(), b.triple.get<2>());
        }
    EXPECT_EQ(store.loads(), 3u);
}

} // namespace
