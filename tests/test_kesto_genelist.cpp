#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kHeader = "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n";

const std::string kLegend =
    "id\tpos\tp\n"
    "rs1\t100\t0.01\n"
    "rs2\t200\t0.5\n"
    "rs3\t300\t0.02\n"
    "rs4\t400\t0.7\n";

const std::string kGenotypes =
    "id\tpos\ta\tb\tc\td\te\tf\n"
    "rs1\t100\t0\t1\t2\t1\t0\t2\n"
    "rs2\t200\t0\t1\t2\t2\t0\t1\n"
    "rs3\t300\t2\t1\t0\t1\t2\t0\n"
    "rs4\t400\t0\t0\t1\t1\t2\t-1\n";

class GeneList : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir.file("legend_chr1.txt"), kLegend);
        write_file(dir.file("genotype_chr1.txt"), kGenotypes);
    }

    kesto_test::RunResult run(const std::string& genes, const std::string& alpha = "0.05",
                              const std::string& share = "0.8", const std::string& flank = "0")
    {
        write_file(dir.file("genes.txt"), genes);
        return run_program("kesto_genelist", {"-g", "genes.txt", "-o", "out.txt", "-l", "./", "-G", "./", "-a",
                                              alpha, "-v", share, "-f", flank},
                           dir.path());
    }

    std::string result() { return read_file(dir.file("out.txt")); }

    TempDir dir;
};

TEST_F(GeneList, WholeResultFile)
{
    const auto r = run("chr\tid\tstart\tend\tname\n"
                       "1\tg1\t100\t400\tA\n"
                       "1\tg2\t1000\t2000\tB\n"
                       "1\tg3\t300\t301\tC\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(result(), kHeader +
                            "1\t100\t400\tA\t2\t1.14978\t0.0832706\n"
                            "1\t1000\t2000\tB\t0\t0\t-1\n"
                            "1\t300\t301\tC\t1\t1\t0.05\n");
}

TEST_F(GeneList, FlankWidensTheRegionButNotTheRow)
{
    // SNP at start - flank is in, SNP at end + flank is out.
    const auto r = run("h\n1\tg\t250\t350\tA\n", "0.05", "0.8", "50");
    EXPECT_EQ(r.status, 0);
    const auto flank0 = result();
    EXPECT_EQ(flank0, kHeader + "1\t250\t350\tA\t2\t1\t0.0975\n");
}

TEST_F(GeneList, SpaceSeparatedListAndLastLineWithoutNewline)
{
    const auto r = run("chr id start end name\n1 g1 300 301 C\n1 g2 100 101 D");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader + "1\t300\t301\tC\t1\t1\t0.05\n1\t100\t101\tD\t1\t1\t0.05\n");
}

TEST_F(GeneList, HeaderOnly)
{
    EXPECT_EQ(run("chr\tid\tstart\tend\tname\n").status, 0);
    EXPECT_EQ(result(), kHeader);
}

TEST_F(GeneList, MissingReferenceFilesGiveNaAndTheRunGoesOn)
{
    write_file(dir.file("legend_chr2.txt"), kLegend);
    const auto r = run("h\n3\tg\t1\t2\tA\n2\tg\t1\t2\tB\n1\tg\t300\t301\tC\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Input legend file not found ./legend_chr3.txt\nFile genotype not found\n");
    EXPECT_EQ(result(), kHeader + "3\t1\t2\tA\t0\t0\tNA\n2\t1\t2\tB\t0\t0\tNA\n1\t300\t301\tC\t1\t1\t0.05\n");
}

TEST_F(GeneList, ChromosomeNames)
{
    write_file(dir.file("legend_chrX.txt"), kLegend);
    write_file(dir.file("genotype_chrX.txt"), kGenotypes);
    const auto r = run("h\nchrX\tg\t300\t301\tA\nCHR1\tg\t300\t301\tB\n01\tg\t300\t301\tC\n../x\tg\t1\t2\tD\n$(id)\tg\t1\t2\tE\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader +
                            "X\t300\t301\tA\t1\t1\t0.05\n"
                            "1\t300\t301\tB\t1\t1\t0.05\n"
                            "1\t300\t301\tC\t1\t1\t0.05\n"
                            "../x\t1\t2\tD\t0\t0\tNA\n"
                            "$(id)\t1\t2\tE\t0\t0\tNA\n");
    EXPECT_NE(r.err.find("'../x'"), std::string::npos);
}

TEST_F(GeneList, NonNumericPValuesAreNoHitsAndAreCountedOncePerLegend)
{
    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t100\tNA\nrs2\t200\t\nrs3\t300\tnan\nrs4\t400\t0.01\n");
    const auto r = run("h\n1\tg\t100\t101\tA\n1\tg\t300\t301\tB\n1\tg\t400\t401\tC\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t1\t0\t1\n1\t300\t301\tB\t1\t0\t1\n1\t400\t401\tC\t1\t1\t0.05\n");
    const std::string message = "legend_chr1.txt: 2 p-values are not numbers";
    const auto first = r.err.find(message);
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(message, first + 1), std::string::npos);
}

TEST_F(GeneList, PValueEqualToAlphaIsNoHit)
{
    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t100\t0.05\nrs2\t200\t0.5\nrs3\t300\t0.02\nrs4\t400\t0.7\n");
    run("h\n1\tg\t100\t101\tA\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t1\t0\t1\n");
}

