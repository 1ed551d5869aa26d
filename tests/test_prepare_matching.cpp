// The pieces of kesto prepare's matching: allele pairs, the summary-statistics
// index (checks while reading, duplicates, look-ups), keep lists, the .bed
// reader's checks and the output folder's refusals.
#include "alleles.h"
#include "chromosome_block.h"
#include "output_folder.h"
#include "preparation.h"
#include "reference/bed_file.h"
#include "reference/keep_list.h"
#include "reference/plink_panel.h"
#include "sumstats_index.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>


#include <map>

namespace {

using kesto_test::TempDir;
using kesto_test::contains;
using kesto_test::write_file;

TEST(Alleles, PairsMatchInEitherOrderAndOnEitherStrand)
{
    struct Case {
        const char *a, *b, *r1, *r2;
        bool fit;
    };
    const Case cases[] = {
        {"A", "G", "A", "G", true},   {"G", "A", "A", "G", true},   {"T", "C", "A", "G", true},
        {"C", "T", "A", "G", true},   {"A", "C", "A", "G", false},  {"A", "T", "A", "T", true},
        {"T", "A", "A", "T", true},   {"G", "", "A", "G", true},    {"C", "", "A", "G", true},
        {"T", "", "A", "C", true},    {"G", "", "A", "C", true},    {"", "", "A", "C", true},
        {"AT", "A", "A", "AT", true}, {"TA", "T", "A", "AT", true}, {"AT", "G", "A", "AT", false},
        {"N", "A", "A", "G", false},  {"", "G", "A", "G", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(alleles_fit(c.a, c.b, c.r1, c.r2), c.fit) << c.a << "/" << c.b << " vs " << c.r1 << "/" << c.r2;
}

TEST(Alleles, StrandHelpers)
{
    EXPECT_EQ(flip_strand("ACGT"), "TGCA");
    EXPECT_EQ(flip_strand("AN"), "AN");  // not a base: left alone
    EXPECT_TRUE(strand_ambiguous("A", "T"));
    EXPECT_TRUE(strand_ambiguous("G", "C"));
    EXPECT_FALSE(strand_ambiguous("A", "G"));
    EXPECT_FALSE(strand_ambiguous("AT", "TA"));
    // One key for a pair in any order and on any strand; other pairs differ.
    EXPECT_EQ(pair_key("A", "G"), pair_key("G", "A"));
    EXPECT_EQ(pair_key("A", "G"), pair_key("T", "C"));
    EXPECT_EQ(pair_key("A", "G"), pair_key("C", "T"));
    EXPECT_NE(pair_key("A", "G"), pair_key("A", "C"));
    EXPECT_EQ(pair_key("A", ""), pair_key("T", ""));
}

SumstatsRecord record(long line, const std::string& id, const std::string& chromosome, std::int64_t position,
                      const std::string& a1, const std::string& a2, double p, PState state = PState::Ok)
{
    SumstatsRecord r;
    r.line = line;
    r.id = id;
    r.chromosome = chromosome;
    r.raw_chromosome = chromosome.empty() ? "chrUn" : chromosome;
    r.position = position;
    r.allele1 = a1;
    r.allele2 = a2;
    r.p = p;
    r.p_state = state;
    r.p_text = std::to_string(p);
    return r;
}

TEST(SumstatsIndex, ChecksWhileReadingAndDuplicates)
{
    SumstatsIndex index(SumstatsIndex::Key::Position);
    index.add(record(2, "a", "1", 100, "A", "G", 0.1));
    index.add(record(3, "b", "", 200, "A", "G", 0.2));                        // chromosome not understood
    index.add(record(4, "c", "1", -1, "A", "G", 0.3));                        // no position
    index.add(record(5, "d", "1", 300, "A", "G", 0, PState::Missing));
    index.add(record(6, "e", "1", 400, "A", "G", 0, PState::NotNumber));
    index.add(record(7, "f", "1", 500, "A", "G", 0, PState::OutOfRange));
    index.add(record(8, "g", "1", 600, "A", "C", 0.6));                       // duplicated (other strand)
    index.add(record(9, "h", "1", 600, "G", "T", 0.7));
    index.add(record(10, "i", "1", 600, "A", "G", 0.8));                      // same place, other pair: kept
    index.add(record(11, "j", "2", 600, "A", "C", 0.9));                      // other chromosome: kept
    index.add(record(12, "k", "1", 700, "A", "G", 0.2, PState::Missing));     // a copy without p ...
    index.add(record(13, "l", "1", 700, "A", "G", 0.2));                      // ... does not make this a duplicate
    index.finish();
    const Exclusion expected[] = {Exclusion::None,       Exclusion::ChromosomeUnknown, Exclusion::PositionMissing,
                                  Exclusion::PMissing,   Exclusion::PNotNumber,        Exclusion::POutOfRange,
                                  Exclusion::Duplicated, Exclusion::Duplicated,        Exclusion::None,
                                  Exclusion::None,       Exclusion::PMissing,          Exclusion::None};
    ASSERT_EQ(index.size(), 12u);
    for (std::uint32_t r = 0; r < index.size(); ++r)
        EXPECT_EQ(index.reason(r), expected[r]) << "row " << r;
    EXPECT_EQ(index.valid_p(), 8);
    EXPECT_EQ(index.p_above_half(), 4);
    EXPECT_EQ(index.chromosome(1), "chrUn");

    // Look-ups: by place (only rows still open are indexed) and by id.
    const auto at600 = index.at("1", 600);
    EXPECT_EQ(at600.last - at600.first, 3);
    EXPECT_TRUE(index.at("1", 601).empty());
    EXPECT_TRUE(index.at("7", 100).empty());
    const auto d = index.with_id("d");
    ASSERT_EQ(d.last - d.first, 1);
    EXPECT_EQ(*d.first, 3u);
    EXPECT_TRUE(index.with_id("zz").empty());

    // Settling: a hinted row takes the hint, the others are not in the reference.
    index.hint(0, Exclusion::AllelesDiffer);
    index.set_matched(8);
    index.settle();
    EXPECT_EQ(index.reason(0), Exclusion::AllelesDiffer);
    EXPECT_EQ(index.reason(8), Exclusion::None);
    EXPECT_EQ(index.reason(9), Exclusion::NotInReference);
}

TEST(SumstatsIndex, ByIdDuplicatesAndMissingIds)
{
    SumstatsIndex index(SumstatsIndex::Key::Id);
    index.add(record(2, "rs1", "", -1, "a", "g", 0.1));
    index.add(record(3, "rs1", "", -1, "A", "G", 0.2));
    index.add(record(4, "", "", -1, "A", "G", 0.3));
    index.add(record(5, "rs2", "", -1, "A", "G", 0.4));
    index.finish();
    EXPECT_EQ(index.reason(0), Exclusion::Duplicated);
    EXPECT_EQ(index.reason(1), Exclusion::Duplicated);
    EXPECT_EQ(index.reason(2), Exclusion::IdMissing);
    EXPECT_EQ(index.reason(3), Exclusion::None);
}

TEST(SumstatsIndex, TextsComeBackWholeAcrossBlocksAndAtAnyLength)
{
    // Enough rows to fill several arena blocks, with texts around the
    // 255-byte escape and of 64 kB and more (an indel allele, an id) among
    // them, and an unknown chromosome kept as written.
    SumstatsIndex index(SumstatsIndex::Key::Position);
    std::vector<SumstatsRecord> kept;
    long line = 1;
    const char* chromosomes[] = {"2", "1", "X", "1"};
    for (int i = 0; i < 120000; ++i) {
        std::string a1 = i % 997 == 5 ? std::string(70000 + i % 3, 'A') : "A";
        if (i % 89 == 1)
            a1 = std::string(253 + i % 5, 'C');  // 253 to 257 bytes
        std::string id = i % 1499 == 7 ? "rs" + std::string(65535, '9') : "rs" + std::to_string(i);
        // Positions and line numbers past 32 bits are kept too, and lines
        // the file skipped (comments, blank lines, rows of other tests) at
        // irregular places, up to 256 at once.
        const std::int64_t position = i % 4001 == 3 ? (std::int64_t{5} << 32) + i : 100 + i;
        line += i % 3001 == 11 ? (long{6} << 32) : (i % 1009 == 3 ? 254 + i % 3 : (i % 7 == 0 ? 1 + i % 3 : 1));
        const std::string chromosome = i % 5000 == 0 ? "" : chromosomes[(i / 1000) % 4];
        SumstatsRecord r = record(line, id, chromosome, position, a1, "GT", 0.5);
        r.p_text = std::to_string(i) + "e-3";
        index.add(r);
        kept.push_back(std::move(r));
    }
    index.finish();
    std::map<std::pair<std::string, std::int64_t>, std::vector<std::uint32_t>> rows_at;
    for (std::uint32_t row = 0; row < index.size(); ++row) {
        const SumstatsRecord& r = kept[row];
        ASSERT_EQ(index.id(row), r.id) << "row " << row;
        ASSERT_EQ(index.allele1(row), r.allele1) << "row " << row;
        ASSERT_EQ(index.allele2(row), r.allele2) << "row " << row;
        ASSERT_EQ(index.p_text(row), r.p_text) << "row " << row;
        const SumstatsIndex::Texts texts = index.texts(row);
        ASSERT_EQ(texts.id, r.id) << "row " << row;
        ASSERT_EQ(texts.allele1, r.allele1) << "row " << row;
        ASSERT_EQ(texts.allele2, r.allele2) << "row " << row;
        ASSERT_EQ(texts.p, r.p_text) << "row " << row;
        ASSERT_EQ(index.chromosome(row), r.chromosome.empty() ? r.raw_chromosome : r.chromosome) << "row " << row;
        ASSERT_EQ(index.line(row), r.line) << "row " << row;
        ASSERT_EQ(index.position(row), r.position) << "row " << row;
        if (index.reason(row) == Exclusion::None)
            rows_at[{r.chromosome, r.position}].push_back(row);
    }
    // Every id finds exactly its rows, in file order (ids are grouped by a
    // 32-bit hash: among 120,000 some share one).
    std::map<std::string, std::vector<std::uint32_t>> rows_of;
    for (std::uint32_t row = 0; row < kept.size(); ++row)
        rows_of[kept[row].id].push_back(row);
    for (const auto& [id, rows] : rows_of) {
        const auto found = index.with_id(id);
        ASSERT_EQ(std::vector<std::uint32_t>(found.first, found.last), rows) << id.substr(0, 20);
    }
    EXPECT_EQ(rows_of[kept[7].id].size(), 81u);
    EXPECT_TRUE(index.with_id("rs120000").empty());
    EXPECT_TRUE(index.with_id("").empty());
    // Every open row is found at its place, and only there (a place past 32
    // bits too); chromosomes first seen in any order, "1" and "X" in
    // position order (checked, not sorted), "2" not (sorted).
    EXPECT_EQ(rows_at.size(), 120000u - 24u);
    for (const auto& [place, rows] : rows_at) {
        const auto found = index.at(place.first, place.second);
        ASSERT_EQ(std::vector<std::uint32_t>(found.first, found.last), rows) << place.first << ":" << place.second;
    }
    EXPECT_TRUE(index.at("1", 99).empty());
    EXPECT_TRUE(index.at("2", (std::int64_t{5} << 32)).empty());
    EXPECT_TRUE(index.at("Y", 100).empty());

    // One cursor through places as a reference gives them: mostly ascending,
    // with gaps, repeats, steps back, absent places and chromosome changes;
    // every answer is the cursorless one.
    SumstatsIndex::PlaceCursor cursor;
    std::int64_t position = 50;
    long found = 0;
    for (int i = 0; i < 150000; ++i) {
        const std::string chromosome = i % 40000 < 35000 ? chromosomes[(i / 10000) % 3] : "Y";
        position += i % 97 == 0 ? -300 : (i % 13 == 0 ? 0 : (i % 11 == 0 ? 37 : 1));
        if (i % 50000 == 49999)
            position = (std::int64_t{5} << 32) - 10 + i % 7;
        else if (i % 50000 == 0)
            position = 50;
        const auto plain = index.at(chromosome, position);
        const auto walked = index.at(chromosome, position, cursor);
        ASSERT_EQ(std::vector<std::uint32_t>(walked.first, walked.last),
                  std::vector<std::uint32_t>(plain.first, plain.last))
            << "step " << i << " " << chromosome << ":" << position;
        found += !plain.empty();
    }
    EXPECT_GT(found, 40000);
}

// Everything read_sumstats leaves: its status, the report's counts and each
// row of the index, as text.
std::vector<std::string> read_with(const std::string& path, int threads, std::size_t batch_lines)
{
    SumstatsReader reader;
    const Status opened = reader.open(path, SumstatsOptions());
    if (!opened.ok())
        return {"open: " + opened.message};
    SumstatsIndex index(reader.layout().has_positions ? SumstatsIndex::Key::Position : SumstatsIndex::Key::Id);
    PrepareReport report;
    const Status status = read_sumstats(reader, index, report, threads, batch_lines);
    std::vector<std::string> out = {status.ok() ? "ok" : status.message,
                                    std::to_string(report.rows) + " " + std::to_string(report.skipped_other_tests) +
                                        " " + std::to_string(report.valid_p) + " " + std::to_string(report.above_half)};
    if (!status.ok())
        return out;
    for (std::uint32_t r = 0; r < index.size(); ++r)
        out.push_back(std::to_string(index.line(r)) + " " + std::string(index.id(r)) + " " +
                      std::string(index.chromosome(r)) + ":" + std::to_string(index.position(r)) + " " +
                      std::string(index.allele1(r)) + "/" + std::string(index.allele2(r)) + " " +
                      std::string(index.p_text(r)) + " " + exclusion_word(index.reason(r)) +
                      (index.underflow(r) ? " underflow" : ""));
    return out;
}

TEST(ReadSumstats, ThreadsAndBatchesGiveTheSameIndexReportAndErrors)
{
    TempDir dir;
    // Blank lines, rows of other tests, odd p-values and duplicates over
    // many batches; then the same with a bad row late in the file.
    std::string table = "#CHROM\tPOS\tID\tREF\tALT\tTEST\tP\n";
    for (int i = 0; i < 3000; ++i) {
        if (i % 101 == 0)
            table += "\n";
        const char* p = i % 37 == 0 ? "NA" : (i % 401 == 0 ? "1.5" : (i % 43 == 0 ? "1e-400" : "0.25"));
        table += std::to_string(1 + i % 3) + "\t" + std::to_string(1000 + i / 3 - (i % 97 == 0)) + "\trs" +
                 std::to_string(i % 1500) + "\tA\tG\t" + (i % 11 == 0 ? "DOM" : "ADD") + "\t" + p +
                 (i % 7 == 0 ? "0" : "") + "\n";
    }
    write_file(dir.file("many.glm.linear"), table);
    write_file(dir.file("bad.glm.linear"), table + "1\t5\trsX\tA\tG\tADD\n" + table);
    std::vector<std::string> files = {dir.file("many.glm.linear"), dir.file("bad.glm.linear")};
    for (const char* name : {"bolt.stats", "gwas_ssf.tsv", "gwas_ssf_log10.tsv", "metal1.tbl",
                             "plink1.assoc", "plink1.assoc.logistic", "plink2.PHENO1.glm.logistic.hybrid",
                             "regenie.step2_Y1.regenie", "saige.SAIGE.results.txt"})
        files.push_back(std::string(KESTO_SOURCE_DIR) + "/tests/data/sumstats/" + name);
    for (const std::string& file : files) {
        const std::vector<std::string> plain = read_with(file, 1, kSumstatsBatchLines);
        ASSERT_GE(plain.size(), 2u) << file;
        for (const std::size_t batch : {std::size_t{1}, std::size_t{7}, kSumstatsBatchLines})
            for (const int threads : {2, 3})
                ASSERT_EQ(read_with(file, threads, batch), plain) << file << ", " << threads << " threads, batch " << batch;
    }
    EXPECT_GT(read_with(files[0], 1, 1).size(), 2000u);
    EXPECT_TRUE(contains(read_with(files[1], 3, 7)[0], "bad.glm.linear line 3032: has 6 fields, the header has 7"))
        << read_with(files[1], 3, 7)[0];
}

// A p-value column that holds other numbers (-log10 p, a statistic), or a
// -log10 p column that holds p-values, ends the reading; a few stray values
// do not.
TEST(ReadSumstats, ColumnThatCannotHoldPValuesIsRefused)
{
    TempDir dir;
    struct Case {
        const char* column;  // header of the value column
        int rows;
        int odd;             // rows with the odd value
        const char* value;   // the usual value
        const char* odd_value;
        const char* failure; // empty: read
    };
    const Case cases[] = {
        {"p_value", 1000, 10, "0.5", "1.7", "10 of 1000 numbers in the p-value column p_value lie outside [0, 1]"},
        {"p_value", 1000, 9, "0.5", "1.7", ""},
        {"p_value", 1000, 10, "0.5", "-0.3", "lie outside [0, 1]"},
        {"p_value", 1000, 10, "0.5", "NA", ""},  // missing values are no numbers
        {"neg_log_10_p_value", 100, 0, "0.7", "", "none of 100 numbers in the -log10 p column neg_log_10_p_value"},
        {"neg_log_10_p_value", 99, 0, "0.7", "", ""},
        {"neg_log_10_p_value", 1000, 1, "0.7", "1.2", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.odd_value + " x" + std::to_string(c.odd));
        std::string table = std::string("chromosome\tbase_pair_location\t") + c.column + "\n";
        for (int i = 0; i < c.rows; ++i)
            table += "1\t" + std::to_string(100 + i) + "\t" + (i < c.odd ? c.odd_value : c.value) + "\n";
        write_file(dir.file("t.tsv"), table);
        SumstatsReader reader;
        ASSERT_TRUE(reader.open(dir.file("t.tsv"), SumstatsOptions()).ok());
        SumstatsIndex index(SumstatsIndex::Key::Position);
        PrepareReport report;
        const Status status = read_sumstats(reader, index, report);
        if (*c.failure == 0) {
            EXPECT_TRUE(status.ok()) << status.message;
        } else {
            EXPECT_EQ(status.code, StatusCode::Malformed);
            EXPECT_TRUE(contains(status.message, c.failure)) << status.message;
        }
    }
}

TEST(KeepList, OneOrTwoIdsPerLine)
{
    TempDir dir;
    write_file(dir.file("keep"), "IND1\nFAM2 IND2 extra\n  \n# note\nFAM3\tIND3\r\n");
    KeepList keep;
    ASSERT_TRUE(keep.read(dir.file("keep")).ok());
    EXPECT_EQ(keep.entries(), 3u);
    EXPECT_TRUE(keep.keeps("ANY", "IND1"));
    EXPECT_TRUE(keep.keeps("FAM2", "IND2"));
    EXPECT_FALSE(keep.keeps("OTHER", "IND2"));  // the family must agree too
    EXPECT_TRUE(keep.keeps_sample("IND3"));
    EXPECT_TRUE(keep.keeps_sample("FAM2_IND2"));
    EXPECT_FALSE(keep.keeps_sample("IND4"));
    // Entries that keep nobody: by IID alone, or by both ids (a .fam), or by
    // IID or FID_IID (VCF sample names).
    EXPECT_EQ(keep.missing_from_fam({"F\tIND1", "FAM2\tIND2", "FAM3\tIND3"}), std::vector<std::string>{});
    EXPECT_EQ(keep.missing_from_fam({"F\tIND1", "OTHER\tIND2", "FAM3\tIND9"}),
              (std::vector<std::string>{"FAM2 IND2", "FAM3 IND3"}));
    EXPECT_EQ(keep.missing_from_samples({"IND1", "FAM2_IND2", "IND3"}), std::vector<std::string>{});
    EXPECT_EQ(keep.missing_from_samples({"X_IND1", "IND2"}), (std::vector<std::string>{"IND1", "FAM3 IND3"}));

    write_file(dir.file("empty"), "# nobody\n");
    KeepList none;
    const Status status = none.read(dir.file("empty"));
    EXPECT_EQ(status.code, StatusCode::Malformed);
    EXPECT_NE(status.message.find("no individual"), std::string::npos);
    EXPECT_EQ(KeepList().read(dir.file("missing")).code, StatusCode::NotFound);
}

TEST(BedFile, HeaderAndSizeChecked)
{
    TempDir dir;
    const auto name = [](std::uint64_t i) { return "s" + std::to_string(i + 1); };
    struct Case {
        std::string bytes, message;
    };
    const Case cases[] = {
        {"\x6c\x1b\x01\x1b\x2c", ""},
        {"\x6d\x1b\x01\x1b\x2c", "byte offset 0: not a PLINK .bed file"},
        {"\x6c\x1b", "only 2 bytes"},
        {std::string("\x6c\x1b\x00\x1b\x2c", 5), "individual-major"},
        {"\x6c\x1b\x01\x1b", "byte offset 4: file ends inside SNP 2 (s2)"},
        {std::string("\x6c\x1b\x01\x1b\x2c\x00", 6), "1 bytes more than expected"},
    };
    for (const Case& c : cases) {
        write_file(dir.file("t.bed"), c.bytes);
        BedFile bed;
        const Status status = bed.open(dir.file("t.bed"), 2, 3, name);
        if (c.message.empty()) {
            ASSERT_TRUE(status.ok()) << status.message;
            std::uint8_t row = 0;
            ASSERT_TRUE(bed.read_snp(1, &row).ok());
            EXPECT_EQ(row, 0x2c);
            ASSERT_TRUE(bed.read_snp(0, &row).ok());  // backwards: a seek
            EXPECT_EQ(row, 0x1b);
        } else {
            EXPECT_FALSE(status.ok());
            EXPECT_NE(status.message.find(c.message), std::string::npos) << status.message;
        }
    }
}

TEST(PlinkPanel, SitesAndCodes)
{
    TempDir dir;
    // Two SNPs of five individuals; bits 00 hom A1, 01 missing, 10 het, 11 hom A2.
    write_file(dir.file("r.bed"), std::string("\x6c\x1b\x01", 3) + std::string("\xe4\x03\x1b\x02", 4));
    write_file(dir.file("r.bim"), "chr1\trs1\t0\t100\ta\tg\n1\t.\t0\t200\tC\tT\n");
    write_file(dir.file("r.fam"), "F1 I1 0 0 1 -9\nF2 I2 0 0 1 -9\nF3 I3 0 0 1 -9\nF4 I4 0 0 1 -9\nF5 I5 0 0 1 -9\n");
    KeepList keep;
    PlinkPanel panel;
    ASSERT_TRUE(panel.open(dir.file("r"), keep).ok());
    EXPECT_EQ(panel.samples(), (std::vector<std::string>{"I1", "I2", "I3", "I4", "I5"}));
    ReferenceSite site;
    ASSERT_TRUE(panel.next(site));
    EXPECT_EQ(site.chromosome, "1");
    EXPECT_EQ(site.raw_chromosome, "chr1");
    EXPECT_EQ(site.allele1, "A");
    EXPECT_EQ(site.allele2, "G");
    std::uint8_t codes[2] = {0, 0};
    ASSERT_TRUE(panel.genotypes(codes).ok());
    // 0xe4 = 11 10 01 00 -> individuals 1-4: 2, missing, 1, 0; 0x03: individual 5 hom A2 -> 0.
    EXPECT_EQ(codes[0], 2 | kMissingCode << 2 | 1 << 4 | 0 << 6);
    EXPECT_EQ(codes[1] & 3, 0);
    ASSERT_TRUE(panel.next(site));
    EXPECT_EQ(site.id, "");
    EXPECT_EQ(site.position, 200);
    EXPECT_FALSE(panel.next(site));
    EXPECT_TRUE(panel.status().ok());

    // A bad .bim line is reported with its file and line.
    write_file(dir.file("r.bim"), "1\trs1\t0\t100\tA\tG\n1\trs2\t0\tx\tC\tT\n");
    PlinkPanel bad;
    ASSERT_TRUE(bad.open(dir.file("r"), keep).ok());
    ASSERT_TRUE(bad.next(site));
    EXPECT_FALSE(bad.next(site));
    EXPECT_NE(bad.status().message.find("r.bim line 2: position 'x'"), std::string::npos) << bad.status().message;
}

// Genotypes read later by place are those read during the walk, from a
// series of sets the walk has left, in any order, with and without --keep.
TEST(PlinkPanel, GenotypesByPlaceAreTheWalksInAnyOrder)
{
    TempDir dir;
    std::mt19937 random(11);
    const int individuals = 7;  // two bytes a row, the last half used
    std::string fam;
    for (int i = 0; i < individuals; ++i)
        fam += "F" + std::to_string(i) + " I" + std::to_string(i) + " 0 0 1 -9\n";
    for (int set = 1; set <= 2; ++set) {
        std::string bed("\x6c\x1b\x01", 3), bim;
        for (int snp = 0; snp < 5 + set; ++snp) {
            bed += static_cast<char>(random() & 0xff);
            bed += static_cast<char>(random() & 0x3f);
            bim += std::to_string(set) + "\trs" + std::to_string(set) + "_" + std::to_string(snp) + "\t0\t" +
                   std::to_string(100 * (snp + 1)) + "\tA\tG\n";
        }
        write_file(dir.file("r" + std::to_string(set) + ".bed"), bed);
        write_file(dir.file("r" + std::to_string(set) + ".bim"), bim);
        write_file(dir.file("r" + std::to_string(set) + ".fam"), fam);
    }
    write_file(dir.file("keep.txt"), "I6\nI1\nI4\nI2\nI5\n");
    for (const bool subset : {false, true}) {
        SCOPED_TRACE(subset ? "keep" : "all");
        KeepList keep;
        if (subset) {
            ASSERT_TRUE(keep.read(dir.file("keep.txt")).ok());
        }
        PlinkPanel panel;
        ASSERT_TRUE(panel.open(dir.file("r@"), keep).ok());
        ASSERT_TRUE(panel.locates());
        const std::size_t bytes = packed_bytes(panel.samples().size());
        std::vector<std::uint64_t> places;
        std::vector<std::vector<std::uint8_t>> walked;
        ReferenceSite site;
        while (panel.next(site)) {
            places.push_back(panel.location());
            walked.emplace_back(bytes);
            ASSERT_TRUE(panel.genotypes(walked.back().data()).ok());
        }
        ASSERT_TRUE(panel.status().ok()) << panel.status().message;
        ASSERT_EQ(places.size(), 13u);
        std::vector<std::size_t> order(places.size());
        std::iota(order.begin(), order.end(), 0);
        for (int round = 0; round < 3; ++round) {
            if (round == 1)
                std::reverse(order.begin(), order.end());
            if (round == 2)
                std::shuffle(order.begin(), order.end(), random);
            for (std::size_t k : order) {
                std::vector<std::uint8_t> read(bytes, 0xAA);
                ASSERT_TRUE(panel.genotypes_at(places[k], read.data()).ok());
                EXPECT_EQ(read, walked[k]) << "site " << k << ", round " << round;
            }
        }
    }
}

TEST(ChromosomeBlock, SortedByPositionAcrossChunks)
{
    TempDir dir;
    // Five individuals (two bytes a row) and chunks of three bytes: one row
    // per chunk.
    ChromosomeBlock block(3);
    block.reset("7", 5);
    const std::uint8_t rows[3][2] = {{0xe4, 0x01}, {0x1b, 0x03}, {0x00, 0x02}};
    block.add(300, "c", "0.3", rows[0]);
    block.add(100, "a", "1e-08", rows[1]);
    block.add(300, "d", "NA", rows[2]);  // same position: reference order kept
    ASSERT_EQ(block.size(), 3u);
    ASSERT_TRUE(block.write(dir.file("l.txt"), dir.file("g.txt"), false, {"s 1", "s2", "s3", "s4", "s5"}).ok());
    EXPECT_EQ(kesto_test::read_file(dir.file("l.txt")), "snp_id\tposition\tpvalue\na\t100\t1e-08\nc\t300\t0.3\nd\t300\tNA\n");
    EXPECT_EQ(kesto_test::read_file(dir.file("g.txt")),
              "snp_id\tposition\ts_1\ts2\ts3\ts4\ts5\n"
              "a\t100\t-1\t2\t1\t0\t-1\n"
              "c\t300\t0\t1\t2\t-1\t1\n"
              "d\t300\t0\t0\t0\t0\t2\n");
}

TEST(ChromosomeBlock, TakingFreesEachChunkOnceItsRowsAreVisited)
{
    // Seven individuals (two bytes a row), two rows a chunk; rows added in
    // position order but one, which comes last.
    const auto fill = [](ChromosomeBlock& block) {
        block.reset("2", 7);
        for (std::uint8_t i = 0; i < 9; ++i) {
            const std::uint8_t row[2] = {i, static_cast<std::uint8_t>(0x30 | i)};
            block.add(i == 4 ? 1000 : 10 * (i + 1), "s" + std::to_string(i), std::to_string(i), row);
        }
    };
    ChromosomeBlock seen(4), taken(4);
    fill(seen);
    fill(taken);
    std::vector<std::string> visited, took;
    ASSERT_TRUE(seen.visit_sorted([&](std::int64_t position, std::string_view id, std::string_view p,
                                      const std::uint8_t* codes) {
                        visited.push_back(std::to_string(position) + " " + std::string(id) + " " + std::string(p) +
                                          " " + std::to_string(codes[0]) + "," + std::to_string(codes[1]));
                        return Status();
                    }).ok());
    std::vector<std::size_t> held;
    const std::size_t full = taken.genotype_bytes();
    ASSERT_EQ(full, 5u * 4);
    ASSERT_TRUE(taken.take_sorted([&](std::int64_t position, std::string_view id, std::string_view p,
                                      const std::uint8_t* codes) {
                         took.push_back(std::to_string(position) + " " + std::string(id) + " " + std::string(p) + " " +
                                        std::to_string(codes[0]) + "," + std::to_string(codes[1]));
                         held.push_back(taken.genotype_bytes());
                         return Status();
                     }).ok());
    EXPECT_EQ(took, visited);
    // Rows 0-3, 5-8 in order, then 4: chunk {4,5} stays until the end. A
    // visitor sees the bytes before its own row's chunk may go.
    const std::vector<std::size_t> expected = {20, 20, 16, 16, 12, 12, 12, 8, 4};
    EXPECT_EQ(held, expected);
    EXPECT_EQ(taken.genotype_bytes(), 0u);
    EXPECT_EQ(taken.size(), 0u);
    EXPECT_EQ(taken.chromosome(), "2");

    // A visit that stops early still leaves no genotypes behind.
    fill(taken);
    int calls = 0;
    EXPECT_EQ(taken.take_sorted([&](std::int64_t, std::string_view, std::string_view, const std::uint8_t*) {
                       return ++calls == 3 ? Status(StatusCode::Malformed, "stop") : Status();
                   }).code,
              StatusCode::Malformed);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(taken.genotype_bytes(), 0u);
}

// A located block visits the SNPs as a block holding their genotypes does,
// reading each row through the fetch; a fetch that fails ends the visit.
TEST(ChromosomeBlock, LocatedBlockVisitsAsOneHoldingTheGenotypes)
{
    const std::vector<std::vector<std::uint8_t>> rows = {{0xe4, 0x01}, {0x1b, 0x03}, {0x00, 0x02}, {0x55, 0x00}};
    const std::int64_t positions[] = {300, 100, 300, 50};
    ChromosomeBlock held(4), located;
    held.reset("7", 5);
    located.reset("7", 5, true);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        held.add(positions[i], "s" + std::to_string(i), "0." + std::to_string(i), rows[i].data());
        located.add_located(positions[i], "s" + std::to_string(i), "0." + std::to_string(i), 1000 + i);
    }
    EXPECT_EQ(located.genotype_bytes(), 0u);
    std::vector<std::uint64_t> fetched;
    const ChromosomeBlock::Fetch fetch = [&](std::uint64_t location, std::uint8_t* packed) {
        fetched.push_back(location);
        std::copy(rows[location - 1000].begin(), rows[location - 1000].end(), packed);
        return Status();
    };
    const auto visits = [](std::vector<std::string>& out) {
        return [&out](std::int64_t position, std::string_view id, std::string_view p, const std::uint8_t* codes) {
            out.push_back(std::to_string(position) + " " + std::string(id) + " " + std::string(p) + " " +
                          std::to_string(codes[0]) + "," + std::to_string(codes[1]));
            return Status();
        };
    };
    std::vector<std::string> from_held, from_located;
    ASSERT_TRUE(held.take_sorted(visits(from_held)).ok());
    ASSERT_TRUE(located.take_sorted(visits(from_located), fetch).ok());
    EXPECT_EQ(from_located, from_held);
    EXPECT_EQ(fetched, (std::vector<std::uint64_t>{1003, 1001, 1000, 1002}));  // in position order
    EXPECT_EQ(located.size(), 0u);

    located.reset("7", 5, true);
    located.add_located(10, "a", "0.1", 1000);
    located.add_located(20, "b", "0.2", 1001);
    int visited = 0;
    const Status failed = located.take_sorted(
        [&](std::int64_t, std::string_view, std::string_view, const std::uint8_t*) {
            ++visited;
            return Status();
        },
        [](std::uint64_t location, std::uint8_t*) {
            return location == 1001 ? Status(StatusCode::ReadError, "r.bed: short read") : Status();
        });
    EXPECT_EQ(failed.code, StatusCode::ReadError);
    EXPECT_EQ(visited, 1);
}

TEST(OutputFolder, RefusesInputsAmongItsFiles)
{
    TempDir dir;
    OutputFolder out;
    ASSERT_TRUE(out.create(dir.file("a/b/")).ok());
    write_file(dir.file("a/b/genotype_chr3.txt.gz"), "x");
    write_file(dir.file("a/b/mine.assoc"), "x");
    write_file(dir.file("a/prepare.log"), "x");
    EXPECT_TRUE(out.check_inputs({dir.file("a/b/mine.assoc"), dir.file("a/prepare.log")}).ok());
    const Status clash = out.check_inputs({dir.file("a/b/../b/genotype_chr3.txt.gz")});
    EXPECT_EQ(clash.code, StatusCode::Clash);
    EXPECT_EQ(exit_code(clash), 2);
    for (const char* name : {"legend_chrX.txt", "legend_chr1.txt.gz", "genotype_chr22.txt", "prepare.log",
                             "excluded.tsv.gz", "genelist.txt", "pathways.txt", "legend_chr1.txt.gz.part"})
        EXPECT_TRUE(is_prepare_output_name(name)) << name;
    for (const char* name : {"legend_chr1.bim", "legend.txt", "genes.txt", "excluded.tsv"})
        EXPECT_FALSE(is_prepare_output_name(name)) << name;

    // Files appear under their names only on commit.
    write_file(out.start("prepare.log"), "log");
    EXPECT_FALSE(kesto_test::file_exists(dir.file("a/b/prepare.log")));
    ASSERT_TRUE(out.commit().ok());
    EXPECT_EQ(kesto_test::read_file(dir.file("a/b/prepare.log")), "log");
    write_file(out.start("excluded.tsv.gz"), "x");
    out.abandon();
    EXPECT_FALSE(kesto_test::file_exists(dir.file("a/b/excluded.tsv.gz.part")));
}

} // namespace
