// kesto gene: one regional p-value per gene of a gene list.

#include "analysis_session.h"
#include "gene_input.h"
#include "subcommands.h"
#include "table_format.h"

#include <memory>

namespace {

struct GeneOptions {
    AnalysisOptions common;
    std::string genes;
};

// Reads the gene file, keeping the genes on the chosen chromosomes.
Status read_genes(const AnalysisOptions& options, const analysis::TableSource& source, const std::string& path,
                  RunLog& log, std::vector<GeneEntry>& genes)
{
    analysis::GeneInput input;
    const Status read = analysis::read_gene_input(path, input);
    if (!read)
        return read;
    analysis::log_gene_input(path, input, log);
    for (GeneEntry& gene : input.genes)
        if (chromosome_selected(options, source.name_of(gene.chromosome)))
            genes.push_back(std::move(gene));
    log.setting("genes read", std::to_string(input.genes.size()) + " (" + std::to_string(genes.size()) +
                                  " on the chosen chromosomes)");
    warn_chromosomes_without_genes(options, source, path, genes, log);
    return {};
}

} // namespace

Subcommand add_gene_command(CLI::App& kesto, const std::string& command_line)
{
    auto options = std::make_shared<GeneOptions>();
    CLI::App* app = kesto.add_subcommand("gene", "one regional p-value per gene");
    app->add_option("--genes", options->genes,
                    "genes: kesto gene list (as kesto prepare writes), NCBI/MAGMA gene-loc, BED (with a name "
                    "column), GTF or GFF3; recognised by content, plain or gzip")
        ->required()
        ->group("Inputs")
        ->type_name("FILE");
    add_analysis_options(*app, options->common, true);
    const auto run = [options, command_line]() {
        SessionPlan plan;
        plan.command = "gene";
        plan.table = "genes";
        plan.header = kGeneHeader;
        plan.unit = "genes";
        plan.with_flank = true;
        plan.inputs = {{options->genes, "gene list"}};
        plan.log_settings = [options](RunLog& log) { log.setting("gene file", options->genes); };
        plan.body = [options](analysis::TableSource& source, const analysis::RunHooks& hooks, RunLog& log,
                              analysis::RunTally& tally) {
            std::vector<GeneEntry> genes;
            const Status read = read_genes(options->common, source, options->genes, log, genes);
            if (!read)
                return read;
            return analysis::run_genes(source, genes, options->common.settings, options->common.threads, hooks, log,
                                       tally);
        };
        return run_session(command_line, options->common, plan);
    };
    return {app, run};
}
