#include "marker_files.h"

#include "numbers.h"

Status read_markers(const std::string& path, MarkerTable& markers)
{
    markers = MarkerTable{};
    return read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "chromosome, SNP id, position", fields.size());
        std::int32_t position = 0;
        if (!parse_int32(fields[2], position))
            return malformed(at_line(path, line_no) + ": position '" + fields[2] +
                             "' is not a whole number that fits in 32 bits");
        markers.ids.push_back(fields[1]);
        markers.positions.push_back(position);
        return Status{};
    }, split_blank_runs);
}

Status read_association_results(const std::string& path, const std::vector<std::string>& ids, PValueList& list)
{
    list = PValueList{};
    const std::size_t snps = ids.size();
    long last_line = 1;
    Status outcome = read_data_lines(path, [&](const std::vector<std::string>& fields, long line_no) {
        last_line = line_no;
        const std::size_t k = list.pvalues.size();
        if (k == snps)
            return malformed(at_line(path, line_no) + ": one data line more than the " + std::to_string(snps) +
                             " SNPs of the marker file; each line must belong to one SNP, in the same order");
        if (fields.size() < 3)
            return too_few_fields(path, line_no, 3, "SNP id, position, p-value", fields.size());
        if (fields[0] != ids[k])
            return malformed(at_line(path, line_no) + ": SNP id '" + fields[0] + "' where the marker file has " +
                             ids[k] + " (SNP " + std::to_string(k + 1) +
                             "); lines must follow the marker file, one line per SNP in its order");
        list.pvalues.push_back(pvalue_field(fields[2], list.tally));
        return Status{};
    });
    if (!outcome.ok())
        return outcome;
    if (list.pvalues.size() < snps)
        return malformed(at_line(path, last_line + 1) + ": missing; the file holds " +
                         std::to_string(list.pvalues.size()) + " data lines, but the marker file has " +
                         std::to_string(snps) + " SNPs");
    return {};
}
