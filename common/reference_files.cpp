#include "reference_files.h"

#include "csvline.h"
#include "line_source.h"
#include "numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A decimal whole number at p, read as strtol reads it (an optional sign,
// then digits); `stop` is left where the digits end, at p when there are
// none. Values beyond 64 bits set `too_large`. Genotype files hold hundreds
// of millions of codes, so this avoids the library's locale handling.
long long read_whole_number(const char* p, const char* end, const char*& stop, bool& too_large)
{
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (q < end && (*q == '-' || *q == '+'))
        ++q;
    if (q >= end || *q < '0' || *q > '9') {
        stop = p;
        return 0;
    }
    unsigned long long v = 0;
    for (; q < end && *q >= '0' && *q <= '9'; ++q) {
        if (v > 1000000000000000000ULL)
            too_large = true;
        else
            v = v * 10 + static_cast<unsigned>(*q - '0');
    }
    stop = q;
    return negative ? -static_cast<long long>(v) : static_cast<long long>(v);
}

// A label written in double quotes, as the quote-aware split of a legend
// reads it ("" stands for one quote).
std::string unquoted(std::string_view label)
{
    if (label.size() < 2 || label.front() != '"' || label.back() != '"')
        return std::string(label);
    std::string text;
    for (std::size_t i = 1; i + 1 < label.size(); ++i) {
        text.push_back(label[i]);
        if (label[i] == '"' && label[i + 1] == '"')
            ++i;
    }
    return text;
}

std::string count_text(long n, const char* what) { return std::to_string(n) + " " + what; }

} // namespace

std::string at_line(const std::string& path, long line) { return path + " line " + std::to_string(line); }

Status malformed(const std::string& message) { return {StatusCode::Malformed, message}; }

Status too_few_fields(const std::string& path, long line, std::size_t wanted, const char* layout, std::size_t found)
{
    return malformed(at_line(path, line) + ": expected at least " + std::to_string(wanted) + " fields (" + layout +
                     "), found " + std::to_string(found));
}

float pvalue_field(const std::string& field, PValueTally& tally)
{
    double p = 0;
    if (!parse_double(field, p)) {
        ++tally.nonnumeric;
        return std::numeric_limits<float>::quiet_NaN();
    }
    if (!(p >= 0.0 && p <= 1.0)) {  // NaN among them
        ++tally.out_of_range;
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(p);
}

std::string pvalue_report(const std::string& path, const PValueTally& tally)
{
    if (tally.total() == 0)
        return {};
    if (tally.out_of_range == 0)
        return path + ": " + count_text(tally.nonnumeric, "p-values are not numbers and count as no hit");
    if (tally.nonnumeric == 0)
        return path + ": " + count_text(tally.out_of_range, "p-values lie outside 0..1 and count as no hit");
    return path + ": " + count_text(tally.nonnumeric, "p-values are not numbers and ") +
           count_text(tally.out_of_range, "lie outside 0..1; all count as no hit");
}

Status read_data_lines(const std::string& path, const DataLineVisitor& visit, FieldSplitter split)
{
    LineSource source;
    Status opened = source.open(path, LineSource::kTableLineLimit);
    if (!opened.ok())
        return opened;
    std::string_view view;
    if (!source.next(view))
        return source.status();
    std::string line;
    std::vector<std::string> fields;
    while (source.next(view)) {
        line.assign(view);
        split(fields, line);
        Status visited = visit(fields, source.line_number());
        if (!visited.ok())
            return visited;
    }
    return source.status();
}

Status read_legend(const std::string& path, LegendTable& table)
{
    table = LegendTable{};
    return read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "id, position, p-value", fields.size());
        std::int32_t position = 0;
        if (!parse_int32(fields[1], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[1] +
                             "' is not a whole number that fits in 32 bits");
        if (!table.positions.empty() && position < table.positions.back())
            return malformed(at_line(path, line_no) + ": position " + fields[1] + " of " + fields[0] +
                             " lies below the " + std::to_string(table.positions.back()) +
                             " of the line before; SNPs must be in ascending position order");
        table.ids.push_back(fields[0]);
        table.positions.push_back(position);
        table.pvalues.push_back(pvalue_field(fields[2], table.tally));
        return Status{};
    });
}

