#include "kesto_analysis_matrix.h"

#include "chromosome_name.h"
#include "chromosome_store.h"
#include "ld_matrix.h"
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

template <class Files>
RegionReport Kesto::evaluate_files(const Files& files) const
{
    RegionReport outcome;
    const auto failed = [&outcome](RegionStatus why) {
        outcome.status = why;
        outcome.triple = RegionTriple(0, 0.0f, 0.0f);
        return outcome;
    };
    outcome.nonnumeric_pvalues = files.legend.nonnumeric_pvalues;
    if (files.legend_read.status == ReadStatus::NotFound) {
        outcome.out = "Input legend file not found " + legend_file() + "\n";
        return failed(RegionStatus::MissingFile);
    }
    if (files.legend_read.status == ReadStatus::Malformed) {
        outcome.err = files.legend_read.message + "\n";
        return failed(RegionStatus::BadInput);
    }
    if (files.header_read.status == ReadStatus::NotFound) {
        outcome.out = "File genotype not found\n";
        return failed(RegionStatus::MissingFile);
    }
    if (files.header_read.status == ReadStatus::Malformed) {
        outcome.err = files.header_read.message + "\n";
        return failed(RegionStatus::BadInput);
    }
    if (files.rows_read.status == ReadStatus::NotFound)
        return failed(RegionStatus::Fatal);
    if (files.rows_read.status == ReadStatus::Malformed) {
        outcome.err = files.rows_read.message + "\n";
        return failed(RegionStatus::BadInput);
    }

    const std::vector<std::int32_t>& positions = files.legend.positions;
    if (positions.empty())
        outcome.err = legend_file() + ": no SNP lines after the header; the region is empty\n";
    const std::vector<float> hit_list = hits_below(files.legend.pvalues, alpha_);
    // Flanked bounds in 64 bits: no position and flank can overflow them.
    const std::int64_t start = static_cast<std::int64_t>(start_) - flank_;
    const std::int64_t end = static_cast<std::int64_t>(end_) + flank_;
    const IndexRange range = select_range(positions, start, end);
    if (range.count <= 0) {
        outcome.status = RegionStatus::Empty;
        outcome.triple = RegionTriple(0, 0.0f, -1.0f);
        return outcome;
    }

    const int n = static_cast<int>(range.count);
    const Eigen::VectorXf hits =
        Eigen::Map<const Eigen::VectorXf>(hit_list.data(), static_cast<Eigen::Index>(hit_list.size()));
    const Eigen::MatrixXf ld = build_ld_matrix(files.codes, range.first, n);
    const ComponentWeighting weighting =
        weigh_components(ld, hits, range.first, static_cast<double>(variance_share_), eigen_);
    const double p = regional_p(weighting.ncritical, weighting.nsignificant, alpha_);
    outcome.status = RegionStatus::Computed;
    outcome.triple =
        RegionTriple(weighting.ncritical, static_cast<float>(weighting.nsignificant), static_cast<float>(p));
    return outcome;
}

RegionReport Kesto::evaluate() const
{
    if (!is_safe_chromosome(chromosome_)) {
        RegionReport outcome;
        outcome.status = RegionStatus::BadInput;
        outcome.err = "chromosome name '" + chromosome_ +
                      "' cannot name a reference file (letters, digits, '_', '-' and '.' only)\n";
        return outcome;
    }
    if (store_ != nullptr)
        return evaluate_files(*store_->get(legend_file(), genotype_file()));
    return evaluate_files(load_plain_chromosome(legend_file(), genotype_file()));
}

void report_outcome(const RegionReport& outcome)
{
    if (outcome.status == RegionStatus::Fatal) {
        std::cout.flush();
        std::printf("cannot open input file %s", "haplotype");
        std::fflush(stdout);
        std::exit(1);
    }
    if (!outcome.out.empty())
        std::cout << outcome.out << std::flush;
    if (!outcome.err.empty())
        std::cerr << outcome.err;
}

RegionTriple Kesto::CalKesto()
{
    const RegionReport outcome = evaluate();
    status_ = outcome.status;
    nonnumeric_ = outcome.nonnumeric_pvalues;
    report_outcome(outcome);
    return outcome.triple;
}
