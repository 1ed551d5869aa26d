#include "symmetric_eigen.h"

#include "float_lanes.h"
#include "householder_steps.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

using Index = Eigen::Index;

// Rotations made by the QR sweeps and not yet applied to Q. Sweep i turns
// the column pairs (first[i], first[i] + 1), (first[i] + 1, first[i] + 2), …
// with the rotations offset[i] .. offset[i + 1] - 1. Each rotation is stored
// as Q = Q * G needs it: the cosine and the sine of the transposed rotation.
struct RotationLog {
    std::vector<Index> first;
    std::vector<std::size_t> offset{0};
    std::vector<float> c;
    std::vector<float> s;

    void begin_sweep(Index column) { first.push_back(column); }
    void add(float cosine, float sine)
    {
        c.push_back(cosine);
        s.push_back(sine);
    }
    void end_sweep() { offset.push_back(c.size()); }
    std::size_t sweeps() const { return first.size(); }
    void clear()
    {
        first.clear();
        offset.assign(1, 0);
        c.clear();
        s.clear();
    }
};

// Applied in batches of about this many rotations (2 × 256 kB of log), so
// the log stays in cache while the row blocks go past it.
constexpr std::size_t kBatchRotations = std::size_t{1} << 16;

// One rotation of a pair of column pieces, written as Eigen's packet path
// writes it: x' = c x + s y, y' = c y - s x (its scalar path, -s x + c y,
// gives the same bits: the negation is exact and the sum commutes).
// Eigen skips the identity rotation; so do these.
//
// V vectors of 16 rows at a time, the column piece carried in registers
// from one rotation of a sweep to the next; columns `stride` floats apart.
template <int V>
__attribute__((always_inline)) inline void apply_rows(float* q, Index stride, Index row, const RotationLog& log)
{
    for (std::size_t w = 0; w < log.sweeps(); ++w) {
        const std::size_t from = log.offset[w];
        const std::size_t to = log.offset[w + 1];
        float* p = q + log.first[w] * stride + row;
        FloatLanes x[V];
        for (int v = 0; v < V; ++v)
            load_lanes(x[v], p + 16 * v);
        for (std::size_t r = from; r < to; ++r) {
            float* next = p + stride;
            const float c = log.c[r];
            const float s = log.s[r];
            if (c == 1.0f && s == 0.0f) {
                for (int v = 0; v < V; ++v) {
                    store_lanes(p + 16 * v, x[v]);
                    load_lanes(x[v], next + 16 * v);
                }
            } else {
                for (int v = 0; v < V; ++v) {
                    FloatLanes y;
                    load_lanes(y, next + 16 * v);
                    const FloatLanes turned = c * x[v] + s * y;
                    store_lanes(p + 16 * v, turned);
                    x[v] = c * y - s * x[v];
                }
            }
            p = next;
        }
        for (int v = 0; v < V; ++v)
            store_lanes(p + 16 * v, x[v]);
    }
}

// Blocks of 64, 32 and 16 rows; the last rows (fewer than 16) are copied
// into a block of 16 whose spare lanes are zeros, and copied back.
__attribute__((always_inline)) inline void apply_all(float* q, Index n, const RotationLog& log)
{
    Index row = 0;
    for (; row + 64 <= n; row += 64)
        apply_rows<4>(q, n, row, log);
    for (; row + 32 <= n; row += 32)
        apply_rows<2>(q, n, row, log);
    for (; row + 16 <= n; row += 16)
        apply_rows<1>(q, n, row, log);
    const Index rest = n - row;
    if (rest == 0)
        return;
    std::vector<float> block(static_cast<std::size_t>(16 * n), 0.0f);
    for (Index col = 0; col < n; ++col)
        std::memcpy(&block[static_cast<std::size_t>(16 * col)], q + col * n + row, sizeof(float) * rest);
    apply_rows<1>(block.data(), 16, 0, log);
    for (Index col = 0; col < n; ++col)
        std::memcpy(q + col * n + row, &block[static_cast<std::size_t>(16 * col)], sizeof(float) * rest);
}

void apply_portable(float* q, Index n, const RotationLog& log) { apply_all(q, n, log); }

__attribute__((target("avx2"))) void apply_avx2(float* q, Index n, const RotationLog& log) { apply_all(q, n, log); }

__attribute__((target("avx512f"))) void apply_avx512(float* q, Index n, const RotationLog& log)
{
    apply_all(q, n, log);
}

void apply_log(WideKernel kernel, Eigen::MatrixXf& q, RotationLog& log)
{
    if (log.sweeps() == 0)
        return;
    switch (kernel) {
    case WideKernel::Avx512: apply_avx512(q.data(), q.rows(), log); break;
    case WideKernel::Avx2: apply_avx2(q.data(), q.rows(), log); break;
    case WideKernel::Portable: apply_portable(q.data(), q.rows(), log); break;
    }
    log.clear();
}

