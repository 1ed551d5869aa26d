// kesto prepare end to end: every summary-statistics layout prepared against
// the bundled PLINK set gives back the simulator's own legend and genotype
// files, so the analysis programs give the same results.
#include "test_support.h"

#include <gtest/gtest.h>

#include <htslib/bgzf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
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



// One SNP of the example chromosome 1: the .bim row and the legend p text.
struct ExampleSnp {
    std::string id, a1, a2, p;
    long position;
};

const std::vector<ExampleSnp>& example_snps()
{
    static const std::vector<ExampleSnp> snps = [] {
        std::vector<ExampleSnp> out;
        const auto bim = lines_of(read_file(kExamples + "scan_chr1.bim"));
        const auto legend = lines_of(read_file(kExamples + "legend_chr1.txt"));
        for (std::size_t i = 0; i < bim.size(); ++i) {
            const auto b = split(bim[i]);
            const auto l = split(legend[i + 1]);
            out.push_back(ExampleSnp{b[1], b[4], b[5], l[2], std::stol(b[3])});
        }
        return out;
    }();
    return snps;
}

std::string flip(const std::string& allele)
{
    std::string out = allele;
    for (char& c : out)
        c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : 'C';
    return out;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string log10_text(const std::string& p)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", -std::log10(std::stod(p)));
    return text;
}

// A table of the example SNPs in one tool's layout.
struct Layout {
    std::string name, file, header;
    std::function<std::string(const ExampleSnp&, std::size_t)> row;
    bool exact_p;   // the p text survives (a p column, not -log10 p)
};

std::vector<Layout> layouts()
{
    return {
        {"plink1_assoc", "t.assoc", " CHR SNP BP A1 F_A F_U A2 CHISQ P OR",
         [](const ExampleSnp& s, std::size_t) {
             return " 1 " + s.id + " " + std::to_string(s.position) + " " + s.a1 + " 0.2 0.1 " + s.a2 +
                    " 1.5 " + s.p + " 1.1";
         },
         true},
        {"plink1_qassoc", "t.qassoc", " CHR SNP BP NMISS BETA SE R2 T P",
         [](const ExampleSnp& s, std::size_t) {
             return " 1 " + s.id + " " + std::to_string(s.position) + " 198 0.1 0.2 0.001 0.5 " + s.p;
         },
         true},
        {"plink1_logistic", "t.assoc.logistic", " CHR SNP BP A1 TEST NMISS OR STAT P",
         [](const ExampleSnp& s, std::size_t) {
             const std::string front = " 1 " + s.id + " " + std::to_string(s.position) + " " + s.a1;
             return front + " ADD 198 1.1 0.5 " + s.p + "\n" + front + " DOMDEV 198 1.2 0.4 0.0001";
         },
         true},
        {"plink2_glm", "t.PHENO1.glm.linear", "#CHROM\tPOS\tID\tREF\tALT\tA1\tTEST\tOBS_CT\tBETA\tSE\tT_STAT\tP\tERRCODE",
         [](const ExampleSnp& s, std::size_t) {
             return "1\t" + std::to_string(s.position) + "\t" + s.id + "\t" + s.a2 + "\t" + s.a1 + "\t" + s.a1 +
                    "\tADD\t200\t0.1\t0.2\t0.5\t" + s.p + "\t.";
         },
         true},
        {"regenie", "t.regenie", "CHROM GENPOS ID ALLELE0 ALLELE1 A1FREQ N TEST BETA SE CHISQ LOG10P EXTRA",
         [](const ExampleSnp& s, std::size_t) {
             return "1 " + std::to_string(s.position) + " " + s.id + " " + s.a2 + " " + s.a1 +
                    " 0.3 200 ADD 0.1 0.2 1.5 " + log10_text(s.p) + " NA";
         },
         false},
        {"saige", "t.saige", "CHR\tPOS\tMarkerID\tAllele1\tAllele2\tAC_Allele2\tAF_Allele2\tN\tBETA\tSE\tTstat\tvar\tp.value",
         // chr-prefixed names, every third SNP given on the other strand
         [](const ExampleSnp& s, std::size_t i) {
             const bool other = i % 3 == 0;
             return "chr1\t" + std::to_string(s.position) + "\t" + s.id + "\t" + (other ? flip(s.a2) : s.a2) +
                    "\t" + (other ? flip(s.a1) : s.a1) + "\t30\t0.1\t200\t0.1\t0.2\t1\t2\t" + s.p;
         },
         true},
        {"bolt", "t.bolt", "SNP\tCHR\tBP\tGENPOS\tALLELE1\tALLELE0\tA1FREQ\tF_MISS\tBETA\tSE\tP_BOLT_LMM_INF\tP_BOLT_LMM",
         [](const ExampleSnp& s, std::size_t) {
             return s.id + "\t1\t" + std::to_string(s.position) + "\t0.01\t" + s.a1 + "\t" + s.a2 +
                    "\t0.3\t0.01\t0.1\t0.2\t0.9\t" + s.p;
         },
         true},
        {"gwas_ssf", "t.tsv", "chromosome\tbase_pair_location\teffect_allele\tother_allele\tbeta\tstandard_error\teffect_allele_frequency\tp_value\trsid",
         // alleles in either order
         [](const ExampleSnp& s, std::size_t i) {
             const bool swap = i % 2 == 1;
             return "1\t" + std::to_string(s.position) + "\t" + (swap ? s.a2 : s.a1) + "\t" + (swap ? s.a1 : s.a2) +
                    "\t0.1\t0.2\t0.3\t" + s.p + "\t" + s.id;
         },
         true},
        {"metal", "t.metal", "MarkerName\tAllele1\tAllele2\tEffect\tStdErr\tP-value\tDirection",
         // no positions: matched by id; METAL writes alleles in lower case
         [](const ExampleSnp& s, std::size_t) {
             return s.id + "\t" + lower(s.a1) + "\t" + lower(s.a2) + "\t0.1\t0.2\t" + s.p + "\t+-";
         },
         true},
    };
}

