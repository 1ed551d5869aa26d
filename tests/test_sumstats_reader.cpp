// The summary-statistics reader over hand-written fixtures of every format
// (tests/data/sumstats), its p-value rules and its refusals of bad input.
#include "sumstats/chromosome_names.h"
#include "sumstats/p_value.h"
#include "sumstats/sumstats_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using kesto_test::TempDir;
using kesto_test::contains;
using kesto_test::write_file;

namespace {

std::string fixture(const std::string& name)
{
    return std::string(KESTO_SOURCE_DIR) + "/tests/data/sumstats/" + name;
}

const char* state_name(PState state)
{
    switch (state) {
    case PState::Ok: return "ok";
    case PState::Missing: return "missing";
    case PState::NotNumber: return "nan";
    case PState::OutOfRange: return "range";
    }
    return "?";
}

// One record as "id chr pos a1 a2 state p_text[ underflow]"; empty fields as "-".
std::string describe(const SumstatsRecord& r)
{
    auto dash = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
    std::ostringstream out;
    out << dash(r.id) << ' ' << dash(r.chromosome) << ' ' << r.position << ' ' << dash(r.allele1) << ' '
        << dash(r.allele2) << ' ' << state_name(r.p_state);
    if (r.p_state == PState::Ok)
        out << ' ' << r.p_text;
    if (r.underflow)
        out << " underflow";
    return out.str();
}

struct ReadResult {
    Status status;
    SumstatsLayout layout;
    std::vector<std::string> records;
    std::vector<long> lines;
    long skipped = 0;
};

ReadResult read_all(const std::string& path, const SumstatsOptions& options = {})
{
    ReadResult result;
    SumstatsReader reader;
    result.status = reader.open(path, options);
    if (!result.status.ok())
        return result;
    result.layout = reader.layout();
    SumstatsRecord record;
    while (reader.next(record)) {
        result.records.push_back(describe(record));
        result.lines.push_back(record.line);
    }
    result.status = reader.status();
    result.skipped = reader.skipped_other_tests();
    return result;
}

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : ",") + p;
    return out;
}

struct FixtureCase {
    const char* file;
    SumstatsFormat format;
    const char* columns;
    std::vector<std::string> records;
    long skipped;
};

class SumstatsFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(SumstatsFixtures, FormatColumnsAndRecords)
{
    const FixtureCase& c = GetParam();
    const ReadResult r = read_all(fixture(c.file));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(format_name(r.layout.format), std::string(format_name(c.format)));
    EXPECT_EQ(join(r.layout.columns_used), c.columns);
    EXPECT_EQ(r.records, c.records);
    EXPECT_EQ(r.skipped, c.skipped);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, SumstatsFixtures,
    ::testing::Values(
        FixtureCase{"gwas_ssf.tsv", SumstatsFormat::GwasSsf,
                    "id=rsid,id2=variant_id,chr=chromosome,pos=base_pair_location,a1=effect_allele,"
                    "a2=other_allele,p=p_value",
                    {"rs537182016 1 10539 C A ok 0.664594",
                     "1_10616_C_CCGCCGTTGCAAAGGCGCGCCG 1 10616 CCGCCGTTGCAAAGGCGCGCCG C ok 4.580194e-01",
                     "rs311165 X 2781479 G A ok 3.1e-3"},
                    0},
        FixtureCase{"gwas_ssf_log10.tsv", SumstatsFormat::GwasSsf,
                    "id=variant_id,chr=chromosome,pos=base_pair_location,a1=effect_allele,a2=other_allele,"
                    "log10p=neg_log_10_p_value",
                    {"2_21001429_C_T 2 21001429 T C ok 1e-05", "2_21263900_G_A 2 21263900 A G ok 3.16e-321",
                     "2_21300000_G_A 2 21300000 A G ok 0 underflow", "2_21400000_G_A 2 21400000 A G ok 1",
                     "2_21500000_G_A 2 21500000 A G missing"},
                    0},
        FixtureCase{"plink2.PHENO1.glm.linear", SumstatsFormat::Plink2Glm,
                    "id=ID,chr=#CHROM,pos=POS,a1=REF,a2=ALT,p=P,test=TEST",
                    {"rs3094315 1 752566 G A ok 0.615915", "rs12124819 1 776546 A G ok 0.00537",
                     "rs28765502 1 832918 T C missing"},
                    3},
        FixtureCase{"plink2.PHENO1.glm.logistic.hybrid", SumstatsFormat::Plink2Glm,
                    "id=ID,chr=#CHROM,pos=POS,a1=REF,a2=ALT,log10p=LOG10_P,test=TEST",
                    {"rs587697622 22 16050075 A G ok 0.45498806015004856", "- 22 16050115 G A ok 3.5481338923357606e-19",
                     "rs1226858834 X 60001 T A missing"},
                    0},
        FixtureCase{"plink1.assoc", SumstatsFormat::Plink1Assoc, "id=SNP,chr=CHR,pos=BP,a1=A1,a2=A2,p=P",
                    {"rs3094315 1 742429 C T ok 0.7829", "rs4040617 1 769185 G A ok 0.4444",
                     "rs2980300 1 775852 A G ok 0.5498", "rs5939319 X 2781479 0 G missing"},
                    0},
        FixtureCase{"plink1.qassoc", SumstatsFormat::Plink1Assoc, "id=SNP,chr=CHR,pos=BP,p=P",
                    {"rs3094315 1 742429 - - ok 0.616", "rs12124819 1 776546 - - ok 0.005369",
                     "rs28357669 MT 16089 - - missing"},
                    0},
        FixtureCase{"plink1.assoc.logistic", SumstatsFormat::Plink1Assoc, "id=SNP,chr=CHR,pos=BP,a1=A1,p=P,test=TEST",
                    {"rs3094315 1 742429 C - ok 0.7829", "rs4040617 1 769185 G - ok 0.4447"},
                    4},
        FixtureCase{"plink1.assoc.linear", SumstatsFormat::Plink1Assoc, "id=SNP,chr=CHR,pos=BP,a1=A1,p=P,test=TEST",
                    {"rs3094315 1 742429 C - ok 0.616", "rs12124819 1 776546 A - ok 0.005369"},
                    2},
        FixtureCase{"regenie.step2_Y1.regenie", SumstatsFormat::Regenie,
                    "id=ID,chr=CHROM,pos=GENPOS,a1=ALLELE0,a2=ALLELE1,log10p=LOG10P,test=TEST",
                    {"1:79033:A:G 1 79033 A G ok 0.6872266615842488", "1:79050:G:T 1 79050 G T ok 0.35842640804371445",
                     "X:2781479:A:G X 2781479 A G ok 1.6595869074375562e-27"},
                    2},
        FixtureCase{"saige.SAIGE.results.txt", SumstatsFormat::Saige,
                    "id=MarkerID,chr=CHR,pos=POS,a1=Allele1,a2=Allele2,p=p.value",
                    {"rs1 1 13528 C G ok 0.615624", "rs2 1 14773 C T ok 0.0506", "rs3 1 15274 A T ok 2.3e-31"},
                    0},
        FixtureCase{"bolt.stats", SumstatsFormat::BoltLmm, "id=SNP,chr=CHR,pos=BP,a1=ALLELE1,a2=ALLELE0,p=P_BOLT_LMM",
                    {"rs58108140 1 10583 A G ok 6.7E-01", "rs180734498 1 13302 T C ok 3.9E-01",
                     "rs144762171 1 13327 C G ok 0 underflow", "rs201747181 1 13957 T TC ok 9.1E-01"},
                    0},
        FixtureCase{"bolt_inf.stats", SumstatsFormat::BoltLmm,
                    "id=SNP,chr=CHR,pos=BP,a1=ALLELE1,a2=ALLELE0,p=P_BOLT_LMM_INF",
                    {"rs58108140 1 10583 A G ok 6.8E-01", "rs180734498 1 13302 T C ok 4.0E-01"}, 0},
        FixtureCase{"metal1.tbl", SumstatsFormat::Metal, "id=MarkerName,a1=Allele1,a2=Allele2,p=P-value",
                    {"rs10 - -1 A C ok 0.6621", "rs1000000 - -1 A G ok 0.2221", "rs10000010 - -1 T C ok 3.551e-08",
                     "rs10000012 - -1 C G missing"},
                    0}));

