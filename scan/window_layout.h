#ifndef KESTO_SCAN_WINDOW_LAYOUT_H
#define KESTO_SCAN_WINDOW_LAYOUT_H

#include <cstdint>
#include <vector>

namespace window_scan {

// The value that stands for "the first SNP" as region start and "the last
// SNP" as region end.
constexpr std::int32_t kDefaultBound = -1;

// Scanned stretch in base pairs, after the defaults have been replaced.
struct ScanRegion {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// Replaces a start of -1 by the first SNP position and an end of -1 by the
// last one; any other value, other negative ones included, is kept. The
// position list must not be empty.
ScanRegion resolve_region(std::int32_t start, std::int32_t end, const std::vector<std::int32_t>& positions);

// Number of windows: 1 + (end - start - width) / step, the quotient truncated
// toward zero, and none when that is 0 or below. So the last window ends at
// or before the region end, except for a region shorter than one window by
// less than a step, which gets one window reaching past its end. Computed in
// 64 bits; `step` must be positive.
std::int64_t window_count(const ScanRegion& region, std::int32_t width, std::int32_t step);

// Window w covers start <= position < end.
struct Window {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

Window window_at(const ScanRegion& region, std::int32_t width, std::int32_t step, std::int64_t w);

} // namespace window_scan

#endif
