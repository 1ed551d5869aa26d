#include "csvline.h"

void csvline_populate(std::vector<std::string>& fields, const std::string& line, char delimiter)
{
    fields.clear();
    std::string field;
    bool in_quotes = false;
    const int length = static_cast<int>(line.size());
    for (int i = 0; i < length && line[i] != '\0'; ++i) {
        const char c = line[i];
        if (!in_quotes && field.empty() && c == '"') {
            in_quotes = true;
        } else if (in_quotes && c == '"') {
            if (i + 1 < length && line[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else {
                in_quotes = false;
            }
        } else if (!in_quotes && c == delimiter) {
            fields.push_back(field);
            field.clear();
        } else if (in_quotes || (c != '\r' && c != '\n')) {
            field.push_back(c);
        } else {
            // A bare CR or LF ends the record; the rest of the line is ignored.
            fields.push_back(field);
            return;
        }
    }
    fields.push_back(field);
}

void split_fields(std::vector<std::string>& fields, const std::string& line)
{
    csvline_populate(fields, line, '\t');
    if (fields.size() == 1)
        csvline_populate(fields, line, ' ');
}

void split_blank_runs(std::vector<std::string>& fields, const std::string& line)
{
    fields.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
            ++i;
        if (i == n)
            return;
        const std::size_t start = i;
        while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n')
            ++i;
        fields.push_back(line.substr(start, i - start));
    }
}
