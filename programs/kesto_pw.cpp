// kesto_pw: one regional p-value per pathway of a pathway file.

#include "chromosome_store.h"
#include "cli.h"
#include "file_checks.h"
#include "gene_table.h"
#include "pathway_evaluation.h"
#include "pathway_line.h"
#include "pathway_regions.h"
#include "parallel.h"
#include "result_writer.h"
#include "run_options.h"

#include <fstream>
#include <iostream>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kProgram = "kesto_pw";

const char* const kUsage =
    "usage: kesto_pw -p PATHWAYS -g GENELIST -o RESULT -l LEGEND_PREFIX -G GENOTYPE_PREFIX -a ALPHA -v VARSHARE "
    "-f FLANK\n"
    "  PATHWAYS        pathway file, no header: id, name, then member gene names per line\n"
    "  GENELIST        gene list: header, then chromosome, id, start, end, gene name per line\n"
    "  RESULT          result file, one row per pathway\n"
    "  LEGEND_PREFIX   put verbatim before legend_chrN.txt (a folder must end in /)\n"
    "  GENOTYPE_PREFIX put verbatim before genotype_chrN.txt\n"
    "  ALPHA           p-value threshold of a SNP hit, from 0 to 1\n"
    "  VARSHARE        share of LD variance the kept components explain, from 0 to 1\n"
    "  FLANK           base pairs added on both sides of each merged region\n"
    "example:\n"
    "  kesto_pw -p examples/pathways.txt -g examples/genelist.txt -o pathways.out -l examples/ -G examples/ "
    "-a 0.05 -v 0.8 -f 20000\n";

// Evaluates every region of one pathway; non-numeric p-values are reported
// once per legend file over the whole run.
PathwayResult evaluate_pathway(const std::vector<GeneEntry>& regions, const RegionSettings& settings,
                               const RegionEngine& engine, std::set<std::string>& reported_legends)
{
    std::vector<RegionOutcome> outcomes;
    for (const GeneEntry& region : regions) {
        outcomes.push_back(evaluate_region(region, settings, engine));
        const RegionOutcome& outcome = outcomes.back();
        if (outcome.nonnumeric_pvalues > 0 && reported_legends.insert(outcome.legend_file).second)
            std::cerr << kProgram << ": " << outcome.legend_file << ": " << outcome.nonnumeric_pvalues
                      << " p-values are not numbers and count as no hit\n";
    }
    return combine_regions(outcomes, settings.alpha);
}

// One line of the pathway file, read ahead of its evaluation.
struct PendingPathway {
    long line_no = 0;
    bool usable = false;
    PathwayLine pathway;
    std::vector<GeneEntry> regions;
};

// Computes, on several threads, the regions of a batch of pathways that no
// earlier pathway had, so that the pathways can then be reported in order
// from the cache.
void prefetch_regions(const std::vector<PendingPathway>& batch, const RegionSettings& settings,
                      const RegionEngine& engine, int threads)
{
    std::vector<GeneEntry> todo;
    std::set<RegionCache::Key> seen;
    for (const PendingPathway& p : batch)
        for (const GeneEntry& region : p.regions) {
            const RegionCache::Key key = RegionCache::key_of(region);
            if (engine.cache->find(key) == nullptr && seen.insert(key).second)
                todo.push_back(region);
        }
    std::vector<RegionReport> reports(todo.size());
    parallel_for(todo.size(), threads,
                 [&](std::size_t i) { reports[i] = compute_region(todo[i], settings, engine.store); });
    for (std::size_t i = 0; i < todo.size(); ++i)
        engine.cache->insert(RegionCache::key_of(todo[i]), std::move(reports[i]));
}

