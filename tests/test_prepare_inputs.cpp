// kesto prepare: the reasons a SNP is left out, the build check, filtered
// input, --keep, per-chromosome reference sets, VCF/BCF, refusals, and real
// files written by PLINK 1.9, PLINK 2 and bcftools.
#include "test_support.h"

#include <gtest/gtest.h>

#include <htslib/bgzf.h>

#include <cstdio>
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
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = std::string(KESTO_SOURCE_DIR) + "/examples/";


std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}


RunResult prepare(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"prepare"};
    all.insert(all.end(), args.begin(), args.end());
    return run_program("kesto", all);
}

// id -> reasons (in file order) from excluded.tsv.gz.
std::map<std::string, std::vector<std::string>> exclusions(const std::string& path)
{
    std::map<std::string, std::vector<std::string>> out;
    const auto lines = lines_of(read_gz(path));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto f = split(lines[i]);
        out[f[0]].push_back(f.size() > 4 ? f[4] : "?");
    }
    return out;
}

// A reference of four samples with one site per case.
const char* const kVcf =
    "##fileformat=VCFv4.2\n"
    "##contig=<ID=1>\n"
    "##contig=<ID=2>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4\n"
    "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\t./.\n"
    "1\t200\trs2\tA\tC,T\t.\t.\t.\tGT\t0/1\t0/2\t1/2\t0/0\n"
    "1\t300\trs3\tA\tT\t.\t.\t.\tGT\t0|1\t1|1\t0|0\t.|1\n"
    "1\t400\trs4\tC\tT\t.\t.\t.\tGT\t0/0\t0/0\t0/1\t1/1\n"
    "1\t500\trs5\tG\tA\t.\t.\t.\tGT\t0/1\t0/1\t0/1\t0/1\n"
    "1\t600\trs6\tA\tC\t.\t.\t.\tGT\t1/1\t1/1\t0/0\t0/0\n"
    "1\t800\trs8\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\t0/0\n"
    "1\t900\trs9\tA\tG\t.\t.\t.\tGT\t0/1\t0/0\t0/0\t0/0\n"
    "1\t1000\trs10\tA\tG\t.\t.\t.\tGT\t1\t0\t./.\t0/1\n"
    "2\t100\trs11\tC\tT\t.\t.\t.\tGT\t0/1\t1/0\t0/1\t0/1\n";

// PLINK 1.9 .assoc rows against it: one per reason, and some kept.
const char* const kAssoc =
    " CHR SNP BP A1 F_A F_U A2 CHISQ P OR\n"
    " 1 rs1 100 G 0.1 0.1 A 1 0.6 1\n"       // kept, alleles in the other order
    " 1 rs2 200 A 0.1 0.1 C 1 0.7 1\n"       // multi-allelic in the reference
    " 1 rs3 300 A 0.1 0.1 T 1 0.8 1\n"       // kept (strand-ambiguous)
    " 1 rs4 400 C 0.1 0.1 G 1 0.9 1\n"       // alleles not the reference's pair
    " 1 rs5 500 G 0.1 0.1 A 1 NA 1\n"        // p missing
    " 1 rs6 600 A 0.1 0.1 C 1 0.55 1\n"      // duplicated ...
    " 1 rs6b 600 C 0.1 0.1 A 1 0.56 1\n"     // ... both copies
    " 1 rs7 700 A 0.1 0.1 G 1 0.6 1\n"       // not in the reference
    " ZZ rs8 800 A 0.1 0.1 G 1 0.7 1\n"      // chromosome not understood
    " 1 rs9 900 A 0.1 0.1 G 1 abc 1\n"       // p not a number
    " 1 rs10 1000 T 0.1 0.1 C 1 0.75 1\n"    // kept, other strand
    " 1 rs12 1100 A 0.1 0.1 G 1 1.5 1\n"     // p outside [0, 1]
    " chr2 rs11 100 G 0.1 0.1 A 1 0.65 1\n"; // kept, other strand and order

