#ifndef KESTO_COMMON_NUMBERS_H
#define KESTO_COMMON_NUMBERS_H

#include <cstdint>
#include <string>

// Strict conversions for values whose misreading would silently change a
// result: the whole text (surrounding blanks allowed) must be one number.
bool parse_int32(const std::string& text, std::int32_t& value);
bool parse_double(const std::string& text, double& value);

// atof with a report of whether any number was found at the start of the text
// ("NA", "" and "-" are not numbers; "nan" is).
double atof_checked(const std::string& text, bool& is_number);

#endif
