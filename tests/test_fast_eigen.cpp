// The opt-in fast eigen path against the exact one and against analytic
// answers: blocks of perfect LD, independent SNPs, rare SNPs, and generated
// haplotype blocks with missing codes.

#include "fast_eigen.h"
#include "ld_matrix.h"
#include "packed_codes.h"
#include "run_options.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

namespace {

// Block-diagonal LD matrix of perfect-LD blocks of the given sizes.
Eigen::MatrixXf perfect_blocks(const std::vector<int>& sizes)
{
    int n = 0;
    for (int s : sizes)
        n += s;
    Eigen::MatrixXf ld = Eigen::MatrixXf::Zero(n, n);
    int at = 0;
    for (int s : sizes) {
        ld.block(at, at, s, s).setOnes();
        at += s;
    }
    return ld;
}

ComponentWeighting fast_of(const Eigen::MatrixXf& ld, const Eigen::VectorXf& hits, double share)
{
    ComponentWeighting w;
    EXPECT_TRUE(weigh_components_fast(ld, hits, 0, share, w));
    return w;
}

// Smallest distance between a kept eigenvalue and its lower neighbour.
double kept_gap(const Eigen::MatrixXf& ld, int k)
{
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> s(ld, Eigen::EigenvaluesOnly);
    const Eigen::VectorXf& v = s.eigenvalues();
    const int n = static_cast<int>(v.size());
    double gap = std::numeric_limits<double>::infinity();
    for (int j = std::max(1, n - k); j < n; ++j)
        gap = std::min(gap, static_cast<double>(v(j) - v(j - 1)));
    return gap;
}

// Partial shares of the top eigenvalues that fall within `margin` of the
// share, where single-precision rounding may move the kept count by one.
bool share_on_edge(const Eigen::MatrixXf& ld, double share, double margin)
{
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> s(ld, Eigen::EigenvaluesOnly);
    const Eigen::VectorXf& v = s.eigenvalues();
    const int n = static_cast<int>(v.size());
    double sum = 0.0;
    for (int j = n - 1; j >= 0; --j) {
        sum += v(j);
        if (std::fabs(sum / n - share) < margin)
            return true;
    }
    return false;
}

// LAPACK opened and its work kept on the test's thread, as the programs do.
class SingleThreadedBlas : public testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(prepare_fast_eigen().ok()); }
};
const testing::Environment* const blas_environment = testing::AddGlobalTestEnvironment(new SingleThreadedBlas);

} // namespace

TEST(FastEigen, PerfectLdBlocksGiveTheAnalyticWeighting)
{
    // Eigenvalues 6, 4, 3, 2 and zeros; the leading eigenvector of a block of
    // size b loads 1/sqrt(b) on it, so it weighs each hit of the block 1/b.
    struct Case {
        std::vector<int> sizes;
        double share;
        int k;
        double x;
    };
    const std::vector<int> sizes = {6, 4, 3, 2};
    Eigen::VectorXf hits = Eigen::VectorXf::Zero(15);
    hits(0) = hits(1) = 1;  // block of 6: 2/6
    hits(7) = 1;            // block of 4: 1/4
    hits(13) = 1;           // block of 2: 1/2
    const std::vector<Case> cases = {
        {sizes, 0.3, 1, 2.0 / 6},                         // 6/15 reaches 0.3
        {sizes, 0.6, 2, 2.0 / 6 + 1.0 / 4},               // 10/15
        {sizes, 0.85, 3, 2.0 / 6 + 1.0 / 4},              // 13/15
        {sizes, 0.95, 4, 2.0 / 6 + 1.0 / 4 + 1.0 / 2},    // 15/15
    };
    const Eigen::MatrixXf ld = perfect_blocks(sizes);
    for (const Case& c : cases) {
        const ComponentWeighting exact = weigh_components(ld, hits, 0, c.share);
        const ComponentWeighting fast = fast_of(ld, hits, c.share);
        EXPECT_EQ(exact.ncritical, c.k) << c.share;
        EXPECT_EQ(fast.ncritical, c.k) << c.share;
        EXPECT_NEAR(exact.nsignificant, c.x, 1e-5) << c.share;
        EXPECT_NEAR(fast.nsignificant, c.x, 1e-5) << c.share;
    }
}

TEST(FastEigen, IndependentSnpsKeepTheSameCountAndEveryHit)
{
    // All eigenvalues 1: the eigenvectors are any basis, but with a hit at
    // every SNP each normalised component weighs exactly 1.
    for (int n : {1, 2, 7, 40, 129}) {
        const Eigen::MatrixXf ld = Eigen::MatrixXf::Identity(n, n);
        const Eigen::VectorXf hits = Eigen::VectorXf::Ones(n);
        for (double share : {0.25, 0.5, 0.8, 1.0}) {
            const ComponentWeighting exact = weigh_components(ld, hits, 0, share);
            const ComponentWeighting fast = fast_of(ld, hits, share);
            EXPECT_EQ(fast.ncritical, exact.ncritical) << n << " " << share;
            EXPECT_NEAR(fast.nsignificant, static_cast<double>(fast.ncritical), 1e-5) << n << " " << share;
        }
    }
}

