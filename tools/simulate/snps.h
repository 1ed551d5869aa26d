#ifndef KESTO_SIMULATE_SNPS_H
#define KESTO_SIMULATE_SNPS_H

#include <cstdint>
#include <string>
#include <vector>

enum class SnpKind : std::uint8_t {
    Common,       // alleles from the founder haplotypes
    Monomorphic,  // allele 1 nowhere
    Rare,         // allele 1 on 1-3 haplotypes only
};

// The SNPs of one chromosome: ascending positions and what kind each is.
struct SnpMap {
    int chromosome = 0;
    std::vector<std::int64_t> position;
    std::vector<SnpKind> kind;

    std::size_t size() const { return position.size(); }
    std::int64_t first() const { return position.front(); }
    std::int64_t last() const { return position.back(); }
    std::string id(std::size_t i) const { return "rs" + std::to_string(chromosome) + "_" + std::to_string(i + 1); }
};

// Positions start a little above 1,000,000 and grow by gaps averaging
// `spacing` bp; about 1 SNP in 200 is monomorphic and 1 in 100 rare, with at
// least one of each.
SnpMap make_snp_map(std::uint64_t seed, int chromosome, int snps, int spacing);

#endif
