#include "result_writer.h"

#include "whole_write.h"

#include "file_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace {

template <typename T>
std::string stream_format(T value)
{
    std::ostringstream s;
    s << value;
    return s.str();
}

} // namespace

std::string format_number(int value) { return stream_format(value); }
std::string format_number(float value) { return stream_format(value); }
std::string format_number(double value) { return stream_format(value); }

ResultWriter::ResultWriter(std::string program, std::string path, Start start)
    : program_(std::move(program)), path_(std::move(path)), append_(start == Start::Append)
{
    const Status opened = open_locked_output(path_, append_, fd_);
    if (!opened.ok()) {
        locked_ = opened.code == StatusCode::Locked;
        std::cerr << program_ << ": " << opened.message << "\n";
        return;
    }
    if (start == Start::Empty)
        make_empty();
}

bool ResultWriter::make_empty()
{
    if (fd_ < 0)
        return false;
    const Status emptied = empty_output(fd_, path_);
    if (!emptied.ok()) {
        std::cerr << program_ << ": " << emptied.message << "\n";
        failed_ = true;
    }
    return ok();
}

ResultWriter::~ResultWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ResultWriter::row(std::initializer_list<std::string> fields)
{
    std::string line;
    bool first = true;
    for (const auto& f : fields) {
        if (!first)
            line += '\t';
        // A name copied from an input may hold a tab or a line end (a quoted
        // field does); written as it is, it would split the row.
        for (const char c : f)
            line += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
        first = false;
    }
    line += '\n';
    return write(line);
}

bool ResultWriter::write(const std::string& text)
{
    if (!ok())
        return false;
    // Where the file ended before this text, so that a write that stops
    // part-way (a full disk, a file size limit) can be taken back: the file
    // then ends with the last complete line. -1 where the file cannot seek.
    const off_t before = ::lseek(fd_, 0, append_ ? SEEK_END : SEEK_CUR);
    const Status written = write_whole(fd_, before, text, path_);
    if (!written.ok()) {
        std::cerr << program_ << ": " << written.message << "\n";
        failed_ = true;
        return false;
    }
    return true;
}

int empty_all(std::initializer_list<ResultWriter*> writers)
{
    for (ResultWriter* writer : writers)
        if (!writer->ok())
            return writer->exit_status();
    for (ResultWriter* writer : writers)
        if (!writer->make_empty())
            return writer->exit_status();
    return -1;
}
