// kesto gene / pathway / window against the fixed programs, and their
// statuses, exit codes, settings and log.

#include "awkward_data.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <sstream>

namespace {

using kesto_test::lines_of;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = KESTO_SOURCE_DIR "/examples/";

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string f;
    while (std::getline(in, f, '\t'))
        fields.push_back(f);
    return fields;
}

// The row of a fixed program's result that a kesto row stands for: its three
// numbers (ncritical, nsignificant, regional_p) as the program writes them.
std::string legacy_numbers(const std::string& status, const std::string& ncritical, const std::string& nsig,
                           const std::string& p)
{
    if (status == "ok")
        return ncritical + "\t" + nsig + "\t" + p;
    if (status == "no_snps")
        return "0\t0\t-1";
    return "0\t0\tNA";
}

// Compares a kesto genes table with kesto_genelist's result, row by row.
void expect_same_genes(const std::string& table, const std::string& legacy)
{
    const auto ours = lines_of(table);
    const auto theirs = lines_of(legacy);
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 1; i < ours.size(); ++i) {
        const auto a = fields_of(ours[i]);
        const auto b = fields_of(theirs[i]);
        ASSERT_EQ(a.size(), 12u) << ours[i];
        ASSERT_EQ(b.size(), 7u) << theirs[i];
        EXPECT_EQ(a[0] + "\t" + a[1] + "\t" + a[2] + "\t" + a[3], b[0] + "\t" + b[1] + "\t" + b[2] + "\t" + b[3]);
        EXPECT_EQ(legacy_numbers(a[11], a[6], a[7], a[8]), b[4] + "\t" + b[5] + "\t" + b[6]) << "row " << i;
    }
}

// kesto_pw writes 0 0 1 for a pathway without SNPs or members.
void expect_same_pathways(const std::string& table, const std::string& legacy)
{
    const auto ours = lines_of(table);
    const auto theirs = lines_of(legacy);
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 1; i < ours.size(); ++i) {
        const auto a = fields_of(ours[i]);
        const auto b = fields_of(theirs[i]);
        ASSERT_EQ(a.size(), 11u);
        EXPECT_EQ(a[0], b[0]);
        const std::string numbers = (a[10] == "ok" || a[10] == "partial") ? a[7] + "\t" + a[8] + "\t" + a[9]
                                                                            : std::string("0\t0\t1");
        EXPECT_EQ(numbers, b[2] + "\t" + b[3] + "\t" + b[4]) << "pathway " << a[0];
    }
}

// kesto_matrix's rows of one chromosome: start, end, then its three numbers.
std::string legacy_windows(const std::string& table, const std::string& chromosome)
{
    std::string out = "reg_start\treg_end\tnsnp\tnhit\tregp\n";
    for (const std::string& line : lines_of(table)) {
        const auto a = fields_of(line);
        if (a[0] != chromosome)
            continue;
        out += a[1] + "\t" + a[2] + "\t" + legacy_numbers(a[9], a[4], a[5], a[6]) + "\n";
    }
    return out;
}

struct KestoRun {
    kesto_test::RunResult result;
    std::string table;
    std::string log;
};

KestoRun kesto(const std::string& workdir, const std::string& table, std::vector<std::string> args)
{
    KestoRun run;
    args.push_back("--quiet");
    run.result = run_program("kesto", args, workdir);
    const std::string prefix = workdir + "/out";
    run.table = kesto_test::file_exists(prefix + "." + table + ".tsv") ? read_file(prefix + "." + table + ".tsv") : "";
    run.log = kesto_test::file_exists(prefix + ".log") ? read_file(prefix + ".log") : "";
    return run;
}

// ---- identity with the fixed programs -------------------------------------

class ExampleIdentity : public ::testing::TestWithParam<std::string> {
protected:
    TempDir dir;
};

TEST_P(ExampleIdentity, GenesMatchKestoGenelist)
{
    const KestoRun run = kesto(dir.path(), "genes", {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                                "--flank", "20000", "--out", "out", "--threads", GetParam()});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    const auto legacy = run_program("kesto_genelist", {"-g", kExamples + "genelist.txt", "-o", "legacy.txt", "-l",
                                                       kExamples, "-G", kExamples, "-a", "0.05", "-v", "0.8", "-f", "20000"},
                                    dir.path());
    ASSERT_EQ(legacy.status, 0);
    expect_same_genes(run.table, read_file(dir.file("legacy.txt")));
}

