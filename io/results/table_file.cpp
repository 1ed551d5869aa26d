#include "table_file.h"

#include "whole_write.h"

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
    // Take a part-written line back so the file ends with a whole one.
    return write_whole(fd_, ::lseek(fd_, 0, SEEK_CUR), text, path_);
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
