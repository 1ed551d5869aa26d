#ifndef KESTO_ANALYSIS_GENE_LIST_H
#define KESTO_ANALYSIS_GENE_LIST_H

#include "gene_table.h"
#include "status.h"

#include <string>
#include <vector>

namespace analysis {

// Reads the suite's gene list (header, then chromosome, id, start, end, name
// a line; tab-separated, or space-separated when a line holds no tab)
// through the line source, so compressed lists and any line ending work.
// Lines with fewer than five fields or positions that are not 32-bit whole
// numbers are left out, each with a note naming file and line.
Status read_gene_list(const std::string& path, std::vector<GeneEntry>& genes, std::vector<std::string>& notes);

} // namespace analysis

#endif
