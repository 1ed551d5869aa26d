#ifndef KESTO_SIMULATE_PATHWAYS_H
#define KESTO_SIMULATE_PATHWAYS_H

#include "genes.h"

#include <cstdint>
#include <string>
#include <vector>

struct Pathway {
    std::string id;                    // PW001
    std::string name;                  // pathway_001_signalling
    std::vector<std::string> members;  // gene names
};

// `count` pathways of 2-12 distinct genes each (fewer when there are fewer
// genes). Every third pathway holds a pair of neighbouring genes that overlap
// or lie within 50 kb; the second holds the pair 50,001-50,400 bp apart when
// there is one; every fourth shares a gene with the one before it; the third
// also lists one name missing from the gene list; and the last lists only
// names missing from the gene list.
std::vector<Pathway> make_pathways(std::uint64_t seed, const std::vector<Gene>& genes, int count);

#endif
