#include "genes.h"

#include "labels.h"
#include "random.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFarGap = 60000.0;

enum class Gap { Overlap, Near, JustAbove, Far };

// One chromosome's genes before they are placed: lengths, and for every gene
// after the first how it follows the genes before it.
struct Plan {
    std::vector<double> length;
    std::vector<Gap> gap;        // gap[0] unused
    std::vector<double> amount;  // bp for Near/JustAbove/Far, share for Overlap
};

struct Placed {
    std::vector<std::int64_t> start, end;
    std::int64_t extent = 0;
};

// Lays the plan out from 0 with lengths and gaps multiplied by `scale`. An
// overlapping gene starts a share of the way back from the furthest end so
// far, but always after the previous gene's start, so starts stay ascending.
Placed place(const Plan& plan, double scale)
{
    Placed out;
    const std::size_t n = plan.length.size();
    out.start.resize(n);
    out.end.resize(n);
    std::int64_t frontier = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t len = std::max<std::int64_t>(1, std::llround(plan.length[i] * scale));
        std::int64_t s = 0;
        if (i > 0) {
            if (plan.gap[i] == Gap::Overlap) {
                s = frontier - static_cast<std::int64_t>(plan.amount[i] * static_cast<double>(frontier - out.start[i - 1]));
                s = std::max(s, out.start[i - 1] + 1);
            } else {
                s = frontier + std::max<std::int64_t>(1, std::llround(plan.amount[i] * scale));
            }
        }
        out.start[i] = s;
        out.end[i] = s + len;
        frontier = std::max(frontier, out.end[i]);
    }
    out.extent = frontier;
    return out;
}

Plan make_plan(Rng& rng, int n, bool just_above)
{
    Plan plan;
    plan.length.resize(n);
    plan.gap.assign(n, Gap::Far);
    plan.amount.assign(n, 0.0);
    for (int i = 0; i < n; ++i) {
        const double u = rng.uniform();
        plan.length[i] = 10000.0 + 140000.0 * u * u;   // mostly short genes
    }
    for (int i = 1; i < n; ++i) {
        const double u = rng.uniform();
        plan.gap[i] = u < 0.15 ? Gap::Overlap : u < 0.40 ? Gap::Near : Gap::Far;
    }
    if (n >= 4) {
        plan.gap[1] = Gap::Overlap;
        plan.gap[2] = Gap::Near;
    }
    if (just_above)
        plan.gap[n / 2 + 1 < n ? n / 2 + 1 : n - 1] = Gap::JustAbove;
    for (int i = 1; i < n; ++i) {
        switch (plan.gap[i]) {
        case Gap::Overlap: plan.amount[i] = rng.uniform(0.2, 0.8); break;
        case Gap::Near: plan.amount[i] = static_cast<double>(rng.between(5000, 45000)); break;
        case Gap::JustAbove: plan.amount[i] = static_cast<double>(rng.between(50001, 50400)); break;
        case Gap::Far: plan.amount[i] = kFarGap; break;
        }
    }
    return plan;
}

// Spreads the room left in the span over the far gaps (each keeps its 60 kb),
// or shrinks everything when the genes do not fit.
Placed fit(Rng& rng, Plan& plan, std::int64_t span)
{
    Placed placed = place(plan, 1.0);
    if (placed.extent <= span) {
        std::vector<std::size_t> far;
        for (std::size_t i = 1; i < plan.gap.size(); ++i)
            if (plan.gap[i] == Gap::Far)
                far.push_back(i);
        if (!far.empty()) {
            // Up to 90% of the spare room goes between genes, the rest to the ends.
            const double spare = 0.9 * static_cast<double>(span - placed.extent);
            std::vector<double> weight(far.size());
            double total = 0.0;
            for (auto& w : weight)
                total += (w = rng.uniform(0.2, 1.0));
            for (std::size_t k = 0; k < far.size(); ++k)
                plan.amount[far[k]] += std::floor(spare * weight[k] / total);
            placed = place(plan, 1.0);
        }
        return placed;
    }
    double scale = static_cast<double>(span) / static_cast<double>(placed.extent);
    do {
        scale *= 0.99;
        placed = place(plan, scale);
    } while (placed.extent > span && scale > 1e-9);
    return placed;
}

} // namespace

std::vector<Gene> make_genes(std::uint64_t seed, const std::vector<SnpMap>& maps, int genes)
{
    Rng rng(seed, kStreamGenes);
    const int chromosomes = static_cast<int>(maps.size());
    std::vector<Gene> out;
    bool just_above_done = false;
    for (int c = 0; c < chromosomes; ++c) {
        const int n = genes / chromosomes + (c < genes % chromosomes ? 1 : 0);
        if (n == 0)
            continue;
        const SnpMap& map = maps[c];
        const bool just_above = !just_above_done && n >= 3;
        just_above_done = just_above_done || just_above;
        Plan plan = make_plan(rng, n, just_above);
        const std::int64_t span = map.last() - map.first();
        const Placed placed = fit(rng, plan, span);
        const std::int64_t offset = map.first() + rng.between(0, std::max<std::int64_t>(0, span - placed.extent));
        for (int i = 0; i < n; ++i) {
            Gene g;
            g.chromosome = map.chromosome;
            g.start = offset + placed.start[i];
            g.end = offset + placed.end[i];
            out.push_back(g);
        }
    }

    // Ids grow with the order in the list, with random steps, so they are
    // unique but do not look like a plain counter.
    const int width = label_width(genes, 3);
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k].id = zero_padded("ENSG", 100000LL + 173LL * static_cast<long long>(k) + rng.between(0, 172), 11);
        out[k].name = zero_padded("GENE", static_cast<long long>(k) + 1, width);
    }
    return out;
}
