#ifndef KESTO_IO_BLANK_SPLIT_H
#define KESTO_IO_BLANK_SPLIT_H

#include <cstddef>
#include <string_view>
#include <vector>

// Splits a line into its words, separated by runs of blanks and tabs (as
// PLINK reads its text files), into `out` (cleared first). With `most`, the
// words after the first `most` are not looked for: a caller that needs six
// words knows, when fewer come back, that the line has no more.
void split_on_blanks(std::string_view line, std::vector<std::string_view>& out,
                      std::size_t most = static_cast<std::size_t>(-1));

// Where the first blank or tab at or after `from` is; line.size() if none.
std::size_t find_blank(std::string_view line, std::size_t from);

#endif
