#ifndef KESTO_HANALYSIS_POPCOUNT_TABLE_H
#define KESTO_HANALYSIS_POPCOUNT_TABLE_H

#include <cstddef>
#include <cstdint>

// The 3x3 joint genotype counts of two SNPs from their bit planes, by AND and
// popcount over 64-bit words; counts[3 * r + c] is the number of individuals
// with code r at the first SNP and code c at the second.
void joint_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                  const std::uint64_t* hi_b, std::size_t words, int counts[9]);

#endif
