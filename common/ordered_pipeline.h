#ifndef KESTO_COMMON_ORDERED_PIPELINE_H
#define KESTO_COMMON_ORDERED_PIPELINE_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// Items read one by one on the calling thread are computed on up to `threads`
// worker threads and handed back in their reading order, each as soon as it
// and every item before it are done. Unlike batches with a barrier, a slow
// item holds up only the emitting of those after it, not their computing;
// at most `ahead` items wait or run at a time, so memory stays bounded.
//
//   next(Item&) -> bool         reads the next item; false at the end (caller's thread)
//   compute(const Item&) -> Result   may run on any worker thread
//   emit(Item&, Result&) -> bool     caller's thread, in reading order; false stops the run
//
// Returns false when emit stopped the run. With one thread every item is
// computed and emitted before the next is read, as a plain loop would. The
// first exception of a compute call is rethrown here once the workers have
// stopped.
template <class Item, class Result, class Next, class Compute, class Emit>
bool ordered_pipeline(int threads, std::size_t ahead, Next next, Compute compute, Emit emit)
{
    if (threads <= 1) {
        Item item{};
        while (next(item)) {
            Result result = compute(static_cast<const Item&>(item));
            if (!emit(item, result))
                return false;
        }
        return true;
    }
    if (ahead < static_cast<std::size_t>(threads))
        ahead = static_cast<std::size_t>(threads);

    struct Slot {
        Item item{};
        Result result{};
        bool done = false;
    };
    std::mutex mutex;
    std::condition_variable work_ready;  // a slot to compute, or the end
    std::condition_variable slot_done;   // the head slot may be done
    std::deque<Slot> slots;              // reading order; the front is emitted next
    std::size_t untaken = 0;             // index in `slots` of the first slot not taken
    bool closing = false;
    std::exception_ptr error;

    const auto worker = [&]() {
        std::unique_lock<std::mutex> lock(mutex);
        while (true) {
            work_ready.wait(lock, [&] { return closing || untaken < slots.size(); });
            if (closing)
                return;
            Slot& slot = slots[untaken++];
            lock.unlock();
            // Deque elements stay in place while others are pushed at the back
            // and only emitted (done) slots are popped at the front.
            Result result{};
            try {
                result = compute(static_cast<const Item&>(slot.item));
            } catch (...) {
                lock.lock();
                if (!error)
                    error = std::current_exception();
                closing = true;
                work_ready.notify_all();
                slot_done.notify_all();
                return;
            }
            lock.lock();
            slot.result = std::move(result);
            slot.done = true;
            slot_done.notify_all();
        }
    };

    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(worker);
    const auto stop = [&]() {
        {
            const std::lock_guard<std::mutex> guard(mutex);
            closing = true;
        }
        work_ready.notify_all();
        for (std::thread& t : pool)
            t.join();
    };

    bool more = true;
    bool emitted_all = true;
    try {
        std::unique_lock<std::mutex> lock(mutex);
        while (true) {
            // Read while there is room; reading happens outside the lock.
            while (more && slots.size() < ahead && !closing) {
                lock.unlock();
                Item item{};
                more = next(item);
                lock.lock();
                if (more) {
                    slots.push_back(Slot{std::move(item)});
                    work_ready.notify_one();
                }
            }
            if (slots.empty() || closing)
                break;
            slot_done.wait(lock, [&] { return closing || slots.front().done; });
            if (closing)
                break;
            // Emit every finished slot at the front, outside the lock.
            while (!slots.empty() && slots.front().done) {
                Slot head = std::move(slots.front());
                slots.pop_front();
                --untaken;
                lock.unlock();
                const bool go_on = emit(head.item, head.result);
                lock.lock();
                if (!go_on) {
                    emitted_all = false;
                    break;
                }
            }
            if (!emitted_all)
                break;
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
    if (error)
        std::rethrow_exception(error);
    return emitted_all;
}

#endif
