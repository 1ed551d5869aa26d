// kesto: the suite's named-option interface, one subcommand per task.

#include "kesto/subcommands.h"
#include "shell_quote.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <vector>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

// A word as the shell takes it back: quoted only when it needs to be.
std::string shell_word(const std::string& word)
{
    const bool plain = !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                               "0123456789_-./:=,@%+") == std::string::npos;
    return plain ? word : shell_quote(word);
}

} // namespace

int main(int argc, char** argv)
{
    std::string command_line = "kesto";
    for (int i = 1; i < argc; ++i)
        command_line += " " + shell_word(argv[i]);

    CLI::App app{"kesto: regional association tests over linkage disequilibrium"};
    app.set_version_flag("--version", std::string("kesto ") + KESTO_VERSION);
    app.require_subcommand(1);
    const std::vector<Subcommand> subcommands = {
        add_gene_command(app, command_line),
        add_pathway_command(app, command_line),
        add_window_command(app, command_line),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end well; any other parse problem is a bad
        // command line.
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    for (const Subcommand& s : subcommands)
        if (s.app->parsed())
            return s.run();
    return 2;
}
