#include "loaded_chromosome.h"
#include "parallel.h"
#include "runs.h"
#include "table_format.h"

namespace analysis {

RegionCells region_cells(const RegionResult& r)
{
    RegionCells cells;
    cells.status = state_name(r.state);
    if (unevaluated(r.state))
        return cells;
    cells.nsnps = r.nsnps;
    if (r.has_top) {
        cells.top_snp = r.top_snp;
        cells.top_p = r.top_p;
    }
    if (r.state == RegionState::Ok) {
        cells.ncritical = r.ncritical;
        cells.nsignificant = r.nsignificant;
        cells.regional_p = r.regional_p;
    }
    return cells;
}

Status run_genes(TableSource& source, const std::vector<GeneEntry>& genes, const AnalysisSettings& settings,
                 int threads, const RunHooks& hooks, RunLog& log, RunTally& tally)
{
    LoadedChromosome loaded(source, log, tally);
    const std::size_t batch_size = 16 * static_cast<std::size_t>(threads < 1 ? 1 : threads);
    const long total = static_cast<long>(genes.size());
    std::size_t next = 0;
    while (next < genes.size()) {
        // A batch: consecutive genes on one chromosome.
        const std::string chromosome = source.name_of(genes[next].chromosome);
        std::size_t stop = next + 1;
        while (stop < genes.size() && stop - next < batch_size &&
               source.name_of(genes[stop].chromosome) == chromosome)
            ++stop;
        RegionState failed = RegionState::Ok;
        const ChromosomeTable* table = loaded.get(chromosome, failed);
        std::vector<RegionResult> results(stop - next);
        if (table != nullptr)
            parallel_for(results.size(), threads, [&](std::size_t k) {
                const GeneEntry& gene = genes[next + k];
                results[k] = evaluate_gene_region(*table, gene.start, gene.end, settings);
            });
        for (std::size_t k = 0; k < results.size(); ++k) {
            const GeneEntry& gene = genes[next + k];
            if (table == nullptr)
                results[k].state = failed;
            GeneRow row;
            row.chromosome = chromosome;
            row.start = gene.start;
            row.end = gene.end;
            row.name = gene.name;
            row.id = gene.id;
            row.cells = region_cells(results[k]);
            ++tally.statuses[row.cells.status];
            if (unevaluated(results[k].state))
                tally.unevaluated.push_back(gene.name + " (chromosome " + chromosome + ", " + row.cells.status + ")");
            const Status written = hooks.row(gene_line(row));
            if (!written)
                return written;
        }
        next = stop;
        if (hooks.progress)
            hooks.progress(static_cast<long>(next), total);
    }
    return {};
}

} // namespace analysis
