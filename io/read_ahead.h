#ifndef KESTO_IO_READ_AHEAD_H
#define KESTO_IO_READ_AHEAD_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

typedef struct BGZF BGZF;

// Reads an open BGZF handle (plain, gzip or BGZF) chunk by chunk on a thread
// of its own, a few chunks ahead of the caller: the reading and inflating of
// the next chunk overlaps the caller's work on the one before. The handle is
// the thread's alone until the object is gone.
class ReadAhead {
public:
    ReadAhead(BGZF* file, std::size_t chunk, std::size_t depth);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next chunk, swapped into `out` (whose old buffer is used again):
    // bytes read as bgzf_read returns them, 0 at the end, negative on a read
    // error; after the end or an error, the same again.
    ssize_t next(std::vector<char>& out);

private:
    struct Chunk {
        std::vector<char> data;
        ssize_t got = 0;
    };
    void run();

    BGZF* file_;
    std::size_t chunk_;
    std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> ready_;
    std::vector<std::vector<char>> spare_;
    bool stop_ = false;
    bool finished_ = false;  // the thread has read its last chunk
    ssize_t last_ = 0;       // what that chunk's read returned (0 or an error)
    std::thread thread_;
};

#endif
