#ifndef KESTO_PROGRAMS_SUMSTATS_CHOICE_H
#define KESTO_PROGRAMS_SUMSTATS_CHOICE_H

#include "sumstats/sumstats_reader.h"

#include <string>

namespace CLI {
class App;
}

// The summary-statistics layout a user may force: --format and the --col-*
// column names, shared by kesto prepare and the analyses.
struct SumstatsChoice {
    std::string format;
    std::string col_id, col_chr, col_pos, col_a1, col_a2, col_p, col_log10p;
};

// Adds --format and --col-* to `command`, in the help group `group`.
void add_sumstats_choice(CLI::App& command, SumstatsChoice& choice, const std::string& group);

// The reader's options for the choice (a format word checked by CLI11).
SumstatsOptions sumstats_options(const SumstatsChoice& choice);

#endif
