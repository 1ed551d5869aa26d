#ifndef KESTO_SCAN_PAIR_BAND_H
#define KESTO_SCAN_PAIR_BAND_H

#include "packed_codes.h"

#include <Eigen/Dense>

#include <cstddef>
#include <deque>
#include <vector>

namespace window_scan {

// Signed LD values of the SNP pairs that overlapping windows share, so that
// each pair is analysed once per run however many windows hold it. Row i
// holds the values of pairs (i, i + 1), (i, i + 2), ... as far as a window
// holding SNP i has reached. Windows must come in order of their first SNP.
class PairBand {
public:
    explicit PairBand(const PackedCodes& codes, double rare = kRareAlleleFrequency) : codes_(codes), rare_(rare) {}

    // Makes every pair of SNPs within each range [first, stop) known, on up
    // to `threads` threads, and forgets the rows of SNPs before the first
    // range. Ranges are given in window order.
    void cover(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, int threads);

    // The window's LD matrix: diagonal 1, entries from the band.
    Eigen::MatrixXf matrix(std::size_t first, int n) const;

    std::size_t rows() const { return rows_.size(); }

private:
    const PackedCodes& codes_;
    double rare_;  // allele frequency below which a pair's LD is 0
    std::size_t base_ = 0;  // SNP index of the first row
    std::deque<std::vector<float>> rows_;
};

} // namespace window_scan

#endif
