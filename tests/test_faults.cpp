// Fault suite: the built programs on broken inputs, odd settings, hostile
// names and outputs that cannot be written. Every case checks that nothing
// crashes, that the message names the file (and line), that the exit status is
// the documented one, and that every row in the result file is whole and holds
// the same numbers as a run on sound input.

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kesto_test::bin_path;
using kesto_test::file_exists;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

using kesto_test::contains;
using kesto_test::lines_of;

std::vector<std::string> tab_fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// Every line ends in a newline and holds `fields` tab-separated fields, with
// no carriage return anywhere.
::testing::AssertionResult whole_rows(const std::string& text, std::size_t fields)
{
    if (!text.empty() && text.back() != '\n')
        return ::testing::AssertionFailure() << "last line has no newline:\n" << text;
    if (contains(text, "\r"))
        return ::testing::AssertionFailure() << "carriage return in:\n" << text;
    for (const std::string& line : lines_of(text)) {
        if (tab_fields(line).size() != fields)
            return ::testing::AssertionFailure() << "not " << fields << " fields: '" << line << "'";
    }
    return ::testing::AssertionSuccess();
}

// The value fields (after the first `skip`) are whole numbers, numbers from 0
// to 1 where `p` says so, -1 or NA; never nan or inf.
::testing::AssertionResult sound_numbers(const std::string& text, std::size_t skip)
{
    const std::vector<std::string> lines = lines_of(text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = tab_fields(lines[i]);
        for (std::size_t f = skip; f < fields.size(); ++f) {
            const std::string& v = fields[f];
            if (v == "NA")
                continue;
            char* end = nullptr;
            const double x = std::strtod(v.c_str(), &end);
            if (end == v.c_str() || *end != '\0' || !(x == x) || x > 1e300 || x < -1e300)
                return ::testing::AssertionFailure() << "'" << v << "' in '" << lines[i] << "'";
            if (f + 1 == fields.size() && !(x == -1.0 || (x >= 0.0 && x <= 1.0)))
                return ::testing::AssertionFailure() << "p-value " << v << " in '" << lines[i] << "'";
        }
    }
    return ::testing::AssertionSuccess();
}

