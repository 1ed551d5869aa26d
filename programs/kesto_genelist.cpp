// kesto_genelist: one regional p-value per gene of a gene list.

#include "chromosome_name.h"
#include "chromosome_store.h"
#include "cli.h"
#include "fast_eigen.h"
#include "file_checks.h"
#include "gene_table.h"
#include "legend_genotype_source.h"
#include "ordered_pipeline.h"
#include "kesto_analysis_matrix.h"
#include "region_engine.h"
#include "region_messages.h"
#include "result_writer.h"
#include "run_options.h"

#include <iostream>
#include <memory>
#include <new>
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

// Reports one computed gene: its messages, then its row. False ends the run.
bool report_gene(const GeneLine& line, const RegionReport& o, RegionMessages& messages, ResultWriter& out)
{
    if (!line.warning.empty())
        std::cerr << "kesto_genelist: " << line.warning << "\n";
    if (!line.usable)
        return true;
    const GeneEntry& gene = line.gene;
    messages.report(o, gene);
    if (RegionMessages::ends_the_run(o))
        return false;
    const bool evaluated = o.status == RegionStatus::Computed || o.status == RegionStatus::Empty;
    return out.row({gene.chromosome, std::to_string(gene.start), std::to_string(gene.end), gene.name,
                    format_number(o.triple.get<0>()), format_number(o.triple.get<1>()),
                    evaluated ? format_number(o.triple.get<2>()) : std::string("NA")});
}

} // namespace

int main(int argc, char** argv)
try {
    const int early = check_command_line(argc, argv, 15, kUsage);
    if (early >= 0)
        return early;
    const std::string gene_path = argv[2];
    const std::string result_path = argv[4];
    RegionSettings settings;
    const std::string legend_prefix = argv[6];
    const std::string genotype_prefix = argv[8];
    double alpha = 0, share = 0;
    if (!read_unit_value("kesto_genelist", "alpha", argv[10], alpha) ||
        !read_unit_value("kesto_genelist", "variance share", argv[12], share) ||
        !read_int_value("kesto_genelist", "flank", argv[14], settings.flank))
        return kExitUsage;
    settings.alpha = static_cast<float>(alpha);
    settings.variance_share = static_cast<float>(share);
    settings.eigen = eigen_method("kesto_genelist");
    if (settings.eigen == EigenMethod::Fast) {
        const Status lapack = prepare_fast_eigen();
        if (!lapack.ok()) {
            std::cerr << "kesto_genelist" << ": " << lapack.message << "; using the exact eigen path\n";
            settings.eigen = EigenMethod::Exact;
        }
    }
    RunFiles files;
    files.input("gene list", gene_path);
    files.per_chromosome_inputs("legend file", legend_prefix, "legend_chr");
    files.per_chromosome_inputs("genotype file", genotype_prefix, "genotype_chr");
    files.output("result", result_path);
    if (const int refused = refuse_clashes("kesto_genelist", files); refused >= 0)
        return refused;

    GeneListReader genes;
    const Status opened = genes.open(gene_path);
    if (opened.code == StatusCode::NotFound) {
        std::cout << "Input gene file not found" << std::endl;
        return kExitFailure;
    }
    if (!opened.ok()) {
        std::cerr << "kesto_genelist: " << opened.message << "\n";
        return exit_code(opened);
    }

    ResultWriter out("kesto_genelist", result_path);
    if (!out.ok())
        return out.exit_status();
    out.row({"chromosome", "startpos", "endpos", "gene_name", "ncritical", "nsignificant", "regional_p"});

    const int threads = thread_count("kesto_genelist");
    const LegendGenotypeSource source(legend_prefix, genotype_prefix, threads);
    ChromosomeStore store(source, cache_bytes("kesto_genelist"));
    const std::unique_ptr<RegionEngine> engine =
        use_reference_engine() ? make_reference_engine(source, settings) : make_stored_engine(store, settings);
    RegionMessages messages("kesto_genelist", gene_path);
    // Genes are computed ahead on the worker threads and reported strictly in
    // file order.
    const bool finished = ordered_pipeline<GeneLine, RegionReport>(
        threads, 64 * static_cast<std::size_t>(threads),
        [&](GeneLine& line) {
            if (!genes.next(line))
                return false;
            if (line.usable)
                line.gene.chromosome = chromosome_text(line.gene.chromosome);
            return true;
        },
        [&](const GeneLine& line) {
            return line.usable ? evaluate_region(*engine, line.gene.chromosome, line.gene.start, line.gene.end)
                               : RegionReport{};
        },
        [&](GeneLine& line, RegionReport& report) { return report_gene(line, report, messages, out); });
    if (!finished)
        return kExitFailure;
    if (!genes.status().ok()) {
        std::cerr << "kesto_genelist: " << genes.status().message << "\n";
        return exit_code(genes.status());
    }
    return kExitOk;
} catch (const std::bad_alloc&) {
    // A region or window too large for memory: the rows written so far are
    // whole, and the run says why it stopped.
    std::cerr << "kesto_genelist: not enough memory to go on\n";
    return kExitFailure;
}
