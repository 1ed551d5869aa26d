#include "marker_reader.h"

#include "convert_error.h"
#include "numbers.h"
#include "text_lines.h"

#include <string_view>

namespace convert {

namespace {

std::int32_t read_position(const LineReader& reader, std::string_view text)
{
    std::int32_t value = 0;
    if (!parse_int32(std::string(text), value) || value < 0)
        throw ConvertError(at_line(reader.path(), reader.line_number()) + ": base-pair position '" +
                           std::string(text) + "' is not a whole number from 0 to 2147483647");
    return value;
}

std::vector<SnpRecord> read_markers(const std::string& path, bool with_alleles)
{
    LineReader reader(path);
    const std::size_t expected = with_alleles ? 6 : 4;
    const char* layout = with_alleles ? "chromosome, SNP id, cM, bp, allele 1, allele 2"
                                      : "chromosome, SNP id, cM, bp";
    std::vector<SnpRecord> snps;
    std::vector<std::string_view> fields;
    std::string_view line;
    while (reader.next(line)) {
        split_record(reader, line, expected, layout, fields);
        SnpRecord snp;
        snp.chromosome = std::string(fields[0]);
        snp.id = std::string(fields[1]);
        snp.position = read_position(reader, fields[3]);
        if (with_alleles) {
            snp.allele_a = std::string(fields[4]);
            snp.allele_b = std::string(fields[5]);
            if (snp.allele_a == snp.allele_b && snp.allele_a != "0")
                throw ConvertError(at_line(path, reader.line_number()) + ": SNP " + snp.id +
                                   " has the same allele '" + snp.allele_a + "' twice");
        }
        snps.push_back(std::move(snp));
    }
    if (snps.empty())
        throw ConvertError(path + ": no SNPs in the file");
    return snps;
}

} // namespace

std::vector<SnpRecord> read_bim(const std::string& path)
{
    return read_markers(path, true);
}

std::vector<SnpRecord> read_map(const std::string& path)
{
    return read_markers(path, false);
}

} // namespace convert
