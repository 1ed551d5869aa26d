#include "spool_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t kBuffer = std::size_t{1} << 20;

std::string reason(int error) { return std::strerror(error); }

} // namespace

SpoolFile::~SpoolFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Status SpoolFile::open()
{
    const char* tmpdir = std::getenv("TMPDIR");
    folder_ = tmpdir != nullptr && *tmpdir != 0 ? tmpdir : "/tmp";
    std::string name = folder_ + "/kesto-spool-XXXXXX";
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0)
        return Status(StatusCode::WriteError, "cannot make a scratch file in " + folder_ + ": " + reason(errno) +
                                                  " (set TMPDIR to a folder with room)");
    ::unlink(name.c_str());
    buffer_.reserve(kBuffer);
    return Status();
}

Status SpoolFile::append(const void* bytes, std::size_t size)
{
    const char* at = static_cast<const char*>(bytes);
    if (buffer_.size() + size > kBuffer) {
        Status status = flush();
        if (!status.ok())
            return status;
    }
    if (size > kBuffer) {
        buffer_.assign(at, at + size);
        return flush();
    }
    buffer_.insert(buffer_.end(), at, at + size);
    return Status();
}

Status SpoolFile::flush()
{
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                                   static_cast<off_t>(written_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status(StatusCode::WriteError, "cannot write a scratch file in " + folder_ + ": " +
                                                      reason(n < 0 ? errno : ENOSPC) +
                                                      " (set TMPDIR to a folder with room)");
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
    buffer_.clear();
    return Status();
}

Status SpoolFile::read_at(std::uint64_t offset, void* bytes, std::size_t size) const
{
    char* at = static_cast<char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, at + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status(StatusCode::ReadError, "cannot read back a scratch file in " + folder_ + ": " +
                                                     (n < 0 ? reason(errno) : std::string("it ends early")));
        done += static_cast<std::size_t>(n);
    }
    return Status();
}
