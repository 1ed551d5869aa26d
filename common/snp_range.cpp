#include "snp_range.h"

#include <algorithm>

namespace {

std::size_t lower_index(const std::vector<std::int32_t>& ascending, std::int64_t bound)
{
    const auto it = std::lower_bound(ascending.begin(), ascending.end(), bound,
                                     [](std::int32_t position, std::int64_t b) { return position < b; });
    return static_cast<std::size_t>(it - ascending.begin());
}

SnpRange range_of(std::size_t first, std::size_t stop)
{
    SnpRange range;
    range.first = first;
    range.count = static_cast<long>(stop) - static_cast<long>(first);
    return range;
}

} // namespace

PositionIndex::PositionIndex(const std::vector<std::int32_t>& positions) : running_max_(positions)
{
    for (std::size_t i = 1; i < running_max_.size(); ++i)
        running_max_[i] = std::max(running_max_[i], running_max_[i - 1]);
}

std::size_t PositionIndex::first_reaching(std::int64_t bound) const { return lower_index(running_max_, bound); }

SnpRange snps_between(const PositionIndex& index, std::int64_t start, std::int64_t end)
{
    return range_of(index.first_reaching(start), index.first_reaching(end));
}

SnpRange snps_between(const std::vector<std::int32_t>& ascending, std::int64_t start, std::int64_t end)
{
    return range_of(lower_index(ascending, start), lower_index(ascending, end));
}
