#ifndef KESTO_CONVERT_MK_WRITER_H
#define KESTO_CONVERT_MK_WRITER_H

#include "allele_coding.h"
#include "atomic_output.h"
#include "genotype_table.h"

#include <vector>

namespace convert {

// Writes the marker file, fields separated by single tabs, every line ending
// in "\n":
//   chromosome <TAB> snp_id <TAB> position <TAB> allele0 <TAB> allele1
// then one line per SNP in input order; allele1 is the allele whose copies
// the genotype codes count.
void write_mk(AtomicOutput& out, const GenotypeTable& table, const std::vector<SnpCoding>& coding);

} // namespace convert

#endif
