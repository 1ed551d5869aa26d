// The SNP table and genotype file as kesto_matrix reads them, and the first
// windows of a scan over what was read. The input is the SNP table, the
// separator byte, then the genotype file; its first byte sets alpha, the
// window width and the step.

#include "fuzz_input.h"
#include "window_args.h"
#include "window_inputs.h"
#include "window_scan.h"

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const std::vector<std::string> parts = kesto_fuzz::split_input(setting.data, setting.size, 2);
    const std::string table_path = kesto_fuzz::put_file("table.txt", parts[0]);
    const std::string genotype_path = kesto_fuzz::put_file("geno.txt", parts[1]);

    window_scan::WindowArgs args;
    args.alpha = (setting.value & 3u) / 3.0;
    args.share = 0.8;
    args.width = 1 << ((setting.value >> 2) & 15u);
    args.step = 1 + static_cast<std::int32_t>(setting.value >> 6) * args.width / 2;

    window_scan::ScanTables tables;
    if (window_scan::load_snp_table("fuzz", table_path, args.alpha, tables.positions, tables.hits) !=
        window_scan::kGoOn)
        return 0;
    FUZZ_CHECK(!tables.positions.empty());
    FUZZ_CHECK(tables.hits.size() == tables.positions.size());
    if (window_scan::load_codes("fuzz", genotype_path, 2, tables.positions.size(), window_scan::Progress::Quiet,
                                tables.codes) != window_scan::kGoOn)
        return 0;
    FUZZ_CHECK(tables.codes.snps() == tables.positions.size());

    const window_scan::ScanSettings settings = window_scan::scan_settings(args, tables.positions);
    window_scan::WindowScan scan(tables, settings);
    window_scan::ScanSettings reference_settings = settings;
    reference_settings.reference = true;
    window_scan::WindowScan reference(tables, reference_settings);
    for (std::int64_t w = 0; w < std::min<std::int64_t>(scan.count(), 4); ++w) {
        const window_scan::WindowRow row = scan.row(w);
        // The band of shared pairs gives the row of a window analysed afresh.
        FUZZ_CHECK(window_scan::format_row(row) == window_scan::format_row(reference.row(w)));
        FUZZ_CHECK(row.window.end - row.window.start == args.width);
        if (row.empty) {
            FUZZ_CHECK(row.p == -1.0);
            continue;
        }
        FUZZ_CHECK(row.components >= 1);
        FUZZ_CHECK(!std::isnan(row.nhit) && row.nhit >= 0.0 && row.nhit <= row.components + 1e-3);
        FUZZ_CHECK(!std::isnan(row.p) && row.p >= 0.0 && row.p <= 1.0 + 1e-9);
    }
    return 0;
}
