#ifndef KESTO_HANALYSIS_HANALYSIS_H
#define KESTO_HANALYSIS_HANALYSIS_H

#include <Eigen/Dense>

#include <cstddef>

// Joint genotype counts of a SNP pair: rows are the first SNP's code, columns
// the second's, both in the order 0, 1, 2, -1. Row and column 3 (missing) are
// tabulated but never used.
using GenoTable = Eigen::Matrix<int, 4, 4, Eigen::RowMajor>;

// The LD arithmetic as pure functions of the count table, so that any way of
// counting (one object per pair, or bit-packed rows) gives the same numbers.
Eigen::Matrix2f allele_frequencies(const GenoTable& table);
Eigen::Matrix2f haplotype_frequencies(const GenoTable& table);
double ld_dprime(const GenoTable& table);
double ld_rsquare(const GenoTable& table);

// The allele frequency below which a SNP is too rare for its LD to count.
constexpr double kRareAlleleFrequency = 0.01;

// Signed LD value of a pair as the LD matrices hold it: 0 when either SNP has
// an allele frequency below `rare` (among the individuals typed at both), else
// r^2 carrying the sign of D'.
float signed_ld(const GenoTable& table, double rare = kRareAlleleFrequency);

// signed_ld of `count` tables into `out`, several pairs at a time; the same
// values bit for bit.
void signed_ld_many(const GenoTable* tables, std::size_t count, float* out, double rare = kRareAlleleFrequency);

// The same through a chosen kernel width (wide_kernel.h), for the tests.
enum class WideKernel;
void signed_ld_many_with(WideKernel kernel, const GenoTable* tables, std::size_t count, float* out,
                         double rare = kRareAlleleFrequency);

// Two-locus LD analysis of one SNP pair from their genotype code rows.
class Hanalysis {
public:
    Hanalysis(Eigen::MatrixXi first, Eigen::MatrixXi second);

    void calFreq();
    Eigen::Matrix2f alematrix() const;
    Eigen::Matrix2f hEM() const;
    double LDDprime() const;
    double LDRsquare() const;

    const GenoTable& table() const { return genotable; }

private:
    Eigen::MatrixXi snp1;
    Eigen::MatrixXi snp2;
    Eigen::Matrix2f auxmatrix;
    GenoTable genotable;
};

#endif
