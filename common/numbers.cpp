#include "numbers.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

bool only_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    return *p == '\0';
}

} // namespace

bool parse_int32(const std::string& text, std::int32_t& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || !only_blanks(end))
        return false;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool parse_double(const std::string& text, double& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin || !only_blanks(end))
        return false;
    value = v;
    return true;
}

double atof_checked(const std::string& text, bool& is_number)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    is_number = end != begin;
    return v;
}
