#include "reference_files.h"

#include "csvline.h"
#include "numbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <sstream>

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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::string at_line(const std::string& path, long line) { return path + " line " + std::to_string(line); }

ReadOutcome malformed(const std::string& message) { return {ReadStatus::Malformed, message}; }

ReadOutcome too_few_fields(const std::string& path, long line, std::size_t wanted, const char* layout,
                           std::size_t found)
{
    return malformed(at_line(path, line) + ": expected at least " + std::to_string(wanted) + " fields (" + layout +
                     "), found " + std::to_string(found));
}

float pvalue_field(const std::string& field, long& nonnumeric)
{
    bool is_number = false;
    const double p = atof_checked(field, is_number);
    if (!is_number) {
        ++nonnumeric;
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(p);
}

ReadOutcome read_data_lines(const std::string& path, const DataLineVisitor& visit, FieldSplitter split)
{
    std::ifstream in(path);
    if (!in)
        return {ReadStatus::NotFound, {}};
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    long line_no = 1;
    while (std::getline(in, line)) {
        split(fields, line);
        const ReadOutcome outcome = visit(fields, ++line_no);
        if (outcome.status != ReadStatus::Ok)
            return outcome;
    }
    if (in.bad())
        return malformed(path + ": read error");
    return {};
}

ReadOutcome read_legend(const std::string& path, LegendTable& table)
{
    table = LegendTable{};
    return read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "id, position, p-value", fields.size());
        std::int32_t position = 0;
        if (!parse_int32(fields[1], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[1] +
                             "' is not a whole number that fits in 32 bits");
        table.positions.push_back(position);
        table.pvalues.push_back(pvalue_field(fields[2], table.nonnumeric_pvalues));
        return ReadOutcome{};
    });
}

ReadOutcome read_genotype_header(const std::string& path, int leading_fields, int& samples, FieldSplitter split)
{
    std::ifstream in(path);
    if (!in)
        return {ReadStatus::NotFound, {}};
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    split(fields, line);
    samples = static_cast<int>(fields.size()) - leading_fields;
    if (samples < 1)
        return malformed(at_line(path, 1) + ": the header needs " + std::to_string(leading_fields) +
                         " leading fields and at least one sample column, found " +
                         std::to_string(fields.size()) + " fields");
    return {};
}

ReadOutcome read_genotype_rows(const std::string& path, int leading_fields, std::size_t snps, int samples,
                               CodeTable& codes, const RowProgress& row_read)
{
    codes.samples = samples;
    codes.codes.clear();
    const std::size_t row_size = static_cast<std::size_t>(samples);
    std::size_t next = 0;
    return read_genotype_rows(path, leading_fields, snps, samples, [&](const std::int32_t* row) {
        // Room for the whole table is taken only once the first row has as
        // many codes as the header announces: a header with far too many
        // columns must not cost memory before it is found out.
        if (next == 1)
            codes.codes.reserve(snps * row_size);
        codes.codes.insert(codes.codes.end(), row, row + samples);
        if (row_read)
            row_read(next);
        ++next;
    });
}

ReadOutcome read_genotype_rows(const std::string& path, int leading_fields, std::size_t snps, int samples,
                               const GenotypeRowSink& sink)
{
    // The row buffer grows with the codes actually read, not with the count
    // the header announces.
    std::vector<std::int32_t> row_codes;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    if (!file)
        return {ReadStatus::NotFound, {}};
    char* buffer = nullptr;
    std::size_t capacity = 0;
    struct BufferFree {
        char*& p;
        ~BufferFree() { std::free(p); }
    } release{buffer};

    if (getline(&buffer, &capacity, file.get()) < 0)
        return malformed(path + ": no header line");
    for (std::size_t snp = 0; snp < snps; ++snp) {
        const long line_no = static_cast<long>(snp) + 2;
        const ssize_t length = getline(&buffer, &capacity, file.get());
        if (length < 0)
            return malformed(at_line(path, line_no) + ": missing; the file ends after " + std::to_string(snp) +
                             " data rows, but " + std::to_string(snps) + " SNPs need a row each");
        const char* p = buffer;
        const char* end = buffer + length;
        // Leading fields: each runs up to its single tab or space separator.
        for (int f = 0; f < leading_fields; ++f) {
            while (p < end && !is_blank(*p) && *p != '\n')
                ++p;
            if (p >= end || *p == '\n')
                return malformed(at_line(path, line_no) + ": expected " + std::to_string(leading_fields) +
                                 " leading fields before the codes");
            ++p;
        }
        row_codes.clear();
        int count = 0;
        while (true) {
            while (p < end && (is_blank(*p) || *p == '\r' || *p == '\n'))
                ++p;
            if (p >= end)
                break;
            if (count == samples)
                return malformed(at_line(path, line_no) + ": more than the " + std::to_string(samples) +
                                 " codes the header announces");
            // The common case, a single digit followed by a separator, is
            // taken without the general reader.
            if (*p >= '0' && *p <= '9' && p + 1 < end && (is_blank(p[1]) || p[1] == '\n' || p[1] == '\r')) {
                row_codes.push_back(*p - '0');
                ++count;
                p += 2;
                continue;
            }
            const char* stop = nullptr;
            bool too_large = false;
            const long long value = read_whole_number(p, end, stop, too_large);
            if (stop == p || (stop < end && !is_blank(*stop) && *stop != '\r' && *stop != '\n'))
                return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                                 " is not a whole number");
            if (too_large || value < std::numeric_limits<std::int32_t>::min() ||
                value > std::numeric_limits<std::int32_t>::max())
                return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                                 " does not fit in 32 bits");
            row_codes.push_back(static_cast<std::int32_t>(value));
            ++count;
            p = stop;
        }
        if (count != samples)
            return malformed(at_line(path, line_no) + ": " + std::to_string(count) + " codes, but the header announces " +
                             std::to_string(samples));
        try {
            sink(row_codes.data());
        } catch (const std::bad_alloc&) {
            return malformed(path + ": not enough memory for " + std::to_string(snps) + " rows of " +
                             std::to_string(samples) + " codes");
        }
    }
    return {};
}

std::vector<float> hits_below(const std::vector<float>& pvalues, float alpha)
{
    std::vector<float> hits(pvalues.size());
    for (std::size_t i = 0; i < pvalues.size(); ++i)
        hits[i] = pvalues[i] < alpha ? 1.0f : 0.0f;
    return hits;
}