std::string write_layout(const TempDir& dir, const Layout& layout, bool reversed = false)
{
    std::string text = layout.header + "\n";
    const auto& snps = example_snps();
    for (std::size_t k = 0; k < snps.size(); ++k) {
        const std::size_t i = reversed ? snps.size() - 1 - k : k;
        text += layout.row(snps[i], i) + "\n";
    }
    write_file(dir.file(layout.file), text);
    return dir.file(layout.file);
}

RunResult prepare(const std::vector<std::string>& args, const std::string& workdir = ".")
{
    std::vector<std::string> all = {"prepare"};
    all.insert(all.end(), args.begin(), args.end());
    return run_program("kesto", all, workdir);
}

// The example gene list without its chromosome 2 genes (the PLINK set holds
// chromosome 1 only).
std::string chr1_genes(const TempDir& dir)
{
    std::string text;
    for (const std::string& line : lines_of(read_file(kExamples + "genelist.txt")))
        if (text.empty() || line.compare(0, 2, "1\t") == 0)
            text += line + "\n";
    write_file(dir.file("genes_chr1.txt"), text);
    return dir.file("genes_chr1.txt");
}

// kesto_genelist on a reference folder; the result file's text.
std::string genelist_result(const TempDir& dir, const std::string& genes, const std::string& reference,
                            const std::string& name)
{
    const RunResult r = run_program("kesto_genelist", {"-g", genes, "-o", dir.file(name), "-l", reference, "-G",
                                                       reference, "-a", "0.05", "-v", "0.8", "-f", "20000"});
    EXPECT_EQ(r.status, 0) << r.err;
    return read_file(dir.file(name));
}

TEST(Prepare, EveryLayoutGivesTheSimulatorsFilesAndResults)
{
    TempDir dir;
    const std::string genes = chr1_genes(dir);
    const std::string expected = genelist_result(dir, genes, kExamples, "expected.out");
    for (const Layout& layout : layouts()) {
        SCOPED_TRACE(layout.name);
        const std::string sumstats = write_layout(dir, layout);
        const std::string out = dir.file("out_" + layout.name);
        const RunResult r = prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", sumstats, "--out", out, "--plain"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(r.err, "1000 of 1000 summary-statistics rows matched")) << r.err;
        EXPECT_EQ(read_file(out + "/genotype_chr1.txt"), read_file(kExamples + "genotype_chr1.txt"));
        if (layout.exact_p) {
            EXPECT_EQ(read_file(out + "/legend_chr1.txt"), read_file(kExamples + "legend_chr1.txt"));
        }
        EXPECT_EQ(genelist_result(dir, genes, out + "/", "got.out"), expected);
        EXPECT_EQ(read_gz(out + "/excluded.tsv.gz"), "id\tchromosome\tposition\talleles\treason\tline\n");
        EXPECT_EQ(contains(r.err, "1000 rows of other tests than the additive one (TEST column) skipped"),
                  layout.name == "plink1_logistic")
            << r.err;
    }
}

