#ifndef KESTO_COMMON_REFERENCE_FILES_H
#define KESTO_COMMON_REFERENCE_FILES_H

#include "code_table.h"
#include "csvline.h"
#include "status.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class LineSource;

// P-value fields that count as no hit, by kind, for the once-per-file report.
struct PValueTally {
    long nonnumeric = 0;    // text that is not wholly one number (NA, 0.5.3, 1e-3abc)
    long out_of_range = 0;  // numbers outside 0 .. 1 (-9, -1, 2.5, inf, nan)

    long total() const { return nonnumeric + out_of_range; }
};

// A p-value field: its single-precision value when the whole field (blanks
// around it allowed) is a number from 0 to 1; otherwise NaN, counted in
// `tally` by kind. NaN is never a hit.
float pvalue_field(const std::string& field, PValueTally& tally);

// "PATH: N p-values are not numbers ..., count as no hit" for a non-zero
// tally; empty when every field was a p-value.
std::string pvalue_report(const std::string& path, const PValueTally& tally);

// SNP ids, positions and p-values of one legend file (or SNP table).
struct LegendTable {
    std::vector<std::string> ids;
    std::vector<std::int32_t> positions;
    std::vector<float> pvalues;  // NaN where the field holds no p-value
    PValueTally tally;
};

// Helpers shared by the text readers.
std::string at_line(const std::string& path, long line);
Status malformed(const std::string& message);
// "PATH line N: expected at least K fields (LAYOUT), found M".
Status too_few_fields(const std::string& path, long line, std::size_t wanted, const char* layout,
                      std::size_t found);

// Reads a text file whose first line is a header: `visit` gets the fields of
// every further line (split on tab, or on space when a line holds no tab)
// and its line number; a final line without a line end counts. Reading stops
// at the first status of `visit` that is not Ok. `split` may name another
// rule (split_blank_runs for the converters' files).
using DataLineVisitor = std::function<Status(const std::vector<std::string>& fields, long line_no)>;
using FieldSplitter = void (*)(std::vector<std::string>& fields, const std::string& line);
Status read_data_lines(const std::string& path, const DataLineVisitor& visit, FieldSplitter split = split_fields);

// Reads a legend file: a header, then one SNP a line with its id in field 0,
// position in field 1 and p-value in field 2. Positions must not go down: a
// file out of position order is Malformed at the first line that goes down.
Status read_legend(const std::string& path, LegendTable& table);

// Reads a genotype file in one pass from one stream: the header gives the
// sample count (its field count minus `leading_fields`), then come `snps`
// rows of `leading_fields` labels and exactly that many integer codes
// separated by blanks. The header is split as a legend line, or with
// `header_split` (split_blank_runs for the .tg that transpose writes, so that
// its header and rows follow one rule). When `ids` is given, the first label of row i must be
// ids[i]. `samples_known` is called once the header is read; `sink` gets each
// row of codes once it is checked.
struct GenotypeReading {
    int leading_fields = 2;
    FieldSplitter header_split = split_fields;
    std::size_t snps = 0;
    const std::vector<std::string>* ids = nullptr;
    std::function<void(int samples)> samples_known;
    std::function<void(const std::int32_t* row)> sink;
};
Status read_genotypes(const std::string& path, const GenotypeReading& reading);

// The steps of read_genotypes, for readers that parse rows on other threads.
// Opens the file and reads its header (calling samples_known).
Status open_genotype_rows(const std::string& path, const GenotypeReading& reading, LineSource& source, int& samples);
// Checks row `snp` (line `line_no`) and writes its codes into `codes`.
Status parse_genotype_row(const std::string& path, long line_no, std::string_view line, std::size_t snp,
                          const GenotypeReading& reading, int samples, std::vector<std::int32_t>& codes);
// Why the rows stop after `snp` of `snps`: the source's read error, or the file's end.
Status genotype_rows_end_early(const std::string& path, const LineSource& source, std::size_t snp, std::size_t snps);
// The rows do not fit in memory.
Status genotype_memory_problem(const std::string& path, const GenotypeReading& reading, int samples);

// The same reading into a table of one int per code.
Status read_genotype_table(const std::string& path, int leading_fields, std::size_t snps,
                           const std::vector<std::string>* ids, CodeTable& codes);

#endif
