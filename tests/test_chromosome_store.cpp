#include "awkward_data.h"
#include "chromosome_store.h"
#include "legend_genotype_source.h"
#include "region_engine.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

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

// A source whose chromosome "2" takes as long as the test wants: its load
// waits until `release` is set (or two seconds have passed).
class SlowSource : public ChromosomeSource {
public:
    explicit SlowSource(const ChromosomeSource& inner) : inner_(inner) {}

    Status load(const std::string& chromosome, ChromosomeData& data, SourcePart& failed) const override
    {
        if (chromosome == "2") {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (!release && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            released_in_time = release.load();
        }
        return inner_.load(chromosome, data, failed);
    }
    std::string describe(const std::string& chromosome) const override { return inner_.describe(chromosome); }

    mutable std::atomic<bool> release{false};
    mutable std::atomic<bool> released_in_time{false};

private:
    const ChromosomeSource& inner_;
};

TEST_F(Store, OtherChromosomesAreServedWhileOneLoads)
{
    const SlowSource slow(source);
    ChromosomeStore store(slow, std::size_t{1} << 30);
    const auto one = store.get("1");
    std::thread loader([&] { EXPECT_EQ(store.get("2")->data.codes.snps(), 120u); });
    // Chromosomes 1 (loaded) and 3 (not yet) come while 2 is still loading.
    while (store.loads() < 2)
        std::this_thread::yield();
    EXPECT_EQ(store.get("1"), one);
    EXPECT_EQ(store.get("3")->data.codes.snps(), 120u);
    slow.release = true;
    loader.join();
    EXPECT_TRUE(slow.released_in_time.load()) << "the load of chromosome 2 held the others up";
    EXPECT_EQ(store.loads(), 3u);
}

TEST_F(Store, ThreadsAskingForOneChromosomeShareOneLoad)
{
    const SlowSource slow(source);
    ChromosomeStore store(slow, std::size_t{1} << 30);
    std::vector<std::shared_ptr<const LoadedChromosome>> got(4);
    std::vector<std::thread> askers;
    for (std::size_t t = 0; t < got.size(); ++t)
        askers.emplace_back([&, t] { got[t] = store.get("2"); });
    while (store.loads() < 1)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    slow.release = true;
    for (std::thread& t : askers)
        t.join();
    EXPECT_EQ(store.loads(), 1u);
    for (const auto& g : got)
        EXPECT_EQ(g, got[0]);
}

} // namespace
