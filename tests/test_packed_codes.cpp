#include "em_lanes.h"
#include "ld_matrix.h"
#include "packed_codes.h"
#include "popcount_table.h"

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

TEST_P(PackedAgainstPlain, TwoBitRowsPackAsTheirCodes)
{
    // The reference panels' two-bit rows (3 = missing), with noise in the
    // unused bits of the last byte, against the same codes as whole numbers.
    const int samples = GetParam();
    const std::size_t row_bytes = (static_cast<std::size_t>(samples) + 3) / 4;
    std::mt19937 rng(91u + static_cast<unsigned>(samples));
    PackedCodes from_bits(samples), from_codes(samples);
    const int snps = 12;
    for (int s = 0; s < snps; ++s) {
        std::vector<std::uint8_t> bits(row_bytes);
        for (auto& b : bits)
            b = static_cast<std::uint8_t>(rng());
        if (s % 4 == 0)  // complete rows: no code 3 among the individuals
            for (int i = 0; i < samples; ++i)
                if (((bits[i / 4] >> (2 * (i % 4))) & 3) == 3)
                    bits[i / 4] = static_cast<std::uint8_t>(bits[i / 4] ^ (1 << (2 * (i % 4))));
        std::vector<std::int32_t> codes(static_cast<std::size_t>(samples));
        for (int i = 0; i < samples; ++i) {
            const int c = (bits[i / 4] >> (2 * (i % 4))) & 3;
            codes[static_cast<std::size_t>(i)] = c == 3 ? -1 : c;
        }
        from_bits.add_two_bit_row(bits.data());
        from_codes.add_row(codes.data());
    }
    for (std::size_t a = 0; a < static_cast<std::size_t>(snps); ++a) {
        EXPECT_EQ(from_bits.complete(a), from_codes.complete(a)) << a;
        for (int i = 0; i < samples; ++i)
            ASSERT_EQ(from_bits.code(a, i), from_codes.code(a, i)) << a << "," << i;
        for (std::size_t b = 0; b < static_cast<std::size_t>(snps); ++b)
            EXPECT_EQ(from_bits.pair_table(a, b), from_codes.pair_table(a, b)) << a << "," << b;
    }
}

// Sample counts around the 64-bit word boundaries.
INSTANTIATE_TEST_SUITE_P(WordBoundaries, PackedAgainstPlain, ::testing::Values(1, 5, 63, 64, 65, 130, 500));

// Codes where most SNPs are complete (0, 1, 2 only), so that the shortcut
// for complete pairs is taken: monomorphic at each code, one carrier, one
// non-carrier, random, and a few SNPs with a missing or foreign code.
CodeTable mostly_complete_codes(int snps, int samples, unsigned seed)
{
    std::mt19937 rng(seed);
    CodeTable t;
    t.samples = samples;
    std::vector<int> base(static_cast<std::size_t>(samples));
    for (auto& b : base)
        b = static_cast<int>(rng() % 3);
    for (int s = 0; s < snps; ++s) {
        const int kind = s % 9;
        for (int i = 0; i < samples; ++i) {
            int code = static_cast<int>(rng() % 3);
            if (kind <= 2)
                code = kind;                                          // monomorphic 0, 1, 2
            else if (kind == 3)
                code = (i == samples - 1) ? 2 : 0;                    // rare, last individual
            else if (kind == 4)
                code = (i == 0) ? 0 : 1;                              // all but one heterozygous
            else if (kind == 5)
                code = rng() % 10 < 8 ? base[static_cast<std::size_t>(i)] : code;  // LD with the base
            else if (kind == 6 && i == samples / 2)
                code = (s % 2) ? -1 : 9;                              // one missing or foreign code
            t.codes.push_back(code);
        }
    }
    return t;
}

GenoTable counted_by_hand(const CodeTable& t, std::size_t a, std::size_t b)
{
    GenoTable g = GenoTable::Zero();
    for (int i = 0; i < t.samples; ++i) {
        const int x = t.row(a)[i], y = t.row(b)[i];
        if (x >= 0 && x <= 2 && y >= 0 && y <= 2)
            ++g(x, y);
    }
    return g;
}

