#include "kesto_analysis_matrix.h"

#include "chromosome_name.h"
#include "ld_matrix.h"
#include "reference_files.h"
#include "region_select.h"

#include <Eigen/Dense>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <utility>

Kesto::Kesto(std::string chromosome, std::int32_t start, std::int32_t end, float alpha, float variance_share,
             std::string legend_prefix, std::string genotype_prefix, std::int32_t flank)
    : chromosome_(std::move(chromosome)), start_(start), end_(end), flank_(flank), alpha_(alpha),
      variance_share_(variance_share), legend_prefix_(std::move(legend_prefix)),
      genotype_prefix_(std::move(genotype_prefix))
{
}

std::string Kesto::legend_file() const { return legend_prefix_ + "legend_chr" + chromosome_ + ".txt"; }

std::string Kesto::genotype_file() const { return genotype_prefix_ + "genotype_chr" + chromosome_ + ".txt"; }

boost::tuple<int, float, float> Kesto::CalKesto()
{
    const auto failed = [this](RegionStatus why) {
        status_ = why;
        return boost::make_tuple(0, 0.0f, 0.0f);
    };
    if (!is_safe_chromosome(chromosome_)) {
        std::cerr << "chromosome name '" << chromosome_
                  << "' cannot name a reference file (letters, digits, '_', '-' and '.' only)\n";
        return failed(RegionStatus::BadInput);
    }

    const std::string legend_path = legend_file();
    LegendTable legend;
    const ReadOutcome legend_read = read_legend(legend_path, legend);
    nonnumeric_ = legend.nonnumeric_pvalues;
    if (legend_read.status == ReadStatus::NotFound) {
        std::cout << "Input legend file not found " << legend_path << std::endl;
        return failed(RegionStatus::MissingFile);
    }
    if (legend_read.status == ReadStatus::Malformed) {
        std::cerr << legend_read.message << "\n";
        return failed(RegionStatus::BadInput);
    }

    const std::string genotype_path = genotype_file();
    int samples = 0;
    const ReadOutcome header_read = read_genotype_header(genotype_path, 2, samples);
    if (header_read.status == ReadStatus::NotFound) {
        std::cout << "File genotype not found" << std::endl;
        return failed(RegionStatus::MissingFile);
    }
    if (header_read.status == ReadStatus::Malformed) {
        std::cerr << header_read.message << "\n";
        return failed(RegionStatus::BadInput);
    }

    const std::size_t snps = legend.positions.size();
    CodeTable codes;
    const ReadOutcome rows_read = read_genotype_rows(genotype_path, 2, snps, samples, codes);
    if (rows_read.status == ReadStatus::NotFound) {
        std::printf("cannot open input file %s", "haplotype");
        std::fflush(stdout);
        std::exit(1);
    }
    if (rows_read.status == ReadStatus::Malformed) {
        std::cerr << rows_read.message << "\n";
        return failed(RegionStatus::BadInput);
    }

    if (snps == 0)
        std::cerr << legend_path << ": no SNP lines after the header; the region is empty\n";

    const std::vector<float> hit_list = hits_below(legend.pvalues, alpha_);
    start_ -= flank_;
    end_ += flank_;
    const IndexRange range = select_range(legend.positions, start_, end_);
    if (range.count <= 0) {
        status_ = RegionStatus::Empty;
        return boost::make_tuple(0, 0.0f, -1.0f);
    }

    const int n = static_cast<int>(range.count);
    const Eigen::VectorXf hits = Eigen::Map<const Eigen::VectorXf>(hit_list.data(), static_cast<Eigen::Index>(snps));
    const Eigen::MatrixXf ld = build_ld_matrix(codes, range.first, n);
    const ComponentWeighting weighting =
        weigh_components(ld, hits, range.first, static_cast<double>(variance_share_));
    const double p = regional_p(weighting.ncritical, weighting.nsignificant, alpha_);
    status_ = RegionStatus::Computed;
    return boost::make_tuple(weighting.ncritical, static_cast<float>(weighting.nsignificant), static_cast<float>(p));
}
