// The converters as the window scan runs them: morrow on a PLINK data set,
// then transpose on its .gt.

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using kesto_test::file_exists;
using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

namespace {

// Five individuals, four SNPs on chromosome 1:
//   s1 A/C: AA AA AC CC AA  -> A 7, C 3: C is coded
//   s2 G/T: GT TT TT 00 GG  -> G 3, T 5: G is coded
//   s3 A/G: AG AG AA GG 00  -> A 4, G 4: tie, the second allele G is coded
//   s4 0/T: TT TT TT TT TT  -> monomorphic: allele0 T, allele1 0
const char* const kWorkedBim =
    "1 s1 0 100 A C\n"
    "1 s2 0 200 G T\n"
    "1 s3 0 200 A G\n"
    "1 s4 0 350 0 T\n";
const char* const kWorkedFam =
    "f1 i1 0 0 1 1\n"
    "f2 i2 0 0 2 1\n"
    "f3 i3 0 0 1 2\n"
    "f4 i4 0 0 2 2\n"
    "f5 i5 0 0 1 -9\n";
// Two bytes per SNP, individual 1 in the lowest bits: 00 hom allele 1 of the
// .bim, 01 missing, 10 het, 11 hom allele 2.
const std::string kWorkedBed("\x6c\x1b\x01"
                             "\xe0\x00"    // s1: 00 00 10 11 | 00
                             "\x7e\x00"    // s2: 10 11 11 01 | 00
                             "\xca\x01"    // s3: 10 10 00 11 | 01
                             "\xff\x03",   // s4: 11 11 11 11 | 11
                             11);
// The same genotypes as text: blanks of both kinds, CRLF line ends, a last
// line without a line end, and one half-missing genotype ("A 0").
const char* const kWorkedMap = "1\ts1\t0\t100\r\n1\ts2\t0\t200\r\n1\ts3\t0\t200\r\n1\ts4\t0\t350";
const char* const kWorkedPed =
    "f1 i1 0 0 1 1   A A  G T  A G  T T\n"
    "f2\ti2\t0\t0\t2\t1\tA\tA\tT\tT\tA\tG\tT\tT\n"
    "f3 i3 0 0 1 2   A C  T T  A A  T T\r\n"
    "f4 i4 0 0 2 2   C C  0 0  G G  T T\n"
    "f5 i5 0 0 1 -9  A A  G G  A 0  T T\n";

const char* const kWorkedMk =
    "chromosome\tsnp_id\tposition\tallele0\tallele1\n"
    "1\ts1\t100\tA\tC\n"
    "1\ts2\t200\tT\tG\n"
    "1\ts3\t200\tA\tG\n"
    "1\ts4\t350\tT\t0\n";
const char* const kWorkedGt =
    "#gt\t5\t4\n"
    "individual\ts1\ts2\ts3\ts4\n"
    "i1\t0\t1\t1\t0\n"
    "i2\t0\t0\t1\t0\n"
    "i3\t1\t0\t0\t0\n"
    "i4\t2\t-1\t2\t0\n"
    "i5\t0\t2\t-1\t0\n";
const char* const kWorkedTg =
    "snp_id\ti1\ti2\ti3\ti4\ti5\n"
    "s1\t0\t0\t1\t2\t0\n"
    "s2\t1\t0\t0\t-1\t2\n"
    "s3\t1\t1\t0\t2\t-1\n"
    "s4\t0\t0\t0\t0\t0\n";

void write_worked_bed(const TempDir& dir, const std::string& base)
{
    write_file(dir.file(base + ".bim"), kWorkedBim);
    write_file(dir.file(base + ".fam"), kWorkedFam);
    write_file(dir.file(base + ".bed"), kWorkedBed);
}

void write_worked_ped(const TempDir& dir, const std::string& base)
{
    write_file(dir.file(base + ".map"), kWorkedMap);
    write_file(dir.file(base + ".ped"), kWorkedPed);
}

std::vector<std::string> files_in(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

RunResult morrow(const TempDir& dir, const std::string& out, const std::string& in)
{
    return run_program("morrow", {"-o", out, in}, dir.path());
}

RunResult transpose(const TempDir& dir, const std::string& gt)
{
    return run_program("transpose", {gt}, dir.path());
}

// Runs morrow on `base`, expects it to fail with status 1 and a message
// holding `expected`, and no new file in the folder.
void expect_refused(const TempDir& dir, const std::string& base, const std::string& expected)
{
    const std::vector<std::string> before = files_in(dir);
    const RunResult r = morrow(dir, "out", base);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("morrow: ", 0), 0u) << r.err;
    EXPECT_EQ(files_in(dir), before);
}

} // namespace