TEST(SumstatsReader, LayoutFlags)
{
    const ReadResult metal = read_all(fixture("metal1.tbl"));
    EXPECT_FALSE(metal.layout.has_positions);
    EXPECT_TRUE(metal.layout.has_ids);
    EXPECT_FALSE(metal.layout.log10);
    const ReadResult regenie = read_all(fixture("regenie.step2_Y1.regenie"));
    EXPECT_TRUE(regenie.layout.has_positions);
    EXPECT_TRUE(regenie.layout.log10);
    // Line numbers count the header and the skipped DOM rows.
    EXPECT_EQ(regenie.lines, (std::vector<long>{2, 4, 6}));
}

TEST(SumstatsReader, CustomColumnsCountEveryPState)
{
    SumstatsOptions options;
    options.col_id = "marker";
    options.col_chr = "chrom";
    options.col_pos = "bp";
    options.col_a1 = "eff";
    options.col_a2 = "noneff";
    options.col_p = "pval";
    const ReadResult r = read_all(fixture("custom.txt"), options);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.layout.format, SumstatsFormat::Custom);
    EXPECT_EQ(join(r.layout.columns_used), "id=marker,chr=chrom,pos=bp,a1=eff,a2=noneff,p=pval");
    EXPECT_EQ(r.records, (std::vector<std::string>{"snp_a 3 1000 A G ok 0.5", "snp_b 3 2000 C T range",
                                                   "snp_c 3 3000 C T nan", "snp_d 3 4000 C T range",
                                                   "snp_e - 5000 C T ok 0.25"}));
}

TEST(SumstatsReader, ColumnOptionsOverrideARecognisedFormat)
{
    // BOLT-LMM with the infinitesimal p-value chosen by name.
    SumstatsOptions options;
    options.col_p = "P_BOLT_LMM_INF";
    const ReadResult r = read_all(fixture("bolt.stats"), options);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.layout.format, SumstatsFormat::BoltLmm);
    ASSERT_EQ(r.records.size(), 4u);
    EXPECT_EQ(r.records[2], "rs144762171 1 13327 C G ok 1.2E-300");
}

TEST(SumstatsReader, ForcedFormatReadsAnUnusualHeader)
{
    // A PLINK 2 table whose first column lost its '#', read as PLINK 2 when forced.
    TempDir dir;
    write_file(dir.file("t.txt"), "CHROM POS ID REF ALT P\n1 100 rs1 A G 0.25\n");
    SumstatsOptions options;
    options.force_format = true;
    options.format = SumstatsFormat::Plink2Glm;
    const ReadResult r = read_all(dir.file("t.txt"), options);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.records, (std::vector<std::string>{"rs1 1 100 A G ok 0.25"}));
}

TEST(SumstatsReader, CompressedInputReadsLikePlain)
{
    TempDir dir;
    const std::string copy = dir.file("plink1.assoc");
    write_file(copy, kesto_test::read_file(fixture("plink1.assoc")));
    ASSERT_EQ(std::system(("gzip -c " + copy + " > " + copy + ".gz").c_str()), 0);
    const ReadResult plain = read_all(copy);
    const ReadResult packed = read_all(copy + ".gz");
    ASSERT_TRUE(packed.status.ok()) << packed.status.message;
    EXPECT_EQ(packed.records, plain.records);
    EXPECT_EQ(packed.records.size(), 4u);
}

TEST(SumstatsReader, TabSeparatedEmptyFieldsAndCrlf)
{
    TempDir dir;
    write_file(dir.file("t.tsv"),
               "##meta\r\nchromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\r\n"
               "chr7\t5\ta\t\t\r\n\r\n7\t6\t.\tC\t0.5\t\r\n");
    const ReadResult r = read_all(dir.file("t.tsv"));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.records, (std::vector<std::string>{"- 7 5 A - missing", "- 7 6 - C ok 0.5"}));
    EXPECT_EQ(r.lines, (std::vector<long>{3, 5}));
}

