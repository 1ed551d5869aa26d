// Window scan library: layout, SNP ranges, p-values, hits, rows, the scan's
// output, the converter commands and the readers of the window inputs.

#include "binomial_tail.h"
#include "converters.h"
#include "shell_quote.h"
#include "marker_files.h"
#include "reference_files.h"
#include "result_writer.h"
#include "snp_range.h"
#include "test_support.h"
#include "window_layout.h"
#include "window_p.h"
#include "window_scan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using kesto_test::read_file;
using kesto_test::TempDir;
using kesto_test::write_file;
using namespace window_scan;

using kesto_test::log_is;

ScanRegion region(std::int64_t start, std::int64_t end)
{
    ScanRegion r;
    r.start = start;
    r.end = end;
    return r;
}

// ---------------------------------------------------------------- layout

TEST(WindowLayout, WindowsStopAtOrBeforeTheRegionEnd)
{
    const ScanRegion r = region(0, 250);
    ASSERT_EQ(window_count(r, 100, 60), 3);
    const std::int64_t expected[3][2] = {{0, 100}, {60, 160}, {120, 220}};
    for (int w = 0; w < 3; ++w) {
        const Window window = window_at(r, 100, 60, w);
        EXPECT_EQ(window.start, expected[w][0]);
        EXPECT_EQ(window.end, expected[w][1]);
    }
    // A spare length that is a multiple of the step is covered to the end.
    EXPECT_EQ(window_count(region(0, 220), 100, 60), 3);
    EXPECT_EQ(window_at(region(0, 220), 100, 60, 2).end, 220);
}

TEST(WindowLayout, RegionShorterThanOneWindow)
{
    // Shorter by less than a step: one window, reaching past the end.
    EXPECT_EQ(window_count(region(0, 50), 100, 60), 1);
    EXPECT_EQ(window_count(region(0, 41), 100, 60), 1);
    EXPECT_EQ(window_at(region(0, 50), 100, 60, 0).end, 100);
    // Shorter by a step or more: none.
    EXPECT_EQ(window_count(region(0, 40), 100, 60), 0);
    EXPECT_EQ(window_count(region(0, 10), 100, 60), 0);
    EXPECT_EQ(window_count(region(300, 100), 100, 60), 0);
    // A region of one position and a width of one.
    EXPECT_EQ(window_count(region(7, 7), 1, 1), 0);
    EXPECT_EQ(window_count(region(7, 8), 1, 1), 1);
}

