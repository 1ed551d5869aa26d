#ifndef KESTO_CONVERT_STRETCH_CHECK_H
#define KESTO_CONVERT_STRETCH_CHECK_H

#include "genotype_table.h"

#include <string>
#include <vector>

namespace convert {

// A scan covers one stretch of one chromosome: all SNPs must be on the same
// chromosome, in non-decreasing base-pair order. Throws ConvertError naming
// the marker file and the line of the first SNP that breaks this, with a
// PLINK command that fixes it; `plink_input` is that command's input option
// ("--bfile data" or "--file data").
void check_one_stretch(const std::vector<SnpRecord>& snps, const std::string& marker_file,
                       const std::string& plink_input);

} // namespace convert

#endif
