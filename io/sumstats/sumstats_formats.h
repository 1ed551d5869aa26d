#ifndef KESTO_IO_SUMSTATS_FORMATS_H
#define KESTO_IO_SUMSTATS_FORMATS_H

#include "sumstats_reader.h"

#include <string>
#include <string_view>
#include <vector>

// The column names each tool writes. A name list holds alternatives
// separated by '|', tried in order; names are compared without regard to
// case.
struct FormatColumns {
    SumstatsFormat format;
    const char* signature[6];  // all present => the header is this format (null-terminated list)
    const char* id;
    const char* chr;
    const char* pos;
    const char* a1;
    const char* a2;
    const char* p;
    const char* log10p;
    const char* test;          // several tests per SNP: keep ADD rows
};

// The known formats in the order they are tried (the more specific first).
const std::vector<FormatColumns>& known_formats();
const FormatColumns& columns_of(SumstatsFormat format);

// Index of the first header name equal (any case) to one of the
// alternatives in `names`, or -1.
int find_column(const std::vector<std::string>& header, std::string_view names);

#endif
