// Rows of the summary statistics that no reference site can match are set
// aside (a scratch file) instead of held in the index. Everything a run
// reports must be what the whole index gives: the matched SNPs, every count,
// the genome-build check and the report of left-out rows, line for line.
#include "dropped_rows.h"
#include "preparation.h"
#include "reference/keep_list.h"
#include "reference/plink_panel.h"
#include "reference_sieve.h"
#include "sumstats_index.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

namespace {

using kesto_test::TempDir;
using kesto_test::write_file;

// A PLINK set of two chromosomes (4 individuals, random codes): sites every
// 10 bp from 1000, a few sharing a place, a few without an id.
void write_reference(const TempDir& dir, std::mt19937& random)
{
    const char* pairs[][2] = {{"A", "G"}, {"C", "T"}, {"A", "C"}, {"G", "T"}, {"A", "T"}, {"AT", "A"}};
    std::string bim, bed("\x6c\x1b\x01", 3);
    for (int chromosome = 1; chromosome <= 2; ++chromosome)
        for (int i = 0; i < 300; ++i) {
            const int position = 1000 + 10 * i - (i % 97 == 5 ? 10 : 0);
            const auto* pair = pairs[random() % 6];
            const std::string id = i % 53 == 7 ? "." : "rs" + std::to_string(chromosome * 1000 + i);
            bim += std::to_string(chromosome) + "\t" + id + "\t0\t" + std::to_string(position) + "\t" + pair[0] +
                   "\t" + pair[1] + "\n";
            bed += static_cast<char>(random() & 0xff);
        }
    write_file(dir.file("ref.bim"), bim);
    write_file(dir.file("ref.bed"), bed);
    write_file(dir.file("ref.fam"), "f1 i1 0 0 0 -9\nf2 i2 0 0 0 -9\nf3 i3 0 0 0 -9\nf4 i4 0 0 0 -9\n");
}

// Summary statistics mixing rows at reference sites (alleles fitting or
// not), rows at places without a site (often copies of one another), ids of
// the reference at other places, and rows failing a check while read. With
// `by_id` the table has no positions and rows are matched by id.
void write_sumstats(const TempDir& dir, std::mt19937& random, bool by_id)
{
    const char* alleles[] = {"A", "G", "C", "T", "AT"};
    std::string table = by_id ? "MarkerName\tAllele1\tAllele2\tP-value\n"
                              : "chromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\trsid\n";
    for (int row = 0; row < 2500; ++row) {
        const unsigned kind = random() % 10;
        const int chromosome = 1 + static_cast<int>(random() % 3);
        const int i = static_cast<int>(random() % 320);
        std::string place = std::to_string(1000 + 10 * i + (kind >= 4 ? 5 * static_cast<int>(random() % 2) : 0));
        std::string id = kind == 9 ? "." : (kind % 3 == 0 ? "x" + std::to_string(random() % 150)
                                                           : "rs" + std::to_string(chromosome * 1000 + i));
        std::string p = std::to_string((random() % 1000 + 1) / 1000.0);
        std::string chromosome_text = std::to_string(chromosome);
        if (row % 211 == 3)
            p = "NA";
        if (row % 401 == 17)
            p = "1.5";
        if (row % 307 == 11)
            chromosome_text = "chrUn";
        if (row % 263 == 19)
            place = "NA";
        const std::string a1 = alleles[random() % 5], a2 = alleles[random() % 5];
        table += by_id ? id + "\t" + a1 + "\t" + a2 + "\t" + p + "\n"
                       : chromosome_text + "\t" + place + "\t" + a1 + "\t" + a2 + "\t" + p + "\t" + id + "\n";
    }
    write_file(dir.file(by_id ? "ids.tsv" : "places.tsv"), table);
}

struct Outcome {
    std::vector<std::string> lines;  // status, counts, matched SNPs, then the report of left-out rows
    std::size_t held = 0;
    bool elsewhere = false;
};

Outcome run(const TempDir& dir, const std::string& sumstats, bool sieve, int threads)
{
    Outcome outcome;
    SumstatsReader reader;
    EXPECT_TRUE(reader.open(sumstats, SumstatsOptions()).ok());
    ReferenceSieve places;
    if (sieve) {
        EXPECT_TRUE(sieve_plink_sites(dir.file("ref"), places).ok());
    }
    SumstatsIndex index(reader.layout().has_positions ? SumstatsIndex::Key::Position : SumstatsIndex::Key::Id,
                        sieve ? &places : nullptr);
    PrepareReport report;
    Status status = read_sumstats(reader, index, report, threads, 7);
    PlinkPanel panel;
    EXPECT_TRUE(panel.open(dir.file("ref"), KeepList()).ok());
    PrepareSettings settings;
    settings.allow_build_mismatch = true;
    const BlockSink sink = [&](ChromosomeBlock& block) {
        return block.visit_sorted([&](std::int64_t position, std::string_view id, std::string_view p_text,
                                      const std::uint8_t* packed) {
            outcome.lines.push_back(block.chromosome() + ":" + std::to_string(position) + " " + std::string(id) +
                                    " " + std::string(p_text) + " " + std::to_string(packed[0]));
            return Status();
        });
    };
    if (status.ok())
        status = match_reference(panel, index, settings, sink, report, nullptr);
    outcome.lines.push_back(status.ok() ? "ok" : status.message);
    std::string counts;
    for (long n : report.excluded)
        counts += std::to_string(n) + " ";
    outcome.lines.push_back(counts + std::to_string(report.rows) + " " + std::to_string(report.kept) + " " +
                            std::to_string(report.id_matched) + " " + std::to_string(report.positions_agree) + " " +
                            std::to_string(report.build_mismatch) + " " + std::to_string(report.valid_p) + " " +
                            std::to_string(report.above_half));
    EXPECT_TRUE(write_excluded(index, dir.file("excluded.tsv.gz")).ok());
    for (const std::string& line : kesto_test::lines_of(kesto_test::read_gz(dir.file("excluded.tsv.gz"))))
        outcome.lines.push_back(line);
    outcome.held = index.size();
    outcome.elsewhere = index.elsewhere() != nullptr;
    return outcome;
}

TEST(ReferenceSieve, RowsSetAsideGiveWhatTheWholeIndexGives)
{
    for (const bool by_id : {false, true})
        for (unsigned seed = 1; seed <= 4; ++seed) {
            SCOPED_TRACE((by_id ? "by id, seed " : "by place, seed ") + std::to_string(seed));
            TempDir dir;
            std::mt19937 random(seed);
            write_reference(dir, random);
            write_sumstats(dir, random, by_id);
            const std::string sumstats = dir.file(by_id ? "ids.tsv" : "places.tsv");
            const Outcome whole = run(dir, sumstats, false, 1);
            // The data reach every reason the sieve must reproduce.
            std::string all;
            for (const std::string& line : whole.lines)
                all += line + "\n";
            for (const char* word : {"\tduplicated\t", "\tnot_in_reference\t", "\talleles_not_reference_pair\t", "\tp_missing\t"})
                EXPECT_TRUE(kesto_test::contains(all, word)) << word;
            for (const int threads : {1, 3}) {
                const Outcome sieved = run(dir, sumstats, true, threads);
                EXPECT_EQ(sieved.lines, whole.lines) << threads << " threads";
                EXPECT_LT(sieved.held, whole.held / 2);
                EXPECT_EQ(sieved.elsewhere, !by_id);
            }
        }
}

// Places found by the cursor's steps forward, in ascending order and
// after jumps back, against a plain set; ids against the ids added.
TEST(ReferenceSieve, PlacesAndIdsAgainstPlainSets)
{
    std::mt19937 random(3);
    ReferenceSieve sieve;
    std::set<std::pair<std::string, std::int64_t>> places;
    std::set<std::string> ids;
    for (const char* chromosome : {"1", "X"}) {
        std::int64_t position = 0;
        for (int i = 0; i < 20000; ++i) {
            position += 1 + static_cast<std::int64_t>(random() % (i % 1000 == 0 ? 100000 : 60));
            ReferenceSite site;
            site.chromosome = chromosome;
            site.position = position;
            site.id = "rs" + std::to_string(random() % 1000000);
            sieve.add(site);
            places.insert({chromosome, position});
            ids.insert(site.id);
        }
    }
    sieve.finish();
    EXPECT_EQ(sieve.slot("2"), -1);
    for (const bool ascending : {true, false}) {
        ReferenceSieve::Cursor cursor;
        for (int i = 0; i < 200000; ++i) {
            const std::string chromosome = i % 5000 < 4000 ? "1" : "X";
            const std::int64_t position = ascending ? i * 7 : static_cast<std::int64_t>(random() % 1500000);
            ASSERT_EQ(sieve.has_place(sieve.slot(chromosome), position, cursor), places.count({chromosome, position}) > 0)
                << chromosome << ":" << position;
        }
    }
    long passed = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string id = "rs" + std::to_string(i * 5);
        const bool pass = sieve.may_have_id(id);
        if (ids.count(id)) {
            ASSERT_TRUE(pass) << id;
        }
        passed += pass && !ids.count(id);
    }
    EXPECT_LT(passed, 4000) << passed;  // of about 180,000 ids of no site the filter lets through 1 to 2 %
}

