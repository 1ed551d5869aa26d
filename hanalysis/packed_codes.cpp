#include "packed_codes.h"

#include "popcount_table.h"

#include <algorithm>
#include <cstring>

PackedCodes::PackedCodes(int samples)
    : samples_(samples), words_(static_cast<std::size_t>((samples + 63) / 64))
{
}

void PackedCodes::begin_row()
{
    if (snps_ == 1 && expected_snps_ > 1) {
        planes_.reserve(expected_snps_ * 2 * words_);
        tallies_.reserve(expected_snps_);
    }
    planes_.resize(planes_.size() + 2 * words_, 0);
}

// Counts the row's codes from its planes: low only 0, high only 1, both 2.
void PackedCodes::end_row(std::uint64_t* lo, std::uint64_t* hi)
{
    Tally tally{{0, 0, 0}, false};
    for (std::size_t w = 0; w < words_; ++w) {
        tally.n[0] += __builtin_popcountll(lo[w] & ~hi[w]);
        tally.n[1] += __builtin_popcountll(hi[w] & ~lo[w]);
        tally.n[2] += __builtin_popcountll(lo[w] & hi[w]);
    }
    tally.complete = tally.n[0] + tally.n[1] + tally.n[2] == samples_;
    tallies_.push_back(tally);
    ++snps_;
}

void PackedCodes::append(const PackedCodes& rows)
{
    const std::size_t row_words = 2 * words_;
    for (std::size_t r = 0; r < rows.snps_; ++r) {
        begin_row();
        std::copy_n(rows.planes_.data() + r * row_words, row_words, planes_.data() + planes_.size() - row_words);
        tallies_.push_back(rows.tallies_[r]);
        ++snps_;
    }
}

void PackedCodes::add_row(const std::int32_t* codes)
{
    begin_row();
    std::uint64_t* lo = planes_.data() + planes_.size() - 2 * words_;
    std::uint64_t* hi = lo + words_;
    for (std::size_t w = 0; w < words_; ++w) {
        const int first = static_cast<int>(w * 64);
        const int last = std::min(samples_, first + 64);
        std::uint64_t l = 0, h = 0;
        for (int s = first; s < last; ++s) {
            const std::int32_t c = codes[s];
            const std::uint64_t bit = std::uint64_t{1} << (s - first);
            // 0 -> low, 1 -> high, 2 -> both; any other code -> neither.
            l |= (c == 0 || c == 2) ? bit : 0;
            h |= (c == 1 || c == 2) ? bit : 0;
        }
        lo[w] = l;
        hi[w] = h;
    }
    end_row(lo, hi);
}

namespace {

// The even bits of x gathered into its low 32 bits.
std::uint64_t even_bits(std::uint64_t x)
{
    x &= 0x5555555555555555ULL;
    x = (x | (x >> 1)) & 0x3333333333333333ULL;
    x = (x | (x >> 2)) & 0x0f0f0f0f0f0f0f0fULL;
    x = (x | (x >> 4)) & 0x00ff00ff00ff00ffULL;
    x = (x | (x >> 8)) & 0x0000ffff0000ffffULL;
    x = (x | (x >> 16)) & 0x00000000ffffffffULL;
    return x;
}

// Up to 32 two-bit codes from `bytes` bytes (at most 8), little-endian; the
// bytes not there read as missing.
std::uint64_t code_word(const std::uint8_t* packed, std::size_t bytes)
{
    std::uint64_t x = ~std::uint64_t{0};
    std::memcpy(&x, packed, bytes);
    return x;
}

} // namespace

