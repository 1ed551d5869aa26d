// How fast a genotype text file is parsed and packed: the reader the four
// programs use, on 1 and on 2 threads, in MB of text a second.
//
//   bench_genotype_text LEGEND GENOTYPE
//
// GENOTYPE should be uncompressed, so that the figure is the parsing and
// not the decompression. Each figure is the least wall time of BENCH_REPEAT
// runs (default 5); the file is read once before, so it comes from the
// page cache.

#include "packed_genotype_reading.h"
#include "reference_files.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

double seconds_to_read(const char* path, std::size_t snps, int threads, std::size_t& rows)
{
    GenotypeReading reading;
    reading.snps = snps;
    PackedCodes codes;
    reading.samples_known = [&](int n) {
        codes = PackedCodes(n);
        codes.reserve(snps);
    };
    const auto start = std::chrono::steady_clock::now();
    const Status status = read_packed_genotypes(path, reading, threads, codes);
    const auto end = std::chrono::steady_clock::now();
    if (!status.ok()) {
        std::fprintf(stderr, "%s\n", status.message.c_str());
        std::exit(1);
    }
    rows = codes.snps();
    return std::chrono::duration<double>(end - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LEGEND GENOTYPE\n", argv[0]);
        return 2;
    }
    LegendTable legend;
    if (!read_legend(argv[1], legend).ok()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    struct stat info {};
    if (stat(argv[2], &info) != 0) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const double megabytes = static_cast<double>(info.st_size) / 1e6;
    const int repeats = std::getenv("BENCH_REPEAT") ? std::atoi(std::getenv("BENCH_REPEAT")) : 5;
    std::size_t rows = 0;
    seconds_to_read(argv[2], legend.positions.size(), 1, rows);
    for (int threads : {1, 2}) {
        double best = 0.0;
        for (int r = 0; r < repeats; ++r) {
            const double s = seconds_to_read(argv[2], legend.positions.size(), threads, rows);
            best = (r == 0 || s < best) ? s : best;
        }
        std::printf("genotype text, %d thread(s): %zu rows, %.1f MB in %.3f s: %.0f MB/s\n", threads, rows,
                    megabytes, best, megabytes / best);
    }
    return 0;
}