class Exclusions : public ::testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir.file("ref.vcf"), kVcf);
        write_file(dir.file("t.assoc"), kAssoc);
    }
    RunResult run(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"--vcf", dir.file("ref.vcf"), "--sumstats", dir.file("t.assoc"), "--out",
                                         dir.file("out"), "--plain"};
        args.insert(args.end(), extra.begin(), extra.end());
        return prepare(args);
    }
    TempDir dir;
};

TEST_F(Exclusions, EachReasonIsReported)
{
    const RunResult r = run();
    ASSERT_EQ(r.status, 0) << r.err;
    const auto reasons = exclusions(dir.file("out/excluded.tsv.gz"));
    const std::map<std::string, std::vector<std::string>> expected = {
        {"rs2", {"multiallelic_in_reference"}}, {"rs4", {"alleles_not_reference_pair"}},
        {"rs5", {"p_missing"}},                 {"rs6", {"duplicated"}},
        {"rs6b", {"duplicated"}},               {"rs7", {"not_in_reference"}},
        {"rs8", {"chromosome_not_understood"}}, {"rs9", {"p_not_a_number"}},
        {"rs12", {"p_outside_0_1"}}};
    EXPECT_EQ(reasons, expected);
    const auto lines = lines_of(read_gz(dir.file("out/excluded.tsv.gz")));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "id\tchromosome\tposition\talleles\treason\tline");
    EXPECT_EQ(lines[1], "rs2\t1\t200\tA/C\tmultiallelic_in_reference\t3");

    // Codes count the ALT allele; haploid calls count twice; a missing
    // allele makes the call missing.
    EXPECT_EQ(read_file(dir.file("out/legend_chr1.txt")),
              "snp_id\tposition\tpvalue\nrs1\t100\t0.6\nrs3\t300\t0.8\nrs10\t1000\t0.75\n");
    EXPECT_EQ(read_file(dir.file("out/genotype_chr1.txt")),
              "snp_id\tposition\ts1\ts2\ts3\ts4\n"
              "rs1\t100\t0\t1\t2\t-1\n"
              "rs3\t300\t1\t2\t0\t-1\n"
              "rs10\t1000\t2\t0\t-1\t1\n");
    EXPECT_EQ(read_file(dir.file("out/legend_chr2.txt")), "snp_id\tposition\tpvalue\nrs11\t100\t0.65\n");
    EXPECT_EQ(read_file(dir.file("out/genotype_chr2.txt")),
              "snp_id\tposition\ts1\ts2\ts3\ts4\nrs11\t100\t1\t1\t1\t1\n");

    const std::string log = read_file(dir.file("out/prepare.log"));
    for (const char* line : {"kept: 4 SNPs (1 strand-ambiguous)", "duplicated\t2\t", "not_in_reference\t1\t",
                             "more than two alleles: 1", "  1\t9\t3\n", "  2\t1\t1\n", "rows read: 13"})
        EXPECT_TRUE(contains(log, line)) << line << "\n" << log;
    EXPECT_TRUE(contains(r.err, "4 of 13 summary-statistics rows matched 4 reference individuals on chromosomes 1, 2"))
        << r.err;
}

