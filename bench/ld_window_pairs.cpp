// Processor time per LD pair over every pair of SNPs within a distance, the
// pairs PLINK 1.9 reports with --r2 dprime --ld-window-kb KB --ld-window
// 99999 --ld-window-r2 0, on the same genotypes.
//
//   bench_ld_window_pairs LEGEND GENOTYPE KB
//
// Prints the pair count and the time per pair of counting alone and of the
// whole LD entry (counts, haplotype estimation, r^2 and D'), one pair at a
// time and a row of pairs at a time (BENCH_NO_ROWS: built against the base
// commit 2643a25, with its readers and no row batches).

#include "packed_codes.h"
#include "reference_files.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LEGEND GENOTYPE KB\n", argv[0]);
        return 2;
    }
    LegendTable legend;
    int samples = 0;
    PackedCodes codes;
#ifndef BENCH_NO_ROWS
    GenotypeReading reading;
    reading.samples_known = [&](int n) {
        samples = n;
        codes = PackedCodes(n);
        codes.reserve(legend.positions.size());
    };
    reading.sink = [&](const std::int32_t* row) { codes.add_row(row); };
    if (!read_legend(argv[1], legend).ok() ||
        (reading.snps = legend.positions.size(), !read_genotypes(argv[2], reading).ok())) {
        std::fprintf(stderr, "cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
#else
    // The readers of the base commit the script compares against.
    if (read_legend(argv[1], legend).status != ReadStatus::Ok ||
        read_genotype_header(argv[2], 2, samples).status != ReadStatus::Ok) {
        std::fprintf(stderr, "cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    codes = PackedCodes(samples);
    codes.reserve(legend.positions.size());
    if (read_genotype_rows(argv[2], 2, legend.positions.size(), samples,
                           [&](const std::int32_t* row) { codes.add_row(row); })
            .status != ReadStatus::Ok) {
        std::fprintf(stderr, "cannot read the rows of %s\n", argv[2]);
        return 1;
    }
#endif
    const std::int64_t reach = std::atoll(argv[3]) * 1000;
    const std::vector<std::int32_t>& pos = legend.positions;
    std::vector<std::size_t> last(pos.size());
    long pairs = 0;
    for (std::size_t a = 0, b = 0; a < pos.size(); ++a) {
        b = b < a ? a : b;
        while (b + 1 < pos.size() && static_cast<std::int64_t>(pos[b + 1]) - pos[a] <= reach)
            ++b;
        last[a] = b;
        pairs += static_cast<long>(b - a);
    }
    // Each measurement is the least of several runs: the processor time of a
    // shared machine varies from run to run.
    const int repeats = std::getenv("BENCH_REPEAT") ? std::atoi(std::getenv("BENCH_REPEAT")) : 5;
    long checksum = 0;
    double sum = 0.0, sum_rows = 0.0;
    std::clock_t counting = 0, single = 0, rows = 0;
    std::vector<float> row;
    for (int r = 0; r < repeats; ++r) {
        checksum = 0;
        sum = sum_rows = 0.0;
        const std::clock_t t0 = std::clock();
        for (std::size_t a = 0; a < pos.size(); ++a)
            for (std::size_t b = a + 1; b <= last[a]; ++b)
                checksum += codes.pair_table(a, b)(1, 1);
        const std::clock_t t1 = std::clock();
        for (std::size_t a = 0; a < pos.size(); ++a)
            for (std::size_t b = a + 1; b <= last[a]; ++b)
                sum += static_cast<double>(signed_ld(codes.pair_table(a, b)));
        const std::clock_t t2 = std::clock();
#ifndef BENCH_NO_ROWS
        for (std::size_t a = 0; a < pos.size(); ++a) {
            row.resize(last[a] - a);
            signed_ld_row(codes, a, a + 1, last[a] + 1, row.data());
            for (float v : row)
                sum_rows += static_cast<double>(v);
        }
#else
        sum_rows = sum;  // built against a tree without row batches
#endif
        const std::clock_t t3 = std::clock();
        if (r == 0 || t1 - t0 < counting)
            counting = t1 - t0;
        if (r == 0 || t2 - t1 < single)
            single = t2 - t1;
        if (r == 0 || t3 - t2 < rows)
            rows = t3 - t2;
    }
    const double per = 1e9 / CLOCKS_PER_SEC / static_cast<double>(pairs > 0 ? pairs : 1);
    std::printf("samples %d, SNPs %zu, pairs within %s kb %ld\n", samples, pos.size(), argv[3], pairs);
    std::printf("counting %.1f ns/pair; whole LD entry one pair at a time %.1f ns/pair, rows of pairs %.1f "
                "ns/pair (%.3f s)\n",
                static_cast<double>(counting) * per, static_cast<double>(single) * per,
                static_cast<double>(rows) * per, static_cast<double>(rows) / CLOCKS_PER_SEC);
    std::printf("checks %ld %.9g %.9g%s\n", checksum, sum, sum_rows, sum == sum_rows ? "" : " DIFFER");
    return 0;
}
