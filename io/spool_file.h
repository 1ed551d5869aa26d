#ifndef KESTO_IO_SPOOL_FILE_H
#define KESTO_IO_SPOOL_FILE_H

#include "status.h"

#include <cstdint>
#include <string>
#include <vector>

// A scratch file that holds what a run sets aside to read back later, in the
// folder $TMPDIR names (/tmp without it). It is removed from the folder as
// soon as it is made, so it disappears with the run, however the run ends.
// Writes go through a buffer; reads take any stretch at any offset and leave
// the writing where it was.
class SpoolFile {
public:
    SpoolFile() = default;
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;
    ~SpoolFile();

    [[nodiscard]] Status open();
    bool is_open() const { return fd_ >= 0; }
    [[nodiscard]] Status append(const void* bytes, std::size_t size);
    // Writes what the buffer holds; reads see every byte appended before.
    [[nodiscard]] Status flush();
    std::uint64_t size() const { return written_ + buffer_.size(); }
    // Reads `size` bytes at `offset` (of the bytes flushed); fails past the end.
    [[nodiscard]] Status read_at(std::uint64_t offset, void* bytes, std::size_t size) const;
    // The folder it lies in, for messages.
    const std::string& folder() const { return folder_; }

private:
    int fd_ = -1;
    std::string folder_;
    std::vector<char> buffer_;
    std::uint64_t written_ = 0;
};

#endif
