#include "reference_files.h"

#include "csvline.h"
#include "numbers.h"

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

std::string at_line(const std::string& path, long line)
{
    std::ostringstream s;
    s << path << " line " << line;
    return s.str();
}

ReadOutcome malformed(const std::string& text)
{
    return {ReadStatus::Malformed, text};
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

ReadOutcome read_legend(const std::string& path, LegendTable& table)
{
    table = LegendTable{};
    std::ifstream in(path);
    if (!in)
        return {ReadStatus::NotFound, {}};
    std::string line;
    if (!std::getline(in, line))
        return {};
    std::vector<std::string> fields;
    long line_no = 1;
    while (std::getline(in, line)) {
        ++line_no;
        split_fields(fields, line);
        if (fields.size() < 3)
            return malformed(at_line(path, line_no) + ": expected at least 3 fields (id, position, p-value), found " +
                             std::to_string(fields.size()));
        std::int32_t position = 0;
        if (!parse_int32(fields[1], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[1] +
                             "' is not a whole number that fits in 32 bits");
        bool is_number = false;
        const double p = atof_checked(fields[2], is_number);
        if (!is_number)
            ++table.nonnumeric_pvalues;
        table.positions.push_back(position);
        table.pvalues.push_back(is_number ? static_cast<float>(p) : std::numeric_limits<float>::quiet_NaN());
    }
    if (in.bad())
        return malformed(path + ": read error");
    return {};
}

ReadOutcome read_genotype_header(const std::string& path, int leading_fields, int& samples)
{
    std::ifstream in(path);
    if (!in)
        return {ReadStatus::NotFound, {}};
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    split_fields(fields, line);
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
        // Room for the whole table is taken only once the first row has as
        // many codes as the header announces: a header with far too many
        // columns must not cost memory before it is found out.
        try {
            if (snp == 1)
                codes.codes.reserve(snps * row_size);
            codes.codes.resize((snp + 1) * row_size);
        } catch (const std::bad_alloc&) {
            return malformed(path + ": not enough memory for " + std::to_string(snps) + " rows of " +
                             std::to_string(samples) + " codes");
        }
        std::int32_t* row = codes.codes.data() + snp * row_size;
        int count = 0;
        while (true) {
            while (p < end && (is_blank(*p) || *p == '\r' || *p == '\n'))
                ++p;
            if (p >= end)
                break;
            char* stop = nullptr;
            errno = 0;
            const long value = std::strtol(p, &stop, 10);
            if (stop == p || (stop < end && !is_blank(*stop) && *stop != '\r' && *stop != '\n'))
                return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                                 " is not a whole number");
            if (errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
                value > std::numeric_limits<std::int32_t>::max())
                return malformed(at_line(path, line_no) + ": code " + std::to_string(count + 1) +
                                 " does not fit in 32 bits");
            if (count == samples)
                return malformed(at_line(path, line_no) + ": more than the " + std::to_string(samples) +
                                 " codes the header announces");
            row[count++] = static_cast<std::int32_t>(value);
            p = stop;
        }
        if (count != samples)
            return malformed(at_line(path, line_no) + ": " + std::to_string(count) + " codes, but the header announces " +
                             std::to_string(samples));
        if (row_read)
            row_read(snp);
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