// The same table written tab-separated, as CSV (R's write.csv: quoted texts,
// CRLF) and with quotes in a tab-separated file reads to the same records.
TEST(SumstatsReader, CommaSeparatedAndQuotedFieldsReadAsTabSeparated)
{
    TempDir dir;
    const std::vector<std::pair<const char*, const char*>> files = {
        {"t.tsv", "rsid\tchromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\n"
                  "rs1\t7\t5\ta\tg\t0.5\nrs2,x\t7\t6\tC\tT\tNA\n"},
        {"t.csv", "\"rsid\",\"chromosome\",\"base_pair_location\",\"effect_allele\",\"other_allele\",\"p_value\"\r\n"
                  "\"rs1\",7,5,\"a\",\"g\",0.5\r\n\"rs2,x\",7,6,\"C\",\"T\",NA\r\n"},
        {"plain.csv", "rsid, chromosome, base_pair_location, effect_allele, other_allele, p_value\n"
                      "rs1, 7, 5, a, g, 0.5\n\"rs2,x\", 7, 6, C, T, NA\n"},
        {"quoted.tsv", "\"rsid\"\t\"chromosome\"\t\"base_pair_location\"\t\"effect_allele\"\t\"other_allele\"\t\"p_value\"\n"
                       "\"rs1\"\t7\t5\t\"a\"\t\"g\"\t0.5\n\"rs2,x\"\t7\t6\t\"C\"\t\"T\"\tNA\n"},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        write_file(dir.file(name), content);
        const ReadResult r = read_all(dir.file(name));
        ASSERT_TRUE(r.status.ok()) << r.status.message;
        EXPECT_EQ(r.layout.format, SumstatsFormat::GwasSsf);
        EXPECT_EQ(r.layout.comma_separated, std::string(name).find(".csv") != std::string::npos);
        EXPECT_EQ(r.records, (std::vector<std::string>{"rs1 7 5 A G ok 0.5", "rs2,x 7 6 C T missing"}));
    }
    // A CSV row with a field too many is named by its line.
    write_file(dir.file("bad.csv"), "rsid,chromosome,base_pair_location,p_value\nrs1,7,5,0.5\nrs2,7,6,0,5\n");
    const ReadResult bad = read_all(dir.file("bad.csv"));
    EXPECT_FALSE(bad.status.ok());
    EXPECT_TRUE(bad.status.message.find("bad.csv line 3") != std::string::npos) << bad.status.message;
}

struct BadCase {
    const char* name;
    const char* content;
    StatusCode code;
    const char* message_part;
};

TEST(SumstatsReader, BadInputNamesFileAndLine)
{
    const std::vector<BadCase> cases = {
        {"short_row", "CHR SNP BP A1 P\n1 rs1 100 A 0.5\n1 rs2 200 0.5\n", StatusCode::Malformed,
         "short_row line 3: has 4 fields, the header has 5"},
        {"long_row", "CHR SNP BP A1 P\n1 rs1 100 A 0.5 0.7\n", StatusCode::Malformed,
         "long_row line 2: has 6 fields, the header has 5"},
        {"unknown", "a b c\n1 2 3\n", StatusCode::Malformed, "unknown line 1: header not recognised"},
        {"empty", "", StatusCode::Malformed, "empty: no header line"},
        {"blank_only", "\n\n##x\n", StatusCode::Malformed, "blank_only: no header line"},
    };
    TempDir dir;
    for (const BadCase& c : cases) {
        write_file(dir.file(c.name), c.content);
        const ReadResult r = read_all(dir.file(c.name));
        EXPECT_EQ(r.status.code, c.code) << c.name;
        EXPECT_TRUE(contains(r.status.message, c.message_part)) << c.name << ": " << r.status.message;
    }
    const ReadResult missing = read_all(dir.file("nothing_here"));
    EXPECT_EQ(missing.status.code, StatusCode::NotFound);
}

