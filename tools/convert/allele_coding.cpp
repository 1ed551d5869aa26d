#include "allele_coding.h"

#include <array>
#include <cstdint>

namespace convert {

namespace {

// For each byte of four genotypes: how many of them hold each value.
struct ByteCounts {
    std::array<std::array<std::uint8_t, 4>, 256> of;
    ByteCounts()
    {
        for (unsigned byte = 0; byte < 256; ++byte) {
            of[byte] = {0, 0, 0, 0};
            for (unsigned k = 0; k < 4; ++k)
                ++of[byte][(byte >> (2 * k)) & 3u];
        }
    }
};

} // namespace

std::vector<SnpCoding> choose_coding(const GenotypeTable& table)
{
    static const ByteCounts counts;
    const TwoBitMatrix& g = table.genotypes;
    const std::size_t full_bytes = g.columns() / 4;
    std::vector<SnpCoding> coding(table.snps.size());
    for (std::size_t j = 0; j < table.snps.size(); ++j) {
        std::array<std::size_t, 4> n = {0, 0, 0, 0};
        const std::uint8_t* bytes = g.row_bytes(j);
        for (std::size_t b = 0; b < full_bytes; ++b)
            for (unsigned v = 0; v < 4; ++v)
                n[v] += counts.of[bytes[b]][v];
        for (std::size_t i = full_bytes * 4; i < g.columns(); ++i)
            ++n[g.get(j, i)];

        const std::size_t copies_a = 2 * n[kHomA] + n[kHet];
        const std::size_t copies_b = 2 * n[kHomB] + n[kHet];
        const SnpRecord& snp = table.snps[j];
        SnpCoding& c = coding[j];
        c.coded_is_a = copies_a < copies_b;
        c.allele1 = c.coded_is_a ? snp.allele_a : snp.allele_b;
        c.allele0 = c.coded_is_a ? snp.allele_b : snp.allele_a;
        c.missing = n[kMissing];
    }
    return coding;
}

} // namespace convert
