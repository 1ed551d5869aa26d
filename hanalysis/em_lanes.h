#ifndef KESTO_HANALYSIS_EM_LANES_H
#define KESTO_HANALYSIS_EM_LANES_H

#include "wide_kernel.h"

#include <cstddef>

// The haplotype EM of many SNP pairs in vector lanes, each lane doing the
// float and double operations of the one-pair loop (haplotype_frequencies)
// in its order, so the frequencies are the same bits. A lane whose pair
// converges takes the next pair at once, so lanes do not wait for the
// slowest pair of a group.

// What the EM of one pair starts from (see haplotype_frequencies).
struct EmPair {
    double c00, c01, c10, c11;  // phase-known haplotype counts
    float h;                    // double heterozygotes
    double two_n;               // haplotypes among complete individuals
};

// Frequencies (0,0), (0,1), (1,0), (1,1); `redo` when a NaN turned up,
// whose course depends on how a minimum is taken: the caller runs that pair
// one at a time.
struct EmResult {
    float r[4];
    bool redo;
};

void em_lanes(WideKernel kernel, const EmPair* pairs, std::size_t count, EmResult* results);

#endif
