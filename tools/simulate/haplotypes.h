#ifndef KESTO_SIMULATE_HAPLOTYPES_H
#define KESTO_SIMULATE_HAPLOTYPES_H

#include "random.h"
#include "snps.h"

#include <cstdint>
#include <vector>

// Sample haplotypes of one chromosome, produced SNP by SNP so that memory
// stays proportional to the number of haplotypes.
//
// A few founder haplotypes carry the alleles. Most SNPs mark one branch of a
// local genealogy of the founders (so neighbouring SNPs often share a pattern
// exactly), the rest a random pattern; the genealogy is redrawn at each
// recombination hotspot. Every sample
// haplotype copies one founder and switches to another (chosen by founder
// weight) with a probability that grows with the bp gap to the previous SNP;
// occasional hotspots between two SNPs add a large switch probability, which
// cuts the chromosome into blocks of strong linkage disequilibrium. A small
// per-site mutation rate adds private variation.
class MosaicHaplotypes {
public:
    MosaicHaplotypes(std::uint64_t seed, const SnpMap& map, int haplotypes);

    // Alleles (0/1) of every haplotype at the next SNP; call once per SNP in
    // order. The returned vector is reused by the next call.
    const std::vector<std::uint8_t>& next();

private:
    static constexpr int kFounders = 8;
    static constexpr int kBranches = 2 * kFounders - 2;   // of a balanced tree

    int pick_founder(double u) const;
    void draw_founder_alleles(SnpKind kind);
    void shuffle_tree();

    const SnpMap& map_;
    Rng founders_;    // founder alleles, hotspots
    Rng copying_;     // switches and mutations of the sample haplotypes
    double weight_cumulative_[kFounders];
    std::uint8_t founder_allele_[kFounders];
    std::uint8_t leaf_order_[kFounders];  // founders in local-tree leaf order
    double branch_cumulative_[kBranches];
    std::vector<std::uint8_t> copied_;   // founder each haplotype copies now
    std::vector<std::uint8_t> allele_;
    std::size_t snp_ = 0;
};

#endif
