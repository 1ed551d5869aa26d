#ifndef KESTO_PROGRAMS_KESTO_PREPARE_COMMAND_H
#define KESTO_PROGRAMS_KESTO_PREPARE_COMMAND_H

#include "sumstats_choice.h"

#include <string>

namespace CLI {
class App;
}

// `kesto prepare`: a reference panel and summary statistics in, the suite's
// per-chromosome legend and genotype files out.
struct PrepareCommand {
    std::string bfile, vcf, keep, sumstats, match = "auto", genes, gene_sets, out;
    SumstatsChoice layout;  // --format, --col-*
    bool drop_ambiguous = false;
    bool allow_build_mismatch = false;
    bool plain = false;
    int threads = 0;  // 0: the cores the job may use (usable_cores)
};

// Adds the subcommand and its options to `app`; the values land in `command`.
CLI::App* register_prepare(CLI::App& app, PrepareCommand& command);

// Runs a parsed command; returns the exit status. `command_line` goes into
// the log.
int run_prepare(const PrepareCommand& command, const std::string& command_line);

#endif