// --eigen fast takes the fast decomposition exactly where KESTO_EIGEN=fast
// takes it for kesto_genelist: wide flanks give regions past its size floor.
TEST(FastEigen, GeneRowsMatchKestoGenelistWithTheSameMethod)
{
    TempDir dir;
    const KestoRun run = kesto(dir.path(), "genes", {"gene", "--legend-prefix", kExamples, "--genes",
                                                     kExamples + "genelist.txt", "--flank", "200000", "--eigen", "fast",
                                                     "--out", "out"});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_TRUE(kesto_test::contains(run.log, "fast"));
    const auto legacy = kesto_test::run_program_env(
        "kesto_genelist", {"-g", kExamples + "genelist.txt", "-o", "legacy.txt", "-l", kExamples, "-G", kExamples,
                           "-a", "0.05", "-v", "0.8", "-f", "200000"},
        dir.path(), {"KESTO_EIGEN=fast"});
    ASSERT_EQ(legacy.status, 0) << legacy.err;
    expect_same_genes(run.table, read_file(dir.file("legacy.txt")));
    const KestoRun wrong = kesto(dir.path(), "genes", {"gene", "--legend-prefix", kExamples, "--genes",
                                                       kExamples + "genelist.txt", "--eigen", "quick", "--out", "bad"});
    EXPECT_EQ(wrong.result.status, 2);
}

TEST_P(ExampleIdentity, PathwaysMatchKestoPw)
{
    const KestoRun run = kesto(dir.path(), "pathways",
                          {"pathway", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt", "--gene-sets",
                           kExamples + "pathways.txt", "--flank", "20000", "--out", "out", "--threads", GetParam()});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    const auto legacy = run_program("kesto_pw", {"-p", kExamples + "pathways.txt", "-g", kExamples + "genelist.txt", "-o",
                                                 "legacy.txt", "-l", kExamples, "-G", kExamples, "-a", "0.05", "-v",
                                                 "0.8", "-f", "20000"},
                                    dir.path());
    ASSERT_EQ(legacy.status, 0);
    expect_same_pathways(run.table, read_file(dir.file("legacy.txt")));
    // PW020 names only genes missing from the gene list; PW003 one of nine.
    EXPECT_NE(run.table.find("PW020\tpathway_020_cell_cycle\t2\t0\t0\t0\tNA\tNA\tNA\tNA\tno_members\n"),
              std::string::npos);
    EXPECT_NE(run.table.find("PW003\tpathway_003_lipid_synthesis\t9\t8\t"), std::string::npos);
    EXPECT_TRUE(kesto_test::contains(run.log, "gene sets with members missing from the gene list (first: PW003, 1 of 9)"
                                              " (2 times)"));
}

TEST_P(ExampleIdentity, PathwaysOnChosenChromosomesCountMembersElsewhereAsFound)
{
    // With --chr 1, members on chromosome 2 are in the gene list: they count
    // as found, are noted in the log, and are not reported missing.
    const KestoRun run = kesto(dir.path(), "pathways",
                          {"pathway", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt", "--gene-sets",
                           kExamples + "pathways.txt", "--flank", "20000", "--chr", "1", "--out", "out",
                           "--threads", GetParam()});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_NE(run.table.find("PW003\tpathway_003_lipid_synthesis\t9\t8\t"), std::string::npos) << run.table;
    EXPECT_TRUE(kesto_test::contains(run.log, "gene-set members on chromosomes not chosen (left out): ")) << run.log;
    EXPECT_TRUE(kesto_test::contains(run.log, "gene sets with members missing from the gene list (first: PW003, 1 of 9)"
                                              " (2 times)"))
        << run.log;
}

