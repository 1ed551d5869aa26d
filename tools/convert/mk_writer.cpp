#include "mk_writer.h"

namespace convert {

void write_mk(AtomicOutput& out, const GenotypeTable& table, const std::vector<SnpCoding>& coding)
{
    out.write("chromosome\tsnp_id\tposition\tallele0\tallele1\n");
    for (std::size_t j = 0; j < table.snps.size(); ++j) {
        const SnpRecord& snp = table.snps[j];
        out.write(snp.chromosome);
        out.put('\t');
        out.write(snp.id);
        out.put('\t');
        out.write(std::to_string(snp.position));
        out.put('\t');
        out.write(coding[j].allele0);
        out.put('\t');
        out.write(coding[j].allele1);
        out.put('\n');
    }
}

} // namespace convert