TEST(Morrow, WorkedExampleFromBed)
{
    TempDir dir;
    write_worked_bed(dir, "scan_chr1");
    const RunResult r = morrow(dir, "out", "scan_chr1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "morrow: 5 individuals, 4 SNPs, missing rate 0.1000 (from scan_chr1.bed)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir.file("out.mk")), kWorkedMk);
    EXPECT_EQ(read_file(dir.file("out.gt")), kWorkedGt);

    const RunResult t = transpose(dir, "out.gt");
    ASSERT_EQ(t.status, 0) << t.err;
    EXPECT_EQ(t.out, "");
    EXPECT_EQ(t.err, "");
    EXPECT_EQ(read_file(dir.file("out.tg")), kWorkedTg);
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"out.gt", "out.mk", "out.tg", "scan_chr1.bed",
                                                       "scan_chr1.bim", "scan_chr1.fam"}));
}

TEST(Morrow, TextAndBinaryInputGiveTheSameFiles)
{
    TempDir dir;
    write_worked_ped(dir, "text");
    const RunResult r = morrow(dir, "text", "text");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "morrow: 5 individuals, 4 SNPs, missing rate 0.1000 (from text.ped)\n");
    EXPECT_NE(r.err.find("warning: 1 genotypes in text.ped have one allele 0"), std::string::npos) << r.err;
    ASSERT_EQ(transpose(dir, "text.gt").status, 0);
    EXPECT_EQ(read_file(dir.file("text.mk")), kWorkedMk);
    EXPECT_EQ(read_file(dir.file("text.gt")), kWorkedGt);
    EXPECT_EQ(read_file(dir.file("text.tg")), kWorkedTg);
}

