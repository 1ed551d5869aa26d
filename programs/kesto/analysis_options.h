#ifndef KESTO_PROGRAMS_KESTO_ANALYSIS_OPTIONS_H
#define KESTO_PROGRAMS_KESTO_ANALYSIS_OPTIONS_H

#include "chromosome_table.h"
#include "run_log.h"
#include "settings.h"
#include "sumstats_choice.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The options the three analysis subcommands share: the inputs, the
// output prefix and the run settings.
struct AnalysisOptions {
    std::string bfile;
    std::string vcf;
    std::string sumstats;
    SumstatsChoice sumstats_layout;  // --format, --col-*
    std::string keep;
    std::string legend_prefix;
    std::string genotype_prefix;
    std::string out;
    std::vector<std::string> chromosomes;  // --chr, in their file-name form
    analysis::AnalysisSettings settings;
    std::int64_t flank = -1;  // --flank: both sides
    int threads = 0;          // 0: the cores the job may use (usable_cores)
    bool quiet = false;
    bool drop_ambiguous = false;
    bool allow_build_mismatch = false;

    // The report of the SNPs left out on the direct road.
    std::string excluded_path() const { return out + ".excluded.tsv.gz"; }
    bool direct() const { return legend_prefix.empty(); }
};

// A file a run reads, with the role it plays ("gene list", ...), for the
// message of a clash: path, role.
using FileRole = std::pair<std::string, std::string>;

// Adds the shared options to a subcommand; `with_flank` adds --flank,
// --flank-up and --flank-down.
void add_analysis_options(CLI::App& command, AnalysisOptions& options, bool with_flank);

// Checks what CLI11 cannot (one reference, no --sumstats beside prepared
// files, ...) and settles the defaults. Usage status with a message.
Status settle_options(AnalysisOptions& options);

// The reference and summary statistics as a source of chromosome tables.
Status open_source(const AnalysisOptions& options, std::unique_ptr<analysis::TableSource>& source);

// Input files of the reference for the clash check.
std::vector<FileRole> reference_inputs(const AnalysisOptions& options, const analysis::TableSource* source);

// Log lines of the shared settings.
void log_settings(const AnalysisOptions& options, RunLog& log, bool with_flank);

// Whether a chromosome name passes --chr (all pass when it was not given).
bool chromosome_selected(const AnalysisOptions& options, const std::string& chromosome);

// Warns in the log about each --chr chromosome on which none of `genes`
// (those kept) lies: a typing slip would otherwise give a table without
// its rows and exit 0.
void warn_chromosomes_without_genes(const AnalysisOptions& options, const analysis::TableSource& source,
                                    const std::string& gene_file, const std::vector<GeneEntry>& genes, RunLog& log);

#endif