std::string replace_all(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string crlf(const std::string& text) { return replace_all(text, "\n", "\r\n"); }

// Binary garbage: every byte value, NUL, CR, quotes, tabs and blanks among
// them, in a fixed scrambled order.
std::string garbage()
{
    std::string bytes;
    std::uint32_t state = 7;
    for (int i = 0; i < 3000; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes.push_back(static_cast<char>(state >> 24));
    }
    return bytes;
}

// ------------------------------------------------------------ reference data

// Four SNPs of six individuals; rs1 and rs3 are hits at alpha 0.05.
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

const std::string kGeneHeader = "chromosome\tid\tstart\tend\tname\n";
const std::string kGenelistHeader = "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n";
const std::string kPathwayHeader = "Pathway_no\tPathway_name\tncritical\tnsignificant\tregional_p\n";
const std::string kWindowHeader = "reg_start\treg_end\tnsnp\tnhit\tregp\n";

// Gene A on chromosome 1 and gene B on chromosome 2 cover all four SNPs of
// their chromosome; both chromosomes start out with the same sound files.
const std::string kGenes = kGeneHeader + "1\tg1\t100\t400\tA\n2\tg2\t100\t400\tB\n";
const std::string kRowA = "1\t100\t400\tA\t2\t1.14978\t0.0832706\n";
const std::string kRowB = "2\t100\t400\tB\t2\t1.14978\t0.0832706\n";
const std::string kPathways = "P1\tboth\tA\tB\nP2\tonly B\tB\n";
const std::string kRowP1 = "P1\tboth\t4\t2.29957\t0.00996338\n";
const std::string kRowP2 = "P2\tonly B\t2\t1.14978\t0.0832706\n";

// A folder holding the reference files of both chromosomes under ref/, the
// gene list and the pathway file.
class Reference {
public:
    Reference()
    {
        std::filesystem::create_directories(dir.file("ref"));
        for (const char* c : {"1", "2"}) {
            write_file(legend(c), kLegend);
            write_file(genotype(c), kGenotypes);
        }
        write_file(dir.file("genes.txt"), kGenes);
        write_file(dir.file("pw.txt"), kPathways);
    }
    std::string legend(const std::string& c) const { return dir.file("ref/legend_chr" + c + ".txt"); }
    std::string genotype(const std::string& c) const { return dir.file("ref/genotype_chr" + c + ".txt"); }

    RunResult genelist(const std::string& alpha = "0.05", const std::string& share = "0.8",
                       const std::string& flank = "0", const std::string& out = "out.txt") const
    {
        return run_program("kesto_genelist", {"-g", "genes.txt", "-o", out, "-l", "ref/", "-G", "ref/", "-a", alpha,
                                              "-v", share, "-f", flank},
                           dir.path());
    }
    RunResult pathways(const std::string& alpha = "0.05", const std::string& share = "0.8",
                       const std::string& flank = "0", const std::string& out = "out.txt") const
    {
        return run_program("kesto_pw", {"-p", "pw.txt", "-g", "genes.txt", "-o", out, "-l", "ref/", "-G", "ref/",
                                        "-a", alpha, "-v", share, "-f", flank},
                           dir.path());
    }
    std::string result() const { return read_file(dir.file("out.txt")); }

    TempDir dir;
};

std::vector<std::string> matrix_args(const std::string& table, const std::string& genotype,
                                     const std::string& alpha = "0.05", const std::string& share = "0.8",
                                     const std::string& width = "250", const std::string& step = "50",
                                     const std::string& out = "r.out", const std::string& log = "r.log")
{
    return {"-s", table, "-g", genotype, "-o", out, "-l", log, "-a", alpha, "-v", share,
            "-w", width, "-t", step, "-S", "-1", "-E", "-1"};
}

// kesto_matrix over kLegend/kGenotypes: windows 100-350 (rs1 to rs3, as gene
// A) and 150-400 (rs2 and rs3).
const std::string kMatrixRows = kWindowHeader + "100\t350\t2\t1.14978\t0.0832706\n150\t400\t2\t1\t0.0975\n";

// ------------------------------------------------------------ sound baseline

TEST(FaultBaseline, SoundInputsGiveTheExpectedRows)
{
    // The rows every case below is compared with.
    Reference ref;
    RunResult r = ref.genelist();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ref.result(), kGenelistHeader + kRowA + kRowB);
    r = ref.pathways();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ref.result(), kPathwayHeader + kRowP1 + kRowP2);
    r = run_program("kesto_matrix", matrix_args("ref/legend_chr1.txt", "ref/genotype_chr1.txt"), ref.dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(ref.dir.file("r.out")), kMatrixRows);
}

// ------------------------------------------------------------ broken reference files

