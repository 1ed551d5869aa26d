#ifndef KESTO_CONVERT_TG_WRITER_H
#define KESTO_CONVERT_TG_WRITER_H

#include "atomic_output.h"
#include "gt_file.h"

namespace convert {

// Writes the SNP-by-individual genotype file, fields separated by single
// tabs, every line ending in "\n":
//   snp_id   <IID 1>  ... <IID H>
//   <SNP id> <code 1> ... <code H>     (one line per SNP, in .gt order)
void write_tg(AtomicOutput& out, const GtTable& table);

} // namespace convert

#endif
