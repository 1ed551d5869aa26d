#include "packed_codes.h"

#include "popcount_table.h"

#include <algorithm>

PackedCodes::PackedCodes(int samples)
    : samples_(samples), words_(static_cast<std::size_t>((samples + 63) / 64))
{
}

void PackedCodes::add_row(const std::int32_t* codes)
{
    if (snps_ == 1 && expected_snps_ > 1)
        planes_.reserve(expected_snps_ * 2 * words_);
    const std::size_t base = planes_.size();
    planes_.resize(base + 2 * words_, 0);
    std::uint64_t* lo = planes_.data() + base;
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
    ++snps_;
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
    int counts[9];
    joint_counts(low(first), high(first), low(second), high(second), words_, counts);
    GenoTable t = GenoTable::Zero();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            t(r, c) = counts[3 * r + c];
    return t;
}

Eigen::MatrixXf build_ld_matrix(const PackedCodes& codes, std::size_t first, int n, double rare)
{
    Eigen::MatrixXf ld(n, n);
    for (int a = 0; a < n; ++a) {
        ld(a, a) = 1.0f;
        for (int b = a + 1; b < n; ++b) {
            const float entry = signed_ld(codes.pair_table(first + static_cast<std::size_t>(a),
                                                           first + static_cast<std::size_t>(b)),
                                              rare);
            ld(a, b) = entry;
            ld(b, a) = entry;
        }
    }
    return ld;
}
