#include "analysis_session.h"

#include "file_identity.h"
#include "progress.h"
#include "table_file.h"

#include <chrono>
#include <ctime>
#include <iostream>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

std::string now_text()
{
    const std::time_t t = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&t));
    return text;
}

// At most this many unevaluated rows are named one by one in the log.
constexpr std::size_t kNamedInLog = 50;

} // namespace

int run_session(const std::string& command_line, AnalysisOptions& options, const SessionPlan& plan)
{
    // The run's clock starts before the inputs are read: reading the summary
    // statistics can be a good part of a run.
    const auto started = std::chrono::steady_clock::now();
    const std::string started_text = now_text();
    const std::string program = "kesto " + plan.command;
    const auto fail = [&program](const Status& status) {
        std::cerr << program << ": " << status.message << "\n";
        return exit_code(status);
    };
    Status status = settle_options(options);
    if (!status)
        return fail(status);
    const std::string table_path = options.out + "." + plan.table + ".tsv";
    const std::string log_path = options.out + ".log";
    // Every input against every output: first those named on the command
    // line, before the summary statistics are read (which can take a while),
    // then with the files the source found (per-chromosome sets).
    const auto check_files = [&](const analysis::TableSource* source) {
        std::vector<FileRole> inputs = plan.inputs;
        for (const FileRole& input : reference_inputs(options, source))
            inputs.push_back(input);
        RunFiles files;
        for (const FileRole& input : inputs)
            files.input(input.second, input.first);
        files.output("result table", table_path);
        files.output("log", log_path);
        if (options.direct())
            files.output("report of left-out SNPs", options.excluded_path());
        return files.check();
    };
    status = check_files(nullptr);
    if (!status)
        return fail(status);
    std::unique_ptr<analysis::TableSource> source;
    if (!options.quiet && options.direct())
        std::cerr << program << ": reading " << options.sumstats << "\n";
    status = open_source(options, source);
    if (!status)
        return fail(status);
    status = check_files(source.get());
    if (!status)
        return fail(status);
    // Both files held before either is emptied: a second run on the same
    // prefix stops here and spoils nothing.
    TableFile table, log_file;
    status = table.open(table_path);
    if (status)
        status = log_file.open(log_path);
    if (status)
        status = table.empty();
    if (status)
        status = log_file.empty();
    if (!status)
        return fail(status);

    RunLog log;
    log.line("kesto " KESTO_VERSION);
    log.setting("command", command_line);
    log.setting("started", started_text);
    for (const std::string& line : source->describe())
        log.line(line);
    for (const auto& [kind, text] : source->warnings())
        log.warn(kind, text);
    log_settings(options, log, plan.with_flank);
    if (plan.log_settings)
        plan.log_settings(log);

    status = table.write(plan.header);
    if (!status)
        return fail(status);

    Progress progress(Progress::mode_for_stderr(options.quiet), program, plan.unit);
    analysis::RunHooks hooks;
    hooks.row = [&table](const std::string& line) { return table.write(line); };
    hooks.progress = [&progress](long done, long total) { progress.update(done, total); };
    analysis::RunTally tally;
    status = plan.body(*source, hooks, log, tally);
    progress.finish();
    for (const auto& [kind, text] : source->closing_warnings())
        log.warn(kind, text);
    if (status)
        status = table.close();

    std::vector<std::string> closing = source->report();
    long rows = 0;
    std::string summary;
    for (const auto& [word, count] : tally.statuses) {
        rows += count;
        closing.push_back("rows " + word + ": " + std::to_string(count));
        summary += (summary.empty() ? "" : ", ") + std::to_string(count) + " " + word;
    }
    closing.push_back("rows written: " + std::to_string(rows));
    closing.push_back("chromosome loads: " + std::to_string(tally.chromosome_loads));
    for (std::size_t i = 0; i < tally.unevaluated.size() && i < kNamedInLog; ++i)
        closing.push_back("not evaluated: " + tally.unevaluated[i]);
    if (tally.unevaluated.size() > kNamedInLog)
        closing.push_back("not evaluated: " + std::to_string(tally.unevaluated.size() - kNamedInLog) + " more");
    if (!status)
        closing.push_back("error: " + status.message);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    closing.push_back("run time: " + clock_text(seconds) + " (" + std::to_string(seconds) + " s)");
    Status logged = log.write(log_file, closing);
    if (logged)
        logged = log_file.close();
    if (!status)
        return fail(status);
    if (!logged)
        return fail(logged);

    if (!options.quiet)
        std::cerr << program << ": " << rows << " rows (" << (summary.empty() ? "none" : summary) << ") in "
                  << table_path << "; log in " << log_path << "\n";
    for (const std::string& warning : log.warning_lines())
        std::cerr << program << ": " << warning << "\n";
    if (tally.any_unevaluated()) {
        if (plan.unevaluated_are_chromosomes)
            std::cerr << program << ": " << tally.unevaluated.size() << " chromosome(s) could not be scanned (see "
                      << log_path << ")\n";
        else
            std::cerr << program << ": " << tally.unevaluated.size()
                      << " rows could not be evaluated (see the status column and " << log_path << ")\n";
        return kExitUnevaluated;
    }
    return 0;
}
