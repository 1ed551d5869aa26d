#ifndef KESTO_SIMULATE_ALLELES_H
#define KESTO_SIMULATE_ALLELES_H

#include "snps.h"

#include <cstdint>
#include <vector>

// The two bases of every SNP of a chromosome. Allele 1 is the counted one
// (genotype code = copies of allele 1; .bim column 5, VCF ALT); allele 2 is
// the other (.bim column 6, VCF REF). Drawn from their own stream, so every
// output that names alleles (PLINK set, VCF, association tables) agrees.
struct SnpAlleles {
    std::vector<char> allele1, allele2;
};

SnpAlleles make_alleles(std::uint64_t seed, const SnpMap& map);

#endif
