#include "text_lines.h"

#include "convert_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/types.h>

namespace convert {

LineReader::LineReader(const std::string& path) : path_(path)
{
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr)
        throw ConvertError("cannot open " + path + ": " + std::strerror(errno));
}

LineReader::~LineReader()
{
    std::free(buffer_);
    if (file_ != nullptr)
        std::fclose(file_);
}

bool LineReader::next(std::string_view& line)
{
    errno = 0;
    const ssize_t length = ::getline(&buffer_, &capacity_, file_);
    if (length < 0) {
        if (std::ferror(file_))
            throw ConvertError("cannot read " + path_ + " after line " + std::to_string(line_number_) +
                               ": " + std::strerror(errno));
        return false;
    }
    ++line_number_;
    std::size_t size = static_cast<std::size_t>(length);
    if (size > 0 && buffer_[size - 1] == '\n')
        --size;
    if (size > 0 && buffer_[size - 1] == '\r')
        --size;
    line = std::string_view(buffer_, size);
    return true;
}

void split_blanks(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == n)
            return;
        const std::size_t start = i;
        while (i < n && line[i] != ' ' && line[i] != '\t')
            ++i;
        fields.push_back(line.substr(start, i - start));
    }
}

void split_tabs(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

void split_record(const LineReader& reader, std::string_view line, std::size_t expected,
                  const char* layout, std::vector<std::string_view>& fields)
{
    split_blanks(line, fields);
    if (fields.empty())
        throw ConvertError(at_line(reader.path(), reader.line_number()) +
                           ": blank line; remove blank lines from the file");
    if (fields.size() != expected)
        throw ConvertError(at_line(reader.path(), reader.line_number()) + ": expected " +
                           std::to_string(expected) + " fields (" + layout + "), found " +
                           std::to_string(fields.size()));
}

} // namespace convert
