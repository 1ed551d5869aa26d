#include "pair_band.h"

#include "parallel.h"

#include <algorithm>

namespace window_scan {

void PairBand::cover(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, int threads)
{
    std::size_t low = static_cast<std::size_t>(-1), high = 0;
    for (const auto& [first, stop] : ranges)
        if (first < stop) {
            low = std::min(low, first);
            high = std::max(high, stop);
        }
    if (high == 0)
        return;
    if (rows_.empty() || low < base_ || low >= base_ + rows_.size()) {
        rows_.clear();
        base_ = low;
    }
    while (base_ < low) {
        rows_.pop_front();
        ++base_;
    }
    while (base_ + rows_.size() < high)
        rows_.emplace_back();

    // How far each row must reach: the largest stop among the ranges that
    // hold its SNP.
    std::vector<std::size_t> reach(high - low, 0);
    for (const auto& [first, stop] : ranges)
        for (std::size_t i = first; i < stop; ++i)
            reach[i - low] = std::max(reach[i - low], stop);

    parallel_for(reach.size(), threads, [&](std::size_t k) {
        const std::size_t i = low + k;
        std::vector<float>& row = rows_[i - base_];
        const std::size_t from = i + 1 + row.size();
        if (from >= reach[k])
            return;
        row.resize(reach[k] - i - 1);
        signed_ld_row(codes_, i, from, reach[k], row.data() + (from - i - 1), rare_);
    });
}

Eigen::MatrixXf PairBand::matrix(std::size_t first, int n) const
{
    Eigen::MatrixXf ld(n, n);
    for (int a = 0; a < n; ++a) {
        ld(a, a) = 1.0f;
        const std::vector<float>& row = rows_[first + static_cast<std::size_t>(a) - base_];
        for (int b = a + 1; b < n; ++b) {
            const float entry = row[static_cast<std::size_t>(b - a - 1)];
            ld(a, b) = entry;
            ld(b, a) = entry;
        }
    }
    return ld;
}

} // namespace window_scan
