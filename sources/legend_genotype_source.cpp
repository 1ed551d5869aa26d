#include "legend_genotype_source.h"

#include "chromosome_name.h"
#include "line_source.h"
#include "packed_genotype_reading.h"
#include "reference_files.h"

#include <utility>

LegendGenotypeSource::LegendGenotypeSource(std::string legend_prefix, std::string genotype_prefix, int threads)
    : legend_prefix_(std::move(legend_prefix)), genotype_prefix_(std::move(genotype_prefix)), threads_(threads)
{
}

std::string LegendGenotypeSource::legend_file(const std::string& chromosome) const
{
    return legend_prefix_ + "legend_chr" + chromosome + ".txt";
}

std::string LegendGenotypeSource::genotype_file(const std::string& chromosome) const
{
    return genotype_prefix_ + "genotype_chr" + chromosome + ".txt";
}

std::string LegendGenotypeSource::describe(const std::string& chromosome) const
{
    return legend_file(chromosome) + " + " + genotype_file(chromosome);
}

Status LegendGenotypeSource::load(const std::string& chromosome, ChromosomeData& data, SourcePart& failed) const
{
    data = ChromosomeData{};
    failed = SourcePart::Snps;
    const std::string legend_name = legend_file(chromosome);
    data.snp_origin = legend_name;
    if (!is_safe_chromosome(chromosome))
        return {StatusCode::Malformed, "chromosome name '" + chromosome +
                                           "' cannot name a reference file (letters, digits, '_', '-' and '.' only)"};
    const std::string legend_path = existing_variant(legend_name);
    LegendTable legend;
    Status read = read_legend(legend_path, legend);
    if (!read.ok()) {
        if (read.code == StatusCode::NotFound)
            read.message = legend_name;
        return read;
    }
    data.snp_origin = legend_path;
    data.ids = std::move(legend.ids);
    data.positions = std::move(legend.positions);
    data.pvalues = std::move(legend.pvalues);
    data.nonnumeric_pvalues = legend.tally.nonnumeric;
    data.out_of_range_pvalues = legend.tally.out_of_range;

    failed = SourcePart::Genotypes;
    const std::string genotype_name = genotype_file(chromosome);
    GenotypeReading reading;
    reading.leading_fields = 2;
    reading.snps = data.positions.size();
    reading.ids = &data.ids;
    reading.samples_known = [&data](int samples) {
        data.codes = PackedCodes(samples);
        data.codes.reserve(data.positions.size());
    };
    read = read_packed_genotypes(existing_variant(genotype_name), reading, threads_, data.codes);
    if (read.code == StatusCode::NotFound)
        read.message = genotype_name;
    return read;
}