// A reference listing a SNP twice (a merge gone wrong): the first record
// is used, and both roads say how many repeats there were.
TEST_F(Exclusions, RepeatedReferenceSitesAreUsedOnceAndWarnedAbout)
{
    std::string vcf = kVcf;
    const std::string rs1 = "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\t./.\n";
    const std::string rs10 = "1\t1000\trs10\tA\tG\t.\t.\t.\tGT\t1\t0\t./.\t0/1\n";
    vcf.insert(vcf.find(rs1) + rs1.size(), "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t1/1\t1/1\t1/1\t1/1\n");
    vcf.insert(vcf.find(rs10) + rs10.size(), rs10);
    write_file(dir.file("twice.vcf"), vcf);
    const std::string warning = "2 reference sites list a SNP that an earlier site with the same alleles had "
                                "matched; the first of each is used (first repeat: rs1 at 1:100)";

    const RunResult r = prepare({"--vcf", dir.file("twice.vcf"), "--sumstats", dir.file("t.assoc"), "--out",
                                 dir.file("twice"), "--plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "WARNING: " + warning + "\n")) << r.err;
    EXPECT_TRUE(contains(read_file(dir.file("twice/prepare.log")), "\nWARNING: " + warning + "\n"));
    ASSERT_EQ(run().status, 0);
    EXPECT_FALSE(contains(read_file(dir.file("out/prepare.log")), "repeat"));
    for (const char* file : {"legend_chr1.txt", "genotype_chr1.txt", "legend_chr2.txt", "genotype_chr2.txt"})
        EXPECT_EQ(read_file(dir.file(std::string("twice/") + file)), read_file(dir.file(std::string("out/") + file)))
            << file;

    write_file(dir.file("genes.txt"), "chromosome\tgene_id\tstart\tend\tgene_name\n1\tG1\t50\t1200\tGENE1\n");
    const RunResult gene = run_program("kesto", {"gene", "--vcf", dir.file("twice.vcf"), "--sumstats",
                                                 dir.file("t.assoc"), "--genes", dir.file("genes.txt"), "--out",
                                                 dir.file("g")});
    EXPECT_TRUE(contains(gene.err, "kesto gene: warning: " + warning + "\n")) << gene.err;
    EXPECT_TRUE(contains(read_file(dir.file("g.log")), warning));
}

TEST_F(Exclusions, AmbiguousPairsLeftOutOnRequest)
{
    ASSERT_EQ(run({"--drop-ambiguous"}).status, 0);
    EXPECT_EQ(exclusions(dir.file("out/excluded.tsv.gz"))["rs3"], std::vector<std::string>{"strand_ambiguous"});
    EXPECT_FALSE(contains(read_file(dir.file("out/legend_chr1.txt")), "rs3"));
}

TEST_F(Exclusions, KeepListChoosesIndividuals)
{
    write_file(dir.file("keep.txt"), "# samples to use\ns3\nfam s1\n\nnobody\n");
    const RunResult r = run({"--keep", dir.file("keep.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "kept 2 of 4 individuals of the reference (3 listed in")) << r.err;
    EXPECT_TRUE(contains(r.err, "WARNING: " + dir.file("keep.txt") +
                                    ": 1 of 3 entries match no individual of the reference (first: nobody)\n"))
        << r.err;
    EXPECT_EQ(read_file(dir.file("out/genotype_chr1.txt")),
              "snp_id\tposition\ts1\ts3\nrs1\t100\t0\t2\nrs3\t300\t1\t0\nrs10\t1000\t2\t-1\n");
    const std::string log = read_file(dir.file("out/prepare.log"));
    EXPECT_TRUE(contains(log, "individuals: 2 kept of 4 (--keep"));
    EXPECT_TRUE(contains(log, "\nWARNING: " + dir.file("keep.txt") + ": 1 of 3 entries match no individual")) << log;

    // A second run into the folder warns about files it did not write.
    write_file(dir.file("out/legend_chr7.txt.gz"), "old");
    const RunResult again = run({"--keep", dir.file("keep.txt")});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(contains(again.err, "also holds files this run did not write, which the programs would read with the "
                                    "new ones: legend_chr7.txt.gz\n"))
        << again.err;
}

TEST_F(Exclusions, RefusalsAndFailures)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::string vcf = dir.file("ref.vcf"), assoc = dir.file("t.assoc"), out = dir.file("o");
    write_file(dir.file("metal.txt"), "MarkerName\tAllele1\tAllele2\tP-value\nrs1\ta\tg\t0.5\n");
    write_file(dir.file("other.assoc"), " CHR SNP BP A1 F_A F_U A2 CHISQ P OR\n 5 rsX 100 G 0.1 0.1 A 1 0.6 1\n");
    write_file(dir.file("unsorted.vcf"), std::string(kVcf) + "1\t5000\trs99\tA\tG\t.\t.\t.\tGT\t0/0\t0/0\t0/0\t0/0\n");
    std::string dosages = kVcf;
    const std::string calls = "1\t300\trs3\tA\tT\t.\t.\t.\tGT\t0|1\t1|1\t0|0\t.|1";
    dosages.replace(dosages.find(calls), calls.size(), "1\t300\trs3\tA\tT\t.\t.\t.\tDS\t1\t2\t0\t1");
    dosages.insert(dosages.find("#CHROM"), "##FORMAT=<ID=DS,Number=1,Type=Float,Description=\"Dosage\">\n");
    write_file(dir.file("dosages.vcf"), dosages);
    const std::vector<Case> cases = {
        {{"--sumstats", assoc, "--out", out}, 2, "give the reference panel with --bfile PREFIX or --vcf FILE"},
        {{"--vcf", vcf, "--bfile", "x", "--sumstats", assoc, "--out", out}, 2, "excludes"},
        {{"--vcf", vcf, "--sumstats", assoc}, 2, "--out is required"},
        {{"--vcf", vcf, "--sumstats", assoc, "--out", out, "--format", "csv"}, 2, "--format"},
        {{"--vcf", vcf, "--sumstats", assoc, "--out", out, "--gene-sets", assoc}, 2, "--genes"},
        {{"--vcf", vcf, "--sumstats", dir.file("metal.txt"), "--out", out, "--match", "position"}, 2,
         "match with --match id"},
        {{"--vcf", dir.file("none.vcf"), "--sumstats", assoc, "--out", out}, 1, "none.vcf"},
        {{"--vcf", vcf, "--sumstats", dir.file("other.assoc"), "--out", out}, 1,
         "no SNP of the summary statistics matched the reference"},
        {{"--vcf", dir.file("unsorted.vcf"), "--sumstats", assoc, "--out", dir.file("o2")}, 1,
         "chromosome 1 comes again after other chromosomes"},
        {{"--vcf", dir.file("dosages.vcf"), "--sumstats", assoc, "--out", dir.file("o3")}, 1,
         "dosages.vcf record 3: no GT field; the reference needs genotype calls"},
    };
    for (const Case& c : cases) {
        const RunResult r = prepare(c.args);
        EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, c.message)) << c.message << "\n" << r.err;
    }
    // Nothing matched: the log and the list of left-out rows are still there.
    EXPECT_TRUE(contains(read_file(out + "/prepare.log"), "not_in_reference\t1\t"));
    // A stopped run leaves no finished-looking or temporary files.
    for (const char* name : {"legend_chr2.txt.gz", "legend_chr2.txt.gz.part", "prepare.log", "excluded.tsv.gz.part"})
        EXPECT_FALSE(file_exists(dir.file(std::string("o2/") + name))) << name;
}

TEST_F(Exclusions, NeverOverwritesAnInput)
{
    write_file(dir.file("legend_chr1.txt"), kAssoc);
    const RunResult r = prepare({"--vcf", dir.file("ref.vcf"), "--sumstats", dir.file("legend_chr1.txt"), "--out",
                                 dir.path() + "/", "--plain"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "is a file this run writes into")) << r.err;
    EXPECT_EQ(read_file(dir.file("legend_chr1.txt")), kAssoc);
}

// The example SNPs of chromosome 1 as GWAS-SSF rows, positions shifted for
// every SNP `moved` says.
std::string ssf_from_examples(const std::function<bool(std::size_t)>& moved,
                              const std::function<std::string(const std::string&)>& p = nullptr)
{
    std::string text = "chromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\trsid\n";
    const auto bim = lines_of(read_file(kExamples + "scan_chr1.bim"));
    const auto legend = lines_of(read_file(kExamples + "legend_chr1.txt"));
    for (std::size_t i = 0; i < bim.size(); ++i) {
        const auto b = split(bim[i]);
        const std::string pv = split(legend[i + 1])[2];
        const long position = std::stol(b[3]) + (moved(i) ? 7 : 0);
        text += "1\t" + std::to_string(position) + "\t" + b[4] + "\t" + b[5] + "\t" + (p ? p(pv) : pv) + "\t" + b[1] +
                "\n";
    }
    return text;
}

TEST(PrepareChecks, GenomeBuildMismatchStopsTheRun)
{
    TempDir dir;
    write_file(dir.file("moved.tsv"), ssf_from_examples([](std::size_t i) { return i % 5 == 0; }));   // 80 % agree
    write_file(dir.file("close.tsv"), ssf_from_examples([](std::size_t i) { return i % 20 == 0; }));  // 95 % agree
    const std::string bfile = kExamples + "scan_chr1";

    RunResult r = prepare({"--bfile", bfile, "--sumstats", dir.file("moved.tsv"), "--out", dir.file("a")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "look like different genome builds: of 1000 SNP ids found in both, only 800")) << r.err;
    EXPECT_FALSE(file_exists(dir.file("a/legend_chr1.txt.gz")));
    EXPECT_FALSE(file_exists(dir.file("a/legend_chr1.txt.gz.part")));

    r = prepare({"--bfile", bfile, "--sumstats", dir.file("moved.tsv"), "--out", dir.file("b"), "--allow-build-mismatch"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(read_file(dir.file("b/prepare.log")), "800 of 1000 SNP ids found in both files have the same "
                                                               "chromosome and position (80.0 %): DIFFERENT"));
    EXPECT_EQ(exclusions(dir.file("b/excluded.tsv.gz")).size(), 200u);

    r = prepare({"--bfile", bfile, "--sumstats", dir.file("close.tsv"), "--out", dir.file("c")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "950 of 1000 SNP ids found in both files have the same chromosome and position (95.0 %): "
                                "same genome build"))
        << r.err;
}

TEST(PrepareChecks, FilteredInputIsWarnedAbout)
{
    TempDir dir;
    const auto none = [](std::size_t) { return false; };
    // Every p above 0.5 divided by ten: nothing above 0.5 is left.
    write_file(dir.file("filtered.tsv"), ssf_from_examples(none, [](const std::string& p) {
                   const double v = std::stod(p);
                   char text[32];
                   std::snprintf(text, sizeof text, "%g", v > 0.5 ? v / 10 : v);
                   return std::string(text);
               }));
    write_file(dir.file("full.tsv"), ssf_from_examples(none));
    RunResult r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", dir.file("filtered.tsv"), "--out",
                           dir.file("a")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.err, "WARNING: only 0 of 1000 p-values are above 0.5")) << r.err;
    EXPECT_TRUE(contains(r.err, "look filtered")) << r.err;
    EXPECT_TRUE(contains(read_file(dir.file("a/prepare.log")), "WARNING: the input looks filtered"));
    r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", dir.file("full.tsv"), "--out", dir.file("b")});
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(contains(r.err, "WARNING")) << r.err;
}

// Writes the example chromosome `c` (genotype_chrC.txt) as PLINK set
// `prefix` and as VCF `vcf`; allele 1 is A1 / ALT.
void write_reference(const std::string& c, const std::string& prefix, const std::string& vcf)
{
    const auto genotypes = lines_of(read_file(kExamples + "genotype_chr" + c + ".txt"));
    const auto samples = split(genotypes[0]);
    const std::size_t n = samples.size() - 2;
    std::string bed = "\x6c\x1b\x01", bim, fam;
    std::string text = "##fileformat=VCFv4.2\n##contig=<ID=" + c +
                       ">\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                       "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (std::size_t i = 0; i < n; ++i) {
        fam += "F" + samples[i + 2] + " " + samples[i + 2] + " 0 0 1 -9\n";
        text += "\t" + samples[i + 2];
    }
    text += "\n";
    static const char kBits[] = {1, 3, 2, 0};  // code + 1 -> .bed bits
    static const char* const kCalls[] = {"./.", "0/0", "0/1", "1/1"};
    for (std::size_t r = 1; r < genotypes.size(); ++r) {
        const auto f = split(genotypes[r]);
        const std::string a1 = r % 2 ? "A" : "C", a2 = r % 2 ? "G" : "T";
        bim += c + "\t" + f[0] + "\t0\t" + f[1] + "\t" + a1 + "\t" + a2 + "\n";
        text += c + "\t" + f[1] + "\t" + f[0] + "\t" + a2 + "\t" + a1 + "\t.\t.\t.\tGT";
        std::string bytes((n + 3) / 4, '\0');
        for (std::size_t i = 0; i < n; ++i) {
            const int code = std::stoi(f[i + 2]);
            bytes[i / 4] = static_cast<char>(bytes[i / 4] | kBits[code + 1] << (2 * (i % 4)));
            text += std::string("\t") + kCalls[code + 1];
        }
        bed += bytes;
        text += "\n";
    }
    write_file(prefix + ".bed", bed);
    write_file(prefix + ".bim", bim);
    write_file(prefix + ".fam", fam);
    write_file(vcf, text);
}

// A table in no known layout (named columns needed) for both chromosomes.
std::string custom_sumstats()
{
    std::string text = "marker,chrom,bp,eff,ref,pval\n";
    for (const std::string c : {"1", "2"}) {
        const auto legend = lines_of(read_file(kExamples + "legend_chr" + c + ".txt"));
        for (std::size_t r = 1; r < legend.size(); ++r) {
            const auto f = split(legend[r]);
            text += f[0] + ",chr" + c + "," + f[1] + "," + (r % 2 ? "A,G," : "C,T,") + f[2] + "\n";
        }
    }
    return text;
}

class ChromosomeSets : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const std::string c : {"1", "2"})
            write_reference(c, dir.file("ref_chr" + c), dir.file("ref_chr" + c + ".vcf"));
        std::string text = custom_sumstats();
        for (char& ch : text)
            if (ch == ',')
                ch = '\t';
        write_file(dir.file("custom.txt"), text);
    }
    void expect_examples(const std::string& out)
    {
        for (const std::string c : {"1", "2"}) {
            EXPECT_EQ(read_file(out + "/legend_chr" + c + ".txt"), read_file(kExamples + "legend_chr" + c + ".txt"));
            EXPECT_EQ(read_file(out + "/genotype_chr" + c + ".txt"), read_file(kExamples + "genotype_chr" + c + ".txt"));
        }
    }
    std::vector<std::string> columns() const
    {
        return {"--sumstats", dir.file("custom.txt"), "--col-id", "marker", "--col-chr", "chrom", "--col-pos",
                "bp",         "--col-a1",             "eff",      "--col-a2", "ref",   "--col-p",   "pval", "--plain"};
    }
    TempDir dir;
};