const CountKernel kAllKernels[] = {CountKernel::Portable, CountKernel::Popcnt, CountKernel::Avx512};

class CountingPaths : public ::testing::TestWithParam<int> {};

TEST_P(CountingPaths, EveryKernelAndTheCompleteShortcutCountAlike)
{
    const int samples = GetParam();
    const CodeTable plain = mostly_complete_codes(18, samples, 11u + static_cast<unsigned>(samples));
    const PackedCodes packed = pack(plain);
    const std::size_t words = packed.words_per_plane();
    // Planes as the packed store lays them out: low then high, per SNP.
    std::vector<std::vector<std::uint64_t>> lo(plain.snps()), hi(plain.snps());
    for (std::size_t s = 0; s < plain.snps(); ++s) {
        lo[s].assign(words, 0);
        hi[s].assign(words, 0);
        for (int i = 0; i < samples; ++i) {
            const int c = plain.row(s)[i];
            const std::uint64_t bit = std::uint64_t{1} << (i % 64);
            if (c == 0 || c == 2)
                lo[s][static_cast<std::size_t>(i / 64)] |= bit;
            if (c == 1 || c == 2)
                hi[s][static_cast<std::size_t>(i / 64)] |= bit;
        }
    }
    int complete_pairs = 0;
    for (std::size_t a = 0; a < plain.snps(); ++a) {
        EXPECT_EQ(packed.complete(a), a % 9 != 6) << a;
        for (std::size_t b = 0; b < plain.snps(); ++b) {
            const GenoTable want = counted_by_hand(plain, a, b);
            EXPECT_EQ(packed.pair_table(a, b), want) << a << "," << b;
            EXPECT_EQ(packed.pair_table_all_cells(a, b), want) << a << "," << b;
            complete_pairs += packed.complete(a) && packed.complete(b);
            for (CountKernel kernel : kAllKernels) {
                if (!count_kernel_runs(kernel))
                    continue;
                int nine[9], four[4];
                joint_counts_with(kernel, lo[a].data(), hi[a].data(), lo[b].data(), hi[b].data(), words, nine);
                heterozygote_counts_with(kernel, lo[a].data(), hi[a].data(), lo[b].data(), hi[b].data(), words,
                                         four);
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c)
                        EXPECT_EQ(nine[3 * r + c], want(r, c)) << static_cast<int>(kernel) << " " << a << "," << b;
                EXPECT_EQ(four[0], want(1, 1)) << static_cast<int>(kernel);
                EXPECT_EQ(four[1], want(1, 2)) << static_cast<int>(kernel);
                EXPECT_EQ(four[2], want(2, 1)) << static_cast<int>(kernel);
                EXPECT_EQ(four[3], want(2, 2)) << static_cast<int>(kernel);
            }
        }
    }
    EXPECT_GT(complete_pairs, 200);
    // The LD matrix through the shortcut, bit for bit the plain engine's.
    const Eigen::MatrixXf slow = build_ld_matrix(plain, 0, static_cast<int>(plain.snps()));
    const Eigen::MatrixXf quick = build_ld_matrix(packed, 0, static_cast<int>(plain.snps()));
    EXPECT_EQ(std::memcmp(slow.data(), quick.data(), sizeof(float) * static_cast<std::size_t>(slow.size())), 0);
}

// Around one word (64 samples) and around the eight-word blocks of the
// widest kernel (512 samples).
INSTANTIATE_TEST_SUITE_P(WordAndBlockBoundaries, CountingPaths,
                         ::testing::Values(1, 2, 63, 64, 65, 127, 128, 129, 511, 512, 513, 1000, 1089));

TEST(CountKernels, TheBestKernelRunsHere)
{
    EXPECT_TRUE(count_kernel_runs(CountKernel::Portable));
    EXPECT_TRUE(count_kernel_runs(best_count_kernel()));
    if (count_kernel_runs(CountKernel::Avx512)) {
        EXPECT_EQ(best_count_kernel(), CountKernel::Avx512);
    }
}

