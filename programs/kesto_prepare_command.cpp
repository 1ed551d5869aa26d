#include "kesto_prepare_command.h"

#include "cli.h"
#include "genes/gene_locations.h"
#include "genes/gene_sets.h"
#include "kesto_prepare_log.h"
#include "output_folder.h"
#include "preparation.h"
#include "progress_meter.h"
#include "reference_sieve.h"
#include "run_options.h"
#include "reference/keep_list.h"
#include "reference/plink_panel.h"
#include "reference/vcf_panel.h"
#include "sumstats/sumstats_reader.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <map>
#include <memory>

namespace {

const char* const kName = "kesto prepare";

int fail(const Status& status)
{
    std::cerr << kName << ": " << status.message << "\n";
    return exit_code(status);
}

int usage(const std::string& message)
{
    std::cerr << kName << ": " << message << "\nRun 'kesto prepare --help' for the options.\n";
    return kExitUsage;
}

} // namespace

CLI::App* register_prepare(CLI::App& app, PrepareCommand& c)
{
    CLI::App* cmd = app.add_subcommand(
        "prepare", "Match summary statistics to a reference panel and write the per-chromosome legend and "
                   "genotype files the analyses read, with a report of every SNP left out.");
    cmd->option_defaults()->group("Reference (one of)");
    CLI::Option* bfile = cmd->add_option("--bfile", c.bfile,
                                         "PLINK 1 binary set PREFIX.bed/.bim/.fam; '@' in PREFIX stands for the "
                                         "chromosome (one set per chromosome)");
    CLI::Option* vcf = cmd->add_option("--vcf", c.vcf,
                                       "VCF or BCF, plain or bgzipped; '@' stands for the chromosome. Hard calls "
                                       "from GT; sites with more than two alleles are left out");
    bfile->excludes(vcf);
    vcf->excludes(bfile);
    cmd->add_option("--keep", c.keep, "individuals to use: one IID, or FID and IID, per line")
        ->check(CLI::ExistingFile);

    cmd->option_defaults()->group("Summary statistics");
    cmd->add_option("--sumstats", c.sumstats,
                    "association results (plain or compressed): GWAS-SSF, PLINK 2 .glm, PLINK 1.9 .assoc/.qassoc/"
                    ".assoc.logistic/.assoc.linear, REGENIE, SAIGE, BOLT-LMM, METAL, recognised from the header")
        ->required();
    add_sumstats_choice(*cmd, c.layout, "Summary statistics");

    cmd->option_defaults()->group("Matching");
    cmd->add_option("--match", c.match,
                    "position: by chromosome, position and allele pair; id: by SNP id; auto (default): by "
                    "position when the summary statistics give positions")
        ->check(CLI::IsMember({"auto", "position", "id"}));
    cmd->add_flag("--drop-ambiguous", c.drop_ambiguous, "leave out strand-ambiguous A/T and C/G SNPs");
    cmd->add_flag("--allow-build-mismatch", c.allow_build_mismatch,
                  "go on when the SNP ids of both files put fewer than 90 % of the SNPs at the same position");

    cmd->option_defaults()->group("Genes (optional)");
    CLI::Option* genes = cmd->add_option(
        "--genes", c.genes, "gene locations (NCBI/MAGMA gene-loc, BED, GTF, GFF3) to turn into genelist.txt");
    cmd->add_option("--gene-sets", c.gene_sets, "GMT gene sets to turn into pathways.txt (needs --genes)")
        ->needs(genes);

    cmd->option_defaults()->group("Output");
    cmd->add_option("--out", c.out, "output folder (created when missing)")->required();
    cmd->add_flag("--plain", c.plain, "write legend_chrC.txt and genotype_chrC.txt uncompressed");
    cmd->add_option("--threads", c.threads,
                    "threads for parsing the summary statistics and compressing the output (default: the "
                    "cores the job may use, as nproc counts them; the same files with any number)")
        ->check(CLI::Range(1, 256))
        ->type_name("N");

    const std::pair<const char*, const char*> types[] = {
        {"--bfile", "PREFIX"}, {"--vcf", "FILE"},     {"--keep", "FILE"},      {"--sumstats", "FILE"},
        {"--genes", "FILE"},   {"--gene-sets", "FILE"}, {"--out", "DIR"}};
    for (const auto& type : types)
        cmd->get_option(type.first)->type_name(type.second);
    return cmd;
}

