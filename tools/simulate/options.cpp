#include "options.h"

#include "numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>

const char* const kSimUsage =
    "usage: kesto_simulate [options]\n"
    "Writes a simulated data set: SNP legends with association p-values,\n"
    "genotypes with linkage disequilibrium, a gene list and pathways.\n"
    "  --out DIR          output folder, created if missing (default .)\n"
    "  --seed N           random seed, 0 to 2^64-1 (default 20261208)\n"
    "  --chromosomes C    number of chromosomes, 1-99 (default 2)\n"
    "  --snps N           SNPs per chromosome, at least 10 (default 1000)\n"
    "  --individuals H    individuals, at least 1 (default 200)\n"
    "  --genes G          genes over all chromosomes, at least 1 (default 50)\n"
    "  --pathways P       pathways, at least 1 (default 20)\n"
    "  --plink CHR        also write chromosome CHR (or all) as PLINK .bed/.bim/.fam\n"
    "                     and .ped/.map files (default: none)\n"
    "  --spacing BP       mean gap between SNPs in bp, at least 100 (default 3000)\n"
    "  --missing RATE     share of missing genotypes, 0 to 0.5 (default 0.01)\n"
    "  --sumstats LIST    also write the association results in the layouts of\n"
    "                     LIST: all, or some of gwas-ssf, plink2, assoc, qassoc,\n"
    "                     logistic, linear, regenie, saige, bolt, metal, custom\n"
    "                     (comma-separated; files sumstats*, all chromosomes)\n"
    "  --vcf CHR          also write chromosome CHR (or all) as VCF 4.2 with GT,\n"
    "                     genotypes_chrC.vcf (default: none)\n"
    "  --help             show this text\n";

namespace {

const char* const kProgram = "kesto_simulate";

bool parse_seed(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno == ERANGE || *end != '\0')
        return false;
    value = v;
    return true;
}

bool read_count(const std::string& name, const std::string& text, int low, int high, int& value)
{
    std::int32_t v = 0;
    if (!parse_int32(text, v) || v < low || v > high) {
        std::cerr << kProgram << ": " << name << " must be a whole number from " << low << " to " << high
                  << ", got '" << text << "'\n";
        return false;
    }
    value = v;
    return true;
}

bool is_known(const std::string& name)
{
    for (const char* known : {"--out", "--seed", "--chromosomes", "--snps", "--individuals", "--genes",
                              "--pathways", "--plink", "--spacing", "--missing", "--sumstats", "--vcf"})
        if (name == known)
            return true;
    return false;
}

// `name` is one of the known options.
bool read_option(const std::string& name, const std::string& text, SimOptions& o)
{
    if (name == "--out") {
        if (text.empty()) {
            std::cerr << kProgram << ": --out needs a folder name\n";
            return false;
        }
        o.out = text;
        return true;
    }
    if (name == "--seed") {
        if (!parse_seed(text, o.seed)) {
            std::cerr << kProgram << ": --seed must be a whole number from 0 to 2^64-1, got '" << text << "'\n";
            return false;
        }
        return true;
    }
    if (name == "--missing") {
        double v = 0.0;
        if (!parse_double(text, v) || !(v >= 0.0 && v <= 0.5)) {
            std::cerr << kProgram << ": --missing must be a number from 0 to 0.5, got '" << text << "'\n";
            return false;
        }
        o.missing = v;
        return true;
    }
    if (name == "--sumstats") {
        if (!parse_layout_list(text, o.sumstats)) {
            std::cerr << kProgram << ": --sumstats must be all or a comma-separated list of gwas-ssf, plink2, "
                         "assoc, qassoc, logistic, linear, regenie, saige, bolt, metal, custom; got '"
                      << text << "'\n";
            return false;
        }
        return true;
    }
    if (name == "--vcf") {
        if (text == "all") {
            o.vcf = SimOptions::kAllChromosomes;
            return true;
        }
        return read_count(name, text, 1, 99, o.vcf);
    }
    if (name == "--chromosomes")
        return read_count(name, text, 1, 99, o.chromosomes);
    if (name == "--snps")
        return read_count(name, text, 10, 10000000, o.snps);
    if (name == "--individuals")
        return read_count(name, text, 1, 1000000, o.individuals);
    if (name == "--genes")
        return read_count(name, text, 1, 1000000, o.genes);
    if (name == "--pathways")
        return read_count(name, text, 1, 1000000, o.pathways);
    if (name == "--plink") {
        if (text == "all") {
            o.plink = SimOptions::kAllChromosomes;
            return true;
        }
        return read_count(name, text, 1, 99, o.plink);
    }
    return read_count(name, text, 100, 1000000, o.spacing); // --spacing
}

} // namespace

int parse_sim_options(int argc, const char* const* argv, SimOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::cout << kSimUsage;
            return 0;
        }
        if (name.rfind("--", 0) != 0) {
            std::cerr << kProgram << ": unexpected argument '" << name << "'\n" << kSimUsage;
            return 2;
        }
        if (!is_known(name)) {
            std::cerr << kProgram << ": unknown option '" << name << "'\n" << kSimUsage;
            return 2;
        }
        if (i + 1 >= argc) {
            std::cerr << kProgram << ": " << name << " needs a value\n";
            return 2;
        }
        if (!read_option(name, argv[++i], options))
            return 2;
    }
    if (options.plink > options.chromosomes) {
        std::cerr << kProgram << ": --plink " << options.plink << " names a chromosome beyond --chromosomes "
                  << options.chromosomes << "\n";
        return 2;
    }
    if (options.vcf > options.chromosomes) {
        std::cerr << kProgram << ": --vcf " << options.vcf << " names a chromosome beyond --chromosomes "
                  << options.chromosomes << "\n";
        return 2;
    }
    // Positions must stay well inside 32 bits for the programs that read them.
    if (static_cast<double>(options.snps) * options.spacing > 1.0e9) {
        std::cerr << kProgram << ": --snps times --spacing must not exceed 1e9 bp\n";
        return 2;
    }
    if (options.genes > options.chromosomes * (options.snps / 4)) {
        std::cerr << kProgram << ": --genes " << options.genes << " is too many for "
                  << options.chromosomes << " chromosome(s) of " << options.snps << " SNPs\n";
        return 2;
    }
    return -1;
}
