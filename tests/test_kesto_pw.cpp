// End-to-end runs of the built kesto_pw on small reference files.

#include "csvline.h"
#include "regional_pvalues.h"
#include "result_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kesto_test::file_exists;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kHeader = "Pathway_no\tPathway_name\tncritical\tnsignificant\tregional_p\n";
const std::string kGeneHeader = "chromosome\tid\tstart\tend\tname\n";

using kesto_test::contains;

std::vector<std::string> pw_args(const std::string& pathways, const std::string& genes, const std::string& result,
                                 const std::string& alpha = "0.05", const std::string& share = "0.8",
                                 const std::string& flank = "0")
{
    return {"-p", pathways, "-g", genes, "-o", result, "-l", "ref/", "-G", "ref/", "-a", alpha, "-v", share, "-f", flank};
}

// Reference files for two chromosomes. On chromosome 1, rs1 and rs2 carry the
// same codes (r^2 = 1) and only rs1 is a hit, so a region holding both gives
// (1, 0.5) and a region holding either alone (1, 1) or (1, 0). rs5 on
// chromosome 2 is a hit at the same position as rs1.
void write_reference(const TempDir& dir)
{
    const std::string ref = dir.file("ref");
    std::filesystem::create_directories(ref);
    write_file(ref + "/legend_chr1.txt", "id\tpos\tp\n"
                                         "rs1\t10000\t0.01\n"
                                         "rs2\t20000\t0.5\n"
                                         "rs3\t200000\t0.01\n"
                                         "rs4\t300000\t0.02\n");
    write_file(ref + "/genotype_chr1.txt", "id\tpos\ts1\ts2\ts3\ts4\ts5\ts6\ts7\ts8\n"
                                           "rs1\t10000\t0\t1\t2\t0\t1\t2\t0\t1\n"
                                           "rs2\t20000\t0\t1\t2\t0\t1\t2\t0\t1\n"
                                           "rs3\t200000\t0\t0\t1\t1\t2\t2\t0\t1\n"
                                           "rs4\t300000\t1\t0\t2\t1\t0\t0\t1\t2\n");
    write_file(ref + "/legend_chr2.txt", "id\tpos\tp\n"
                                         "rs5\t10000\t0.01\n"
                                         "rs6\t500000\t0.9\n");
    write_file(ref + "/genotype_chr2.txt", "id\tpos\ts1\ts2\ts3\ts4\ts5\ts6\ts7\ts8\n"
                                           "rs5\t10000\t0\t1\t2\t0\t1\t2\t0\t1\n"
                                           "rs6\t500000\t2\t1\t0\t0\t1\t2\t0\t1\n");
}

class KestoPw : public ::testing::Test {
protected:
    void SetUp() override { write_reference(dir); }
    RunResult run(const std::string& pathways, const std::string& genes, const std::string& alpha = "0.05",
                  const std::string& share = "0.8", const std::string& flank = "0")
    {
        write_file(dir.file("pw.txt"), pathways);
        write_file(dir.file("genes.txt"), genes);
        return run_program("kesto_pw", pw_args("pw.txt", "genes.txt", "out.txt", alpha, share, flank), dir.path());
    }
    std::string result() const { return read_file(dir.file("out.txt")); }

    TempDir dir;
};

TEST_F(KestoPw, WholeResultFile)
{
    // B is listed before A, and C on chromosome 2 sits between them at A's
    // position; D's chromosome has no reference files; E and F lie 90,000
    // apart; EMPTY holds no SNP. The first line is a pathway, an empty line
    // gets no row, and the last line lacks its newline.
    const RunResult r = run("P1\tmerged neighbours\tA\tB\n"
                            "P2\tacross chromosomes\tA\tC\n"
                            "P3\tno member found\tNOPE\n"
                            "\n"
                            "P4\twith missing data\tA\tD\n"
                            "P5\tlisted twice\tA\tA\n"
                            "P6\tonly a name\n"
                            "P7\tthree regions\tE\tF\tA\n"
                            "P8\tone empty region\tEMPTY\tA",
                            kGeneHeader + "1\tg3\t15000\t21000\tB\n"
                                          "chr2\tg2\t9000\t11000\tC\n"
                                          "1\tg1\t9000\t11000\tA\n"
                                          "3\tg4\t1\t100\tD\n"
                                          "1\tg5\t300000\t310000\tF\n"
                                          "1\tg6\t190000\t210000\tE\n"
                                          "1\tg7\t400000\t410000\tEMPTY\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(result(), kHeader + "P1\tmerged neighbours\t1\t0.5\t0.525\n"
                                  "P2\tacross chromosomes\t2\t2\t0.0025\n"
                                  "P3\tno member found\t0\t0\t1\n"
                                  "P4\twith missing data\t1\t1\t0.05\n"
                                  "P5\tlisted twice\t1\t1\t0.05\n"
                                  "P6\tonly a name\t0\t0\t1\n"
                                  "P7\tthree regions\t3\t3\t0.000125\n"
                                  "P8\tone empty region\t1\t1\t0.05\n");
    EXPECT_EQ(r.out, "Input legend file not found ref/legend_chr3.txt\n");
    EXPECT_TRUE(contains(r.err, "pw.txt line 4: ")) << r.err;
    EXPECT_TRUE(contains(r.err, "pathway P4 (pw.txt line 5): 1 of 2 regions could not be evaluated")) << r.err;
    EXPECT_FALSE(contains(r.err, "pathway P1 ")) << r.err;
    EXPECT_FALSE(contains(r.err, "pathway P8 ")) << r.err;  // an empty region was evaluated
}

