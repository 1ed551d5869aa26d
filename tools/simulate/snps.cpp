#include "snps.h"

#include "random.h"

#include <algorithm>
#include <numeric>

SnpMap make_snp_map(std::uint64_t seed, int chromosome, int snps, int spacing)
{
    SnpMap map;
    map.chromosome = chromosome;

    // Gap = 1 + 4 * spacing * u1 * u2: mean close to `spacing`, many short
    // gaps and a tail of long ones, as on a genotyping array.
    Rng pos(seed, kStreamPositions, chromosome);
    map.position.resize(snps);
    std::int64_t at = 1000000 + pos.between(0, spacing);
    for (int i = 0; i < snps; ++i) {
        if (i > 0)
            at += 1 + static_cast<std::int64_t>(4.0 * spacing * pos.uniform() * pos.uniform());
        map.position[i] = at;
    }

    // Special SNPs at distinct random places: a partial Fisher-Yates shuffle.
    Rng kinds(seed, kStreamSnpKinds, chromosome);
    map.kind.assign(snps, SnpKind::Common);
    const int monomorphic = std::max(1, snps / 200);
    const int rare = std::max(1, snps / 100);
    std::vector<int> order(snps);
    std::iota(order.begin(), order.end(), 0);
    for (int k = 0; k < monomorphic + rare; ++k) {
        const int pick = k + static_cast<int>(kinds.below(static_cast<std::uint64_t>(snps - k)));
        std::swap(order[k], order[pick]);
        map.kind[order[k]] = k < monomorphic ? SnpKind::Monomorphic : SnpKind::Rare;
    }
    return map;
}
