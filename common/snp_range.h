#ifndef KESTO_COMMON_SNP_RANGE_H
#define KESTO_COMMON_SNP_RANGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The suite's one SNP-range finder: the SNPs of a region or window among SNPs
// held in file order.
//
// first_reaching(bound) is the lowest index whose position is at least
// `bound`, as an upward scan from index 0 finds it, or the SNP count when no
// position reaches the bound. The search runs on the running maximum of the
// positions, which reaches a bound first at exactly that index, so it gives
// the scan's answer in logarithmic time whether or not the positions are
// sorted (legends are checked to ascend; marker files are taken as written).
class PositionIndex {
public:
    explicit PositionIndex(const std::vector<std::int32_t>& positions);

    std::size_t first_reaching(std::int64_t bound) const;

private:
    std::vector<std::int32_t> running_max_;
};

// Half-open range of SNP indices [first, first + count): the SNPs from the
// first one reaching `start` up to the first one reaching `end`. For sorted
// positions these are the SNPs with start <= position < end.
struct SnpRange {
    std::size_t first = 0;
    long count = 0;
};

SnpRange snps_between(const PositionIndex& index, std::int64_t start, std::int64_t end);

// The same for positions known to ascend, without building an index.
SnpRange snps_between(const std::vector<std::int32_t>& ascending, std::int64_t start, std::int64_t end);

#endif
