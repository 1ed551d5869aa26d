#ifndef KESTO_SIMULATE_TEXT_FILES_H
#define KESTO_SIMULATE_TEXT_FILES_H

#include "genes.h"
#include "outfile.h"
#include "pathways.h"
#include "snps.h"

#include <string>
#include <vector>

// The tab-separated text files of the data set. Every line ends with "\n".

// IND0001 style labels, at least four digits, wider when `count` needs it.
std::string sample_label(const char* prefix, int number, int count);

// "%.6g"
std::string format_pvalue(double p);

// snp_id, position, pvalue: the legend files and the PLINK association file.
void write_pvalue_table(const std::string& path, const SnpMap& map, const std::vector<double>& pvalues);

// genotype_chr<C>.txt, written one SNP at a time.
class GenotypeTable {
public:
    GenotypeTable(const std::string& path, int individuals);
    void add(const std::string& snp_id, std::int64_t position, const std::vector<signed char>& codes);
    void close() { file_.close(); }

private:
    OutFile file_;
    std::string line_;
};

void write_gene_list(const std::string& path, const std::vector<Gene>& genes);
void write_pathways(const std::string& path, const std::vector<Pathway>& pathways);

#endif
