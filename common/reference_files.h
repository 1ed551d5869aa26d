#ifndef KESTO_REGION_REFERENCE_FILES_H
#define KESTO_REGION_REFERENCE_FILES_H

#include "code_table.h"
#include "csvline.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// SNP positions and association p-values of one legend file (or SNP table).
struct LegendTable {
    std::vector<std::int32_t> positions;
    std::vector<float> pvalues;   // NaN where the field holds no number
    long nonnumeric_pvalues = 0;  // fields such as NA, empty or text
};

enum class ReadStatus { Ok, NotFound, Malformed };

struct ReadOutcome {
    ReadStatus status = ReadStatus::Ok;
    std::string message;  // for Malformed: names the file and line
};

// Helpers shared by the text readers.
std::string at_line(const std::string& path, long line);
ReadOutcome malformed(const std::string& message);
// "PATH line N: expected at least K fields (LAYOUT), found M".
ReadOutcome too_few_fields(const std::string& path, long line, std::size_t wanted, const char* layout,
                           std::size_t found);
// A p-value field: its single-precision value, or NaN (counted in
// `nonnumeric`) when the field holds no number.
float pvalue_field(const std::string& field, long& nonnumeric);

// Reads a text file whose first line is a header: `visit` gets the fields of
// every further line (split on tab, or on space when a line holds no tab)
// and its line number; a final line without a newline counts. Reading stops
// at the first outcome of `visit` that is not Ok.
// `split` may name another rule (split_blank_runs for the converters' files).
using DataLineVisitor = std::function<ReadOutcome(const std::vector<std::string>& fields, long line_no)>;
using FieldSplitter = void (*)(std::vector<std::string>& fields, const std::string& line);
ReadOutcome read_data_lines(const std::string& path, const DataLineVisitor& visit,
                            FieldSplitter split = split_fields);

// Reads a legend file: a header, then one SNP a line with the position in
// field 1 and the p-value in field 2. A final line without a newline counts.
ReadOutcome read_legend(const std::string& path, LegendTable& table);

// Reads the header of a genotype file; the number of sample columns is the
// field count minus `leading_fields`. The header is split as a legend line,
// or with `split` (split_blank_runs for the .tg that transpose writes, so
// that its header and rows follow one rule).
ReadOutcome read_genotype_header(const std::string& path, int leading_fields, int& samples,
                                 FieldSplitter split = split_fields);

// Called with the index of each genotype row once it has been read.
using RowProgress = std::function<void(std::size_t row)>;

// Reads the first `snps` rows of a genotype file after its header. Each row
// holds `leading_fields` fields (each followed by one tab or space) and then
// exactly `samples` integer codes separated by blanks.
ReadOutcome read_genotype_rows(const std::string& path, int leading_fields, std::size_t snps, int samples,
                               CodeTable& codes, const RowProgress& row_read = nullptr);

// The same reading, handing each row of codes to `sink` as soon as it is
// checked, so that callers can store the codes in their own form.
using GenotypeRowSink = std::function<void(const std::int32_t* row)>;
ReadOutcome read_genotype_rows(const std::string& path, int leading_fields, std::size_t snps, int samples,
                               const GenotypeRowSink& sink);

// Turns p-values into hit indicators: 1 where p < alpha in single precision.
std::vector<float> hits_below(const std::vector<float>& pvalues, float alpha);

#endif
