// The direct road of kesto gene / pathway / window (a PLINK or VCF
// reference with summary statistics) against the prepared road: the same
// rows, the same report of left-out SNPs, and a log whose counts agree with
// that report.

#include "test_support.h"

#include <gtest/gtest.h>

#include <htslib/bgzf.h>

#include <map>
#include <sstream>

namespace {

using kesto_test::contains;
using kesto_test::file_exists;
using kesto_test::lines_of;
using kesto_test::read_file;
using kesto_test::split;
using kesto_test::read_gz;
using kesto_test::run_command;
using kesto_test::run_program;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = KESTO_SOURCE_DIR "/examples/";



// GWAS-SSF summary statistics of the example chromosome 1 (p-values of its
// legend), with awkward rows: one SNP missing, one with other alleles, one
// given twice, one with no p-value, one on a position the reference lacks,
// and alleles written on the other strand for every tenth SNP.
std::string example_sumstats()
{
    const auto bim = lines_of(read_file(kExamples + "scan_chr1.bim"));
    const auto legend = lines_of(read_file(kExamples + "legend_chr1.txt"));
    std::string out = "chromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\trsid\n";
    const auto flip = [](std::string a) {
        for (char& c : a)
            c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : 'C';
        return a;
    };
    for (std::size_t i = 0; i < bim.size(); ++i) {
        const auto b = split(bim[i]);
        const auto l = split(legend[i + 1]);
        if (i == 3)
            continue;  // not in the summary statistics: the SNP is simply absent
        std::string a1 = b[4], a2 = b[5];
        if (i % 10 == 0) {
            a1 = flip(a1);
            a2 = flip(a2);
        }
        if (i == 5)
            a2 = a1 == "A" || a1 == "T" ? "C" : "A";  // not the reference's pair
        const std::string p = i == 7 ? "NA" : l[2];
        const std::string row = "1\t" + b[3] + "\t" + a1 + "\t" + a2 + "\t" + p + "\t" + b[1] + "\n";
        out += row;
        if (i == 9)
            out += row;  // duplicated
    }
    out += "1\t999\tA\tG\t0.01\trs_nowhere\n";  // not in the reference
    out += "chrQ\t1000\tA\tG\t0.5\trs_q\n";     // chromosome not understood
    return out;
}

class DirectRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir.file("ss.tsv"), example_sumstats());
        const auto genes = lines_of(read_file(kExamples + "genelist.txt"));
        std::string chr1 = genes[0] + "\n";
        for (std::size_t i = 1; i < genes.size(); ++i)
            if (split(genes[i])[0] == "1")
                chr1 += genes[i] + "\n";
        write_file(dir.file("genes1.txt"), chr1);
        ASSERT_EQ(run_program("kesto", {"prepare", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--out",
                                        "prep", "--plain"},
                              dir.path())
                      .status,
                  0);
    }

    kesto_test::RunResult kesto(std::vector<std::string> args)
    {
        args.push_back("--quiet");
        return run_program("kesto", args, dir.path());
    }

    TempDir dir;
};

TEST_F(DirectRoad, SameRowsAsThePreparedFilesForOneAndThreeThreads)
{
    struct Command {
        std::string name, table;
        std::vector<std::string> args;
    } commands[] = {
        {"gene", "genes", {"--genes", "genes1.txt", "--flank", "20000"}},
        {"pathway", "pathways", {"--genes", "genes1.txt", "--gene-sets", kExamples + "pathways.txt", "--flank", "20000"}},
        {"window", "windows", {"--width", "100000", "--step", "50000"}},
    };
    for (const Command& c : commands)
        for (const std::string threads : {"1", "3"}) {
            std::vector<std::string> prepared = {c.name, "--legend-prefix", "prep/", "--out", "p", "--threads", threads};
            std::vector<std::string> direct = {c.name, "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv",
                                               "--out", "d", "--threads", threads};
            prepared.insert(prepared.end(), c.args.begin(), c.args.end());
            direct.insert(direct.end(), c.args.begin(), c.args.end());
            const auto p = kesto(prepared);
            const auto d = kesto(direct);
            EXPECT_EQ(p.status, 0) << p.err;
            EXPECT_EQ(d.status, 0) << d.err;
            const std::string table = read_file(dir.file("d." + c.table + ".tsv"));
            EXPECT_GT(lines_of(table).size(), 5u);
            EXPECT_EQ(table, read_file(dir.file("p." + c.table + ".tsv"))) << c.name << " " << threads;
            EXPECT_EQ(read_gz(dir.file("d.excluded.tsv.gz")), read_gz(dir.file("prep/excluded.tsv.gz")));
        }
    // And the fixed program on the prepared files.
    ASSERT_EQ(kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes", "genes1.txt",
                     "--flank", "20000", "--out", "d"})
                  .status,
              0);
    ASSERT_EQ(run_program("kesto_genelist", {"-g", "genes1.txt", "-o", "legacy.txt", "-l", "prep/", "-G", "prep/", "-a",
                                             "0.05", "-v", "0.8", "-f", "20000"},
                          dir.path())
                  .status,
              0);
    const auto ours = lines_of(read_file(dir.file("d.genes.tsv")));
    const auto theirs = lines_of(read_file(dir.file("legacy.txt")));
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 1; i < ours.size(); ++i) {
        const auto a = split(ours[i]), b = split(theirs[i]);
        EXPECT_EQ(a[11], "ok");
        EXPECT_EQ(a[6] + " " + a[7] + " " + a[8], b[4] + " " + b[5] + " " + b[6]);
    }
}