TEST(SumstatsReader, HeaderLackingNeededColumns)
{
    struct OptionCase {
        const char* name;
        SumstatsOptions options;
        StatusCode code;
        const char* message_part;
    };
    SumstatsOptions regenie;
    regenie.force_format = true;
    regenie.format = SumstatsFormat::Regenie;
    SumstatsOptions absent;
    absent.col_p = "PVAL";
    SumstatsOptions both;
    both.col_p = "P";
    both.col_log10p = "P";
    SumstatsOptions chr_only;
    chr_only.col_chr = "CHR";
    chr_only.col_p = "P";
    chr_only.force_format = true;  // Custom: nothing but the options
    SumstatsOptions custom_bare;
    custom_bare.force_format = true;
    const std::vector<OptionCase> cases = {
        {"forced", regenie, StatusCode::Malformed, "line 1: neither positions nor SNP ids in the header (REGENIE)"},
        {"absent", absent, StatusCode::Malformed, "line 1: no column PVAL (p-value) in the header"},
        {"both", both, StatusCode::Usage, "not both"},
        {"chr_only", chr_only, StatusCode::Malformed, "chromosome column without a position column (custom)"},
        {"bare", custom_bare, StatusCode::Malformed, "a custom format needs the column options"},
    };
    for (const OptionCase& c : cases) {
        const ReadResult r = read_all(fixture("plink1.qassoc"), c.options);
        EXPECT_EQ(r.status.code, c.code) << c.name;
        EXPECT_TRUE(contains(r.status.message, c.message_part)) << c.name << ": " << r.status.message;
    }
    // No p-value column at all in a recognised-looking table.
    TempDir dir;
    write_file(dir.file("nop"), "MarkerName Allele1 Allele2 P-value\nrs1 a c 0.5\n");
    SumstatsOptions metal_without_p;
    metal_without_p.col_id = "MarkerName";
    metal_without_p.force_format = true;
    metal_without_p.format = SumstatsFormat::Saige;
    const ReadResult r = read_all(dir.file("nop"), metal_without_p);
    EXPECT_TRUE(contains(r.status.message, "nop line 1: no p-value column in the header (SAIGE)")) << r.status.message;
}

TEST(PValueField, ReadAsWritten)
{
    struct Case {
        const char* field;
        PState state;
        const char* text;
        bool underflow;
    };
    const std::vector<Case> cases = {
        {"0.5", PState::Ok, "0.5", false},
        {"1", PState::Ok, "1", false},
        {"0", PState::Ok, "0", false},
        {"-0", PState::Ok, "-0", false},
        {"5E-8", PState::Ok, "5E-8", false},
        {".5", PState::Ok, ".5", false},
        {"1e-320", PState::Ok, "1e-320", false},  // below the normal range, still a double
        {"1.2E-400", PState::Ok, "0", true},
        {"1.0000001", PState::OutOfRange, "", false},
        {"-0.1", PState::OutOfRange, "", false},
        {"2e400", PState::OutOfRange, "", false},
        {"NA", PState::Missing, "", false},
        {".", PState::Missing, "", false},
        {"-9", PState::Missing, "", false},
        {"#NA", PState::Missing, "", false},
        {"", PState::Missing, "", false},
        {"abc", PState::NotNumber, "", false},
        {"0.5x", PState::NotNumber, "", false},
        {"0x1p-3", PState::NotNumber, "", false},
        {"nan", PState::NotNumber, "", false},
        {"inf", PState::NotNumber, "", false},
        {"5e", PState::NotNumber, "", false},
        {"-", PState::NotNumber, "", false},
        {"na", PState::NotNumber, "", false},
    };
    for (const Case& c : cases) {
        PValue v{};
        read_p_field(c.field, v);
        EXPECT_EQ(v.state, c.state) << c.field;
        EXPECT_EQ(v.text, c.text) << c.field;
        EXPECT_EQ(v.underflow, c.underflow) << c.field;
    }
}

// parse_decimal reads with std::from_chars and falls back on strtod beyond
// the double range: the two must give the same bits for every decimal.
TEST(PValueField, FastReadingIsStrtodsBitForBit)
{
    std::vector<std::string> fields = {
        "0.5", "+0.25", "-0", "+0", "007", "9007199254740993", "2.2250738585072011e-308",
        "2.2250738585072014e-308", "4.9e-324", "2.4703282292062328e-324", "2.4703282292062327e-324",
        "1e-400", "1.7976931348623157e308", "1.7976931348623159e308", "1e309", "0.1000000000000000055511151231257827",
        "1e-320", "5E-8", ".5", "5.", "123456789012345678901234567890e-40",
    };
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        std::string f = random() % 4 == 0 ? "+" : (random() % 4 == 0 ? "-" : "");
        const int integer = static_cast<int>(random() % 4), fraction = static_cast<int>(random() % 25);
        for (int d = 0; d < integer; ++d)
            f += static_cast<char>('0' + random() % 10);
        if (fraction > 0 || integer == 0) {
            f += '.';
            for (int d = 0; d < std::max(fraction, 1); ++d)
                f += static_cast<char>('0' + random() % 10);
        }
        if (random() % 2)
            f += (random() % 2 ? "e" : "E") + std::to_string(static_cast<int>(random() % 700) - 350);
        fields.push_back(f);
    }
    for (const std::string& f : fields) {
        double fast = 0.0;
        ASSERT_TRUE(parse_decimal(f, fast)) << f;
        const double slow = strtod_reading(f);
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, &fast, sizeof a);
        std::memcpy(&b, &slow, sizeof b);
        ASSERT_EQ(a, b) << f;
    }
}

