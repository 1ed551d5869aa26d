#include "hanalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

Eigen::MatrixXi row_of(const std::vector<int>& codes)
{
    Eigen::MatrixXi m(1, static_cast<Eigen::Index>(codes.size()));
    for (std::size_t i = 0; i < codes.size(); ++i)
        m(0, static_cast<Eigen::Index>(i)) = codes[i];
    return m;
}

// Builds an analysis from (first code, second code) pairs, one per individual.
Hanalysis from_pairs(const std::vector<std::pair<int, int>>& individuals)
{
    std::vector<int> a, b;
    for (const auto& [x, y] : individuals) {
        a.push_back(x);
        b.push_back(y);
    }
    return Hanalysis(row_of(a), row_of(b));
}

TEST(Counts, TabulatesJointCodesAndAlleleFrequencies)
{
    const Hanalysis h(row_of({0, 0, 1, 2}), row_of({0, 1, 1, -1}));
    GenoTable expected = GenoTable::Zero();
    expected(0, 0) = 1;
    expected(0, 1) = 1;
    expected(1, 1) = 1;
    expected(2, 3) = 1;
    EXPECT_EQ(h.table(), expected);
    const Eigen::Matrix2f f = h.alematrix();
    EXPECT_FLOAT_EQ(f(0, 0), 4.0f / 6.0f);
    EXPECT_FLOAT_EQ(f(0, 1), 5.0f / 6.0f);
    EXPECT_FLOAT_EQ(f(1, 0), static_cast<float>(1.0 - 4.0 / 6.0));
    EXPECT_FLOAT_EQ(f(1, 1), static_cast<float>(1.0 - 5.0 / 6.0));
}

TEST(Counts, OtherCodesAreLeftOut)
{
    const Hanalysis h(row_of({0, 3, 9, 2, -7}), row_of({0, 1, 2, 2, 1}));
    EXPECT_EQ(h.table().sum(), 2);
    EXPECT_EQ(h.table()(0, 0), 1);
    EXPECT_EQ(h.table()(2, 2), 1);
}

TEST(Counts, MonomorphicSwapAndEmpty)
{
    const Hanalysis mono(row_of({0, 0, 0}), row_of({0, 1, 2}));
    EXPECT_EQ(mono.alematrix()(0, 1), 1.0f);
    EXPECT_EQ(mono.alematrix()(1, 1), 0.0f);
    EXPECT_EQ(mono.alematrix().minCoeff(), 0.0f);

    const Hanalysis ab(row_of({0, 1, 2, 1}), row_of({0, 0, 1, 2}));
    const Hanalysis ba(row_of({0, 0, 1, 2}), row_of({0, 1, 2, 1}));
    EXPECT_EQ(ab.table().transpose(), ba.table());
    EXPECT_EQ(ab.alematrix().col(0), ba.alematrix().col(1));
    EXPECT_EQ(ab.alematrix().col(1), ba.alematrix().col(0));

    const Hanalysis none(row_of({-1, 0, 1}), row_of({1, -1, -1}));
    const Eigen::Matrix2f f = none.alematrix();
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(std::isnan(f(i / 2, i % 2)));
}

TEST(Em, NoDoubleHeterozygoteNeedsNoIteration)
{
    const Eigen::Matrix2f f = from_pairs({{0, 0}, {0, 2}, {2, 0}, {2, 2}}).hEM();
    EXPECT_EQ(f, Eigen::Matrix2f::Constant(0.25f));
}

TEST(Em, AllDoubleHeterozygotesStayAtTheStart)
{
    const Eigen::Matrix2f f = from_pairs({{1, 1}, {1, 1}, {1, 1}}).hEM();
    EXPECT_EQ(f, Eigen::Matrix2f::Constant(0.25f));
}

TEST(Em, ConvergesTowardsThePhaseTheOthersShow)
{
    const Eigen::Matrix2f cis = from_pairs({{1, 1}, {1, 1}, {0, 0}, {0, 0}, {2, 2}, {2, 2}}).hEM();
    EXPECT_NEAR(cis(0, 0), 0.5f, 1e-6);
    EXPECT_NEAR(cis(1, 1), 0.5f, 1e-6);
    EXPECT_LT(cis(0, 1), 1e-9);
    EXPECT_LT(cis(1, 0), 1e-9);

    const Eigen::Matrix2f trans = from_pairs({{1, 1}, {1, 1}, {0, 2}, {0, 2}, {2, 0}, {2, 0}}).hEM();
    EXPECT_NEAR(trans(0, 1), 0.5f, 1e-6);
    EXPECT_NEAR(trans(1, 0), 0.5f, 1e-6);
    EXPECT_LT(trans(0, 0), 1e-9);
    EXPECT_LT(trans(1, 1), 1e-9);
}

