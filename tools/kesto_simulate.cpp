// Writes a deterministic simulated data set for the regional association
// programs: per-chromosome SNP legends with p-values and genotype tables, a
// gene list, pathways, and optionally one chromosome as PLINK files, the
// association results in the layouts of the field's tools and VCF files.

#include "simulate/genes.h"
#include "simulate/haplotypes.h"
#include "simulate/options.h"
#include "simulate/pathways.h"
#include "simulate/plink.h"
#include "simulate/random.h"
#include "simulate/signals.h"
#include "simulate/sumstats_files.h"
#include "simulate/snps.h"
#include "simulate/text_files.h"
#include "simulate/vcf_file.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace {

// Streams the genotypes of one chromosome to its table (and PLINK set), then
// writes the legend once the signal windows have been seen.
void write_chromosome(const SimOptions& o, const SnpMap& map, const std::vector<Signal>& signals,
                      SumstatsFiles* sumstats)
{
    const std::string dir = o.out + "/";
    const std::string chr = std::to_string(map.chromosome);
    const int n = o.individuals;

    MosaicHaplotypes haplotypes(o.seed, map, 2 * n);
    Rng missing(o.seed, kStreamMissing, map.chromosome);
    const std::uint64_t missing_below = threshold32(o.missing);
    GenotypeTable table(dir + "genotype_chr" + chr + ".txt", n);
    SignalGenotypes kept(signals, map.chromosome, map.size());
    std::unique_ptr<PlinkSet> plink;
    if (o.plink == map.chromosome || o.plink == SimOptions::kAllChromosomes)
        plink = std::make_unique<PlinkSet>(o.seed, map, n);
    // The alleles the PLINK set would carry, for the VCF and the tables.
    const bool vcf_here = o.vcf == map.chromosome || o.vcf == SimOptions::kAllChromosomes;
    SnpAlleles alleles;
    if (vcf_here || sumstats)
        alleles = make_alleles(o.seed, map);
    std::unique_ptr<VcfFile> vcf;
    if (vcf_here)
        vcf = std::make_unique<VcfFile>(dir + "genotypes_chr" + chr + ".vcf", map, alleles, n);
    AlleleCounts counts;
    if (sumstats) {
        counts.allele1.assign(map.size(), 0);
        counts.observed.assign(map.size(), 0);
        counts.individuals = n;
    }

    std::vector<signed char> codes(n);
    for (std::size_t j = 0; j < map.size(); ++j) {
        const std::vector<std::uint8_t>& allele = haplotypes.next();
        // Monomorphic and rare SNPs stay complete, so that what makes them
        // special cannot be hidden by a missing genotype.
        const bool maskable = map.kind[j] == SnpKind::Common;
        for (int i = 0; i < n; ++i) {
            const bool lost = maskable && (missing.bits() >> 32) < missing_below;
            codes[i] = lost ? -1 : static_cast<signed char>(allele[2 * i] + allele[2 * i + 1]);
        }
        table.add(map.id(j), map.position[j], codes);
        kept.offer(j, codes);
        if (plink)
            plink->add(codes);
        if (vcf)
            vcf->add(allele, codes);
        if (sumstats) {
            for (int i = 0; i < n; ++i) {
                if (codes[i] >= 0) {
                    counts.allele1[j] += codes[i];
                    ++counts.observed[j];
                }
            }
        }
    }
    table.close();
    if (vcf)
        vcf->close();

    const std::vector<double> pvalues = kept.pvalues(o.seed);
    write_pvalue_table(dir + "legend_chr" + chr + ".txt", map, pvalues);
    if (plink) {
        const std::string prefix = dir + "scan_chr" + chr;
        plink->write(prefix);
        write_pvalue_table(prefix + "_assoc.txt", map, pvalues);
    }
    if (sumstats)
        sumstats->add_chromosome(map, alleles, pvalues, counts);
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions o;
    const int status = parse_sim_options(argc, argv, o);
    if (status >= 0)
        return status;
    try {
        std::error_code ec;
        std::filesystem::create_directories(o.out, ec);
        if (!std::filesystem::is_directory(o.out))
            throw std::runtime_error("cannot create folder " + o.out);

        std::vector<SnpMap> maps;
        for (int c = 1; c <= o.chromosomes; ++c)
            maps.push_back(make_snp_map(o.seed, c, o.snps, o.spacing));
        const std::vector<Gene> genes = make_genes(o.seed, maps, o.genes);
        const std::vector<Signal> signals = plant_signals(o.seed, maps, genes);
        write_gene_list(o.out + "/genelist.txt", genes);
        write_pathways(o.out + "/pathways.txt", make_pathways(o.seed, genes, o.pathways));
        std::unique_ptr<SumstatsFiles> sumstats;
        if (!o.sumstats.empty())
            sumstats = std::make_unique<SumstatsFiles>(o.out, o.sumstats);
        for (const auto& map : maps)
            write_chromosome(o, map, signals, sumstats.get());
        if (sumstats)
            sumstats->close();
    } catch (const std::exception& e) {
        std::cerr << "kesto_simulate: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
