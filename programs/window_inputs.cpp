#include "window_inputs.h"

#include "cli.h"
#include "csvline.h"
#include "hit_rule.h"
#include "marker_files.h"
#include "packed_genotype_reading.h"
#include "reference_files.h"

#include <iostream>
#include <utility>

namespace window_scan {

namespace {

// Ends the loading with the fixed line for a missing file, or the reason on
// standard error.
int failed(const std::string& program, const Status& status, const char* missing_line)
{
    if (status.code == StatusCode::NotFound) {
        std::cout << missing_line << std::endl;
        return kExitFailure;
    }
    std::cerr << program << ": " << status.message << "\n";
    return exit_code(status);
}

int no_snps(const std::string& program, const std::string& path)
{
    std::cerr << program << ": " << path << " line 2: no SNP lines after the header; there is nothing to scan\n";
    return kExitFailure;
}

void report_pvalues(const std::string& program, const std::string& path, const PValueTally& tally)
{
    if (tally.total() > 0)
        std::cerr << program << ": " << pvalue_report(path, tally) << "\n";
}

} // namespace

int load_markers(const std::string& program, const std::string& path, std::vector<std::string>& ids,
                 std::vector<std::int32_t>& positions)
{
    MarkerTable markers;
    const Status read = read_markers(path, markers);
    if (!read.ok())
        return failed(program, read, "Input file not found");
    if (markers.positions.empty())
        return no_snps(program, path);
    ids = std::move(markers.ids);
    positions = std::move(markers.positions);
    return kGoOn;
}

int load_association_hits(const std::string& program, const std::string& path, const std::vector<std::string>& ids,
                          double alpha, std::vector<float>& hits)
{
    PValueList list;
    const Status read = read_association_results(path, ids, list);
    if (!read.ok())
        return failed(program, read, "File snptest not found");
    report_pvalues(program, path, list.tally);
    hits = window_hits(list.pvalues, alpha);
    return kGoOn;
}

int load_snp_table(const std::string& program, const std::string& path, double alpha, std::vector<std::string>& ids,
                   std::vector<std::int32_t>& positions, std::vector<float>& hits)
{
    LegendTable table;
    const Status read = read_legend(path, table);
    if (!read.ok())
        return failed(program, read, "Input file not found");
    if (table.positions.empty())
        return no_snps(program, path);
    report_pvalues(program, path, table.tally);
    ids = std::move(table.ids);
    positions = std::move(table.positions);
    hits = window_hits(table.pvalues, alpha);
    return kGoOn;
}

int load_scan_codes(const std::string& program, const std::string& path, int leading_fields,
                    const std::vector<std::string>* ids, Progress progress, bool reference, int threads,
                    ScanTables& tables)
{
    const std::size_t snps = tables.positions.size();
    const bool print = progress == Progress::Print;
    std::size_t row = 0;
    GenotypeReading reading;
    reading.leading_fields = leading_fields;
    // One leading field is the layout transpose writes: its header is split
    // like its rows.
    reading.header_split = leading_fields == 1 ? split_blank_runs : split_fields;
    reading.snps = snps;
    reading.ids = ids;
    reading.samples_known = [&](int samples) {
        if (print)
            std::cout << "number of sample and genoposition " << samples << " " << snps << std::endl;
        if (reference) {
            tables.codes = CodeTable{};
            tables.codes.samples = samples;
        } else {
            tables.packed = PackedCodes(samples);
            tables.packed.reserve(snps);
        }
    };
    // One line per row read. Not flushed one by one: a terminal shows each
    // line as it comes anyway (line buffering), and a file or pipe would
    // otherwise take one write per SNP, most of the reading's time.
    const auto row_done = [print](std::size_t done) {
        if (print)
            std::cout << done << '\n';
    };
    // The reference engine's plain codes; the packed table is filled by
    // read_packed_genotypes.
    reading.sink = [&](const std::int32_t* codes) {
        tables.codes.codes.insert(tables.codes.codes.end(), codes, codes + tables.codes.samples);
        row_done(row++);
    };
    const Status read = reference ? read_genotypes(path, reading)
                                  : read_packed_genotypes(path, reading, threads, tables.packed, row_done);
    if (!read.ok())
        return failed(program, read, "File genotype not found");
    if (print) {
        const int samples = reference ? tables.codes.samples : tables.packed.samples();
        std::cout << samples << " " << snps << std::endl;
    }
    return kGoOn;
}

} // namespace window_scan
