#ifndef KESTO_COMMON_PARALLEL_H
#define KESTO_COMMON_PARALLEL_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

// Calls work(i) for every i below count on up to `threads` threads; with one
// thread, in order on the calling thread. Each call must write only its own
// result slot. The first exception thrown by a call is rethrown here.
template <class Work>
void parallel_for(std::size_t count, int threads, Work work)
{
    if (threads <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::exception_ptr error;
    std::atomic<bool> failed{false};
    const auto run = [&]() {
        for (std::size_t i = next++; i < count && !failed; i = next++) {
            try {
                work(i);
            } catch (...) {
                if (!failed.exchange(true))
                    error = std::current_exception();
            }
        }
    };
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(threads), count);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < workers; ++t)
        pool.emplace_back(run);
    run();
    for (auto& t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);
}

#endif
