// kesto_genelist: one regional p-value per gene of a gene list.

#include "chromosome_name.h"
#include "cli.h"
#include "csvline.h"
#include "file_checks.h"
#include "kesto_analysis_matrix.h"
#include "numbers.h"
#include "parallel.h"
#include "run_options.h"
#include "chromosome_store.h"
#include "result_writer.h"

#include <fstream>
#include <iostream>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: kesto_genelist -g GENELIST -o RESULT -l LEGEND_PREFIX -G GENOTYPE_PREFIX -a ALPHA -v VARSHARE -f FLANK\n"
    "  GENELIST        gene list: header, then chromosome, id, start, end, gene name per line\n"
    "  RESULT          result file, one row per gene\n"
    "  LEGEND_PREFIX   put verbatim before legend_chrN.txt (a folder must end in /)\n"
    "  GENOTYPE_PREFIX put verbatim before genotype_chrN.txt\n"
    "  ALPHA           p-value threshold of a SNP hit, from 0 to 1\n"
    "  VARSHARE        share of LD variance the kept components explain, from 0 to 1\n"
    "  FLANK           base pairs added on both sides of each gene\n"
    "example:\n"
    "  kesto_genelist -g examples/genelist.txt -o genes.out -l examples/ -G examples/ -a 0.05 -v 0.8 -f 20000\n";

struct Gene {
    std::string chromosome;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string name;
};

// One line of the gene list: a gene to compute, or a warning to give in its
// place, kept in file order.
struct GeneLine {
    bool usable = false;
    Gene gene;
    std::string warning;
};

GeneLine parse_gene(const std::string& line, long line_no, const std::string& path)
{
    GeneLine parsed;
    std::vector<std::string> fields;
    split_fields(fields, line);
    const std::string where = "kesto_genelist: " + path + " line " + std::to_string(line_no) + ": ";
    if (fields.size() < 5) {
        parsed.warning = where + "expected 5 fields (chromosome, id, start, end, name), found " +
                         std::to_string(fields.size()) + "; line skipped\n";
        return parsed;
    }
    Gene& gene = parsed.gene;
    if (!parse_int32(fields[2], gene.start) || !parse_int32(fields[3], gene.end)) {
        parsed.warning = where + "start '" + fields[2] + "' or end '" + fields[3] +
                         "' is not a whole number that fits in 32 bits; line skipped\n";
        return parsed;
    }
    gene.chromosome = chromosome_text(fields[0]);
    gene.name = fields[4];
    parsed.usable = true;
    return parsed;
}

struct Settings {
    float alpha = 0;
    float share = 0;
    std::int32_t flank = 0;
    std::string legend_prefix;
    std::string genotype_prefix;
};

// Computes a batch of genes (on several threads when asked) and reports them
// strictly in file order: messages, then the gene's row.
bool run_batch(const std::vector<GeneLine>& batch, const Settings& settings, ChromosomeStore* store, int threads,
               std::set<std::string>& reported_legends, ResultWriter& out)
{
    std::vector<RegionReport> outcomes(batch.size());
    parallel_for(batch.size(), threads, [&](std::size_t i) {
        if (!batch[i].usable)
            return;
        const Gene& g = batch[i].gene;
        Kesto region(g.chromosome, g.start, g.end, settings.alpha, settings.share, settings.legend_prefix,
                     settings.genotype_prefix, settings.flank);
        region.use_store(store);
        outcomes[i] = region.evaluate();
    });
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (!batch[i].usable) {
            std::cerr << batch[i].warning;
            continue;
        }
        const Gene& gene = batch[i].gene;
        const RegionReport& o = outcomes[i];
        report_outcome(o);
        const std::string legend = settings.legend_prefix + "legend_chr" + gene.chromosome + ".txt";
        if (o.nonnumeric_pvalues > 0 && reported_legends.insert(legend).second)
            std::cerr << "kesto_genelist: " << legend << ": " << o.nonnumeric_pvalues
                      << " p-values are not numbers and count as no hit\n";
        const bool evaluated = o.status == RegionStatus::Computed || o.status == RegionStatus::Empty;
        if (!out.row({gene.chromosome, std::to_string(gene.start), std::to_string(gene.end), gene.name,
                      format_number(o.triple.get<0>()), format_number(o.triple.get<1>()),
                      evaluated ? format_number(o.triple.get<2>()) : std::string("NA")}))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
try {
    const int early = check_command_line(argc, argv, 15, kUsage);
    if (early >= 0)
        return early;
    const std::string gene_path = argv[2];
    const std::string result_path = argv[4];
    Settings settings;
    settings.legend_prefix = argv[6];
    settings.genotype_prefix = argv[8];
    double alpha = 0, share = 0;
    if (!read_unit_value("kesto_genelist", "alpha", argv[10], alpha) ||
        !read_unit_value("kesto_genelist", "variance share", argv[12], share) ||
        !read_int_value("kesto_genelist", "flank", argv[14], settings.flank))
        return kExitUsage;
    settings.alpha = static_cast<float>(alpha);
    settings.share = static_cast<float>(share);
    RunFiles files;
    files.input("gene list", gene_path);
    files.per_chromosome_inputs("legend file", settings.legend_prefix, "legend_chr");
    files.per_chromosome_inputs("genotype file", settings.genotype_prefix, "genotype_chr");
    files.output("result", result_path);
    if (const int refused = refuse_clashes("kesto_genelist", files); refused >= 0)
        return refused;

    std::ifstream genes(gene_path);
    if (!genes) {
        std::cout << "Input gene file not found" << std::endl;
        return kExitFailure;
    }
    std::string line;
    std::getline(genes, line);

    ResultWriter out("kesto_genelist", result_path);
    if (!out.ok())
        return out.exit_status();
    out.row({"chromosome", "startpos", "endpos", "gene_name", "ncritical", "nsignificant", "regional_p"});

    const int threads = thread_count("kesto_genelist");
    ChromosomeStore store(cache_bytes("kesto_genelist"));
    ChromosomeStore* const fast = use_reference_engine() ? nullptr : &store;
    const std::size_t batch_size = threads > 1 ? 16 * static_cast<std::size_t>(threads) : 1;
    std::set<std::string> reported_legends;
    std::vector<GeneLine> batch;
    long line_no = 1;
    while (std::getline(genes, line)) {
        batch.push_back(parse_gene(line, ++line_no, gene_path));
        if (batch.size() == batch_size) {
            if (!run_batch(batch, settings, fast, threads, reported_legends, out))
                return kExitFailure;
            batch.clear();
        }
    }
    if (!run_batch(batch, settings, fast, threads, reported_legends, out))
        return kExitFailure;
    return kExitOk;
} catch (const std::bad_alloc&) {
    // A region or window too large for memory: the rows written so far are
    // whole, and the run says why it stopped.
    std::cerr << "kesto_genelist: not enough memory to go on\n";
    return kExitFailure;
}
