// The line splitter and the number parsers applied to its fields.

#include "csvline.h"
#include "fuzz_input.h"
#include "numbers.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    for (const char delimiter : {'\t', ' ', ','}) {
        csvline_populate(fields, line, delimiter);
        FUZZ_CHECK(!fields.empty());
        std::size_t total = 0;
        for (const std::string& f : fields)
            total += f.size();
        FUZZ_CHECK(total <= line.size());
    }
    split_fields(fields, line);
    FUZZ_CHECK(!fields.empty());
    for (const std::string& f : fields) {
        std::int32_t whole = 0;
        double real = 0;
        bool is_number = false;
        if (parse_int32(f, whole)) {
            FUZZ_CHECK(parse_double(f, real));
            FUZZ_CHECK(real == static_cast<double>(whole));
        }
        atof_checked(f, is_number);
        if (parse_double(f, real))
            FUZZ_CHECK(is_number);
    }
    return 0;
}