TEST(FastEigen, HitsAreReadFromTheRegionsOffset)
{
    const Eigen::MatrixXf ld = perfect_blocks({3, 1});
    Eigen::VectorXf hits = Eigen::VectorXf::Zero(10);
    hits(5) = 1;  // first SNP of a region starting at 5
    ComponentWeighting w;
    ASSERT_TRUE(weigh_components_fast(ld, hits, 5, 0.5, w));
    EXPECT_EQ(w.ncritical, 1);
    EXPECT_NEAR(w.nsignificant, 1.0 / 3, 1e-6);
}

TEST(FastEigen, ReportsFailureOnNonFiniteEntriesAndFallsBackToExact)
{
    Eigen::MatrixXf ld = Eigen::MatrixXf::Identity(4, 4);
    ld(1, 2) = ld(2, 1) = std::numeric_limits<float>::quiet_NaN();
    const Eigen::VectorXf hits = Eigen::VectorXf::Ones(4);
    ComponentWeighting untouched{-5, -5.0};
    EXPECT_FALSE(weigh_components_fast(ld, hits, 0, 0.8, untouched));
    EXPECT_EQ(untouched.ncritical, -5);
    const ComponentWeighting exact = weigh_components(ld, hits, 0, 0.8);
    const ComponentWeighting chosen = weigh_components(ld, hits, 0, 0.8, EigenMethod::Fast);
    EXPECT_EQ(chosen.ncritical, exact.ncritical);
    EXPECT_TRUE(chosen.nsignificant == exact.nsignificant ||
                (std::isnan(chosen.nsignificant) && std::isnan(exact.nsignificant)));
}

TEST(FastEigen, AgreesWithTheExactPathOnGeneratedHaplotypeBlocks)
{
    // Blocks of SNPs copying a founder pattern with noise, 2 % missing, one
    // monomorphic and one rare SNP (its row of the LD matrix is zero).
    int compared = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        const int samples = 150 + static_cast<int>(seed % 3) * 64;
        const int n = 30 + static_cast<int>(seed * 7 % 50);
        PackedCodes codes(samples);
        std::vector<std::int32_t> base(static_cast<std::size_t>(samples)), row(base.size());
        Eigen::VectorXf hits(n);
        for (int s = 0; s < n; ++s) {
            if (s % 9 == 0)
                for (auto& b : base)
                    b = static_cast<std::int32_t>(rng() % 3);
            for (int i = 0; i < samples; ++i) {
                const unsigned r = rng() % 100;
                row[static_cast<std::size_t>(i)] =
                    r < 2 ? -1 : r < 12 ? static_cast<std::int32_t>(rng() % 3) : base[static_cast<std::size_t>(i)];
            }
            if (s == 3)
                std::fill(row.begin(), row.end(), 0);  // monomorphic
            if (s == 11) {
                std::fill(row.begin(), row.end(), 0);  // one carrier: rare
                row[5] = 1;
            }
            codes.add_row(row.data());
            hits(s) = rng() % 4 == 0 ? 1.0f : 0.0f;
        }
        const Eigen::MatrixXf ld = build_ld_matrix(codes, 0, n);
        for (double share : {0.5, 0.8, 0.95}) {
            const ComponentWeighting exact = weigh_components(ld, hits, 0, share);
            const ComponentWeighting fast = fast_of(ld, hits, share);
            if (share_on_edge(ld, share, 1e-4))
                continue;
            EXPECT_EQ(fast.ncritical, exact.ncritical) << seed << " " << share;
            if (kept_gap(ld, exact.ncritical) < 1e-2)
                continue;  // a repeated kept eigenvalue: eigenvectors not unique
            EXPECT_NEAR(fast.nsignificant, exact.nsignificant, 1e-4) << seed << " " << share;
            ++compared;
        }
    }
    EXPECT_GT(compared, 10);  // the generated blocks are mostly well separated
}

TEST(FastEigen, SmallRegionsTakeTheExactPath)
{
    // Below the size where LAPACK pays off, the fast method's result is the
    // exact one, bit for bit.
    std::mt19937 rng(9);
    for (int n : {2, 17, kFastEigenSmallest - 1}) {
        Eigen::MatrixXf ld = Eigen::MatrixXf::Identity(n, n);
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b)
                ld(a, b) = ld(b, a) = static_cast<float>(rng() % 1000) / 4000.0f;
        Eigen::VectorXf hits(n);
        for (int a = 0; a < n; ++a)
            hits(a) = rng() % 3 == 0 ? 1.0f : 0.0f;
        const ComponentWeighting exact = weigh_components(ld, hits, 0, 0.8);
        const ComponentWeighting fast = weigh_components(ld, hits, 0, 0.8, EigenMethod::Fast);
        EXPECT_EQ(fast.ncritical, exact.ncritical) << n;
        EXPECT_EQ(fast.nsignificant, exact.nsignificant) << n;
    }
}