TEST_F(ChromosomeSets, PlinkSetPerChromosome)
{
    auto args = columns();
    for (const std::string& a : {std::string("--bfile"), dir.file("ref_chr@"), std::string("--out"), dir.file("p")})
        args.push_back(a);
    const RunResult r = prepare(args);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_examples(dir.file("p"));
    const std::string log = read_file(dir.file("p/prepare.log"));
    EXPECT_TRUE(contains(log, dir.file("ref_chr2.bim"))) << log;
    EXPECT_TRUE(contains(log, "format: custom")) << log;
}

TEST_F(ChromosomeSets, VcfPerChromosomeAndBcf)
{
    auto args = columns();
    for (const std::string& a : {std::string("--vcf"), dir.file("ref_chr@.vcf"), std::string("--out"), dir.file("v")})
        args.push_back(a);
    RunResult r = prepare(args);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_examples(dir.file("v"));

    const RunResult which = run_command("/bin/sh", {"-c", "command -v bcftools"});
    if (which.status != 0)
        GTEST_SKIP() << "bcftools is not installed: the BCF input is not tried";
    const std::string bcftools = lines_of(which.out)[0];
    for (const std::string c : {"1", "2"})
        ASSERT_EQ(run_command(bcftools, {"view", "-Ob", "-o", dir.file("ref_chr" + c + ".bcf"),
                                         dir.file("ref_chr" + c + ".vcf")})
                      .status,
                  0);
    args = columns();
    for (const std::string& a : {std::string("--vcf"), dir.file("ref_chr@.bcf"), std::string("--out"), dir.file("b")})
        args.push_back(a);
    r = prepare(args);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_examples(dir.file("b"));
}

