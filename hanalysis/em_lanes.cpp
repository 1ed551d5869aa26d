#include "em_lanes.h"

namespace {

// Eight lanes. Only lane-wise operations are used (no sums across lanes),
// and -ffp-contract=off keeps products and sums apart, so each lane rounds
// as the scalar loop does whatever the register width of the target.
typedef float F8 __attribute__((vector_size(32)));
typedef double D8 __attribute__((vector_size(64)));
typedef int I8 __attribute__((vector_size(32)));
typedef long long L8 __attribute__((vector_size(64)));
constexpr int kLanes = 8;

struct Lanes {
    F8 r00, r01, r10, r11;  // the latest frequencies
    D8 c00, c01, c10, c11, two_n;
    F8 h;
    I8 counter;
    I8 fresh;     // -1: the pair starts from 0.25 at the next step
    I8 occupied;  // -1: the lane holds a pair
    long pair[kLanes];
};

__attribute__((always_inline)) inline void load_pair(Lanes& l, int lane, const EmPair& p, long index)
{
    l.c00[lane] = p.c00;
    l.c01[lane] = p.c01;
    l.c10[lane] = p.c10;
    l.c11[lane] = p.c11;
    l.two_n[lane] = p.two_n;
    l.h[lane] = p.h;
    l.fresh[lane] = -1;
    l.occupied[lane] = -1;
    l.pair[lane] = index;
}

// An empty lane keeps computing on harmless numbers until the end.
__attribute__((always_inline)) inline void empty_lane(Lanes& l, int lane)
{
    const EmPair idle{1.0, 1.0, 1.0, 1.0, 1.0f, 4.0};
    load_pair(l, lane, idle, -1);
    l.occupied[lane] = 0;
}

__attribute__((always_inline)) inline void run_lanes(const EmPair* pairs, std::size_t count, EmResult* results)
{
    Lanes l{};
    std::size_t next = 0;
    int busy = 0;
    for (int lane = 0; lane < kLanes; ++lane) {
        if (next < count) {
            load_pair(l, lane, pairs[next], static_cast<long>(next));
            ++next;
            ++busy;
        } else {
            empty_lane(l, lane);
        }
    }
    const F8 quarter = {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f};
    while (busy > 0) {
        // The start (H = 0.25 everywhere) or a step (H = R), then the update
        // of em_update: den, the two expected double-heterozygote shares,
        // and each frequency in double precision.
        const F8 h00 = l.fresh ? quarter : l.r00;
        const F8 h01 = l.fresh ? quarter : l.r01;
        const F8 h10 = l.fresh ? quarter : l.r10;
        const F8 h11 = l.fresh ? quarter : l.r11;
        const F8 den = h01 * h10 + h00 * h11;
        const F8 xc = l.h * h00 * h11 / den;
        const F8 xt = l.h * h01 * h10 / den;
        const D8 xcd = __builtin_convertvector(xc, D8);
        const D8 xtd = __builtin_convertvector(xt, D8);
        l.r00 = __builtin_convertvector((l.c00 + xcd) / l.two_n, F8);
        l.r01 = __builtin_convertvector((l.c01 + xtd) / l.two_n, F8);
        l.r10 = __builtin_convertvector((l.c10 + xtd) / l.two_n, F8);
        l.r11 = __builtin_convertvector((l.c11 + xcd) / l.two_n, F8);
        const F8 d00 = l.r00 - h00;
        const F8 d01 = l.r01 - h01;
        const F8 d10 = l.r10 - h10;
        const F8 d11 = l.r11 - h11;
        l.counter = l.fresh ? I8{} : l.counter + 1;
        l.fresh = I8{};

        // Running while the most negative change is over the tolerance and
        // fewer than 500 steps were taken. Without NaNs the minimum does not
        // depend on the order it is taken in (a signed zero fails either way).
        const I8 nan = (d00 != d00) | (d01 != d01) | (d10 != d10) | (d11 != d11);
        const F8 low0 = d00 < d10 ? d00 : d10;
        const F8 low1 = d01 < d11 ? d01 : d11;
        const D8 least = __builtin_convertvector(low0 < low1 ? low0 : low1, D8);
        const D8 size = least < 0.0 ? -least : least;
        const L8 over = size > 0.0001;
        const I8 running = __builtin_convertvector(over, I8) & (l.counter <= 499);
        const I8 done = l.occupied & (~running | nan);

        for (int lane = 0; lane < kLanes; ++lane) {
            if (!done[lane])
                continue;
            EmResult& out = results[l.pair[lane]];
            out.r[0] = l.r00[lane];
            out.r[1] = l.r01[lane];
            out.r[2] = l.r10[lane];
            out.r[3] = l.r11[lane];
            out.redo = nan[lane] != 0;
            if (next < count) {
                load_pair(l, lane, pairs[next], static_cast<long>(next));
                ++next;
            } else {
                empty_lane(l, lane);
                --busy;
            }
        }
    }
}

void lanes_portable(const EmPair* pairs, std::size_t count, EmResult* results)
{
    run_lanes(pairs, count, results);
}

__attribute__((target("avx2"))) void lanes_avx2(const EmPair* pairs, std::size_t count, EmResult* results)
{
    run_lanes(pairs, count, results);
}

__attribute__((target("avx512f"))) void lanes_avx512(const EmPair* pairs, std::size_t count, EmResult* results)
{
    run_lanes(pairs, count, results);
}

} // namespace

void em_lanes(WideKernel kernel, const EmPair* pairs, std::size_t count, EmResult* results)
{
    switch (kernel) {
    case WideKernel::Avx512: lanes_avx512(pairs, count, results); return;
    case WideKernel::Avx2: lanes_avx2(pairs, count, results); return;
    case WideKernel::Portable: lanes_portable(pairs, count, results); return;
    }
}
