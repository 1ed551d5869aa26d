#ifndef KESTO_SIMULATE_OPTIONS_H
#define KESTO_SIMULATE_OPTIONS_H

#include "sumstats_files.h"

#include <cstdint>
#include <string>
#include <vector>

struct SimOptions {
    std::string out = ".";
    std::uint64_t seed = 20261208;
    int chromosomes = 2;
    int snps = 1000;          // per chromosome
    int individuals = 200;
    int genes = 50;           // over all chromosomes
    int pathways = 20;
    int plink = 0;            // chromosome written as PLINK files, 0 for none, kAllChromosomes for every one
    int spacing = 3000;       // mean gap between neighbouring SNPs, bp
    double missing = 0.01;    // share of genotypes coded -1
    std::vector<SumstatsLayoutKind> sumstats;  // association tables to write (none by default)
    int vcf = 0;              // chromosome written as VCF, 0 for none, kAllChromosomes for every one
    static constexpr int kAllChromosomes = -1;
};

extern const char* const kSimUsage;

// Reads the command line into `options`. Returns -1 to go on, otherwise the
// exit status (0 after --help, 2 after a bad option, reported on stderr).
int parse_sim_options(int argc, const char* const* argv, SimOptions& options);

#endif