// A member listed twice is one gene: the counts and the numbers are those of
// the set listing it once, and the log says so.
TEST(PathwayMembers, RepeatedMemberCountsOnce)
{
    TempDir dir;
    write_file(dir.file("once.txt"), "P1\tone\tGENE001\tGENE002\tNOSUCH\n");
    write_file(dir.file("twice.txt"), "P1\tone\tGENE001\tGENE002\tGENE001\tNOSUCH\tNOSUCH\n");
    std::string tables[2], logs[2];
    for (int i = 0; i < 2; ++i) {
        const KestoRun run = kesto(dir.path(), "pathways",
                                   {"pathway", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                    "--gene-sets", i == 0 ? "once.txt" : "twice.txt", "--out", "out"});
        ASSERT_EQ(run.result.status, 0) << run.result.err;
        tables[i] = run.table;
        logs[i] = run.log;
    }
    EXPECT_EQ(tables[1], tables[0]);
    EXPECT_TRUE(kesto_test::contains(tables[0], "\nP1\tone\t3\t2\t1\t1\t")) << tables[0];
    EXPECT_TRUE(kesto_test::contains(logs[1], "gene sets listing a member more than once, counted once (first: P1, "
                                              "GENE001)"));
    EXPECT_TRUE(kesto_test::contains(logs[1], "gene sets with members missing from the gene list (first: P1, 1 of 3)"));
    EXPECT_FALSE(kesto_test::contains(logs[0], "more than once"));
}

// A gene listed twice at one place gives two rows that nothing tells apart:
// warned about, in the suite's gene list and in a MAGMA gene-loc file; the
// same name elsewhere is another gene.
TEST(GeneList, RepeatedGeneIsWarnedAbout)
{
    TempDir dir;
    std::string list = kesto_test::read_file(kExamples + "genelist.txt");
    list += lines_of(list)[1] + "\n";
    write_file(dir.file("twice.txt"), list);
    write_file(dir.file("genes.loc"), "1\t1\t1030778\t1076454\t+\tGENE001\n"
                                      "2\t1\t1030778\t1076454\t+\tGENE001\n"
                                      "3\t1\t1040000\t1076454\t+\tGENE001\n"
                                      "4\t1\t1030778\t1076454\t+\tGENE001\n");
    const struct {
        std::string file, warning, count;
        std::size_t rows;
    } cases[] = {
        {"twice.txt", "twice.txt: gene GENE001 on chromosome 1 is listed again at the same place", "\n", 52},
        {"genes.loc", "genes.loc: gene GENE001 on chromosome 1 is listed again at the same place", " (2 times)", 5},
    };
    for (const auto& c : cases) {
        const KestoRun run = kesto(dir.path(), "genes", {"gene", "--legend-prefix", kExamples, "--genes", c.file,
                                                         "--out", "out"});
        ASSERT_EQ(run.result.status, 0) << run.result.err;
        EXPECT_EQ(lines_of(run.table).size(), c.rows) << c.file;
        EXPECT_TRUE(kesto_test::contains(run.log, c.warning + "; each listing gives a row" + c.count)) << run.log;
        EXPECT_TRUE(kesto_test::contains(run.result.err, c.warning)) << run.result.err;
    }
}

// A set listed on two lines gives two rows, as written, and a warning: a
// table joined by id would meet the id twice.
TEST(PathwayMembers, RepeatedSetIdIsWarnedAbout)
{
    TempDir dir;
    write_file(dir.file("sets.txt"), "P1\tone\tGENE001\tGENE002\nP2\ttwo\tGENE003\nP1\tagain\tGENE004\n");
    const KestoRun run = kesto(dir.path(), "pathways",
                               {"pathway", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                "--gene-sets", "sets.txt", "--out", "out"});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    const auto rows = lines_of(run.table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(fields_of(rows[1])[0] + fields_of(rows[2])[0] + fields_of(rows[3])[0], "P1P2P1");
    const std::string warning = "sets.txt line 3: gene set P1 is listed again; each of its lines gives a row";
    EXPECT_TRUE(kesto_test::contains(run.log, warning)) << run.log;
    EXPECT_TRUE(kesto_test::contains(run.result.err, warning)) << run.result.err;
    EXPECT_FALSE(kesto_test::contains(run.log, "gene set P2"));
}

TEST_P(ExampleIdentity, WindowsOverBothChromosomesMatchKestoMatrix)
{
    const KestoRun run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--width", "100000", "--step",
                                                  "50000", "--out", "out", "--threads", GetParam()});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    for (const std::string c : {"1", "2"}) {
        const auto legacy = run_program("kesto_matrix", {"-s", kExamples + "legend_chr" + c + ".txt", "-g",
                                                         kExamples + "genotype_chr" + c + ".txt", "-o", "legacy.txt",
                                                         "-l", "legacy.log", "-a", "0.05", "-v", "0.8", "-w", "100000",
                                                         "-t", "50000", "-S", "-1", "-E", "-1"},
                                        dir.path());
        ASSERT_EQ(legacy.status, 0);
        EXPECT_EQ(legacy_windows(run.table, c), read_file(dir.file("legacy.txt"))) << "chromosome " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, ExampleIdentity, ::testing::Values("1", "3"));

