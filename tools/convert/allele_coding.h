#ifndef KESTO_CONVERT_ALLELE_CODING_H
#define KESTO_CONVERT_ALLELE_CODING_H

#include "genotype_table.h"

#include <cstddef>
#include <string>
#include <vector>

namespace convert {

// How the genotypes of one SNP are written: as the number of copies of
// allele1, the SNP's minor allele in the sample.
struct SnpCoding {
    std::string allele0;
    std::string allele1;
    bool coded_is_a = false;    // allele1 is the SNP's allele_a (else allele_b)
    std::size_t missing = 0;    // individuals without a genotype
};

// Chooses allele1 of every SNP from the allele counts of its non-missing
// genotypes: the rarer of allele_a and allele_b, and allele_b on a tie (the
// second .bim allele, or the second allele seen in a .ped). A SNP with one
// allele seen thus gets that allele as allele0.
std::vector<SnpCoding> choose_coding(const GenotypeTable& table);

// Genotype code (copies of allele1: 0, 1, 2, or -1 for missing) of a table
// value under a coding.
inline int genotype_code(unsigned value, bool coded_is_a)
{
    switch (value) {
    case kHomA: return coded_is_a ? 2 : 0;
    case kHet: return 1;
    case kHomB: return coded_is_a ? 0 : 2;
    default: return -1;
    }
}

} // namespace convert

#endif