bool report_batch(const std::vector<PendingPathway>& batch, const std::string& pathway_path,
                  const RegionSettings& settings, const RegionEngine& engine,
                  std::set<std::string>& reported_legends, ResultWriter& out)
{
    for (const PendingPathway& p : batch) {
        if (!p.usable) {
            std::cerr << kProgram << ": " << pathway_path << " line " << p.line_no
                      << ": expected at least 2 fields (id, name), found fewer; no row written\n";
            continue;
        }
        const PathwayResult result = evaluate_pathway(p.regions, settings, engine, reported_legends);
        if (result.unevaluated > 0)
            std::cerr << kProgram << ": pathway " << p.pathway.id << " (" << pathway_path << " line " << p.line_no
                      << "): " << result.unevaluated << " of " << result.regions
                      << " regions could not be evaluated (reference files missing or unreadable) and add nothing "
                         "to the sums\n";
        if (!out.row({p.pathway.id, p.pathway.name, format_number(result.ncritical),
                      format_number(result.nsignificant), format_number(result.regional_p)}))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
try {
    const int early = check_command_line(argc, argv, 17, kUsage);
    if (early >= 0)
        return early;
    const std::string pathway_path = argv[2];
    const std::string gene_path = argv[4];
    const std::string result_path = argv[6];
    double alpha = 0, share = 0;
    RegionSettings settings;
    if (!read_unit_value(kProgram, "alpha", argv[12], alpha) ||
        !read_unit_value(kProgram, "variance share", argv[14], share) ||
        !read_int_value(kProgram, "flank", argv[16], settings.flank))
        return kExitUsage;
    settings.alpha = static_cast<float>(alpha);
    settings.variance_share = static_cast<float>(share);
    settings.legend_prefix = argv[8];
    settings.genotype_prefix = argv[10];
    RunFiles files;
    files.input("pathway file", pathway_path);
    files.input("gene list", gene_path);
    files.per_chromosome_inputs("legend file", settings.legend_prefix, "legend_chr");
    files.per_chromosome_inputs("genotype file", settings.genotype_prefix, "genotype_chr");
    files.output("result", result_path);
    if (const int refused = refuse_clashes(kProgram, files); refused >= 0)
        return refused;

    std::ifstream pathways(pathway_path);
    if (!pathways) {
        std::cout << "Input pathway file not found" << std::endl;
        return kExitFailure;
    }
    GeneTable genes;
    if (!read_gene_table(gene_path, genes)) {
        std::cout << "Input genelist file not found" << std::endl;
        return kExitFailure;
    }
    for (const std::string& warning : genes.warnings)
        std::cerr << kProgram << ": " << warning << "\n";

    ResultWriter out(kProgram, result_path);
    if (!out.ok())
        return out.exit_status();
    if (!out.row({"Pathway_no", "Pathway_name", "ncritical", "nsignificant", "regional_p"}))
        return kExitFailure;

    const int threads = thread_count(kProgram);
    ChromosomeStore store(cache_bytes(kProgram));
    RegionCache cache;
    RegionEngine engine;
    if (!use_reference_engine()) {
        engine.store = &store;
        engine.cache = &cache;
    }
    const std::size_t batch_size = engine.cache != nullptr && threads > 1 ? 8 * static_cast<std::size_t>(threads) : 1;
    std::set<std::string> reported_legends;
    std::vector<PendingPathway> batch;
    std::string line;
    long line_no = 0;
    while (true) {
        const bool more = static_cast<bool>(std::getline(pathways, line));
        if (more) {
            PendingPathway p;
            p.line_no = ++line_no;
            p.usable = parse_pathway_line(line, p.pathway);
            if (p.usable)
                p.regions = pathway_regions(genes.genes, p.pathway.members);
            batch.push_back(std::move(p));
        }
        if (batch.size() == batch_size || (!more && !batch.empty())) {
            if (batch_size > 1)
                prefetch_regions(batch, settings, engine, threads);
            if (!report_batch(batch, pathway_path, settings, engine, reported_legends, out))
                return kExitFailure;
            batch.clear();
        }
        if (!more)
            break;
    }
    return kExitOk;
} catch (const std::bad_alloc&) {
    // A region or window too large for memory: the rows written so far are
    // whole, and the run says why it stopped.
    std::cerr << "kesto_pw: not enough memory to go on\n";
    return kExitFailure;
}
