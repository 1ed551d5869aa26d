#include "fast_eigen.h"

#include <lapacke.h>

#include <vector>

extern "C" void openblas_set_num_threads(int threads);

void prepare_fast_eigen() { openblas_set_num_threads(1); }

bool weigh_components_fast(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, std::size_t first, double share,
                           ComponentWeighting& result)
{
    const lapack_int n = static_cast<lapack_int>(ld.rows());
    if (n < 1)
        return false;
    // Column-major copy, reduced in place; its lower triangle then holds the
    // Householder reflectors that sormtr applies.
    Eigen::MatrixXf reduced = ld;
    Eigen::VectorXf diagonal(n);
    std::vector<float> off(static_cast<std::size_t>(n));
    std::vector<float> tau(static_cast<std::size_t>(n));
    if (LAPACKE_ssytrd(LAPACK_COL_MAJOR, 'L', n, reduced.data(), n, diagonal.data(), off.data(), tau.data()) != 0)
        return false;
    // Eigenvalues come back ascending in `diagonal`, as the exact solver
    // orders them; `vectors` holds the tridiagonal matrix's eigenvectors.
    Eigen::MatrixXf vectors(n, n);
    if (LAPACKE_sstedc(LAPACK_COL_MAJOR, 'I', n, diagonal.data(), off.data(), vectors.data(), n) != 0)
        return false;
    if (!diagonal.allFinite())
        return false;
    const int k = count_components(diagonal, share);
    // The kept components are the last k columns, contiguous in memory.
    float* kept = vectors.data() + static_cast<std::ptrdiff_t>(n - k) * n;
    if (LAPACKE_sormtr(LAPACK_COL_MAJOR, 'L', 'L', 'N', n, k, reduced.data(), n, tau.data(), kept, n) != 0)
        return false;
    const Eigen::Map<const Eigen::MatrixXf> components(kept, n, k);
    if (!components.allFinite())
        return false;
    result.ncritical = k;
    result.nsignificant = weighted_hits(components, k, hits, first);
    return true;
}
