#include "householder_steps.h"

#include "float_lanes.h"

namespace {

using Index = Eigen::Index;

// m[r] = m[r] + (a * x[r] + b * y[r]) for r < length: Eigen's packet and
// scalar paths both compute each element so.
__attribute__((always_inline)) inline void add_two_products(float* m, Index length, float a, const float* x,
                                                            float b, const float* y)
{
    Index r = 0;
    for (; r + kFloatLanes <= length; r += kFloatLanes) {
        FloatLanes mv, xv, yv;
        load_lanes(mv, m + r);
        load_lanes(xv, x + r);
        load_lanes(yv, y + r);
        const FloatLanes sum = a * xv + b * yv;
        const FloatLanes out = mv + sum;
        store_lanes(m + r, out);
    }
    for (; r < length; ++r)
        m[r] = m[r] + (a * x[r] + b * y[r]);
}

// The lower triangle of the trailing block at `m` (columns `stride` apart)
// minus u v' + v u', a column at a time as Eigen's rank-2 update goes:
// column c gets (alpha u_c) v + (alpha v_c) u from row c down, alpha = -1.
__attribute__((always_inline)) inline void rank2_lower(float* m, Index stride, Index size, const float* u,
                                                      const float* v)
{
    const float alpha = -1.0f;
    for (Index c = 0; c < size; ++c)
        add_two_products(m + stride * c + c, size - c, alpha * u[c], v + c, alpha * v[c], u + c);
}

// Block columns minus t_j l: element by element b = b - t_j * l_i, as
// Eigen's outer product "sub" evaluates it.
__attribute__((always_inline)) inline void rank1_sub(float* b, Index stride, Index rows, Index cols, const float* l,
                                                    const float* t)
{
    for (Index j = 0; j < cols; ++j) {
        float* col = b + stride * j;
        const float tj = t[j];
        Index i = 0;
        for (; i + kFloatLanes <= rows; i += kFloatLanes) {
            FloatLanes cv, lv;
            load_lanes(cv, col + i);
            load_lanes(lv, l + i);
            const FloatLanes product = tj * lv;
            const FloatLanes out = cv - product;
            store_lanes(col + i, out);
        }
        for (; i < rows; ++i)
            col[i] = col[i] - tj * l[i];
    }
}

void rank2_portable(float* m, Index stride, Index size, const float* u, const float* v)
{
    rank2_lower(m, stride, size, u, v);
}
__attribute__((target("avx2"))) void rank2_avx2(float* m, Index stride, Index size, const float* u, const float* v)
{
    rank2_lower(m, stride, size, u, v);
}
__attribute__((target("avx512f"))) void rank2_avx512(float* m, Index stride, Index size, const float* u,
                                                     const float* v)
{
    rank2_lower(m, stride, size, u, v);
}

void rank1_portable(float* b, Index stride, Index rows, Index cols, const float* l, const float* t)
{
    rank1_sub(b, stride, rows, cols, l, t);
}
__attribute__((target("avx2"))) void rank1_avx2(float* b, Index stride, Index rows, Index cols, const float* l,
                                                const float* t)
{
    rank1_sub(b, stride, rows, cols, l, t);
}
__attribute__((target("avx512f"))) void rank1_avx512(float* b, Index stride, Index rows, Index cols, const float* l,
                                                     const float* t)
{
    rank1_sub(b, stride, rows, cols, l, t);
}

void rank2(WideKernel kernel, float* m, Index stride, Index size, const float* u, const float* v)
{
    switch (kernel) {
    case WideKernel::Avx512: rank2_avx512(m, stride, size, u, v); return;
    case WideKernel::Avx2: rank2_avx2(m, stride, size, u, v); return;
    case WideKernel::Portable: rank2_portable(m, stride, size, u, v); return;
    }
}

void rank1(WideKernel kernel, float* b, Index stride, Index rows, Index cols, const float* l, const float* t)
{
    switch (kernel) {
    case WideKernel::Avx512: rank1_avx512(b, stride, rows, cols, l, t); return;
    case WideKernel::Avx2: rank1_avx2(b, stride, rows, cols, l, t); return;
    case WideKernel::Portable: rank1_portable(b, stride, rows, cols, l, t); return;
    }
}

} // namespace