TEST_F(DirectRoad, CompressedPreparedFilesGiveTheSameRows)
{
    // prepare's default output is BGZF-compressed legend and genotype files.
    ASSERT_EQ(run_program("kesto", {"prepare", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--out",
                                    "prepgz"},
                          dir.path())
                  .status,
              0);
    ASSERT_TRUE(file_exists(dir.file("prepgz/genotype_chr1.txt.gz")));
    const auto gz = kesto({"gene", "--legend-prefix", "prepgz/", "--genes", "genes1.txt", "--flank", "20000", "--out", "g"});
    const auto direct = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes",
                               "genes1.txt", "--flank", "20000", "--out", "d"});
    ASSERT_EQ(gz.status, 0) << gz.err;
    ASSERT_EQ(direct.status, 0) << direct.err;
    EXPECT_EQ(read_file(dir.file("g.genes.tsv")), read_file(dir.file("d.genes.tsv")));
}

// A table of no known layout, named column by column: the example's own
// association table (id and p only) is matched by id, and a forced format
// that the header does not fit is refused.
TEST_F(DirectRoad, NamedColumnsAndForcedFormat)
{
    const auto named = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", kExamples + "scan_chr1_assoc.txt",
                              "--col-id", "snp_id", "--col-p", "pvalue", "--genes", "genes1.txt", "--flank", "20000",
                              "--out", "n"});
    // The example legend of chromosome 1 holds the same SNPs and p-values.
    const auto legend = kesto({"gene", "--legend-prefix", kExamples, "--genes", "genes1.txt", "--flank", "20000",
                               "--out", "l"});
    ASSERT_EQ(named.status, 0) << named.err;
    ASSERT_EQ(legend.status, 0) << legend.err;
    EXPECT_EQ(read_file(dir.file("n.genes.tsv")), read_file(dir.file("l.genes.tsv")));
    const auto forced = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--format", "regenie",
                               "--genes", "genes1.txt", "--out", "f"});
    EXPECT_NE(forced.status, 0);
    EXPECT_TRUE(contains(forced.err, "ss.tsv")) << forced.err;
}

TEST_F(DirectRoad, LogCountsAgreeWithTheExcludedReport)
{
    const auto r = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes", "genes1.txt",
                          "--out", "d"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, long> reasons;
    const auto excluded = lines_of(read_gz(dir.file("d.excluded.tsv.gz")));
    for (std::size_t i = 1; i < excluded.size(); ++i)
        ++reasons[split(excluded[i])[4]];
    // The awkward rows, each with its reason.
    EXPECT_EQ(reasons["not_in_reference"], 1);
    EXPECT_EQ(reasons["alleles_not_reference_pair"], 1);
    EXPECT_EQ(reasons["duplicated"], 2);
    EXPECT_EQ(reasons["p_missing"], 1);
    EXPECT_EQ(reasons["chromosome_not_understood"], 1);
    const std::string log = read_file(dir.file("d.log"));
    long total = 0;
    for (const auto& [word, count] : reasons)
        total += count;
    EXPECT_TRUE(contains(log, "SNPs left out: " + std::to_string(total) + " ")) << log;
    EXPECT_TRUE(contains(log, "SNPs matched: " + std::to_string(1000 - 1 - 1 - 1 - 1) + "\n")) << log;
    EXPECT_TRUE(contains(log, "summary-statistics rows read: 1002\n"));
    EXPECT_TRUE(contains(log, "GWAS-SSF"));
    EXPECT_TRUE(contains(log, "SNPs left out, not in the reference: 1\n")) << log;
}

