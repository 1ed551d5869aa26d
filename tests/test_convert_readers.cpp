#include "allele_coding.h"
#include "bed_reader.h"
#include "convert_error.h"
#include "fam_reader.h"
#include "gt_file.h"
#include "marker_reader.h"
#include "ped_reader.h"
#include "plink_input.h"
#include "stretch_check.h"
#include "text_lines.h"
#include "two_bit_matrix.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace convert;
using kesto_test::TempDir;
using kesto_test::write_file;

namespace {

// The message of the ConvertError that `action` throws ("" when none).
template <typename Action>
std::string error_of(Action action)
{
    try {
        action();
    } catch (const ConvertError& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> words(std::string_view line)
{
    std::vector<std::string_view> fields{"stale"};
    split_blanks(line, fields);
    return std::vector<std::string>(fields.begin(), fields.end());
}

std::vector<std::string> read_lines(const std::string& path)
{
    LineReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line))
        lines.emplace_back(line);
    return lines;
}

SnpRecord snp(const std::string& chromosome, const std::string& id, int position,
              const std::string& a = "A", const std::string& b = "B")
{
    SnpRecord s;
    s.chromosome = chromosome;
    s.id = id;
    s.position = position;
    s.allele_a = a;
    s.allele_b = b;
    return s;
}

// A table of one SNP with the given .bed values.
GenotypeTable one_snp(const std::string& a, const std::string& b, const std::vector<unsigned>& values)
{
    GenotypeTable table;
    table.snps = {snp("1", "x", 10, a, b)};
    table.genotypes = TwoBitMatrix(1, values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        table.individuals.push_back("i" + std::to_string(i));
        table.genotypes.set(0, i, values[i]);
    }
    return table;
}

} // namespace

TEST(TextLines, SplitsOnRunsOfBlanks)
{
    EXPECT_EQ(words("a b\tc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(words("  a \t\t b  "), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(words(" \t "), std::vector<std::string>{});
    EXPECT_EQ(words(""), std::vector<std::string>{});
}

TEST(TextLines, SplitTabsKeepsEmptyFields)
{
    std::vector<std::string_view> fields;
    split_tabs("a\t\tb c\t", fields);
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
              (std::vector<std::string>{"a", "", "b c", ""}));
}

TEST(TextLines, ToleratesCrlfAndAMissingLastLineEnd)
{
    TempDir dir;
    write_file(dir.file("a.txt"), "one\r\ntwo\n\nthree");
    EXPECT_EQ(read_lines(dir.file("a.txt")), (std::vector<std::string>{"one", "two", "", "three"}));
    write_file(dir.file("b.txt"), "");
    EXPECT_TRUE(read_lines(dir.file("b.txt")).empty());
    EXPECT_NE(error_of([&] { LineReader r(dir.file("none.txt")); }).find("none.txt"), std::string::npos);
}

TEST(TextLines, ReadsLoneCrByteOrderMarkAndGzipLikePlainText)
{
    TempDir dir;
    write_file(dir.file("cr.txt"), "\xEF\xBB\xBFone\rtwo\r\rthree\r");
    EXPECT_EQ(read_lines(dir.file("cr.txt")), (std::vector<std::string>{"one", "two", "", "three"}));
    write_file(dir.file("plain.fam"), "f1 i1 0 0 1 1\nf2 i2 0 0 2 1\n");
    ASSERT_EQ(std::system(("gzip -c '" + dir.file("plain.fam") + "' > '" + dir.file("packed.fam") + "'").c_str()), 0);
    EXPECT_EQ(read_fam(dir.file("packed.fam")), read_fam(dir.file("plain.fam")));
    EXPECT_NE(error_of([&] { LineReader r(dir.path()); }).find("folder"), std::string::npos);
}

TEST(TwoBitMatrix, PacksLowBitsFirstAndTransposes)
{
    TwoBitMatrix m(2, 5);
    EXPECT_EQ(m.bytes_per_row(), 2u);
    m.set(0, 0, 3);
    m.set(0, 1, 1);
    m.set(0, 4, 2);
    m.set(1, 3, 3);
    EXPECT_EQ(m.row_bytes(0)[0], 0x07);
    EXPECT_EQ(m.row_bytes(0)[1], 0x02);
    EXPECT_EQ(m.row_bytes(1)[0], 0xc0);
    m.set(0, 0, 0);
    EXPECT_EQ(m.row_bytes(0)[0], 0x04);

    const TwoBitMatrix t = m.transposed();
    ASSERT_EQ(t.rows(), 5u);
    ASSERT_EQ(t.columns(), 2u);
    for (std::size_t r = 0; r < 2; ++r)
        for (std::size_t c = 0; c < 5; ++c)
            EXPECT_EQ(t.get(c, r), m.get(r, c));

    TwoBitMatrix grown(0, 3);
    EXPECT_EQ(grown.append_row(), 0u);
    EXPECT_EQ(grown.append_row(), 1u);
    grown.set(1, 2, 3);
    EXPECT_EQ(grown.get(0, 2), 0u);
    EXPECT_EQ(grown.get(1, 2), 3u);
}

TEST(MarkerReader, ReadsBimAndMap)
{
    TempDir dir;
    write_file(dir.file("d.bim"), "1\trs1\t0\t100\tA\tC\r\n1  rs2 0.5  2147483647 0 G");
    const auto bim = read_bim(dir.file("d.bim"));
    ASSERT_EQ(bim.size(), 2u);
    EXPECT_EQ(bim[1].id, "rs2");
    EXPECT_EQ(bim[1].position, 2147483647);
    EXPECT_EQ(bim[1].allele_a, "0");
    EXPECT_EQ(bim[1].allele_b, "G");

    write_file(dir.file("d.map"), "22 rs9 0 0\n");
    const auto map = read_map(dir.file("d.map"));
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map[0].chromosome, "22");
    EXPECT_EQ(map[0].position, 0);
    EXPECT_TRUE(map[0].allele_a.empty());
}