TEST(BrokenReferenceFiles, OnlyTheAffectedChromosomeLosesItsResult)
{
    // Chromosome 1's legend or genotype file is damaged; chromosome 2 stays
    // sound. Gene A and pathway P1's first region lose their result, with a
    // message naming the file (and line); every other row keeps its numbers.
    const std::string rows = kGenotypes.substr(0, kGenotypes.size() - 1);  // without the last newline
    struct Case {
        const char* name;
        bool legend;  // else the genotype file
        std::string content;
        const char* message;
        const char* ending;  // of gene A's row
    };
    const std::vector<Case> cases = {
        {"empty legend", true, "", "ref/legend_chr1.txt: no SNP lines after the header", "0\t0\t-1"},
        {"legend of garbage", true, garbage(), "ref/legend_chr1.txt line ", "0\t0\tNA"},
        {"legend position above 32 bits", true, replace_all(kLegend, "\t300\t", "\t4294967296\t"),
         "ref/legend_chr1.txt line 4: position '4294967296' is not a whole number", "0\t0\tNA"},
        {"legend position not a number", true, replace_all(kLegend, "\t300\t", "\t3e2\t"),
         "ref/legend_chr1.txt line 4: position '3e2'", "0\t0\tNA"},
        {"legend position below -2^31", true, replace_all(kLegend, "\t300\t", "\t-2147483649\t"),
         "ref/legend_chr1.txt line 4: position '-2147483649'", "0\t0\tNA"},
        {"empty genotype file", false, "", "ref/genotype_chr1.txt line 1: the header needs 2 leading fields",
         "0\t0\tNA"},
        {"genotype header only", false, "id\tpos\ta\tb\tc\td\te\tf\n",
         "ref/genotype_chr1.txt line 2: missing; the file ends after 0 data rows", "0\t0\tNA"},
        {"genotype file of garbage", false, garbage(), "ref/genotype_chr1.txt line ", "0\t0\tNA"},
        {"genotype cut inside the last row", false, rows.substr(0, rows.size() - 3),
         "ref/genotype_chr1.txt line 5: 5 codes, but the header announces 6", "0\t0\tNA"},
        {"genotype cut inside a number", false, rows.substr(0, rows.size() - 1),
         "ref/genotype_chr1.txt line 5: code 6 is not a whole number", "0\t0\tNA"},
        {"genotype cut inside a label", false, kGenotypes.substr(0, kGenotypes.find("rs4") + 5),
         "ref/genotype_chr1.txt line 5: expected 2 leading fields", "0\t0\tNA"},
        {"genotype cut inside the header", false, "id\tpos\ta\tb",
         "ref/genotype_chr1.txt line 2: missing; the file ends after 0 data rows", "0\t0\tNA"},
        {"NUL inside a row", false, replace_all(kGenotypes, "rs2\t200\t0\t1", std::string("rs2\t200\t0\t1\0", 12)),
         "ref/genotype_chr1.txt line 3: code 2 is not a whole number", "0\t0\tNA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reference ref;
        write_file(c.legend ? ref.legend("1") : ref.genotype("1"), c.content);

        RunResult r = ref.genelist();
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
        const std::string genes = ref.result();
        EXPECT_TRUE(whole_rows(genes, 7));
        EXPECT_EQ(genes, kGenelistHeader + "1\t100\t400\tA\t" + c.ending + "\n" + kRowB);

        r = ref.pathways();
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
        const bool unevaluated = std::string(c.ending).find("NA") != std::string::npos;
        EXPECT_EQ(contains(r.err, "pathway P1 (pw.txt line 1): 1 of 2 regions could not be evaluated"), unevaluated)
            << r.err;
        EXPECT_EQ(ref.result(), kPathwayHeader + "P1\tboth\t2\t1.14978\t0.0832706\n" + kRowP2);

        // kesto_matrix reads the same layouts and stops before any window.
        r = run_program("kesto_matrix", matrix_args("ref/legend_chr1.txt", "ref/genotype_chr1.txt"),
                        ref.dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.err, "kesto_matrix: ref/")) << r.err;
        EXPECT_EQ(read_file(ref.dir.file("r.out")), "");
    }
}

TEST(BrokenInputs, EmptyOrGarbageListsGiveNoRowsAndNoCrash)
{
    struct Case {
        const char* name;
        const char* file;
        std::string content;
    };
    const std::vector<Case> cases = {
        {"empty gene list", "genes.txt", ""},
        {"gene list of garbage", "genes.txt", garbage()},
        {"empty pathway file", "pw.txt", ""},
        {"pathway file of garbage", "pw.txt", garbage()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reference ref;
        write_file(ref.dir.file(c.file), c.content);
        const bool gene_list = std::string(c.file) == "genes.txt";

        RunResult r = ref.genelist();
        EXPECT_EQ(r.status, 0);
        const std::string genes = ref.result();
        EXPECT_TRUE(whole_rows(genes, 7));
        EXPECT_EQ(genes, kGenelistHeader + (gene_list ? "" : kRowA + kRowB));

        r = ref.pathways();
        EXPECT_EQ(r.status, 0);
        const std::string pathways = ref.result();
        EXPECT_TRUE(whole_rows(pathways, 5));
        if (gene_list) {
            // No gene is found: every pathway reads 0 0 1.
            EXPECT_EQ(pathways, kPathwayHeader + "P1\tboth\t0\t0\t1\nP2\tonly B\t0\t0\t1\n");
        } else if (c.content.empty()) {
            EXPECT_EQ(pathways, kPathwayHeader);
        } else {
            // Lines of garbage that split into two fields or more are
            // pathways without known members.
            for (const std::string& line : lines_of(pathways.substr(kPathwayHeader.size())))
                EXPECT_EQ(line.substr(line.size() - 6), "\t0\t0\t1") << line;
        }
        if (!c.content.empty()) {
            EXPECT_TRUE(contains(r.err, c.file + std::string(" line "))) << r.err;
        }
    }
}

TEST(BrokenInputs, OtherCodesAreMissingGenotypes)
{
    // Codes other than 0, 1, 2 and -1 are read and treated as missing: the
    // rows equal those with -1 in their place.
    for (const std::string code : {"3", "9", "-7", "2147483647"}) {
        SCOPED_TRACE(code);
        Reference ref;
        const std::string recoded = replace_all(kGenotypes, "\t-1\n", "\t" + code + "\n");
        ASSERT_NE(recoded, kGenotypes);
        write_file(ref.genotype("1"), recoded);
        EXPECT_EQ(ref.genelist().status, 0);
        EXPECT_EQ(ref.result(), kGenelistHeader + kRowA + kRowB);
        EXPECT_EQ(run_program("kesto_matrix", matrix_args("ref/legend_chr1.txt", "ref/genotype_chr1.txt"),
                              ref.dir.path())
                      .status,
                  0);
        EXPECT_EQ(read_file(ref.dir.file("r.out")), kMatrixRows);
    }
}

TEST(BrokenInputs, WindowsLineEndsAndTrailingBlanksReadAlike)
{
    Reference ref;
    for (const char* c : {"1", "2"}) {
        write_file(ref.legend(c), crlf(kLegend));
        // Blanks after the last code of a row (not of the header, whose
        // fields are counted).
        const std::size_t rows = kGenotypes.find('\n') + 1;
        write_file(ref.genotype(c), crlf(kGenotypes.substr(0, rows)) +
                                        replace_all(kGenotypes.substr(rows), "\n", " \t\r\n"));
    }
    write_file(ref.dir.file("genes.txt"), crlf(kGenes));
    write_file(ref.dir.file("pw.txt"), crlf(kPathways));
    RunResult r = ref.genelist();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ref.result(), kGenelistHeader + kRowA + kRowB);
    r = ref.pathways();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ref.result(), kPathwayHeader + kRowP1 + kRowP2);
    r = run_program("kesto_matrix", matrix_args("ref/legend_chr1.txt", "ref/genotype_chr1.txt"), ref.dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(ref.dir.file("r.out")), kMatrixRows);
}

