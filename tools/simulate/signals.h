#ifndef KESTO_SIMULATE_SIGNALS_H
#define KESTO_SIMULATE_SIGNALS_H

#include "genes.h"
#include "snps.h"

#include <cstdint>
#include <vector>

// A planted association: a causal SNP inside a gene, and the window of SNPs
// (the gene and 10 kb on each side) whose p-values follow their linkage
// disequilibrium with it. The causal SNP is picked among the candidates once
// their genotypes are known: the one best tagged by the window.
struct Signal {
    int chromosome = 0;
    std::vector<std::size_t> candidates;   // common SNPs inside the gene
    std::size_t first = 0;                 // window, SNP indices, inclusive
    std::size_t last = 0;
};

// One signal in each of a few genes (a tenth of them, 1 to 10), chosen among
// genes holding at least one common SNP, from each chromosome in turn; up to 10 candidate causal SNPs each.
std::vector<Signal> plant_signals(std::uint64_t seed, const std::vector<SnpMap>& maps,
                                  const std::vector<Gene>& genes);

// Genotype codes of the SNPs in the signal windows of one chromosome, kept
// while the genotypes stream past, then turned into p-values.
class SignalGenotypes {
public:
    SignalGenotypes(const std::vector<Signal>& signals, int chromosome, std::size_t snps);

    // Keeps a copy of the codes when SNP `snp` lies in a window.
    void offer(std::size_t snp, const std::vector<signed char>& codes);

    // P-values of the chromosome: uniform u in (0,1), except that in a window
    // a SNP gets c * u^k, stronger with its r^2 to the causal SNP: 1e-4 * u^12
    // for the causal SNP itself, 1e-3 * u^10 for r^2 >= 0.8, 1e-2 * u^6 for
    // >= 0.5, 0.1 * u^4 for >= 0.3, u^2 for >= 0.1.
    std::vector<double> pvalues(std::uint64_t seed) const;

private:
    // The candidate with the largest sum of r^2 to the rest of the window.
    std::size_t best_tagged(const Signal& s) const;

    int chromosome_;
    std::vector<Signal> signals_;    // of this chromosome
    std::vector<int> slot_;          // per SNP: row in codes_, or -1
    std::vector<std::vector<signed char>> codes_;
};

// Squared correlation of two genotype code vectors over the individuals
// observed in both; 0 when either is constant there.
double genotype_r2(const std::vector<signed char>& a, const std::vector<signed char>& b);

#endif