TEST(MarkerReader, RefusesBadLinesNamingFileAndLine)
{
    TempDir dir;
    const std::string bim = dir.file("d.bim");
    const auto bim_error = [&](const std::string& second_line) {
        write_file(bim, "1 rs1 0 100 A C\n" + second_line + "\n");
        return error_of([&] { read_bim(bim); });
    };
    EXPECT_NE(bim_error("1 rs2 0 200 A").find(bim + " line 2: expected 6 fields"), std::string::npos);
    EXPECT_NE(bim_error("").find(bim + " line 2: blank line"), std::string::npos);
    EXPECT_NE(bim_error("1 rs2 0 -5 A C").find(bim + " line 2: base-pair position '-5'"), std::string::npos);
    EXPECT_NE(bim_error("1 rs2 0 2147483648 A C").find("line 2"), std::string::npos);
    EXPECT_NE(bim_error("1 rs2 0 12x A C").find("line 2"), std::string::npos);
    EXPECT_NE(bim_error("1 rs2 0 200 G G").find("same allele 'G' twice"), std::string::npos);
    EXPECT_EQ(bim_error("1 rs2 0 200 0 0"), "");

    write_file(dir.file("d.map"), "1 rs1 0 100 A C\n");
    EXPECT_NE(error_of([&] { read_map(dir.file("d.map")); }).find("line 1: expected 4 fields"),
              std::string::npos);
    write_file(dir.file("e.map"), "");
    EXPECT_NE(error_of([&] { read_map(dir.file("e.map")); }).find("no SNPs"), std::string::npos);
}

TEST(FamReader, GivesIidsAndRefusesShortLines)
{
    TempDir dir;
    write_file(dir.file("d.fam"), "F1 I1 0 0 1 -9\nF1\tI2\t0\t0\t2\t1\n");
    EXPECT_EQ(read_fam(dir.file("d.fam")), (std::vector<std::string>{"I1", "I2"}));
    write_file(dir.file("d.fam"), "F1 I1 0 0 1 -9\nF1 I2 0 0 2\n");
    EXPECT_NE(error_of([&] { read_fam(dir.file("d.fam")); }).find("d.fam line 2: expected 6 fields"),
              std::string::npos);
}

TEST(BedReader, ReadsSnpMajorBytes)
{
    TempDir dir;
    // 2 SNPs x 5 individuals, 2 bytes per SNP; the padding bits are ignored.
    write_file(dir.file("d.bed"), std::string("\x6c\x1b\x01\xe0\x00\x7e\xfc", 7));
    const std::vector<SnpRecord> snps = {snp("1", "s1", 1), snp("1", "s2", 2)};
    const TwoBitMatrix g = read_bed(dir.file("d.bed"), snps, 5);
    const std::vector<unsigned> s1 = {0, 0, 2, 3, 0};
    const std::vector<unsigned> s2 = {2, 3, 3, 1, 0};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(g.get(0, i), s1[i]) << i;
        EXPECT_EQ(g.get(1, i), s2[i]) << i;
    }
}