TEST(BrokenInputs, QuotedFieldsWithTabsKeepEveryRowWhole)
{
    // A quoted field is one field even when it holds a tab; copied into a
    // result row, its tabs and line ends become blanks so that the row keeps
    // its columns.
    Reference ref;
    // (A CR ends a line wherever it stands, quoted or not; the legend's
    // quoted id must still name the genotype row's SNP.)
    write_file(ref.legend("1"), "id\tpos\tp\n\"rs1\"\t\"100\"\t\"0.01\"\nrs2\t200\t0.5\nrs3\t300\t0.02\nrs4\t400\t0.7\n");
    write_file(ref.dir.file("genes.txt"), kGeneHeader +
                                              "1\tg1\t\"100\"\t400\t\"A\tquoted\"\n"
                                              "\"2\"\t\"g\t2\"\t100\t400\t\"B\t\r\n"
                                              "2\tg3\t100\t400\t\"C\"\"D\"\n");
    write_file(ref.dir.file("pw.txt"), "\"P\t1\"\t\"name\twith tab\"\t\"A\tquoted\"\n\"P2\t\"\tx\t\"B\t\r\n");
    RunResult r = ref.genelist();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string genes = ref.result();
    EXPECT_TRUE(whole_rows(genes, 7));
    EXPECT_EQ(genes, kGenelistHeader +
                         "1\t100\t400\tA quoted\t2\t1.14978\t0.0832706\n"
                         "2\t100\t400\tB \t2\t1.14978\t0.0832706\n"
                         "2\t100\t400\tC\"D\t2\t1.14978\t0.0832706\n");
    r = ref.pathways();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string pathways = ref.result();
    EXPECT_TRUE(whole_rows(pathways, 5));
    // The member "B<tab>" is the name of the gene list's second line.
    EXPECT_EQ(pathways, kPathwayHeader + "P 1\tname with tab\t2\t1.14978\t0.0832706\nP2 \tx\t2\t1.14978\t0.0832706\n");
}

