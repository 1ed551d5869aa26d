#ifndef KESTO_HANALYSIS_SYMMETRIC_EIGEN_H
#define KESTO_HANALYSIS_SYMMETRIC_EIGEN_H

#include "wide_kernel.h"

#include <Eigen/Dense>

// Eigenvalues (ascending) and eigenvectors of a symmetric single-precision
// matrix, bit for bit those of
// Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf>(a, Eigen::ComputeEigenvectors).
//
// The same steps run in the same order: scaling, Eigen's Householder
// tridiagonalisation and forming of Q (householder_steps.h: their rank
// updates through wide kernels), the implicit QR sweeps with Wilkinson
// shifts, the selection sort. What differs most is how the Givens rotations
// of the sweeps reach Q. Eigen applies each one to two whole columns as soon as it is
// made; here the rotations of many sweeps are recorded (they never feed back
// into the sweeps) and applied afterwards to blocks of rows, a block held in
// registers across a whole sweep. Every element still receives the same
// rotations in the same order through the same products and sums, so the
// result is unchanged, while each element is loaded and stored once per sweep
// instead of twice per rotation and the rows go through wide registers.

struct SymmetricEigen {
    Eigen::VectorXf values;   // ascending
    Eigen::MatrixXf vectors;  // one column per eigenvalue
    bool converged = true;    // false: Eigen's NoConvergence (values left unsorted, as Eigen does)
};

// `a` is read from its lower triangle, as Eigen does.
SymmetricEigen symmetric_eigen(const Eigen::MatrixXf& a);
SymmetricEigen symmetric_eigen_with(WideKernel kernel, const Eigen::MatrixXf& a);

// The eigenvalues alone (`vectors` left empty), the same bits as
// symmetric_eigen's and as Eigen's solver with Eigen::EigenvaluesOnly:
// neither forming Q nor turning it feeds back into them.
SymmetricEigen symmetric_eigenvalues(const Eigen::MatrixXf& a);
SymmetricEigen symmetric_eigenvalues_with(WideKernel kernel, const Eigen::MatrixXf& a);

#endif
