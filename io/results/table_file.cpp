#include "table_file.h"

#include "file_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TableFile::~TableFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Status TableFile::open(const std::string& path)
{
    path_ = path;
    return open_locked_output(path, false, fd_);
}

Status TableFile::empty() { return empty_output(fd_, path_); }

Status TableFile::write(const std::string& text)
{
    if (fd_ < 0)
        return {StatusCode::WriteError, "'" + path_ + "' is not open for writing"};
    const off_t before = ::lseek(fd_, 0, SEEK_CUR);
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t put = ::write(fd_, p, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            const int error = put < 0 ? errno : EIO;
            // Take a part-written line back so the file ends with a whole one.
            if (left < text.size() && before >= 0 && ::ftruncate(fd_, before) == 0)
                ::lseek(fd_, before, SEEK_SET);
            return {StatusCode::WriteError, "cannot write to '" + path_ + "': " + std::strerror(error)};
        }
        p += put;
        left -= static_cast<std::size_t>(put);
    }
    return {};
}

Status TableFile::close()
{
    if (fd_ < 0)
        return {};
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0)
        return {StatusCode::WriteError, "cannot finish '" + path_ + "': " + std::strerror(errno)};
    return {};
}
