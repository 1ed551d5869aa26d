#include "ld_matrix.h"
#include "packed_codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// Random codes with every awkward state: missing, codes outside 0..2,
// monomorphic and rare SNPs, and SNPs that share no typed individual.
CodeTable awkward_codes(int snps, int samples, unsigned seed)
{
    std::mt19937 rng(seed);
    CodeTable t;
    t.samples = samples;
    const int others[] = {3, 9, -7, -1};
    for (int s = 0; s < snps; ++s) {
        const int kind = s % 7;
        for (int i = 0; i < samples; ++i) {
            int code;
            const unsigned u = rng() % 100;
            if (kind == 0)
                code = 0;                              // monomorphic
            else if (kind == 1)
                code = (i == 3) ? 1 : 0;               // rare
            else if (kind == 2)
                code = (i < samples / 2) ? -1 : 2;     // half missing
            else if (kind == 3)
                code = (i >= samples / 2) ? -1 : 1;    // the other half
            else if (u < 6)
                code = others[rng() % 4];
            else
                code = static_cast<int>(rng() % 3);
            t.codes.push_back(code);
        }
    }
    return t;
}

PackedCodes pack(const CodeTable& t)
{
    PackedCodes p(t.samples);
    for (std::size_t s = 0; s < t.snps(); ++s)
        p.add_row(t.row(s));
    return p;
}

class PackedAgainstPlain : public ::testing::TestWithParam<int> {};

TEST_P(PackedAgainstPlain, SameCountsAndSameLdMatrix)
{
    const int samples = GetParam();
    const CodeTable plain = awkward_codes(21, samples, 7u + static_cast<unsigned>(samples));
    const PackedCodes packed = pack(plain);
    ASSERT_EQ(packed.snps(), plain.snps());
    for (std::size_t a = 0; a < plain.snps(); ++a) {
        for (int i = 0; i < samples; ++i) {
            const int c = plain.row(a)[i];
            EXPECT_EQ(packed.code(a, i), (c >= 0 && c <= 2) ? c : -1);
        }
        for (std::size_t b = 0; b < plain.snps(); ++b) {
            Eigen::MatrixXi ra(1, samples), rb(1, samples);
            for (int i = 0; i < samples; ++i) {
                ra(0, i) = plain.row(a)[i];
                rb(0, i) = plain.row(b)[i];
            }
            const Hanalysis reference(ra, rb);
            const GenoTable fast = packed.pair_table(a, b);
            const Eigen::Matrix3i got = fast.topLeftCorner<3, 3>();
            const Eigen::Matrix3i want = reference.table().topLeftCorner<3, 3>();
            EXPECT_EQ(got, want) << a << "," << b;
            const float entry = signed_ld(fast);
            float expected = 0.0f;
            if (!(static_cast<double>(reference.alematrix().minCoeff()) < 0.01)) {
                const double d = reference.LDDprime();
                const float r2 = static_cast<float>(reference.LDRsquare());
                expected = d < 0.0 ? -r2 : r2;
            }
            EXPECT_EQ(std::memcmp(&entry, &expected, sizeof entry), 0) << a << "," << b;
        }
    }
    for (std::size_t first : {0u, 3u, 10u}) {
        const int n = static_cast<int>(plain.snps() - first);
        const Eigen::MatrixXf slow = build_ld_matrix(plain, first, n);
        const Eigen::MatrixXf quick = build_ld_matrix(packed, first, n);
        ASSERT_EQ(slow.size(), quick.size());
        EXPECT_EQ(std::memcmp(slow.data(), quick.data(), sizeof(float) * static_cast<std::size_t>(slow.size())), 0);
    }
}

// Sample counts around the 64-bit word boundaries.
INSTANTIATE_TEST_SUITE_P(WordBoundaries, PackedAgainstPlain, ::testing::Values(1, 5, 63, 64, 65, 130, 500));

} // namespace
