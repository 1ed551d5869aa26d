#ifndef KESTO_HANALYSIS_FAST_EIGEN_H
#define KESTO_HANALYSIS_FAST_EIGEN_H

#include "ld_matrix.h"
#include "status.h"

#include <Eigen/Dense>

#include <cstddef>

// Opens LAPACK (only the fast path loads it) and keeps OpenBLAS's work on
// the calling thread: regions are already spread over the program's own
// threads, and processor time stays comparable with the exact path. Call
// once, before the first region; NotFound when LAPACKE cannot be loaded,
// and the fast method then falls back to the exact one everywhere.
Status prepare_fast_eigen();

// Below this many SNPs the exact solver is as fast or faster (measured on
// real LD matrices), so the fast method hands smaller regions to it and
// their results stay exact.
constexpr int kFastEigenSmallest = 48;

// The OpenBLAS kernel set for a processor with these instructions: its own
// detection reads some newer processors (and virtual machines that hide the
// model) as "Prescott" and runs its slowest kernels. Null when OpenBLAS's
// own choice should stand. Used only when OPENBLAS_CORETYPE is not set.
struct VectorInstructions {
    bool avx512 = false;  // F, BW, VL, DQ and CD
    bool avx2_fma = false;
};
const char* openblas_kernels_for(const VectorInstructions& cpu);

// Component weighting through LAPACK: Householder tridiagonalisation
// (ssytrd), all eigenpairs of the tridiagonal matrix by divide and conquer
// (sstedc), the kept count from the eigenvalues, and the back-transformation
// (sormtr) of the kept components' eigenvectors only. False when a LAPACK
// routine reports a failure or LAPACK is missing; `result` is then untouched.
[[nodiscard]] bool weigh_components_fast(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, std::size_t first,
                                         double share, ComponentWeighting& result);

#endif