void tridiagonalise(WideKernel kernel, Eigen::MatrixXf& matA, Eigen::VectorXf& hCoeffs)
{
    using Eigen::numext::conj;
    const Index n = matA.rows();
    for (Index i = 0; i < n - 1; ++i) {
        const Index remainingSize = n - i - 1;
        float beta;
        float h;
        matA.col(i).tail(remainingSize).makeHouseholderInPlace(h, beta);
        matA.col(i).coeffRef(i + 1) = 1;

        hCoeffs.tail(n - i - 1).noalias() =
            (matA.bottomRightCorner(remainingSize, remainingSize).template selfadjointView<Eigen::Lower>() *
             (conj(h) * matA.col(i).tail(remainingSize)));

        hCoeffs.tail(n - i - 1) +=
            (conj(h) * float(-0.5) * (hCoeffs.tail(remainingSize).dot(matA.col(i).tail(remainingSize)))) *
            matA.col(i).tail(n - i - 1);

        rank2(kernel, &matA.coeffRef(i + 1, i + 1), matA.outerStride(), remainingSize,
              &matA.coeffRef(i + 1, i), &hCoeffs.coeffRef(i));

        matA.col(i).coeffRef(i + 1) = beta;
        hCoeffs.coeffRef(i) = h;
    }
}

void form_q(WideKernel kernel, Eigen::MatrixXf& dst, const Eigen::VectorXf& hcoeffs)
{
    // The in-place evaluation of HouseholderSequence(mat, hcoeffs) with
    // length n - 1 and shift 1: vector k is column k below row k + 1.
    const Index n = dst.rows();
    const Index vecs = n - 1;
    Eigen::VectorXf workspace(n);
    Eigen::VectorXf scaled(n);
    dst.diagonal().setOnes();
    dst.template triangularView<Eigen::StrictlyUpper>().setZero();
    const Eigen::MatrixXf& vectors = dst;
    for (Index k = vecs - 1; k >= 0; --k) {
        const Index cornerSize = n - k - 1;
        Eigen::Block<Eigen::MatrixXf> corner = dst.bottomRightCorner(cornerSize, cornerSize);
        const float tau = hcoeffs.coeff(k);
        // applyHouseholderOnTheLeft(essential, tau, workspace)
        if (cornerSize == 1) {
            corner *= float(1) - tau;
        } else if (tau != float(0)) {
            const Eigen::Block<const Eigen::MatrixXf, Eigen::Dynamic, 1> essential(vectors, k + 2, k, n - k - 2, 1);
            Eigen::Map<Eigen::Matrix<float, 1, Eigen::Dynamic, Eigen::RowMajor, 1, Eigen::Dynamic>> tmp(
                workspace.data(), cornerSize);
            Eigen::Block<Eigen::Block<Eigen::MatrixXf>, Eigen::Dynamic, Eigen::Dynamic> bottom(corner, 1, 0,
                                                                                             cornerSize - 1,
                                                                                             cornerSize);
            tmp.noalias() = essential.adjoint() * bottom;
            tmp += corner.row(0);
            corner.row(0) -= tau * tmp;
            // bottom -= tau * essential * tmp
            for (Index i = 0; i < cornerSize - 1; ++i)
                scaled[i] = tau * essential.coeff(i);
            rank1(kernel, bottom.data(), dst.outerStride(), cornerSize - 1, cornerSize, scaled.data(), tmp.data());
        }
        dst.col(k).tail(n - k - 1).setZero();
    }
    for (Index k = 0; k < dst.cols() - vecs; ++k)
        dst.col(k).tail(n - k - 1).setZero();
}