TEST(BedReader, RefusesBadMagicModeAndSize)
{
    TempDir dir;
    const std::string bed = dir.file("d.bed");
    const std::vector<SnpRecord> snps = {snp("1", "s1", 1), snp("1", "s2", 2)};
    const auto bed_error = [&](const std::string& bytes) {
        write_file(bed, bytes);
        return error_of([&] { read_bed(bed, snps, 5); });
    };
    EXPECT_NE(bed_error(std::string("\x6d\x1b\x01\0\0\0\0", 7)).find(bed + " byte offset 0: not a PLINK .bed"),
              std::string::npos);
    EXPECT_NE(bed_error(std::string("\x6c\x1c\x01\0\0\0\0", 7)).find("byte offset 1"), std::string::npos);
    EXPECT_NE(bed_error(std::string("\x6c\x1b\x00\0\0\0\0", 7)).find("individual-major"), std::string::npos);
    EXPECT_NE(bed_error(std::string("\x6c\x1b\x02\0\0\0\0", 7)).find("mode byte 0x02"), std::string::npos);
    EXPECT_NE(bed_error(std::string("\x6c\x1b", 2)).find("only 2 bytes"), std::string::npos);
    EXPECT_NE(bed_error("").find("only 0 bytes"), std::string::npos);
    const std::string truncated = bed_error(std::string("\x6c\x1b\x01\0\0\0", 6));
    EXPECT_NE(truncated.find(bed + " byte offset 6: file ends inside SNP 2 (s2)"), std::string::npos) << truncated;
    EXPECT_NE(truncated.find("3 + 2 x 2 = 7 bytes"), std::string::npos) << truncated;
    EXPECT_NE(bed_error(std::string("\x6c\x1b\x01\0\0\0\0\0", 8)).find("byte offset 7: 1 bytes more"),
              std::string::npos);
    EXPECT_EQ(bed_error(std::string("\x6c\x1b\x01\0\0\0\0", 7)), "");
}

TEST(PedReader, TakesAllelesInTheOrderSeenAndHalfMissingAsMissing)
{
    TempDir dir;
    write_file(dir.file("d.ped"),
               "F I1 0 0 1 1  0 0  C C  G 0\n"
               "F I2 0 0 1 1  T T  C A  A A\n"
               "F I3 0 0 1 1  A T  A A  G G\n");
    std::vector<SnpRecord> snps = {snp("1", "s1", 1, "", ""), snp("1", "s2", 2, "", ""),
                                   snp("1", "s3", 3, "", "")};
    const PedContents ped = read_ped(dir.file("d.ped"), snps);
    EXPECT_EQ(ped.individuals, (std::vector<std::string>{"I1", "I2", "I3"}));
    EXPECT_EQ(ped.half_missing, 1u);
    EXPECT_EQ(snps[0].allele_a, "T");
    EXPECT_EQ(snps[0].allele_b, "A");
    EXPECT_EQ(snps[1].allele_a, "C");
    EXPECT_EQ(snps[1].allele_b, "A");
    // The half-missing "G 0" does not make G the first allele of s3.
    EXPECT_EQ(snps[2].allele_a, "A");
    EXPECT_EQ(snps[2].allele_b, "G");
    const std::vector<std::vector<unsigned>> expected = {
        {kMissing, kHomA, kHet}, {kHomA, kHet, kHomB}, {kMissing, kHomA, kHomB}};
    for (std::size_t j = 0; j < 3; ++j)
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(ped.genotypes.get(j, i), expected[j][i]) << j << " " << i;
}

TEST(PedReader, SnpWithoutGenotypesGetsZeroAlleles)
{
    TempDir dir;
    write_file(dir.file("d.ped"), "F I1 0 0 1 1 0 0 G G\nF I2 0 0 1 1 0 0 G G\n");
    std::vector<SnpRecord> snps = {snp("1", "s1", 1, "", ""), snp("1", "s2", 2, "", "")};
    read_ped(dir.file("d.ped"), snps);
    EXPECT_EQ(snps[0].allele_a, "0");
    EXPECT_EQ(snps[0].allele_b, "0");
    EXPECT_EQ(snps[1].allele_a, "G");
    EXPECT_EQ(snps[1].allele_b, "0");
}

