// The simulator's association tables in every layout and its VCF files, read
// back through the summary-statistics reader and (where installed) bcftools;
// and the reader on tables written by the real PLINK 1.9 and plink2.
#include "sumstats/sumstats_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using kesto_test::TempDir;
using kesto_test::lines_of;
using kesto_test::read_file;
using kesto_test::run_command;
using kesto_test::run_program;

namespace {

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string f;
    while (in >> f)
        out.push_back(f);
    return out;
}

// The full path of an installed program, or empty.
std::string installed(const std::string& program)
{
    const auto run = run_command("/bin/sh", {"-c", "command -v " + program});
    std::string path = run.status == 0 ? run.out : "";
    while (!path.empty() && (path.back() == '\n' || path.back() == ' '))
        path.pop_back();
    return path;
}

// One legend SNP with the alleles the VCF gives it (REF = allele 2, ALT =
// allele 1) and its genotype codes.
struct SimSnp {
    std::string chromosome, id, p_text, ref, alt;
    long long position = 0;
    std::vector<int> codes;
};

const std::vector<std::string> kRun = {"--seed", "5", "--chromosomes", "2", "--snps", "120", "--individuals",
                                       "23", "--genes", "6", "--pathways", "3", "--plink", "1"};

class SimulatedFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        std::vector<std::string> args = {"--out", dir_->path()};
        args.insert(args.end(), kRun.begin(), kRun.end());
        args.insert(args.end(), {"--sumstats", "all", "--vcf", "all"});
        const auto run = run_program("kesto_simulate", args);
        ASSERT_EQ(run.status, 0) << run.err;
        snps_ = new std::vector<SimSnp>;
        for (int c = 1; c <= 2; ++c) {
            const std::string chr = std::to_string(c);
            const auto legend = lines_of(read_file(dir_->file("legend_chr" + chr + ".txt")));
            const auto genotypes = lines_of(read_file(dir_->file("genotype_chr" + chr + ".txt")));
            const auto vcf = lines_of(read_file(dir_->file("genotypes_chr" + chr + ".vcf")));
            std::size_t v = 0;
            while (v < vcf.size() && vcf[v].rfind("#", 0) == 0)
                ++v;
            for (std::size_t k = 1; k < legend.size(); ++k, ++v) {
                const auto l = fields(legend[k]);
                const auto g = fields(genotypes[k]);
                const auto r = fields(vcf[v]);
                SimSnp s;
                s.chromosome = chr;
                s.id = l[0];
                s.position = std::atoll(l[1].c_str());
                s.p_text = l[2];
                EXPECT_EQ(r[2], s.id);
                EXPECT_EQ(std::atoll(r[1].c_str()), s.position);
                s.ref = r[3];
                s.alt = r[4];
                for (std::size_t i = 2; i < g.size(); ++i)
                    s.codes.push_back(std::atoi(g[i].c_str()));
                // The VCF's genotypes are the table's codes: copies of ALT.
                EXPECT_EQ(r.size(), 9 + s.codes.size());
                for (std::size_t i = 0; i < s.codes.size(); ++i) {
                    const std::string& gt = r[9 + i];
                    const int code = gt == "./." ? -1 : (gt[0] - '0') + (gt[2] - '0');
                    EXPECT_EQ(code, s.codes[i]) << s.id << " individual " << i;
                }
                snps_->push_back(s);
            }
        }
    }
    static void TearDownTestSuite()
    {
        delete snps_;
        delete dir_;
    }
    static TempDir* dir_;
    static std::vector<SimSnp>* snps_;
};

TempDir* SimulatedFormats::dir_ = nullptr;
std::vector<SimSnp>* SimulatedFormats::snps_ = nullptr;

TEST_F(SimulatedFormats, ExistingOutputsUnchangedByTheNewOptions)
{
    TempDir plain;
    std::vector<std::string> args = {"--out", plain.path()};
    args.insert(args.end(), kRun.begin(), kRun.end());
    ASSERT_EQ(run_program("kesto_simulate", args).status, 0);
    for (const char* name : {"genelist.txt", "pathways.txt", "legend_chr1.txt", "legend_chr2.txt", "genotype_chr1.txt",
                             "genotype_chr2.txt", "scan_chr1.bed", "scan_chr1.bim", "scan_chr1.fam", "scan_chr1.ped",
                             "scan_chr1.map", "scan_chr1_assoc.txt"})
        EXPECT_EQ(read_file(plain.file(name)), read_file(dir_->file(name))) << name;
    EXPECT_FALSE(kesto_test::file_exists(plain.file("sumstats.assoc")));
    EXPECT_FALSE(kesto_test::file_exists(plain.file("genotypes_chr1.vcf")));
}