TEST_F(DirectRoad, VcfWrittenByPlinkGivesTheSameRows)
{
    if (!file_exists("/usr/bin/plink1.9"))
        GTEST_SKIP() << "plink1.9 is not installed";
    // PLINK writes A1 as ALT, so the VCF counts the same allele as the .bed.
    const auto made = run_command("/usr/bin/plink1.9", {"--bfile", kExamples + "scan_chr1", "--recode", "vcf-iid",
                                                        "--keep-allele-order", "--out", "ref"},
                                  dir.path());
    ASSERT_EQ(made.status, 0) << made.out;
    const auto b = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes", "genes1.txt",
                          "--flank", "20000", "--out", "b"});
    const auto v = kesto({"gene", "--vcf", "ref.vcf", "--sumstats", "ss.tsv", "--genes", "genes1.txt", "--flank",
                          "20000", "--out", "v"});
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(v.status, 0) << v.err;
    EXPECT_EQ(read_file(dir.file("v.genes.tsv")), read_file(dir.file("b.genes.tsv")));
}

TEST_F(DirectRoad, KeepAndRefusals)
{
    // --keep: half the individuals change the numbers but not the SNPs.
    const auto fam = lines_of(read_file(kExamples + "scan_chr1.fam"));
    std::string keep;
    for (std::size_t i = 0; i < fam.size(); i += 2) {
        std::stringstream in(fam[i]);
        std::string fid, iid;
        in >> fid >> iid;
        keep += fid + " " + iid + "\n";
    }
    write_file(dir.file("keep.txt"), keep);
    const auto all = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes", "genes1.txt",
                            "--out", "all"});
    const auto half = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes",
                             "genes1.txt", "--keep", "keep.txt", "--out", "half"});
    ASSERT_EQ(all.status, 0);
    ASSERT_EQ(half.status, 0) << half.err;
    EXPECT_NE(read_file(dir.file("all.genes.tsv")), read_file(dir.file("half.genes.tsv")));
    EXPECT_TRUE(contains(read_file(dir.file("half.log")), "individuals: 100 of 200 (--keep keep.txt"));
    EXPECT_FALSE(contains(read_file(dir.file("half.log")), "match no individual"));
    // An entry of other files is named in the log and on standard error.
    write_file(dir.file("keep_other.txt"), keep + "FAM9999 IND9999\n");
    const auto other = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv", "--genes",
                              "genes1.txt", "--keep", "keep_other.txt", "--out", "other"});
    ASSERT_EQ(other.status, 0) << other.err;
    const std::string unmatched =
        "warning: keep_other.txt: 1 of 101 entries match no individual of the reference (first: FAM9999 IND9999)";
    EXPECT_TRUE(contains(read_file(dir.file("other.log")), unmatched)) << read_file(dir.file("other.log"));
    EXPECT_TRUE(contains(other.err, unmatched)) << other.err;
    EXPECT_EQ(read_file(dir.file("other.genes.tsv")), read_file(dir.file("half.genes.tsv")));

    // The report of left-out SNPs may not overwrite an input either.
    write_file(dir.file("x.excluded.tsv.gz"), "keep me");
    const auto clash = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "x.excluded.tsv.gz", "--genes",
                              "genes1.txt", "--out", "x"});
    EXPECT_NE(clash.status, 0);
    EXPECT_EQ(read_file(dir.file("x.excluded.tsv.gz")), "keep me");
    // --bfile without --sumstats, and two references, are bad command lines.
    EXPECT_EQ(kesto({"gene", "--bfile", kExamples + "scan_chr1", "--genes", "genes1.txt", "--out", "y"}).status, 2);
    EXPECT_EQ(kesto({"gene", "--bfile", kExamples + "scan_chr1", "--vcf", "ref.vcf", "--sumstats", "ss.tsv", "--genes",
                     "genes1.txt", "--out", "y"})
                  .status,
              2);
}

