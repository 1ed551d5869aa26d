#include "overlapped_consumer.h"
#include "runs.h"
#include "table_format.h"

#include <algorithm>
#include <set>

namespace analysis {

namespace {

// Scans each chromosome the source hands over and writes its windows.
class WindowRun : public ChromosomeConsumer {
public:
    WindowRun(const std::vector<std::string>& chromosomes, const WindowLayout& layout,
              const AnalysisSettings& settings, int threads, const RunHooks& hooks, RunLog& log, RunTally& tally)
        : wanted_(chromosomes.begin(), chromosomes.end()), layout_(layout), settings_(settings),
          threads_(threads < 1 ? 1 : threads), hooks_(hooks), log_(log), tally_(tally)
    {
    }

    bool wants(const std::string& chromosome) const override
    {
        return wanted_.empty() || wanted_.count(chromosome) > 0;
    }

    Status take(ChromosomeTable& table) override
    {
        ++tally_.chromosome_loads;
        seen_.insert(table.chromosome);
        note_pvalues(log_, table);
        ChromosomeWindows windows(table, settings_, layout_, threads_);
        // The total is known one chromosome at a time: progress counts the
        // windows of the chromosomes seen so far.
        total_ += static_cast<long>(windows.count());
        if (windows.count() == 0)
            log_.warn("no window " + table.chromosome,
                      "chromosome " + table.chromosome + ": the stretch scanned (" +
                          std::to_string(windows.stretch().start) + " to " + std::to_string(windows.stretch().end) +
                          ") holds no window of width " + std::to_string(layout_.width) + "; none written");
        const std::int64_t batch = 8 * static_cast<std::int64_t>(threads_);
        for (std::int64_t w = 0; w < windows.count(); w += batch) {
            const std::int64_t count = std::min(batch, windows.count() - w);
            for (const WindowResult& result : windows.windows(w, count)) {
                WindowRow row;
                row.chromosome = table.chromosome;
                row.start = result.start;
                row.end = result.end;
                row.cells = region_cells(result.result);
                ++tally_.statuses[row.cells.status];
                const Status written = hooks_.row(window_line(row));
                if (!written)
                    return written;
            }
            done_ += static_cast<long>(count);
            if (hooks_.progress)
                hooks_.progress(done_, total_);
        }
        return {};
    }

    Status unreadable(const std::string& chromosome, const std::string& message) override
    {
        seen_.insert(chromosome);
        note_unreadable(log_, chromosome, message);
        tally_.unevaluated.push_back("chromosome " + chromosome + " (" + state_name(RegionState::BadReference) + ")");
        return {};
    }

    // Chromosomes asked for with --chr that the reference does not hold.
    void finish(const TableSource& source)
    {
        for (const std::string& chromosome : wanted_)
            if (seen_.count(chromosome) == 0) {
                note_missing(log_, source, chromosome);
                tally_.unevaluated.push_back("chromosome " + chromosome + " (" +
                                             state_name(RegionState::ReferenceMissing) + ")");
            }
    }

private:
    std::set<std::string> wanted_;
    const WindowLayout& layout_;
    const AnalysisSettings& settings_;
    int threads_;
    const RunHooks& hooks_;
    RunLog& log_;
    RunTally& tally_;
    std::set<std::string> seen_;
    long done_ = 0;
    long total_ = 0;
};

} // namespace

Status run_windows(TableSource& source, const std::vector<std::string>& chromosomes, const WindowLayout& layout,
                   const AnalysisSettings& settings, int threads, const RunHooks& hooks, RunLog& log,
                   RunTally& tally)
{
    WindowRun run(chromosomes, layout, settings, threads, hooks, log, tally);
    const Status fed = feed_overlapped(source, run, threads > 1);
    if (!fed)
        return fed;
    run.finish(source);
    return {};
}

} // namespace analysis
