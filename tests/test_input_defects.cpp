// Hostile and mistaken inputs of the four programs, grouped by defect class:
// read errors and streams, p-values that are no probabilities, order and id
// contracts, messages once per file, pathways without a result, line ends
// and byte-order marks, genes whose start lies after their end.

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using kesto_test::contains;
using kesto_test::read_file;
using kesto_test::run_command;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kGeneHeader = "chr\tid\tstart\tend\tname\n";
const std::string kHeader = "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n";
const std::string kPathwayHeader = "Pathway_no\tPathway_name\tncritical\tnsignificant\tregional_p\n";

const std::string kLegend = "id\tpos\tp\nrs1\t100\t0.01\nrs2\t200\t0.5\nrs3\t300\t0.02\nrs4\t400\t0.7\n";
const std::string kGenotypes = "id\tpos\ta\tb\tc\td\te\tf\n"
                               "rs1\t100\t0\t1\t2\t1\t0\t2\n"
                               "rs2\t200\t0\t1\t2\t2\t0\t1\n"
                               "rs3\t300\t2\t1\t0\t1\t2\t0\n"
                               "rs4\t400\t0\t0\t1\t1\t2\t-1\n";
// Rows of the genes over all four SNPs and over rs3 alone.
const std::string kRowA = "1\t100\t400\tA\t2\t1.14978\t0.0832706\n";
const std::string kRowC = "1\t300\t301\tC\t1\t1\t0.05\n";

class Inputs : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir.file("legend_chr1.txt"), kLegend);
        write_file(dir.file("genotype_chr1.txt"), kGenotypes);
        write_file(dir.file("genes.txt"), kGeneHeader + "1\tg1\t100\t400\tA\n1\tg3\t300\t301\tC\n");
    }

    RunResult genelist(const std::string& genes = "genes.txt")
    {
        return run_program("kesto_genelist",
                           {"-g", genes, "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v", "0.8", "-f", "0"},
                           dir.path());
    }

    RunResult pathways(const std::string& pw = "pw.txt", const std::string& genes = "genes.txt")
    {
        return run_program("kesto_pw", {"-p", pw, "-g", genes, "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05",
                                        "-v", "0.8", "-f", "0"},
                           dir.path());
    }

    RunResult matrix(const std::string& table, const std::string& genotypes)
    {
        return run_program("kesto_matrix", {"-s", table, "-g", genotypes, "-o", "m.out", "-l", "m.log", "-a", "0.05",
                                            "-v", "0.8", "-w", "250", "-t", "100", "-S", "-1", "-E", "-1"},
                           dir.path());
    }

    // A shell command line in the test folder, stopped after 30 seconds (a
    // program that waits for a second opening of a pipe would never end).
    RunResult shell(const std::string& command)
    {
        return run_command("/usr/bin/timeout", {"30", "/bin/bash", "-c", command}, dir.path());
    }

    std::string result() const { return read_file(dir.file("out.txt")); }

    TempDir dir;
};

// ------------------------------------------------------------ read errors and streams

TEST_F(Inputs, FoldersAndEndlessStreamsEndTheRunNamingTheFile)
{
    mkdir(dir.file("folder").c_str(), 0755);
    write_file(dir.file("pw.txt"), "P1\tone\tA\n");
    struct Case {
        const char* name;
        bool pathway_program;
        std::string pw, genes;
        std::string named;  // in the message
    };
    const std::vector<Case> cases = {
        {"gene list is a folder", false, "", "folder", "folder"},
        {"gene list is /dev/zero", false, "", "/dev/zero", "/dev/zero line 1"},
        {"pathway file is a folder", true, "folder", "genes.txt", "folder"},
        {"pathway file is /dev/zero", true, "/dev/zero", "genes.txt", "/dev/zero line 1"},
        {"pathway program's gene list is a folder", true, "pw.txt", "folder", "folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult r = c.pathway_program ? pathways(c.pw, c.genes) : genelist(c.genes);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.err, c.named)) << r.err;
    }
}

TEST_F(Inputs, UnreadableReferenceFileEndsTheRun)
{
    remove(dir.file("genotype_chr1.txt").c_str());
    mkdir(dir.file("genotype_chr1.txt").c_str(), 0755);
    const RunResult r = genelist();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "genotype_chr1.txt: is a folder")) << r.err;
    EXPECT_EQ(result(), kHeader);  // no row that would look like a finding
}

TEST_F(Inputs, GenotypesThroughAPipeGiveThePlainFilesRows)
{
    ASSERT_EQ(matrix("legend_chr1.txt", "genotype_chr1.txt").status, 0);
    const std::string plain = read_file(dir.file("m.out"));
    const std::string plain_out = matrix("legend_chr1.txt", "genotype_chr1.txt").out;
    const RunResult piped = shell(kesto_test::bin_path("kesto_matrix") +
                                  " -s <(cat legend_chr1.txt) -g <(cat genotype_chr1.txt) -o m.out -l m.log -a 0.05"
                                  " -v 0.8 -w 250 -t 100 -S -1 -E -1");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, plain_out);
    EXPECT_EQ(read_file(dir.file("m.out")), plain);
}

