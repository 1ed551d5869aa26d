#include "analysis_options.h"

#include "chromosome_name.h"
#include "direct_source.h"
#include "prepared_source.h"
#include "result_writer.h"
#include "run_options.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

void add_analysis_options(CLI::App& command, AnalysisOptions& o, bool with_flank)
{
    command.add_option("--bfile", o.bfile, "reference as PLINK 1 binary files PREFIX.bed/.bim/.fam")
        ->group("Inputs")
        ->type_name("PREFIX");
    command.add_option("--vcf", o.vcf, "reference as VCF or BCF")->group("Inputs")
        ->type_name("FILE");
    command.add_option("--sumstats", o.sumstats, "summary statistics (with --bfile or --vcf)")->group("Inputs")
        ->type_name("FILE");
    add_sumstats_choice(command, o.sumstats_layout, "Inputs");
    command.add_option("--keep", o.keep, "individuals of the reference to use (IID, or FID IID, a line)")
        ->group("Inputs")
        ->type_name("FILE");
    command.add_option("--legend-prefix", o.legend_prefix,
                       "prepared files: put before legend_chrC.txt (a folder ends in /)")
        ->group("Inputs")
        ->type_name("PREFIX");
    command.add_option("--genotype-prefix", o.genotype_prefix,
                       "prepared files: put before genotype_chrC.txt (default: the legend prefix)")
        ->group("Inputs")
        ->type_name("PREFIX");
    command.add_flag("--drop-ambiguous", o.drop_ambiguous, "leave out strand-ambiguous A/T and C/G SNPs")
        ->group("Inputs");
    command.add_flag("--allow-build-mismatch", o.allow_build_mismatch,
                     "go on when the two files' SNP ids put fewer than 90 % of SNPs at the same position")
        ->group("Inputs");
    command.add_option("--out", o.out, "output prefix: PREFIX.<table>.tsv and PREFIX.log")->required()
        ->type_name("PREFIX");
    command.add_option("--alpha", o.settings.alpha, "p-value threshold of a SNP hit")
        ->check(CLI::Range(0.0, 1.0))
        ->capture_default_str()
        ->type_name("P");
    command.add_option("--share", o.settings.share, "share of LD variance the kept components explain")
        ->check(CLI::Range(0.0, 1.0))
        ->capture_default_str()
        ->type_name("SHARE");
    command.add_option("--maf", o.settings.rare, "allele frequency below which a SNP pair's LD counts 0")
        ->check(CLI::Range(0.0, 0.5))
        ->capture_default_str()
        ->type_name("FREQ");
    command.add_option("--chr", o.chromosomes, "chromosomes to analyse (comma-separated list)")->delimiter(',')
        ->type_name("LIST");
    command.add_option("--threads", o.threads, "worker threads (default: the cores the job may use, as nproc counts them)")
        ->check(CLI::Range(1, 256))
        ->type_name("N");
    command.add_option("--eigen", o.settings.eigen,
                       "decomposition of each LD matrix: exact (default; the four programs' bytes) or fast "
                       "(all eigenvalues, eigenvectors of the kept components only; agrees to a documented "
                       "tolerance)")
        ->transform(CLI::CheckedTransformer(std::map<std::string, EigenMethod>{{"exact", EigenMethod::Exact},
                                                                               {"fast", EigenMethod::Fast}}))
        ->type_name("exact|fast");
    command.add_flag("--quiet", o.quiet, "no progress on standard error");
    if (with_flank) {
        auto* both = command.add_option("--flank", o.flank, "base pairs added on both sides of each gene")
                         ->check(CLI::NonNegativeNumber)
        ->type_name("BP");
        auto* up = command.add_option("--flank-up", o.settings.flank_up, "base pairs added before each gene's start")
                       ->check(CLI::NonNegativeNumber)
        ->type_name("BP");
        auto* down =
            command.add_option("--flank-down", o.settings.flank_down, "base pairs added after each gene's end")
                ->check(CLI::NonNegativeNumber)
        ->type_name("BP");
        both->excludes(up)->excludes(down);
    }
}

