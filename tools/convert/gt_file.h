#ifndef KESTO_CONVERT_GT_FILE_H
#define KESTO_CONVERT_GT_FILE_H

#include "allele_coding.h"
#include "atomic_output.h"
#include "genotype_table.h"
#include "two_bit_matrix.h"

#include <string>
#include <vector>

namespace convert {

// The .gt file that morrow writes and transpose reads, one individual per
// line, fields separated by single tabs, every line ending in "\n":
//   #gt        <number of individuals>  <number of SNPs>
//   individual <SNP id 1> ... <SNP id N>
//   <IID 1>    <code 1>   ... <code N>
//   ...
// Codes are copies of allele1: 0, 1, 2, or -1 for missing. The counts on the
// first line let the reader tell a complete file from a truncated one.

// Writes the table under its coding.
void write_gt(AtomicOutput& out, const GenotypeTable& table, const std::vector<SnpCoding>& coding);

// A .gt as read: codes are stored as code + 1 (0 for missing .. 3 for 2).
struct GtTable {
    std::vector<std::string> snp_ids;
    std::vector<std::string> individuals;
    TwoBitMatrix codes;   // one row per individual, one column per SNP
};

// Reads a .gt. Throws ConvertError naming the file and line (and field) of
// the first thing that does not fit the layout above.
GtTable read_gt(const std::string& path);

} // namespace convert

#endif