TEST_F(SimulatedFormats, VcfAllelesAreThoseOfThePlinkSet)
{
    const auto bim = lines_of(read_file(dir_->file("scan_chr1.bim")));
    std::size_t k = 0;
    for (const SimSnp& s : *snps_) {
        if (s.chromosome != "1")
            continue;
        ASSERT_LT(k, bim.size());
        const auto b = fields(bim[k++]);
        EXPECT_EQ(b[1], s.id);
        EXPECT_EQ(b[4], s.alt);  // A1, the counted allele
        EXPECT_EQ(b[5], s.ref);
    }
    EXPECT_EQ(k, bim.size());
}

struct LayoutCase {
    const char* file;
    SumstatsFormat format;
    bool log10;
    bool ids, positions;
    int alleles;          // 2: both, 1: allele 1 only, 0: none
    bool effect_first;    // allele1 of the record is the counted allele
    long skipped_per_snp; // rows of a second test per SNP
};

TEST_F(SimulatedFormats, EveryLayoutReadsBackAsTheLegend)
{
    const std::vector<LayoutCase> cases = {
        {"sumstats.gwas_ssf.tsv", SumstatsFormat::GwasSsf, false, true, true, 2, true, 0},
        {"sumstats.PHENO1.glm.linear", SumstatsFormat::Plink2Glm, false, true, true, 2, false, 1},
        {"sumstats.assoc", SumstatsFormat::Plink1Assoc, false, true, true, 2, true, 0},
        {"sumstats.qassoc", SumstatsFormat::Plink1Assoc, false, true, true, 0, true, 0},
        {"sumstats.assoc.logistic", SumstatsFormat::Plink1Assoc, false, true, true, 1, true, 1},
        {"sumstats.assoc.linear", SumstatsFormat::Plink1Assoc, false, true, true, 1, true, 0},
        {"sumstats_PHENO1.regenie", SumstatsFormat::Regenie, true, true, true, 2, false, 0},
        {"sumstats.saige.txt", SumstatsFormat::Saige, false, true, true, 2, false, 0},
        {"sumstats.bolt.stats", SumstatsFormat::BoltLmm, false, true, true, 2, true, 0},
        {"sumstats_METAL1.tbl", SumstatsFormat::Metal, false, true, false, 2, true, 0},
        {"sumstats.custom.txt", SumstatsFormat::Custom, false, true, true, 2, true, 0},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.file);
        SumstatsOptions options;
        if (c.format == SumstatsFormat::Custom) {
            options.col_id = "variant";
            options.col_chr = "chrom";
            options.col_pos = "bp";
            options.col_a1 = "ea";
            options.col_a2 = "nea";
            options.col_p = "pval";
        }
        SumstatsReader reader;
        const Status opened = reader.open(dir_->file(c.file), options);
        ASSERT_TRUE(opened.ok()) << opened.message;
        EXPECT_EQ(reader.layout().format, c.format);
        EXPECT_EQ(reader.layout().log10, c.log10);
        EXPECT_EQ(reader.layout().has_ids, c.ids);
        EXPECT_EQ(reader.layout().has_positions, c.positions);
        SumstatsRecord r;
        std::size_t k = 0;
        while (reader.next(r)) {
            ASSERT_LT(k, snps_->size());
            const SimSnp& s = (*snps_)[k++];
            EXPECT_EQ(r.id, s.id);
            if (c.positions) {
                EXPECT_EQ(r.chromosome, s.chromosome);
                EXPECT_EQ(r.position, s.position);
            }
            const std::string& counted = c.effect_first ? r.allele1 : r.allele2;
            const std::string& other = c.effect_first ? r.allele2 : r.allele1;
            if (c.alleles >= 1) {
                EXPECT_EQ(counted, s.alt) << s.id;
            }
            if (c.alleles == 2) {
                EXPECT_EQ(other, s.ref) << s.id;
            }
            ASSERT_EQ(r.p_state, PState::Ok) << s.id;
            if (c.log10) {
                // Turned back from -log10 p: the same single-precision value
                // the programs read from the legend.
                const double legend = std::strtod(s.p_text.c_str(), nullptr);
                EXPECT_EQ(static_cast<float>(r.p), static_cast<float>(legend)) << s.id;
                EXPECT_NEAR(r.p, legend, legend * 1e-13) << s.id;
            } else {
                EXPECT_EQ(r.p_text, s.p_text) << s.id;
            }
        }
        ASSERT_TRUE(reader.status().ok()) << reader.status().message;
        EXPECT_EQ(k, snps_->size());
        EXPECT_EQ(reader.skipped_other_tests(), c.skipped_per_snp * static_cast<long>(snps_->size()));
    }
}