TEST(BrokenInputs, GenePositionsThatAreNotWholeNumbersIn32BitsAreLeftOut)
{
    Reference ref;
    const std::vector<std::string> bad = {"4294967296", "2147483648", "-2147483649", "1e5", "100x", "", " ", "0x10",
                                          "99999999999999999999"};
    std::string genes = kGeneHeader;
    for (const std::string& value : bad) {
        genes += "1\tg\t" + value + "\t400\tA\n";
        genes += "1\tg\t100\t" + value + "\tA\n";
    }
    genes += "2\tg2\t100\t400\tB\n";
    write_file(ref.dir.file("genes.txt"), genes);
    RunResult r = ref.genelist();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ref.result(), kGenelistHeader + kRowB);
    for (std::size_t line = 2; line < 2 + 2 * bad.size(); ++line)
        EXPECT_TRUE(contains(r.err, "genes.txt line " + std::to_string(line) + ": ")) << line << "\n" << r.err;
    r = ref.pathways();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ref.result(), kPathwayHeader + "P1\tboth\t2\t1.14978\t0.0832706\n" + kRowP2);
    EXPECT_TRUE(contains(r.err, "genes.txt line " + std::to_string(1 + 2 * bad.size()) + ": ")) << r.err;

    // The SNP table of kesto_matrix stops the run.
    write_file(ref.dir.file("table.txt"), replace_all(kLegend, "\t300\t", "\t4294967296\t"));
    r = run_program("kesto_matrix", matrix_args("table.txt", "ref/genotype_chr1.txt"), ref.dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "kesto_matrix: table.txt line 4: position '4294967296'")) << r.err;
    EXPECT_EQ(read_file(ref.dir.file("r.out")), "");
}

// ------------------------------------------------------------ settings

TEST(Settings, NegativeAndZeroFlanksNarrowTheRegion)
{
    Reference ref;
    // Gene 250-350 holds rs3 (300, a hit); a flank of -49 keeps 299-301, -50
    // leaves nothing, a very negative flank turns the region inside out.
    write_file(ref.dir.file("genes.txt"), kGeneHeader + "1\tg\t250\t350\tC\n");
    write_file(ref.dir.file("pw.txt"), "P\tp\tC\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "1\t1\t0.05"}, {"-49", "1\t1\t0.05"}, {"-50", "0\t0\t-1"}, {"-2147483648", "0\t0\t-1"},
        {"2147483647", "2\t0.748415\t0.324555"}};
    for (const auto& [flank, ending] : cases) {
        SCOPED_TRACE(flank);
        EXPECT_EQ(ref.genelist("0.05", "0.8", flank).status, 0);
        EXPECT_EQ(ref.result(), kGenelistHeader + "1\t250\t350\tC\t" + ending + "\n");
        EXPECT_EQ(ref.pathways("0.05", "0.8", flank).status, 0);
        // A region without SNPs adds nothing to the pathway sums.
        // (The pathway p-value is formed in single precision.)
        std::string pathway_ending = ending == std::string("0\t0\t-1") ? "0\t0\t1" : ending;
        pathway_ending = replace_all(pathway_ending, "0.324555", "0.324556");
        EXPECT_EQ(ref.result(), kPathwayHeader + "P\tp\t" + pathway_ending + "\n");
    }
}

TEST(Settings, BoundaryValuesGiveSoundNumbers)
{
    Reference ref;
    write_file(ref.dir.file("table.txt"), kLegend);
    for (const std::string alpha : {"0", "1", "1e-300"}) {
        for (const std::string share : {"0", "1"}) {
            SCOPED_TRACE("alpha " + alpha + " share " + share);
            RunResult r = ref.genelist(alpha, share);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(whole_rows(ref.result(), 7));
            EXPECT_TRUE(sound_numbers(ref.result(), 4));
            EXPECT_EQ(lines_of(ref.result()).size(), 3u);

            r = ref.pathways(alpha, share);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(whole_rows(ref.result(), 5));
            EXPECT_TRUE(sound_numbers(ref.result(), 2));
            EXPECT_EQ(lines_of(ref.result()).size(), 3u);

            r = run_program("kesto_matrix", matrix_args("table.txt", "ref/genotype_chr1.txt", alpha, share, "1", "50"),
                            ref.dir.path());
            EXPECT_EQ(r.status, 0) << r.err;
            const std::string windows = read_file(ref.dir.file("r.out"));
            EXPECT_TRUE(whole_rows(windows, 5));
            EXPECT_TRUE(sound_numbers(windows, 2));
            EXPECT_EQ(lines_of(windows).size(), 7u);  // 100-101, 150-151, ... 350-351
        }
    }
}

