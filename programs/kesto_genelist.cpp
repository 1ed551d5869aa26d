// kesto_genelist: one regional p-value per gene of a gene list.

#include "chromosome_name.h"
#include "cli.h"
#include "csvline.h"
#include "kesto_analysis_matrix.h"
#include "numbers.h"
#include "result_writer.h"

#include <fstream>
#include <iostream>
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

// Reads one gene line; false (with a warning) when it cannot be used.
bool parse_gene(const std::string& line, long line_no, const std::string& path, Gene& gene)
{
    std::vector<std::string> fields;
    split_fields(fields, line);
    if (fields.size() < 5) {
        std::cerr << "kesto_genelist: " << path << " line " << line_no << ": expected 5 fields (chromosome, id, start, end, name), found "
                  << fields.size() << "; line skipped\n";
        return false;
    }
    if (!parse_int32(fields[2], gene.start) || !parse_int32(fields[3], gene.end)) {
        std::cerr << "kesto_genelist: " << path << " line " << line_no << ": start '" << fields[2] << "' or end '"
                  << fields[3] << "' is not a whole number that fits in 32 bits; line skipped\n";
        return false;
    }
    gene.chromosome = chromosome_text(fields[0]);
    gene.name = fields[4];
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int early = check_command_line(argc, argv, 15, kUsage);
    if (early >= 0)
        return early;
    const std::string gene_path = argv[2];
    const std::string result_path = argv[4];
    const std::string legend_prefix = argv[6];
    const std::string genotype_prefix = argv[8];
    double alpha = 0, share = 0;
    std::int32_t flank = 0;
    if (!read_unit_value("kesto_genelist", "alpha", argv[10], alpha) ||
        !read_unit_value("kesto_genelist", "variance share", argv[12], share) ||
        !read_int_value("kesto_genelist", "flank", argv[14], flank))
        return kExitUsage;

    std::ifstream genes(gene_path);
    if (!genes) {
        std::cout << "Input gene file not found" << std::endl;
        return kExitFailure;
    }
    std::string line;
    std::getline(genes, line);

    ResultWriter out("kesto_genelist", result_path);
    if (!out.ok())
        return kExitFailure;
    out.row({"chromosome", "startpos", "endpos", "gene_name", "ncritical", "nsignificant", "regional_p"});

    std::set<std::string> reported_legends;
    long line_no = 1;
    while (std::getline(genes, line)) {
        ++line_no;
        Gene gene;
        if (!parse_gene(line, line_no, gene_path, gene))
            continue;
        Kesto region(gene.chromosome, gene.start, gene.end, static_cast<float>(alpha), static_cast<float>(share),
                     legend_prefix, genotype_prefix, flank);
        const boost::tuple<int, float, float> triple = region.CalKesto();
        if (region.nonnumeric_pvalues() > 0 && reported_legends.insert(region.legend_file()).second)
            std::cerr << "kesto_genelist: " << region.legend_file() << ": " << region.nonnumeric_pvalues()
                      << " p-values are not numbers and count as no hit\n";
        const bool evaluated = region.status() == RegionStatus::Computed || region.status() == RegionStatus::Empty;
        if (!out.row({gene.chromosome, std::to_string(gene.start), std::to_string(gene.end), gene.name,
                      format_number(triple.get<0>()), format_number(triple.get<1>()),
                      evaluated ? format_number(triple.get<2>()) : std::string("NA")}))
            return kExitFailure;
    }
    return kExitOk;
}
