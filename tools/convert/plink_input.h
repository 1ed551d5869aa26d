#ifndef KESTO_CONVERT_PLINK_INPUT_H
#define KESTO_CONVERT_PLINK_INPUT_H

#include "genotype_table.h"

#include <string>

namespace convert {

// Reads the PLINK data set with base name `base`: the binary BASE.bed/.bim/.fam
// when BASE.bed exists, else the text BASE.ped/.map. The SNPs are checked to
// form one stretch of one chromosome before the genotypes are read. Throws
// ConvertError when there is no such data set or a file is bad.
GenotypeTable load_plink(const std::string& base);

// `text` as one word for a POSIX shell: as it is when it holds only
// letters, digits and . _ / : + , -; else in single quotes.
std::string shell_word(const std::string& text);

} // namespace convert

#endif