// One implicit QR sweep with a Wilkinson shift over diag/subdiag
// start..end, the operations of Eigen's tridiagonal_qr_step in its order;
// the rotations go to the log, when there is one.
void qr_sweep(float* diag, float* subdiag, Index start, Index end, RotationLog* log)
{
    const float td = (diag[end - 1] - diag[end]) * 0.5f;
    const float e = subdiag[end - 1];
    float mu = diag[end];
    if (td == 0.0f) {
        mu -= Eigen::numext::abs(e);
    } else if (e != 0.0f) {
        const float e2 = Eigen::numext::abs2(e);
        const float h = Eigen::numext::hypot(td, e);
        if (e2 == 0.0f)
            mu -= e / ((td + (td > 0.0f ? h : -h)) / e);
        else
            mu -= e2 / (td + (td > 0.0f ? h : -h));
    }

    float x = diag[start] - mu;
    float z = subdiag[start];
    if (log)
        log->begin_sweep(start);
    for (Index k = start; k < end && z != 0.0f; ++k) {
        Eigen::JacobiRotation<float> rot;
        rot.makeGivens(x, z);

        const float sdk = rot.s() * diag[k] + rot.c() * subdiag[k];
        const float dkp1 = rot.s() * subdiag[k] + rot.c() * diag[k + 1];

        diag[k] = rot.c() * (rot.c() * diag[k] - rot.s() * subdiag[k]) -
                  rot.s() * (rot.c() * subdiag[k] - rot.s() * diag[k + 1]);
        diag[k + 1] = rot.s() * sdk + rot.c() * dkp1;
        subdiag[k] = rot.c() * sdk - rot.s() * dkp1;

        if (k > start)
            subdiag[k - 1] = rot.c() * subdiag[k - 1] - rot.s() * z;

        x = subdiag[k];
        if (k < end - 1) {
            z = -rot.s() * subdiag[k + 1];
            subdiag[k + 1] = rot.c() * subdiag[k + 1];
        }
        // Q = Q G applies the transpose: cosine c, sine -s.
        if (log) {
            const Eigen::JacobiRotation<float> t = rot.transpose();
            log->add(t.c(), t.s());
        }
    }
    if (log)
        log->end_sweep();
}

// Eigen's computeFromTridiagonal_impl with the rotations logged and applied
// in batches; Eigen's limit of 30 sweeps per eigenvalue. Without `q` the
// eigenvalues alone: the sweeps never read Q, so they are the same bits.
bool from_tridiagonal(WideKernel kernel, Eigen::VectorXf& diag, Eigen::VectorXf& subdiag, Eigen::MatrixXf* q)
{
    constexpr Index kMaxIterations = 30;
    const Index n = diag.size();
    Index end = n - 1;
    Index start = 0;
    Index iter = 0;
    const float consider_as_zero = (std::numeric_limits<float>::min)();
    const float precision_inv = 1.0f / Eigen::NumTraits<float>::epsilon();
    RotationLog log;
    while (end > 0) {
        for (Index i = start; i < end; ++i) {
            if (Eigen::numext::abs(subdiag[i]) < consider_as_zero) {
                subdiag[i] = 0.0f;
            } else {
                const float scaled_subdiag = precision_inv * subdiag[i];
                if (scaled_subdiag * scaled_subdiag <= (Eigen::numext::abs(diag[i]) + Eigen::numext::abs(diag[i + 1])))
                    subdiag[i] = 0.0f;
            }
        }
        while (end > 0 && subdiag[end - 1] == 0.0f)
            end--;
        if (end <= 0)
            break;
        iter++;
        if (iter > kMaxIterations * n)
            break;
        start = end - 1;
        while (start > 0 && subdiag[start - 1] != 0.0f)
            start--;
        qr_sweep(diag.data(), subdiag.data(), start, end, q ? &log : nullptr);
        if (q && log.c.size() >= kBatchRotations)
            apply_log(kernel, *q, log);
    }
    if (q)
        apply_log(kernel, *q, log);
    if (iter > kMaxIterations * n)
        return false;
    for (Index i = 0; i < n - 1; ++i) {
        Index k;
        diag.segment(i, n - i).minCoeff(&k);
        if (k > 0) {
            std::swap(diag[i], diag[k + i]);
            if (q)
                q->col(i).swap(q->col(k + i));
        }
    }
    return true;
}

// Eigen's compute(): scale into [-1, 1], tridiagonalise, form Q (when the
// eigenvectors are asked for), then the QR sweeps.
SymmetricEigen solve(WideKernel kernel, const Eigen::MatrixXf& a, bool vectors)
{
    SymmetricEigen result;
    const Index n = a.cols();
    if (n < 2) {
        const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> solver(
            a, vectors ? Eigen::ComputeEigenvectors : Eigen::EigenvaluesOnly);
        result.values = solver.eigenvalues();
        if (vectors)
            result.vectors = solver.eigenvectors();
        result.converged = solver.info() == Eigen::Success;
        return result;
    }
    Eigen::MatrixXf mat = a.triangularView<Eigen::Lower>();
    float scale = mat.cwiseAbs().maxCoeff();
    if (scale == 0.0f)
        scale = 1.0f;
    mat.triangularView<Eigen::Lower>() /= scale;
    Eigen::VectorXf& diag = result.values;
    diag.resize(n);
    Eigen::VectorXf subdiag(n - 1);
    Eigen::VectorXf hcoeffs(n - 1);
    tridiagonalise(kernel, mat, hcoeffs);
    diag = mat.diagonal();
    subdiag = mat.diagonal<-1>();
    if (vectors) {
        form_q(kernel, mat, hcoeffs);
        result.converged = from_tridiagonal(kernel, diag, subdiag, &mat);
        result.vectors = std::move(mat);
    } else {
        result.converged = from_tridiagonal(kernel, diag, subdiag, nullptr);
    }
    diag *= scale;
    return result;
}

WideKernel best_kernel()
{
    static const WideKernel best = best_wide_kernel();
    return best;
}

} // namespace

SymmetricEigen symmetric_eigen_with(WideKernel kernel, const Eigen::MatrixXf& a) { return solve(kernel, a, true); }

SymmetricEigen symmetric_eigen(const Eigen::MatrixXf& a) { return solve(best_kernel(), a, true); }

SymmetricEigen symmetric_eigenvalues_with(WideKernel kernel, const Eigen::MatrixXf& a)
{
    return solve(kernel, a, false);
}

SymmetricEigen symmetric_eigenvalues(const Eigen::MatrixXf& a) { return solve(best_kernel(), a, false); }
