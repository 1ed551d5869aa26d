#ifndef KESTO_REGION_REGION_SELECT_H
#define KESTO_REGION_REGION_SELECT_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Index of the first SNP whose position reaches `bound`, or the SNP count when
// the last position lies below it. Only the last position decides whether the
// scan runs at all, so unsorted positions give the same index range as a
// plain upward scan that is entered only when the last SNP reaches the bound.
std::size_t first_reaching(const std::vector<std::int32_t>& positions, std::int64_t bound);

// Half-open range of SNP indices [first, first + count).
struct IndexRange {
    std::size_t first = 0;
    long count = 0;
};

// SNPs with start <= position < end (for ascending positions).
IndexRange select_range(const std::vector<std::int32_t>& positions, std::int64_t start, std::int64_t end);

#endif