// A larger random data set written both ways; the number of individuals is
// not a multiple of 4, so every .bed SNP ends in a padded byte. The .tg is
// also checked against codes counted here from the allele letters.
TEST(Morrow, RandomDataSetAgreesBetweenFormatsAndWithCountedCodes)
{
    const int n_individuals = 301;
    const int n_snps = 157;
    const char letters[] = "ACGT";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> pick(0, 99);

    std::vector<std::string> first(n_snps), second(n_snps);
    // genotype[j][i]: copies of the second allele, or -1 for missing.
    std::vector<std::vector<int>> genotype(n_snps, std::vector<int>(n_individuals));
    for (int j = 0; j < n_snps; ++j) {
        const int a = pick(rng) % 4;
        first[j] = std::string(1, letters[a]);
        second[j] = std::string(1, letters[(a + 1 + pick(rng) % 3) % 4]);
        const int frequency = pick(rng);   // chance in 100 of the second allele
        const int missing = j % 10 == 0 ? 30 : 3;
        for (int i = 0; i < n_individuals; ++i) {
            genotype[j][i] = pick(rng) < missing ? -1 : (pick(rng) < frequency) + (pick(rng) < frequency);
        }
        // The text format learns allele order from the first genotypes, so the
        // first individual carries both alleles.
        genotype[j][0] = 1;
    }

    TempDir dir;
    std::string map, bim, fam, ped;
    std::string bed("\x6c\x1b\x01", 3);
    const int per_snp = (n_individuals + 3) / 4;
    for (int j = 0; j < n_snps; ++j) {
        const std::string id = "rs" + std::to_string(1000 + j);
        const std::string position = std::to_string(5000 + 37 * j);
        map += "7 " + id + " 0 " + position + "\n";
        bim += "7\t" + id + "\t0\t" + position + "\t" + first[j] + "\t" + second[j] + "\n";
        std::string bytes(per_snp, '\0');
        for (int i = 0; i < n_individuals; ++i) {
            static const unsigned bed_value[] = {0, 2, 3};
            const unsigned v = genotype[j][i] < 0 ? 1 : bed_value[genotype[j][i]];
            bytes[i / 4] = static_cast<char>(static_cast<unsigned char>(bytes[i / 4]) | (v << (2 * (i % 4))));
        }
        bed += bytes;
    }
    for (int i = 0; i < n_individuals; ++i) {
        const std::string iid = "ind" + std::to_string(i);
        fam += "fam " + iid + " 0 0 1 -9\n";
        ped += "fam " + iid + " 0 0 1 -9";
        for (int j = 0; j < n_snps; ++j) {
            const int g = genotype[j][i];
            ped += g < 0 ? " 0 0"
                         : " " + (g == 2 ? second[j] : first[j]) + " " + (g == 0 ? first[j] : second[j]);
        }
        ped += "\n";
    }
    write_file(dir.file("r.map"), map);
    write_file(dir.file("r.ped"), ped);
    write_file(dir.file("b.bim"), bim);
    write_file(dir.file("b.fam"), fam);
    write_file(dir.file("b.bed"), bed);

    ASSERT_EQ(morrow(dir, "from_text", "r").status, 0);
    ASSERT_EQ(morrow(dir, "from_bed", "b").status, 0);
    ASSERT_EQ(transpose(dir, "from_text.gt").status, 0);
    ASSERT_EQ(transpose(dir, "from_bed.gt").status, 0);
    EXPECT_EQ(read_file(dir.file("from_text.mk")), read_file(dir.file("from_bed.mk")));
    EXPECT_EQ(read_file(dir.file("from_text.tg")), read_file(dir.file("from_bed.tg")));

    std::string mk = "chromosome\tsnp_id\tposition\tallele0\tallele1\n";
    std::string tg = "snp_id";
    for (int i = 0; i < n_individuals; ++i)
        tg += "\tind" + std::to_string(i);
    tg += "\n";
    for (int j = 0; j < n_snps; ++j) {
        int copies_second = 0, copies_first = 0;
        for (int i = 0; i < n_individuals; ++i) {
            if (genotype[j][i] >= 0) {
                copies_second += genotype[j][i];
                copies_first += 2 - genotype[j][i];
            }
        }
        const bool code_first = copies_first < copies_second;
        const std::string id = "rs" + std::to_string(1000 + j);
        mk += "7\t" + id + "\t" + std::to_string(5000 + 37 * j) + "\t" + (code_first ? second[j] : first[j]) +
              "\t" + (code_first ? first[j] : second[j]) + "\n";
        tg += id;
        for (int i = 0; i < n_individuals; ++i) {
            const int g = genotype[j][i];
            tg += "\t" + std::to_string(g < 0 ? -1 : code_first ? 2 - g : g);
        }
        tg += "\n";
    }
    EXPECT_EQ(read_file(dir.file("from_bed.mk")), mk);
    EXPECT_EQ(read_file(dir.file("from_bed.tg")), tg);
}

TEST(Morrow, MonomorphicSnpTakesTheOtherBimAlleleAsAllele1)
{
    TempDir dir;
    write_file(dir.file("m.bim"), "3 x1 0 10 A T\n3 x2 0 20 A T\n");
    write_file(dir.file("m.fam"), "f a 0 0 1 1\nf b 0 0 1 1\n");
    // x1: both TT (11 11); x2: both AA (00 00).
    write_file(dir.file("m.bed"), std::string("\x6c\x1b\x01\x0f\x00", 5));
    ASSERT_EQ(morrow(dir, "m", "m").status, 0);
    EXPECT_EQ(read_file(dir.file("m.mk")),
              "chromosome\tsnp_id\tposition\tallele0\tallele1\n3\tx1\t10\tT\tA\n3\tx2\t20\tA\tT\n");
    ASSERT_EQ(transpose(dir, "m.gt").status, 0);
    EXPECT_EQ(read_file(dir.file("m.tg")), "snp_id\ta\tb\nx1\t0\t0\nx2\t0\t0\n");
}

TEST(Morrow, BaseNamesWithBlanksAndQuotesArePlainFileNames)
{
    TempDir dir;
    const std::string in = "my data's \"chr 1\" $HOME;";
    const std::string out = "out put's *";
    write_worked_bed(dir, in);
    const RunResult r = morrow(dir, out, in);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(from " + in + ".bed)"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.file(out + ".mk")), kWorkedMk);
    ASSERT_EQ(transpose(dir, out + ".gt").status, 0);
    EXPECT_EQ(read_file(dir.file(out + ".tg")), kWorkedTg);
}