int run_prepare(const PrepareCommand& c, const std::string& command_line)
{
    if (c.bfile.empty() && c.vcf.empty())
        return usage("give the reference panel with --bfile PREFIX or --vcf FILE");

    PrepareLog log;
    log.command_line = command_line;

    // Reference panel: the individuals and the file list are known on opening.
    KeepList keep;
    if (!c.keep.empty()) {
        Status status = keep.read(c.keep);
        if (!status.ok())
            return fail(status);
    }
    std::unique_ptr<ReferencePanel> panel;
    if (!c.bfile.empty()) {
        auto plink = std::make_unique<PlinkPanel>();
        Status status = plink->open(c.bfile, keep);
        if (!status.ok())
            return fail(status);
        panel = std::move(plink);
        log.reference_kind = "PLINK 1 binary";
    } else {
        auto vcf = std::make_unique<VcfPanel>();
        Status status = vcf->open(c.vcf, keep);
        if (!status.ok())
            return fail(status);
        panel = std::move(vcf);
        log.reference_kind = "VCF/BCF";
    }
    log.reference_files = panel->files();
    log.all_samples = panel->all_samples();
    log.kept_samples = panel->samples().size();
    log.keep_file = c.keep;
    log.keep_entries = keep.entries();
    if (!c.keep.empty())
        std::cerr << kName << ": kept " << panel->samples().size() << " of " << panel->all_samples()
                  << " individuals of the reference (" << keep.entries() << " listed in " << c.keep << ")\n";
    if (!panel->keep_missing().empty()) {
        log.keep_warning = keep_missing_text(c.keep, panel->keep_missing(), keep.entries());
        std::cerr << kName << ": WARNING: " << log.keep_warning << "\n";
    }

    // Output folder: refused when it would overwrite an input.
    OutputFolder out;
    std::vector<std::string> inputs = panel->files();
    for (const std::string* path : {&c.sumstats, &c.keep, &c.genes, &c.gene_sets})
        if (!path->empty())
            inputs.push_back(*path);
    Status status = out.create(c.out);
    if (!status.ok())
        return fail(status);
    status = out.check_inputs(inputs);
    if (!status.ok())
        return fail(status);

    // Summary statistics: one pass into the index.
    const SumstatsOptions options = sumstats_options(c.layout);
    SumstatsReader reader;
    status = reader.open(c.sumstats, options);
    if (!status.ok())
        return fail(status);
    const SumstatsLayout& layout = reader.layout();
    log.sumstats_file = c.sumstats;
    log.format = std::string(format_name(layout.format)) + (layout.comma_separated ? ", comma-separated" : "");
    log.format_forced = options.force_format;
    log.columns = layout.columns_used;
    std::string columns;
    for (const std::string& column : layout.columns_used)
        columns += (columns.empty() ? "" : ", ") + column;
    std::cerr << kName << ": " << c.sumstats << ": " << log.format
              << (options.force_format ? " (as forced)" : " (recognised from the header)") << "; columns "
              << columns << "\n";

    bool by_id = c.match == "id";
    if (c.match == "auto")
        by_id = !layout.has_positions;
    if (!by_id && !layout.has_positions)
        return usage(c.sumstats + " has no chromosome and position columns: match with --match id");
    if (by_id && !layout.has_ids)
        return usage(c.sumstats + " has no SNP id column: match with --match position");
    log.by_id = by_id;
    log.drop_ambiguous = c.drop_ambiguous;

    // A .bed's sites are listed first, so that rows matching none are set
    // aside instead of held.
    ReferenceSieve sieve;
    if (!c.bfile.empty()) {
        status = sieve_plink_sites(c.bfile, sieve);
        if (!status.ok())
            return fail(status);
    }
    SumstatsIndex index(by_id ? SumstatsIndex::Key::Id : SumstatsIndex::Key::Position,
                        c.bfile.empty() ? nullptr : &sieve);
    PrepareReport& report = log.report;
    const int threads = c.threads > 0 ? c.threads : usable_cores();
    status = read_sumstats(reader, index, report, threads);
    if (!status.ok())
        return fail(status);
    sieve = ReferenceSieve();
    if (index.dropped().size() > 0)
        log.set_aside = set_aside_text(index.dropped());
    log.build_possible = layout.has_ids && layout.has_positions && !by_id;
    if (report.filtered) {
        std::cerr << "\n*** WARNING: only " << report.above_half << " of " << report.valid_p
                  << " p-values are above 0.5 (fewer than 5 %).\n"
                  << "*** The summary statistics look filtered (e.g. only significant SNPs kept). The regional\n"
                  << "*** tests weigh the hits of a region against all its SNPs and are meaningless on a\n"
                  << "*** filtered input: prepare from the full association results.\n\n";
    }

    // The reference, chromosome by chromosome.
    PrepareSettings settings;
    settings.drop_ambiguous = c.drop_ambiguous;
    settings.allow_build_mismatch = c.allow_build_mismatch;
    settings.compressed = !c.plain;
    settings.threads = threads;
    ProgressMeter meter("kesto prepare: reference", "sites", stderr);
    status = match_reference(*panel, index, settings, out, report,
                             [&meter](double share, long sites) { meter.update(share, sites); });
    meter.finish();
    if (!status.ok()) {
        out.abandon();
        return fail(status);
    }
    if (report.repeated_sites > 0)
        std::cerr << kName << ": WARNING: " << repeated_sites_text(report) << "\n";

    // Genes and gene sets.
    if (!c.genes.empty()) {
        GeneLocationTable genes;
        status = read_gene_locations(c.genes, genes);
        if (status.ok())
            status = write_gene_list(out.start("genelist.txt"), genes);
        if (status.ok() && !c.gene_sets.empty()) {
            GeneSetTable sets;
            status = read_gene_sets(c.gene_sets, sets);
            if (status.ok()) {
                match_gene_sets(sets, genes);
                status = write_pathway_file(out.start("pathways.txt"), sets);
                log.gene_sets = sets;
            }
        }
        if (!status.ok()) {
            out.abandon();
            return fail(status);
        }
        log.genes = genes;
        log.genes_file = c.genes;
        log.gene_sets_file = c.gene_sets;
    }

    status = write_excluded(index, out.start("excluded.tsv.gz"));
    if (status.ok())
        status = write_prepare_log(out.start("prepare.log"), log);
    if (status.ok())
        status = out.commit();
    if (!status.ok()) {
        out.abandon();
        return fail(status);
    }
    std::cerr << summary_text(log, out.dir());
    const std::vector<std::string> strangers = out.strangers(report.written);
    if (!strangers.empty()) {
        std::cerr << kName << ": WARNING: " << out.dir() << " also holds files this run did not write, which the "
                  << "programs would read with the new ones:";
        for (const std::string& name : strangers)
            std::cerr << " " << name;
        std::cerr << "\n";
    }
    if (report.kept == 0) {
        std::cerr << kName << ": no SNP of the summary statistics matched the reference; see "
                  << out.final_path("excluded.tsv.gz") << " and " << out.final_path("prepare.log") << "\n";
        return kExitFailure;
    }
    return kExitOk;
}