Status parse_genotype_row(const std::string& path, long line_no, std::string_view line, std::size_t snp,
                          const GenotypeReading& reading, int samples, std::vector<std::int32_t>& codes)
{
    const char* p = line.data();
    const char* const end = p + line.size();
    // Leading fields: each runs up to its single tab or space separator.
    for (int f = 0; f < reading.leading_fields; ++f) {
        const char* label = p;
        while (p < end && !is_blank(*p))
            ++p;
        if (p >= end)
            return malformed(at_line(path, line_no) + ": expected " + std::to_string(reading.leading_fields) +
                             " leading fields before the codes");
        if (f == 0 && reading.ids != nullptr) {
            const std::string& id = (*reading.ids)[snp];
            const std::string_view found(label, static_cast<std::size_t>(p - label));
            if (found != id && unquoted(found) != id)
                return malformed(at_line(path, line_no) + ": row for SNP " + id + " (SNP " + std::to_string(snp + 1) +
                                 " of the SNP list) is labelled '" + std::string(found) +
                                 "'; rows must follow the SNP list, one row per SNP in its order");
        }
        ++p;
    }
    // Written in place, with room for as many codes as the header announces
    // or the rest of the line can hold (a code and a blank each), whichever
    // is fewer: a header announcing far more codes than the rows hold costs
    // no memory, and no append checks its capacity.
    const std::size_t fit = static_cast<std::size_t>(end - p) / 2 + 1;
    codes.resize(std::min(static_cast<std::size_t>(samples), fit));
    std::int32_t* out = codes.data();
    int count = 0;
    while (true) {
        while (p < end && is_blank(*p))
            ++p;
        if (p >= end)
            break;
        if (count == samples)
            return malformed(at_line(path, line_no) + ": more than the " + std::to_string(samples) +
                             " codes the header announces");
        // The common case, a single digit followed by a separator or the
        // line end, is taken without the general reader.
        if (*p >= '0' && *p <= '9' && (p + 1 == end || is_blank(p[1]))) {
            out[count] = *p - '0';
            ++count;
            p += 2;
            continue;
        }
        const char* stop = nullptr;
        bool too_large = false;
        const long long value = read_whole_number(p, end, stop, too_large);
        if (stop == p || (stop < end && !is_blank(*stop)))
            return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                             " is not a whole number");
        if (too_large || value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                             " does not fit in 32 bits");
        out[count] = static_cast<std::int32_t>(value);
        ++count;
        p = stop;
    }
    if (count != samples)
        return malformed(at_line(path, line_no) + ": " + std::to_string(count) +
                         " codes, but the header announces " + std::to_string(samples));
    return {};
}

Status open_genotype_rows(const std::string& path, const GenotypeReading& reading, LineSource& source, int& samples)
{
    Status opened = source.open(path, LineSource::kGenotypeLineLimit);
    if (!opened.ok())
        return opened;
    std::string_view line;
    // An empty file reads as an empty header, refused below.
    if (!source.next(line) && !source.status().ok())
        return source.status();
    std::vector<std::string> fields;
    reading.header_split(fields, std::string(line));
    samples = static_cast<int>(fields.size()) - reading.leading_fields;
    if (samples < 1)
        return malformed(at_line(path, 1) + ": the header needs " + std::to_string(reading.leading_fields) +
                         " leading fields and at least one sample column, found " + std::to_string(fields.size()) +
                         " fields");
    if (reading.samples_known)
        reading.samples_known(samples);
    return {};
}

Status genotype_rows_end_early(const std::string& path, const LineSource& source, std::size_t snp, std::size_t snps)
{
    if (!source.status().ok())
        return source.status();
    return malformed(at_line(path, static_cast<long>(snp) + 2) + ": missing; the file ends after " +
                     std::to_string(snp) + " data rows, but " + std::to_string(snps) + " SNPs need a row each");
}

Status genotype_memory_problem(const std::string& path, const GenotypeReading& reading, int samples)
{
    return {StatusCode::NoMemory, path + ": not enough memory for " + std::to_string(reading.snps) + " rows of " +
                                      std::to_string(samples) + " codes"};
}

Status read_genotypes(const std::string& path, const GenotypeReading& reading)
{
    LineSource source;
    int samples = 0;
    const Status opened = open_genotype_rows(path, reading, source, samples);
    if (!opened.ok())
        return opened;
    // The row buffer grows with the codes actually read, not with the count
    // the header announces.
    std::vector<std::int32_t> row_codes;
    std::string_view line;
    for (std::size_t snp = 0; snp < reading.snps; ++snp) {
        if (!source.next(line))
            return genotype_rows_end_early(path, source, snp, reading.snps);
        Status row = parse_genotype_row(path, source.line_number(), line, snp, reading, samples, row_codes);
        if (!row.ok())
            return row;
        try {
            reading.sink(row_codes.data());
        } catch (const std::bad_alloc&) {
            return genotype_memory_problem(path, reading, samples);
        }
    }
    return {};
}

Status read_genotype_table(const std::string& path, int leading_fields, std::size_t snps,
                           const std::vector<std::string>* ids, CodeTable& codes)
{
    codes = CodeTable{};
    std::size_t rows = 0;
    GenotypeReading reading;
    reading.leading_fields = leading_fields;
    reading.snps = snps;
    reading.ids = ids;
    reading.samples_known = [&codes](int samples) { codes.samples = samples; };
    reading.sink = [&](const std::int32_t* row) {
        // Room for the whole table is taken only once the first row has as
        // many codes as the header announces: a header with far too many
        // columns must not cost memory before it is found out.
        if (rows == 1)
            codes.codes.reserve(snps * static_cast<std::size_t>(codes.samples));
        codes.codes.insert(codes.codes.end(), row, row + codes.samples);
        ++rows;
    };
    return read_genotypes(path, reading);
}
