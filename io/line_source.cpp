#include "line_source.h"

#include "read_ahead.h"

#include <htslib/bgzf.h>
#include <htslib/hts_log.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Chunks a read-ahead thread may hold ready.
constexpr std::size_t kReadAheadDepth = 4;

bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

LineSource::LineSource() = default;

LineSource::~LineSource()
{
    ahead_.reset();  // the thread stops before the file closes
    if (file_)
        bgzf_close(file_);
}

Status LineSource::open(const std::string& path, std::size_t line_limit)
{
    // A source may be opened again for another file: nothing of the last one
    // (handle, reading thread, buffer, line count, end of input) carries over.
    ahead_.reset();
    if (file_)
        bgzf_close(file_);
    file_ = nullptr;
    compressed_ = false;
    begin_ = end_ = 0;
    eof_ = skip_lf_ = false;
    first_ = true;
    line_number_ = 0;
    carry_.clear();
    path_ = path;
    limit_ = line_limit;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        status_ = error == ENOENT || error == ENOTDIR
                      ? Status(StatusCode::NotFound, path + ": no such file")
                      : Status(StatusCode::ReadError, path + ": " + std::strerror(error));
        return status_;
    }
    if (S_ISDIR(info.st_mode)) {
        status_ = Status(StatusCode::ReadError, path + ": is a folder, not a file");
        return status_;
    }
    // htslib would print its own account of a damaged stream; the status
    // returned here names the file and line instead.
    hts_set_log_level(HTS_LOG_OFF);
    errno = 0;
    file_ = bgzf_open(path.c_str(), "r");
    if (!file_) {
        const int error = errno;
        status_ = Status(StatusCode::ReadError,
                         path + ": cannot be opened" + (error ? std::string(": ") + std::strerror(error) : ""));
        return status_;
    }
    compressed_ = file_->is_compressed != 0;
    buffer_.resize(kChunk);
    status_ = Status{};
    return status_;
}

bool LineSource::fill()
{
    if (eof_ || !status_.ok())
        return false;
    const ssize_t got = ahead_ ? ahead_->next(buffer_) : bgzf_read(file_, buffer_.data(), buffer_.size());
    if (got < 0) {
        status_ = Status(StatusCode::ReadError, where_next() + ": read error" +
                                                    (compressed_ ? " (damaged or truncated compressed data)" : ""));
        return false;
    }
    begin_ = 0;
    end_ = static_cast<std::size_t>(got);
    if (got == 0) {
        eof_ = true;
        return false;
    }
    return true;
}

void LineSource::read_ahead(int threads, std::size_t chunk)
{
    if (!file_ || ahead_ || !status_.ok())
        return;
    // htslib inflates BGZF blocks in parallel; a plain gzip stream is one
    // block, and only the read-ahead thread takes it off the caller.
    if (threads > 1 && compressed_ && !file_->is_gzip)
        (void)bgzf_mt(file_, threads, 64);
    ahead_ = std::make_unique<ReadAhead>(file_, chunk, kReadAheadDepth);
}

bool LineSource::next(std::string_view& line)
{
    if (!file_ || !status_.ok())
        return false;
    carry_.clear();
    bool carrying = false;
    for (;;) {
        if (begin_ == end_ && !fill()) {
            if (!status_.ok())
                return false;
            if (carrying) {  // a last line without a line end
                line = carry_;
                // A file of a byte-order mark alone holds no line.
                if (drop_byte_order_mark(line) && line.empty())
                    return false;
                ++line_number_;
                return true;
            }
            return false;
        }
        if (skip_lf_) {
            skip_lf_ = false;
            if (buffer_[begin_] == '\n') {
                ++begin_;
                continue;
            }
        }
        const char* start = buffer_.data() + begin_;
        const std::size_t avail = end_ - begin_;
        const char* limit = start + avail;
        // Two library scans (vectorised) find the first LF and a CR before it.
        const void* lf = std::memchr(start, '\n', avail);
        const char* stop = lf ? static_cast<const char*>(lf) : limit;
        if (const void* cr = std::memchr(start, '\r', static_cast<std::size_t>(stop - start)))
            stop = static_cast<const char*>(cr);
        const std::size_t length = static_cast<std::size_t>(stop - start);
        // The limit is on the line without a byte-order mark.
        const std::size_t mark = first_ && opens_with_byte_order_mark(std::string_view(start, length)) ? 3 : 0;
        if (carry_.size() + length > limit_ + mark) {
            ++line_number_;
            status_ = Status(StatusCode::ReadError,
                             where() + ": line longer than " + std::to_string(limit_) + " bytes");
            return false;
        }
        if (stop == limit) {  // the line goes on in the next read
            carry_.append(start, length);
            carrying = true;
            begin_ = end_;
            continue;
        }
        skip_lf_ = *stop == '\r';
        begin_ += length + 1;
        ++line_number_;
        if (carrying) {
            carry_.append(start, length);
            line = carry_;
        } else {
            line = std::string_view(start, length);
        }
        drop_byte_order_mark(line);
        return true;
    }
}

// The mark is dropped from the first line rather than from the first read,
// so that it is found however the file's first bytes arrive (a pipe, or a
// read ahead in small chunks).
bool LineSource::opens_with_byte_order_mark(std::string_view more) const
{
    static constexpr char kMark[3] = {'\xEF', '\xBB', '\xBF'};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t j = i - std::min(i, carry_.size());
        const char c = i < carry_.size() ? carry_[i] : (j < more.size() ? more[j] : '\0');
        if (c != kMark[i])
            return false;
    }
    return true;
}

bool LineSource::drop_byte_order_mark(std::string_view& line)
{
    if (!first_)
        return false;
    first_ = false;
    if (line.size() < 3 || line.substr(0, 3) != "\xEF\xBB\xBF")
        return false;
    line.remove_prefix(3);
    return true;
}

std::string LineSource::where() const { return path_ + " line " + std::to_string(line_number_); }

std::string LineSource::where_next() const { return path_ + " line " + std::to_string(line_number_ + 1); }

std::string existing_variant(const std::string& path)
{
    if (exists(path))
        return path;
    const std::string gz = path + ".gz";
    return exists(gz) ? gz : path;
}

Status read_all_lines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    LineSource source;
    Status opened = source.open(path);
    if (!opened.ok())
        return opened;
    std::string_view line;
    while (source.next(line))
        lines.emplace_back(line);
    return source.status();
}
