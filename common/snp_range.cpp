#include "snp_range.h"

#include <algorithm>

namespace window_scan {

PositionIndex::PositionIndex(const std::vector<std::int32_t>& positions) : running_max_(positions)
{
    for (std::size_t i = 1; i < running_max_.size(); ++i)
        running_max_[i] = std::max(running_max_[i], running_max_[i - 1]);
}

std::size_t PositionIndex::first_reaching(std::int64_t bound) const
{
    const auto it = std::lower_bound(running_max_.begin(), running_max_.end(), bound,
                                     [](std::int32_t position, std::int64_t b) { return position < b; });
    return static_cast<std::size_t>(it - running_max_.begin());
}

SnpRange snps_between(const PositionIndex& index, std::int64_t start, std::int64_t end)
{
    SnpRange range;
    range.first = index.first_reaching(start);
    const std::size_t stop = index.first_reaching(end);
    range.count = static_cast<long>(stop) - static_cast<long>(range.first);
    return range;
}

} // namespace window_scan
