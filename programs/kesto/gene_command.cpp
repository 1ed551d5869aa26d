// kesto gene: one regional p-value per gene of a gene list.

#include "analysis_session.h"
#include "gene_list.h"
#include "subcommands.h"
#include "table_format.h"

#include <memory>

namespace {

struct GeneOptions {
    AnalysisOptions common;
    std::string genes;
};

// Reads the gene list, keeping the genes on the chosen chromosomes.
Status read_genes(const AnalysisOptions& options, const analysis::TableSource& source, const std::string& path,
                  RunLog& log, std::vector<GeneEntry>& genes)
{
    std::vector<GeneEntry> all;
    std::vector<std::string> notes;
    const Status read = analysis::read_gene_list(path, all, notes);
    if (!read)
        return read;
    for (const std::string& note : notes)
        log.warn("gene list line", note);
    for (GeneEntry& gene : all)
        if (chromosome_selected(options, source.name_of(gene.chromosome)))
            genes.push_back(std::move(gene));
    log.setting("genes read", std::to_string(all.size()) + " (" + std::to_string(genes.size()) +
                                  " on the chosen chromosomes)");
    return {};
}

} // namespace

Subcommand add_gene_command(CLI::App& kesto, const std::string& command_line)
{
    auto options = std::make_shared<GeneOptions>();
    CLI::App* app = kesto.add_subcommand("gene", "one regional p-value per gene");
    app->add_option("--genes", options->genes, "gene list: header, then chromosome, id, start, end, name a line")
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
        plan.log_settings = [options](RunLog& log) { log.setting("gene list", options->genes); };
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
