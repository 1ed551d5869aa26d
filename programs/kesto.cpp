// kesto: the suite's programs as subcommands with named options.
#include "kesto/subcommands.h"
#include "kesto_prepare_command.h"

#include "cli.h"
#include "shell_quote.h"

#include <CLI/CLI.hpp>

#include <vector>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

std::string command_line(int argc, char** argv)
{
    std::string line = "kesto";
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool plain = word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                  "0123456789-_./=@:,+") == std::string::npos;
        line += " " + (plain && !word.empty() ? word : shell_quote(word));
    }
    return line;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"kesto: regional association tests over linkage disequilibrium", "kesto"};
    app.set_version_flag("--version", std::string("kesto ") + KESTO_VERSION);
    app.require_subcommand(1, 1);
    app.footer("Run 'kesto COMMAND --help' for the options of a command.");

    PrepareCommand prepare;
    CLI::App* prepare_app = register_prepare(app, prepare);
    const std::string line = command_line(argc, argv);
    const std::vector<Subcommand> analyses = {
        add_gene_command(app, line),
        add_pathway_command(app, line),
        add_window_command(app, line),
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version answer with 0; any other problem is a bad command line.
        const int status = app.exit(e);
        return status == 0 ? kExitOk : kExitUsage;
    }
    if (prepare_app->parsed())
        return run_prepare(prepare, line);
    for (const Subcommand& s : analyses)
        if (s.app->parsed())
            return s.run();
    return kExitUsage;
}