// Awkward reference data: missing and odd codes, rare and monomorphic SNPs,
// non-numeric p-values, SNPs typed in disjoint halves of the sample.
class AwkwardIdentity : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int c = 1; c <= 2; ++c) {
            const auto data = kesto_test::awkward_chromosome(300, 60, 17u + static_cast<unsigned>(c), false);
            write_file(dir.file("legend_chr" + std::to_string(c) + ".txt"), data.legend);
            write_file(dir.file("genotype_chr" + std::to_string(c) + ".txt"), data.genotypes);
        }
        std::string genes = "chr\tid\tstart\tend\tname\n";
        std::string sets;
        for (int g = 0; g < 40; ++g) {
            const int c = 1 + g % 3;  // chromosome 3 is not in the reference
            const int start = 10000 + g * 19000;
            genes += std::to_string(c) + "\tID" + std::to_string(g) + "\t" + std::to_string(start) + "\t" +
                     std::to_string(start + 4000 + (g % 5) * 3000) + "\tG" + std::to_string(g) + "\n";
        }
        genes += "1\tIDfar\t900000000\t900001000\tFAR\n";  // beyond every SNP
        for (int s = 0; s < 8; ++s) {
            sets += "S" + std::to_string(s) + "\tset " + std::to_string(s);
            for (int m = s; m < 40; m += 8)
                sets += "\tG" + std::to_string(m);
            sets += s == 2 ? "\tNOT_A_GENE\n" : "\n";
        }
        sets += "S8\tonly chromosome 1\tG0\tG3\tG6\n";
        sets += "S9\tunknown\tNOPE\n";
        write_file(dir.file("genes.txt"), genes);
        write_file(dir.file("sets.txt"), sets);
    }
    TempDir dir;
};

TEST_F(AwkwardIdentity, GenesPathwaysAndWindowsForOneAndThreeThreads)
{
    std::map<std::string, std::string> tables;
    for (const std::string threads : {"1", "3"}) {
        const KestoRun genes = kesto(dir.path(), "genes", {"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--flank",
                                                      "5000", "--out", "out", "--threads", threads});
        EXPECT_EQ(genes.result.status, 3) << genes.result.err;  // chromosome 3 is missing
        const KestoRun sets = kesto(dir.path(), "pathways", {"pathway", "--legend-prefix", "./", "--genes", "genes.txt",
                                                        "--gene-sets", "sets.txt", "--flank", "5000", "--out", "out",
                                                        "--threads", threads});
        EXPECT_EQ(sets.result.status, 3) << sets.result.err;
        const KestoRun windows = kesto(dir.path(), "windows", {"window", "--legend-prefix", "./", "--width", "20000", "--step",
                                                          "7000", "--out", "out", "--threads", threads});
        EXPECT_EQ(windows.result.status, 0) << windows.result.err;
        if (!tables.empty()) {
            EXPECT_EQ(tables["genes"], genes.table);
            EXPECT_EQ(tables["pathways"], sets.table);
            EXPECT_EQ(tables["windows"], windows.table);
        }
        tables = {{"genes", genes.table}, {"pathways", sets.table}, {"windows", windows.table}};
    }
    ASSERT_EQ(run_program("kesto_genelist", {"-g", "genes.txt", "-o", "g.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v",
                                             "0.8", "-f", "5000"},
                          dir.path())
                  .status,
              0);
    expect_same_genes(tables["genes"], read_file(dir.file("g.txt")));
    ASSERT_EQ(run_program("kesto_pw", {"-p", "sets.txt", "-g", "genes.txt", "-o", "p.txt", "-l", "./", "-G", "./", "-a",
                                       "0.05", "-v", "0.8", "-f", "5000"},
                          dir.path())
                  .status,
              0);
    expect_same_pathways(tables["pathways"], read_file(dir.file("p.txt")));
    for (const std::string c : {"1", "2"}) {
        ASSERT_EQ(run_program("kesto_matrix", {"-s", "legend_chr" + c + ".txt", "-g", "genotype_chr" + c + ".txt", "-o",
                                               "m.txt", "-l", "m.log", "-a", "0.05", "-v", "0.8", "-w", "20000", "-t",
                                               "7000", "-S", "-1", "-E", "-1"},
                              dir.path())
                      .status,
                  0);
        EXPECT_EQ(legacy_windows(tables["windows"], c), read_file(dir.file("m.txt")));
    }
    // Statuses the awkward data give.
    EXPECT_TRUE(kesto_test::contains(tables["genes"], "\tFAR\tIDfar\t0\tNA\tNA\tNA\tNA\tNA\tno_snps\n"));
    EXPECT_TRUE(kesto_test::contains(tables["genes"], "3\t48000\t58000\tG2\tID2\tNA\tNA\tNA\tNA\tNA\tNA\treference_missing\n"));
    EXPECT_TRUE(kesto_test::contains(tables["pathways"], "\tpartial\n"));
    EXPECT_TRUE(kesto_test::contains(tables["pathways"], "S8\tonly chromosome 1\t3\t3\t"));
    EXPECT_TRUE(kesto_test::contains(tables["pathways"], "S9\tunknown\t1\t0\t0\t0\tNA\tNA\tNA\tNA\tno_members\n"));
}