// Without a scratch file (TMPDIR unusable) every row is held, and the run
// gives the same.
TEST(ReferenceSieve, NoScratchFileHoldsEveryRow)
{
    TempDir dir;
    std::mt19937 random(7);
    write_reference(dir, random);
    write_sumstats(dir, random, false);
    const Outcome whole = run(dir, dir.file("places.tsv"), false, 1);
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("TMPDIR", dir.file("no/such/folder").c_str(), 1);
    const Outcome sieved = run(dir, dir.file("places.tsv"), true, 1);
    if (before != nullptr)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(sieved.lines, whole.lines);
    EXPECT_EQ(sieved.held, whole.held);
}

// Rows read back across many buffers of the scratch file, texts of any
// length, lines that jump, places past 32 bits and chromosomes past 255
// names, with the copies among them found by place and allele pair, or by
// id.
TEST(DroppedRows, ReadBackInOrderWithCopiesFound)
{
    for (const bool by_id : {false, true}) {
        DroppedRows rows(by_id, by_id ? 1000 : std::size_t{1} << 20);  // keys in many chunks, or in one
        ASSERT_TRUE(rows.open().ok());
        std::vector<DroppedRows::Row> written;
        for (int i = 0; i < 40000; ++i) {
            DroppedRows::Row row;
            row.line = 2 + 3L * i + (i % 5000 == 0 ? 100000L * i : 0) + (i > 5000 ? 500000000L : 0);
            const int same = by_id && i % 20000 == 7 ? 7 : i;  // ids 7 and 20007 are one
            row.id = (by_id ? "id" : "rs") + std::to_string(same) + std::string(static_cast<std::size_t>(same % 301), 'x');
            row.chromosome = i < 30000 ? std::to_string(1 + i % 22) : "scaffold" + std::to_string(i % 400);
            row.position = i % 1000 == 0 ? -1 : 100 + i + (i % 777 == 0 ? std::int64_t{1} << 40 : 0);
            row.allele1 = i % 2 ? "A" : "T";
            row.allele2 = i % 2 ? "G" : (i == 12 ? "A" : "C");
            row.reason = i % 11 == 0 ? Exclusion::PMissing : Exclusion::None;
            if (!by_id && row.position < 0 && row.reason == Exclusion::None)
                row.reason = Exclusion::PositionMissing;  // as the index reads such a row
            // Places: rows 5 and 3 (A/G both), 6 and 4 (T/C both), 9 and 8
            // (A/G against T/C: one pair on either strand), 12 and 10 but
            // with other pairs (T/A against T/C).
            const int at = i == 5 || i == 6 ? i - 2 : (i == 9 || i == 12 ? i - (i == 9 ? 1 : 2) : i);
            if (!by_id && at != i) {
                row.chromosome = std::to_string(1 + at % 22);
                row.position = 100 + at;
            }
            ASSERT_TRUE(rows.add(row).ok());
            written.push_back(row);
        }
        ASSERT_TRUE(rows.finish().ok());
        DroppedRows::Reader reader(rows);
        DroppedRows::Row row;
        std::size_t n = 0;
        long duplicated = 0;
        while (reader.next(row)) {
            ASSERT_LT(n, written.size());
            const DroppedRows::Row& w = written[n];
            EXPECT_EQ(row.line, w.line);
            EXPECT_EQ(row.id, w.id);
            EXPECT_EQ(row.chromosome, w.chromosome);
            EXPECT_EQ(row.position, w.position);
            EXPECT_EQ(row.allele1 + "/" + row.allele2, w.allele1 + "/" + w.allele2);
            const bool copy = by_id ? (n == 7 || n == 20007) : (n == 3 || n == 4 || n == 5 || n == 6 || n == 8 || n == 9);
            const Exclusion expected = w.reason != Exclusion::None ? w.reason
                                       : copy                      ? Exclusion::Duplicated
                                                                   : Exclusion::NotInReference;
            EXPECT_EQ(row.reason, expected) << n;
            duplicated += row.reason == Exclusion::Duplicated;
            ++n;
        }
        EXPECT_TRUE(reader.status().ok());
        EXPECT_EQ(n, written.size());
        EXPECT_EQ(rows.counts()[static_cast<std::size_t>(Exclusion::Duplicated)], duplicated);
        EXPECT_EQ(rows.counts()[static_cast<std::size_t>(Exclusion::PMissing)], 3637);
    }
}

} // namespace
