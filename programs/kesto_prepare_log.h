#ifndef KESTO_PROGRAMS_KESTO_PREPARE_LOG_H
#define KESTO_PROGRAMS_KESTO_PREPARE_LOG_H

#include "genes/gene_locations.h"
#include "genes/gene_sets.h"
#include "preparation.h"
#include "status.h"

#include <string>
#include <vector>

// What a run of kesto prepare did, for prepare.log and the summary.
struct PrepareLog {
    std::string command_line;
    std::string reference_kind;
    std::vector<std::string> reference_files;
    std::size_t all_samples = 0, kept_samples = 0;
    std::string keep_file;
    std::size_t keep_entries = 0;
    std::string keep_warning;  // keep entries that matched nobody, when some did not
    std::string sumstats_file, format;
    bool format_forced = false;
    std::vector<std::string> columns;
    bool by_id = false;
    bool drop_ambiguous = false;
    bool build_possible = false;
    PrepareReport report;
    std::string set_aside;  // rows at no reference site, when some were set aside
    std::string genes_file, gene_sets_file;
    GeneLocationTable genes;
    GeneSetTable gene_sets;
};

Status write_prepare_log(const std::string& path, const PrepareLog& log);

// A few lines for standard error at the end of a run.
std::string summary_text(const PrepareLog& log, const std::string& dir);

#endif
