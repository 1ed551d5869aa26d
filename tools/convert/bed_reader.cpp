#include "bed_reader.h"

#include "reference/bed_file.h"
#include "convert_error.h"

namespace convert {

TwoBitMatrix read_bed(const std::string& path, const std::vector<SnpRecord>& snps,
                      std::size_t individuals)
{
    BedFile bed;
    Status status = bed.open(path, snps.size(), individuals,
                             [&snps](std::uint64_t snp) { return snps[snp].id; });
    if (!status.ok())
        throw ConvertError(status.message);
    TwoBitMatrix table(snps.size(), individuals);
    for (std::size_t snp = 0; snp < snps.size(); ++snp) {
        status = bed.read_snp(snp, table.row_bytes(snp));
        if (!status.ok())
            throw ConvertError(status.message + " (" + snps[snp].id + ")");
    }
    return table;
}

} // namespace convert
