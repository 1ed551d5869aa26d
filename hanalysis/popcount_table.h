#ifndef KESTO_HANALYSIS_POPCOUNT_TABLE_H
#define KESTO_HANALYSIS_POPCOUNT_TABLE_H

#include <cstddef>
#include <cstdint>

// Ways of counting set bits. All give the same integers; the program picks
// the widest one the processor runs, so that one binary runs on any x86-64.
enum class CountKernel {
    Portable,  // the compiler's generic bit counting
    Popcnt,    // the POPCNT instruction, one 64-bit word at a time
    Avx512,    // AVX-512 VPOPCNTQ, eight words at a time
};

bool count_kernel_runs(CountKernel kernel);
// The widest kernel this processor runs, decided once.
CountKernel best_count_kernel();

// The 3x3 joint genotype counts of two SNPs from their bit planes, by AND and
// popcount over 64-bit words; counts[3 * r + c] is the number of individuals
// with code r at the first SNP and code c at the second.
void joint_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                  const std::uint64_t* hi_b, std::size_t words, int counts[9]);
void joint_counts_with(CountKernel kernel, const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                       const std::uint64_t* lo_b, const std::uint64_t* hi_b, std::size_t words, int counts[9]);

// The four cells (1,1), (1,2), (2,1), (2,2) only. Where neither SNP has a
// missing code, these and the per-SNP code counts give the other five.
void heterozygote_counts(const std::uint64_t* lo_a, const std::uint64_t* hi_a, const std::uint64_t* lo_b,
                         const std::uint64_t* hi_b, std::size_t words, int counts[4]);
void heterozygote_counts_with(CountKernel kernel, const std::uint64_t* lo_a, const std::uint64_t* hi_a,
                              const std::uint64_t* lo_b, const std::uint64_t* hi_b, std::size_t words,
                              int counts[4]);

#endif
