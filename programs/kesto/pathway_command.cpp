// kesto pathway: one regional p-value per gene set, over the merged regions
// of its member genes.

#include "analysis_session.h"
#include "gene_input.h"
#include "line_source.h"
#include "subcommands.h"
#include "table_format.h"

#include <memory>
#include <set>

namespace {

struct PathwayOptions {
    AnalysisOptions common;
    std::string genes;
    std::string gene_sets;
};

// Gene sets: set id, name (or description), member gene names, a line
// (the pathway-file and GMT layouts alike).
Status read_gene_sets(const std::string& path, RunLog& log, std::vector<PathwayLine>& sets)
{
    LineSource source;
    Status opened = source.open(path);
    if (!opened)
        return opened;
    std::string_view view;
    std::set<std::string> ids;
    while (source.next(view)) {
        PathwayLine set;
        if (!parse_pathway_line(std::string(view), set)) {
            if (!view.empty())
                log.warn("gene set line", source.where() + ": expected at least 2 fields (id, name); line left out");
            continue;
        }
        // Each line gives a row, as written; a table joined by id would
        // meet the id twice, so it is said.
        if (!ids.insert(set.id).second)
            log.warn("gene set id", source.where() + ": gene set " + set.id +
                                        " is listed again; each of its lines gives a row");
        sets.push_back(std::move(set));
    }
    return source.status();
}

} // namespace

Subcommand add_pathway_command(CLI::App& kesto, const std::string& command_line)
{
    auto options = std::make_shared<PathwayOptions>();
    CLI::App* app = kesto.add_subcommand("pathway", "one regional p-value per gene set");
    app->add_option("--genes", options->genes,
                    "genes: kesto gene list (as kesto prepare writes), NCBI/MAGMA gene-loc, BED (with a name "
                    "column), GTF or GFF3; recognised by content, plain or gzip")
        ->required()
        ->group("Inputs")
        ->type_name("FILE");
    app->add_option("--gene-sets", options->gene_sets, "gene sets: id, name, member gene names a line (GMT layout)")
        ->required()
        ->group("Inputs")
        ->type_name("FILE");
    app->add_option("--merge-distance", options->common.settings.merge_distance,
                    "member genes this close (base pairs, each side) form one region")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str()
        ->type_name("BP");
    add_analysis_options(*app, options->common, true);
    const auto run = [options, command_line]() {
        SessionPlan plan;
        plan.command = "pathway";
        plan.table = "pathways";
        plan.header = kPathwayHeader;
        plan.unit = "regions";
        plan.with_flank = true;
        plan.inputs = {{options->genes, "gene list"}, {options->gene_sets, "gene-set file"}};
        plan.log_settings = [options](RunLog& log) {
            log.setting("gene file", options->genes);
            log.setting("gene sets", options->gene_sets);
            log.setting("merge distance", std::to_string(options->common.settings.merge_distance));
        };
        plan.body = [options](analysis::TableSource& source, const analysis::RunHooks& hooks, RunLog& log,
                              analysis::RunTally& tally) {
            analysis::GeneInput input;
            const Status listed = analysis::read_gene_input(options->genes, input);
            if (!listed)
                return listed;
            analysis::log_gene_input(options->genes, input, log);
            std::vector<GeneEntry> genes;
            std::set<std::string> names;
            for (GeneEntry& gene : input.genes) {
                names.insert(gene.name);
                if (chromosome_selected(options->common, source.name_of(gene.chromosome)))
                    genes.push_back(std::move(gene));
            }
            std::vector<PathwayLine> sets;
            const Status read = read_gene_sets(options->gene_sets, log, sets);
            if (!read)
                return read;
            log.setting("genes read", std::to_string(genes.size()));
            warn_chromosomes_without_genes(options->common, source, options->genes, genes, log);
            log.setting("gene sets read", std::to_string(sets.size()));
            return analysis::run_pathways(source, genes, names, sets, options->common.settings, options->common.threads,
                                          hooks, log, tally);
        };
        return run_session(command_line, options->common, plan);
    };
    return {app, run};
}
