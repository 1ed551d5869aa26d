#ifndef KESTO_HANALYSIS_CODE_TABLE_H
#define KESTO_HANALYSIS_CODE_TABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Genotype codes of a run of SNPs, one row of `samples` codes per SNP.
struct CodeTable {
    int samples = 0;
    std::vector<std::int32_t> codes;

    std::size_t snps() const { return samples > 0 ? codes.size() / static_cast<std::size_t>(samples) : 0; }
    const std::int32_t* row(std::size_t snp) const
    {
        return codes.data() + snp * static_cast<std::size_t>(samples);
    }
};

#endif
