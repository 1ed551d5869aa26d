#include "whole_write.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

Status write_whole(int fd, off_t before, const std::string& text, const std::string& path)
{
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, p, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            const int error = put < 0 ? errno : EIO;
            if (left < text.size() && before >= 0 && ::ftruncate(fd, before) == 0)
                ::lseek(fd, before, SEEK_SET);
            return {StatusCode::WriteError, "cannot write to '" + path + "': " + std::strerror(error)};
        }
        p += put;
        left -= static_cast<std::size_t>(put);
    }
    return {};
}