// A run in which no SNP matched fails as kesto prepare does, and a chromosome
// the reference holds but no row matched is named as such, not as missing.
TEST_F(DirectRoad, NothingMatchedFailsAndUnmatchedChromosomeIsNamed)
{
    const std::string header = lines_of(read_file(dir.file("ss.tsv")))[0] + "\n";
    write_file(dir.file("header_only.tsv"), header);
    const auto none = kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "header_only.tsv", "--genes",
                             "genes1.txt", "--out", "none"});
    EXPECT_EQ(none.status, 1);
    const std::string failure = "no SNP of the summary statistics matched the reference; see none.excluded.tsv.gz";
    EXPECT_TRUE(contains(none.err, failure)) << none.err;
    EXPECT_TRUE(contains(read_file(dir.file("none.log")), "error: " + failure));
    EXPECT_EQ(lines_of(read_file(dir.file("none.genes.tsv"))).size(), 1u);  // the header alone
    EXPECT_TRUE(file_exists(dir.file("none.excluded.tsv.gz")));

    // The example's SNPs past the 700th moved to chromosome 2, with summary
    // statistics for chromosome 1 alone.
    write_file(dir.file("two.bed"), read_file(kExamples + "scan_chr1.bed"));
    write_file(dir.file("two.fam"), read_file(kExamples + "scan_chr1.fam"));
    const auto bim = lines_of(read_file(kExamples + "scan_chr1.bim"));
    std::string two_bim;
    for (std::size_t i = 0; i < bim.size(); ++i)
        two_bim += (i < 700 ? bim[i] : "2" + bim[i].substr(1)) + "\n";
    write_file(dir.file("two.bim"), two_bim);
    std::string chr1_rows = header;
    for (const std::string& row : lines_of(read_file(dir.file("ss.tsv"))))
        if (row.rfind("1\t", 0) == 0 && std::stol(split(row)[1]) <= std::stol(split(bim[699])[3]))
            chr1_rows += row + "\n";
    write_file(dir.file("chr1_rows.tsv"), chr1_rows);
    write_file(dir.file("genes12.txt"), read_file(kExamples + "genelist.txt"));
    const auto partial = kesto({"gene", "--bfile", "two", "--sumstats", "chr1_rows.tsv", "--genes", "genes12.txt",
                                "--out", "partial"});
    EXPECT_EQ(partial.status, 3) << partial.err;
    EXPECT_TRUE(contains(read_file(dir.file("partial.log")),
                         "warning: chromosome 2 has 300 sites in the reference, but none matched a row of the summary "
                         "statistics"))
        << read_file(dir.file("partial.log"));
    EXPECT_FALSE(contains(read_file(dir.file("partial.log")), "is not in the reference"));

    // Rows at no site of the .bed are set aside before matching, and the
    // log says how many and where.
    std::string extra = read_file(dir.file("ss.tsv"));
    std::vector<std::string> first = split(lines_of(extra)[1]);
    for (int i = 0; i < 3; ++i) {
        first[1] = std::to_string(900000000 + i);
        std::string row;
        for (const std::string& field : first)
            row += (row.empty() ? "" : "\t") + field;
        extra += row + "\n";
    }
    write_file(dir.file("extra.tsv"), extra);
    const auto set_aside = [&](const std::string& sumstats, const std::string& out) {
        EXPECT_EQ(kesto({"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", sumstats, "--genes", "genes1.txt",
                         "--out", out})
                      .status,
                  0);
        const std::string log = read_file(dir.file(out + ".log"));
        const std::string line = "rows at no reference site, set aside before matching: ";
        const std::size_t at = log.find(line);
        EXPECT_TRUE(contains(log, " kB in ")) << log;  // a few rows: kB, not "0 MB"
        return at == std::string::npos ? -1 : std::stol(log.substr(at + line.size()));
    };
    const long before = set_aside("ss.tsv", "aside0");
    EXPECT_GT(before, 0);  // the example's row of an unknown chromosome, and others
    EXPECT_EQ(set_aside("extra.tsv", "aside3"), before + 3);
}

} // namespace

TEST_F(DirectRoad, StandardErrorSaysWhatIsReadFirstUnlessQuiet)
{
    const std::vector<std::string> args = {"gene", "--bfile", kExamples + "scan_chr1", "--sumstats", "ss.tsv",
                                           "--genes", "genes1.txt", "--out", "talk"};
    const auto loud = run_program("kesto", args, dir.path());
    ASSERT_EQ(loud.status, 0) << loud.err;
    const std::vector<std::string> lines = lines_of(loud.err);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "kesto gene: reading ss.tsv");
    EXPECT_TRUE(contains(lines.back(), "rows (")) << loud.err;
    const auto quiet = kesto(args);
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
}

