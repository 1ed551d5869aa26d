#ifndef KESTO_IO_LINE_SOURCE_H
#define KESTO_IO_LINE_SOURCE_H

#include "status.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

typedef struct BGZF BGZF;
class ReadAhead;

// Every text input of the suite is read through one LineSource: opened once,
// read in one pass (so a pipe or a FIFO works), plain, gzip or BGZF
// (recognised by the magic bytes, not the name). LF, CRLF and a lone CR end a
// line; a leading UTF-8 byte-order mark is dropped. A read error or a line
// longer than the limit ends the reading with a status naming file and line.
class LineSource {
public:
    static constexpr std::size_t kDefaultLineLimit = std::size_t(1) << 30;
    // The stated limits of the suite's inputs: a line of a table (gene list,
    // pathway file, legend, marker or association file) stays below 64 MiB; a
    // genotype row holds two bytes a sample, so 256 MiB allows for 100 million
    // samples. A stream without line ends (such as /dev/zero) is refused there
    // instead of filling memory.
    static constexpr std::size_t kTableLineLimit = std::size_t(64) << 20;
    static constexpr std::size_t kGenotypeLineLimit = std::size_t(256) << 20;

    LineSource();
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // NotFound when the path does not exist; ReadError for a folder or a file
    // that cannot be opened.
    Status open(const std::string& path, std::size_t line_limit = kDefaultLineLimit);

    // From here on the file is read and inflated on a thread of its own, in
    // chunks of `chunk` bytes a few ahead, while the caller works through the
    // lines. The lines, their numbers and every message stay the same. A BGZF
    // file is also inflated on `threads` of htslib's when more than one.
    void read_ahead(int threads = 1, std::size_t chunk = kChunk);
    static constexpr std::size_t kChunk = std::size_t(1) << 20;

    // The next line without its end, valid until the following call; false at
    // the end of the input or on an error (then status() says which).
    bool next(std::string_view& line);

    // Ok after a clean end of input; the error otherwise.
    const Status& status() const { return status_; }
    long line_number() const { return line_number_; }
    const std::string& path() const { return path_; }
    bool compressed() const { return compressed_; }
    // "PATH line N" of the line last returned.
    std::string where() const;

private:
    std::string where_next() const;

    bool fill();
    bool opens_with_byte_order_mark(std::string_view more) const;
    // Drops a byte-order mark from the first line; true when there was one.
    bool drop_byte_order_mark(std::string_view& line);

    std::string path_;
    BGZF* file_ = nullptr;
    std::unique_ptr<ReadAhead> ahead_;  // owns file_'s reading once started
    bool compressed_ = false;
    std::size_t limit_ = kDefaultLineLimit;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte of buffer_
    std::size_t end_ = 0;    // one past the last byte read into buffer_
    bool eof_ = false;
    bool skip_lf_ = false;   // the last line ended in CR: a following LF belongs to it
    bool first_ = true;      // the first line, which may open with a byte-order mark, is still to come
    long line_number_ = 0;
    std::string carry_;      // a line that spans two reads
    Status status_;
};

// The path an input is read from: `path` itself when it exists, otherwise
// `path.gz` when that exists, otherwise `path` (so a message names it).
std::string existing_variant(const std::string& path);

// Whole-file helpers for small inputs: every line of the file.
Status read_all_lines(const std::string& path, std::vector<std::string>& lines);

#endif