TEST(PedReader, RefusesAThirdAlleleAndWrongFieldCounts)
{
    TempDir dir;
    const std::string ped = dir.file("d.ped");
    std::vector<SnpRecord> snps = {snp("1", "s1", 1, "", ""), snp("1", "s2", 2, "", "")};
    write_file(ped, "F I1 0 0 1 1 A A C T\nF I2 0 0 1 1 A A C G\n");
    const std::string third = error_of([&] { read_ped(ped, snps); });
    EXPECT_NE(third.find(ped + " line 2: SNP s2"), std::string::npos) << third;
    EXPECT_NE(third.find("third allele 'G'"), std::string::npos) << third;

    write_file(ped, "F I1 0 0 1 1 A A C T\nF I2 0 0 1 1 A A C\n");
    const std::string short_row = error_of([&] { read_ped(ped, snps); });
    EXPECT_NE(short_row.find(ped + " line 2: expected 10 fields"), std::string::npos) << short_row;
    EXPECT_NE(short_row.find("found 9"), std::string::npos) << short_row;

    write_file(ped, "");
    EXPECT_NE(error_of([&] { read_ped(ped, snps); }).find("no individuals"), std::string::npos);
}

TEST(AlleleCoding, CodesTheMinorAlleleAndTheSecondOnATie)
{
    // A minor: A copies 1 + 0 + 1 = 2 < B copies 1 + 2 + 1 = 4.
    auto c = choose_coding(one_snp("A", "B", {kHet, kHomB, kHet, kMissing}));
    EXPECT_TRUE(c[0].coded_is_a);
    EXPECT_EQ(c[0].allele0, "B");
    EXPECT_EQ(c[0].allele1, "A");
    EXPECT_EQ(c[0].missing, 1u);
    // B minor.
    c = choose_coding(one_snp("A", "B", {kHomA, kHet, kHomA}));
    EXPECT_FALSE(c[0].coded_is_a);
    EXPECT_EQ(c[0].allele1, "B");
    // Tie (3 and 3): the second allele.
    c = choose_coding(one_snp("A", "B", {kHomA, kHet, kHomB, kMissing}));
    EXPECT_FALSE(c[0].coded_is_a);
    EXPECT_EQ(c[0].allele0, "A");
    EXPECT_EQ(c[0].allele1, "B");
}

TEST(AlleleCoding, MonomorphicSnpKeepsTheSeenAlleleAsAllele0)
{
    auto c = choose_coding(one_snp("A", "T", {kHomB, kHomB, kHomB}));
    EXPECT_EQ(c[0].allele0, "T");
    EXPECT_EQ(c[0].allele1, "A");
    EXPECT_EQ(genotype_code(kHomB, c[0].coded_is_a), 0);
    c = choose_coding(one_snp("A", "T", {kHomA, kHomA, kMissing}));
    EXPECT_EQ(c[0].allele0, "A");
    EXPECT_EQ(c[0].allele1, "T");
    EXPECT_EQ(genotype_code(kHomA, c[0].coded_is_a), 0);
    c = choose_coding(one_snp("T", "0", {kHomA, kHomA}));
    EXPECT_EQ(c[0].allele0, "T");
    EXPECT_EQ(c[0].allele1, "0");
}

TEST(AlleleCoding, CountsEveryIndividualOfLongRowsAndNoPadding)
{
    // 9 individuals: two full bytes and one value in a last byte whose three
    // padding slots read as A homozygotes. A: 6 copies, B: 10 copies, so A is
    // the minor allele; counting the padding would give A 12 copies.
    const std::vector<unsigned> values = {kHomA, kHomA, kHomA, kHomB, kHomB,
                                          kHomB, kHomB, kHomB, kMissing};
    const GenotypeTable table = one_snp("A", "B", values);
    ASSERT_EQ(table.genotypes.row_bytes(0)[2], 0x01);
    const auto c = choose_coding(table);
    EXPECT_TRUE(c[0].coded_is_a);
    EXPECT_EQ(c[0].missing, 1u);
}

TEST(AlleleCoding, GenotypeCodesCountAllele1)
{
    EXPECT_EQ(genotype_code(kHomA, false), 0);
    EXPECT_EQ(genotype_code(kHet, false), 1);
    EXPECT_EQ(genotype_code(kHomB, false), 2);
    EXPECT_EQ(genotype_code(kMissing, false), -1);
    EXPECT_EQ(genotype_code(kHomA, true), 2);
    EXPECT_EQ(genotype_code(kHet, true), 1);
    EXPECT_EQ(genotype_code(kHomB, true), 0);
    EXPECT_EQ(genotype_code(kMissing, true), -1);
}