// ---- settings ---------------------------------------------------------------

// Two SNPs 1,000 bp apart around a gene at 5,000-6,000.
class Flanks : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string legend = "id\tpos\tp\n", geno = "id\tpos";
        for (int i = 0; i < 20; ++i)
            geno += "\tS" + std::to_string(i);
        geno += "\n";
        for (int s = 0; s < 11; ++s) {
            const int pos = 1000 + s * 1000;
            legend += "rs" + std::to_string(s) + "\t" + std::to_string(pos) + "\t" + (s == 2 ? "0.001" : "0.4") + "\n";
            geno += "rs" + std::to_string(s) + "\t" + std::to_string(pos);
            for (int i = 0; i < 20; ++i)
                geno += "\t" + std::to_string((i * (s + 3) + s) % 3);
            geno += "\n";
        }
        write_file(dir.file("legend_chr1.txt"), legend);
        write_file(dir.file("genotype_chr1.txt"), geno);
        write_file(dir.file("genes.txt"), "c\tid\ts\te\tn\n1\tA\t5000\t6000\tGA\n");
    }
    std::vector<std::string> row(const std::vector<std::string>& flank)
    {
        std::vector<std::string> args = {"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "out"};
        args.insert(args.end(), flank.begin(), flank.end());
        const KestoRun run = kesto(dir.path(), "genes", args);
        EXPECT_EQ(run.result.status, 0) << run.result.err;
        return fields_of(lines_of(run.table).at(1));
    }
    TempDir dir;
};

TEST_F(Flanks, UpAndDownCountSeparately)
{
    // SNPs sit at 1000, 2000, ..., 11000; the region is [start - up, end + down).
    struct Case {
        std::vector<std::string> flank;
        std::string nsnps;
        std::string top;
    } cases[] = {
        {{}, "1", "rs4"},                                        // 5000 only
        {{"--flank", "1000"}, "3", "rs3"},                       // 4000, 5000, 6000
        {{"--flank-up", "3000"}, "4", "rs2"},                    // 2000 .. 5000: reaches the hit
        {{"--flank-down", "3000"}, "4", "rs4"},                  // 5000 .. 8000
        {{"--flank-up", "0", "--flank-down", "2000"}, "3", "rs4"},  // 5000, 6000, 7000
    };
    for (const Case& c : cases) {
        const auto f = row(c.flank);
        ASSERT_EQ(f.size(), 12u);
        EXPECT_EQ(f[5], c.nsnps) << c.flank.size();
        EXPECT_EQ(f[9], c.top);
    }
}

TEST_F(Flanks, FlankWithFlankUpIsABadCommandLine)
{
    const KestoRun run = kesto(dir.path(), "genes",
                          {"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "out", "--flank", "1",
                           "--flank-up", "2"});
    EXPECT_EQ(run.result.status, 2);
    EXPECT_FALSE(kesto_test::file_exists(dir.file("out.genes.tsv")));
}

