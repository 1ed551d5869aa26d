#ifndef KESTO_ANALYSIS_GENE_INPUT_H
#define KESTO_ANALYSIS_GENE_INPUT_H

#include "gene_table.h"
#include "genes/gene_locations.h"
#include "run_log.h"
#include "status.h"

#include <string>
#include <vector>

namespace analysis {

// The format name of the suite's own gene list.
inline constexpr const char* kGeneListFormat = "kesto gene list";

// The genes of a --genes file, whatever its format.
struct GeneInput {
    std::string format;               // kGeneListFormat or gene_format_name()
    std::vector<GeneEntry> genes;     // in file order
    std::vector<std::string> notes;   // gene-list lines left out, naming file and line
    long other_features = 0;          // GTF/GFF3 rows that are not genes
    long unknown_chromosome = 0;      // genes left out: chromosome not understood
    std::vector<std::string> unknown_chromosome_names;  // the first few
};

// Reads the file once, through the line source. The suite's gene list
// (header, then chromosome, id, start, end, name a line; tab-separated, or
// space-separated when a line holds no tab) is recognised by the header
// `kesto prepare` writes, or by a words-only first line followed by a line of
// that shape; its lines with fewer than five fields or positions that are not
// 32-bit whole numbers are left out, each with a note. Any other file is read
// as NCBI/MAGMA gene-loc, BED, GTF or GFF3, each gene given the row
// `kesto prepare` writes for it to genelist.txt; a bad row there is a
// Malformed status naming file and line.
Status read_gene_input(const std::string& path, GeneInput& input);

// The gene list entry of one gene location, as genelist.txt holds it.
GeneEntry gene_entry(const GeneLocation& location);

// The format and what was left out, into the run's log (left-out genes and
// lines as warnings).
void log_gene_input(const std::string& path, const GeneInput& input, RunLog& log);

} // namespace analysis

#endif
