#include "awkward_data.h"
#include "chromosome_store.h"
#include "kesto_analysis_matrix.h"
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

    std::string legend(int c) const { return dir.file("legend_chr" + std::to_string(c) + ".txt"); }
    std::string genotypes(int c) const { return dir.file("genotype_chr" + std::to_string(c) + ".txt"); }

    TempDir dir;
};

TEST_F(Store, LoadsEachChromosomeOnceWhileItFits)
{
    ChromosomeStore store(std::size_t{1} << 30);
    const auto first = store.get(legend(1), genotypes(1));
    EXPECT_EQ(store.get(legend(1), genotypes(1)), first);
    store.get(legend(2), genotypes(2));
    EXPECT_EQ(store.get(legend(1), genotypes(1)), first);
    EXPECT_EQ(store.loads(), 2u);
    EXPECT_EQ(first->codes.snps(), 120u);
    EXPECT_EQ(first->legend.positions.size(), 120u);
}

TEST_F(Store, DropsTheLeastRecentlyUsedPastItsLimit)
{
    const std::size_t one = footprint(load_packed_chromosome(legend(1), genotypes(1)));
    ChromosomeStore store(2 * one + one / 2);  // room for two
    const auto kept = store.get(legend(1), genotypes(1));
    store.get(legend(2), genotypes(2));
    store.get(legend(1), genotypes(1));  // 1 is now the most recent
    store.get(legend(3), genotypes(3));  // drops 2
    EXPECT_EQ(store.loads(), 3u);
    EXPECT_EQ(store.get(legend(1), genotypes(1)), kept);
    EXPECT_EQ(store.loads(), 3u);
    store.get(legend(2), genotypes(2));  // read again
    EXPECT_EQ(store.loads(), 4u);
    // A chromosome larger than the whole limit is still served.
    ChromosomeStore tiny(1);
    EXPECT_EQ(tiny.get(legend(3), genotypes(3))->codes.snps(), 120u);
}

TEST_F(Store, MissingFilesAreRememberedAsSuch)
{
    ChromosomeStore store(std::size_t{1} << 30);
    const auto missing = store.get(dir.file("legend_chr9.txt"), dir.file("genotype_chr9.txt"));
    EXPECT_EQ(missing->legend_read.status, ReadStatus::NotFound);
    // Every region on it still reports the missing file.
    for (int i = 0; i < 2; ++i) {
        Kesto region("9", 1, 2, 0.05f, 0.8f, dir.path() + "/", dir.path() + "/", 0);
        region.use_store(&store);
        const RegionReport report = region.evaluate();
        EXPECT_EQ(report.status, RegionStatus::MissingFile);
        EXPECT_EQ(report.out, "Input legend file not found " + dir.path() + "/legend_chr9.txt\n");
    }
    EXPECT_EQ(store.loads(), 1u);
}

TEST_F(Store, RegionsFromTheStoreMatchFreshReadings)
{
    ChromosomeStore store(std::size_t{1} << 30);
    for (int c = 1; c <= 3; ++c)
        for (int start = 10000; start < 300000; start += 37000) {
            Kesto fresh(std::to_string(c), start, start + 40000, 0.05f, 0.8f, dir.path() + "/", dir.path() + "/", 2000);
            Kesto stored(std::to_string(c), start, start + 40000, 0.05f, 0.8f, dir.path() + "/", dir.path() + "/",
                         2000);
            stored.use_store(&store);
            const RegionReport a = fresh.evaluate();
            const RegionReport b = stored.evaluate();
            EXPECT_EQ(a.status, b.status);
            EXPECT_EQ(a.triple.get<0>(), b.triple.get<0>());
            EXPECT_EQ(a.triple.get<1>(), b.triple.get<1>());
            EXPECT_EQ(a.triple.get<2>(), b.triple.get<2>());
            EXPECT_EQ(a.err, b.err);
        }
    EXPECT_EQ(store.loads(), 3u);
}

} // namespace