TEST_F(KestoPw, GeneListWithOnlyItsHeader)
{
    const RunResult r = run("P1\tfirst\tA\tB\nP2\tsecond\tC\n", kGeneHeader);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader + "P1\tfirst\t0\t0\t1\nP2\tsecond\t0\t0\t1\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(KestoPw, UnusableGeneLinesAreWarnedAboutAndLeftOut)
{
    const RunResult r = run("P1\tp\tA\tB\tC\n", kGeneHeader + "1\tg1\t9000\t11000\tA\n"
                                                             "1\tg2\t15000\n"
                                                             "1\tg3\tx\t21000\tB\n"
                                                             "chr1\tg4\t15000\t21000\tC");
    EXPECT_EQ(r.status, 0);
    // A and C merge (chr1 is chromosome 1); B is gone.
    EXPECT_EQ(result(), kHeader + "P1\tp\t1\t0.5\t0.525\n");
    EXPECT_TRUE(contains(r.err, "genes.txt line 3: ")) << r.err;
    EXPECT_TRUE(contains(r.err, "genes.txt line 4: ")) << r.err;
    EXPECT_FALSE(contains(r.err, "line 5")) << r.err;
}

TEST_F(KestoPw, SpaceSeparatedPathwaysAndWindowsLineEnds)
{
    const std::string genes = "chromosome id start end name\r\n1 g1 9000 11000 A\r\n1 g3 15000 21000 B\r\n";
    const RunResult r = run("P1 spaced A B\r\nP2\ttabbed name\tA\r\n", genes);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(result(), kHeader + "P1\tspaced\t1\t0.5\t0.525\nP2\ttabbed name\t1\t1\t0.05\n");
}

TEST_F(KestoPw, NamedChromosomeAndNonnumericPvalues)
{
    write_file(dir.file("ref/legend_chrX.txt"), "id\tpos\tp\nrx1\t100\tNA\nrx2\t5000\t0.001\n");
    write_file(dir.file("ref/genotype_chrX.txt"), "id\tpos\ts1\ts2\ts3\ts4\nrx1\t100\t0\t1\t2\t1\nrx2\t5000\t2\t1\t0\t0\n");
    const RunResult r = run("P1\tx one\tX1\nP2\tx two\tX2\nP3\tx again\tX1\n",
                            kGeneHeader + "chrX\tg1\t50\t150\tX1\nX\tg2\t4000\t6000\tX2\n");
    EXPECT_EQ(r.status, 0) << r.err;
    // An NA p-value is no hit.
    EXPECT_EQ(result(), kHeader + "P1\tx one\t1\t0\t1\nP2\tx two\t1\t1\t0.05\nP3\tx again\t1\t0\t1\n");
    const std::string report = "ref/legend_chrX.txt: 1 p-values are not numbers";
    ASSERT_TRUE(contains(r.err, report)) << r.err;
    EXPECT_EQ(r.err.find(report), r.err.rfind(report)) << "reported more than once:\n" << r.err;
}

TEST_F(KestoPw, UnreadableReferenceFileCountsAsNotEvaluated)
{
    write_file(dir.file("ref/legend_chr4.txt"), "id\tpos\tp\nr1\t100\t0.01\n");
    write_file(dir.file("ref/genotype_chr4.txt"), "id\tpos\ts1\ts2\nr1\t100\t0\n");  // one code short
    const RunResult r = run("P1\tbad and good\tBAD\tA\n", kGeneHeader + "4\tg\t50\t150\tBAD\n1\tg1\t9000\t11000\tA\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader + "P1\tbad and good\t1\t1\t0.05\n");
    EXPECT_TRUE(contains(r.err, "pathway P1 (pw.txt line 1): 1 of 2 regions could not be evaluated")) << r.err;
}

// ---------------------------------------------------------------- agreement

// Chromosome 5: 40 SNPs, 5,000 bp apart from 10,000, in LD blocks of 8 SNPs
// over 40 samples (each SNP a copy of its block's pattern with some codes
// redrawn), every third SNP a hit.
void write_ld_chromosome(const TempDir& dir)
{
    std::uint32_t state = 12345;
    const auto draw = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 16) % range);
    };
    const int samples = 40;
    std::ostringstream legend, genotype;
    legend << "id\tpos\tp\n";
    genotype << "id\tpos";
    for (int j = 0; j < samples; ++j)
        genotype << "\ts" << j;
    genotype << "\n";
    std::vector<int> pattern(samples);
    for (int i = 0; i < 40; ++i) {
        if (i % 8 == 0)
            for (int& code : pattern)
                code = draw(3);
        const int position = 10000 + 5000 * i;
        legend << "rs" << i << "\t" << position << "\t" << (i % 3 == 0 ? "0.001" : "0.4") << "\n";
        genotype << "rs" << i << "\t" << position;
        for (int j = 0; j < samples; ++j)
            genotype << "\t" << (draw(10) < 2 ? draw(3) : pattern[j]);
        genotype << "\n";
    }
    write_file(dir.file("ref/legend_chr5.txt"), legend.str());
    write_file(dir.file("ref/genotype_chr5.txt"), genotype.str());
}