TEST(AnalysisSettings, MafChangesTheLdMatrix)
{
    // Chromosome 2 of the example data has rare SNPs; at --maf 0.01 the
    // table equals the default one, a higher cut-off zeroes more pairs.
    TempDir dir;
    const std::vector<std::string> base = {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                           "--flank", "20000", "--out", "out"};
    auto with = [&](const std::string& maf) {
        auto args = base;
        if (!maf.empty()) {
            args.push_back("--maf");
            args.push_back(maf);
        }
        const KestoRun run = kesto(dir.path(), "genes", args);
        EXPECT_EQ(run.result.status, 0);
        if (!maf.empty()) {
            EXPECT_TRUE(kesto_test::contains(run.log, "rare-allele cut-off (--maf): " + maf + "\n"));
        }
        return run.table;
    };
    const std::string standard = with("");
    EXPECT_EQ(with("0.01"), standard);
    const std::string strict = with("0.3");
    EXPECT_NE(strict, standard);
    // The cut-off changes LD only: the regions, their SNPs and strongest
    // SNPs stay.
    const auto a = lines_of(standard), b = lines_of(strict);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fa = fields_of(a[i]), fb = fields_of(b[i]);
        EXPECT_EQ(std::vector<std::string>(fa.begin(), fa.begin() + 6), std::vector<std::string>(fb.begin(), fb.begin() + 6));
        EXPECT_EQ(fa[9] + fa[10] + fa[11], fb[9] + fb[10] + fb[11]);
    }
}

TEST(AnalysisSettings, ChromosomeListAndStretch)
{
    TempDir dir;
    KestoRun run = kesto(dir.path(), "genes", {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                          "--chr", "chr2", "--out", "out"});
    EXPECT_EQ(run.result.status, 0);
    for (std::size_t i = 1; i < lines_of(run.table).size(); ++i)
        EXPECT_EQ(fields_of(lines_of(run.table)[i])[0], "2");
    EXPECT_TRUE(kesto_test::contains(run.log, "genes read: 50 ("));
    EXPECT_FALSE(kesto_test::contains(run.log, "lies on chromosome"));

    // A chromosome chosen that holds no gene (a slip for 17?) is warned about,
    // for genes and for gene sets alike.
    for (const char* command : {"gene", "pathway"}) {
        std::vector<std::string> args = {command, "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                         "--chr", "2,7", "--out", "out"};
        if (std::string(command) == "pathway")
            args.insert(args.end(), {"--gene-sets", kExamples + "pathways.txt"});
        run = kesto(dir.path(), std::string(command) == "gene" ? "genes" : "pathways", args);
        EXPECT_EQ(run.result.status, 0) << command;
        const std::string warning = "warning: no gene of " + kExamples + "genelist.txt lies on chromosome 7";
        EXPECT_TRUE(kesto_test::contains(run.log, warning)) << command << "\n" << run.log;
        EXPECT_TRUE(kesto_test::contains(run.result.err, warning)) << run.result.err;
        EXPECT_FALSE(kesto_test::contains(run.log, "lies on chromosome 2"));
    }

    run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--chr", "1", "--from", "1500000", "--to",
                                        "2000000", "--width", "100000", "--step", "100000", "--out", "out"});
    EXPECT_EQ(run.result.status, 0);
    const auto rows = lines_of(run.table);
    ASSERT_EQ(rows.size(), 6u);  // header + 5 windows
    EXPECT_EQ(fields_of(rows[1])[0] + " " + fields_of(rows[1])[1] + " " + fields_of(rows[1])[2], "1 1500000 1600000");
    EXPECT_EQ(fields_of(rows[5])[1], "1900000");

    // A chromosome the reference lacks: said in the log, exit 3.
    run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--chr", "1,7", "--width", "100000",
                                        "--step", "100000", "--out", "out"});
    EXPECT_EQ(run.result.status, 3);
    EXPECT_TRUE(kesto_test::contains(run.log, "not evaluated: chromosome 7 (reference_missing)"));
    // It has no row, so standard error points to the log alone.
    EXPECT_TRUE(kesto_test::contains(run.result.err, "kesto window: 1 chromosome(s) could not be scanned (see "))
        << run.result.err;
    EXPECT_FALSE(kesto_test::contains(run.result.err, "status column")) << run.result.err;

    // A stretch that holds no window is said, not passed over in silence.
    run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--chr", "1", "--from", "1500000", "--to",
                                        "1550000", "--width", "100000", "--step", "10000", "--out", "out"});
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(lines_of(run.table).size(), 1u);
    EXPECT_TRUE(kesto_test::contains(run.log, "warning: chromosome 1: the stretch scanned (1500000 to 1550000) holds "
                                              "no window of width 100000; none written"))
        << run.log;

    // A step longer than the width (width and step swapped?) leaves SNPs
    // out of every window: said, and only then.
    const std::string gap = "warning: the step (200000) is longer than the width (100000): the SNPs between windows "
                            "are not scanned";
    run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--chr", "1", "--width", "100000",
                                        "--step", "200000", "--out", "out"});
    EXPECT_EQ(run.result.status, 0);
    EXPECT_TRUE(kesto_test::contains(run.log, gap)) << run.log;
    EXPECT_TRUE(kesto_test::contains(run.result.err, gap)) << run.result.err;
    run = kesto(dir.path(), "windows", {"window", "--legend-prefix", kExamples, "--chr", "1", "--width", "100000",
                                        "--step", "100000", "--out", "out"});
    EXPECT_FALSE(kesto_test::contains(run.log, "longer than the width")) << run.log;
}

