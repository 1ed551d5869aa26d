#ifndef KESTO_REGION_REGION_ENGINE_H
#define KESTO_REGION_REGION_ENGINE_H

#include "chromosome_data.h"
#include "eigen_method.h"

#include <boost/tuple/tuple.hpp>

#include <cstdint>
#include <memory>
#include <string>

class ChromosomeStore;
struct LoadedChromosome;

// Settings shared by every region of a run.
struct RegionSettings {
    float alpha = 0.0f;
    float variance_share = 0.0f;
    std::int32_t flank = 0;
    EigenMethod eigen = EigenMethod::Exact;
};

// How a region's computation ended.
enum class RegionStatus {
    Computed,     // a full triple
    Empty,        // no SNP in the flanked region: (0, 0, -1)
    MissingFile,  // the chromosome's data are missing: (0, 0, 0), reported as NA
    BadInput,     // the chromosome's data are unusable: (0, 0, 0), reported as NA
};

using RegionTriple = boost::tuple<int, float, float>;

// A region's result with what the caller needs to explain it; the engine
// itself never prints, so callers may compute regions in any order and report
// them in order.
struct RegionReport {
    RegionTriple triple{0, 0.0f, 0.0f};
    RegionStatus status = RegionStatus::Computed;
    Status problem;                        // MissingFile: NotFound, message the missing path; BadInput: why
    SourcePart failed_part = SourcePart::Snps;
    std::string snp_origin;                // the SNP list's file, named by the p-value report
    long nonnumeric_pvalues = 0;
    long out_of_range_pvalues = 0;
    bool no_snps = false;                  // the chromosome's SNP list is empty
};

// The region engine: evaluates the region start .. end (widened by the flank)
// of one chromosome. Chosen once per run; both implementations give the same
// numbers.
class RegionEngine {
public:
    virtual ~RegionEngine() = default;
    virtual RegionReport evaluate(const std::string& chromosome, std::int32_t start, std::int32_t end) const = 0;
};

// Each chromosome loaded once through `store`, LD from the packed codes.
std::unique_ptr<RegionEngine> make_stored_engine(ChromosomeStore& store, const RegionSettings& settings);

// The straightforward engine: the chromosome read from `source` afresh for
// every region, each SNP pair analysed by its own two-locus object.
std::unique_ptr<RegionEngine> make_reference_engine(const ChromosomeSource& source, const RegionSettings& settings);

#endif
