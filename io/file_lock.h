#ifndef KESTO_IO_FILE_LOCK_H
#define KESTO_IO_FILE_LOCK_H

#include "status.h"

#include <string>

// Advisory locks (flock) that keep runs of the suite from spoiling each
// other's files. A lock lasts as long as its open file: it goes when the
// descriptor is closed, also when the process ends in any way.

// Opens an output file for writing and holds it under an exclusive lock
// without waiting: Locked when another run holds it. The file is created if
// needed but never truncated here, so a file that turns out to be locked is
// left as it was; empty_output() empties it once every output of the run is
// held. Files that are not regular files (/dev/null, a pipe) are neither
// locked nor emptied. `fd` is -1 unless the status is Ok.
Status open_locked_output(const std::string& path, bool append, int& fd);

// Empties a regular file opened by open_locked_output().
Status empty_output(int fd, const std::string& path);

// A lock on an existing file that is read, not written: a run that converts
// a data set holds its input file so that a second run of the same data set
// waits until the first has converted and loaded it.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits for the exclusive lock on `path`. A path that does not exist is
    // not an error: there is nothing to protect, and the reader will say so.
    Status acquire(const std::string& path);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

#endif
