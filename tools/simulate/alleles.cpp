#include "alleles.h"

#include "random.h"

SnpAlleles make_alleles(std::uint64_t seed, const SnpMap& map)
{
    static const char kBases[] = "ACGT";
    Rng alleles(seed, kStreamAlleles, map.chromosome);
    SnpAlleles out;
    out.allele1.resize(map.size());
    out.allele2.resize(map.size());
    for (std::size_t j = 0; j < map.size(); ++j) {
        const std::uint64_t a = alleles.below(4);
        out.allele1[j] = kBases[a];
        out.allele2[j] = kBases[(a + 1 + alleles.below(3)) % 4];
    }
    return out;
}