TEST(Em, WorkedMixedExample)
{
    const Hanalysis h = from_pairs({{1, 1}, {0, 0}, {0, 1}, {1, 0}, {2, 2}, {1, 2}, {2, 1}, {0, 2}});
    const Eigen::Matrix2f f = h.hEM();
    EXPECT_NEAR(f(0, 0), 0.29299, 5e-6);
    EXPECT_NEAR(f(0, 1), 0.26951, 5e-6);
    EXPECT_NEAR(f(1, 0), 0.14451, 5e-6);
    EXPECT_NEAR(f(1, 1), 0.29299, 5e-6);
    EXPECT_NEAR(f(0, 0) + f(0, 1), 0.5625, 1e-6);
    EXPECT_NEAR(f(1, 0) + f(1, 1), 0.4375, 1e-6);
}

TEST(Em, MissingAndOtherCodesDoNotChangeTheResult)
{
    const Eigen::Matrix2f base = from_pairs({{1, 1}, {0, 0}, {0, 1}, {2, 2}}).hEM();
    const Eigen::Matrix2f noisy = from_pairs({{1, 1}, {-1, 2}, {0, 0}, {3, 1}, {0, 1}, {1, 9}, {2, 2}}).hEM();
    EXPECT_EQ(base, noisy);
}

TEST(Ld, CompleteAssociation)
{
    const Hanalysis h = from_pairs({{0, 0}, {0, 0}, {2, 2}, {2, 2}});
    EXPECT_DOUBLE_EQ(h.LDDprime(), 1.0);
    EXPECT_DOUBLE_EQ(h.LDRsquare(), 1.0);
    const Hanalysis r = from_pairs({{0, 2}, {0, 2}, {2, 0}, {2, 0}});
    EXPECT_DOUBLE_EQ(r.LDDprime(), -1.0);
    EXPECT_DOUBLE_EQ(r.LDRsquare(), 1.0);
    EXPECT_FLOAT_EQ(signed_ld(r.table()), -1.0f);
}

TEST(Ld, IndependenceGivesZero)
{
    const Hanalysis h = from_pairs({{0, 0}, {0, 2}, {2, 0}, {2, 2}});
    EXPECT_DOUBLE_EQ(h.LDDprime(), 0.0);
    EXPECT_DOUBLE_EQ(h.LDRsquare(), 0.0);
    const Hanalysis u = from_pairs({{0, 0}, {0, 0}, {0, 0}, {0, 2}, {2, 0}, {2, 0}, {2, 0}, {2, 2}});
    EXPECT_FLOAT_EQ(u.alematrix()(0, 1), 0.5f);
    EXPECT_FLOAT_EQ(u.alematrix()(0, 0), 0.75f);
    EXPECT_DOUBLE_EQ(u.LDDprime(), 0.0);
    EXPECT_DOUBLE_EQ(u.LDRsquare(), 0.0);
}

TEST(Ld, MonomorphicAndEmptyPairs)
{
    const Hanalysis mono = from_pairs({{0, 0}, {0, 2}, {0, 1}});
    EXPECT_EQ(mono.LDRsquare(), 1.0);
    EXPECT_TRUE(std::isnan(mono.LDDprime()));
    EXPECT_EQ(signed_ld(mono.table()), 0.0f);

    const Hanalysis none = from_pairs({{-1, 0}, {1, -1}});
    EXPECT_EQ(none.LDDprime(), 0.0);
    EXPECT_EQ(none.LDRsquare(), 0.0);
    EXPECT_EQ(signed_ld(none.table()), 0.0f);
}

TEST(Ld, SwappingTheSnpsKeepsTheMeasures)
{
    const std::vector<int> a = {0, 1, 2, 1, 0, 2, 1, 1, 0, 2};
    const std::vector<int> b = {0, 1, 2, 2, 0, 1, 1, 0, 1, 2};
    const Hanalysis ab(row_of(a), row_of(b));
    const Hanalysis ba(row_of(b), row_of(a));
    EXPECT_NEAR(ab.LDDprime(), ba.LDDprime(), 1e-5);
    EXPECT_NEAR(ab.LDRsquare(), ba.LDRsquare(), 1e-5);
}

TEST(Ld, RareAlleleScreenWidensBeforeComparing)
{
    // 1 copy of allele 1 among 100 chromosomes: 0.01 in float lies just below
    // the double 0.01, so the pair counts as rare.
    std::vector<int> a(50, 0), b(50, 0);
    a[0] = 1;
    for (int i = 0; i < 25; ++i)
        b[i] = 2;
    const Hanalysis h(row_of(a), row_of(b));
    EXPECT_EQ(h.alematrix()(1, 1), 0.01f);
    EXPECT_LT(static_cast<double>(h.alematrix().minCoeff()), 0.01);
    EXPECT_EQ(signed_ld(h.table()), 0.0f);
}

} // namespace