TEST_F(SimulatedFormats, BcftoolsReadsTheVcf)
{
    const std::string bcftools = installed("bcftools");
    if (bcftools.empty())
        GTEST_SKIP() << "bcftools is not installed";
    const auto run = run_command(bcftools, {"query", "-f", "%CHROM\\t%POS\\t%ID\\t%REF\\t%ALT[\\t%GT]\\n",
                                              dir_->file("genotypes_chr2.vcf")});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = lines_of(run.out);
    std::size_t k = 0;
    for (const SimSnp& s : *snps_) {
        if (s.chromosome != "2")
            continue;
        ASSERT_LT(k, rows.size());
        const auto f = fields(rows[k++]);
        EXPECT_EQ(f[2], s.id);
        EXPECT_EQ(f[3], s.ref);
        EXPECT_EQ(f[4], s.alt);
        for (std::size_t i = 0; i < s.codes.size(); ++i) {
            const std::string& gt = f[5 + i];
            const int code = gt == "./." ? -1 : (gt[0] - '0') + (gt[2] - '0');
            EXPECT_EQ(code, s.codes[i]);
        }
    }
    EXPECT_EQ(k, rows.size());
}

// Runs a peer on the simulator's PLINK set with a phenotype file; returns
// false (and skips) when the peer is not installed.
struct PeerCase {
    const char* program;
    std::vector<std::string> args;
    const char* output;
    SumstatsFormat format;
    bool log10;
};

TEST_F(SimulatedFormats, RealPeerTablesAreRecognised)
{
    TempDir work;
    // Quantitative and case/control phenotypes, fixed by individual number.
    const auto fam = lines_of(read_file(dir_->file("scan_chr1.fam")));
    std::string quantitative = "FID IID Q\n", binary = "FID IID B\n";
    for (std::size_t i = 0; i < fam.size(); ++i) {
        const auto f = fields(fam[i]);
        quantitative += f[0] + " " + f[1] + " " + std::to_string(static_cast<double>((i * 37) % 11) / 3.0) + "\n";
        binary += f[0] + " " + f[1] + " " + std::to_string(1 + (i * 7) % 2) + "\n";
    }
    kesto_test::write_file(work.file("q.txt"), quantitative);
    kesto_test::write_file(work.file("b.txt"), binary);
    const std::string bfile = dir_->file("scan_chr1");
    const std::vector<PeerCase> cases = {
        {"plink1.9", {"--bfile", bfile, "--pheno", work.file("b.txt"), "--assoc", "--allow-no-sex", "--out", work.file("p1")},
         "p1.assoc", SumstatsFormat::Plink1Assoc, false},
        {"plink1.9", {"--bfile", bfile, "--pheno", work.file("q.txt"), "--assoc", "--allow-no-sex", "--out", work.file("p1")},
         "p1.qassoc", SumstatsFormat::Plink1Assoc, false},
        {"plink1.9", {"--bfile", bfile, "--pheno", work.file("q.txt"), "--linear", "--allow-no-sex", "--out", work.file("p1")},
         "p1.assoc.linear", SumstatsFormat::Plink1Assoc, false},
        {"plink1.9", {"--bfile", bfile, "--pheno", work.file("b.txt"), "--logistic", "genotypic", "--allow-no-sex",
                      "--out", work.file("p1")},
         "p1.assoc.logistic", SumstatsFormat::Plink1Assoc, false},
        {"plink2", {"--bfile", bfile, "--pheno", work.file("q.txt"), "--glm", "allow-no-covars", "--out", work.file("p2")},
         "p2.Q.glm.linear", SumstatsFormat::Plink2Glm, false},
        {"plink2", {"--bfile", bfile, "--pheno", work.file("q.txt"), "--glm", "allow-no-covars", "log10",
                    "--out", work.file("p2l")},
         "p2l.Q.glm.linear", SumstatsFormat::Plink2Glm, true},
    };
    const auto bim = lines_of(read_file(dir_->file("scan_chr1.bim")));
    int ran = 0;
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.output);
        const std::string program = installed(c.program);
        if (program.empty())
            continue;
        const auto run = run_command(program, c.args, work.path());
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        ++ran;
        SumstatsReader reader;
        const Status opened = reader.open(work.file(c.output), SumstatsOptions{});
        ASSERT_TRUE(opened.ok()) << opened.message;
        EXPECT_EQ(reader.layout().format, c.format);
        EXPECT_EQ(reader.layout().log10, c.log10);
        SumstatsRecord r;
        std::size_t k = 0;
        long ok = 0;
        while (reader.next(r)) {
            ASSERT_LT(k, bim.size());
            const auto b = fields(bim[k++]);
            EXPECT_EQ(r.id, b[1]);
            EXPECT_EQ(r.chromosome, b[0]);
            EXPECT_EQ(std::to_string(r.position), b[3]);
            if (!r.allele1.empty() && r.allele1 != "0") {
                EXPECT_TRUE(r.allele1 == b[4] || r.allele1 == b[5]) << r.allele1;
            }
            EXPECT_TRUE(r.p_state == PState::Ok || r.p_state == PState::Missing);
            ok += r.p_state == PState::Ok;
        }
        ASSERT_TRUE(reader.status().ok()) << reader.status().message;
        EXPECT_EQ(k, bim.size());
        EXPECT_GT(ok, 0);
        // --logistic genotypic adds DOMDEV and GENO_2DF rows for every SNP.
        if (std::string(c.output) == "p1.assoc.logistic") {
            EXPECT_GE(reader.skipped_other_tests(), static_cast<long>(bim.size()));
        }
    }
    if (ran == 0)
        GTEST_SKIP() << "neither plink1.9 nor plink2 is installed";
}

} // namespace

