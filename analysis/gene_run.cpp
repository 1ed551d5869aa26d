#include "overlapped_consumer.h"
#include "span_batches.h"
#include "runs.h"
#include "table_format.h"

#include <map>
#include <optional>

namespace analysis {

namespace {

// Evaluates the genes chromosome by chromosome as the source hands them
// over, writing rows in list order as soon as they are complete.
class GeneRun : public ChromosomeConsumer {
public:
    GeneRun(const TableSource& source, const std::vector<GeneEntry>& genes, const AnalysisSettings& settings,
            int threads, const RunHooks& hooks, RunLog& log, RunTally& tally)
        : genes_(genes), settings_(settings), threads_(threads < 1 ? 1 : threads), hooks_(hooks), log_(log),
          tally_(tally), results_(genes.size())
    {
        for (std::size_t i = 0; i < genes.size(); ++i) {
            names_.push_back(source.name_of(genes[i].chromosome));
            by_chromosome_[names_.back()].push_back(i);
        }
    }

    bool wants(const std::string& chromosome) const override { return by_chromosome_.count(chromosome) > 0; }

    Status take(ChromosomeTable& table) override
    {
        ++tally_.chromosome_loads;
        note_pvalues(log_, table);
        const std::vector<std::size_t>& mine = by_chromosome_.at(table.chromosome);
        std::vector<SnpSpan> spans;
        for (std::size_t i : mine)
            spans.push_back(gene_span(table, genes_[i].start, genes_[i].end, settings_));
        std::vector<RegionResult> computed;
        Status written;
        evaluate_spans(table, spans, settings_, threads_, computed, [&](const std::vector<std::size_t>& finished) {
            for (std::size_t k : finished)
                results_[mine[k]] = std::move(computed[k]);
            if (written)
                written = advance(static_cast<long>(finished.size()));
        });
        return written;
    }

    Status unreadable(const std::string& chromosome, const std::string& message) override
    {
        note_unreadable(log_, chromosome, message);
        return settle(chromosome, RegionState::BadReference);
    }

    // Genes on chromosomes the reference never handed over.
    Status finish(const TableSource& source)
    {
        for (const auto& [chromosome, indices] : by_chromosome_)
            if (!results_[indices.front()]) {
                note_missing(log_, source, chromosome);
                const Status written = settle(chromosome, RegionState::ReferenceMissing);
                if (!written)
                    return written;
            }
        return {};
    }

private:
    Status settle(const std::string& chromosome, RegionState state)
    {
        const std::vector<std::size_t>& mine = by_chromosome_.at(chromosome);
        for (std::size_t i : mine) {
            RegionResult r;
            r.state = state;
            results_[i] = r;
        }
        return advance(static_cast<long>(mine.size()));
    }

    // Writes the rows that are now complete up to the first one still open.
    Status advance(long newly_done)
    {
        done_ += newly_done;
        for (; next_ < results_.size() && results_[next_]; ++next_) {
            const GeneEntry& gene = genes_[next_];
            GeneRow row;
            row.chromosome = names_[next_];
            row.start = gene.start;
            row.end = gene.end;
            row.name = gene.name;
            row.id = gene.id;
            row.cells = region_cells(*results_[next_]);
            ++tally_.statuses[row.cells.status];
            if (unevaluated(results_[next_]->state))
                tally_.unevaluated.push_back(gene.name + " (chromosome " + row.chromosome + ", " + row.cells.status +
                                             ")");
            const Status written = hooks_.row(gene_line(row));
            if (!written)
                return written;
        }
        if (hooks_.progress)
            hooks_.progress(done_, static_cast<long>(genes_.size()));
        return {};
    }

    const std::vector<GeneEntry>& genes_;
    const AnalysisSettings& settings_;
    int threads_;
    const RunHooks& hooks_;
    RunLog& log_;
    RunTally& tally_;
    std::vector<std::string> names_;
    std::map<std::string, std::vector<std::size_t>> by_chromosome_;
    std::vector<std::optional<RegionResult>> results_;
    std::size_t next_ = 0;
    long done_ = 0;
};

} // namespace

Status run_genes(TableSource& source, const std::vector<GeneEntry>& genes, const AnalysisSettings& settings,
                 int threads, const RunHooks& hooks, RunLog& log, RunTally& tally)
{
    GeneRun run(source, genes, settings, threads, hooks, log, tally);
    const Status fed = feed_overlapped(source, run, threads > 1);
    if (!fed)
        return fed;
    return run.finish(source);
}

} // namespace analysis
