// kesto_pw: one regional p-value per pathway of a pathway file.

#include "chromosome_name.h"
#include "chromosome_store.h"
#include "cli.h"
#include "fast_eigen.h"
#include "file_checks.h"
#include "gene_table.h"
#include "kesto_analysis_matrix.h"
#include "legend_genotype_source.h"
#include "line_source.h"
#include "ordered_pipeline.h"
#include "pathway_evaluation.h"
#include "pathway_line.h"
#include "pathway_regions.h"
#include "region_messages.h"
#include "result_writer.h"
#include "run_options.h"

#include <deque>
#include <iostream>
#include <memory>
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

// One line of the pathway file, read ahead of its evaluation.
struct PendingPathway {
    long line_no = 0;
    bool usable = false;
    PathwayLine pathway;
    std::vector<GeneEntry> regions;
};

// One step of the run, in file order: a region that no step before it
// computes, or the end of a pathway, all of whose regions came before it.
struct PathwayStep {
    std::shared_ptr<const PendingPathway> ends;  // set for the end of a pathway
    GeneEntry region;                            // otherwise
};

// Evaluates every region of one pathway (each region once per run) and gives
// its messages, every time, in region order.
// `stop` is set when a reference file could not be read: the run ends.
PathwayResult evaluate_pathway(const std::vector<GeneEntry>& regions, const RegionSettings& settings,
                               const RegionEngine& engine, RegionCache& cache, RegionMessages& messages, bool& stop)
{
    std::vector<RegionOutcome> outcomes;
    for (const GeneEntry& region : regions) {
        const RegionCache::Key key = RegionCache::key_of(region);
        if (cache.find(key) == nullptr) {
            cache.insert(key, evaluate_region(engine, region.chromosome, region.start, region.end));
        }
        const RegionReport& report = *cache.find(key);
        messages.report(report, region);
        if (RegionMessages::ends_the_run(report)) {
            stop = true;
            break;
        }
        outcomes.push_back(outcome_of(report));
    }
    return combine_regions(outcomes, settings.alpha);
}

// Pathways with members that the gene list does not name.
struct MemberTally {
    long pathways_with_unmatched = 0;
    long pathways = 0;
};

// Warns once for a pathway none of whose members is in the gene list, and
// counts the pathways with at least one unmatched member.
void check_members(const PendingPathway& p, const std::set<std::string>& gene_names, const std::string& pathway_path,
                   MemberTally& tally)
{
    ++tally.pathways;
    std::size_t unmatched = 0;
    for (const std::string& member : p.pathway.members)
        unmatched += gene_names.count(member) == 0 ? 1 : 0;
    if (unmatched > 0)
        ++tally.pathways_with_unmatched;
    if (unmatched == p.pathway.members.size())
        std::cerr << kProgram << ": pathway " << p.pathway.id << " (" << pathway_path << " line " << p.line_no
                  << "): none of its " << unmatched
                  << " members is in the gene list; it has no region to test\n";
}

