// Items computed ahead on worker threads come back in reading order, the
// look-ahead stays bounded, and a stop or a failure ends the run cleanly.

#include "ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Item i takes a time that varies out of step with its place, so that later
// items often finish first.
int slow_square(int i)
{
    std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 13 * 50));
    return i * i;
}

struct PipelineRun {
    std::vector<int> emitted;
    std::size_t most_in_flight = 0;
    bool finished = false;
};

PipelineRun run(int threads, std::size_t ahead, int count, int stop_after = -1, int throw_at = -1)
{
    PipelineRun r;
    int read = 0;
    r.finished = ordered_pipeline<int, int>(
        threads, ahead,
        [&](int& item) {
            if (read == count)
                return false;
            item = read++;
            r.most_in_flight = std::max(r.most_in_flight, static_cast<std::size_t>(read) - r.emitted.size());
            return true;
        },
        [&](const int& item) {
            if (item == throw_at)
                throw std::runtime_error("compute failed");
            return slow_square(item);
        },
        [&](int& item, int& result) {
            EXPECT_EQ(result, item * item);
            r.emitted.push_back(item);
            return static_cast<int>(r.emitted.size()) != stop_after;
        });
    return r;
}

TEST(OrderedPipeline, EmitsInReadingOrderForEveryThreadCount)
{
    for (int threads : {1, 2, 3, 8}) {
        for (std::size_t ahead : {std::size_t{1}, std::size_t{4}, std::size_t{64}}) {
            const PipelineRun r = run(threads, ahead, 200);
            EXPECT_TRUE(r.finished);
            ASSERT_EQ(r.emitted.size(), 200u) << threads << " threads, " << ahead << " ahead";
            for (int i = 0; i < 200; ++i)
                EXPECT_EQ(r.emitted[static_cast<std::size_t>(i)], i);
            // One item at a time on one thread; never more than the look-ahead
            // (raised to the thread count) otherwise.
            const std::size_t bound = threads == 1 ? 1 : std::max(ahead, static_cast<std::size_t>(threads));
            EXPECT_LE(r.most_in_flight, bound) << threads << " threads, " << ahead << " ahead";
        }
    }
}

TEST(OrderedPipeline, EmptyInputAndStopByEmit)
{
    for (int threads : {1, 3}) {
        const PipelineRun empty = run(threads, 8, 0);
        EXPECT_TRUE(empty.finished);
        EXPECT_TRUE(empty.emitted.empty());

        const PipelineRun stopped = run(threads, 8, 100, 10);
        EXPECT_FALSE(stopped.finished);
        EXPECT_EQ(stopped.emitted.size(), 10u) << "nothing is emitted after the stop";
    }
}

TEST(OrderedPipeline, ComputeFailureIsRethrownAfterTheItemsBeforeIt)
{
    for (int threads : {1, 2, 4}) {
        std::vector<int> emitted;
        int read = 0;
        EXPECT_THROW(
            (ordered_pipeline<int, int>(
                threads, 16, [&](int& item) { return read < 100 ? (item = read++, true) : false; },
                [](const int& item) {
                    if (item == 37)
                        throw std::runtime_error("compute failed");
                    return item;
                },
                [&](int& item, int&) {
                    emitted.push_back(item);
                    return true;
                })),
            std::runtime_error);
        // Whatever was emitted came before the failed item, in order.
        ASSERT_LE(emitted.size(), 37u);
        for (std::size_t i = 0; i < emitted.size(); ++i)
            EXPECT_EQ(emitted[i], static_cast<int>(i));
    }
}

TEST(OrderedPipeline, ReadFailureIsRethrownAndWorkersStop)
{
    int read = 0;
    std::atomic<int> computed{0};
    EXPECT_THROW((ordered_pipeline<int, int>(
                     2, 4,
                     [&](int& item) {
                         if (read == 20)
                             throw std::runtime_error("read failed");
                         item = read++;
                         return true;
                     },
                     [&](const int& item) {
                         ++computed;
                         return item;
                     },
                     [](int&, int&) { return true; })),
                 std::runtime_error);
    EXPECT_LE(computed.load(), 20);
}

} // namespace
