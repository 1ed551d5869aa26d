// The legend reader (per-chromosome SNP positions and p-values).

#include "fuzz_input.h"
#include "reference_files.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("legend_chr1.txt", std::string(reinterpret_cast<const char*>(data), size));
    LegendTable table;
    const ReadOutcome outcome = read_legend(path, table);
    FUZZ_CHECK(outcome.status != ReadStatus::NotFound);
    if (outcome.status == ReadStatus::Malformed) {
        FUZZ_CHECK(outcome.message.find(path) == 0);
        return 0;
    }
    FUZZ_CHECK(table.positions.size() == table.pvalues.size());
    long nans = 0;
    for (const float p : table.pvalues)
        nans += std::isnan(p) ? 1 : 0;
    FUZZ_CHECK(table.nonnumeric_pvalues <= nans);
    const std::vector<float> hits = hits_below(table.pvalues, 0.05f);
    FUZZ_CHECK(hits.size() == table.pvalues.size());
    return 0;
}
