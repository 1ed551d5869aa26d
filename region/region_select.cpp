#include "region_select.h"

std::size_t first_reaching(const std::vector<std::int32_t>& positions, std::int64_t bound)
{
    const std::size_t n = positions.size();
    if (n == 0 || positions.back() < bound)
        return n;
    std::size_t i = 0;
    while (positions[i] < bound)
        ++i;
    return i;
}

IndexRange select_range(const std::vector<std::int32_t>& positions, std::int64_t start, std::int64_t end)
{
    IndexRange range;
    range.first = first_reaching(positions, start);
    const std::size_t stop = first_reaching(positions, end);
    range.count = static_cast<long>(stop) - static_cast<long>(range.first);
    return range;
}
