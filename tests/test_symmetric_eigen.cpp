// The blocked eigen-decomposition, and its eigenvalues alone, against
// Eigen's own solver, bit for bit, for every rotation kernel the processor runs: sizes around the row blocks
// (16, 64), repeated eigenvalues, exact zeros, and LD-like matrices.

#include "symmetric_eigen.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

bool same_bits(const float* a, const float* b, Eigen::Index count)
{
    return std::memcmp(a, b, static_cast<std::size_t>(count) * sizeof(float)) == 0;
}

Eigen::MatrixXf random_symmetric(int n, std::mt19937& rng)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    Eigen::MatrixXf m(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i)
            m(i, j) = m(j, i) = u(rng);
    return m;
}

// Signed r² of correlated 0/1/2 codes in blocks, rounded as the LD matrix
// holds it: many near-equal eigenvalues and near-zero ones.
Eigen::MatrixXf ld_like(int n, std::mt19937& rng)
{
    const int people = 97;
    std::bernoulli_distribution flip(0.15);
    std::bernoulli_distribution allele(0.4);
    Eigen::MatrixXf g(people, n);
    for (int p = 0; p < people; ++p) {
        int code = allele(rng) + allele(rng);
        for (int s = 0; s < n; ++s) {
            if (s % 9 == 0 || flip(rng))
                code = allele(rng) + allele(rng);
            g(p, s) = static_cast<float>(code);
        }
    }
    const Eigen::MatrixXf centred = g.rowwise() - g.colwise().mean();
    const Eigen::VectorXf sd = centred.colwise().norm();
    Eigen::MatrixXf r = (centred.transpose() * centred).array() / (sd * sd.transpose()).array();
    Eigen::MatrixXf ld(n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            ld(i, j) = i == j ? 1.0f : (r(i, j) < 0 ? -r(i, j) * r(i, j) : r(i, j) * r(i, j));
    for (int i = 0; i < n; ++i)
        if (sd(i) == 0.0f)
            ld.row(i).setZero(), ld.col(i).setZero(), ld(i, i) = 1.0f;
    return ld;
}

// Blocks of perfect LD: eigenvalues equal to the block sizes and zeros.
Eigen::MatrixXf perfect_blocks(int n)
{
    Eigen::MatrixXf ld = Eigen::MatrixXf::Zero(n, n);
    for (int at = 0, size = 1; at < n; at += size, size = size % 7 + 1) {
        const int s = std::min(size, n - at);
        ld.block(at, at, s, s).setOnes();
    }
    return ld;
}

} // namespace

TEST(SymmetricEigen, EveryKernelGivesEigensBits)
{
    std::mt19937 rng(20261208);
    struct Kind {
        std::string name;
        std::function<Eigen::MatrixXf(int)> make;
    };
    const std::vector<Kind> kinds = {
        {"random", [&](int n) { return random_symmetric(n, rng); }},
        {"ld_like", [&](int n) { return ld_like(n, rng); }},
        {"perfect_blocks", [](int n) { return perfect_blocks(n); }},
        {"identity", [](int n) { return Eigen::MatrixXf::Identity(n, n).eval(); }},
        {"zero", [](int n) { return Eigen::MatrixXf::Zero(n, n).eval(); }},
        {"split", [&](int n) {  // two independent halves: the QR deflates in the middle
             Eigen::MatrixXf m = random_symmetric(n, rng);
             m.block(0, n / 2, n / 2, n - n / 2).setZero();
             m.block(n / 2, 0, n - n / 2, n / 2).setZero();
             return m;
         }},
    };
    const std::vector<int> sizes = {1, 2, 3, 15, 16, 17, 31, 63, 64, 65, 80, 129, 200};
    const std::vector<WideKernel> kernels = {WideKernel::Portable, WideKernel::Avx2,
                                                 WideKernel::Avx512};
    for (const Kind& kind : kinds) {
        for (int n : sizes) {
            const Eigen::MatrixXf a = kind.make(n);
            const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> eigen(a, Eigen::ComputeEigenvectors);
            for (WideKernel kernel : kernels) {
                if (!wide_kernel_runs(kernel))
                    continue;
                const SymmetricEigen ours = symmetric_eigen_with(kernel, a);
                const std::string where = kind.name + " n=" + std::to_string(n) + " kernel " +
                                          std::to_string(static_cast<int>(kernel));
                ASSERT_EQ(ours.converged, eigen.info() == Eigen::Success) << where;
                ASSERT_EQ(ours.values.size(), n) << where;
                ASSERT_EQ(ours.vectors.rows(), n) << where;
                ASSERT_EQ(ours.vectors.cols(), n) << where;
                EXPECT_TRUE(same_bits(ours.values.data(), eigen.eigenvalues().data(), n)) << where;
                EXPECT_TRUE(same_bits(ours.vectors.data(), eigen.eigenvectors().data(), n * n)) << where;
                // The eigenvalues alone: the same bits, as Eigen's own values-only solver gives.
                const SymmetricEigen values = symmetric_eigenvalues_with(kernel, a);
                ASSERT_EQ(values.converged, ours.converged) << where;
                EXPECT_EQ(values.vectors.size(), 0) << where;
                ASSERT_EQ(values.values.size(), n) << where;
                EXPECT_TRUE(same_bits(values.values.data(), eigen.eigenvalues().data(), n)) << where;
                const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> only(a, Eigen::EigenvaluesOnly);
                EXPECT_TRUE(same_bits(values.values.data(), only.eigenvalues().data(), n)) << where;
            }
        }
    }
}

TEST(SymmetricEigen, LargeMatrixAcrossSeveralBatchesOfRotations)
{
    // Enough sweeps that the rotation log is applied in more than one batch.
    std::mt19937 rng(7);
    const Eigen::MatrixXf a = ld_like(700, rng);
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> eigen(a, Eigen::ComputeEigenvectors);
    const SymmetricEigen ours = symmetric_eigen(a);
    EXPECT_TRUE(same_bits(ours.values.data(), eigen.eigenvalues().data(), 700));
    EXPECT_TRUE(same_bits(ours.vectors.data(), eigen.eigenvectors().data(), 700 * 700));
    EXPECT_TRUE(same_bits(symmetric_eigenvalues(a).values.data(), eigen.eigenvalues().data(), 700));
}
