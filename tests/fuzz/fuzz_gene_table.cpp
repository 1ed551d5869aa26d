// The gene list reader and the chromosome names taken from it.

#include "chromosome_name.h"
#include "fuzz_input.h"
#include "gene_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = kesto_fuzz::put_file("genes.txt", std::string(reinterpret_cast<const char*>(data), size));
    GeneTable table;
    FUZZ_CHECK(read_gene_table(path, table).ok());
    for (const std::string& warning : table.warnings)
        FUZZ_CHECK(warning.find(path + " line ") == 0);
    for (const GeneEntry& gene : table.genes) {
        FUZZ_CHECK(gene.start <= gene.end);
        const std::string name = chromosome_text(gene.chromosome);
        if (is_safe_chromosome(name)) {
            // A name that may become part of a file name stays in its folder.
            FUZZ_CHECK(name.find('/') == std::string::npos);
            FUZZ_CHECK(name != "." && name != "..");
            FUZZ_CHECK(name.find('\0') == std::string::npos);
        }
    }
    return 0;
}