struct GeneRow {
    int ncritical = 0;
    std::string nsignificant;
    std::string regional_p;
};

std::vector<GeneRow> gene_rows(const std::string& text)
{
    std::vector<GeneRow> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    while (std::getline(in, line)) {
        split_fields(fields, line);
        rows.push_back({std::atoi(fields.at(4).c_str()), fields.at(5), fields.at(6)});
    }
    return rows;
}

TEST_F(KestoPw, AgreesWithTheGeneListProgramOnTheMergedRegions)
{
    write_ld_chromosome(dir);
    // G1..G3 chain into 10000-100000 (gaps 40,000 and 25,000); G4 starts
    // 50,001 after G3 ends and chains with G5 into 150001-180000.
    write_file(dir.file("genes.txt"), kGeneHeader + "chr5\tg4\t150001\t160000\tG4\n"
                                                    "5\tg1\t10000\t20000\tG1\n"
                                                    "5\tg3\t95000\t100000\tG3\n"
                                                    "5\tg5\t170000\t180000\tG5\n"
                                                    "5\tg2\t60000\t70000\tG2\n");
    write_file(dir.file("merged.txt"), kGeneHeader + "5\tr1\t10000\t100000\tR1\n5\tr2\t150001\t180000\tR2\n");
    write_file(dir.file("pw.txt"), "first\tthree genes\tG2\tG3\tG1\nall\tfive genes\tG4\tG1\tG5\tG3\tG2\n");

    // A flank of 30,000 makes the flanked regions overlap; it must not make
    // them merge.
    for (const std::string flank : {"0", "30000"}) {
        SCOPED_TRACE("flank " + flank);
        const RunResult pw = run_program("kesto_pw", pw_args("pw.txt", "genes.txt", "out.txt", "0.05", "0.8", flank),
                                         dir.path());
        ASSERT_EQ(pw.status, 0) << pw.err;
        const RunResult gl = run_program("kesto_genelist",
                                         {"-g", "merged.txt", "-o", "genes.out", "-l", "ref/", "-G", "ref/", "-a",
                                          "0.05", "-v", "0.8", "-f", flank},
                                         dir.path());
        ASSERT_EQ(gl.status, 0) << gl.err;
        const std::vector<GeneRow> regions = gene_rows(read_file(dir.file("genes.out")));
        ASSERT_EQ(regions.size(), 2u);
        EXPECT_GT(regions[0].ncritical, 1);  // a real LD structure, not single SNPs

        const std::string text = read_file(dir.file("out.txt"));
        std::istringstream in(text);
        std::string line;
        std::getline(in, line);
        ASSERT_EQ(line + "\n", kHeader);
        std::vector<std::string> first, all;
        std::getline(in, line);
        split_fields(first, line);
        std::getline(in, line);
        split_fields(all, line);
        ASSERT_EQ(first.size(), 5u);
        ASSERT_EQ(all.size(), 5u);

        // One region: the same numbers the gene-list program reports; the
        // p-value differs only by the pathway's single-precision widths.
        EXPECT_EQ(first[0], "first");
        EXPECT_EQ(first[2], format_number(regions[0].ncritical));
        EXPECT_EQ(first[3], regions[0].nsignificant);
        const double gene_p = std::atof(regions[0].regional_p.c_str());
        EXPECT_NEAR(std::atof(first[4].c_str()), gene_p, 1e-5 * gene_p);

        // Two regions: their sums and the pathway p-value of the sums.
        const int n = regions[0].ncritical + regions[1].ncritical;
        const float s = static_cast<float>(std::atof(regions[0].nsignificant.c_str())) +
                        static_cast<float>(std::atof(regions[1].nsignificant.c_str()));
        EXPECT_EQ(all[2], format_number(n));
        EXPECT_NEAR(std::atof(all[3].c_str()), s, 1e-5 * s);
        const float p = pathway_p(n, s, 0.05f);
        EXPECT_NEAR(std::atof(all[4].c_str()), p, 1e-4 * p);
        EXPECT_FALSE(std::getline(in, line));
    }
}

