// kesto_matrix: sliding-window regional p-values along one stretch of a
// chromosome, from a SNP table and a genotype matrix in the layouts of the
// per-chromosome legend and genotype files.

#include "cli.h"
#include "fast_eigen.h"
#include "file_checks.h"
#include "result_writer.h"
#include "run_options.h"
#include "window_args.h"
#include "window_inputs.h"
#include "window_output.h"
#include "window_scan.h"

#include <ctime>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

const char* const kProgram = "kesto_matrix";

const char* const kUsage =
    "usage: kesto_matrix -s SNPTABLE -g GENOTYPE -o RESULT -l LOG -a ALPHA -v VARSHARE -w WIDTH -t STEP -S START -E END\n"
    "  SNPTABLE  header, then per SNP in position order: id, position, p-value (legend layout)\n"
    "  GENOTYPE  header of 2 + samples fields, then per SNP of SNPTABLE, in its order: two\n"
    "            labels and one code (0, 1, 2, -1 missing) per sample (genotype layout)\n"
    "  RESULT    result file, one row per window\n"
    "  LOG       log file: one line per window, then the running time\n"
    "  ALPHA     p-value threshold of a SNP hit, from 0 to 1\n"
    "  VARSHARE  share of LD variance the kept components explain, from 0 to 1\n"
    "  WIDTH     window width in base pairs, at least 1\n"
    "  STEP      distance between window starts in base pairs, at least 1\n"
    "  START     first position scanned, or -1 for the first SNP\n"
    "  END       end of the scanned stretch, or -1 for the last SNP\n"
    "example:\n"
    "  kesto_matrix -s examples/legend_chr1.txt -g examples/genotype_chr1.txt -o matrix.out -l matrix.log"
    " -a 0.05 -v 0.8 -w 100000 -t 50000 -S -1 -E -1\n";

} // namespace

int main(int argc, char** argv)
try {
    const int early = check_command_line(argc, argv, 21, kUsage);
    if (early >= 0)
        return early;
    window_scan::WindowArgs args;
    if (!window_scan::read_window_args(kProgram, argv, args))
        return kExitUsage;
    const std::string table_path = argv[2];
    const std::string genotype_path = argv[4];
    const std::clock_t started = std::clock();

    RunFiles files;
    files.input("SNP table", table_path);
    files.input("genotype file", genotype_path);
    files.output("result", argv[6]);
    files.output("log", argv[8]);
    if (const int refused = refuse_clashes(kProgram, files); refused >= 0)
        return refused;
    ResultWriter results(kProgram, argv[6], ResultWriter::Start::Held);
    ResultWriter log(kProgram, argv[8], ResultWriter::Start::Held);
    if (const int failed = empty_all({&results, &log}); failed >= 0)
        return failed;

    window_scan::ScanTables tables;
    std::vector<std::string> ids;
    int status =
        window_scan::load_snp_table(kProgram, table_path, args.alpha, ids, tables.positions, tables.hits);
    if (status != window_scan::kGoOn)
        return status;
    std::cout << tables.positions.size() << std::endl;
    const bool reference = use_reference_engine();
    const int threads = thread_count(kProgram);
    status = window_scan::load_scan_codes(kProgram, genotype_path, 2, &ids, window_scan::Progress::Print, reference,
                                          threads, tables);
    if (status != window_scan::kGoOn)
        return status;

    window_scan::ScanSettings settings = window_scan::scan_settings(args, tables.positions);
    settings.reference = reference;
    settings.threads = threads;
    settings.eigen = eigen_method(kProgram);
    if (settings.eigen == EigenMethod::Fast) {
        const Status lapack = prepare_fast_eigen();
        if (!lapack.ok()) {
            std::cerr << kProgram << ": " << lapack.message << "; using the exact eigen path\n";
            settings.eigen = EigenMethod::Exact;
        }
    }
    return window_scan::write_scan(tables, settings, results, log, started) ? kExitOk : kExitFailure;
} catch (const std::bad_alloc&) {
    // A region or window too large for memory: the rows written so far are
    // whole, and the run says why it stopped.
    std::cerr << "kesto_matrix: not enough memory to go on\n";
    return kExitFailure;
}