TEST(Morrow, WritesIntoAnotherFolder)
{
    TempDir dir;
    write_worked_ped(dir, "d");
    std::filesystem::create_directory(dir.file("sub"));
    ASSERT_EQ(morrow(dir, "sub/o", "d").status, 0);
    ASSERT_EQ(transpose(dir, "sub/o.gt").status, 0);
    EXPECT_EQ(read_file(dir.file("sub/o.tg")), kWorkedTg);
}

TEST(Morrow, RefusesBedWithBadMagicOrMode)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    std::string bed = kWorkedBed;
    bed[1] = '\x1c';
    write_file(dir.file("d.bed"), bed);
    expect_refused(dir, "d", "d.bed byte offset 1: not a PLINK .bed file");
    bed[1] = '\x1b';
    bed[2] = '\x00';
    write_file(dir.file("d.bed"), bed);
    expect_refused(dir, "d", "d.bed byte offset 2: individual-major .bed (mode byte 0x00) is not supported");
}

TEST(Morrow, RefusesTruncatedOrOverlongBed)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    write_file(dir.file("d.bed"), kWorkedBed.substr(0, 8));
    expect_refused(dir, "d", "d.bed byte offset 8: file ends inside SNP 3 (s3)");
    write_file(dir.file("d.bed"), kWorkedBed + '\0');
    expect_refused(dir, "d", "d.bed byte offset 11: 1 bytes more than expected");
}

TEST(Morrow, RefusesBedThatDoesNotFitTheFam)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    // Nine individuals need three bytes per SNP where the .bed has two.
    write_file(dir.file("d.fam"), std::string(kWorkedFam) + "f6 i6 0 0 1 1\nf7 i7 0 0 1 1\nf8 i8 0 0 1 1\nf9 i9 0 0 1 1\n");
    expect_refused(dir, "d", "4 SNPs x 9 individuals need 3 + 4 x 3 = 15 bytes");
}

TEST(Morrow, RefusesPedRowWithAFieldTooFew)
{
    TempDir dir;
    write_worked_ped(dir, "d");
    write_file(dir.file("d.ped"), std::string(kWorkedPed) + "f6 i6 0 0 1 1  A A  G T  A G  T\n");
    expect_refused(dir, "d", "d.ped line 6: expected 14 fields");
}

TEST(Morrow, RefusesBadLinesInTheMarkerAndFamFiles)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    write_file(dir.file("d.bim"), "1 s1 0 100 A C\n1 s2 0 200 G T\n\n1 s3 0 200 A G\n1 s4 0 350 0 T\n");
    expect_refused(dir, "d", "d.bim line 3: blank line");
    write_file(dir.file("d.bim"), "1 s1 0 100 A C\n1 s2 0 2e2 G T\n1 s3 0 200 A G\n1 s4 0 350 0 T\n");
    expect_refused(dir, "d", "d.bim line 2: base-pair position '2e2'");
    write_file(dir.file("d.bim"), kWorkedBim);
    write_file(dir.file("d.fam"), "f1 i1 0 0 1 1\nf2 i2 0 0 2\n");
    expect_refused(dir, "d", "d.fam line 2: expected 6 fields");
}

TEST(Morrow, RefusesThirdAlleleInPed)
{
    TempDir dir;
    write_worked_ped(dir, "d");
    write_file(dir.file("d.ped"), std::string(kWorkedPed) + "f6 i6 0 0 1 1  A A  G C  A G  T T\n");
    expect_refused(dir, "d", "d.ped line 6: SNP s2 (SNP 2, fields 9 and 10) has a third allele 'C'");
}

TEST(Morrow, RefusesMoreThanOneChromosome)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    write_file(dir.file("d.bim"), "1 s1 0 100 A C\n1 s2 0 200 G T\n2 s3 0 50 A G\n2 s4 0 350 0 T\n");
    expect_refused(dir, "d", "d.bim line 3: SNP s3 is on chromosome 2 but the SNPs before it are on chromosome 1");
    expect_refused(dir, "d", "split the data set by chromosome first, e.g. plink --bfile d --chr 1 --make-bed");
    write_worked_ped(dir, "t");
    write_file(dir.file("t.map"), "1 s1 0 100\n1 s2 0 200\n1 s3 0 200\nX s4 0 350\n");
    expect_refused(dir, "t", "plink --file t --chr 1");
}