TEST(PrepareGenes, GeneListAndPathwaysWritten)
{
    TempDir dir;
    write_file(dir.file("genes.loc"), "101\t1\t1030778\t1076453\t+\tGENE001\n102\t1\t1050048\t1087613\t-\tGENE002\n");
    write_file(dir.file("sets.gmt"), "SET1\tfirst set\tGENE001\tNOPE\nSET2\tsecond\tGENE002\n");
    write_file(dir.file("s.tsv"), ssf_from_examples([](std::size_t) { return false; }));
    const RunResult r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", dir.file("s.tsv"), "--genes",
                                 dir.file("genes.loc"), "--gene-sets", dir.file("sets.gmt"), "--out", dir.file("o"),
                                 "--plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(read_file(dir.file("o/genelist.txt")), "1\t101\t1030778\t1076454\tGENE001\n"));
    EXPECT_TRUE(contains(read_file(dir.file("o/pathways.txt")), "SET1\tfirst set\tGENE001\tNOPE\n"));
    const std::string log = read_file(dir.file("o/prepare.log"));
    EXPECT_TRUE(contains(log, "  SET1\t1 of 2\n")) << log;
    EXPECT_TRUE(contains(log, "2 genes written to genelist.txt")) << log;
    // The programs read what prepare wrote.
    const RunResult genes = run_program("kesto_pw", {"-p", dir.file("o/pathways.txt"), "-g", dir.file("o/genelist.txt"),
                                                     "-o", dir.file("pw.out"), "-l", dir.file("o/"), "-G",
                                                     dir.file("o/"), "-a", "0.05", "-v", "0.8", "-f", "20000"});
    EXPECT_EQ(genes.status, 0) << genes.err;
    EXPECT_EQ(lines_of(read_file(dir.file("pw.out"))).size(), 3u);
}

