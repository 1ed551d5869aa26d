#include "ld_matrix.h"
#include "symmetric_eigen.h"
#include "snp_range.h"
#include "regional_pvalues.h"
#include "result_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

std::string text(double p) { return format_number(static_cast<float>(p)); }

TEST(RegionalP, WorkedTailsAtAlphaFivePercent)
{
    EXPECT_EQ(text(regional_p(3, 1.5, 0.05f)), "0.0749375");
    EXPECT_EQ(text(regional_p(3, 1.0, 0.05f)), "0.142625");
    EXPECT_EQ(text(regional_p(2, 0.5, 0.05f)), "0.54875");
    EXPECT_EQ(text(regional_p(1, 1.0, 0.05f)), "0.05");
    for (int k = 1; k < 6; ++k)
        EXPECT_EQ(text(regional_p(k, 0.0, 0.05f)), "1");
}

TEST(RegionalP, InterpolatesLinearlyBetweenTails)
{
    const double t1 = regional_p(3, 1.0, 0.05f);
    const double t2 = regional_p(3, 2.0, 0.05f);
    EXPECT_EQ(text(t2), "0.00725");
    EXPECT_DOUBLE_EQ(regional_p(3, 1.5, 0.05f), 0.5 * (t2 - t1) + t1);
}

TEST(RegionalP, AllHitsGiveAlphaToThePowerK)
{
    const double alpha = static_cast<double>(0.05f);
    EXPECT_NEAR(regional_p(4, 4.0, 0.05f), std::pow(alpha, 4), 1e-15);
    // A hair above k is held at k instead of leaving the distribution's range.
    EXPECT_NEAR(regional_p(4, 4.0000001, 0.05f), std::pow(alpha, 4), 1e-15);
}

TEST(RegionalP, ZeroTailFallsBackToTheDensity)
{
    // alpha 0: every tail above 0 successes is exactly 0.
    const double p = regional_p(1, 1.0, 0.0f);
    EXPECT_EQ(p, 0.0);  // z is infinite, and the density there is 0
    const double q = regional_p(2, 2.0, 1e-30f);
    EXPECT_GT(q, 0.0);
    EXPECT_TRUE(std::isfinite(q));
}

TEST(RegionalP, AlphaOfOneIsDefined)
{
    EXPECT_EQ(regional_p(3, 1.5, 1.0f), 1.0);
}

TEST(Integrand, SinglePrecisionDensity)
{
    EXPECT_EQ(format_number(integrand(1.0f)), "0.241971");
    EXPECT_EQ(format_number(integrand(4.0f)), "0.0269955");
    EXPECT_TRUE(std::isinf(integrand(0.0f)));
    EXPECT_EQ(integrand(250.0f), 0.0f);
}

TEST(Components, WorkedTable)
{
    Eigen::VectorXf one(1);
    one << 1.0f;
    EXPECT_EQ(count_components(one, 0.8), 1);

    Eigen::VectorXf two(2);
    two << 0.0f, 2.0f;
    EXPECT_EQ(count_components(two, 0.8), 1);

    Eigen::VectorXf three(3);
    three << 0.8f, 1.0f, 1.2f;
    EXPECT_EQ(count_components(three, 0.8), 3);
    EXPECT_EQ(count_components(three, 0.0), 1);
    EXPECT_EQ(count_components(three, -1.0), 1);
    // Held at n when the share cannot be reached.
    EXPECT_EQ(count_components(three, 1.0 + 1e-9), 3);
}

TEST(Components, NoEarlyExitOnFallingPartialSums)
{
    // A negative eigenvalue makes the partial share fall again; each partial
    // share is tested on its own.
    Eigen::VectorXf v(3);
    v << -0.5f, 0.2f, 3.3f;  // shares 1.1, 1.1667, 1.0
    EXPECT_EQ(count_components(v, 1.05), 2);
}

TEST(Components, TwoLinkedSnpsOneHit)
{
    Eigen::MatrixXf ld(2, 2);
    ld << 1.0f, 1.0f, 1.0f, 1.0f;
    Eigen::VectorXf hits(2);
    hits << 1.0f, 0.0f;
    const ComponentWeighting w = weigh_components(ld, hits, 0, 0.8);
    EXPECT_EQ(w.ncritical, 1);
    EXPECT_NEAR(w.nsignificant, 0.5, 1e-6);
}

