#ifndef KESTO_SIMULATE_VCF_FILE_H
#define KESTO_SIMULATE_VCF_FILE_H

#include "alleles.h"
#include "outfile.h"
#include "snps.h"

#include <cstdint>
#include <string>
#include <vector>

// The genotypes of one chromosome as a plain-text VCF 4.2 with GT only:
// REF is allele 2 and ALT allele 1 (the counted allele), so the number of
// ALT alleles in GT is the genotype table's code. Genotypes are phased
// (haplotype order as simulated); a missing one is "./.".
class VcfFile {
public:
    VcfFile(const std::string& path, const SnpMap& map, const SnpAlleles& alleles, int individuals);
    // The next SNP: its 2 * individuals haplotype alleles (1 = allele 1)
    // and its codes (-1 for missing).
    void add(const std::vector<std::uint8_t>& haplotypes, const std::vector<signed char>& codes);
    void close() { file_.close(); }

private:
    OutFile file_;
    const SnpMap& map_;
    const SnpAlleles& alleles_;
    std::size_t next_ = 0;
    std::string line_;
};

#endif
