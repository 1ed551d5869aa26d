#include "text_lines.h"

#include "convert_error.h"

namespace convert {

LineReader::LineReader(const std::string& path)
{
    const Status opened = source_.open(path);
    if (!opened.ok())
        throw ConvertError("cannot open " + opened.message);
}

bool LineReader::next(std::string_view& line)
{
    if (source_.next(line))
        return true;
    if (!source_.status().ok())
        throw ConvertError("cannot read " + source_.status().message);
    return false;
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