TEST(WindowLayout, SixtyFourBitsAgreeWithThirtyTwoWhereThoseDoNotOverflow)
{
    for (std::int32_t start : {-1000, -7, 0, 13}) {
        for (std::int32_t length = -200; length <= 400; length += 3) {
            for (std::int32_t width : {1, 50, 100}) {
                for (std::int32_t step : {1, 7, 60, 500}) {
                    const std::int32_t spare = start + length - start - width;
                    const std::int32_t narrow = 1 + spare / step;
                    EXPECT_EQ(window_count(region(start, start + length), width, step), narrow > 0 ? narrow : 0)
                        << start << " " << length << " " << width << " " << step;
                }
            }
        }
    }
    // The widest stretch: no overflow in the count or the last window.
    const ScanRegion widest = region(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    const std::int64_t count = window_count(widest, 1, 1);
    EXPECT_EQ(count, 4294967295LL);
    const Window last = window_at(widest, 1, 1, count - 1);
    EXPECT_EQ(last.start, std::numeric_limits<std::int32_t>::max() - 1LL);
    EXPECT_EQ(last.end, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(window_count(widest, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()),
              2);
}

TEST(WindowLayout, MinusOneStandsForTheFirstAndLastSnp)
{
    const std::vector<std::int32_t> positions = {1200, 1500, 4000};
    EXPECT_EQ(resolve_region(-1, -1, positions).start, 1200);
    EXPECT_EQ(resolve_region(-1, -1, positions).end, 4000);
    EXPECT_EQ(resolve_region(-2, 0, positions).start, -2);
    EXPECT_EQ(resolve_region(-2, 0, positions).end, 0);
    EXPECT_EQ(resolve_region(1300, -1, positions).start, 1300);
}

// ---------------------------------------------------------------- SNP range

TEST(SnpRange, FirstReachingOnSortedPositions)
{
    const PositionIndex index({10, 20, 20, 30});
    EXPECT_EQ(index.first_reaching(5), 0u);
    EXPECT_EQ(index.first_reaching(10), 0u);
    EXPECT_EQ(index.first_reaching(11), 1u);
    EXPECT_EQ(index.first_reaching(20), 1u);
    EXPECT_EQ(index.first_reaching(21), 3u);
    EXPECT_EQ(index.first_reaching(30), 3u);
    EXPECT_EQ(index.first_reaching(31), 4u);
    EXPECT_EQ(index.first_reaching(std::int64_t{1} << 40), 4u);
    EXPECT_EQ(PositionIndex({}).first_reaching(0), 0u);

    // start <= position < end
    const SnpRange range = snps_between(index, 20, 30);
    EXPECT_EQ(range.first, 1u);
    EXPECT_EQ(range.count, 2);
    EXPECT_EQ(snps_between(index, 31, 40).count, 0);
    EXPECT_EQ(snps_between(index, 31, 40).first, 4u);
}

TEST(SnpRange, UnsortedPositionsGiveTheUpwardScansIndex)
{
    const std::vector<std::int32_t> positions = {50, 10, 40, 60, 5, 70, 65};
    const PositionIndex index(positions);
    for (std::int64_t bound = -5; bound <= 80; ++bound) {
        std::size_t scan = 0;
        while (scan < positions.size() && positions[scan] < bound)
            ++scan;
        EXPECT_EQ(index.first_reaching(bound), scan) << bound;
    }
}

// ---------------------------------------------------------------- p-value

TEST(WindowP, IntegrandInDoublePrecision)
{
    EXPECT_DOUBLE_EQ(integrand(1.0), 0.24197072658293114);
    EXPECT_DOUBLE_EQ(integrand(4.0), 0.02699548348684068);
    EXPECT_EQ(integrand(0.0), std::numeric_limits<double>::infinity());
}

TEST(WindowP, InterpolatedBinomialTail)
{
    EXPECT_NEAR(window_p(3, 1.5, 0.05), 0.0749375, 1e-12);
    EXPECT_NEAR(window_p(3, 1.0, 0.05), 0.142625, 1e-12);
    EXPECT_NEAR(window_p(2, 0.5, 0.05), 0.54875, 1e-12);
    EXPECT_NEAR(window_p(5, 0.0, 0.05), 1.0, 1e-15);
    // Alpha is not narrowed: the tail of one hit in one trial is alpha itself.
    EXPECT_DOUBLE_EQ(window_p(1, 1.0, 0.1), 0.1);
    EXPECT_DOUBLE_EQ(window_p(1, 1.0, 0.05), 0.05);
}

TEST(WindowP, CountsAHairAboveTheTrialsUseTheTailAtTheTrials)
{
    const double above = std::nextafter(3.0, 4.0) + 2e-7;
    EXPECT_NEAR(window_p(3, above, 0.05), 0.05 * 0.05 * 0.05, 1e-15);
    EXPECT_NEAR(window_p(1, 1.0000001, 0.2), 0.2, 1e-15);
}

TEST(WindowP, FallbackWhenTheTailIsZero)
{
    ASSERT_EQ(binomial_upper_tail(1100.0, 0.5, 1100.0), 0.0);
    // z = (1100 - 550) / sqrt(550 * 0.5), z * z = 1100
    EXPECT_NEAR(window_p(1100, 1100.0, 0.5), 1.6529079943611183e-241, 1.6529079943611183e-241 * 1e-12);
    // Extreme alphas stay inside the distribution's domain.
    EXPECT_EQ(window_p(2, 0.0, 0.0), 1.0);
    EXPECT_EQ(window_p(2, 2.0, 1.0), 1.0);
}

// ---------------------------------------------------------------- hits

TEST(WindowHits, NarrowedPValueWidenedAgainstDoubleAlpha)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> p = {0.01f, 0.05f, 0.5f, nan, 0.0f, static_cast<float>(0.0500000009)};
    EXPECT_EQ(window_hits(p, 0.05), (std::vector<float>{1, 0, 0, 0, 1, 0}));
    // 0.0500000009 is stored as the float 0.05000000075; alpha lies between.
    EXPECT_EQ(window_hits(p, 0.0500000008), (std::vector<float>{1, 1, 0, 0, 1, 1}));
    // A double alpha just above the float of 0.05 (a float alpha would equal it).
    EXPECT_EQ(window_hits({0.05f}, 0.05000000075), std::vector<float>{1});
    EXPECT_EQ(window_hits(p, 0.0), (std::vector<float>{0, 0, 0, 0, 0, 0}));
}

// ---------------------------------------------------------------- windows

// Genotypes of `snps` SNPs in `samples` individuals drawn from four founder
// haplotypes, so that neighbouring SNPs share LD; deterministic.
CodeTable founder_codes(int snps, int samples, std::uint32_t seed)
{
    std::uint32_t state = seed;
    const auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::vector<std::vector<int>> founders(4, std::vector<int>(static_cast<std::size_t>(snps)));
    for (auto& f : founders)
        for (auto& allele : f)
            allele = next() % 3 == 0 ? 1 : 0;
    CodeTable codes;
    codes.samples = samples;
    codes.codes.assign(static_cast<std::size_t>(snps * samples), 0);
    for (int i = 0; i < samples; ++i) {
        const auto& a = founders[next() % 4];
        const auto& b = founders[next() % 4];
        for (int s = 0; s < snps; ++s)
            codes.codes[static_cast<std::size_t>(s * samples + i)] = a[static_cast<std::size_t>(s)] + b[static_cast<std::size_t>(s)];
    }
    return codes;
}

ScanSettings settings(std::int64_t start, std::int64_t end, std::int32_t width, std::int32_t step, double alpha,
                      double share)
{
    ScanSettings s;
    s.region = region(start, end);
    s.width = width;
    s.step = step;
    s.alpha = alpha;
    s.share = share;
    return s;
}

TEST(WindowRows, OneSnpWindows)
{
    ScanTables tables;
    tables.positions = {100, 250};
    tables.hits = {0.0f, 1.0f};
    tables.codes = founder_codes(2, 12, 3);
    WindowScan scan(tables, settings(100, 350, 100, 150, 0.05, 0.8));
    ASSERT_EQ(scan.count(), 2);

    const WindowRow miss = scan.row(0);
    EXPECT_FALSE(miss.empty);
    EXPECT_EQ(miss.components, 1);
    EXPECT_EQ(miss.nhit, 0.0);
    EXPECT_EQ(miss.p, 1.0);
    EXPECT_EQ(format_row(miss), "100\t200\t1\t0\t1");

    const WindowRow hit = scan.row(1);
    EXPECT_EQ(hit.components, 1);
    EXPECT_EQ(hit.nhit, 1.0);
    EXPECT_DOUBLE_EQ(hit.p, 0.05);
    EXPECT_EQ(format_row(hit), "250\t350\t1\t1\t0.05");
}

TEST(WindowRows, EmptyWindow)
{
    ScanTables tables;
    tables.positions = {100, 400};
    tables.hits = {1.0f, 1.0f};
    tables.codes = founder_codes(2, 12, 3);
    WindowScan scan(tables, settings(100, 400, 100, 100, 0.05, 0.8));
    ASSERT_EQ(scan.count(), 3);
    const WindowRow row = scan.row(1);
    EXPECT_TRUE(row.empty);
    EXPECT_EQ(format_row(row), "200\t300\t0\t0\t-1");
}

TEST(WindowRows, AllHitWindowsGiveAlphaToTheComponentCount)
{
    const int snps = 12;
    ScanTables tables;
    for (int i = 0; i < snps; ++i)
        tables.positions.push_back(1000 + 10 * i);
    tables.hits.assign(snps, 1.0f);
    tables.codes = founder_codes(snps, 40, 11);
    int kept_several = 0;
    for (const double share : {0.5, 0.8, 0.95, 1.0}) {
        for (const double alpha : {0.05, 0.3}) {
            WindowScan scan(tables, settings(1000, 1120, 120, 10, alpha, share));
            ASSERT_EQ(scan.count(), 1);
            const WindowRow row = scan.row(0);
            ASSERT_FALSE(row.empty);
            EXPECT_GE(row.components, 1);
            EXPECT_LE(row.components, snps);
            kept_several += row.components > 1;
            EXPECT_NEAR(row.nhit, row.components, 1e-5 * row.components);
            const double expected = std::pow(alpha, row.components);
            EXPECT_NEAR(row.p, expected, 1e-4 * expected) << share << " " << alpha;
        }
    }
    EXPECT_GT(kept_several, 0);
}

TEST(WindowRows, WindowsInLdAndApart)
{
    // SNPs 0 and 1 carry the same codes (r2 = 1): one component, half of it
    // on the hit. SNP 2 is monomorphic, so it has no LD with SNP 3: two
    // components, one of them wholly on the hit.
    const std::vector<int> a = {0, 1, 2, 1, 0, 1, 2, 0, 1, 1};
    ScanTables tables;
    tables.positions = {100, 150, 300, 320};
    tables.hits = {1.0f, 0.0f, 0.0f, 1.0f};
    tables.codes.samples = 10;
    for (const auto* row : {&a, &a, static_cast<const std::vector<int>*>(nullptr), &a})
        for (int s = 0; s < 10; ++s)
            tables.codes.codes.push_back(row ? (*row)[static_cast<std::size_t>(s)] : 0);
    WindowScan scan(tables, settings(100, 400, 100, 200, 0.05, 0.8));
    ASSERT_EQ(scan.count(), 2);
    const WindowRow pair = scan.row(0);
    EXPECT_EQ(pair.components, 1);
    EXPECT_NEAR(pair.nhit, 0.5, 1e-6);
    EXPECT_NEAR(pair.p, 0.525, 1e-6);
    const WindowRow apart = scan.row(1);
    EXPECT_EQ(apart.components, 2);
    EXPECT_NEAR(apart.nhit, 1.0, 1e-6);
    EXPECT_NEAR(apart.p, 0.0975, 1e-9);
}

TEST(RunScan, WritesHeaderRowsLogLinesAndRunningTime)
{
    TempDir dir;
    ScanTables tables;
    tables.positions = {0, 70, 130, 240};
    tables.hits = {1.0f, 0.0f, 1.0f, 0.0f};
    tables.codes = founder_codes(4, 20, 5);
    const ScanSettings s = settings(0, 250, 100, 60, 0.05, 0.8);
    {
        ResultWriter results("test", dir.file("r.out"));
        ResultWriter log("test", dir.file("r.log"));
        ASSERT_TRUE(run_scan(tables, s, results, log, std::clock()));
    }
    WindowScan scan(tables, s);
    const std::string expected = std::string(kResultsHeader) + "\n" + format_row(scan.row(0)) + "\n" +
                                 format_row(scan.row(1)) + "\n" + format_row(scan.row(2)) + "\n";
    EXPECT_EQ(read_file(dir.file("r.out")), expected);
    EXPECT_EQ(format_row(scan.row(0)).substr(0, 6), "0\t100\t");
    EXPECT_EQ(format_row(scan.row(1)).substr(0, 7), "60\t160\t");
    EXPECT_EQ(format_row(scan.row(2)).substr(0, 8), "120\t220\t");
    EXPECT_TRUE(log_is(read_file(dir.file("r.log")), "in window 0\nin window 1\nin window 2\n"))
        << read_file(dir.file("r.log"));

    // No window: the header alone, and the log holds only the running time.
    {
        ResultWriter results("test", dir.file("none.out"));
        ResultWriter log("test", dir.file("none.log"));
        ASSERT_TRUE(run_scan(tables, settings(0, 30, 100, 60, 0.05, 0.8), results, log, std::clock()));
    }
    EXPECT_EQ(read_file(dir.file("none.out")), "reg_start\treg_end\tnsnp\tnhit\tregp\n");
    EXPECT_TRUE(log_is(read_file(dir.file("none.log")), "")) << read_file(dir.file("none.log"));
}

// ---------------------------------------------------------------- converters

TEST(Converters, CommandsQuoteEveryName)
{
    EXPECT_EQ(shell_quote(""), "''");
    EXPECT_EQ(shell_quote("plain"), "'plain'");
    EXPECT_EQ(shell_quote("it's"), "'it'\\''s'");
    EXPECT_EQ(morrow_words("bin/morrow", "my set"), (std::vector<std::string>{"bin/morrow", "-o", "my set", "my set"}));
    EXPECT_EQ(transpose_words("./transpose", "a'b"), (std::vector<std::string>{"./transpose", "a'b.gt"}));
    EXPECT_EQ(marker_file("x y"), "x y.mk");
    EXPECT_EQ(genotype_file("x y"), "x y.tg");
}

TEST(Converters, TheShellReadsAQuotedNameBackUnchanged)
{
    TempDir dir;
    const std::vector<std::string> names = {"a b", "it's", "''", "$(touch hit)", "`touch hit`", "x;touch hit",
                                            "tab\there", "line\nbreak", "\\'\\", "*", "-o"};
    for (const auto& name : names) {
        const auto run = kesto_test::run_command("/bin/sh", {"-c", "printf '%s' " + shell_quote(name)}, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, name);
    }
    EXPECT_FALSE(kesto_test::file_exists(dir.file("hit")));
}

// ---------------------------------------------------------------- readers

TEST(MarkerReader, PositionsFromFieldTwo)
{
    TempDir dir;
    std::vector<std::int32_t> positions;
    write_file(dir.file("tab.mk"), "chr\tsnp\tpos\ta0\ta1\n1\trs1\t100\tA\tG\n1\trs2\t250\tC\tT");
    ASSERT_EQ(read_markers(dir.file("tab.mk"), positions).status, ReadStatus::Ok);
    EXPECT_EQ(positions, (std::vector<std::int32_t>{100, 250}));  // last line without newline counts
    write_file(dir.file("space.mk"), "chr snp pos\n1 rs1 7\n1 rs2 9\n");
    ASSERT_EQ(read_markers(dir.file("space.mk"), positions).status, ReadStatus::Ok);
    EXPECT_EQ(positions, (std::vector<std::int32_t>{7, 9}));
    write_file(dir.file("header.mk"), "chr\tsnp\tpos\n");
    ASSERT_EQ(read_markers(dir.file("header.mk"), positions).status, ReadStatus::Ok);
    EXPECT_TRUE(positions.empty());
    EXPECT_EQ(read_markers(dir.file("none.mk"), positions).status, ReadStatus::NotFound);
}

TEST(MarkerReader, RefusesShortLinesAndBadPositions)
{
    TempDir dir;
    std::vector<std::int32_t> positions;
    write_file(dir.file("short.mk"), "h\n1\trs1\t100\n1\trs2\n");
    ReadOutcome read = read_markers(dir.file("short.mk"), positions);
    EXPECT_EQ(read.status, ReadStatus::Malformed);
    EXPECT_NE(read.message.find(dir.file("short.mk") + " line 3"), std::string::npos) << read.message;
    write_file(dir.file("bad.mk"), "h\n1\trs1\t1e5\n");
    read = read_markers(dir.file("bad.mk"), positions);
    EXPECT_EQ(read.status, ReadStatus::Malformed);
    EXPECT_NE(read.message.find("line 2: position '1e5'"), std::string::npos) << read.message;
    write_file(dir.file("blank.mk"), "h\n1\trs1\t100\n\n");
    EXPECT_EQ(read_markers(dir.file("blank.mk"), positions).status, ReadStatus::Malformed);
}

TEST(AssociationReader, OneLinePerMarker)
{
    TempDir dir;
    PValueList list;
    write_file(dir.file("a.txt"), "snp_id\tposition\tpvalue\nrs1\t100\t0.01\nrs2\t250\tNA\nrs3\t300\t1e-8");
    ASSERT_EQ(read_association_results(dir.file("a.txt"), 3, list).status, ReadStatus::Ok);
    ASSERT_EQ(list.pvalues.size(), 3u);
    EXPECT_EQ(list.pvalues[0], 0.01f);
    EXPECT_TRUE(std::isnan(list.pvalues[1]));
    EXPECT_EQ(list.pvalues[2], 1e-8f);
    EXPECT_EQ(list.nonnumeric_pvalues, 1);

    ReadOutcome read = read_association_results(dir.file("a.txt"), 2, list);
    EXPECT_EQ(read.status, ReadStatus::Malformed);
    EXPECT_NE(read.message.find(dir.file("a.txt") + " line 4: one data line more than the 2 SNPs"),
              std::string::npos)
        << read.message;
    read = read_association_results(dir.file("a.txt"), 5, list);
    EXPECT_EQ(read.status, ReadStatus::Malformed);
    EXPECT_NE(read.message.find(dir.file("a.txt") + " line 5: missing; the file holds 3 data lines, but the marker "
                                                    "file has 5 SNPs"),
              std::string::npos)
        << read.message;

    write_file(dir.file("short.txt"), "h\nrs1 100 0.3\nrs2 0.2\n");
    read = read_association_results(dir.file("short.txt"), 2, list);
    EXPECT_EQ(read.status, ReadStatus::Malformed);
    EXPECT_NE(read.message.find("line 3: expected at least 3 fields"), std::string::npos) << read.message;
    EXPECT_EQ(read_association_results(dir.file("none.txt"), 2, list).status, ReadStatus::NotFound);
}

TEST(GenotypeRows, OneLeadingFieldWithProgress)
{
    TempDir dir;
    write_file(dir.file("g.tg"), "snp\ts1\ts2\ts3\nrs1\t0\t1\t2\nrs2 2  1\t-1\r\nrs3\t1\t1\t1\n");
    int samples = 0;
    ASSERT_EQ(read_genotype_header(dir.file("g.tg"), 1, samples).status, ReadStatus::Ok);
    EXPECT_EQ(samples, 3);
    CodeTable codes;
    std::vector<std::size_t> seen;
    ASSERT_EQ(read_genotype_rows(dir.file("g.tg"), 1, 2, samples, codes,
                                 [&seen](std::size_t row) { seen.push_back(row); })
                  .status,
              ReadStatus::Ok);
    EXPECT_EQ(codes.codes, (std::vector<std::int32_t>{0, 1, 2, 2, 1, -1}));
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1}));

    seen.clear();
    const ReadOutcome shortfall = read_genotype_rows(dir.file("g.tg"), 1, 5, samples, codes,
                                                     [&seen](std::size_t row) { seen.push_back(row); });
    EXPECT_EQ(shortfall.status, ReadStatus::Malformed);
    EXPECT_NE(shortfall.message.find(dir.file("g.tg") + " line 5: missing"), std::string::npos) << shortfall.message;
    EXPECT_EQ(seen.size(), 3u);
}

} // namespace
