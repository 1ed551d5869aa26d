#include "text_output.h"

#include <htslib/bgzf.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t kBuffer = std::size_t(1) << 20;
}

TextOutput::~TextOutput()
{
    if (plain_)
        std::fclose(plain_);
    if (bgzf_)
        bgzf_close(bgzf_);
}

Status TextOutput::open(const std::string& path, bool compressed, int threads)
{
    path_ = path;
    status_ = Status();
    // Level 1: genotype text compresses well even so, about five times
    // faster than the default level.
    if (compressed) {
        bgzf_ = bgzf_open(path.c_str(), "w1");
        if (bgzf_ && threads > 1)
            (void)bgzf_mt(bgzf_, threads, 256);
    } else
        plain_ = std::fopen(path.c_str(), "wb");
    if (!bgzf_ && !plain_)
        status_ = Status(StatusCode::WriteError, "cannot create " + path + ": " + std::strerror(errno));
    buffer_.reserve(kBuffer + 4096);
    return status_;
}

void TextOutput::flush_buffer()
{
    if (buffer_.empty() || !status_.ok())
        return;
    bool good;
    if (bgzf_)
        good = bgzf_write(bgzf_, buffer_.data(), buffer_.size()) == static_cast<ssize_t>(buffer_.size());
    else
        good = std::fwrite(buffer_.data(), 1, buffer_.size(), plain_) == buffer_.size();
    if (!good)
        status_ = Status(StatusCode::WriteError, "cannot write " + path_ + ": " + std::strerror(errno));
    buffer_.clear();
}

void TextOutput::write(std::string_view text)
{
    buffer_.append(text.data(), text.size());
    if (buffer_.size() >= kBuffer)
        flush_buffer();
}

Status TextOutput::close()
{
    flush_buffer();
    if (bgzf_) {
        if (bgzf_close(bgzf_) != 0 && status_.ok())
            status_ = Status(StatusCode::WriteError, "cannot finish " + path_ + ": " + std::strerror(errno));
        bgzf_ = nullptr;
    }
    if (plain_) {
        if (std::fclose(plain_) != 0 && status_.ok())
            status_ = Status(StatusCode::WriteError, "cannot finish " + path_ + ": " + std::strerror(errno));
        plain_ = nullptr;
    }
    return status_;
}
