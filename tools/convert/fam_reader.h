#ifndef KESTO_CONVERT_FAM_READER_H
#define KESTO_CONVERT_FAM_READER_H

#include <string>
#include <vector>

namespace convert {

// Reads a .fam (FID IID PAT MAT SEX PHENO per line) and gives the IIDs in file
// order. Throws ConvertError naming the file and line of the first bad line.
std::vector<std::string> read_fam(const std::string& path);

} // namespace convert

#endif
