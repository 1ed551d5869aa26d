// Pathway lines and the regions built from them. The input is a gene list,
// the separator byte, then pathway lines.

#include "csvline.h"
#include "fuzz_input.h"
#include "gene_table.h"
#include "pathway_line.h"
#include "pathway_regions.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = kesto_fuzz::split_input(data, size, 2);
    const std::string path = kesto_fuzz::put_file("genes.txt", parts[0]);
    GeneTable table;
    FUZZ_CHECK(read_gene_table(path, table));

    std::istringstream lines(parts[1]);
    std::string line;
    while (std::getline(lines, line)) {
        PathwayLine pathway;
        if (!parse_pathway_line(line, pathway))
            continue;
        const std::vector<GeneEntry> regions = pathway_regions(table.genes, pathway.members);
        // Merged regions of one chromosome are sorted and lie more than the
        // merge distance apart.
        for (std::size_t i = 1; i < regions.size(); ++i) {
            const GeneEntry& a = regions[i - 1];
            const GeneEntry& b = regions[i];
            if (a.chromosome != b.chromosome)
                continue;
            FUZZ_CHECK(a.start <= b.start);
            FUZZ_CHECK(static_cast<std::int64_t>(b.start) - a.end > 2 * static_cast<std::int64_t>(kMergeMargin));
        }
    }
    return 0;
}
