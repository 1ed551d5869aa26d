#include "vcf_file.h"

#include "text_files.h"

VcfFile::VcfFile(const std::string& path, const SnpMap& map, const SnpAlleles& alleles, int individuals)
    : file_(path), map_(map), alleles_(alleles)
{
    const std::string chr = std::to_string(map.chromosome);
    line_ = "##fileformat=VCFv4.2\n##source=kesto_simulate\n##contig=<ID=" + chr +
            ">\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
            "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (int i = 1; i <= individuals; ++i)
        line_ += "\t" + sample_label("IND", i, individuals);
    line_ += "\n";
    file_.write(line_);
}

void VcfFile::add(const std::vector<std::uint8_t>& haplotypes, const std::vector<signed char>& codes)
{
    const std::size_t j = next_++;
    line_ = std::to_string(map_.chromosome);
    line_ += '\t';
    line_ += std::to_string(map_.position[j]);
    line_ += '\t';
    line_ += map_.id(j);
    line_ += '\t';
    line_ += alleles_.allele2[j];
    line_ += '\t';
    line_ += alleles_.allele1[j];
    line_ += "\t.\tPASS\t.\tGT";
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] < 0) {
            line_ += "\t./.";
            continue;
        }
        line_ += '\t';
        line_ += static_cast<char>('0' + haplotypes[2 * i]);
        line_ += '|';
        line_ += static_cast<char>('0' + haplotypes[2 * i + 1]);
    }
    line_ += '\n';
    file_.write(line_);
}
