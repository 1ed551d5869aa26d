// Reads a summary-statistics file through SumstatsReader and reports rows per
// second: the share of a prepare run spent reading its input.
// usage: bench_sumstats_read FILE [REPEATS]
#include "sumstats/sumstats_reader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_sumstats_read FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    for (int k = 0; k < repeats; ++k) {
        const auto start = std::chrono::steady_clock::now();
        SumstatsReader reader;
        const Status opened = reader.open(argv[1], SumstatsOptions{});
        if (!opened.ok()) {
            std::fprintf(stderr, "%s\n", opened.message.c_str());
            return 1;
        }
        SumstatsRecord record;
        long records = 0, ok = 0;
        while (reader.next(record)) {
            ++records;
            ok += record.p_state == PState::Ok;
        }
        if (!reader.status().ok()) {
            std::fprintf(stderr, "%s\n", reader.status().message.c_str());
            return 1;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %s, %ld records (%ld with p), %ld other tests, %.3f s, %.2f M rows/s\n", argv[1],
                    format_name(reader.layout().format), records, ok, reader.skipped_other_tests(), seconds,
                    reader.rows() / seconds / 1e6);
    }
    return 0;
}