TEST(Components, AllHitsWeighToTheComponentCount)
{
    Eigen::MatrixXf ld(3, 3);
    ld << 1.0f, 0.3f, -0.2f, 0.3f, 1.0f, 0.1f, -0.2f, 0.1f, 1.0f;
    Eigen::VectorXf hits = Eigen::VectorXf::Ones(5);
    const ComponentWeighting w = weigh_components(ld, hits, 2, 1.0);
    EXPECT_EQ(w.ncritical, 3);
    EXPECT_NEAR(w.nsignificant, 3.0, 1e-5);
}

// A region without a hit takes the eigenvalues alone; its kept count and
// weighted sum are those of the whole decomposition, and a matrix whose
// solution is not finite still goes the whole way.
TEST(Components, RegionsWithoutHitsKeepTheWholeDecompositionsFigures)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-0.6f, 0.6f);
    for (int n : {1, 2, 5, 40, 130}) {
        Eigen::MatrixXf ld = Eigen::MatrixXf::Identity(n, n);
        for (int j = 0; j < n; ++j)
            for (int i = j + 1; i < n && i < j + 8; ++i)
                ld(i, j) = ld(j, i) = u(rng) * u(rng);
        Eigen::VectorXf hits = Eigen::VectorXf::Zero(n + 6);
        hits(0) = hits(n + 5) = 1.0f;  // hits outside the region (it starts at 3)
        for (double share : {0.5, 0.8, 0.95}) {
            const SymmetricEigen whole = symmetric_eigen(ld);
            const int k = count_components(whole.values, share);
            const ComponentWeighting w = weigh_components(ld, hits, 3, share);
            EXPECT_EQ(w.ncritical, k) << n;
            EXPECT_EQ(weighted_hits(whole.vectors, k, hits, 3), 0.0) << n;
            EXPECT_EQ(w.nsignificant, 0.0) << n;
        }
    }
    Eigen::MatrixXf bad = Eigen::MatrixXf::Identity(4, 4);
    bad(1, 2) = bad(2, 1) = std::numeric_limits<float>::infinity();
    const Eigen::VectorXf none = Eigen::VectorXf::Zero(4);
    const SymmetricEigen whole = symmetric_eigen(bad);
    const int k = count_components(whole.values, 0.8);
    const double x = weighted_hits(whole.vectors, k, none, 0);
    const ComponentWeighting w = weigh_components(bad, none, 0, 0.8);
    EXPECT_EQ(w.ncritical, k);
    EXPECT_TRUE(w.nsignificant == x || (std::isnan(w.nsignificant) && std::isnan(x)));
}

TEST(LdMatrix, RareMonomorphicAndNegativeEntries)
{
    CodeTable codes;
    codes.samples = 4;
    codes.codes = {
        0, 0, 2, 2,  // SNP 0
        2, 2, 0, 0,  // SNP 1: perfectly opposite phase
        0, 0, 0, 0,  // SNP 2: monomorphic
    };
    const Eigen::MatrixXf ld = build_ld_matrix(codes, 0, 3);
    EXPECT_EQ(ld(0, 0), 1.0f);
    EXPECT_EQ(ld(2, 2), 1.0f);
    EXPECT_FLOAT_EQ(ld(0, 1), -1.0f);
    EXPECT_EQ(ld(0, 1), ld(1, 0));
    EXPECT_EQ(ld(0, 2), 0.0f);
    EXPECT_EQ(ld(1, 2), 0.0f);
}

TEST(RegionSelect, FlankedBoundsAreHalfOpen)
{
    // Ascending positions (legends are checked to ascend): both finders agree.
    const std::vector<std::int32_t> pos = {100, 200, 300, 400};
    const PositionIndex index(pos);
    const struct {
        std::int64_t start, end;
        std::size_t first;
        long count;
    } cases[] = {{200, 400, 1, 2}, {0, 50, 0, 0}, {401, 1000, 4, 0}, {50, 5000, 0, 4},
                 // Bounds beyond 32 bits cannot overflow.
                 {std::int64_t{-3000000000}, std::int64_t{3000000000}, 0, 4}};
    for (const auto& c : cases) {
        const SnpRange r = snps_between(pos, c.start, c.end);
        EXPECT_EQ(r.first, c.first) << c.start;
        EXPECT_EQ(r.count, c.count) << c.start;
        const SnpRange q = snps_between(index, c.start, c.end);
        EXPECT_EQ(q.first, r.first);
        EXPECT_EQ(q.count, r.count);
    }
}

} // namespace