TEST_F(GeneList, MalformedGenotypeRowsGiveNaNamingFileAndLine)
{
    const std::string header = "id\tpos\ta\tb\tc\td\te\tf\n";
    const std::string good = "rs1\t100\t0\t1\t2\t1\t0\t2\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {header + good + "rs2\t200\t0\t1\t2\t2\t0\n", "line 3"},              // one code too few
        {header + good + "rs2\t200\t0\t1\t2\t2\t0\t1\t1\n", "line 3"},        // one too many
        {header + good + "rs2\t200\t0\t1\tx\t2\t0\t1\n", "line 3"},           // not a number
        {header + good + "rs2\t200\t0\t1\t2.5\t2\t0\t1\n", "line 3"},         // not whole
        {header + good, "ends after 1 data rows"},                           // too few rows
        {header + good + "rs2\t200\t0\t1\t2\t2\t0\t9999999999\n", "line 3"},  // too large
        {"id\tpos\n", "line 1"},                                             // no sample column
    };
    for (const auto& [content, where] : cases) {
        write_file(dir.file("genotype_chr1.txt"), content);
        const auto r = run("h\n1\tg\t100\t101\tA\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t0\t0\tNA\n") << content;
        EXPECT_NE(r.err.find("genotype_chr1.txt"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
    }
}

TEST_F(GeneList, TolerantGenotypeLayouts)
{
    // Runs of blanks between codes, a trailing blank, CRLF line ends and
    // codes outside 0, 1, 2, -1 are all read alike.
    write_file(dir.file("genotype_chr1.txt"),
               "id pos a b c d e f\r\n"
               "rs1 100 0  1 2 1 0 2 \r\n"
               "rs2\t200\t0\t1\t2\t2\t0\t1\r\n"
               "rs3 300 2 1 0 1 2 0\n"
               "rs4 400 0 0 1 1 2 -1\n"
               "extra rows 1 2 are ignored\n");
    run("h\n1\tg1\t100\t400\tA\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t400\tA\t2\t1.14978\t0.0832706\n");
}

TEST_F(GeneList, MalformedLegendGivesNa)
{
    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t100\t0.01\nrs2\t2x00\t0.5\n");
    auto r = run("h\n1\tg\t100\t101\tA\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t0\t0\tNA\n");
    EXPECT_NE(r.err.find("legend_chr1.txt line 3"), std::string::npos) << r.err;

    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t100\n");
    r = run("h\n1\tg\t100\t101\tA\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t0\t0\tNA\n");
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;

    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\n");
    r = run("h\n1\tg\t100\t101\tA\n");
    EXPECT_EQ(result(), kHeader + "1\t100\t101\tA\t0\t0\t-1\n");
    EXPECT_NE(r.err.find("no SNP lines"), std::string::npos) << r.err;
}

TEST_F(GeneList, ShortOrBadGeneLinesAreSkippedWithAWarning)
{
    const auto r = run("h\n1\tg\t300\n\n1\tg\tx\t301\tB\n1\tg\t300\t301\tC\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader + "1\t300\t301\tC\t1\t1\t0.05\n");
    EXPECT_NE(r.err.find("line 2"), std::string::npos);
    EXPECT_NE(r.err.find("line 3"), std::string::npos);
    EXPECT_NE(r.err.find("line 4"), std::string::npos);
}

TEST_F(GeneList, MissingGeneListFails)
{
    const auto r = run_program("kesto_genelist", {"-g", "nope.txt", "-o", "out.txt", "-l", "./", "-G", "./", "-a",
                                                  "0.05", "-v", "0.8", "-f", "0"},
                               dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Input gene file not found\n");
    EXPECT_FALSE(kesto_test::file_exists(dir.file("out.txt")));
}

TEST_F(GeneList, UnwritableResultFails)
{
    write_file(dir.file("genes.txt"), "h\n1\tg\t300\t301\tC\n");
    auto r = run_program("kesto_genelist", {"-g", "genes.txt", "-o", "no/such/dir/out.txt", "-l", "./", "-G", "./",
                                            "-a", "0.05", "-v", "0.8", "-f", "0"},
                         dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no/such/dir/out.txt"), std::string::npos);
    EXPECT_EQ(r.out, "");

    r = run_program("kesto_genelist", {"-g", "genes.txt", "-o", "/dev/full", "-l", "./", "-G", "./", "-a", "0.05",
                                       "-v", "0.8", "-f", "0"},
                    dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/dev/full"), std::string::npos);
}

TEST_F(GeneList, CommandLineChecks)
{
    auto r = run_program("kesto_genelist", {"-g", "genes.txt"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("example:"), std::string::npos);
    EXPECT_EQ(r.out, "");

    r = run_program("kesto_genelist", {"--help"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: kesto_genelist"), std::string::npos);

    r = run_program("kesto_genelist", {"--version"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("kesto_genelist"), std::string::npos);

    for (const std::string alpha : {"-0.1", "1.5", "nan", "abc"}) {
        r = run("h\n1\tg\t300\t301\tC\n", alpha);
        EXPECT_EQ(r.status, 2) << alpha;
        EXPECT_NE(r.err.find(alpha), std::string::npos);
    }
    EXPECT_EQ(run("h\n", "0.05", "1.5").status, 2);
    EXPECT_EQ(run("h\n", "0.05", "0.8", "9999999999").status, 2);
    EXPECT_EQ(run("h\n", "0.05", "0.8", "ten").status, 2);
    EXPECT_FALSE(kesto_test::file_exists(dir.file("out.txt")));
}

TEST_F(GeneList, EdgeSettingsNeverCrash)
{
    for (const std::string alpha : {"0", "1"})
        for (const std::string share : {"0", "1"}) {
            const auto r = run("h\n1\tg\t100\t400\tA\n", alpha, share, "-10");
            EXPECT_EQ(r.status, 0) << alpha << " " << share;
            const std::string out = result();
            EXPECT_EQ(out.substr(0, kHeader.size()), kHeader);
            EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
        }
}

} // namespace
