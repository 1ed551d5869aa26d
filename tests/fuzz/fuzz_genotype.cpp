// The genotype file reader: header, then rows of labels and codes. The first
// byte picks the number of leading label fields (1 for the converted .tg, 2
// for the per-chromosome files) and how many rows are asked for.

#include "fuzz_input.h"
#include "reference_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const int leading = 1 + static_cast<int>(setting.value & 1u);
    const std::size_t snps = (setting.value >> 1) & 15u;
    const std::string path = kesto_fuzz::put_file(
        "genotype_chr1.txt", std::string(reinterpret_cast<const char*>(setting.data), setting.size));

    int samples = 0;
    const ReadOutcome header = read_genotype_header(path, leading, samples);
    FUZZ_CHECK(header.status != ReadStatus::NotFound);
    if (header.status == ReadStatus::Malformed) {
        FUZZ_CHECK(header.message.find(path) == 0);
        return 0;
    }
    FUZZ_CHECK(samples >= 1);

    CodeTable codes;
    std::size_t rows_seen = 0;
    const ReadOutcome rows = read_genotype_rows(path, leading, snps, samples, codes, [&](std::size_t row) {
        FUZZ_CHECK(row == rows_seen);
        ++rows_seen;
    });
    FUZZ_CHECK(rows.status != ReadStatus::NotFound);
    if (rows.status == ReadStatus::Malformed) {
        FUZZ_CHECK(rows.message.find(path) == 0);
        FUZZ_CHECK(rows_seen < snps);
        return 0;
    }
    FUZZ_CHECK(rows_seen == snps);
    FUZZ_CHECK(codes.samples == samples);
    FUZZ_CHECK(codes.snps() == snps);
    return 0;
}