TEST(FastEigen, EnvironmentChoosesTheMethod)
{
    struct Case {
        const char* value;  // nullptr: unset
        EigenMethod method;
        bool warns;
    };
    const Case cases[] = {{nullptr, EigenMethod::Exact, false}, {"", EigenMethod::Exact, false},
                          {"exact", EigenMethod::Exact, false}, {"fast", EigenMethod::Fast, false},
                          {"FAST", EigenMethod::Exact, true},   {"quick", EigenMethod::Exact, true}};
    for (const Case& c : cases) {
        if (c.value == nullptr)
            unsetenv("KESTO_EIGEN");
        else
            setenv("KESTO_EIGEN", c.value, 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(eigen_method("prog"), c.method) << (c.value ? c.value : "(unset)");
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(!err.empty(), c.warns) << err;
        if (c.warns) {
            EXPECT_TRUE(kesto_test::contains(err, "KESTO_EIGEN")) << err;
        }
    }
    unsetenv("KESTO_EIGEN");
}

TEST(FastEigen, ProgramsAcceptTheSettingAndKeepTheCounts)
{
    // The example genes through kesto_genelist with both methods: the same
    // rows apart from nsignificant and regional_p, which stay close.
    const std::string examples = std::string(KESTO_SOURCE_DIR) + "/examples/";
    kesto_test::TempDir dir;
    const std::vector<std::string> args = {"-g", examples + "genelist.txt", "-o", "", "-l", examples,
                                           "-G", examples, "-a", "0.05", "-v", "0.8", "-f", "20000"};
    std::vector<std::string> rows[2];
    const char* methods[] = {"exact", "fast"};
    for (int m = 0; m < 2; ++m) {
        std::vector<std::string> a = args;
        a[3] = dir.file(std::string(methods[m]) + ".out");
        const kesto_test::RunResult r =
            kesto_test::run_program_env("kesto_genelist", a, dir.path(), {std::string("KESTO_EIGEN=") + methods[m]});
        ASSERT_EQ(r.status, 0) << r.err;
        rows[m] = kesto_test::lines_of(kesto_test::read_file(a[3]));
    }
    ASSERT_EQ(rows[0].size(), rows[1].size());
    ASSERT_GT(rows[0].size(), 1u);
    for (std::size_t i = 0; i < rows[0].size(); ++i) {
        std::vector<std::string> f[2];
        for (int m = 0; m < 2; ++m) {
            std::string field;
            for (char ch : rows[m][i] + "\t") {
                if (ch == '\t') {
                    f[m].push_back(field);
                    field.clear();
                } else {
                    field += ch;
                }
            }
        }
        ASSERT_EQ(f[0].size(), 7u) << rows[0][i];
        ASSERT_EQ(f[1].size(), 7u) << rows[1][i];
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(f[0][c], f[1][c]) << rows[0][i];
        if (i == 0)
            continue;
        EXPECT_NEAR(std::atof(f[1][5].c_str()), std::atof(f[0][5].c_str()), 1e-3) << rows[0][i];
    }
}

TEST(FastEigen, OpenBlasKernelsFollowTheInstructions)
{
    EXPECT_STREQ(openblas_kernels_for({true, true}), "SkylakeX");
    EXPECT_STREQ(openblas_kernels_for({false, true}), "Haswell");
    EXPECT_EQ(openblas_kernels_for({false, false}), nullptr);
}

TEST(FastEigen, UsersOpenBlasKernelChoiceIsKept)
{
    // OPENBLAS_VERBOSE=2 makes OpenBLAS name its kernel set on standard error
    // when it is loaded; without OpenBLAS behind LAPACKE there is no such line.
    const std::string examples = std::string(KESTO_SOURCE_DIR) + "/examples/";
    kesto_test::TempDir dir;
    const std::vector<std::string> args = {"-g", examples + "genelist.txt", "-o", dir.file("out.txt"), "-l", examples,
                                           "-G", examples, "-a", "0.05", "-v", "0.8", "-f", "20000"};
    const kesto_test::RunResult chosen = kesto_test::run_program_env(
        "kesto_genelist", args, dir.path(), {"KESTO_EIGEN=fast", "OPENBLAS_VERBOSE=2", "OPENBLAS_CORETYPE=Haswell"});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    if (chosen.err.find("Core: ") == std::string::npos)
        GTEST_SKIP() << "LAPACKE is not OpenBLAS's here";
    EXPECT_NE(chosen.err.find("Core: Haswell"), std::string::npos) << chosen.err;
    const kesto_test::RunResult own =
        kesto_test::run_program_env("kesto_genelist", args, dir.path(), {"KESTO_EIGEN=fast", "OPENBLAS_VERBOSE=2"});
    ASSERT_EQ(own.status, 0) << own.err;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        EXPECT_EQ(own.err.find("Core: Prescott"), std::string::npos) << own.err;
    }
}