// --- Real files of the field's tools -----------------------------------------

std::string tool(const std::string& name)
{
    const RunResult which = run_command("/bin/sh", {"-c", "command -v " + name});
    return which.status == 0 ? lines_of(which.out)[0] : std::string();
}

// A quantitative and a case/control phenotype for the 200 example individuals.
void write_phenotypes(const std::string& path)
{
    std::string text = "FID IID QT CC\n";
    unsigned long state = 12345;
    for (const std::string& line : lines_of(read_file(kExamples + "scan_chr1.fam"))) {
        const auto f = words(line);
        state = state * 6364136223846793005UL + 1442695040888963407UL;
        const double x = static_cast<double>(state >> 11) / 9007199254740992.0;
        text += f[0] + " " + f[1] + " " + std::to_string(x) + " " + (x < 0.5 ? "1" : "2") + "\n";
    }
    write_file(path, text);
}

// Every genotype row written equals the example row of the same SNP.
void expect_example_rows(const std::string& genotype_file, std::size_t at_least)
{
    std::map<std::string, std::string> rows;
    for (const std::string& line : lines_of(read_file(kExamples + "genotype_chr1.txt")))
        rows[line.substr(0, line.find('\t'))] = line;
    const auto got = lines_of(read_gz(genotype_file));
    ASSERT_GE(got.size(), at_least + 1);
    EXPECT_EQ(got[0], rows["snp_id"]);
    for (std::size_t i = 1; i < got.size(); ++i)
        ASSERT_EQ(got[i], rows[got[i].substr(0, got[i].find('\t'))]) << genotype_file << " line " << i + 1;
}

