#ifndef KESTO_TESTS_AWKWARD_DATA_H
#define KESTO_TESTS_AWKWARD_DATA_H

#include <random>
#include <sstream>
#include <string>

namespace kesto_test {

// Reference files with every awkward case the engines must agree on:
// missing codes, codes 3, 9 and -7, monomorphic and rare SNPs, two SNPs that
// share no typed individual, non-numeric p-values, and (when asked) a few
// positions out of order. Returns the legend and genotype file contents.
struct AwkwardChromosome {
    std::string legend;
    std::string genotypes;
};

inline AwkwardChromosome awkward_chromosome(int snps, int samples, unsigned seed, bool unsorted)
{
    std::mt19937 rng(seed);
    std::ostringstream legend, geno;
    legend << "id\tpos\tp\n";
    geno << "id\tpos";
    for (int i = 0; i < samples; ++i)
        geno << "\tS" << i;
    geno << "\n";
    int position = 10000;
    int founder = 0;
    std::vector<int> base(static_cast<std::size_t>(samples));
    for (int s = 0; s < snps; ++s) {
        position += 200 + static_cast<int>(rng() % 3000);
        int shown = position;
        if (unsorted && s % 97 == 50)
            shown = position - 9000;  // out of order
        const unsigned u = rng() % 1000;
        legend << "rs" << s << "\t" << shown << "\t";
        if (s % 41 == 7)
            legend << "NA";
        else if (u < 150)
            legend << (u + 1) * 1e-5;
        else
            legend << u / 1000.0;
        legend << "\n";
        // Blocks of SNPs copy a drifting base pattern, giving real LD.
        if (s % 12 == 0 || founder == 0) {
            for (auto& b : base)
                b = static_cast<int>(rng() % 3);
            founder = 1;
        }
        geno << "rs" << s << "\t" << shown;
        for (int i = 0; i < samples; ++i) {
            int code = base[static_cast<std::size_t>(i)];
            const unsigned r = rng() % 100;
            if (r < 8)
                code = static_cast<int>(rng() % 3);
            else if (r < 10)
                code = -1;
            else if (r == 10)
                code = (rng() % 2) ? 3 : 9;
            else if (r == 11)
                code = -7;
            if (s % 29 == 3)
                code = 0;                              // monomorphic
            if (s % 31 == 5)
                code = (i == 1) ? 1 : 0;               // rare
            if (s % 37 == 6)
                code = (i % 2 == 0) ? -1 : code;       // typed only in odd samples
            if (s % 37 == 7)
                code = (i % 2 == 1) ? -1 : code;       // typed only in even samples
            geno << "\t" << code;
        }
        geno << "\n";
    }
    return {legend.str(), geno.str()};
}

} // namespace kesto_test

#endif
