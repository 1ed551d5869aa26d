#include "window_inputs.h"

#include "cli.h"
#include "csvline.h"
#include "marker_files.h"
#include "reference_files.h"
#include "window_scan.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <utility>

namespace window_scan {

namespace {

int missing(const char* message)
{
    std::cout << message << std::endl;
    return kExitFailure;
}

int refused(const std::string& program, const std::string& message)
{
    std::cerr << program << ": " << message << "\n";
    return kExitFailure;
}

int no_snps(const std::string& program, const std::string& path)
{
    return refused(program, path + " line 2: no SNP lines after the header; there is nothing to scan");
}

void report_nonnumeric(const std::string& program, const std::string& path, long count)
{
    if (count > 0)
        std::cerr << program << ": " << path << ": " << count << " p-values are not numbers and count as no hit\n";
}

[[noreturn]] void cannot_open_codes()
{
    std::printf("cannot open input file %s", "haplotype");
    std::fflush(stdout);
    std::exit(kExitFailure);
}

} // namespace

int load_markers(const std::string& program, const std::string& path, std::vector<std::int32_t>& positions)
{
    const ReadOutcome read = read_markers(path, positions);
    if (read.status == ReadStatus::NotFound)
        return missing("Input file not found");
    if (read.status == ReadStatus::Malformed)
        return refused(program, read.message);
    if (positions.empty())
        return no_snps(program, path);
    return kGoOn;
}

int load_association_hits(const std::string& program, const std::string& path, std::size_t snps, double alpha,
                          std::vector<float>& hits)
{
    PValueList list;
    const ReadOutcome read = read_association_results(path, snps, list);
    if (read.status == ReadStatus::NotFound)
        return missing("File snptest not found");
    if (read.status == ReadStatus::Malformed)
        return refused(program, read.message);
    report_nonnumeric(program, path, list.nonnumeric_pvalues);
    hits = window_hits(list.pvalues, alpha);
    return kGoOn;
}

int load_snp_table(const std::string& program, const std::string& path, double alpha,
                   std::vector<std::int32_t>& positions, std::vector<float>& hits)
{
    LegendTable table;
    const ReadOutcome read = read_legend(path, table);
    if (read.status == ReadStatus::NotFound)
        return missing("Input file not found");
    if (read.status == ReadStatus::Malformed)
        return refused(program, read.message);
    if (table.positions.empty())
        return no_snps(program, path);
    report_nonnumeric(program, path, table.nonnumeric_pvalues);
    positions = std::move(table.positions);
    hits = window_hits(table.pvalues, alpha);
    return kGoOn;
}

namespace {

// Reads the codes, handing each checked row to `store`.
int read_codes(const std::string& program, const std::string& path, int leading_fields, std::size_t snps,
               Progress progress, const std::function<void(int samples)>& prepare, const GenotypeRowSink& store)
{
    int samples = 0;
    // One leading field is the layout transpose writes: its header is split
    // like its rows.
    const ReadOutcome header =
        read_genotype_header(path, leading_fields, samples, leading_fields == 1 ? split_blank_runs : split_fields);
    if (header.status == ReadStatus::NotFound)
        return missing("File genotype not found");
    if (header.status == ReadStatus::Malformed)
        return refused(program, header.message);

    std::FILE* probe = std::fopen(path.c_str(), "r");
    if (!probe)
        cannot_open_codes();
    std::fclose(probe);

    const bool print = progress == Progress::Print;
    if (print)
        std::cout << "number of sample and genoposition " << samples << " " << snps << std::endl;
    prepare(samples);
    std::size_t row = 0;
    const ReadOutcome rows = read_genotype_rows(path, leading_fields, snps, samples, [&](const std::int32_t* codes) {
        store(codes);
        if (print)
            std::cout << row << std::endl;
        ++row;
    });
    if (rows.status == ReadStatus::NotFound)
        cannot_open_codes();
    if (rows.status == ReadStatus::Malformed)
        return refused(program, rows.message);
    if (print)
        std::cout << samples << " " << snps << std::endl;
    return kGoOn;
}

} // namespace

int load_codes(const std::string& program, const std::string& path, int leading_fields, std::size_t snps,
               Progress progress, CodeTable& codes)
{
    codes = CodeTable{};
    return read_codes(
        program, path, leading_fields, snps, progress, [&codes](int samples) { codes.samples = samples; },
        [&codes](const std::int32_t* row) { codes.codes.insert(codes.codes.end(), row, row + codes.samples); });
}

int load_codes(const std::string& program, const std::string& path, int leading_fields, std::size_t snps,
               Progress progress, PackedCodes& codes)
{
    return read_codes(
        program, path, leading_fields, snps, progress, [&codes, snps](int samples) {
            codes = PackedCodes(samples);
            codes.reserve(snps);
        },
        [&codes](const std::int32_t* row) { codes.add_row(row); });
}

int load_scan_codes(const std::string& program, const std::string& path, int leading_fields, Progress progress,
                    bool reference, ScanTables& tables)
{
    const std::size_t snps = tables.positions.size();
    return reference ? load_codes(program, path, leading_fields, snps, progress, tables.codes)
                     : load_codes(program, path, leading_fields, snps, progress, tables.packed);
}

} // namespace window_scan