TEST(Morrow, RefusesUnsortedPositions)
{
    TempDir dir;
    write_worked_ped(dir, "d");
    write_file(dir.file("d.map"), "1 s1 0 100\n1 s2 0 200\n1 s3 0 199\n1 s4 0 350\n");
    expect_refused(dir, "d", "d.map line 3: SNP s3 at position 199 comes after SNP s2 at position 200");
    expect_refused(dir, "d", "sort the SNPs by position first");
}

TEST(Morrow, RefusesMissingInput)
{
    TempDir dir;
    expect_refused(dir, "nothing", "found neither nothing.bed nor nothing.ped");
    write_worked_bed(dir, "d");
    expect_refused(dir, "d.bed", "without the extension: d");
    std::filesystem::remove(dir.file("d.fam"));
    expect_refused(dir, "d", "cannot open d.fam");
    write_file(dir.file("t.ped"), kWorkedPed);
    expect_refused(dir, "t", "cannot open t.map");
}

TEST(Morrow, FailureKeepsEarlierOutputsAndLeavesNoPartFiles)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    ASSERT_EQ(morrow(dir, "out", "d").status, 0);
    write_file(dir.file("d.bed"), kWorkedBed.substr(0, 10));
    expect_refused(dir, "d", "d.bed byte offset 10");
    EXPECT_EQ(read_file(dir.file("out.mk")), kWorkedMk);
    EXPECT_EQ(read_file(dir.file("out.gt")), kWorkedGt);
}

TEST(Morrow, FailsWhenTheOutputFolderIsMissing)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    const RunResult r = morrow(dir, "no/such/out", "d");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create no/such/out.mk"), std::string::npos) << r.err;
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"d.bed", "d.bim", "d.fam"}));
}

TEST(Morrow, CommandLine)
{
    TempDir dir;
    write_worked_bed(dir, "d");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"d"}, {"-o", "out"}, {"-o", "out", "d", "x"},
                                               {"--out", "out", "d"}, {"out", "-o", "d"}, {"-o", "", "d"}}) {
        const RunResult r = run_program("morrow", args, dir.path());
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: morrow -o OUTBASE INBASE"), std::string::npos) << r.err;
    }
    for (const std::string help : {"--help", "-h"}) {
        const RunResult r = run_program("morrow", {help}, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("usage: morrow -o OUTBASE INBASE\n", 0), 0u);
    }
    EXPECT_EQ(files_in(dir), (std::vector<std::string>{"d.bed", "d.bim", "d.fam"}));
}

TEST(Transpose, CommandLine)
{
    TempDir dir;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"a.gt", "b.gt"}}) {
        const RunResult r = run_program("transpose", args, dir.path());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: transpose FILE.gt"), std::string::npos) << r.err;
    }
    for (const std::string name : {"out.mk", "out.gt.txt", ".gt"}) {
        const RunResult r = transpose(dir, name);
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_NE(r.err.find("does not end in .gt"), std::string::npos) << r.err;
    }
    const RunResult help = run_program("transpose", {"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: transpose FILE.gt\n", 0), 0u);
    const RunResult missing = transpose(dir, "none.gt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot open none.gt"), std::string::npos) << missing.err;
    EXPECT_TRUE(files_in(dir).empty());
}

TEST(Transpose, RefusesMalformedGtAndLeavesNoTg)
{
    TempDir dir;
    const std::string good = kWorkedGt;
    const auto refused = [&](const std::string& text, const std::string& expected) {
        write_file(dir.file("x.gt"), text);
        const RunResult r = transpose(dir, "x.gt");
        EXPECT_EQ(r.status, 1) << expected;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(files_in(dir), std::vector<std::string>{"x.gt"});
    };
    // A row with a code too few.
    std::string text = good;
    text.replace(text.find("i3\t1\t0\t0\t0"), 10, "i3\t1\t0\t0");
    refused(text, "x.gt line 5: expected an IID and 4 codes (5 fields), found 4");
    // A code that is not a whole number.
    text = good;
    text.replace(text.find("i4\t2\t-1"), 7, "i4\t2\t-x");
    refused(text, "x.gt line 6, field 3: genotype code '-x' is not one of -1, 0, 1, 2");
    // Cut at a line end, and cut inside a line.
    refused(good.substr(0, good.find("i5")), "with 4 of the 5 individuals announced on line 1");
    refused(good.substr(0, good.size() - 4), "x.gt line 7: expected an IID and 4 codes");
    refused("", "x.gt: empty file");
    refused("snp_id\ti1\n", "x.gt line 1: not a genotype file written by morrow");
}
