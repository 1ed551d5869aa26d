#ifndef KESTO_PROGRAMS_KESTO_ANALYSIS_SESSION_H
#define KESTO_PROGRAMS_KESTO_ANALYSIS_SESSION_H

#include "analysis_options.h"
#include "runs.h"

#include <functional>
#include <string>
#include <vector>

// Exit status of a run whose results were written but some regions could
// not be evaluated (their rows say why; the log names them).
constexpr int kExitUnevaluated = 3;

// What one analysis subcommand adds to the common run.
struct SessionPlan {
    std::string command;             // "gene"
    std::string table;               // "genes": PREFIX.genes.tsv
    const char* header = nullptr;    // the table's header line
    std::string unit;                // what progress counts
    std::vector<FileRole> inputs;    // the subcommand's own input files
    bool with_flank = false;
    // What the tally's unevaluated entries are, when they are not rows of
    // the table (the window scan's are whole chromosomes, which get no row).
    bool unevaluated_are_chromosomes = false;
    std::function<void(RunLog&)> log_settings;
    std::function<Status(analysis::TableSource&, const analysis::RunHooks&, RunLog&, analysis::RunTally&)> body;
};

// Checks the options and the outputs, opens the source, runs the body
// writing rows as they come, writes PREFIX.log and says what happened on
// standard error. Returns the exit status: 0, 3 (some regions not
// evaluated), 1 (failure) or 2 (bad command line, refused output).
int run_session(const std::string& command_line, AnalysisOptions& options, const SessionPlan& plan);

#endif
