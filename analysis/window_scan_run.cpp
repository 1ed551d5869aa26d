#include "loaded_chromosome.h"
#include "runs.h"
#include "table_format.h"

#include <algorithm>

namespace analysis {

Status run_windows(TableSource& source, const std::vector<std::string>& chromosomes, const WindowLayout& layout,
                   const AnalysisSettings& settings, int threads, const RunHooks& hooks, RunLog& log,
                   RunTally& tally)
{
    LoadedChromosome loaded(source, log, tally);
    const std::int64_t batch = 8 * static_cast<std::int64_t>(threads < 1 ? 1 : threads);
    long done = 0;
    for (std::size_t c = 0; c < chromosomes.size(); ++c) {
        const std::string& chromosome = chromosomes[c];
        RegionState failed = RegionState::Ok;
        ChromosomeTable* table = loaded.get(chromosome, failed);
        if (table == nullptr) {
            // The windows of a chromosome are unknown without its SNPs.
            tally.unevaluated.push_back("chromosome " + chromosome + " (" + state_name(failed) + ")");
            continue;
        }
        ChromosomeWindows windows(*table, settings, layout, threads);
        // Progress estimate: the chromosomes still to come are taken to hold
        // as many windows as the average one so far.
        const long known = done + static_cast<long>(windows.count());
        const long left = static_cast<long>(chromosomes.size() - c - 1);
        const long total = known + left * (known / static_cast<long>(c + 1));
        for (std::int64_t w = 0; w < windows.count(); w += batch) {
            const std::int64_t count = std::min(batch, windows.count() - w);
            for (const WindowResult& result : windows.windows(w, count)) {
                WindowRow row;
                row.chromosome = chromosome;
                row.start = result.start;
                row.end = result.end;
                row.cells = region_cells(result.result);
                ++tally.statuses[row.cells.status];
                const Status written = hooks.row(window_line(row));
                if (!written)
                    return written;
            }
            done += static_cast<long>(count);
            if (hooks.progress)
                hooks.progress(done, std::max(total, done));
        }
    }
    return {};
}

} // namespace analysis
