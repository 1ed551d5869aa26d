#include "ped_reader.h"

#include "convert_error.h"
#include "text_lines.h"

#include <string_view>

namespace convert {

namespace {

// Index of `allele` among the alleles seen so far at `snp` (0 for allele_a,
// 1 for allele_b), taking it as the next one when it is new.
unsigned allele_index(const LineReader& reader, SnpRecord& snp, std::size_t snp_number,
                      std::string_view allele)
{
    if (snp.allele_a == allele)
        return 0;
    if (snp.allele_b == allele)
        return 1;
    if (snp.allele_a.empty()) {
        snp.allele_a = std::string(allele);
        return 0;
    }
    if (snp.allele_b.empty()) {
        snp.allele_b = std::string(allele);
        return 1;
    }
    throw ConvertError(at_line(reader.path(), reader.line_number()) + ": SNP " + snp.id + " (SNP " +
                       std::to_string(snp_number + 1) + ", fields " + std::to_string(7 + 2 * snp_number) +
                       " and " + std::to_string(8 + 2 * snp_number) + ") has a third allele '" +
                       std::string(allele) + "' besides '" + snp.allele_a + "' and '" + snp.allele_b +
                       "'; only SNPs with two alleles can be converted");
}

} // namespace

PedContents read_ped(const std::string& path, std::vector<SnpRecord>& snps)
{
    const std::size_t n_snps = snps.size();
    for (SnpRecord& snp : snps) {
        snp.allele_a.clear();
        snp.allele_b.clear();
    }

    // Genotypes arrive one individual at a time: rows are individuals until
    // the end, where the table is turned SNP-major.
    TwoBitMatrix by_individual(0, n_snps);

    PedContents contents;
    LineReader reader(path);
    std::vector<std::string_view> fields;
    fields.reserve(6 + 2 * n_snps);
    const std::string layout = "FID IID PAT MAT SEX PHENO and 2 alleles for each of the " +
                               std::to_string(n_snps) + " SNPs of the .map";
    std::string_view line;
    while (reader.next(line)) {
        split_record(reader, line, 6 + 2 * n_snps, layout.c_str(), fields);
        contents.individuals.emplace_back(fields[1]);
        const std::size_t row = by_individual.append_row();
        for (std::size_t j = 0; j < n_snps; ++j) {
            const std::string_view first = fields[6 + 2 * j];
            const std::string_view second = fields[7 + 2 * j];
            unsigned value = kMissing;
            if (first == "0" || second == "0") {
                if (first != second)
                    ++contents.half_missing;
            } else {
                const unsigned x = allele_index(reader, snps[j], j, first);
                const unsigned y = allele_index(reader, snps[j], j, second);
                value = x + y == 0 ? kHomA : x + y == 2 ? kHomB : kHet;
            }
            by_individual.set(row, j, value);
        }
    }
    if (contents.individuals.empty())
        throw ConvertError(path + ": no individuals in the file");

    contents.genotypes = by_individual.transposed();
    for (SnpRecord& snp : snps) {
        if (snp.allele_a.empty())
            snp.allele_a = "0";
        if (snp.allele_b.empty())
            snp.allele_b = "0";
    }
    return contents;
}

} // namespace convert
