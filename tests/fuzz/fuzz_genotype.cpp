// The genotype file reader: header, then rows of labels and codes. The first
// byte picks the number of leading label fields (1 for the converted .tg, 2
// for the per-chromosome files) and how many rows are asked for. The reader
// that parses and packs on worker threads must give the same status and
// the same codes.

#include "fuzz_input.h"
#include "packed_genotype_reading.h"
#include "reference_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const int leading = 1 + static_cast<int>(setting.value & 1u);
    const std::size_t snps = (setting.value >> 1) & 15u;
    const std::string path = kesto_fuzz::put_file(
        "genotype_chr1.txt", std::string(reinterpret_cast<const char*>(setting.data), setting.size));

    // Ids rs0, rs1, ... when the setting's top bit asks for the id check.
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < snps; ++i)
        ids.push_back("rs" + std::to_string(i));
    int samples = 0;
    std::size_t rows_seen = 0;
    CodeTable codes;
    GenotypeReading reading;
    reading.leading_fields = leading;
    reading.snps = snps;
    reading.ids = (setting.value & 128u) ? &ids : nullptr;
    reading.samples_known = [&](int n) {
        FUZZ_CHECK(n >= 1 && samples == 0);
        samples = n;
        codes.samples = n;
    };
    reading.sink = [&](const std::int32_t* row) {
        codes.codes.insert(codes.codes.end(), row, row + samples);
        ++rows_seen;
    };
    const Status rows = read_genotypes(path, reading);
    FUZZ_CHECK(rows.code != StatusCode::NotFound);

    PackedCodes packed;
    GenotypeReading packing = reading;
    packing.samples_known = [&](int n) { packed = PackedCodes(n); };
    std::size_t packed_rows = 0;
    const Status threaded =
        read_packed_genotypes(path, packing, 2, packed, [&](std::size_t row) { FUZZ_CHECK(row == packed_rows++); });
    FUZZ_CHECK(threaded.code == rows.code && threaded.message == rows.message);
    FUZZ_CHECK(packed_rows == rows_seen && packed.snps() == rows_seen);
    for (std::size_t s = 0; s < rows_seen; ++s)
        for (int i = 0; i < samples; ++i) {
            const std::int32_t c = codes.codes[s * static_cast<std::size_t>(samples) + static_cast<std::size_t>(i)];
            FUZZ_CHECK(packed.code(s, i) == (c >= 0 && c <= 2 ? c : -1));
        }

    if (!rows.ok()) {
        FUZZ_CHECK(rows.message.find(path) == 0);
        FUZZ_CHECK(rows_seen < snps || snps == 0);
        return 0;
    }
    FUZZ_CHECK(rows_seen == snps);
    FUZZ_CHECK(codes.samples == samples);
    FUZZ_CHECK(codes.snps() == snps);
    return 0;
}
