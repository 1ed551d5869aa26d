#ifndef KESTO_HANALYSIS_HOUSEHOLDER_STEPS_H
#define KESTO_HANALYSIS_HOUSEHOLDER_STEPS_H

#include "wide_kernel.h"

#include <Eigen/Dense>

// The two Householder stages of Eigen's SelfAdjointEigenSolver for a
// dynamic-size float matrix, step for step: the reduction to tridiagonal
// form (Eigen's tridiagonalization_inplace) and the forming of Q in place
// (its HouseholderSequence evaluation). Products with sums across elements
// (the symmetric matrix-vector product, the dot products) are Eigen's own
// calls; the rank-2 and rank-1 updates of the trailing block, where each
// element gets one product-and-sum of its own, go through wide kernels
// with the same per-element operations, so the bits are Eigen's.

// Reduces the lower triangle of `mat` in place; the Householder vectors
// stay below the subdiagonal and their coefficients go to `hcoeffs`
// (size n - 1).
void tridiagonalise(WideKernel kernel, Eigen::MatrixXf& mat, Eigen::VectorXf& hcoeffs);

// Overwrites `mat` (as tridiagonalise left it) with Q.
void form_q(WideKernel kernel, Eigen::MatrixXf& mat, const Eigen::VectorXf& hcoeffs);

#endif
