#include "ld_matrix.h"

#include "fast_eigen.h"
#include "hanalysis.h"
#include "symmetric_eigen.h"

Eigen::MatrixXf build_ld_matrix(const CodeTable& codes, std::size_t first, int n)
{
    const int H = codes.samples;
    Eigen::MatrixXf ld(n, n);
    for (int a = 0; a < n; ++a)
        ld(a, a) = 1.0f;
    Eigen::MatrixXi pair(2, H);
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            const std::int32_t* ra = codes.row(first + static_cast<std::size_t>(a));
            const std::int32_t* rb = codes.row(first + static_cast<std::size_t>(b));
            for (int s = 0; s < H; ++s) {
                pair(0, s) = ra[s];
                pair(1, s) = rb[s];
            }
            const Hanalysis analysis(pair.row(0), pair.row(1));
            float entry = 0.0f;
            if (!(static_cast<double>(analysis.alematrix().minCoeff()) < 0.01)) {
                const double dprime = analysis.LDDprime();
                const float r2 = static_cast<float>(analysis.LDRsquare());
                entry = dprime < 0.0 ? -r2 : r2;
            }
            ld(a, b) = entry;
            ld(b, a) = entry;
        }
    }
    return ld;
}

int count_components(const Eigen::VectorXf& eigenvalues, double share)
{
    const int n = static_cast<int>(eigenvalues.size());
    double sum = 0.0;
    int k = 1;
    for (int idx = n - 1; idx >= 0; --idx) {
        sum += static_cast<double>(eigenvalues(idx));
        if (share > sum / static_cast<double>(n))
            ++k;
    }
    // A share above 1, or the last partial share rounding just below 1, would
    // ask for a component that does not exist.
    return k > n ? n : k;
}

double weighted_hits(const Eigen::MatrixXf& eigenvectors, int k, const Eigen::VectorXf& hits, std::size_t first)
{
    const Eigen::Index n = eigenvectors.rows();
    const Eigen::Index last = eigenvectors.cols() - 1;
    const Eigen::Index start = static_cast<Eigen::Index>(first);
    double x = 0.0;
    for (int c = 0; c < k; ++c) {
        const Eigen::VectorXf loadings = eigenvectors.col(last - c).cwiseAbs();
        const float total = loadings.sum();
        const Eigen::VectorXf weights = loadings / total;
        const float share = weights.dot(hits.segment(start, n));
        x += static_cast<double>(share);
    }
    return x;
}

ComponentWeighting weigh_components(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, std::size_t first,
                                    double share, EigenMethod method)
{
    if (method == EigenMethod::Fast && ld.rows() >= kFastEigenSmallest) {
        ComponentWeighting fast;
        if (weigh_components_fast(ld, hits, first, share, fast))
            return fast;
    }
    ComponentWeighting result;
    // Without a hit the weighted sum is 0 whatever the loadings are (finite
    // ones: a converged solution of a finite matrix), so only the kept
    // count is needed, and the eigenvalues alone give it.
    if ((hits.segment(static_cast<Eigen::Index>(first), ld.rows()).array() == 0.0f).all()) {
        const SymmetricEigen values = symmetric_eigenvalues(ld);
        if (values.converged && values.values.allFinite()) {
            result.ncritical = count_components(values.values, share);
            result.nsignificant = 0.0;
            return result;
        }
    }
    const SymmetricEigen solved = symmetric_eigen(ld);
    result.ncritical = count_components(solved.values, share);
    result.nsignificant = weighted_hits(solved.vectors, result.ncritical, hits, first);
    return result;
}