void PackedCodes::add_two_bit_row(const std::uint8_t* packed)
{
    begin_row();
    std::uint64_t* lo = planes_.data() + planes_.size() - 2 * words_;
    std::uint64_t* hi = lo + words_;
    const std::size_t row_bytes = (static_cast<std::size_t>(samples_) + 3) / 4;
    for (std::size_t w = 0; w < words_; ++w) {
        // Codes (bit 1, bit 0): 0 = 00 -> low; 1 = 01 -> high; 2 = 10 -> both;
        // 3 = 11 -> neither. Low is "bit 0 clear", high is "bits differ".
        std::uint64_t l = 0, h = 0;
        for (std::size_t half = 0; half < 2; ++half) {
            const std::size_t at = w * 16 + half * 8;
            if (at >= row_bytes)
                break;
            const std::uint64_t x = code_word(packed + at, std::min<std::size_t>(8, row_bytes - at));
            const std::uint64_t bit0 = even_bits(x);
            const std::uint64_t bit1 = even_bits(x >> 1);
            l |= (~bit0 & 0xffffffffULL) << (32 * half);
            h |= (bit0 ^ bit1) << (32 * half);
        }
        const int in_word = std::min(samples_ - static_cast<int>(w * 64), 64);
        if (in_word < 64) {
            const std::uint64_t mask = (std::uint64_t{1} << in_word) - 1;
            l &= mask;
            h &= mask;
        }
        lo[w] = l;
        hi[w] = h;
    }
    end_row(lo, hi);
}

int PackedCodes::code(std::size_t snp, int sample) const
{
    const std::size_t w = static_cast<std::size_t>(sample / 64);
    const int b = sample % 64;
    const int l = static_cast<int>((low(snp)[w] >> b) & 1u);
    const int h = static_cast<int>((high(snp)[w] >> b) & 1u);
    if (l && !h) return 0;
    if (!l && h) return 1;
    if (l && h) return 2;
    return -1;
}

GenoTable PackedCodes::pair_table(std::size_t first, std::size_t second) const
{
    const Tally& a = tallies_[first];
    const Tally& b = tallies_[second];
    if (!a.complete || !b.complete)
        return pair_table_all_cells(first, second);
    // Every individual is in the table: the code counts of each SNP are its
    // row and column sums, so four cells give the other five.
    int c[4];
    heterozygote_counts(low(first), high(first), low(second), high(second), words_, c);
    GenoTable t = GenoTable::Zero();
    t(1, 1) = c[0];
    t(1, 2) = c[1];
    t(2, 1) = c[2];
    t(2, 2) = c[3];
    t(1, 0) = a.n[1] - c[0] - c[1];
    t(2, 0) = a.n[2] - c[2] - c[3];
    t(0, 1) = b.n[1] - c[0] - c[2];
    t(0, 2) = b.n[2] - c[1] - c[3];
    t(0, 0) = a.n[0] - t(0, 1) - t(0, 2);
    return t;
}

GenoTable PackedCodes::pair_table_all_cells(std::size_t first, std::size_t second) const
{
    int counts[9];
    joint_counts(low(first), high(first), low(second), high(second), words_, counts);
    GenoTable t = GenoTable::Zero();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            t(r, c) = counts[3 * r + c];
    return t;
}

void signed_ld_row(const PackedCodes& codes, std::size_t a, std::size_t from, std::size_t to, float* out,
                   double rare)
{
    constexpr std::size_t kChunk = 256;
    GenoTable tables[kChunk];
    for (std::size_t j = from; j < to; j += kChunk) {
        const std::size_t m = std::min(kChunk, to - j);
        for (std::size_t k = 0; k < m; ++k)
            tables[k] = codes.pair_table(a, j + k);
        signed_ld_many(tables, m, out + (j - from), rare);
    }
}

Eigen::MatrixXf build_ld_matrix(const PackedCodes& codes, std::size_t first, int n, double rare)
{
    Eigen::MatrixXf ld(n, n);
    std::vector<float> row(static_cast<std::size_t>(n));
    for (int a = 0; a < n; ++a) {
        ld(a, a) = 1.0f;
        const std::size_t sa = first + static_cast<std::size_t>(a);
        signed_ld_row(codes, sa, sa + 1, first + static_cast<std::size_t>(n), row.data(), rare);
        for (int b = a + 1; b < n; ++b) {
            const float entry = row[static_cast<std::size_t>(b - a - 1)];
            ld(a, b) = entry;
            ld(b, a) = entry;
        }
    }
    return ld;
}
