// Reading the next chromosome while the one before is analysed: the
// consumer sees the same calls in the same order as on the plain road, and
// a failure on either side ends the run with that failure.

#include "overlapped_consumer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using analysis::ChromosomeConsumer;
using analysis::ChromosomeTable;
using analysis::TableSource;

// Hands out chromosomes 1..n; those listed in `broken` as unreadable; stops
// with a read error before `fail_at` (0: never).
class ScriptedSource : public TableSource {
public:
    ScriptedSource(int n, std::vector<int> broken, int fail_at = 0)
        : n_(n), broken_(std::move(broken)), fail_at_(fail_at)
    {
    }

    // When set: ready() is called before each table is built, and by then
    // every table handed over before must be finished.
    const std::atomic<int>* finished = nullptr;
    int ready_waits_broken = 0;

    Status feed(ChromosomeConsumer& consumer) override
    {
        for (int c = 1; c <= n_; ++c) {
            if (c == fail_at_)
                return Status(StatusCode::ReadError, "ref.bed: read error before chromosome " + std::to_string(c));
            const std::string name = std::to_string(c);
            if (!consumer.wants(name))
                continue;
            bool is_broken = false;
            for (int b : broken_)
                is_broken = is_broken || b == c;
            if (is_broken) {
                const Status s = consumer.unreadable(name, "ref.bim line " + name + ": damaged");
                if (!s)
                    return s;
                continue;
            }
            if (finished) {
                const Status r = consumer.ready();
                if (!r)
                    return r;
                ready_waits_broken += finished->load() != handed_ ? 1 : 0;
            }
            ChromosomeTable table;
            table.chromosome = name;
            table.positions.assign(static_cast<std::size_t>(c), c);
            ++handed_;
            const Status s = consumer.take(table);
            if (!s)
                return s;
        }
        return {};
    }
    std::vector<std::string> describe() const override { return {}; }

private:
    int n_;
    std::vector<int> broken_;
    int fail_at_;
    int handed_ = 0;
};

// Records what it is handed; slow, so that the source runs ahead.
class RecordingConsumer : public ChromosomeConsumer {
public:
    explicit RecordingConsumer(std::string fail_on = "") : fail_on_(std::move(fail_on)) {}

    bool wants(const std::string& chromosome) const override { return chromosome != "4"; }
    Status take(ChromosomeTable& table) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        calls.push_back("take " + table.chromosome + " (" + std::to_string(table.snps()) + " SNPs)");
        const bool fail = table.chromosome == fail_on_;
        ++finished;
        if (fail)
            return Status(StatusCode::WriteError, "out.genes.tsv: disk full");
        return {};
    }
    Status unreadable(const std::string& chromosome, const std::string& message) override
    {
        calls.push_back("unreadable " + chromosome + ": " + message);
        return {};
    }

    std::vector<std::string> calls;
    std::atomic<int> finished{0};

private:
    std::string fail_on_;
};

} // namespace

TEST(OverlappedConsumer, SameCallsInTheSameOrderAsThePlainRoad)
{
    for (const std::vector<int>& broken : {std::vector<int>{}, {1}, {3, 5}, {6}}) {
        RecordingConsumer plain, overlapped;
        ScriptedSource a(6, broken), b(6, broken);
        ASSERT_TRUE(analysis::feed_overlapped(a, plain, false).ok());
        ASSERT_TRUE(analysis::feed_overlapped(b, overlapped, true).ok());
        EXPECT_EQ(overlapped.calls, plain.calls);
        EXPECT_EQ(plain.calls.size(), 5u);  // chromosome 4 is not wanted
    }
}

TEST(OverlappedConsumer, FailuresOfEitherSideEndTheRun)
{
    {   // the consumer fails on chromosome 2: the run ends with its status
        RecordingConsumer consumer("2");
        ScriptedSource source(6, {});
        const Status s = analysis::feed_overlapped(source, consumer, true);
        EXPECT_EQ(s.code, StatusCode::WriteError);
        EXPECT_EQ(s.message, "out.genes.tsv: disk full");
        EXPECT_EQ(consumer.calls.back(), "take 2 (2 SNPs)");
    }
    {   // the consumer fails on the last chromosome: only finish() sees it
        RecordingConsumer consumer("6");
        ScriptedSource source(6, {});
        EXPECT_EQ(analysis::feed_overlapped(source, consumer, true).code, StatusCode::WriteError);
    }
    {   // the source fails: the chromosome under way is still finished
        RecordingConsumer consumer;
        ScriptedSource source(6, {}, 3);
        const Status s = analysis::feed_overlapped(source, consumer, true);
        EXPECT_EQ(s.code, StatusCode::ReadError);
        EXPECT_EQ(consumer.calls, (std::vector<std::string>{"take 1 (1 SNPs)", "take 2 (2 SNPs)"}));
    }
}

TEST(OverlappedConsumer, ReadyWaitsForTheChromosomeBefore)
{
    // A source that builds its next table only after ready() never holds
    // more than the table under way and the genotypes it has just read.
    RecordingConsumer consumer;
    ScriptedSource source(6, {2});
    source.finished = &consumer.finished;
    ASSERT_TRUE(analysis::feed_overlapped(source, consumer, true).ok());
    EXPECT_EQ(source.ready_waits_broken, 0);
    EXPECT_EQ(consumer.finished.load(), 4);  // 1, 3, 5, 6 (2 unreadable, 4 not wanted)
}