// --chr reads only the chosen chromosomes' genotypes, yet matches and
// reports every SNP as a run over all of them does.
TEST(DirectRoadChromosomes, ChosenChromosomeGivesTheWholeRunsRowsAndReport)
{
    TempDir dir;
    ASSERT_EQ(run_program("kesto_simulate", {"--out", "sim", "--seed", "5", "--chromosomes", "3", "--snps", "300",
                                             "--individuals", "70", "--genes", "12", "--plink", "all", "--sumstats",
                                             "gwas-ssf"},
                          dir.path())
                  .status,
              0);
    // Left-out rows on every chromosome: other alleles on 1, a copy on 2, a
    // moved position on 3 (found by id elsewhere: the build check looks it up).
    const auto table = lines_of(read_file(dir.file("sim/sumstats.gwas_ssf.tsv")));
    std::string sumstats = table[0] + "\n";
    for (std::size_t i = 1; i < table.size(); ++i) {
        auto f = split(table[i]);
        if (i == 10)
            f[2] = f[3] = "N";
        if (i == 720)
            f[1] = std::to_string(std::stol(f[1]) + 1);
        std::string row = f[0];
        for (std::size_t k = 1; k < f.size(); ++k)
            row += "\t" + f[k];
        sumstats += row + "\n";
        if (i == 400)
            sumstats += row + "\n";
    }
    write_file(dir.file("ss.tsv"), sumstats);
    const auto run = [&](const std::string& out, const std::vector<std::string>& more,
                         const std::string& bfile = "sim/scan_chr@") {
        std::vector<std::string> args = {"gene", "--bfile", bfile, "--sumstats", "ss.tsv",
                                         "--genes", "sim/genelist.txt", "--flank", "20000", "--out", out, "--quiet"};
        args.insert(args.end(), more.begin(), more.end());
        return run_program("kesto", args, dir.path());
    };
    const auto rows_on_2 = [&](const std::string& table) {
        const auto rows = lines_of(read_file(dir.file(table)));
        std::string out = rows[0] + "\n";
        for (std::size_t i = 1; i < rows.size(); ++i)
            if (split(rows[i])[0] == "2")
                out += rows[i] + "\n";
        return out;
    };
    const auto whole = run("whole", {});
    const auto two = run("two", {"--chr", "2"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_GT(lines_of(rows_on_2("whole.genes.tsv")).size(), 2u);
    EXPECT_EQ(read_file(dir.file("two.genes.tsv")), rows_on_2("whole.genes.tsv"));
    EXPECT_EQ(read_gz(dir.file("two.excluded.tsv.gz")), read_gz(dir.file("whole.excluded.tsv.gz")));
    const auto counts = [&](const std::string& log) {
        std::string out;
        for (const std::string& line : lines_of(read_file(dir.file(log))))
            if (contains(line, "SNPs matched") || contains(line, "reference sites") ||
                contains(line, "genome build check") || contains(line, "SNPs left out, "))
                out += line + "\n";
        return out;
    };
    EXPECT_TRUE(contains(counts("whole.log"), "genome build check: 899 of 900")) << counts("whole.log");
    EXPECT_EQ(lines_of(read_gz(dir.file("whole.excluded.tsv.gz"))).size(), 1u + 4u);
    EXPECT_EQ(counts("two.log"), counts("whole.log"));

    // One .bed holding the three chromosomes: chromosome 1's SNPs are
    // skipped within the file.
    if (!file_exists("/usr/bin/plink1.9"))
        GTEST_SKIP() << "plink1.9 is not installed: a .bed of several chromosomes is not tried";
    write_file(dir.file("sets.txt"), "sim/scan_chr2\nsim/scan_chr3\n");
    ASSERT_EQ(run_command("/usr/bin/plink1.9", {"--bfile", "sim/scan_chr1", "--merge-list", "sets.txt",
                                                "--keep-allele-order", "--make-bed", "--out", "merged"},
                          dir.path())
                  .status,
              0);
    const auto merged = run("merged", {}, "merged");
    const auto merged_two = run("merged_two", {"--chr", "2"}, "merged");
    ASSERT_EQ(merged.status, 0) << merged.err;
    ASSERT_EQ(merged_two.status, 0) << merged_two.err;
    EXPECT_EQ(read_file(dir.file("merged_two.genes.tsv")), rows_on_2("merged.genes.tsv"));
    EXPECT_EQ(counts("merged_two.log"), counts("merged.log"));
}