TEST(PreparePeerTools, Plink19AssocAndQassoc)
{
    const std::string plink = tool("plink1.9");
    if (plink.empty())
        GTEST_SKIP() << "plink1.9 is not installed: PLINK 1.9 association files are not tried";
    TempDir dir;
    write_phenotypes(dir.file("pheno.txt"));
    for (const std::string pheno : {"QT", "CC"}) {
        SCOPED_TRACE(pheno);
        const RunResult run = run_command(plink, {"--bfile", kExamples + "scan_chr1", "--pheno", dir.file("pheno.txt"),
                                                  "--pheno-name", pheno, "--assoc", "--allow-no-sex", "--out",
                                                  dir.file(pheno)});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const std::string result = dir.file(pheno + (pheno == "QT" ? ".qassoc" : ".assoc"));
        const RunResult r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", result, "--out",
                                     dir.file("o" + pheno)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(read_file(dir.file("o" + pheno + "/prepare.log")), "format: PLINK 1.9 .assoc"));
        // Monomorphic SNPs get P = NA from PLINK: left out as p missing.
        expect_example_rows(dir.file("o" + pheno + "/genotype_chr1.txt.gz"), 950);
        for (const auto& entry : exclusions(dir.file("o" + pheno + "/excluded.tsv.gz")))
            EXPECT_EQ(entry.second, std::vector<std::string>{"p_missing"}) << entry.first;
        // The legend carries PLINK's own p-values.
        std::map<std::string, std::string> p;
        const auto table = lines_of(read_file(result));
        for (std::size_t i = 1; i < table.size(); ++i) {
            const auto f = words(table[i]);
            p[f[1]] = f[8];  // P is the ninth column of both
        }
        for (const std::string& line : lines_of(read_gz(dir.file("o" + pheno + "/legend_chr1.txt.gz")))) {
            const auto f = split(line);
            if (f[0] != "snp_id") {
                ASSERT_EQ(f[2], p[f[0]]) << f[0];
            }
        }
    }
}