TEST(PValueField, MinusLog10TurnedBack)
{
    struct Case {
        const char* field;
        PState state;
        const char* text;
        bool underflow;
    };
    const std::vector<Case> cases = {
        {"0", PState::Ok, "1", false},
        {"-0", PState::Ok, "1", false},
        {"1", PState::Ok, "0.1", false},
        {"2", PState::Ok, "0.01", false},
        {"5", PState::Ok, "1e-05", false},
        {"7.30103", PState::Ok, "4.99999995007974e-08", false},
        {"307", PState::Ok, "1e-307", false},
        {"323.3", PState::Ok, "5e-324", false},  // the smallest double
        {"324", PState::Ok, "0", true},
        {"1e6", PState::Ok, "0", true},
        {"-0.5", PState::OutOfRange, "", false},
        {"NA", PState::Missing, "", false},
        {"inf", PState::NotNumber, "", false},
        {"x", PState::NotNumber, "", false},
    };
    for (const Case& c : cases) {
        PValue v{};
        read_log10p_field(c.field, v);
        EXPECT_EQ(v.state, c.state) << c.field;
        EXPECT_EQ(v.text, c.text) << c.field;
        EXPECT_EQ(v.underflow, c.underflow) << c.field;
        if (v.state == PState::Ok && !v.underflow) {
            // The text reads back as the very double computed.
            EXPECT_EQ(std::strtod(v.text.c_str(), nullptr), v.p) << c.field;
            EXPECT_EQ(v.p, std::pow(10.0, -std::strtod(c.field, nullptr))) << c.field;
        }
    }
}

TEST(ChromosomeNames, Canonical)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"1", "1"},     {"01", "1"},    {"22", "22"},    {"chr7", "7"},   {"CHR7", "7"},   {"Chr22", "22"},
        {"23", "X"},    {"X", "X"},     {"x", "X"},      {"chrX", "X"},   {"24", "Y"},     {"chrY", "Y"},
        {"25", "XY"},   {"XY", "XY"},   {"chrXY", "XY"}, {"26", "MT"},    {"MT", "MT"},    {"M", "MT"},
        {"chrM", "MT"}, {"chrMT", "MT"}, {"mt", "MT"},   {"0", ""},       {"27", ""},      {"chr", ""},
        {"", ""},       {"chrUn", ""},  {"1_random", ""}, {"-1", ""},     {"chr0", ""},    {"100000000000", ""},
        {"NC_000001.11", ""}, {" 1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(canonical_chromosome(c.first), c.second) << '"' << c.first << '"';
}

TEST(FormatNames, AllDistinct)
{
    const SumstatsFormat all[] = {SumstatsFormat::GwasSsf, SumstatsFormat::Plink2Glm, SumstatsFormat::Plink1Assoc,
                                  SumstatsFormat::Regenie, SumstatsFormat::Saige,     SumstatsFormat::BoltLmm,
                                  SumstatsFormat::Metal,   SumstatsFormat::Custom};
    std::vector<std::string> names;
    for (SumstatsFormat f : all)
        names.push_back(format_name(f));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

} // namespace

namespace {

TEST(SumstatsReader, OlderSaigePrefersRsid)
{
    TempDir dir;
    write_file(dir.file("saige_old.txt"),
               "CHR POS rsid SNPID Allele1 Allele2 p.value\n1 13528 rs1 1:13528_C/G C G 0.615624\n");
    const ReadResult r = read_all(dir.file("saige_old.txt"));
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(join(r.layout.columns_used), "id=rsid,chr=CHR,pos=POS,a1=Allele1,a2=Allele2,p=p.value");
}

} // namespace
