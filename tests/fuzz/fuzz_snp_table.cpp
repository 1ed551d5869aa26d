// The SNP table and genotype file as kesto_matrix reads them, and the first
// windows of a scan over what was read. The input is the SNP table, the
// separator byte, then the genotype file; its first byte sets alpha, the
// window width and the step.

#include "fuzz_input.h"
#include "hit_rule.h"
#include "reference_files.h"
#include "window_scan.h"

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const std::vector<std::string> parts = kesto_fuzz::split_input(setting.data, setting.size, 2);
    const std::string table_path = kesto_fuzz::put_file("table.txt", parts[0]);
    const std::string genotype_path = kesto_fuzz::put_file("geno.txt", parts[1]);

    const double alpha = (setting.value & 3u) / 3.0;
    const std::int32_t width = 1 << ((setting.value >> 2) & 15u);
    const std::int32_t step = 1 + static_cast<std::int32_t>(setting.value >> 6) * width / 2;

    LegendTable table;
    if (!read_legend(table_path, table).ok() || table.positions.empty())
        return 0;
    window_scan::ScanTables tables;
    tables.positions = table.positions;
    tables.hits = window_hits(table.pvalues, alpha);
    if (!read_genotype_table(genotype_path, 2, tables.positions.size(), &table.ids, tables.codes).ok())
        return 0;
    FUZZ_CHECK(tables.codes.snps() == tables.positions.size());

    window_scan::ScanSettings settings;
    settings.region = window_scan::resolve_region(window_scan::kDefaultBound, window_scan::kDefaultBound,
                                                  tables.positions);
    settings.width = width;
    settings.step = step;
    settings.alpha = alpha;
    settings.share = 0.8;
    window_scan::WindowScan scan(tables, settings);
    window_scan::ScanSettings reference_settings = settings;
    reference_settings.reference = true;
    window_scan::WindowScan reference(tables, reference_settings);
    for (std::int64_t w = 0; w < std::min<std::int64_t>(scan.count(), 4); ++w) {
        const window_scan::WindowRow row = scan.row(w);
        // The band of shared pairs gives the row of a window analysed afresh.
        FUZZ_CHECK(window_scan::format_row(row) == window_scan::format_row(reference.row(w)));
        FUZZ_CHECK(row.window.end - row.window.start == width);
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
