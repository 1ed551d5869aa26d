#ifndef KESTO_SIMULATE_SUMSTATS_FILES_H
#define KESTO_SIMULATE_SUMSTATS_FILES_H

#include "alleles.h"
#include "outfile.h"
#include "snps.h"

#include <memory>
#include <string>
#include <vector>

// The association results of the data set in the layouts of the field's
// tools, one file per layout over all chromosomes. Every file carries the
// legend's p-values (the same "%.6g" text; REGENIE's -log10 p is written
// from it), the SNP ids, chromosomes, positions and the alleles of the PLINK
// set. Effect sizes and other statistics are placeholders derived from the
// p-value and the allele counts, not a model fit.
enum class SumstatsLayoutKind {
    GwasSsf, Plink2, Assoc, Qassoc, Logistic, Linear, Regenie, Saige, Bolt, Metal, Custom
};

// "gwas-ssf", "plink2", "assoc", ... as named on the command line.
const char* layout_key(SumstatsLayoutKind kind);
// The file the layout is written to, inside the output folder.
const char* layout_file(SumstatsLayoutKind kind);
// Parses "all" or a comma-separated list of keys; false on an unknown key.
bool parse_layout_list(const std::string& text, std::vector<SumstatsLayoutKind>& kinds);

// Per-SNP counts of a chromosome, gathered while its genotypes stream.
struct AlleleCounts {
    std::vector<int> allele1;   // copies of allele 1 over the observed genotypes
    std::vector<int> observed;  // individuals with a genotype
    int individuals = 0;
};

class SumstatsFiles {
public:
    SumstatsFiles(const std::string& dir, const std::vector<SumstatsLayoutKind>& kinds);
    void add_chromosome(const SnpMap& map, const SnpAlleles& alleles, const std::vector<double>& pvalues,
                        const AlleleCounts& counts);
    void close();
    bool empty() const { return files_.empty(); }

private:
    std::vector<SumstatsLayoutKind> kinds_;
    std::vector<std::unique_ptr<OutFile>> files_;
};

#endif
