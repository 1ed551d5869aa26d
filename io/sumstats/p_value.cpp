#include "p_value.h"

#include "sumstats_reader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

bool is_missing_code(std::string_view field)
{
    return field.empty() || field == "NA" || field == "." || field == "-9" || field == "#NA";
}

bool parse_decimal(std::string_view field, double& value)
{
    std::size_t i = 0;
    const std::size_t n = field.size();
    if (i < n && (field[i] == '+' || field[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && field[i] >= '0' && field[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && field[i] == '.') {
        ++i;
        while (i < n && field[i] >= '0' && field[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (field[i] == 'e' || field[i] == 'E')) {
        ++i;
        if (i < n && (field[i] == '+' || field[i] == '-'))
            ++i;
        std::size_t exponent_digits = 0;
        while (i < n && field[i] >= '0' && field[i] <= '9') {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0)
            return false;
    }
    if (i != n)
        return false;
    // std::from_chars reads the same double as strtod (both round
    // correctly) several times faster; it takes no '+' and leaves values
    // beyond the double range to strtod, whose reading of them is the one kept.
    const char* first = field.data() + (field[0] == '+' ? 1 : 0);
    const std::from_chars_result read = std::from_chars(first, field.data() + n, value);
    if (read.ec == std::errc() && read.ptr == field.data() + n)
        return true;
    value = strtod_reading(field);
    return true;
}

double strtod_reading(std::string_view field)
{
    // strtod needs a terminated string; fields are short.
    char buffer[64];
    std::string long_copy;
    const char* text = buffer;
    if (field.size() < sizeof buffer) {
        field.copy(buffer, field.size());
        buffer[field.size()] = '\0';
    } else {
        long_copy.assign(field);
        text = long_copy.c_str();
    }
    return std::strtod(text, nullptr);
}

namespace {

// A decimal text naming a non-zero value (some digit other than 0 before
// the exponent).
bool names_nonzero(std::string_view field)
{
    for (char c : field) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return true;
    }
    return false;
}

} // namespace

void read_p_field(std::string_view field, PValue& out)
{
    out.text.clear();
    out.underflow = false;
    out.p = 0.0;
    if (is_missing_code(field)) {
        out.state = PState::Missing;
        return;
    }
    double value = 0.0;
    if (!parse_decimal(field, value)) {
        out.state = PState::NotNumber;
        return;
    }
    if (!(value >= 0.0 && value <= 1.0)) {
        out.state = PState::OutOfRange;
        return;
    }
    out.state = PState::Ok;
    out.p = value;
    if (value == 0.0 && names_nonzero(field)) {
        out.underflow = true;
        out.text = "0";
    } else {
        out.text.assign(field);
    }
}

void read_log10p_field(std::string_view field, PValue& out)
{
    out.text.clear();
    out.underflow = false;
    out.p = 0.0;
    if (is_missing_code(field)) {
        out.state = PState::Missing;
        return;
    }
    double x = 0.0;
    if (!parse_decimal(field, x) || std::isnan(x)) {
        out.state = PState::NotNumber;
        return;
    }
    if (x < 0.0) {
        // -0 is p = 1; any other negative value is p > 1.
        if (x != 0.0) {
            out.state = PState::OutOfRange;
            return;
        }
        x = 0.0;
    }
    out.state = PState::Ok;
    out.p = std::isinf(x) ? 0.0 : std::pow(10.0, -x);
    if (out.p == 0.0) {
        out.underflow = true;
        out.text = "0";
    } else {
        out.text = shortest_round_trip(out.p);
    }
}

std::string shortest_round_trip(double value)
{
    // %g style with the fewest digits that read back as the same double.
    char buffer[40];
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general);
    return std::string(buffer, end.ptr);
}
