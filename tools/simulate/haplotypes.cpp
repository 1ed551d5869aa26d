#include "haplotypes.h"

#include <algorithm>

namespace {

constexpr double kSwitchPerBp = 2.0e-6;       // background founder switches
constexpr double kHotspotChance = 1.0 / 40.0;  // per gap between two SNPs
constexpr double kMutation = 0.001;            // per haplotype and common SNP
constexpr double kTreeShare = 0.7;             // SNPs following the local tree

} // namespace

MosaicHaplotypes::MosaicHaplotypes(std::uint64_t seed, const SnpMap& map, int haplotypes)
    : map_(map),
      founders_(seed, kStreamFounders, map.chromosome),
      copying_(seed, kStreamHaplotypes, map.chromosome),
      copied_(haplotypes),
      allele_(haplotypes)
{
    // Unequal founder shares, as in a real population.
    double total = 0.0;
    for (int k = 0; k < kFounders; ++k) {
        total += founders_.uniform(0.15, 1.0);
        weight_cumulative_[k] = total;
    }
    for (int k = 0; k < kFounders; ++k)
        weight_cumulative_[k] /= total;
    for (int k = 0; k < kFounders; ++k)
        leaf_order_[k] = static_cast<std::uint8_t>(k);
    shuffle_tree();
    for (auto& f : copied_)
        f = static_cast<std::uint8_t>(pick_founder(copying_.uniform()));
}

int MosaicHaplotypes::pick_founder(double u) const
{
    int k = 0;
    while (k < kFounders - 1 && u >= weight_cumulative_[k])
        ++k;
    return k;
}

void MosaicHaplotypes::draw_founder_alleles(SnpKind kind)
{
    std::fill(founder_allele_, founder_allele_ + kFounders, 0);
    if (kind != SnpKind::Common)
        return;
    if (founders_.chance(kTreeShare)) {
        // A mutation on one branch of the local tree, picked by branch
        // length: the leaves are the founders in `leaf_order_`, and the
        // branches above 1, 2 or 4 leaves are aligned runs of that order.
        const double u = founders_.uniform();
        int branch = 0;
        while (branch < kBranches - 1 && u >= branch_cumulative_[branch])
            ++branch;
        int size = 1, first = branch;
        while (first >= kFounders / size) {
            first -= kFounders / size;
            size *= 2;
        }
        for (int k = first * size; k < (first + 1) * size; ++k)
            founder_allele_[leaf_order_[k]] = 1;
    } else {
        // An unrelated pattern, with both alleles among the founders.
        const double freq = founders_.uniform(0.1, 0.9);
        int ones = 0;
        for (int tries = 0; tries < 20 && (ones == 0 || ones == kFounders); ++tries) {
            ones = 0;
            for (int k = 0; k < kFounders; ++k) {
                founder_allele_[k] = founders_.chance(freq) ? 1 : 0;
                ones += founder_allele_[k];
            }
        }
        if (ones == 0 || ones == kFounders)
            founder_allele_[0] ^= 1;
    }
    // Allele 1 is the derived allele only half of the time.
    if (founders_.chance(0.5))
        for (auto& a : founder_allele_)
            a ^= 1;
}

void MosaicHaplotypes::shuffle_tree()
{
    for (int k = kFounders - 1; k > 0; --k)
        std::swap(leaf_order_[k], leaf_order_[founders_.below(static_cast<std::uint64_t>(k) + 1)]);
    // Very unequal branch lengths: a few long branches carry most SNPs.
    double total = 0.0;
    for (int b = 0; b < kBranches; ++b) {
        const double u = founders_.uniform();
        total += u * u * u * u;
        branch_cumulative_[b] = total;
    }
    for (int b = 0; b < kBranches; ++b)
        branch_cumulative_[b] /= total;
}

const std::vector<std::uint8_t>& MosaicHaplotypes::next()
{
    const std::size_t j = snp_++;
    const SnpKind kind = map_.kind[j];

    double p_switch = 0.0;
    if (j > 0) {
        const double gap = static_cast<double>(map_.position[j] - map_.position[j - 1]);
        const double background = std::min(0.5, gap * kSwitchPerBp);
        double hotspot = 0.0;
        if (founders_.chance(kHotspotChance)) {
            hotspot = founders_.uniform(0.3, 0.9);
            shuffle_tree();
        }
        p_switch = background + hotspot - background * hotspot;
    }
    draw_founder_alleles(kind);

    const std::uint64_t switch_below = threshold32(p_switch);
    const std::uint64_t mutate_below = kind == SnpKind::Common ? threshold32(kMutation) : 0;
    for (std::size_t h = 0; h < allele_.size(); ++h) {
        const std::uint64_t r = copying_.bits();
        if ((r >> 32) < switch_below)
            copied_[h] = static_cast<std::uint8_t>(pick_founder(copying_.uniform()));
        const bool mutate = (r & 0xffffffffULL) < mutate_below;
        allele_[h] = founder_allele_[copied_[h]] ^ (mutate ? 1 : 0);
    }

    if (kind == SnpKind::Rare) {
        // Allele 1 on 1-3 distinct haplotypes (fewer when there are fewer).
        const std::size_t n = allele_.size();
        const std::size_t carriers = std::min<std::size_t>(n, 1 + founders_.below(3));
        std::size_t placed = 0;
        while (placed < carriers) {
            const std::size_t h = founders_.below(n);
            if (allele_[h] == 0) {
                allele_[h] = 1;
                ++placed;
            }
        }
    }
    return allele_;
}
