// Genotype text parsed and packed on worker threads gives the table, the
// progress calls and the messages of the one-thread reader, row for row.

#include "awkward_data.h"
#include "packed_genotype_reading.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kesto_test::TempDir;
using kesto_test::write_file;

struct Reading {
    Status status;
    PackedCodes codes;
    std::vector<std::size_t> done;  // rows reported done, in call order
};

Reading read(const std::string& path, std::size_t snps, const std::vector<std::string>& ids, int threads)
{
    Reading r;
    GenotypeReading reading;
    reading.snps = snps;
    reading.ids = &ids;
    reading.samples_known = [&r, snps](int samples) {
        r.codes = PackedCodes(samples);
        r.codes.reserve(snps);
    };
    r.status = read_packed_genotypes(path, reading, threads, r.codes, [&r](std::size_t row) { r.done.push_back(row); });
    return r;
}

void expect_same(const Reading& a, const Reading& b, const std::string& what)
{
    EXPECT_EQ(a.status.code, b.status.code) << what;
    EXPECT_EQ(a.status.message, b.status.message) << what;
    EXPECT_EQ(a.done, b.done) << what;
    ASSERT_EQ(a.codes.snps(), b.codes.snps()) << what;
    ASSERT_EQ(a.codes.samples(), b.codes.samples()) << what;
    for (std::size_t s = 0; s < a.codes.snps(); ++s) {
        ASSERT_EQ(a.codes.complete(s), b.codes.complete(s)) << what << ", SNP " << s;
        for (int i = 0; i < a.codes.samples(); ++i)
            ASSERT_EQ(a.codes.code(s, i), b.codes.code(s, i)) << what << ", SNP " << s << ", sample " << i;
    }
}

// Replaces line `line` (1 = header) of a text.
std::string with_line(const std::string& text, int line, const std::string& replacement)
{
    std::size_t from = 0;
    for (int l = 1; l < line; ++l)
        from = text.find('\n', from) + 1;
    const std::size_t to = text.find('\n', from);
    return text.substr(0, from) + replacement + text.substr(to);
}

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(PackedGenotypeReading, ThreadsGiveTheOneThreadTableAndMessages)
{
    // 1,500 SNPs of 127 and 193 people (about 0.4 and 0.6 MB of text: several
    // runs of rows), with every awkward code; then the same files broken at
    // rows that fall in the first, a middle and the last run.
    for (const int samples : {127, 193}) {
        const auto chr = kesto_test::awkward_chromosome(1500, samples, 77u + static_cast<unsigned>(samples), false);
        std::vector<std::string> ids;
        for (int s = 0; s < 1500; ++s)
            ids.push_back("rs" + std::to_string(s));
        struct Case {
            const char* what;
            std::string text;
            std::size_t snps;
        };
        const std::vector<Case> cases = {
            {"whole file", chr.genotypes, 1500},
            {"fewer SNPs wanted than rows", chr.genotypes, 1100},
            {"file ends early", chr.genotypes.substr(0, chr.genotypes.find("\nrs1400\t") + 1), 1500},
            {"bad code in the first run", with_line(chr.genotypes, 5, "rs3\t1\tx"), 1500},
            {"wrong id mid-file", with_line(chr.genotypes, 702, "rs9999\t1" + std::string(samples, '\t') + "0"), 1500},
            {"too many codes near the end", with_line(chr.genotypes, 1499, "rs1497\t1" + repeated(" 1", samples + 1)),
             1500},
            {"too few codes in the last row", with_line(chr.genotypes, 1501, "rs1499\t1\t0\t1"), 1500},
            {"header without samples", with_line(chr.genotypes, 1, "id\tpos"), 1500},
        };
        for (const Case& c : cases) {
            TempDir dir;
            const std::string path = dir.file("genotype.txt");
            write_file(path, c.text);
            const Reading one = read(path, c.snps, ids, 1);
            for (const int threads : {2, 3}) {
                const std::string what = std::string(c.what) + ", " + std::to_string(samples) + " people, " +
                                         std::to_string(threads) + " threads";
                expect_same(one, read(path, c.snps, ids, threads), what);
            }
            if (c.what == std::string("whole file")) {
                EXPECT_TRUE(one.status.ok()) << one.status.message;
                EXPECT_EQ(one.codes.snps(), 1500u);
            } else if (c.what != std::string("fewer SNPs wanted than rows")) {
                EXPECT_FALSE(one.status.ok()) << c.what;
            }
        }
    }
}

TEST(PackedGenotypeReading, AppendIsAddingRowByRow)
{
    const std::vector<std::vector<std::int32_t>> rows = {
        {0, 1, 2, -1, 3}, {2, 2, 2, 2, 2}, {1, 0, -9, 1, 0}, {0, 0, 0, 0, 0}};
    PackedCodes whole(5), first(5), second(5);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        whole.add_row(rows[r].data());
        (r < 1 ? first : second).add_row(rows[r].data());
    }
    PackedCodes joined(5);
    joined.reserve(rows.size());
    joined.append(first);
    joined.append(second);
    ASSERT_EQ(joined.snps(), whole.snps());
    for (std::size_t s = 0; s < rows.size(); ++s) {
        EXPECT_EQ(joined.complete(s), whole.complete(s));
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(joined.code(s, i), whole.code(s, i));
        for (std::size_t t = 0; t < rows.size(); ++t)
            EXPECT_EQ(joined.pair_table_all_cells(s, t), whole.pair_table_all_cells(s, t));
    }
}

} // namespace
