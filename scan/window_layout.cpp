#include "window_layout.h"

namespace window_scan {

ScanRegion resolve_region(std::int32_t start, std::int32_t end, const std::vector<std::int32_t>& positions)
{
    ScanRegion region;
    region.start = start == kDefaultBound ? positions.front() : start;
    region.end = end == kDefaultBound ? positions.back() : end;
    return region;
}

std::int64_t window_count(const ScanRegion& region, std::int32_t width, std::int32_t step)
{
    const std::int64_t spare = region.end - region.start - width;
    const std::int64_t count = 1 + spare / step;
    return count > 0 ? count : 0;
}

Window window_at(const ScanRegion& region, std::int32_t width, std::int32_t step, std::int64_t w)
{
    Window window;
    window.start = region.start + w * step;
    window.end = window.start + width;
    return window;
}

} // namespace window_scan