TEST(PreparePeerTools, Plink2GlmAndVcfThroughBcftools)
{
    const std::string plink2 = tool("plink2");
    if (plink2.empty())
        GTEST_SKIP() << "plink2 is not installed: PLINK 2 .glm and VCF files are not tried";
    TempDir dir;
    write_phenotypes(dir.file("pheno.txt"));
    RunResult run = run_command(plink2, {"--bfile", kExamples + "scan_chr1", "--pheno", dir.file("pheno.txt"),
                                         "--pheno-name", "QT", "--glm", "allow-no-covars", "--out", dir.file("g")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    run = run_command(plink2, {"--bfile", kExamples + "scan_chr1", "--export", "vcf", "bgz", "id-paste=iid", "--out",
                               dir.file("ref")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const std::string glm = dir.file("g.QT.glm.linear");
    RunResult r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", glm, "--out", dir.file("a")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(read_file(dir.file("a/prepare.log")), "format: PLINK 2 .glm"));
    expect_example_rows(dir.file("a/genotype_chr1.txt.gz"), 950);

    // The VCF plink2 wrote gives the same files as the PLINK set.
    r = prepare({"--vcf", dir.file("ref.vcf.gz"), "--sumstats", glm, "--out", dir.file("b")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"legend_chr1.txt.gz", "genotype_chr1.txt.gz", "excluded.tsv.gz"})
        EXPECT_EQ(read_gz(dir.file(std::string("b/") + name)), read_gz(dir.file(std::string("a/") + name))) << name;

    const std::string bcftools = tool("bcftools");
    if (bcftools.empty())
        GTEST_SKIP() << "bcftools is not installed: BCF input is not tried";
    run = run_command(bcftools, {"view", "-Ob", "-o", dir.file("ref.bcf"), dir.file("ref.vcf.gz")});
    ASSERT_EQ(run.status, 0) << run.err;
    r = prepare({"--vcf", dir.file("ref.bcf"), "--sumstats", glm, "--out", dir.file("c")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_gz(dir.file("c/genotype_chr1.txt.gz")), read_gz(dir.file("a/genotype_chr1.txt.gz")));
}

} // namespace
