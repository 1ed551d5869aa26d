// One region of kesto_genelist: its legend and genotype files read from a
// folder, the LD matrix, the components and the regional p-value. The input
// is the legend, the separator byte, then the genotype file; its first byte
// sets alpha, the variance share and the region.

#include "fuzz_input.h"
#include "chromosome_store.h"
#include "legend_genotype_source.h"
#include "region_engine.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const std::vector<std::string> parts = kesto_fuzz::split_input(setting.data, setting.size, 2);
    kesto_fuzz::put_file("legend_chr1.txt", parts[0]);
    kesto_fuzz::put_file("genotype_chr1.txt", parts[1]);
    const std::string prefix = kesto_fuzz::scratch_dir() + "/";

    RegionSettings settings;
    settings.alpha = static_cast<float>(setting.value & 3u) / 3.0f;
    settings.variance_share = (setting.value & 4u) ? 1.0f : 0.8f;
    const std::int32_t start = (setting.value & 8u) ? 0 : 1000;
    const std::int32_t end = (setting.value & 16u) ? 2000000000 : 5000;
    settings.flank = (setting.value & 32u) ? -100 : 100;

    const LegendGenotypeSource source(prefix, prefix);
    const RegionReport region = make_reference_engine(source, settings)->evaluate("1", start, end);
    const int ncritical = region.triple.get<0>();
    const float nsignificant = region.triple.get<1>();
    const float p = region.triple.get<2>();
    switch (region.status) {
    case RegionStatus::Computed:
        FUZZ_CHECK(ncritical >= 1);
        FUZZ_CHECK(!std::isnan(nsignificant) && nsignificant >= 0.0f && nsignificant <= ncritical + 1e-3f);
        FUZZ_CHECK(!std::isnan(p) && p >= 0.0f && p <= 1.0f + 1e-6f);
        break;
    case RegionStatus::Empty:
        FUZZ_CHECK(ncritical == 0 && nsignificant == 0.0f && p == -1.0f);
        break;
    case RegionStatus::MissingFile:
        FUZZ_CHECK(false);  // both files were written
        break;
    case RegionStatus::BadInput:
        FUZZ_CHECK(region.problem.message.find(prefix) == 0);  // names the file
        break;
    }
    // The fast engine (chromosome store, packed codes) gives the same triple.
    ChromosomeStore store(source, std::size_t{1} << 28);
    const RegionReport report = make_stored_engine(store, settings)->evaluate("1", start, end);
    FUZZ_CHECK(report.status == region.status);
    FUZZ_CHECK(report.triple.get<0>() == ncritical);
    FUZZ_CHECK(std::memcmp(&report.triple.get<1>(), &nsignificant, sizeof nsignificant) == 0);
    FUZZ_CHECK(std::memcmp(&report.triple.get<2>(), &p, sizeof p) == 0);
    return 0;
}