TEST_F(Inputs, GenotypeFileThatIsAFifoIsReadOnce)
{
    ASSERT_EQ(genelist().status, 0);
    const std::string plain = result();
    write_file(dir.file("real_geno.txt"), kGenotypes);
    mkdir(dir.file("ref").c_str(), 0755);
    write_file(dir.file("ref/legend_chr1.txt"), kLegend);
    ASSERT_EQ(mkfifo(dir.file("ref/genotype_chr1.txt").c_str(), 0644), 0);
    const RunResult r = shell("cat real_geno.txt > ref/genotype_chr1.txt & " + kesto_test::bin_path("kesto_genelist") +
                              " -g genes.txt -o out.txt -l ref/ -G ref/ -a 0.05 -v 0.8 -f 0; s=$?; wait; exit $s");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(result(), plain);
}

// ------------------------------------------------------------ p-values

TEST_F(Inputs, OnlyWholeNumbersFromZeroToOneAreHits)
{
    // rs3 (p 0.02) is the one SNP of gene C: a hit gives (1, 1, 0.05).
    struct Case {
        const char* field;
        const char* report;
    };
    const std::vector<Case> cases = {
        {"-9", "1 p-values lie outside 0..1"},        {"-1", "1 p-values lie outside 0..1"},
        {"1.5", "1 p-values lie outside 0..1"},       {"0.001x", "1 p-values are not numbers"},
        {"0.5.3", "1 p-values are not numbers"},      {"1e-3abc", "1 p-values are not numbers"},
        {"-inf", "1 p-values lie outside 0..1"},
    };
    write_file(dir.file("genes.txt"), kGeneHeader + "1\tg3\t300\t301\tC\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        write_file(dir.file("legend_chr1.txt"),
                   "id\tpos\tp\nrs1\t100\t0.01\nrs2\t200\t0.5\nrs3\t300\t" + std::string(c.field) + "\nrs4\t400\t0.7\n");
        const RunResult r = genelist();
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(result(), kHeader + "1\t300\t301\tC\t1\t0\t1\n");
        EXPECT_TRUE(contains(r.err, "legend_chr1.txt: " + std::string(c.report) + " and count as no hit")) << r.err;
    }
    // Both kinds in one file are counted apart, once.
    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t100\t-9\nrs2\t200\tNA\nrs3\t300\t0.5.3\nrs4\t400\t2\n");
    const RunResult r = genelist();
    const std::string report = "2 p-values are not numbers and 2 lie outside 0..1; all count as no hit";
    EXPECT_TRUE(contains(r.err, report)) << r.err;
    EXPECT_EQ(r.err.find(report), r.err.rfind(report));
}

