#ifndef KESTO_CONVERT_BED_READER_H
#define KESTO_CONVERT_BED_READER_H

#include "genotype_table.h"
#include "two_bit_matrix.h"

#include <cstddef>
#include <string>
#include <vector>

namespace convert {

// Reads a SNP-major PLINK .bed holding `snps.size()` SNPs of `individuals`
// individuals into a table with one row per SNP. The three leading bytes and
// the file size are checked before anything else is read; problems are
// reported as ConvertError with the byte offset where they show.
TwoBitMatrix read_bed(const std::string& path, const std::vector<SnpRecord>& snps,
                      std::size_t individuals);

} // namespace convert

#endif