TEST(StretchCheck, WantsOneChromosomeInPositionOrder)
{
    EXPECT_EQ(error_of([] {
                  check_one_stretch({snp("1", "a", 5), snp("1", "b", 5), snp("1", "c", 9)}, "d.bim", "--bfile d");
              }),
              "");
    const std::string chromosomes = error_of(
        [] { check_one_stretch({snp("1", "a", 5), snp("2", "b", 1)}, "d.bim", "--bfile d"); });
    EXPECT_NE(chromosomes.find("d.bim line 2: SNP b is on chromosome 2"), std::string::npos) << chromosomes;
    EXPECT_NE(chromosomes.find("plink --bfile d --chr 1 --make-bed"), std::string::npos) << chromosomes;
    const std::string order = error_of(
        [] { check_one_stretch({snp("1", "a", 5), snp("1", "b", 7), snp("1", "c", 6)}, "d.map", "--file d"); });
    EXPECT_NE(order.find("d.map line 3: SNP c at position 6 comes after SNP b at position 7"), std::string::npos)
        << order;
    EXPECT_NE(order.find("sort the SNPs by position first, e.g. plink --file d"), std::string::npos) << order;
}

TEST(PlinkInput, QuotesBaseNamesForTheShell)
{
    EXPECT_EQ(shell_word("data/chr1_x-2.v3"), "data/chr1_x-2.v3");
    EXPECT_EQ(shell_word("my data"), "'my data'");
    EXPECT_EQ(shell_word("it's"), "'it'\\''s'");
    EXPECT_EQ(shell_word(""), "''");
}

TEST(PlinkInput, PrefersTheBinaryDataSet)
{
    TempDir dir;
    const std::string base = dir.file("d");
    write_file(base + ".bim", "1 s1 0 10 A C\n");
    write_file(base + ".fam", "F I1 0 0 1 1\n");
    write_file(base + ".bed", std::string("\x6c\x1b\x01\x03", 4));
    write_file(base + ".map", "1 s1 0 10\n");
    write_file(base + ".ped", "F P1 0 0 1 1 G G\n");
    const GenotypeTable table = load_plink(base);
    EXPECT_EQ(table.genotype_file, base + ".bed");
    EXPECT_EQ(table.individuals, std::vector<std::string>{"I1"});
    EXPECT_EQ(table.genotypes.get(0, 0), kHomB);

    const std::string none = error_of([&] { load_plink(base + ".bed"); });
    EXPECT_NE(none.find("found neither " + base + ".bed.bed nor"), std::string::npos) << none;
    EXPECT_NE(none.find("without the extension: " + base), std::string::npos) << none;
}

TEST(GtFile, ReadsWhatIsWrittenAndRefusesDamage)
{
    TempDir dir;
    const std::string gt = dir.file("d.gt");
    const std::string good = "#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t2\nI2\t1\t1\t0\n";
    write_file(gt, good);
    const GtTable table = read_gt(gt);
    EXPECT_EQ(table.snp_ids, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(table.individuals, (std::vector<std::string>{"I1", "I2"}));
    EXPECT_EQ(table.codes.get(0, 1), 0u);   // -1
    EXPECT_EQ(table.codes.get(0, 2), 3u);   // 2
    EXPECT_EQ(table.codes.get(1, 0), 2u);   // 1

    const auto gt_error = [&](const std::string& text) {
        write_file(gt, text);
        return error_of([&] { read_gt(gt); });
    };
    EXPECT_NE(gt_error("").find("empty file"), std::string::npos);
    EXPECT_NE(gt_error("individual\ta\n").find(gt + " line 1: not a genotype file"), std::string::npos);
    EXPECT_NE(gt_error("#gt\t0\t3\n").find("line 1: the number of individuals"), std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\n").find("line 2: expected 'individual' and 3 SNP ids"),
              std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb c\td\n").find("line 2, field 3: SNP id 'b c' holds a blank"),
              std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t2\nI2\t1\t1\n")
                  .find("line 4: expected an IID and 3 codes (4 fields), found 3"),
              std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t2\nI2\t1\tx\t0\n")
                  .find("line 4, field 3: genotype code 'x'"),
              std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t3\n").find("genotype code '3'"),
              std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t2\n").find("1 of the 2 individuals"),
              std::string::npos);
    EXPECT_NE(gt_error(good + "I3\t0\t0\t0\n").find("line 5: more individuals than the 2"), std::string::npos);
    EXPECT_NE(gt_error(good + "\n").find("line 5: blank line"), std::string::npos);
    EXPECT_NE(gt_error("#gt\t2\t3\nindividual\ta\tb\tc\nI1\t0\t-1\t2\n\t1\t1\t0\n").find("line 4, field 1: empty IID"),
              std::string::npos);
}
