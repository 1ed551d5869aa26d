#ifndef KESTO_IO_SUMSTATS_READER_H
#define KESTO_IO_SUMSTATS_READER_H

#include "chromosome_names.h"
#include "line_source.h"
#include "status.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The association-result tables of the field's tools, read one row at a time
// into one record layout. The format is recognised from the header line (or
// forced); only what matching needs is kept: id, chromosome, position, the
// two alleles and the p-value.

enum class SumstatsFormat { GwasSsf, Plink2Glm, Plink1Assoc, Regenie, Saige, BoltLmm, Metal, Custom };
const char* format_name(SumstatsFormat format);   // "GWAS-SSF", "PLINK 2 .glm", ...

// Column names for --col-* overrides (Custom), and --format forcing.
struct SumstatsOptions {
    bool force_format = false;
    SumstatsFormat format = SumstatsFormat::Custom;
    std::string col_id, col_chr, col_pos, col_a1, col_a2, col_p, col_log10p;
};

// What the header said: the format recognised and the columns used, for the log.
struct SumstatsLayout {
    SumstatsFormat format = SumstatsFormat::Custom;
    std::vector<std::string> columns_used;  // e.g. {"id=SNP", "chr=CHR", "pos=BP", "p=P"}
    bool has_positions = false;             // METAL has none: match by id
    bool has_ids = false;
    bool log10 = false;                     // p comes from a -log10 p column
    bool comma_separated = false;           // a CSV file (no tab in the header, commas)
};

enum class PState { Ok, Missing, NotNumber, OutOfRange };

struct SumstatsRecord {
    long line = 0;                 // line number in the file
    std::string id;                // may be empty
    std::string chromosome;        // canonical, or empty when not understood
    std::string raw_chromosome;    // as written
    std::int64_t position = -1;    // -1 when the format has none or the field is missing
    std::string allele1, allele2;  // upper case; may be empty (e.g. PLINK 1 .assoc has only A1)
    PState p_state = PState::Ok;
    double p = 0.0;                // valid when p_state == Ok (0 allowed: underflow of -log10 p)
    std::string p_text;            // what prepare writes into the legend: the original text for a
                                   // p column; for -log10 p the shortest round-trip "%.17g" of 10^-x,
                                   // or "0" when that underflows double precision
    bool underflow = false;        // -log10 p too large for a double
};

// Raw lines read in file order, to be parsed on another thread.
struct SumstatsLines {
    std::string text;                // the lines one after the other
    std::vector<std::size_t> ends;   // where each ends in `text`
    long first_line = 0;             // line number of the first
};

// What parsing a batch of lines gave.
struct SumstatsRows {
    std::vector<SumstatsRecord> records;  // in file order
    long rows = 0;                        // records plus rows of other tests
    long other_tests = 0;
    long bad_line = 0;                    // > 0: a row with the wrong number of fields ended the batch
    std::size_t bad_fields = 0;
};

class SumstatsReader {
public:
    Status open(const std::string& path, const SumstatsOptions& options);
    const SumstatsLayout& layout() const { return layout_; }
    const std::string& path() const { return source_.path(); }
    // Next record; false at end or on error (check status()). Rows of a
    // non-additive test (PLINK TEST column != ADD) are skipped and counted.
    bool next(SumstatsRecord& record);
    const Status& status() const { return status_; }
    long skipped_other_tests() const { return skipped_other_tests_; }

    // Rows read so far (records returned plus rows of other tests).
    long rows() const { return rows_; }

    // The rest of the file is read and inflated on a thread of its own (and
    // a BGZF file on `threads` of htslib's): see LineSource::read_ahead.
    void read_ahead(int threads) { source_.read_ahead(threads); }

    // The same rows, read in batches that may be parsed on other threads:
    // next_lines takes up to `count` lines (false at the end or on an
    // error), parse_lines (const, any thread) parses them, and take, called
    // in file order, counts them and ends the run at a bad row. The records
    // are next()'s, in the same order.
    bool next_lines(SumstatsLines& lines, std::size_t count);
    void parse_lines(const SumstatsLines& lines, SumstatsRows& rows) const;
    bool take(const SumstatsRows& rows);

private:
    Status read_header(const SumstatsOptions& options);
    Status fail(const std::string& what);
    enum class RowKind { Record, Blank, OtherTest, FieldCount };
    RowKind parse_row(std::string_view line, long line_number, std::vector<std::string_view>& fields,
                      SumstatsRecord& record) const;
    Status field_count_error(long line_number, std::size_t found) const;
    void split(std::string_view line, std::vector<std::string_view>& fields) const;

    LineSource source_;
    SumstatsLayout layout_;
    Status status_;
    long skipped_other_tests_ = 0;
    long rows_ = 0;
    enum class Separator { Tabs, Blanks, Commas };
    Separator separator_ = Separator::Blanks;
    bool quotes_ = false;  // quotes around fields are dropped
    std::size_t header_fields_ = 0;
    std::vector<std::string_view> fields_;
    // Column indices, -1 when absent.
    int id_ = -1, id_fallback_ = -1, chr_ = -1, pos_ = -1, a1_ = -1, a2_ = -1, p_ = -1, log10p_ = -1, test_ = -1;
};

#endif