bool report_pathway(const PendingPathway& p, const std::string& pathway_path, const RegionSettings& settings,
                    const RegionEngine& engine, RegionCache& cache, RegionMessages& messages,
                    const std::set<std::string>& gene_names, MemberTally& tally, ResultWriter& out)
{
    if (!p.usable) {
        std::cerr << kProgram << ": " << pathway_path << " line " << p.line_no
                  << ": expected at least 2 fields (id, name), found fewer; no row written\n";
        return true;
    }
    check_members(p, gene_names, pathway_path, tally);
    bool stop = false;
    const PathwayResult result = evaluate_pathway(p.regions, settings, engine, cache, messages, stop);
    if (stop)
        return false;
    if (result.unevaluated > 0)
        std::cerr << kProgram << ": pathway " << p.pathway.id << " (" << pathway_path << " line " << p.line_no
                  << "): " << result.unevaluated << " of " << result.regions
                  << " regions could not be evaluated (reference files missing or unreadable) and add nothing "
                     "to the sums\n";
    return out.row({p.pathway.id, p.pathway.name, format_number(result.ncritical), format_number(result.nsignificant),
                    result.has_result() ? format_number(result.regional_p) : std::string("NA")});
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
    settings.eigen = eigen_method(kProgram);
    if (settings.eigen == EigenMethod::Fast) {
        const Status lapack = prepare_fast_eigen();
        if (!lapack.ok()) {
            std::cerr << kProgram << ": " << lapack.message << "; using the exact eigen path\n";
            settings.eigen = EigenMethod::Exact;
        }
    }
    const std::string legend_prefix = argv[8];
    const std::string genotype_prefix = argv[10];
    RunFiles files;
    files.input("pathway file", pathway_path);
    files.input("gene list", gene_path);
    files.per_chromosome_inputs("legend file", legend_prefix, "legend_chr");
    files.per_chromosome_inputs("genotype file", genotype_prefix, "genotype_chr");
    files.output("result", result_path);
    if (const int refused = refuse_clashes(kProgram, files); refused >= 0)
        return refused;

    LineSource pathways;
    const Status pathways_opened = pathways.open(pathway_path, LineSource::kTableLineLimit);
    if (pathways_opened.code == StatusCode::NotFound) {
        std::cout << "Input pathway file not found" << std::endl;
        return kExitFailure;
    }
    if (!pathways_opened.ok()) {
        std::cerr << kProgram << ": " << pathways_opened.message << "\n";
        return exit_code(pathways_opened);
    }
    GeneTable genes;
    const Status genes_read = read_gene_table(gene_path, genes);
    if (genes_read.code == StatusCode::NotFound) {
        std::cout << "Input genelist file not found" << std::endl;
        return kExitFailure;
    }
    for (const std::string& warning : genes.warnings)
        std::cerr << kProgram << ": " << warning << "\n";
    if (!genes_read.ok()) {
        std::cerr << kProgram << ": " << genes_read.message << "\n";
        return exit_code(genes_read);
    }
    std::set<std::string> gene_names;
    for (const GeneEntry& gene : genes.genes)
        gene_names.insert(gene.name);

    ResultWriter out(kProgram, result_path);
    if (!out.ok())
        return out.exit_status();
    if (!out.row({"Pathway_no", "Pathway_name", "ncritical", "nsignificant", "regional_p"}))
        return kExitFailure;

    const int threads = thread_count(kProgram);
    const LegendGenotypeSource source(legend_prefix, genotype_prefix, threads);
    ChromosomeStore store(source, cache_bytes(kProgram));
    const std::unique_ptr<RegionEngine> engine =
        use_reference_engine() ? make_reference_engine(source, settings) : make_stored_engine(store, settings);
    RegionCache cache;
    RegionMessages messages(kProgram, gene_path);
    MemberTally tally;
    // Regions are computed ahead on the worker threads, each once per run;
    // pathways are reported strictly in file order.
    std::set<RegionCache::Key> scheduled;
    std::deque<PathwayStep> staged;
    std::string line;
    std::string_view view;
    const auto next_step = [&](PathwayStep& step) {
        if (staged.empty()) {
            if (!pathways.next(view))
                return false;
            auto p = std::make_shared<PendingPathway>();
            p->line_no = pathways.line_number();
            line.assign(view);
            p->usable = parse_pathway_line(line, p->pathway);
            if (p->usable)
                p->regions = pathway_regions(genes.genes, p->pathway.members);
            for (const GeneEntry& region : p->regions)
                if (scheduled.insert(RegionCache::key_of(region)).second)
                    staged.push_back(PathwayStep{nullptr, region});
            staged.push_back(PathwayStep{std::move(p), GeneEntry{}});
        }
        step = std::move(staged.front());
        staged.pop_front();
        return true;
    };
    const bool finished = ordered_pipeline<PathwayStep, RegionReport>(
        threads, 64 * static_cast<std::size_t>(threads), next_step,
        [&](const PathwayStep& step) {
            return step.ends ? RegionReport{}
                             : evaluate_region(*engine, step.region.chromosome, step.region.start, step.region.end);
        },
        [&](PathwayStep& step, RegionReport& report) {
            if (!step.ends) {
                cache.insert(RegionCache::key_of(step.region), std::move(report));
                return true;
            }
            return report_pathway(*step.ends, pathway_path, settings, *engine, cache, messages, gene_names, tally,
                                  out);
        });
    if (!finished)
        return kExitFailure;
    if (tally.pathways_with_unmatched > 0)
        std::cerr << kProgram << ": " << tally.pathways_with_unmatched << " of " << tally.pathways
                  << " pathways have members that are not in the gene list\n";
    if (!pathways.status().ok()) {
        std::cerr << kProgram << ": " << pathways.status().message << "\n";
        return exit_code(pathways.status());
    }
    return kExitOk;
} catch (const std::bad_alloc&) {
    // A region or window too large for memory: the rows written so far are
    // whole, and the run says why it stopped.
    std::cerr << "kesto_pw: not enough memory to go on\n";
    return kExitFailure;
}
