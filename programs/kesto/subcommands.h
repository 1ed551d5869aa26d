#ifndef KESTO_PROGRAMS_KESTO_SUBCOMMANDS_H
#define KESTO_PROGRAMS_KESTO_SUBCOMMANDS_H

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

// A subcommand of kesto: its CLI11 parser, and what runs when it was chosen
// (returning the exit status). Each lives in its own file.
struct Subcommand {
    CLI::App* app = nullptr;
    std::function<int()> run;
};

// `command_line` is the whole command line as the shell would take it back,
// for the run's log.
Subcommand add_gene_command(CLI::App& kesto, const std::string& command_line);
Subcommand add_pathway_command(CLI::App& kesto, const std::string& command_line);
Subcommand add_window_command(CLI::App& kesto, const std::string& command_line);

#endif
