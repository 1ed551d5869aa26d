#ifndef KESTO_IO_REFERENCE_CHROMOSOME_SETS_H
#define KESTO_IO_REFERENCE_CHROMOSOME_SETS_H

#include "status.h"

#include <string>
#include <vector>

// Expands a reference name holding '@' (standing for the chromosome, as in
// PLINK) into the names of the chromosomes present, in the order 1-22, X, Y,
// XY, MT; `suffix` is the file whose existence tells that a set is present
// (".bed" for a PLINK prefix, "" for a VCF). A name "chr@" works as it stands.
// A name without '@' gives itself. NotFound when no chromosome is present.
Status expand_chromosome_sets(const std::string& pattern, const std::string& suffix,
                              std::vector<std::string>& names);

#endif
