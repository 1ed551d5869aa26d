#include "marker_files.h"

#include "numbers.h"


ReadOutcome read_markers(const std::string& path, std::vector<std::int32_t>& positions)
{
    positions.clear();
    return read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "chromosome, SNP id, position", fields.size());
        std::int32_t position = 0;
        if (!parse_int32(fields[2], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[2] +
                             "' is not a whole number that fits in 32 bits");
        positions.push_back(position);
        return ReadOutcome{};
    }, split_blank_runs);
}

ReadOutcome read_association_results(const std::string& path, std::size_t snps, PValueList& list)
{
    list = PValueList{};
    long last_line = 1;
    const ReadOutcome outcome = read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        last_line = line_no;
        if (list.pvalues.size() == snps)
            return malformed(at_line(path, line_no) + ": one data line more than the " + std::to_string(snps) +
                             " SNPs of the marker file; each line must belong to one SNP, in the same order");
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "SNP id, position, p-value", fields.size());
        list.pvalues.push_back(pvalue_field(fields[2], list.nonnumeric_pvalues));
        return ReadOutcome{};
    });
    if (outcome.status != ReadStatus::Ok)
        return outcome;
    if (list.pvalues.size() < snps)
        return malformed(at_line(path, last_line + 1) + ": missing; the file holds " +
                         std::to_string(list.pvalues.size()) + " data lines, but the marker file has " +
                         std::to_string(snps) + " SNPs");
    return {};
}