TEST(SignedLdMany, SameBitsAsOnePairAtATime)
{
    // Random tables with empty cells, no double heterozygote, a rare allele,
    // no complete individual, and large counts; batches of every length
    // around the lane width, so that lanes finish their EM at different
    // steps.
    std::mt19937 rng(2024);
    std::vector<GenoTable> tables;
    for (int i = 0; i < 300; ++i) {
        GenoTable t = GenoTable::Zero();
        const int kind = i % 6;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                t(r, c) = static_cast<int>(rng() % (kind == 5 ? 5000 : 60));
        if (kind == 1)
            t(1, 1) = 0;  // phase known everywhere
        if (kind == 2)
            t.row(2).setZero(), t.row(1).setZero(), t(1, 0) = 1;  // rare allele
        if (kind == 3)
            t.setZero();  // no complete individual
        if (kind == 4)
            t(0, 2) = t(2, 0) = 0, t(1, 1) = 40;  // many double heterozygotes
        tables.push_back(t);
    }
    for (WideKernel kernel : {WideKernel::Portable, WideKernel::Avx2, WideKernel::Avx512}) {
        if (!wide_kernel_runs(kernel))
            continue;
        for (std::size_t count : {1u, 3u, 4u, 5u, 7u, 8u, 9u, 17u, 300u}) {
            for (std::size_t from = 0; from + count <= tables.size(); from += 97) {
                std::vector<float> many(count);
                signed_ld_many_with(kernel, tables.data() + from, count, many.data());
                for (std::size_t k = 0; k < count; ++k) {
                    const float one = signed_ld(tables[from + k]);
                    EXPECT_EQ(std::memcmp(&one, &many[k], sizeof one), 0)
                        << "kernel " << static_cast<int>(kernel) << ", table " << from + k << ": " << one << " "
                        << many[k];
                }
            }
        }
    }
}

TEST(SignedLdMany, LaneWithANanIsHandedBack)
{
    // No haplotypes (two_n 0) sends the frequencies to infinity and then to
    // NaN; that pair is marked for the one-pair loop, its neighbours are not.
    for (WideKernel kernel : {WideKernel::Portable, WideKernel::Avx2, WideKernel::Avx512}) {
        if (!wide_kernel_runs(kernel))
            continue;
        std::vector<EmPair> pairs(11, EmPair{30.0, 5.0, 7.0, 20.0, 4.0f, 70.0});
        pairs[5] = EmPair{0.0, 0.0, 0.0, 0.0, 2.0f, 0.0};
        std::vector<EmResult> results(pairs.size());
        em_lanes(kernel, pairs.data(), pairs.size(), results.data());
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            EXPECT_EQ(results[k].redo, k == 5) << k;
            if (k != 5) {
                EXPECT_EQ(std::memcmp(results[k].r, results[0].r, sizeof results[k].r), 0) << k;
            }
        }
    }
}

TEST(SignedLdRow, SameBitsAsPairTables)
{
    for (int samples : {63, 129, 700}) {
        const PackedCodes packed = pack(awkward_codes(150, samples, 5u + static_cast<unsigned>(samples)));
        for (std::size_t a : {0u, 1u, 77u, 148u}) {
            for (std::size_t to : {a + 1, a + 2, a + 66, std::size_t{150}}) {
                if (to > 150)
                    continue;
                std::vector<float> row(to - a - (to > a ? 1 : 0) + 1, -9.0f);
                signed_ld_row(packed, a, a + 1, to, row.data());
                for (std::size_t j = a + 1; j < to; ++j) {
                    const float one = signed_ld(packed.pair_table(a, j));
                    EXPECT_EQ(std::memcmp(&one, &row[j - a - 1], sizeof one), 0) << samples << " " << a << "," << j;
                }
                EXPECT_EQ(row.back(), -9.0f);  // nothing written past the end
            }
        }
    }
}

} // namespace
