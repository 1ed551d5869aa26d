#include "region_engine.h"

#include "chromosome_store.h"
#include "hit_rule.h"
#include "ld_matrix.h"
#include "regional_pvalues.h"
#include "snp_range.h"

#include <Eigen/Dense>

#include <utility>

namespace {

// The facts a report carries whatever the outcome.
RegionReport describe(const LoadedChromosome& loaded)
{
    RegionReport report;
    report.snp_origin = loaded.data.snp_origin;
    report.nonnumeric_pvalues = loaded.data.nonnumeric_pvalues;
    report.out_of_range_pvalues = loaded.data.out_of_range_pvalues;
    report.no_snps = loaded.status.ok() && loaded.data.positions.empty();
    return report;
}

// Evaluates a region of a loaded chromosome; `ld` builds the LD matrix of n
// SNPs from `first` on.
template <class BuildLd>
RegionReport evaluate_loaded(const LoadedChromosome& loaded, std::int32_t start_bp, std::int32_t end_bp,
                             const RegionSettings& settings, const BuildLd& ld_of)
{
    RegionReport report = describe(loaded);
    if (!loaded.status.ok()) {
        report.status = loaded.status.code == StatusCode::NotFound ? RegionStatus::MissingFile : RegionStatus::BadInput;
        report.problem = loaded.status;
        report.failed_part = loaded.failed;
        return report;
    }
    const ChromosomeData& data = loaded.data;
    // Flanked bounds in 64 bits: no position and flank can overflow them.
    const std::int64_t start = static_cast<std::int64_t>(start_bp) - settings.flank;
    const std::int64_t end = static_cast<std::int64_t>(end_bp) + settings.flank;
    const SnpRange range = snps_between(data.positions, start, end);
    if (range.count <= 0) {
        report.status = RegionStatus::Empty;
        report.triple = RegionTriple(0, 0.0f, -1.0f);
        return report;
    }
    const int n = static_cast<int>(range.count);
    const std::vector<float> hit_list = hits_below(data.pvalues, settings.alpha);
    const Eigen::VectorXf hits =
        Eigen::Map<const Eigen::VectorXf>(hit_list.data(), static_cast<Eigen::Index>(hit_list.size()));
    const Eigen::MatrixXf ld = ld_of(data, range.first, n);
    const ComponentWeighting weighting =
        weigh_components(ld, hits, range.first, static_cast<double>(settings.variance_share), settings.eigen);
    const double p = regional_p(weighting.ncritical, weighting.nsignificant, settings.alpha);
    report.status = RegionStatus::Computed;
    report.triple =
        RegionTriple(weighting.ncritical, static_cast<float>(weighting.nsignificant), static_cast<float>(p));
    return report;
}

class StoredEngine final : public RegionEngine {
public:
    StoredEngine(ChromosomeStore& store, const RegionSettings& settings) : store_(store), settings_(settings) {}

    RegionReport evaluate(const std::string& chromosome, std::int32_t start, std::int32_t end) const override
    {
        const std::shared_ptr<const LoadedChromosome> loaded = store_.get(chromosome);
        return evaluate_loaded(*loaded, start, end, settings_,
                               [](const ChromosomeData& data, std::size_t first, int n) {
                                   return build_ld_matrix(data.codes, first, n);
                               });
    }

private:
    ChromosomeStore& store_;
    RegionSettings settings_;
};

class ReferenceEngine final : public RegionEngine {
public:
    ReferenceEngine(const ChromosomeSource& source, const RegionSettings& settings)
        : source_(source), settings_(settings)
    {
    }

    RegionReport evaluate(const std::string& chromosome, std::int32_t start, std::int32_t end) const override
    {
        const LoadedChromosome loaded = load_chromosome(source_, chromosome);
        return evaluate_loaded(loaded, start, end, settings_, [](const ChromosomeData& data, std::size_t first, int n) {
            // The region's codes one int each, as the two-locus analysis reads them.
            CodeTable codes;
            codes.samples = data.codes.samples();
            codes.codes.reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(codes.samples));
            for (int s = 0; s < n; ++s)
                for (int i = 0; i < codes.samples; ++i)
                    codes.codes.push_back(data.codes.code(first + static_cast<std::size_t>(s), i));
            return build_ld_matrix(codes, 0, n);
        });
    }

private:
    const ChromosomeSource& source_;
    RegionSettings settings_;
};

} // namespace

std::unique_ptr<RegionEngine> make_stored_engine(ChromosomeStore& store, const RegionSettings& settings)
{
    return std::make_unique<StoredEngine>(store, settings);
}

std::unique_ptr<RegionEngine> make_reference_engine(const ChromosomeSource& source, const RegionSettings& settings)
{
    return std::make_unique<ReferenceEngine>(source, settings);
}