namespace {

TEST_F(SimulatedFormats, Plink2TurnsTheVcfIntoThePlinkSet)
{
    // plink2 reads ALT as A1 (.bim column 5) and REF as A2, so the VCF of
    // chromosome 1 must become the simulator's own .bed byte for byte.
    const std::string plink2 = installed("plink2");
    if (plink2.empty())
        GTEST_SKIP() << "plink2 is not installed";
    TempDir work;
    const auto run = run_command(plink2, {"--vcf", dir_->file("genotypes_chr1.vcf"), "--make-bed", "--out",
                                          work.file("from_vcf")},
                                 work.path());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(read_file(work.file("from_vcf.bed")), read_file(dir_->file("scan_chr1.bed")));
    const auto made = lines_of(read_file(work.file("from_vcf.bim")));
    const auto bim = lines_of(read_file(dir_->file("scan_chr1.bim")));
    ASSERT_EQ(made.size(), bim.size());
    for (std::size_t k = 0; k < bim.size(); ++k) {
        const auto a = fields(made[k]);
        const auto b = fields(bim[k]);
        EXPECT_EQ(a[0], b[0]);
        EXPECT_EQ(a[1], b[1]);
        EXPECT_EQ(a[3], b[3]);
        EXPECT_EQ(a[4], b[4]);
        EXPECT_EQ(a[5], b[5]);
    }
}

TEST(SimulateOptions, LayoutListsAndVcfAndPlinkChromosomes)
{
    TempDir dir;
    const std::vector<std::string> base = {"--snps", "20", "--genes", "2", "--pathways", "1", "--individuals", "3"};
    struct Case {
        std::vector<std::string> extra;
        int status;
        std::vector<const char*> present, absent;
    };
    const std::vector<Case> cases = {
        {{"--sumstats", "plink2,metal,plink2"}, 0, {"sumstats.PHENO1.glm.linear", "sumstats_METAL1.tbl"},
         {"sumstats.assoc", "sumstats.gwas_ssf.tsv", "genotypes_chr1.vcf"}},
        {{"--vcf", "2"}, 0, {"genotypes_chr2.vcf"}, {"genotypes_chr1.vcf", "sumstats.assoc"}},
        {{"--sumstats", "plink3"}, 2, {}, {}},
        {{"--sumstats", ""}, 2, {}, {}},
        {{"--sumstats", "assoc,"}, 2, {}, {}},
        {{"--vcf", "3"}, 2, {}, {}},
        {{"--vcf", "none"}, 2, {}, {}},
        {{"--plink", "all"}, 0, {"scan_chr1.bed", "scan_chr2.bed", "scan_chr2.bim", "scan_chr2.fam"}, {}},
        {{"--plink", "2"}, 0, {"scan_chr2.bed"}, {"scan_chr1.bed"}},
        {{"--plink", "every"}, 2, {}, {}},
    };
    int k = 0;
    for (const Case& c : cases) {
        const std::string out = dir.file("run" + std::to_string(k++));
        std::vector<std::string> args = {"--out", out};
        args.insert(args.end(), base.begin(), base.end());
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto run = run_program("kesto_simulate", args);
        EXPECT_EQ(run.status, c.status) << c.extra[0] << " " << c.extra[1] << ": " << run.err;
        for (const char* name : c.present)
            EXPECT_TRUE(kesto_test::file_exists(out + "/" + name)) << name;
        for (const char* name : c.absent)
            EXPECT_FALSE(kesto_test::file_exists(out + "/" + name)) << name;
    }
}

} // namespace
