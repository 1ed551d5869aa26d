// kesto window: sliding windows over every chromosome of the reference (or
// those of --chr), in one table.

#include "analysis_session.h"
#include "subcommands.h"
#include "table_format.h"

#include <iostream>
#include <memory>

namespace {

struct WindowOptions {
    AnalysisOptions common;
    analysis::WindowLayout layout;
};

} // namespace

Subcommand add_window_command(CLI::App& kesto, const std::string& command_line)
{
    auto options = std::make_shared<WindowOptions>();
    CLI::App* app = kesto.add_subcommand("window", "sliding-window regional p-values over the reference");
    app->add_option("--width", options->layout.width, "window width in base pairs")
        ->required()
        ->check(CLI::Range(1, 2147483647))
        ->type_name("BP");
    app->add_option("--step", options->layout.step, "distance between window starts in base pairs")
        ->required()
        ->check(CLI::Range(1, 2147483647))
        ->type_name("BP");
    app->add_option("--from", options->layout.from, "first position scanned (default: each chromosome's first SNP)")
        ->check(CLI::NonNegativeNumber)
        ->type_name("BP");
    app->add_option("--to", options->layout.to, "end of the scanned stretch (default: each chromosome's last SNP)")
        ->check(CLI::NonNegativeNumber)
        ->type_name("BP");
    add_analysis_options(*app, options->common, false);
    const auto run = [options, command_line]() {
        const analysis::WindowLayout& given = options->layout;
        if (given.from != window_scan::kDefaultBound && given.to != window_scan::kDefaultBound &&
            given.from > given.to) {
            std::cerr << "kesto window: --from " << given.from << " is after --to " << given.to << "\n";
            return 2;
        }
        SessionPlan plan;
        plan.command = "window";
        plan.table = "windows";
        plan.header = kWindowHeader;
        plan.unit = "windows";
        plan.unevaluated_are_chromosomes = true;
        plan.log_settings = [options](RunLog& log) {
            const analysis::WindowLayout& l = options->layout;
            log.setting("window width", std::to_string(l.width));
            log.setting("window step", std::to_string(l.step));
            if (l.step > l.width)
                log.warn("--step", "the step (" + std::to_string(l.step) + ") is longer than the width (" +
                                       std::to_string(l.width) + "): the SNPs between windows are not scanned");
            log.setting("from", l.from == window_scan::kDefaultBound ? "first SNP" : std::to_string(l.from));
            log.setting("to", l.to == window_scan::kDefaultBound ? "last SNP" : std::to_string(l.to));
        };
        plan.body = [options](analysis::TableSource& source, const analysis::RunHooks& hooks, RunLog& log,
                              analysis::RunTally& tally) {
            return analysis::run_windows(source, options->common.chromosomes, options->layout,
                                         options->common.settings, options->common.threads, hooks, log, tally);
        };
        return run_session(command_line, options->common, plan);
    };
    return {app, run};
}