TEST(Prepare, PathwayAndWindowProgramsGiveTheSameResults)
{
    TempDir dir;
    const Layout layout = layouts()[0];
    const std::string out = dir.file("out");
    ASSERT_EQ(prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", write_layout(dir, layout), "--out", out,
                       "--plain"})
                  .status,
              0);
    const std::string genes = chr1_genes(dir);
    for (const std::string& reference : {kExamples, out + "/"}) {
        const std::string tag = reference == kExamples ? "a" : "b";
        EXPECT_EQ(run_program("kesto_pw", {"-p", kExamples + "pathways.txt", "-g", genes, "-o", dir.file("pw_" + tag),
                                           "-l", reference, "-G", reference, "-a", "0.05", "-v", "0.8", "-f", "20000"})
                      .status,
                  0);
        EXPECT_EQ(run_program("kesto_matrix", {"-s", reference + "legend_chr1.txt", "-g", reference + "genotype_chr1.txt",
                                               "-o", dir.file("win_" + tag), "-l", dir.file("log_" + tag), "-a", "0.05",
                                               "-v", "0.8", "-w", "100000", "-t", "50000", "-S", "-1", "-E", "-1"})
                      .status,
                  0);
    }
    EXPECT_EQ(read_file(dir.file("pw_a")), read_file(dir.file("pw_b")));
    EXPECT_EQ(read_file(dir.file("win_a")), read_file(dir.file("win_b")));
    EXPECT_GT(lines_of(read_file(dir.file("win_a"))).size(), 10u);
}

TEST(Prepare, CompressedOutputHoldsThePlainText)
{
    TempDir dir;
    const std::string sumstats = write_layout(dir, layouts()[3], true);  // rows in reverse order
    ASSERT_EQ(prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", sumstats, "--out", dir.file("gz")}).status, 0);
    EXPECT_EQ(read_gz(dir.file("gz/legend_chr1.txt.gz")), read_file(kExamples + "legend_chr1.txt"));
    EXPECT_EQ(read_gz(dir.file("gz/genotype_chr1.txt.gz")), read_file(kExamples + "genotype_chr1.txt"));
    EXPECT_FALSE(file_exists(dir.file("gz/legend_chr1.txt")));
    const std::string log = read_file(dir.file("gz/prepare.log"));
    EXPECT_TRUE(contains(log, "format: PLINK 2 .glm (recognised from the header)")) << log;
    EXPECT_TRUE(contains(log, "  1\t1000\t1000\n")) << log;
    EXPECT_TRUE(contains(log, "same genome build")) << log;
}

// Threads parse the summary statistics (read ahead from a gzip file) and
// deflate the outputs' blocks: the files are the same bytes with any number.
TEST(Prepare, ThreadsWriteTheSameFiles)
{
    TempDir dir;
    const std::string sumstats = write_layout(dir, layouts()[3], true);
    ASSERT_EQ(std::system(("gzip -c " + sumstats + " > " + sumstats + ".gz").c_str()), 0);
    std::map<std::string, std::string> first;
    for (const char* threads : {"1", "2", "3"}) {
        const std::string out = dir.file(std::string("t") + threads);
        const RunResult r =
            prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", sumstats + ".gz", "--out", out, "--threads", threads});
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* name : {"legend_chr1.txt.gz", "genotype_chr1.txt.gz", "excluded.tsv.gz"}) {
            const std::string bytes = read_file(out + "/" + name);
            if (first.count(name) == 0)
                first[name] = bytes;
            EXPECT_EQ(bytes, first[name]) << name << " with " << threads << " threads";
        }
    }
    // The genotype text spans several compressed blocks, which the threads share.
    EXPECT_GT(read_gz(dir.file("t1/genotype_chr1.txt.gz")).size(), 4u * 65536u);
    EXPECT_EQ(read_gz(dir.file("t3/genotype_chr1.txt.gz")), read_file(kExamples + "genotype_chr1.txt"));
    EXPECT_EQ(prepare({"--bfile", kExamples + "scan_chr1", "--sumstats", sumstats, "--out", dir.file("t0"),
                       "--threads", "0"})
                  .status,
              2);
}

} // namespace

namespace {

TEST(KestoCommandLine, HelpVersionAndBadWords)
{
    RunResult r = run_program("kesto", {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("kesto ") + KESTO_VERSION + "\n");
    r = run_program("kesto", {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "prepare")) << r.out;
    EXPECT_EQ(r.err, "");
    r = run_program("kesto", {"prepare", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--bfile PREFIX", "--vcf FILE", "--keep FILE", "--sumstats FILE", "--match",
                               "--drop-ambiguous", "--allow-build-mismatch", "--genes FILE", "--out DIR", "--plain"})
        EXPECT_TRUE(contains(r.out, option)) << option;
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{}, {"bogus"}, {"prepare", "--bogus"}, {"prepare", "--match", "near"}}) {
        r = run_program("kesto", words);
        EXPECT_EQ(r.status, 2) << (words.empty() ? "" : words.back());
        EXPECT_NE(r.err, "");
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
