#ifndef KESTO_CONVERT_GENOTYPE_TABLE_H
#define KESTO_CONVERT_GENOTYPE_TABLE_H

#include "two_bit_matrix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace convert {

// One line of a .bim or .map. For a .map the alleles stay empty until the
// .ped has been read: they are then the first and the second allele seen at
// the SNP ("0" for one never seen).
struct SnpRecord {
    std::string chromosome;
    std::string id;
    std::int32_t position = 0;
    std::string allele_a;
    std::string allele_b;
};

// Genotype values in the table, as in a .bed: counted against the SNP's
// allele_a / allele_b.
constexpr unsigned kHomA = 0;     // two copies of allele_a
constexpr unsigned kMissing = 1;
constexpr unsigned kHet = 2;
constexpr unsigned kHomB = 3;     // two copies of allele_b

// A whole PLINK data set as read: SNPs in file order (SNP k is on line k + 1
// of the marker file), individuals in file order, and one genotype per SNP
// and individual (rows are SNPs, columns individuals).
struct GenotypeTable {
    std::string genotype_file;   // the .bed or .ped the genotypes came from
    std::string marker_file;     // the .bim or .map
    std::vector<SnpRecord> snps;
    std::vector<std::string> individuals;   // IIDs
    TwoBitMatrix genotypes;
    std::size_t half_missing = 0;   // .ped genotypes with one allele "0", taken as missing
};

} // namespace convert

#endif
