#include "random.h"

namespace {

// splitmix64 finaliser: spreads nearby seeds, tags and indices over the whole
// 64-bit range before they seed an engine.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

} // namespace

Rng::Rng(std::uint64_t seed, std::uint64_t tag, std::uint64_t index)
    : engine_(mix(mix(mix(seed) ^ tag) ^ index))
{
}

double Rng::uniform()
{
    // 53 random bits, centred in their cell: (k + 0.5) / 2^53.
    const std::uint64_t k = engine_() >> 11;
    return (static_cast<double>(k) + 0.5) * (1.0 / 9007199254740992.0);
}

std::uint64_t Rng::below(std::uint64_t n)
{
    // Reject the top partial block of the 64-bit range.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t x;
    do {
        x = engine_();
    } while (x >= limit);
    return x % n;
}

std::int64_t Rng::between(std::int64_t low, std::int64_t high)
{
    return low + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(high - low) + 1));
}

std::uint64_t threshold32(double p)
{
    if (p <= 0.0)
        return 0;
    if (p >= 1.0)
        return 1ULL << 32;
    return static_cast<std::uint64_t>(p * 4294967296.0);
}
