#include "file_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool is_regular(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// flock, retried when a signal interrupts the wait.
int lock(int fd, int operation)
{
    int result = 0;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

// File systems without flock (some network mounts) run unlocked, as before.
bool unsupported(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }

} // namespace

Status open_locked_output(const std::string& path, bool append, int& fd)
{
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : 0), 0644);
    if (fd < 0)
        return {StatusCode::WriteError, "cannot create '" + path + "': " + std::strerror(errno)};
    if (is_regular(fd) && lock(fd, LOCK_EX | LOCK_NB) != 0 && !unsupported(errno)) {
        const int error = errno;
        ::close(fd);
        fd = -1;
        if (error == EWOULDBLOCK)
            return {StatusCode::Locked, "'" + path +
                                            "' is being written by another run (it is locked); wait until that "
                                            "run ends or give another name (nothing was written)"};
        return {StatusCode::WriteError, "cannot lock '" + path + "': " + std::strerror(error)};
    }
    return {};
}

Status empty_output(int fd, const std::string& path)
{
    if (!is_regular(fd))
        return {};
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) < 0)
        return {StatusCode::WriteError, "cannot empty '" + path + "': " + std::strerror(errno)};
    return {};
}

Status FileLock::acquire(const std::string& path)
{
    release();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return {};
    if (lock(fd_, LOCK_EX) != 0 && !unsupported(errno)) {
        const int error = errno;
        release();
        return {StatusCode::ReadError, "cannot lock '" + path + "': " + std::strerror(error)};
    }
    return {};
}

void FileLock::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
