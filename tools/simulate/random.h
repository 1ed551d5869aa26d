#ifndef KESTO_SIMULATE_RANDOM_H
#define KESTO_SIMULATE_RANDOM_H

#include <cstdint>
#include <random>

// Random numbers that are the same on every platform: the raw 64-bit words come
// from mt19937_64, whose output the C++ standard fixes, and every conversion
// below uses only integer steps and IEEE +, -, *, / (no library distributions,
// no log/exp), so one seed gives the same files everywhere.
class Rng {
public:
    // An independent stream for one purpose: `tag` names the purpose and
    // `index` a chromosome or item, so that changing how many numbers one part
    // draws never shifts the numbers another part sees.
    Rng(std::uint64_t seed, std::uint64_t tag, std::uint64_t index = 0);

    std::uint64_t bits() { return engine_(); }

    // Uniform on the open interval (0, 1): never exactly 0 or 1.
    double uniform();

    // Uniform on [low, high).
    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // Uniform whole number in [0, n), n > 0, without modulo bias.
    std::uint64_t below(std::uint64_t n);

    // Uniform whole number in [low, high].
    std::int64_t between(std::int64_t low, std::int64_t high);

    bool chance(double p) { return uniform() < p; }

private:
    std::mt19937_64 engine_;
};

// A probability as a threshold on a 32-bit random word: the event happens when
// the word is below the threshold. Lets the hot loops use half a draw each.
std::uint64_t threshold32(double p);

// Stream tags, one per part of the simulation.
enum StreamTag : std::uint64_t {
    kStreamPositions = 1,
    kStreamSnpKinds,
    kStreamFounders,
    kStreamHaplotypes,
    kStreamMissing,
    kStreamGenes,
    kStreamPlanted,
    kStreamPvalues,
    kStreamPathways,
    kStreamAlleles,
    kStreamSex,
};

#endif