TEST(Settings, OutOfRangeValuesAreRefusedBeforeAnyFileIsTouched)
{
    // Cases the programs' own tests do not already hold. Nothing exists in the
    // folder, so a refusal must come before any file is looked at.
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> unit_values = {
        {"nan", "0.8"}, {"inf", "0.8"}, {"-inf", "0.8"}, {"0.05", "nan"}, {"0.05", "1.5"}, {"0.05", "-0.0001"},
        {"1.0000001", "0.8"}, {"0,05", "0.8"}, {"", "0.8"}};
    for (const auto& [alpha, share] : unit_values) {
        SCOPED_TRACE(alpha + " / " + share);
        RunResult r = run_program("kesto_pw", {"-p", "p", "-g", "g", "-o", "out", "-l", "./", "-G", "./", "-a", alpha,
                                               "-v", share, "-f", "0"},
                                  dir.path());
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(contains(r.err, "kesto_pw: ")) << r.err;
        r = run_program("kesto_matrix", matrix_args("t", "g", alpha, share), dir.path());
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(contains(r.err, "kesto_matrix: ")) << r.err;
        r = run_program("kesto_gen_v2", {"-b", "b", "-s", "s", "-o", "r.out", "-l", "r.log", "-a", alpha, "-v", share,
                                         "-w", "100", "-t", "100", "-S", "-1", "-E", "-1"},
                        dir.path());
        EXPECT_EQ(r.status, 2);
    }
    for (const std::string flank : {"-2147483649", "2147483648", "1.5", "", "0x10"}) {
        RunResult r = run_program("kesto_genelist", {"-g", "g", "-o", "out", "-l", "./", "-G", "./", "-a", "0.05",
                                                     "-v", "0.8", "-f", flank},
                                  dir.path());
        EXPECT_EQ(r.status, 2) << flank;
    }
    for (const std::string width : {"0", "-1", "-2147483648", "2147483648"}) {
        RunResult r = run_program("kesto_matrix", matrix_args("t", "g", "0.05", "0.8", width, "1"), dir.path());
        EXPECT_EQ(r.status, 2) << width;
        r = run_program("kesto_matrix", matrix_args("t", "g", "0.05", "0.8", "1", width), dir.path());
        EXPECT_EQ(r.status, 2) << width;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// ------------------------------------------------------------ outputs

TEST(Outputs, FullDiskIsAFailure)
{
    Reference ref;
    write_file(ref.dir.file("table.txt"), kLegend);
    RunResult r = ref.pathways("0.05", "0.8", "0", "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "kesto_pw: cannot write to '/dev/full'")) << r.err;

    for (const bool log : {false, true}) {
        SCOPED_TRACE(log ? "log" : "result");
        r = run_program("kesto_matrix",
                        matrix_args("table.txt", "ref/genotype_chr1.txt", "0.05", "0.8", "250", "100",
                                    log ? "r.out" : "/dev/full", log ? "/dev/full" : "r.log"),
                        ref.dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.err, "kesto_matrix: cannot write to '/dev/full'")) << r.err;
    }
}

// ------------------------------------------------------------ names

// Names of everything in `path`, one level deep.
std::set<std::string> listing(const std::string& path)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(Names, ChromosomeNamesNeverReachFilesOutsideThePrefixes)
{
    // The run happens in root/work. Sound reference files wait at the places a
    // chromosome name could lead to by climbing out of the prefix, and files
    // named like shell commands would appear if any name reached a shell.
    TempDir root;
    const std::string work = root.file("work");
    std::filesystem::create_directories(work + "/ref/legend_chr.");
    std::filesystem::create_directories(work + "/geno/genotype_chr.");
    write_file(work + "/ref/L.txt", kLegend);
    write_file(work + "/geno/L.txt", kGenotypes);
    write_file(root.file("legend_chrup.txt"), kLegend);
    write_file(root.file("genotype_chrup.txt"), kGenotypes);
    const std::vector<std::string> names = {
        "./../L",   "../legend_chrup", "..",       ".",          "/tmp/x",        "1/../1",  "chr../1",
        "$(touch i1)", "`touch i2`",   "1;touch i3", "1 && touch i4", "1|touch i5", "*",       "~",
        "1\\2",     "a b",             "'q'",      "\"dq\"",     ".hidden",       "-1",      "\x01"};
    std::string genes = kGeneHeader;
    std::string pathways;
    for (std::size_t i = 0; i < names.size(); ++i) {
        genes += names[i] + "\tg\t100\t400\tG" + std::to_string(i) + "\n";
        pathways += "P" + std::to_string(i) + "\tp\tG" + std::to_string(i) + "\n";
    }
    write_file(work + "/genes.txt", genes);
    write_file(work + "/pw.txt", pathways);
    const std::set<std::string> root_before = listing(root.path());
    const std::set<std::string> work_before = listing(work);

    RunResult r = run_program("kesto_genelist", {"-g", "genes.txt", "-o", "out.txt", "-l", "ref/", "-G", "geno/",
                                                 "-a", "0.05", "-v", "0.8", "-f", "0"},
                              work);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = lines_of(read_file(work + "/out.txt"));
    ASSERT_EQ(rows.size(), names.size() + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::vector<std::string> fields = tab_fields(rows[i + 1]);
        ASSERT_EQ(fields.size(), 7u) << rows[i + 1];
        // Refused names get NA; "-1" is a number and merely has no files.
        EXPECT_EQ(fields[6], "NA") << names[i];
    }

    r = run_program("kesto_pw", {"-p", "pw.txt", "-g", "genes.txt", "-o", "pw.out", "-l", "ref/", "-G", "geno/", "-a",
                                 "0.05", "-v", "0.8", "-f", "0"},
                    work);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string pw = read_file(work + "/pw.out");
    EXPECT_TRUE(whole_rows(pw, 5));
    // Each pathway's one region is refused: no region evaluated, no p-value.
    for (const std::string& line : lines_of(pw.substr(kPathwayHeader.size())))
        EXPECT_EQ(line.substr(line.find('\t', line.find('\t') + 1)), "\t0\t0\tNA") << line;

    EXPECT_EQ(listing(root.path()), root_before);
    std::set<std::string> work_after = listing(work);
    work_after.erase("out.txt");
    work_after.erase("pw.out");
    EXPECT_EQ(work_after, work_before);
}

// Writes a small simulated PLINK data set (chromosome 1) as BASE.bed/.bim/.fam
// and its association file into `folder`.
void simulate_plink(const std::string& folder, const std::string& base)
{
    TempDir sim;
    const RunResult r = kesto_test::run_program(
        "kesto_simulate",
        {"--out", sim.path(), "--chromosomes", "1", "--snps", "40", "--individuals", "30", "--genes", "2", "--plink", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* ext : {".bed", ".bim", ".fam"})
        std::filesystem::copy_file(sim.file(std::string("scan_chr1") + ext), folder + "/" + base + ext);
    std::filesystem::copy_file(sim.file("scan_chr1_assoc.txt"), folder + "/assoc.txt");
}

TEST(Names, BaseNamesWithBlanksQuotesAndShellCharactersStayPlainFileNames)
{
    if (!file_exists(bin_path("morrow")) || !file_exists(bin_path("transpose")))
        GTEST_SKIP() << "morrow and transpose are not built";
    const std::vector<std::string> bases = {"plain", "my set", "it's \"quoted\"", "$(touch i1)`touch i2`;touch i3",
                                            "-h", "tab\there", "new\nline", "*"};
    std::string expected;
    for (const std::string& base : bases) {
        SCOPED_TRACE(base);
        TempDir root;
        const std::string work = root.file("work");
        std::filesystem::create_directories(work);
        ASSERT_EQ(symlink(bin_path("morrow").c_str(), (work + "/morrow").c_str()), 0);
        ASSERT_EQ(symlink(bin_path("transpose").c_str(), (work + "/transpose").c_str()), 0);
        simulate_plink(work, base);
        const RunResult r = run_program("kesto_gen_v2",
                                        {"-b", base, "-s", "assoc.txt", "-o", "r.out", "-l", "r.log", "-a", "0.05",
                                         "-v", "0.8", "-w", "20000", "-t", "10000", "-S", "-1", "-E", "-1"},
                                        work);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string rows = read_file(work + "/r.out");
        EXPECT_TRUE(whole_rows(rows, 5));
        EXPECT_GT(lines_of(rows).size(), 2u);
        if (expected.empty())
            expected = rows;
        EXPECT_EQ(rows, expected);
        EXPECT_EQ(listing(root.path()), std::set<std::string>{"work"});
        EXPECT_EQ(listing(work), (std::set<std::string>{"morrow", "transpose", base + ".bed", base + ".bim",
                                                         base + ".fam", base + ".mk", base + ".gt", base + ".tg",
                                                         "assoc.txt", "r.out", "r.log"}));
    }
}

} // namespace