// ---------------------------------------------------------------- failures

TEST_F(KestoPw, MissingPathwayFile)
{
    write_file(dir.file("genes.txt"), kGeneHeader);
    RunResult r = run_program("kesto_pw", pw_args("absent.txt", "genes.txt", "out.txt"), dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Input pathway file not found\n");
    EXPECT_FALSE(file_exists(dir.file("out.txt")));

    // Only the pathway file's message even when the gene list is missing too.
    r = run_program("kesto_pw", pw_args("absent.txt", "absent_genes.txt", "out.txt"), dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Input pathway file not found\n");
    EXPECT_FALSE(file_exists(dir.file("out.txt")));
}

TEST_F(KestoPw, MissingGeneList)
{
    write_file(dir.file("pw.txt"), "P1\tp\tA\n");
    const RunResult r = run_program("kesto_pw", pw_args("pw.txt", "absent.txt", "out.txt"), dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Input genelist file not found\n");
    EXPECT_FALSE(file_exists(dir.file("out.txt")));
}

TEST_F(KestoPw, ResultFileThatCannotBeCreated)
{
    write_file(dir.file("pw.txt"), "P1\tp\tD\n");
    write_file(dir.file("genes.txt"), kGeneHeader + "3\tg4\t1\t100\tD\n");
    const RunResult r = run_program("kesto_pw", pw_args("pw.txt", "genes.txt", "no_such_dir/out.txt"), dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "no_such_dir/out.txt")) << r.err;
    EXPECT_EQ(r.out, "");  // no region was computed (its legend file is missing)
}

TEST_F(KestoPw, CommandLineIsCheckedBeforeAnyFileIsOpened)
{
    // None of the files exist: a refusal must come before any of them is
    // looked at.
    std::vector<std::string> args = pw_args("absent.txt", "absent.txt", "out.txt");
    args.pop_back();
    RunResult r = run_program("kesto_pw", args, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "usage: kesto_pw")) << r.err;
    EXPECT_TRUE(contains(r.err, "example:")) << r.err;

    const std::vector<std::vector<std::string>> bad_values = {
        pw_args("absent.txt", "absent.txt", "out.txt", "1.5"),
        pw_args("absent.txt", "absent.txt", "out.txt", "-0.01"),
        pw_args("absent.txt", "absent.txt", "out.txt", "abc"),
        pw_args("absent.txt", "absent.txt", "out.txt", "0.05", "1.01"),
        pw_args("absent.txt", "absent.txt", "out.txt", "0.05", "0.8", "20kb"),
    };
    for (const auto& values : bad_values) {
        r = run_program("kesto_pw", values, dir.path());
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(file_exists(dir.file("out.txt")));

    r = run_program("kesto_pw", {"--help"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "usage: kesto_pw")) << r.out;
    EXPECT_EQ(r.err, "");
    r = run_program("kesto_pw", {"-h"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "usage: kesto_pw"));
    r = run_program("kesto_pw", {"--version"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "kesto_pw")) << r.out;
}

TEST_F(KestoPw, OptionWordsAreNotInspected)
{
    write_file(dir.file("pw.txt"), "P1\tp\tA\n");
    write_file(dir.file("genes.txt"), kGeneHeader + "1\tg1\t9000\t11000\tA\n");
    const RunResult r = run_program("kesto_pw",
                                    {"1", "pw.txt", "2", "genes.txt", "3", "out.txt", "4", "ref/", "5", "ref/", "6",
                                     "0.05", "7", "0.8", "8", "0"},
                                    dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(result(), kHeader + "P1\tp\t1\t1\t0.05\n");
}

} // namespace
