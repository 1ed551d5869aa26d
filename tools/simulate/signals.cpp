#include "signals.h"

#include "random.h"

#include <algorithm>

namespace {

constexpr std::int64_t kFlank = 10000;

// A planted p-value: u^k times a ceiling, so that the strongest levels are
// small whatever u is. Only products, so every platform prints the same.
struct Strength {
    int power;
    double ceiling;
};

constexpr Strength kCausal = {12, 1e-4};

Strength strength(double r2)
{
    if (r2 >= 0.8)
        return {10, 1e-3};
    if (r2 >= 0.5)
        return {6, 1e-2};
    if (r2 >= 0.3)
        return {4, 1e-1};
    if (r2 >= 0.1)
        return {2, 1.0};
    return {1, 1.0};
}

double planted(double u, Strength s)
{
    double p = s.ceiling;
    for (int i = 0; i < s.power; ++i)
        p *= u;
    return p;
}

} // namespace

std::vector<Signal> plant_signals(std::uint64_t seed, const std::vector<SnpMap>& maps,
                                  const std::vector<Gene>& genes)
{
    Rng rng(seed, kStreamPlanted);
    auto map_of = [&](const Gene& g) -> const SnpMap& { return maps[g.chromosome - 1]; };
    auto snps_in = [&](const Gene& g, std::int64_t flank, std::size_t& lo, std::size_t& hi) {
        const auto& pos = map_of(g).position;
        lo = std::lower_bound(pos.begin(), pos.end(), g.start - flank) - pos.begin();
        hi = std::upper_bound(pos.begin(), pos.end(), g.end + flank) - pos.begin();
    };

    // Eligible genes per chromosome; signals go to the chromosomes in turn.
    std::vector<std::vector<std::size_t>> eligible(maps.size());
    std::size_t eligible_total = 0;
    for (std::size_t k = 0; k < genes.size(); ++k) {
        std::size_t lo, hi;
        snps_in(genes[k], 0, lo, hi);
        const auto& kind = map_of(genes[k]).kind;
        if (std::any_of(kind.begin() + lo, kind.begin() + hi, [](SnpKind s) { return s == SnpKind::Common; })) {
            eligible[genes[k].chromosome - 1].push_back(k);
            ++eligible_total;
        }
    }
    const std::size_t wanted = std::min<std::size_t>(
        eligible_total, std::clamp<std::size_t>(genes.size() / 10, 1, 10));

    std::vector<Signal> out;
    std::size_t chromosome = 0;
    for (std::size_t n = 0; n < wanted; ++n) {
        while (eligible[chromosome].empty())
            chromosome = (chromosome + 1) % maps.size();
        auto& pool = eligible[chromosome];
        chromosome = (chromosome + 1) % maps.size();
        std::swap(pool[rng.below(pool.size())], pool.back());
        const Gene& g = genes[pool.back()];
        pool.pop_back();
        const auto& kind = map_of(g).kind;
        std::size_t lo, hi;
        snps_in(g, 0, lo, hi);
        std::vector<std::size_t> common;
        for (std::size_t i = lo; i < hi; ++i)
            if (kind[i] == SnpKind::Common)
                common.push_back(i);
        Signal s;
        s.chromosome = g.chromosome;
        for (std::size_t k = 0; k < common.size() && k < 10; ++k) {
            std::swap(common[k], common[k + rng.below(common.size() - k)]);
            s.candidates.push_back(common[k]);
        }
        snps_in(g, kFlank, lo, hi);
        s.first = lo;
        s.last = hi - 1;
        out.push_back(s);
    }
    return out;
}

double genotype_r2(const std::vector<signed char>& a, const std::vector<signed char>& b)
{
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] < 0 || b[i] < 0)
            continue;
        const double x = a[i], y = b[i];
        n += 1;
        sa += x;
        sb += y;
        saa += x * x;
        sbb += y * y;
        sab += x * y;
    }
    if (n < 2)
        return 0.0;
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n, cov = sab - sa * sb / n;
    if (va <= 0 || vb <= 0)
        return 0.0;
    return cov * cov / (va * vb);
}

SignalGenotypes::SignalGenotypes(const std::vector<Signal>& signals, int chromosome, std::size_t snps)
    : chromosome_(chromosome), slot_(snps, -1)
{
    for (const auto& s : signals) {
        if (s.chromosome != chromosome)
            continue;
        signals_.push_back(s);
        for (std::size_t i = s.first; i <= s.last; ++i)
            if (slot_[i] < 0)
                slot_[i] = static_cast<int>(codes_.size()), codes_.emplace_back();
    }
}

std::size_t SignalGenotypes::best_tagged(const Signal& s) const
{
    std::size_t best = s.candidates.front();
    double best_sum = -1.0;
    for (std::size_t c : s.candidates) {
        double sum = 0.0;
        for (std::size_t i = s.first; i <= s.last; ++i)
            if (i != c)
                sum += genotype_r2(codes_[slot_[i]], codes_[slot_[c]]);
        if (sum > best_sum) {
            best_sum = sum;
            best = c;
        }
    }
    return best;
}

void SignalGenotypes::offer(std::size_t snp, const std::vector<signed char>& codes)
{
    if (slot_[snp] >= 0)
        codes_[slot_[snp]] = codes;
}

std::vector<double> SignalGenotypes::pvalues(std::uint64_t seed) const
{
    // One uniform per SNP, in order, whatever the windows: the p-values
    // outside the windows do not depend on where the signals are.
    Rng rng(seed, kStreamPvalues, chromosome_);
    std::vector<double> u(slot_.size());
    for (auto& x : u)
        x = rng.uniform();
    std::vector<double> p = u;
    for (const auto& s : signals_) {
        const std::size_t c = best_tagged(s);
        const auto& causal = codes_[slot_[c]];
        for (std::size_t i = s.first; i <= s.last; ++i) {
            const Strength k = i == c ? kCausal : strength(genotype_r2(codes_[slot_[i]], causal));
            p[i] = std::min(p[i], planted(u[i], k));
        }
    }
    return p;
}
