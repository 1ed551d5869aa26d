#ifndef KESTO_HANALYSIS_PACKED_CODES_H
#define KESTO_HANALYSIS_PACKED_CODES_H

#include "hanalysis.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Genotype codes of many SNPs in two bit planes per SNP. Only four states
// matter to the LD engine: 0, 1, 2, and "missing or any other code" (which
// the count table's used block never sees). Encoding (low, high):
// 0 -> (1, 0), 1 -> (0, 1), 2 -> (1, 1), anything else -> (0, 0).
class PackedCodes {
public:
    PackedCodes() = default;
    explicit PackedCodes(int samples);

    // Room for this many SNPs in all, taken once the first row is in (so a
    // file whose header announces far too many samples is refused before it
    // costs memory), so that appending does not reallocate.
    void reserve(std::size_t snps) { expected_snps_ = snps; }

    // Appends one SNP's codes (`samples` of them).
    void add_row(const std::int32_t* codes);

    // The same from two-bit codes, four individuals a byte with the first in
    // the low bits: 0, 1, 2 copies of the counted allele, 3 missing (the
    // reference panels' layout). Bits past the last individual are ignored.
    void add_two_bit_row(const std::uint8_t* packed);
    // Appends every row of another table of as many samples (rows packed
    // elsewhere, e.g. on another thread): the same as adding them one by one.
    void append(const PackedCodes& rows);

    int samples() const { return samples_; }
    std::size_t snps() const { return snps_; }
    std::size_t words_per_plane() const { return words_; }
    std::size_t bytes() const { return planes_.size() * sizeof(std::uint64_t); }

    // Count table of a pair with the first SNP as rows; only the block of
    // complete individuals (codes 0, 1, 2 at both SNPs) is filled, the
    // missing row and column stay 0.
    GenoTable pair_table(std::size_t first, std::size_t second) const;

    // The same table counted over all nine cells, whatever the SNPs hold;
    // the reference for the shortcut pair_table takes for complete SNPs.
    GenoTable pair_table_all_cells(std::size_t first, std::size_t second) const;

    // Code of one individual as the engine sees it (other codes read as -1).
    int code(std::size_t snp, int sample) const;

    // True when every individual has code 0, 1 or 2 at this SNP.
    bool complete(std::size_t snp) const { return tallies_[snp].complete; }

private:
    void begin_row();
    void end_row(std::uint64_t* lo, std::uint64_t* hi);

    const std::uint64_t* low(std::size_t snp) const { return planes_.data() + snp * 2 * words_; }
    const std::uint64_t* high(std::size_t snp) const { return low(snp) + words_; }

    // Individuals with codes 0, 1 and 2 at one SNP.
    struct Tally {
        int n[3];
        bool complete;
    };

    int samples_ = 0;
    std::size_t words_ = 0;
    std::size_t snps_ = 0;
    std::size_t expected_snps_ = 0;
    std::vector<std::uint64_t> planes_;
    std::vector<Tally> tallies_;
};

// Signed LD values of pairs (a, j) for j in [from, to) into out[0 ..
// to - from): signed_ld of each pair table, several pairs at a time.
void signed_ld_row(const PackedCodes& codes, std::size_t a, std::size_t from, std::size_t to, float* out,
                   double rare = kRareAlleleFrequency);

// Signed LD matrix of SNPs first .. first + n - 1 from packed codes: the same
// entries as build_ld_matrix on the plain codes. Pairs with an allele below
// the `rare` frequency get 0.
Eigen::MatrixXf build_ld_matrix(const PackedCodes& codes, std::size_t first, int n,
                                double rare = kRareAlleleFrequency);

#endif
