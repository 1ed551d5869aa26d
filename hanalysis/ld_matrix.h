#ifndef KESTO_HANALYSIS_LD_MATRIX_H
#define KESTO_HANALYSIS_LD_MATRIX_H

#include "code_table.h"
#include "eigen_method.h"

#include <Eigen/Dense>

#include <cstddef>

// LD matrix of the SNPs first .. first + n - 1: diagonal 1, each pair analysed
// by its own Hanalysis object with the lower index as the first locus.
Eigen::MatrixXf build_ld_matrix(const CodeTable& codes, std::size_t first, int n);

// Number of leading components whose variance share (partial eigenvalue sum
// over n) reaches `share`: 1 plus the partial shares that fall below it.
// Every eigenvalue is visited; the count is held at n.
int count_components(const Eigen::VectorXf& eigenvalues, double share);

// Hits weighted by the normalised absolute loadings of the k leading
// eigenvectors, summed in double precision. The leading eigenvectors are the
// last k columns of `eigenvectors` (eigenvalues ascending), which may hold
// all n of them or only those k.
double weighted_hits(const Eigen::MatrixXf& eigenvectors, int k, const Eigen::VectorXf& hits,
                     std::size_t first);

struct ComponentWeighting {
    int ncritical = 0;
    double nsignificant = 0.0;
};

// Decomposes the LD matrix and applies both steps above. The fast method
// leaves small matrices (kFastEigenSmallest) to the exact one, and falls
// back to it where LAPACK reports a failure.
ComponentWeighting weigh_components(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, std::size_t first,
                                    double share, EigenMethod method = EigenMethod::Exact);

#endif