// Without --threads a run takes the cores it may use (a job's share of a
// node, as taskset or a batch scheduler sets it), not the whole machine's.
TEST(AnalysisSettings, DefaultThreadsAreTheCoresTheJobMayUse)
{
    TempDir dir;
    const std::vector<std::string> args = {"-c", "0", kesto_test::bin_path("kesto"), "gene", "--legend-prefix",
                                           kExamples, "--genes", kExamples + "genelist.txt", "--out", "out", "--quiet"};
    const kesto_test::RunResult pinned = kesto_test::run_command("/usr/bin/taskset", args, dir.path());
    if (pinned.status == 127 || !kesto_test::file_exists(dir.file("out.log")))
        GTEST_SKIP() << "taskset could not run here: " << pinned.err;
    ASSERT_EQ(pinned.status, 0) << pinned.err;
    EXPECT_TRUE(kesto_test::contains(read_file(dir.file("out.log")), "threads: 1\n")) << read_file(dir.file("out.log"));
}

// ---- statuses, exit codes, log ----------------------------------------------

TEST(AnalysisStatus, UnreadableChromosomeAndExitCodes)
{
    TempDir dir;
    const auto data = kesto_test::awkward_chromosome(50, 20, 3u, false);
    write_file(dir.file("legend_chr1.txt"), data.legend);
    write_file(dir.file("genotype_chr1.txt"), data.genotypes);
    write_file(dir.file("legend_chr2.txt"), "id\tpos\tp\nrs1\t100\t0.1\nrs2\t50\t0.2\n");  // positions go down
    write_file(dir.file("genotype_chr2.txt"), "id\tpos\ta\nrs1\t100\t0\nrs2\t50\t1\n");
    write_file(dir.file("genes.txt"), "c\tid\ts\te\tn\n1\tA\t10000\t60000\tGA\n2\tB\t1\t1000\tGB\n1\tC\t1\t2\tGC\n");
    const std::vector<std::string> base = {"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "out"};

    KestoRun run = kesto(dir.path(), "genes", base);
    EXPECT_EQ(run.result.status, 3);
    const auto rows = lines_of(run.table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(fields_of(rows[1])[11], "ok");
    EXPECT_EQ(rows[2], "2\t1\t1000\tGB\tB\tNA\tNA\tNA\tNA\tNA\tNA\treference_unreadable");
    EXPECT_EQ(rows[3], "1\t1\t2\tGC\tC\t0\tNA\tNA\tNA\tNA\tNA\tno_snps");
    for (const char* count : {"rows written: 3\n", "rows ok: 1\n", "rows no_snps: 1\n", "rows reference_unreadable: 1\n"})
        EXPECT_TRUE(kesto_test::contains(run.log, count)) << count;
    EXPECT_TRUE(kesto_test::contains(run.log, "not evaluated: GB (chromosome 2, reference_unreadable)"));
    EXPECT_TRUE(kesto_test::contains(run.log, "legend_chr2.txt line 3: position 50 comes after a larger one"));
    EXPECT_TRUE(kesto_test::contains(run.log, "p-values are not numbers and count as no hit"));
    EXPECT_TRUE(kesto_test::contains(run.log, "command: kesto gene --legend-prefix ./ --genes genes.txt --out out --quiet\n"));

    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"gene", "--legend-prefix", "./", "--genes", "missing.txt", "--out", "out"}, 1},
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt"}, 2},                            // no --out
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "o", "--alpha", "2"}, 2},
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "o", "--bogus"}, 2},
        {{"gene", "--legend-prefix", "./", "--sumstats", "s.txt", "--genes", "genes.txt", "--out", "o"}, 2},
        {{"gene", "--genes", "genes.txt", "--out", "o"}, 2},                                       // no reference
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "o", "--threads", "0"}, 2},
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "sub/"}, 2},  // a folder
        {{"gene", "--legend-prefix", "./", "--genes", "genes.txt", "--out", "."}, 2},
        {{"window", "--legend-prefix", "./", "--width", "0", "--step", "1", "--out", "o"}, 2},
        {{"window", "--legend-prefix", "./", "--width", "9", "--step", "1", "--from", "20", "--to", "10", "--out", "o"},
         2},
        {{"frobnicate"}, 2},
        {{"--version"}, 0},
        {{"gene", "--help"}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(run_program("kesto", c.args, dir.path()).status, c.status) << c.args.back();
}

