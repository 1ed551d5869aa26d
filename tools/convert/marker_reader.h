#ifndef KESTO_CONVERT_MARKER_READER_H
#define KESTO_CONVERT_MARKER_READER_H

#include "genotype_table.h"

#include <string>
#include <vector>

namespace convert {

// Reads a .bim: chromosome, SNP id, cM, bp, allele 1, allele 2 per line.
// Throws ConvertError naming the file and line of the first bad line.
std::vector<SnpRecord> read_bim(const std::string& path);

// Reads a .map: chromosome, SNP id, cM, bp per line; alleles stay empty.
std::vector<SnpRecord> read_map(const std::string& path);

} // namespace convert

#endif
