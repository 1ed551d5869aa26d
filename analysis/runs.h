#ifndef KESTO_ANALYSIS_RUNS_H
#define KESTO_ANALYSIS_RUNS_H

#include "chromosome_table.h"
#include "gene_table.h"
#include "pathway_line.h"
#include "result_rows.h"
#include "run_log.h"
#include "settings.h"
#include "window_run.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace analysis {

// What a run hands back as it goes: each row as soon as it and every row
// before it are computed (so rows come in input order for any thread count),
// and the regions done so far out of the (estimated) total.
struct RunHooks {
    std::function<Status(const std::string& line)> row;
    std::function<void(long done, long total)> progress;
};

// Counts of a run for its log and exit status.
struct RunTally {
    std::map<std::string, long> statuses;  // rows by status word
    long chromosome_loads = 0;
    std::vector<std::string> unevaluated;  // rows that could not be evaluated, named
    bool any_unevaluated() const { return !unevaluated.empty(); }
};

// One row per gene of `genes`, in their order. The source hands its
// chromosomes over in its own order; each row is written as soon as it and
// the rows before it are done, so a gene list in reference order streams.
Status run_genes(TableSource& source, const std::vector<GeneEntry>& genes, const AnalysisSettings& settings,
                 int threads, const RunHooks& hooks, RunLog& log, RunTally& tally);

// One row per pathway of `pathways`, in their order. Every distinct merged
// region is computed once, chromosome by chromosome; the rows follow.
// `genes` are those on the chromosomes chosen; `listed` names every gene of
// the gene file, so that a member on a chromosome left out is counted as
// found (members_found) and not reported missing from the gene list.
Status run_pathways(TableSource& source, const std::vector<GeneEntry>& genes, const std::set<std::string>& listed,
                    const std::vector<PathwayLine>& pathways, const AnalysisSettings& settings, int threads,
                    const RunHooks& hooks, RunLog& log, RunTally& tally);

// Windows over the chromosomes of the reference (those in `chromosomes`, or
// all when it is empty), in reference order, one table.
Status run_windows(TableSource& source, const std::vector<std::string>& chromosomes, const WindowLayout& layout,
                   const AnalysisSettings& settings, int threads, const RunHooks& hooks, RunLog& log,
                   RunTally& tally);

// The cells a region's result fills.
RegionCells region_cells(const RegionResult& result);

// Log notes shared by the runs: a chromosome that could not be read, one
// the source never handed over, and p-value fields that held no number.
void note_unreadable(RunLog& log, const std::string& chromosome, const std::string& message);
void note_missing(RunLog& log, const TableSource& source, const std::string& chromosome);
void note_pvalues(RunLog& log, const ChromosomeTable& table);

} // namespace analysis

#endif
