// The gene location readers (gene-loc, BED, GTF, GFF3) and the GMT reader;
// the input is a gene file and a GMT file cut at the separator byte.

#include "fuzz_input.h"
#include "genes/gene_locations.h"
#include "genes/gene_sets.h"
#include "sumstats/chromosome_names.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = kesto_fuzz::split_input(data, size, 2);
    const std::string genes_path = kesto_fuzz::put_file("genes.txt", parts[0]);
    const std::string sets_path = kesto_fuzz::put_file("sets.gmt", parts[1]);
    GeneLocationTable genes;
    const Status read = read_gene_locations(genes_path, genes);
    if (!read.ok()) {
        FUZZ_CHECK(read.code == StatusCode::Malformed && read.message.find(genes_path) == 0);
        genes = GeneLocationTable{};
    }
    for (const GeneLocation& g : genes.genes) {
        FUZZ_CHECK(!g.chromosome.empty() && canonical_chromosome(g.chromosome) == g.chromosome);
        FUZZ_CHECK(g.start >= 1 && g.end > g.start && g.end <= 2147483647);
        FUZZ_CHECK(g.name.find('\t') == std::string::npos && g.id.find('\t') == std::string::npos);
        FUZZ_CHECK(g.name.find('\n') == std::string::npos && !g.name.empty());
    }
    std::ostringstream list;
    write_gene_list(list, genes);
    GeneSetTable sets;
    const Status sets_read = read_gene_sets(sets_path, sets);
    if (!sets_read.ok()) {
        FUZZ_CHECK(sets_read.code == StatusCode::Malformed && sets_read.message.find(sets_path) == 0);
        return 0;
    }
    match_gene_sets(sets, genes);
    for (const GeneSet& set : sets.sets) {
        FUZZ_CHECK(!set.id.empty() && !set.name.empty());
        FUZZ_CHECK(set.missing_members + set.members_by_id <= static_cast<long>(set.members.size()));
    }
    std::ostringstream pathways;
    write_pathway_file(pathways, sets);
    return 0;
}
