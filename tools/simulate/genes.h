#ifndef KESTO_SIMULATE_GENES_H
#define KESTO_SIMULATE_GENES_H

#include "snps.h"

#include <cstdint>
#include <string>
#include <vector>

struct Gene {
    int chromosome = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;   // > start
    std::string id;         // ENSG00000123456
    std::string name;       // GENE001
};

// Genes spread evenly over the chromosomes, sorted by chromosome then start,
// each 10-150 kb long (shorter only when a chromosome is too small to hold
// them) and inside the span of the chromosome's SNPs. On each chromosome with
// at least four genes the second overlaps the first and the third starts
// within 50 kb of the genes before it; the first chromosome with at least three
// genes has one gene starting 50,001-50,400 bp after the end of all genes
// before it. The other gaps are random: overlaps, gaps under 50 kb, or gaps of
// at least 60 kb.
std::vector<Gene> make_genes(std::uint64_t seed, const std::vector<SnpMap>& maps, int genes);

#endif