Status settle_options(AnalysisOptions& o)
{
    const int references = (o.bfile.empty() ? 0 : 1) + (o.vcf.empty() ? 0 : 1) + (o.legend_prefix.empty() ? 0 : 1);
    if (references != 1)
        return {StatusCode::Usage, "give exactly one reference: --bfile PREFIX, --vcf FILE or --legend-prefix PREFIX"};
    if (!o.legend_prefix.empty() && !o.sumstats.empty())
        return {StatusCode::Usage, "--sumstats goes with --bfile or --vcf; prepared legend files hold their p-values"};
    if (o.legend_prefix.empty() && o.sumstats.empty())
        return {StatusCode::Usage, "--bfile and --vcf need --sumstats FILE"};
    if (!o.genotype_prefix.empty() && o.legend_prefix.empty())
        return {StatusCode::Usage, "--genotype-prefix goes with --legend-prefix"};
    if (!o.legend_prefix.empty() && !o.keep.empty())
        return {StatusCode::Usage, "--keep goes with --bfile or --vcf; prepared files hold their individuals"};
    // A prefix ending in a folder would write hidden files (".genes.tsv").
    if (o.out.empty() || o.out.back() == '/' || o.out == "." || o.out == ".." ||
        (o.out.size() >= 2 && o.out.compare(o.out.size() - 2, 2, "/.") == 0) ||
        (o.out.size() >= 3 && o.out.compare(o.out.size() - 3, 3, "/..") == 0))
        return {StatusCode::Usage, "--out '" + o.out +
                                       "' names a folder; give a prefix for the files, e.g. --out " +
                                       (o.out.empty() || o.out.back() == '/' ? o.out : o.out + "/") + "kesto"};
    if (o.genotype_prefix.empty())
        o.genotype_prefix = o.legend_prefix;
    if (o.flank >= 0) {
        o.settings.flank_up = o.flank;
        o.settings.flank_down = o.flank;
    }
    if (o.threads <= 0)
        o.threads = usable_cores();
    for (std::string& c : o.chromosomes)
        c = chromosome_text(c);
    return {};
}

Status open_source(const AnalysisOptions& o, std::unique_ptr<analysis::TableSource>& source)
{
    if (!o.legend_prefix.empty()) {
        source = std::make_unique<analysis::PreparedSource>(o.legend_prefix, o.genotype_prefix);
        return {};
    }
    analysis::DirectInputs inputs;
    inputs.bfile = o.bfile;
    inputs.vcf = o.vcf;
    inputs.keep = o.keep;
    inputs.sumstats = o.sumstats;
    inputs.sumstats_options = sumstats_options(o.sumstats_layout);
    inputs.excluded_path = o.excluded_path();
    inputs.drop_ambiguous = o.drop_ambiguous;
    inputs.allow_build_mismatch = o.allow_build_mismatch;
    inputs.threads = o.threads;
    auto direct = std::make_unique<analysis::DirectSource>();
    Status status = direct->open(inputs);
    if (!status)
        return status;
    source = std::move(direct);
    return {};
}

std::vector<FileRole> reference_inputs(const AnalysisOptions& o, const analysis::TableSource* source)
{
    std::vector<FileRole> inputs;
    if (const auto* direct = dynamic_cast<const analysis::DirectSource*>(source))
        for (const std::string& file : direct->files())
            inputs.emplace_back(file, "reference or summary-statistics file");
    if (!o.sumstats.empty())
        inputs.emplace_back(o.sumstats, "summary statistics");
    if (!o.keep.empty())
        inputs.emplace_back(o.keep, "--keep file");
    if (!o.vcf.empty())
        inputs.emplace_back(o.vcf, "VCF reference");
    if (!o.bfile.empty())
        for (const char* ext : {".bed", ".bim", ".fam"})
            inputs.emplace_back(o.bfile + ext, std::string("reference ") + ext + " file");
    if (const auto* prepared = dynamic_cast<const analysis::PreparedSource*>(source))
        for (const std::string& c : prepared->chromosomes()) {
            inputs.emplace_back(prepared->legend_path(c), "legend file");
            inputs.emplace_back(prepared->genotype_path(c), "genotype file");
        }
    return inputs;
}

void log_settings(const AnalysisOptions& o, RunLog& log, bool with_flank)
{
    log.setting("alpha", format_number(o.settings.alpha));
    log.setting("variance share", format_number(o.settings.share));
    log.setting("rare-allele cut-off (--maf)", format_number(o.settings.rare));
    log.setting("eigen decomposition (--eigen)", o.settings.eigen == EigenMethod::Fast ? "fast" : "exact");
    if (with_flank) {
        log.setting("flank before start (--flank-up)", std::to_string(o.settings.flank_up));
        log.setting("flank after end (--flank-down)", std::to_string(o.settings.flank_down));
    }
    std::string chromosomes;
    for (const std::string& c : o.chromosomes)
        chromosomes += (chromosomes.empty() ? "" : ",") + c;
    log.setting("chromosomes", chromosomes.empty() ? "all" : chromosomes);
    log.setting("threads", std::to_string(o.threads));
}

void warn_chromosomes_without_genes(const AnalysisOptions& options, const analysis::TableSource& source,
                                    const std::string& gene_file, const std::vector<GeneEntry>& genes, RunLog& log)
{
    std::set<std::string> with_genes;
    for (const GeneEntry& gene : genes)
        with_genes.insert(source.name_of(gene.chromosome));
    for (const std::string& chromosome : options.chromosomes)
        if (!with_genes.count(chromosome))
            log.warn("--chr", "no gene of " + gene_file + " lies on chromosome " + chromosome);
}

bool chromosome_selected(const AnalysisOptions& o, const std::string& chromosome)
{
    return o.chromosomes.empty() ||
           std::find(o.chromosomes.begin(), o.chromosomes.end(), chromosome) != o.chromosomes.end();
}
