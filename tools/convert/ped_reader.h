#ifndef KESTO_CONVERT_PED_READER_H
#define KESTO_CONVERT_PED_READER_H

#include "genotype_table.h"
#include "two_bit_matrix.h"

#include <cstddef>
#include <string>
#include <vector>

namespace convert {

struct PedContents {
    std::vector<std::string> individuals;   // IIDs in file order
    TwoBitMatrix genotypes;                 // one row per SNP
    std::size_t half_missing = 0;           // genotypes with one allele "0", taken as missing
};

// Reads a PLINK .ped whose SNPs are `snps` (from the .map). Each line holds
// FID IID PAT MAT SEX PHENO and then two allele fields per SNP; "0" is a
// missing allele, and a genotype with one or two missing alleles is missing.
// The first allele seen at a SNP becomes its allele_a and the second its
// allele_b ("0" when never seen); alleles of missing genotypes do not count.
// Throws ConvertError naming the file and line of the first bad line.
PedContents read_ped(const std::string& path, std::vector<SnpRecord>& snps);

} // namespace convert

#endif