TEST_F(Inputs, WindowProgramsApplyTheSameRule)
{
    ASSERT_EQ(matrix("legend_chr1.txt", "genotype_chr1.txt").status, 0);
    const std::string clean = read_file(dir.file("m.out"));
    // rs2 and rs4 are no hits either way; -1 and 0.7x must not become hits.
    write_file(dir.file("table.txt"), "id\tpos\tp\nrs1\t100\t0.01\nrs2\t200\t-1\nrs3\t300\t0.02\nrs4\t400\t0.7x\n");
    const RunResult r = matrix("table.txt", "genotype_chr1.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir.file("m.out")), clean);
    EXPECT_TRUE(contains(r.err, "table.txt: 1 p-values are not numbers and 1 lie outside 0..1")) << r.err;
}

// ------------------------------------------------------------ order and ids

TEST_F(Inputs, ReferenceOutOfOrderOrMislabelledIsRefusedForItsChromosome)
{
    struct Case {
        const char* name;
        std::string legend, genotypes;
        std::vector<std::string> named;
    };
    const std::vector<Case> cases = {
        {"legend SNP moved to the end", "id\tpos\tp\nrs2\t200\t0.5\nrs3\t300\t0.02\nrs4\t400\t0.7\nrs1\t100\t0.01\n",
         kGenotypes, {"legend_chr1.txt line 5", "ascending position order"}},
        {"legend sorted by p", "id\tpos\tp\nrs1\t100\t0.01\nrs3\t300\t0.02\nrs2\t200\t0.5\nrs4\t400\t0.7\n", kGenotypes,
         {"legend_chr1.txt line 4"}},
        {"genotype rows swapped", kLegend,
         "id\tpos\ta\tb\tc\td\te\tf\nrs1\t100\t0\t1\t2\t1\t0\t2\nrs3\t300\t2\t1\t0\t1\t2\t0\n"
         "rs2\t200\t0\t1\t2\t2\t0\t1\nrs4\t400\t0\t0\t1\t1\t2\t-1\n",
         {"genotype_chr1.txt line 3", "SNP rs2", "'rs3'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir.file("legend_chr1.txt"), c.legend);
        write_file(dir.file("genotype_chr1.txt"), c.genotypes);
        const RunResult r = genelist();
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(result(), kHeader + "1\t100\t400\tA\t0\t0\tNA\n1\t300\t301\tC\t0\t0\tNA\n");
        for (const std::string& part : c.named)
            EXPECT_TRUE(contains(r.err, part)) << part << "\n" << r.err;
    }
}

TEST_F(Inputs, WindowInputsOutOfOrderOrMislabelledAreRefused)
{
    write_file(dir.file("table.txt"), "id\tpos\tp\nrs1\t100\t0.01\nrs3\t300\t0.02\nrs2\t200\t0.5\nrs4\t400\t0.7\n");
    RunResult r = matrix("table.txt", "genotype_chr1.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "table.txt line 4")) << r.err;

    write_file(dir.file("geno.txt"), "id\tpos\ta\tb\tc\td\te\tf\nrs1\t100\t0\t1\t2\t1\t0\t2\n"
                                     "rs2\t200\t0\t1\t2\t2\t0\t1\nrsX\t300\t2\t1\t0\t1\t2\t0\n"
                                     "rs4\t400\t0\t0\t1\t1\t2\t-1\n");
    r = matrix("legend_chr1.txt", "geno.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "geno.txt line 4: row for SNP rs3")) << r.err;
    EXPECT_TRUE(contains(r.err, "'rsX'")) << r.err;
}

TEST_F(Inputs, AssociationFileSortedByPIsRefused)
{
    const std::string examples = std::string(KESTO_SOURCE_DIR) + "/examples/";
    for (const char* ext : {".bed", ".bim", ".fam"})
        write_file(dir.file(std::string("scan_chr1") + ext), read_file(examples + "scan_chr1" + ext));
    for (const char* tool : {"morrow", "transpose"}) {
        write_file(dir.file(tool), read_file(kesto_test::bin_path(tool)));
        chmod(dir.file(tool).c_str(), 0755);
    }
    const std::vector<std::string> lines = kesto_test::lines_of(read_file(examples + "scan_chr1_assoc.txt"));
    ASSERT_GT(lines.size(), 3u);
    // The second and third SNPs change places, as a sort by p would move them.
    std::string sorted = lines[0] + "\n" + lines[1] + "\n" + lines[3] + "\n" + lines[2] + "\n";
    for (std::size_t i = 4; i < lines.size(); ++i)
        sorted += lines[i] + "\n";
    write_file(dir.file("assoc.txt"), sorted);
    const RunResult r = run_program("kesto_gen_v2", {"-b", "scan_chr1", "-s", "assoc.txt", "-o", "g.out", "-l", "g.log",
                                                     "-a", "0.05", "-v", "0.8", "-w", "100000", "-t", "50000", "-S",
                                                     "-1", "-E", "-1"},
                                    dir.path());
    EXPECT_EQ(r.status, 1);
    const std::string second = lines[2].substr(0, lines[2].find('\t'));
    const std::string third = lines[3].substr(0, lines[3].find('\t'));
    EXPECT_TRUE(contains(r.err, "assoc.txt line 3: SNP id '" + third + "' where the marker file has " + second))
        << r.err;
}

// ------------------------------------------------------------ messages once per file

TEST_F(Inputs, EachBrokenFileIsExplainedOnce)
{
    write_file(dir.file("genes.txt"), kGeneHeader + "1\tg1\t100\t400\tA\n1\tg3\t300\t301\tC\n2\tg\t1\t2\tD\n"
                                                     "2\tg\t5\t9\tE\n1\tg\t100\t101\tF\na/b\tg\t1\t2\tG\n");
    write_file(dir.file("legend_chr1.txt"), "id\tpos\tp\nrs1\t1e2\t0.01\n");
    const RunResult r = genelist();
    EXPECT_EQ(r.status, 0);
    // The fixed standard-output line comes for every gene on the missing file.
    EXPECT_EQ(r.out, "Input legend file not found ./legend_chr2.txt\nInput legend file not found ./legend_chr2.txt\n");
    for (const std::string& message : {std::string("legend_chr1.txt line 2: position '1e2'"),
                                       std::string("./legend_chr2.txt: no such file")}) {
        ASSERT_TRUE(contains(r.err, message)) << r.err;
        EXPECT_EQ(r.err.find(message), r.err.rfind(message)) << message << " more than once:\n" << r.err;
    }
    EXPECT_TRUE(contains(r.err, "kesto_genelist: genes.txt line 7: chromosome name 'a/b'")) << r.err;
}

// ------------------------------------------------------------ pathways without a result

TEST_F(Inputs, PathwayWithoutAnEvaluatedRegionHasNoPValue)
{
    write_file(dir.file("genes.txt"), kGeneHeader + "1\tg1\t100\t400\tA\n3\tg9\t100\t400\tZ\n5\tg8\t1\t9\tY\n");
    write_file(dir.file("pw.txt"), "P1\tmissing data\tZ\tY\nP2\tsound\tA\nP3\tunknown\tQ\tR\nP4\tpartly\tA\tQ\n");
    const RunResult r = pathways();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kPathwayHeader + "P1\tmissing data\t0\t0\tNA\n"
                                         "P2\tsound\t2\t1.14978\t0.0832706\n"
                                         "P3\tunknown\t0\t0\t1\n"
                                         "P4\tpartly\t2\t1.14978\t0.0832706\n");
    EXPECT_TRUE(contains(r.err, "pathway P3 (pw.txt line 3): none of its 2 members is in the gene list")) << r.err;
    EXPECT_FALSE(contains(r.err, "pathway P4 (pw.txt line 4): none")) << r.err;
    EXPECT_TRUE(contains(r.err, "kesto_pw: 2 of 4 pathways have members that are not in the gene list")) << r.err;
}

// ------------------------------------------------------------ line ends and byte-order marks

TEST_F(Inputs, LineEndsAndByteOrderMarkDoNotChangeTheResult)
{
    const std::string genes = kGeneHeader + "1\tg1\t100\t400\tA\n1\tg3\t300\t301\tC\n";
    const std::string pws = "P1\tboth\tA\tC\nP2\tone\tC\n";
    ASSERT_EQ(genelist().status, 0);
    const std::string gene_rows = result();
    write_file(dir.file("pw.txt"), pws);
    ASSERT_EQ(pathways().status, 0);
    const std::string pathway_rows = result();
    // A and C overlap: one merged region.
    ASSERT_EQ(pathway_rows, kPathwayHeader + "P1\tboth\t2\t1.14978\t0.0832706\nP2\tone\t1\t1\t0.05\n");

    const auto rewrite = [](const std::string& text, const std::string& end, bool bom) {
        std::string out = bom ? "\xEF\xBB\xBF" : "";
        for (const char c : text)
            out += c == '\n' ? end : std::string(1, c);
        return out;
    };
    struct Case {
        const char* name;
        std::string end;
        bool bom;
    };
    for (const Case& c : {Case{"CR only", "\r", false}, Case{"CRLF", "\r\n", false}, Case{"BOM", "\n", true},
                          Case{"BOM and CR", "\r", true}}) {
        SCOPED_TRACE(c.name);
        write_file(dir.file("genes.txt"), rewrite(genes, c.end, c.bom));
        write_file(dir.file("pw.txt"), rewrite(pws, c.end, c.bom));
        write_file(dir.file("legend_chr1.txt"), rewrite(kLegend, c.end, c.bom));
        write_file(dir.file("genotype_chr1.txt"), rewrite(kGenotypes, c.end, c.bom));
        EXPECT_EQ(genelist().status, 0);
        EXPECT_EQ(result(), gene_rows);
        EXPECT_EQ(pathways().status, 0);
        EXPECT_EQ(result(), pathway_rows);
    }
}

// ------------------------------------------------------------ genes reversed

TEST_F(Inputs, GeneStartingAfterItsEndIsWarnedAboutAndTakenBetweenTheTwo)
{
    write_file(dir.file("genes.txt"), kGeneHeader + "1\tg1\t400\t100\tA\n1\tg3\t300\t301\tC\n");
    RunResult r = genelist();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(result(), kHeader + kRowA + kRowC);
    EXPECT_TRUE(contains(r.err, "genes.txt line 2: gene A starts at 400, after its end 100")) << r.err;

    // kesto gene reads the line as kesto_genelist does.
    r = run_program("kesto", {"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "k", "--quiet"},
                    dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string table = read_file(dir.file("k.genes.tsv"));
    EXPECT_TRUE(contains(table, "\n1\t100\t400\tA\tg1\t3\t2\t1.14978\t0.0832706\t")) << table;
    EXPECT_TRUE(contains(read_file(dir.file("k.log")), "warning: genes.txt line 2: gene A starts at 400, after its end"));

    write_file(dir.file("pw.txt"), "P1\tone\tA\n");
    r = pathways();
    EXPECT_EQ(result(), kPathwayHeader + "P1\tone\t2\t1.14978\t0.0832706\n");
    EXPECT_TRUE(contains(r.err, "genes.txt line 2: gene A starts at 400")) << r.err;
}

} // namespace
