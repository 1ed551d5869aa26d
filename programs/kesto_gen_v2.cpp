// kesto_gen_v2: sliding-window regional p-values along one stretch of a
// chromosome, from a PLINK data set converted by morrow and transpose.

#include "cli.h"
#include "converters.h"
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

const char* const kProgram = "kesto_gen_v2";

const char* const kUsage =
    "usage: kesto_gen_v2 -b BASE -s ASSOC -o RESULT -l LOG -a ALPHA -v VARSHARE -w WIDTH -t STEP -S START -E END\n"
    "  BASE      genotype data set; morrow -o BASE BASE writes BASE.mk and BASE.gt, then\n"
    "            transpose BASE.gt writes BASE.tg (converters beside this program, else in\n"
    "            the working folder)\n"
    "  ASSOC     association results: header, then per SNP of BASE.mk, in its order, a line\n"
    "            with the p-value in field 2 (e.g. snp_id, position, pvalue)\n"
    "  RESULT    result file, one row per window\n"
    "  LOG       log file: the converter summary, one line per window, the running time\n"
    "  ALPHA     p-value threshold of a SNP hit, from 0 to 1\n"
    "  VARSHARE  share of LD variance the kept components explain, from 0 to 1\n"
    "  WIDTH     window width in base pairs, at least 1\n"
    "  STEP      distance between window starts in base pairs, at least 1\n"
    "  START     first position scanned, or -1 for the first SNP\n"
    "  END       end of the scanned stretch, or -1 for the last SNP\n"
    "example (run where scan_chr1.bed/.bim/.fam are):\n"
    "  kesto_gen_v2 -b scan_chr1 -s scan_chr1_assoc.txt -o scan.out -l scan.log -a 0.05 -v 0.8"
    " -w 100000 -t 50000 -S -1 -E -1\n";

} // namespace

int main(int argc, char** argv)
try {
    const int early = check_command_line(argc, argv, 21, kUsage);
    if (early >= 0)
        return early;
    window_scan::WindowArgs args;
    if (!window_scan::read_window_args(kProgram, argv, args))
        return kExitUsage;
    const std::string base = argv[2];
    const std::string assoc_path = argv[4];
    const std::string log_path = argv[8];
    const std::clock_t started = std::clock();

    RunFiles files;
    for (const std::string& file : window_scan::data_set_files(base))
        files.input("data set file", file);
    files.input("association file", assoc_path);
    files.output("result", argv[6]);
    files.output("log", log_path);
    for (const std::string& file : window_scan::converted_files(base))
        files.output("converted file", file);
    if (const int refused = refuse_clashes(kProgram, files); refused >= 0)
        return refused;

    // Both outputs are held, then emptied, before anything runs; morrow's
    // summary heads the log, the scan's lines follow it.
    ResultWriter results(kProgram, argv[6], ResultWriter::Start::Held);
    ResultWriter log(kProgram, log_path, ResultWriter::Start::Held);
    if (const int failed = empty_all({&results, &log}); failed >= 0)
        return failed;
    FileLock data_set;  // held until the converted files are loaded
    if (const Status prepared = window_scan::prepare_inputs(base, log.fd(), data_set); !prepared.ok()) {
        std::cerr << kProgram << ": " << prepared.message << "\n";
        return exit_code(prepared);
    }

    window_scan::ScanTables tables;
    const bool reference = use_reference_engine();
    const int threads = thread_count(kProgram);
    std::vector<std::string> ids;
    int status = window_scan::load_markers(kProgram, window_scan::marker_file(base), ids, tables.positions);
    if (status == window_scan::kGoOn)
        status = window_scan::load_association_hits(kProgram, assoc_path, ids, args.alpha, tables.hits);
    // The .tg rows come from the converters, in the .mk file's order by
    // construction; the association file is the user's and is checked by id.
    if (status == window_scan::kGoOn)
        status = window_scan::load_scan_codes(kProgram, window_scan::genotype_file(base), 1, nullptr,
                                              window_scan::Progress::Quiet, reference, threads, tables);
    if (status != window_scan::kGoOn)
        return status;
    data_set.release();

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
    std::cerr << "kesto_gen_v2: not enough memory to go on\n";
    return kExitFailure;
}
