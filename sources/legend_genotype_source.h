#ifndef KESTO_SOURCES_LEGEND_GENOTYPE_SOURCE_H
#define KESTO_SOURCES_LEGEND_GENOTYPE_SOURCE_H

#include "chromosome_data.h"

#include <string>

// The region programs' reference as text files: per chromosome C a legend
// (LEGEND_PREFIX + "legend_chrC.txt": id, position, p-value) and a genotype
// file (GENOTYPE_PREFIX + "genotype_chrC.txt": id, position, one code per
// sample), each read plain or compressed, and from "NAME.gz" when NAME is
// absent. Row i of the genotype file must carry the id of legend SNP i.
class LegendGenotypeSource : public ChromosomeSource {
public:
    // `threads` parse and pack a genotype file's rows (the data are the same
    // for any count).
    LegendGenotypeSource(std::string legend_prefix, std::string genotype_prefix, int threads = 1);

    Status load(const std::string& chromosome, ChromosomeData& data, SourcePart& failed) const override;
    std::string describe(const std::string& chromosome) const override;

    // The names the files go by in messages (without a ".gz" fallback).
    std::string legend_file(const std::string& chromosome) const;
    std::string genotype_file(const std::string& chromosome) const;

private:
    std::string legend_prefix_;
    std::string genotype_prefix_;
    int threads_;
};

#endif
