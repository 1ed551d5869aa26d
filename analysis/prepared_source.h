#ifndef KESTO_ANALYSIS_PREPARED_SOURCE_H
#define KESTO_ANALYSIS_PREPARED_SOURCE_H

#include "chromosome_table.h"

#include <string>
#include <vector>

namespace analysis {

// The prepared text files: LEGEND_PREFIX + legend_chrC.txt and
// GENOTYPE_PREFIX + genotype_chrC.txt (or their .gz copies), in the layouts
// the four programs read.
class PreparedSource : public TableSource {
public:
    PreparedSource(std::string legend_prefix, std::string genotype_prefix);

    Status feed(ChromosomeConsumer& consumer) override;
    std::vector<std::string> describe() const override;

    // The chromosomes with a legend file, numbered ones first in number order.
    std::vector<std::string> chromosomes() const;
    // NotFound when the files are absent; Malformed with file and line.
    Status load(const std::string& chromosome, ChromosomeTable& table) const;

    std::string legend_path(const std::string& chromosome) const;
    std::string genotype_path(const std::string& chromosome) const;

private:
    std::string legend_prefix_;
    std::string genotype_prefix_;
};

// Reads a legend file (header, then id, position, p-value a line) into the
// table's ids, positions and p-values. Positions must not go down.
Status read_legend_table(const std::string& path, ChromosomeTable& table, long& nonnumeric);

// Reads the genotype file of a legend already in `table` into its codes.
Status read_genotype_table(const std::string& path, ChromosomeTable& table);

} // namespace analysis

#endif
