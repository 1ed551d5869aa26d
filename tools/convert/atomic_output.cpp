#include "atomic_output.h"

#include "convert_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace convert {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

} // namespace

AtomicOutput::AtomicOutput(const std::string& final_path) : final_path_(final_path), buffer_(kBufferSize)
{
    const std::string stem = final_path + ".part" + std::to_string(static_cast<long>(getpid()));
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temp_path_ = attempt == 0 ? stem : stem + "_" + std::to_string(attempt);
        fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100))
            throw ConvertError("cannot create " + temp_path_ + " (to become " + final_path_ +
                               "): " + std::strerror(errno));
    }
}

AtomicOutput::~AtomicOutput()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        ::unlink(temp_path_.c_str());
}

void AtomicOutput::make_room(std::size_t size)
{
    flush();
    if (size > buffer_.size())
        buffer_.resize(size);
}

void AtomicOutput::flush()
{
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw ConvertError("cannot write " + temp_path_ + " (to become " + final_path_ +
                               "): " + std::strerror(n < 0 ? errno : EIO));
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

void AtomicOutput::close()
{
    if (fd_ < 0)
        return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw ConvertError("cannot write " + temp_path_ + " (to become " + final_path_ +
                           "): " + std::strerror(errno));
}

void AtomicOutput::commit()
{
    close();
    if (std::rename(temp_path_.c_str(), final_path_.c_str()) != 0)
        throw ConvertError("cannot rename " + temp_path_ + " to " + final_path_ + ": " +
                           std::strerror(errno));
    committed_ = true;
}

} // namespace convert
