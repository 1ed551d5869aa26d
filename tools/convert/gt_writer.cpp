#include "gt_file.h"

#include <cstdint>

namespace convert {

void write_gt(AtomicOutput& out, const GenotypeTable& table, const std::vector<SnpCoding>& coding)
{
    const std::size_t n_snps = table.snps.size();
    const std::size_t n_individuals = table.individuals.size();
    out.write("#gt\t" + std::to_string(n_individuals) + "\t" + std::to_string(n_snps) + "\n");
    out.write("individual");
    for (const SnpRecord& snp : table.snps) {
        out.put('\t');
        out.write(snp.id);
    }
    out.put('\n');

    // Text of each table value, with its tab, for each SNP's coding.
    static const char* const text[2][4] = {{"\t0", "\t-1", "\t1", "\t2"}, {"\t2", "\t-1", "\t1", "\t0"}};
    std::vector<std::uint8_t> coded_is_a(n_snps);
    for (std::size_t j = 0; j < n_snps; ++j)
        coded_is_a[j] = coding[j].coded_is_a ? 1 : 0;

    const TwoBitMatrix& g = table.genotypes;
    for (std::size_t i = 0; i < n_individuals; ++i) {
        out.write(table.individuals[i]);
        for (std::size_t j = 0; j < n_snps; ++j)
            out.write(text[coded_is_a[j]][g.get(j, i)]);
        out.put('\n');
    }
}

} // namespace convert
