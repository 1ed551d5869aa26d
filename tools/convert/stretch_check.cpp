#include "stretch_check.h"

#include "convert_error.h"

namespace convert {

void check_one_stretch(const std::vector<SnpRecord>& snps, const std::string& marker_file,
                       const std::string& plink_input)
{
    for (std::size_t k = 1; k < snps.size(); ++k) {
        const SnpRecord& before = snps[k - 1];
        const SnpRecord& snp = snps[k];
        if (snp.chromosome != before.chromosome)
            throw ConvertError(at_line(marker_file, k + 1) + ": SNP " + snp.id + " is on chromosome " +
                               snp.chromosome + " but the SNPs before it are on chromosome " +
                               before.chromosome +
                               "; a scan covers one stretch of one chromosome: split the data set by "
                               "chromosome first, e.g. plink " + plink_input + " --chr " + before.chromosome +
                               " --make-bed --out OUTBASE_chr" + before.chromosome);
        if (snp.position < before.position)
            throw ConvertError(at_line(marker_file, k + 1) + ": SNP " + snp.id + " at position " +
                               std::to_string(snp.position) + " comes after SNP " + before.id +
                               " at position " + std::to_string(before.position) +
                               "; sort the SNPs by position first, e.g. plink " + plink_input +
                               " --make-bed --out OUTBASE_sorted");
    }
}

} // namespace convert
