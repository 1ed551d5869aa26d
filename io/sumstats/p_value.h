#ifndef KESTO_IO_SUMSTATS_P_VALUE_H
#define KESTO_IO_SUMSTATS_P_VALUE_H

#include <string>
#include <string_view>

// The p-value fields of association tables, judged one field at a time.

enum class PState;

// Missing-value codes of the field's tools: NA, ., -9, #NA (GWAS-SSF), empty.
bool is_missing_code(std::string_view field);

// True when the whole field is one decimal number (sign, digits, point,
// exponent; no hexadecimal, no inf or nan); `value` is strtod's reading.
bool parse_decimal(std::string_view field, double& value);
// strtod's reading of a field, the straightforward path of parse_decimal.
double strtod_reading(std::string_view field);

struct PValue {
    PState state;
    double p = 0.0;
    std::string text;        // what a legend gets; empty unless state is Ok
    bool underflow = false;  // the value is below the smallest double: written as "0"
};

// A p-value column: the text is kept as written, except a value below the
// double range (BOLT-LMM writes such), which becomes "0" with underflow set.
void read_p_field(std::string_view field, PValue& out);

// A -log10 p column: p = 10^-x, written as the shortest text that reads back
// as the same double; "0" with underflow set when 10^-x is below the double
// range.
void read_log10p_field(std::string_view field, PValue& out);

// The shortest "%.Ng" text (N = 1..17) that strtod reads back as `value`
// (std::to_chars, general format).
std::string shortest_round_trip(double value);

#endif
