// The legend reader (per-chromosome SNP positions and p-values).

#include "fuzz_input.h"
#include "hit_rule.h"
#include "reference_files.h"

#include <algorithm>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("legend_chr1.txt", std::string(reinterpret_cast<const char*>(data), size));
    LegendTable table;
    const Status outcome = read_legend(path, table);
    FUZZ_CHECK(outcome.code != StatusCode::NotFound);
    if (!outcome.ok()) {
        FUZZ_CHECK(outcome.message.find(path) == 0);
        return 0;
    }
    FUZZ_CHECK(table.positions.size() == table.pvalues.size());
    FUZZ_CHECK(table.ids.size() == table.pvalues.size());
    FUZZ_CHECK(std::is_sorted(table.positions.begin(), table.positions.end()));
    long nans = 0;
    for (const float p : table.pvalues) {
        nans += std::isnan(p) ? 1 : 0;
        FUZZ_CHECK(std::isnan(p) || (p >= 0.0f && p <= 1.0f));
    }
    FUZZ_CHECK(table.tally.total() == nans);
    const std::vector<float> hits = hits_below(table.pvalues, 0.05f);
    FUZZ_CHECK(hits.size() == table.pvalues.size());
    return 0;
}
