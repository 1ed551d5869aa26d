#include "marker_files.h"

#include "csvline.h"
#include "numbers.h"

#include <fstream>
#include <limits>

namespace {

std::string at_line(const std::string& path, long line)
{
    return path + " line " + std::to_string(line);
}

ReadOutcome malformed(const std::string& text)
{
    return {ReadStatus::Malformed, text};
}

ReadOutcome too_few_fields(const std::string& path, long line, const char* layout, std::size_t found)
{
    return malformed(at_line(path, line) + ": expected at least 3 fields (" + layout + "), found " +
                     std::to_string(found));
}

} // namespace

ReadOutcome read_markers(const std::string& path, std::vector<std::int32_t>& positions)
{
    positions.clear();
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
            return too_few_fields(path, line_no, "chromosome, SNP id, position", fields.size());
        std::int32_t position = 0;
        if (!parse_int32(fields[2], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[2] +
                             "' is not a whole number that fits in 32 bits");
        positions.push_back(position);
    }
    if (in.bad())
        return malformed(path + ": read error");
    return {};
}

ReadOutcome read_association_results(const std::string& path, std::size_t snps, PValueList& list)
{
    list = PValueList{};
    std::ifstream in(path);
    if (!in)
        return {ReadStatus::NotFound, {}};
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    long line_no = 1;
    while (std::getline(in, line)) {
        ++line_no;
        if (list.pvalues.size() == snps)
            return malformed(at_line(path, line_no) + ": one data line more than the " + std::to_string(snps) +
                             " SNPs of the marker file; each line must belong to one SNP, in the same order");
        split_fields(fields, line);
        if (fields.size() < 3)
            return too_few_fields(path, line_no, "SNP id, position, p-value", fields.size());
        bool is_number = false;
        const double p = atof_checked(fields[2], is_number);
        if (!is_number)
            ++list.nonnumeric_pvalues;
        list.pvalues.push_back(is_number ? static_cast<float>(p) : std::numeric_limits<float>::quiet_NaN());
    }
    if (in.bad())
        return malformed(path + ": read error");
    if (list.pvalues.size() < snps)
        return malformed(at_line(path, line_no + 1) + ": missing; the file holds " +
                         std::to_string(list.pvalues.size()) + " data lines, but the marker file has " +
                         std::to_string(snps) + " SNPs");
    return {};
}
