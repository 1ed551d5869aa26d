#ifndef KESTO_SIMULATE_PLINK_H
#define KESTO_SIMULATE_PLINK_H

#include "snps.h"

#include <cstdint>
#include <string>
#include <vector>

// One chromosome as a PLINK data set, in binary (.bed/.bim/.fam) and text
// (.ped/.map) form. Genotypes are packed as in the .bed file while they stream
// in (2 bits per individual), which is also what the .ped is written from.
class PlinkSet {
public:
    PlinkSet(std::uint64_t seed, const SnpMap& map, int individuals);

    // Codes of the next SNP: copies of allele 1 (0/1/2), -1 for missing.
    void add(const std::vector<signed char>& codes);

    // Writes <prefix>.bed/.bim/.fam/.ped/.map.
    void write(const std::string& prefix) const;

private:
    void write_bed(const std::string& path) const;
    void write_bim(const std::string& path) const;
    void write_fam(const std::string& path) const;
    void write_map(const std::string& path) const;
    void write_ped(const std::string& path) const;
    std::string person(int i) const;   // the six leading .fam/.ped columns

    const SnpMap& map_;
    int individuals_;
    std::size_t row_bytes_;
    std::vector<char> allele1_, allele2_;   // per SNP; allele 1 is counted
    std::vector<int> sex_;                  // 1 or 2
    std::vector<std::uint8_t> packed_;      // SNP-major, row_bytes_ per SNP
};

#endif
