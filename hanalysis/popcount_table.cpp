#include "popcount_table.h"

// Built with the processor's popcount instruction where the build machine has
// one (see CMakeLists.txt); otherwise the compiler's portable fallback.
void joint_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                  const std::uint64_t* hi_b, std::size_t words, int counts[9])
{
    long c[9] = {};
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t a0 = lo_a[w] & ~hi_a[w];
        const std::uint64_t a1 = ~lo_a[w] & hi_a[w];
        const std::uint64_t a2 = lo_a[w] & hi_a[w];
        const std::uint64_t b0 = lo_b[w] & ~hi_b[w];
        const std::uint64_t b1 = ~lo_b[w] & hi_b[w];
        const std::uint64_t b2 = lo_b[w] & hi_b[w];
        c[0] += __builtin_popcountll(a0 & b0);
        c[1] += __builtin_popcountll(a0 & b1);
        c[2] += __builtin_popcountll(a0 & b2);
        c[3] += __builtin_popcountll(a1 & b0);
        c[4] += __builtin_popcountll(a1 & b1);
        c[5] += __builtin_popcountll(a1 & b2);
        c[6] += __builtin_popcountll(a2 & b0);
        c[7] += __builtin_popcountll(a2 & b1);
        c[8] += __builtin_popcountll(a2 & b2);
    }
    for (int i = 0; i < 9; ++i)
        counts[i] = static_cast<int>(c[i]);
}