TEST(AnalysisStatus, OutputThatIsAnInputIsRefused)
{
    TempDir dir;
    const auto data = kesto_test::awkward_chromosome(30, 10, 5u, false);
    write_file(dir.file("legend_chr1.txt"), data.legend);
    write_file(dir.file("genotype_chr1.txt"), data.genotypes);
    const std::string genes = "c\tid\ts\te\tn\n1\tA\t10000\t60000\tGA\n";
    write_file(dir.file("x.genes.tsv"), genes);
    write_file(dir.file("x.log"), genes);
    const auto clash = run_program("kesto", {"gene", "--legend-prefix", "./", "--genes", "x.genes.tsv", "--out", "x"},
                                   dir.path());
    EXPECT_EQ(clash.status, 2);
    EXPECT_TRUE(kesto_test::contains(clash.err, "gene list")) << clash.err;
    EXPECT_EQ(read_file(dir.file("x.genes.tsv")), genes);
    EXPECT_EQ(read_file(dir.file("x.log")), genes);  // nothing opened for writing
    const auto sets = run_program("kesto", {"pathway", "--legend-prefix", "./", "--genes", "x.genes.tsv", "--gene-sets",
                                            "./y.log", "--out", "y"},
                                  dir.path());
    EXPECT_EQ(sets.status, 2);
    // On the direct road the clash is found before the summary statistics
    // are read: here they are not even readable.
    write_file(dir.file("junk.tsv"), "not\ta\tsummary\tstatistics\n");
    const auto early = run_program("kesto", {"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "junk.tsv",
                                             "--genes", "x.genes.tsv", "--out", "x", "--quiet"},
                                   dir.path());
    EXPECT_EQ(early.status, 2);
    EXPECT_TRUE(kesto_test::contains(early.err, "gene list")) << early.err;
    EXPECT_FALSE(kesto_test::contains(early.err, "junk.tsv")) << early.err;
    EXPECT_EQ(read_file(dir.file("x.genes.tsv")), genes);
}

TEST(AnalysisStatus, ATableAnotherRunHoldsIsLeftAlone)
{
    TempDir dir;
    write_file(dir.file("out.log"), "another run's log\n");
    const int fd = ::open(dir.file("out.log").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto r = run_program("kesto", {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                         "--out", "out", "--quiet"},
                               dir.path());
    ::close(fd);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(kesto_test::contains(r.err, "locked")) << r.err;
    EXPECT_EQ(read_file(dir.file("out.log")), "another run's log\n");
    EXPECT_EQ(read_file(dir.file("out.genes.tsv")), "");  // created, never written
}

TEST(AnalysisStatus, ProgressLinesWhenNotATerminal)
{
    TempDir dir;
    const auto r = run_program("kesto", {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                         "--out", "out", "--threads", "1"},
                               dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(kesto_test::contains(r.err, "kesto gene: 100% (50 of 50 genes"));
    EXPECT_TRUE(kesto_test::contains(r.err, "kesto gene: 50 rows (50 ok)"));
    const auto quiet = run_program("kesto", {"gene", "--legend-prefix", kExamples, "--genes", kExamples + "genelist.txt",
                                             "--out", "out", "--quiet"},
                                   dir.path());
    EXPECT_EQ(quiet.err, "");
}

} // namespace
