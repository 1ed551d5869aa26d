#ifndef KESTO_COMMON_MARKER_FILES_H
#define KESTO_COMMON_MARKER_FILES_H

#include "reference_files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// SNP ids and positions of a marker file, in file order.
struct MarkerTable {
    std::vector<std::string> ids;
    std::vector<std::int32_t> positions;
};

// Reads a marker file: a header, then one SNP a line (chromosome, SNP id,
// position, alleles...) with the id in field 1 and the position in field 2.
// The file is morrow's: lines are split on runs of blanks, without quoting,
// so that an id that begins with a double quote stays one field. A final
// line without a line end counts.
Status read_markers(const std::string& path, MarkerTable& markers);

// Association p-values, one per SNP, in file order.
struct PValueList {
    std::vector<float> pvalues;  // NaN where the field holds no p-value
    PValueTally tally;
};

// Reads an association results file: a header, then one line per SNP of the
// marker file, in its order, with the SNP id in field 0 and the p-value in
// field 2. The file must hold exactly one line per id, and line k must carry
// ids[k]; a line more, a line missing or another id is reported with its
// line number.
Status read_association_results(const std::string& path, const std::vector<std::string>& ids, PValueList& list);

#endif
