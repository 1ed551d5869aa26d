#ifndef KESTO_IO_SUMSTATS_CHROMOSOME_NAMES_H
#define KESTO_IO_SUMSTATS_CHROMOSOME_NAMES_H

#include <string>
#include <string_view>

// Canonical chromosome name: "1".."22", "X", "Y", "XY", "MT" from 1-26,
// X/Y/XY/MT/M with or without a "chr" prefix (any case); leading zeros of a
// number are allowed ("01"). Empty when the name is not understood.
std::string canonical_chromosome(std::string_view name);

#endif
