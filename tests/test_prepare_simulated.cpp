// kesto prepare on the simulator's own association results in every layout
// it writes, against its VCF and PLINK reference: the prepared files give
// the analysis programs the results the simulator's legend and genotype
// files give.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using kesto_test::contains;
using kesto_test::lines_of;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;

class Simulated : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir();
        const RunResult r = run_program("kesto_simulate", {"--out", dir_->path(), "--plink", "1", "--sumstats", "all",
                                                           "--vcf", "all"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    static std::string file(const std::string& name) { return dir_->file(name); }

    // Result text of kesto_genelist (or kesto_pw with `pathways`) on the
    // reference files under `prefix`.
    static std::string analyse(const std::string& prefix, const std::string& result, bool pathways)
    {
        std::vector<std::string> args;
        if (pathways)
            args = {"-p", file("pathways.txt")};
        for (const std::string& a : {std::string("-g"), file("genelist.txt"), std::string("-o"), result,
                                     std::string("-l"), prefix, std::string("-G"), prefix, std::string("-a"),
                                     std::string("0.05"), std::string("-v"), std::string("0.8"), std::string("-f"),
                                     std::string("20000")})
            args.push_back(a);
        const RunResult r = run_program(pathways ? "kesto_pw" : "kesto_genelist", args);
        EXPECT_EQ(r.status, 0) << r.err;
        return read_file(result);
    }

    static TempDir* dir_;
};

TempDir* Simulated::dir_ = nullptr;

struct Written {
    std::string file;
    std::vector<std::string> options;  // what a table in no known layout needs
    bool exact_p;                      // p-values written as the simulator's legend has them
};

const std::vector<Written> kWritten = {
    {"sumstats.PHENO1.glm.linear", {}, true},
    {"sumstats.assoc", {}, true},
    {"sumstats.assoc.linear", {}, true},
    {"sumstats.assoc.logistic", {}, true},
    {"sumstats.qassoc", {}, true},
    {"sumstats.bolt.stats", {}, true},
    {"sumstats.gwas_ssf.tsv", {}, true},
    {"sumstats.saige.txt", {}, true},
    {"sumstats_METAL1.tbl", {}, true},
    {"sumstats_PHENO1.regenie", {}, false},
    {"sumstats.custom.txt",
     {"--col-id", "variant", "--col-chr", "chrom", "--col-pos", "bp", "--col-a1", "ea", "--col-a2", "nea", "--col-p",
      "pval"},
     true},
};

TEST_F(Simulated, EveryLayoutAgainstTheVcfGivesTheSameResults)
{
    const std::string genes = analyse(dir_->path() + "/", file("genes.expected"), false);
    const std::string pathways = analyse(dir_->path() + "/", file("pathways.expected"), true);
    for (const Written& w : kWritten) {
        SCOPED_TRACE(w.file);
        const std::string out = file("out_" + w.file);
        std::vector<std::string> args = {"prepare", "--vcf", file("genotypes_chr@.vcf"), "--sumstats", file(w.file),
                                         "--out", out, "--plain"};
        args.insert(args.end(), w.options.begin(), w.options.end());
        const RunResult r = run_program("kesto", args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(r.err, "2000 of 2000 summary-statistics rows matched 200 reference individuals on "
                                    "chromosomes 1, 2"))
            << r.err;
        for (const std::string c : {"1", "2"}) {
            EXPECT_EQ(read_file(out + "/genotype_chr" + c + ".txt"), read_file(file("genotype_chr" + c + ".txt")));
            if (w.exact_p) {
                EXPECT_EQ(read_file(out + "/legend_chr" + c + ".txt"), read_file(file("legend_chr" + c + ".txt")));
            }
        }
        EXPECT_EQ(analyse(out + "/", out + "/genes.out", false), genes);
        if (!w.exact_p || w.file == "sumstats.assoc") {
            EXPECT_EQ(analyse(out + "/", out + "/pathways.out", true), pathways);
        }
    }
}

TEST_F(Simulated, PlinkSetOfOneChromosome)
{
    const std::string out = file("plink_out");
    const RunResult r = run_program("kesto", {"prepare", "--bfile", file("scan_chr1"), "--sumstats",
                                              file("sumstats.gwas_ssf.tsv"), "--out", out, "--plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(out + "/genotype_chr1.txt"), read_file(file("genotype_chr1.txt")));
    EXPECT_EQ(read_file(out + "/legend_chr1.txt"), read_file(file("legend_chr1.txt")));
    // Chromosome 2 is not in the reference: every row of it is listed.
    const std::string log = read_file(out + "/prepare.log");
    EXPECT_TRUE(contains(log, "not_in_reference\t1000\t"));
    // They were set aside before matching, and the log says so.
    EXPECT_TRUE(contains(log, "rows at no reference site, set aside before matching: 1000 (a scratch file of "))
        << log;
    EXPECT_TRUE(contains(r.err, "1000 of 2000 summary-statistics rows matched")) << r.err;
}

} // namespace
