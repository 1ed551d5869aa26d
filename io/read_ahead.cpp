#include "read_ahead.h"

#include <htslib/bgzf.h>

#include <utility>

ReadAhead::ReadAhead(BGZF* file, std::size_t chunk, std::size_t depth)
    : file_(file), chunk_(chunk > 0 ? chunk : 1), depth_(depth > 0 ? depth : 1)
{
    thread_ = std::thread(&ReadAhead::run, this);
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::run()
{
    for (;;) {
        std::vector<char> buffer;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || ready_.size() < depth_; });
            if (stop_)
                return;
            if (!spare_.empty()) {
                buffer = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        buffer.resize(chunk_);
        const ssize_t got = bgzf_read(file_, buffer.data(), buffer.size());
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (got > 0) {
                ready_.push_back(Chunk{std::move(buffer), got});
            } else {
                finished_ = true;
                last_ = got;
            }
        }
        changed_.notify_all();
        if (got <= 0)
            return;
    }
}

ssize_t ReadAhead::next(std::vector<char>& out)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty())
        return last_;
    Chunk chunk = std::move(ready_.front());
    ready_.pop_front();
    std::swap(out, chunk.data);
    if (!chunk.data.empty())
        spare_.push_back(std::move(chunk.data));
    lock.unlock();
    changed_.notify_all();
    return chunk.got;
}
