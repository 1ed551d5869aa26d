#ifndef KESTO_CONVERT_TEXT_LINES_H
#define KESTO_CONVERT_TEXT_LINES_H

#include "line_source.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// Reads a text file line by line through the suite's LineSource (one pass;
// plain, gzip or BGZF; LF, CRLF or a lone CR as line end; a byte-order mark
// dropped), counting lines from 1. The line end is not part of the line; a
// last line without a line end is still a line.
class LineReader {
public:
    // Throws ConvertError when the file cannot be opened.
    explicit LineReader(const std::string& path);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, valid until the following call; false at the end of the
    // file. Throws ConvertError on a read error.
    bool next(std::string_view& line);

    std::size_t line_number() const { return static_cast<std::size_t>(source_.line_number()); }
    const std::string& path() const { return source_.path(); }

private:
    LineSource source_;
};

// Splits on runs of blanks (spaces and tabs); leading and trailing blanks give
// no empty fields. The list is cleared first.
void split_blanks(std::string_view line, std::vector<std::string_view>& fields);

// Splits on single tabs: "a\t\tb" gives three fields, the middle one empty.
void split_tabs(std::string_view line, std::vector<std::string_view>& fields);

// Splits `line` on blanks and checks that there are `expected` fields;
// `layout` names them for the message ("FID IID PAT MAT SEX PHENO"). A blank
// line is refused too.
void split_record(const LineReader& reader, std::string_view line, std::size_t expected,
                  const char* layout, std::vector<std::string_view>& fields);

} // namespace convert

#endif
