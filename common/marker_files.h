#ifndef KESTO_COMMON_MARKER_FILES_H
#define KESTO_COMMON_MARKER_FILES_H

#include "reference_files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a marker file: a header, then one SNP a line (chromosome, SNP id,
// position, alleles...) with the position in field 2. The file is morrow's:
// lines are split on runs of blanks, without quoting, so that an id that
// begins with a double quote stays one field. A final line without a newline
// counts.
ReadOutcome read_markers(const std::string& path, std::vector<std::int32_t>& positions);

// Association p-values, one per SNP, in file order.
struct PValueList {
    std::vector<float> pvalues;   // NaN where the field holds no number
    long nonnumeric_pvalues = 0;  // fields such as NA, empty or text
};

// Reads an association results file: a header, then one line per SNP of the
// marker file, in its order, with the p-value in field 2. The file must hold
// exactly `snps` data lines; a line more or a line missing is reported with
// its line number.
ReadOutcome read_association_results(const std::string& path, std::size_t snps, PValueList& list);

#endif
