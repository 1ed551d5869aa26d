#include "popcount_table.h"

#include <immintrin.h>

// Integer counting only: wider instructions here cannot change a number, so
// the kernels are compiled for several instruction sets and chosen at run
// time (the rest of the build keeps the x86-64 baseline).

namespace {

// The word loops, inlined into each kernel so that __builtin_popcountll
// becomes whatever that kernel's instruction set offers.
template <int Cells>
__attribute__((always_inline)) inline void count_words(const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                                                       const std::uint64_t* lo_b, const std::uint64_t* hi_b,
                                                       std::size_t from, std::size_t words, long c[9])
{
    for (std::size_t w = from; w < words; ++w) {
        const std::uint64_t a1 = ~lo_a[w] & hi_a[w];
        const std::uint64_t a2 = lo_a[w] & hi_a[w];
        const std::uint64_t b1 = ~lo_b[w] & hi_b[w];
        const std::uint64_t b2 = lo_b[w] & hi_b[w];
        if (Cells == 9) {
            const std::uint64_t a0 = lo_a[w] & ~hi_a[w];
            const std::uint64_t b0 = lo_b[w] & ~hi_b[w];
            c[0] += __builtin_popcountll(a0 & b0);
            c[1] += __builtin_popcountll(a0 & b1);
            c[2] += __builtin_popcountll(a0 & b2);
            c[3] += __builtin_popcountll(a1 & b0);
            c[4] += __builtin_popcountll(a1 & b1);
            c[5] += __builtin_popcountll(a1 & b2);
            c[6] += __builtin_popcountll(a2 & b0);
            c[7] += __builtin_popcountll(a2 & b1);
            c[8] += __builtin_popcountll(a2 & b2);
        } else {
            c[0] += __builtin_popcountll(a1 & b1);
            c[1] += __builtin_popcountll(a1 & b2);
            c[2] += __builtin_popcountll(a2 & b1);
            c[3] += __builtin_popcountll(a2 & b2);
        }
    }
}

template <int Cells>
void store(const long c[9], int* counts)
{
    for (int i = 0; i < Cells; ++i)
        counts[i] = static_cast<int>(c[i]);
}

template <int Cells>
void count_portable(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                    const std::uint64_t* hi_b, std::size_t words, int* counts)
{
    long c[9] = {};
    count_words<Cells>(lo_a, hi_a, lo_b, hi_b, 0, words, c);
    store<Cells>(c, counts);
}

template <int Cells>
__attribute__((target("popcnt"))) void count_popcnt(const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                                                    const std::uint64_t* lo_b, const std::uint64_t* hi_b,
                                                    std::size_t words, int* counts)
{
    long c[9] = {};
    count_words<Cells>(lo_a, hi_a, lo_b, hi_b, 0, words, c);
    store<Cells>(c, counts);
}

template <int Cells>
__attribute__((target("popcnt,avx512f,avx512vpopcntdq"))) void count_avx512(
    const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b, const std::uint64_t* hi_b,
    std::size_t words, int* counts)
{
    __m512i acc[9];
    for (int i = 0; i < Cells; ++i)
        acc[i] = __m512i{0, 0, 0, 0, 0, 0, 0, 0};
    std::size_t w = 0;
    for (; w + 8 <= words; w += 8) {
        const __m512i la = _mm512_loadu_si512(lo_a + w);
        const __m512i ha = _mm512_loadu_si512(hi_a + w);
        const __m512i lb = _mm512_loadu_si512(lo_b + w);
        const __m512i hb = _mm512_loadu_si512(hi_b + w);
        // Vector operators rather than the and-not intrinsics, whose GCC 12
        // headers draw uninitialised-value warnings.
        const __m512i a1 = ~la & ha;
        const __m512i a2 = la & ha;
        const __m512i b1 = ~lb & hb;
        const __m512i b2 = lb & hb;
        if (Cells == 9) {
            const __m512i a[3] = {la & ~ha, a1, a2};
            const __m512i b[3] = {lb & ~hb, b1, b2};
            for (int r = 0; r < 3; ++r)
                for (int s = 0; s < 3; ++s)
                    acc[3 * r + s] += _mm512_popcnt_epi64(a[r] & b[s]);
        } else {
            acc[0] += _mm512_popcnt_epi64(a1 & b1);
            acc[1] += _mm512_popcnt_epi64(a1 & b2);
            acc[2] += _mm512_popcnt_epi64(a2 & b1);
            acc[3] += _mm512_popcnt_epi64(a2 & b2);
        }
    }
    long c[9] = {};
    for (int i = 0; i < Cells; ++i) {
        alignas(64) long long lanes[8];
        _mm512_store_si512(lanes, acc[i]);
        for (long long lane : lanes)
            c[i] += static_cast<long>(lane);
    }
    count_words<Cells>(lo_a, hi_a, lo_b, hi_b, w, words, c);
    store<Cells>(c, counts);
}

using Kernel = void (*)(const std::uint64_t*, const std::uint64_t*, const std::uint64_t*, const std::uint64_t*,
                         std::size_t, int*);

template <int Cells>
Kernel kernel_of(CountKernel kernel)
{
    switch (kernel) {
    case CountKernel::Avx512: return count_avx512<Cells>;
    case CountKernel::Popcnt: return count_popcnt<Cells>;
    case CountKernel::Portable: break;
    }
    return count_portable<Cells>;
}

} // namespace

bool count_kernel_runs(CountKernel kernel)
{
    switch (kernel) {
    case CountKernel::Portable: return true;
    case CountKernel::Popcnt: return __builtin_cpu_supports("popcnt");
    case CountKernel::Avx512:
        return __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512vpopcntdq");
    }
    return false;
}

CountKernel best_count_kernel()
{
    __builtin_cpu_init();
    if (count_kernel_runs(CountKernel::Avx512))
        return CountKernel::Avx512;
    if (count_kernel_runs(CountKernel::Popcnt))
        return CountKernel::Popcnt;
    return CountKernel::Portable;
}

void joint_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                  const std::uint64_t* hi_b, std::size_t words, int counts[9])
{
    // Chosen once from what the processor reports; a constant for the run.
    static const Kernel best = kernel_of<9>(best_count_kernel());
    best(lo_a, hi_a, lo_b, hi_b, words, counts);
}

void joint_counts_with(CountKernel kernel, const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                       const std::uint64_t* lo_b, const std::uint64_t* hi_b, std::size_t words, int counts[9])
{
    kernel_of<9>(kernel)(lo_a, hi_a, lo_b, hi_b, words, counts);
}

void heterozygote_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                         const std::uint64_t* hi_b, std::size_t words, int counts[4])
{
    static const Kernel best = kernel_of<4>(best_count_kernel());
    best(lo_a, hi_a, lo_b, hi_b, words, counts);
}

void heterozygote_counts_with(CountKernel kernel, const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                              const std::uint64_t* lo_b, const std::uint64_t* hi_b, std::size_t words,
                              int counts[4])
{
    kernel_of<4>(kernel)(lo_a, hi_a, lo_b, hi_b, words, counts);
}
