#include "gt_file.h"

#include "convert_error.h"
#include "numbers.h"
#include "text_lines.h"

#include <string_view>

namespace convert {

namespace {

std::string at_field(const LineReader& reader, std::size_t field)
{
    return at_line(reader.path(), reader.line_number()) + ", field " + std::to_string(field);
}

// Checks a SNP id or IID: not empty and without blanks.
void check_label(const LineReader& reader, std::size_t field, std::string_view label, const char* what)
{
    if (label.empty())
        throw ConvertError(at_field(reader, field) + ": empty " + what +
                           " (fields are separated by single tabs)");
    if (label.find(' ') != std::string_view::npos)
        throw ConvertError(at_field(reader, field) + ": " + what + " '" + std::string(label) +
                           "' holds a blank");
}

std::int32_t read_count(const LineReader& reader, std::string_view text, const char* what)
{
    std::int32_t value = 0;
    if (!parse_int32(std::string(text), value) || value <= 0)
        throw ConvertError(at_line(reader.path(), 1) + ": the number of " + what + " '" + std::string(text) +
                           "' is not a whole number above 0");
    return value;
}

// Table value (code + 1) of a code field; 4 when it is not a code.
unsigned code_value(std::string_view field)
{
    if (field.size() == 1 && field[0] >= '0' && field[0] <= '2')
        return static_cast<unsigned>(field[0] - '0') + 1;
    if (field == "-1")
        return 0;
    return 4;
}

} // namespace

GtTable read_gt(const std::string& path)
{
    LineReader reader(path);
    std::vector<std::string_view> fields;
    std::string_view line;
    const std::string not_gt = ": not a genotype file written by morrow (its first line is '#gt', the "
                               "number of individuals and the number of SNPs, separated by tabs)";
    if (!reader.next(line))
        throw ConvertError(path + ": empty file" + not_gt.substr(1));
    split_tabs(line, fields);
    if (fields.size() != 3 || fields[0] != "#gt")
        throw ConvertError(at_line(path, 1) + not_gt);
    const std::size_t n_individuals = static_cast<std::size_t>(read_count(reader, fields[1], "individuals"));
    const std::size_t n_snps = static_cast<std::size_t>(read_count(reader, fields[2], "SNPs"));
    const std::size_t width = 1 + n_snps;

    GtTable table;
    if (!reader.next(line))
        throw ConvertError(path + ": ends after line 1; the file is truncated");
    split_tabs(line, fields);
    if (fields[0] != "individual")
        throw ConvertError(at_line(path, 2) + ": expected the header 'individual' and the SNP ids, found '" +
                           std::string(fields[0]) + "' first");
    if (fields.size() != width)
        throw ConvertError(at_line(path, 2) + ": expected 'individual' and " + std::to_string(n_snps) +
                           " SNP ids (" + std::to_string(width) + " fields), found " +
                           std::to_string(fields.size()) + " fields");
    table.snp_ids.reserve(n_snps);
    for (std::size_t k = 1; k < width; ++k) {
        check_label(reader, k + 1, fields[k], "SNP id");
        table.snp_ids.emplace_back(fields[k]);
    }

    table.codes = TwoBitMatrix(0, n_snps);
    while (reader.next(line)) {
        if (line.empty())
            throw ConvertError(at_line(path, reader.line_number()) + ": blank line");
        if (table.individuals.size() == n_individuals)
            throw ConvertError(at_line(path, reader.line_number()) + ": more individuals than the " +
                               std::to_string(n_individuals) + " announced on line 1");
        split_tabs(line, fields);
        if (fields.size() != width)
            throw ConvertError(at_line(path, reader.line_number()) + ": expected an IID and " +
                               std::to_string(n_snps) + " codes (" + std::to_string(width) +
                               " fields), found " + std::to_string(fields.size()) + " fields");
        check_label(reader, 1, fields[0], "IID");
        const std::size_t row = table.codes.append_row();
        for (std::size_t k = 1; k < width; ++k) {
            const unsigned value = code_value(fields[k]);
            if (value > 3)
                throw ConvertError(at_field(reader, k + 1) + ": genotype code '" + std::string(fields[k]) +
                                   "' is not one of -1, 0, 1, 2");
            table.codes.set(row, k - 1, value);
        }
        table.individuals.emplace_back(fields[0]);
    }
    if (table.individuals.size() != n_individuals)
        throw ConvertError(path + ": ends after line " + std::to_string(reader.line_number()) + " with " +
                           std::to_string(table.individuals.size()) + " of the " +
                           std::to_string(n_individuals) + " individuals announced on line 1; the file is truncated");
    return table;
}

} // namespace convert
