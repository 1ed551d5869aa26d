// LD pairs per second: one Hanalysis object per pair (the reference path)
// against packed codes with popcount counts and one haplotype estimation.

#include "code_table.h"
#include "hanalysis.h"
#include "packed_codes.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kSnps = 64;

CodeTable random_codes(int samples)
{
    std::mt19937 rng(42);
    CodeTable t;
    t.samples = samples;
    std::vector<int> base(static_cast<std::size_t>(samples));
    for (int s = 0; s < kSnps; ++s) {
        if (s % 8 == 0)
            for (auto& b : base)
                b = static_cast<int>(rng() % 3);
        for (int i = 0; i < samples; ++i) {
            const unsigned r = rng() % 100;
            t.codes.push_back(r < 10 ? static_cast<int>(rng() % 3) : r < 12 ? -1 : base[static_cast<std::size_t>(i)]);
        }
    }
    return t;
}

void BM_ReferencePairs(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    const CodeTable codes = random_codes(samples);
    std::size_t a = 0, b = 1;
    for (auto _ : state) {
        Eigen::MatrixXi pair(2, samples);
        for (int i = 0; i < samples; ++i) {
            pair(0, i) = codes.row(a)[i];
            pair(1, i) = codes.row(b)[i];
        }
        const Hanalysis h(pair.row(0), pair.row(1));
        float entry = 0.0f;
        if (!(static_cast<double>(h.alematrix().minCoeff()) < 0.01)) {
            const double d = h.LDDprime();
            const float r2 = static_cast<float>(h.LDRsquare());
            entry = d < 0.0 ? -r2 : r2;
        }
        benchmark::DoNotOptimize(entry);
        b = b + 1 == kSnps ? 1 : b + 1;
        a = b == 1 ? (a + 1) % kSnps : a;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PackedPairs(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    const CodeTable codes = random_codes(samples);
    PackedCodes packed(samples);
    for (int s = 0; s < kSnps; ++s)
        packed.add_row(codes.row(static_cast<std::size_t>(s)));
    std::size_t a = 0, b = 1;
    for (auto _ : state) {
        const float entry = signed_ld(packed.pair_table(a, b));
        benchmark::DoNotOptimize(entry);
        b = b + 1 == kSnps ? 1 : b + 1;
        a = b == 1 ? (a + 1) % kSnps : a;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_ReferencePairs)->Arg(500)->Arg(2000)->Arg(10000);
BENCHMARK(BM_PackedPairs)->Arg(500)->Arg(2000)->Arg(10000);
BENCHMARK_MAIN();

namespace {

void BM_PackedCountsOnly(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    const CodeTable codes = random_codes(samples);
    PackedCodes packed(samples);
    for (int s = 0; s < kSnps; ++s)
        packed.add_row(codes.row(static_cast<std::size_t>(s)));
    std::size_t a = 0, b = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(packed.pair_table(a, b));
        b = b + 1 == kSnps ? 1 : b + 1;
        a = b == 1 ? (a + 1) % kSnps : a;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_PackedCountsOnly)->Arg(2000);
