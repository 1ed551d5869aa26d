#ifndef KESTO_REGION_KESTO_ANALYSIS_MATRIX_H
#define KESTO_REGION_KESTO_ANALYSIS_MATRIX_H

#include "eigen_method.h"
#include "regional_p.h"

#include <boost/tuple/tuple.hpp>

#include <cstdint>
#include <string>

class ChromosomeStore;

// How a region's computation ended.
enum class RegionStatus {
    Computed,     // a full triple
    Empty,        // no SNP in the flanked region: (0, 0, -1)
    MissingFile,  // legend or genotype file missing: (0, 0, 0), reported as NA
    BadInput,     // a reference file is malformed: (0, 0, 0), reported as NA
    Fatal,        // the genotype file opened once but not again: the run ends
};

using RegionTriple = boost::tuple<int, float, float>;

// A region's result together with the messages its computation gives, so
// that callers may compute regions in any order and still report in order.
struct RegionReport {
    RegionTriple triple{0, 0.0f, 0.0f};
    RegionStatus status = RegionStatus::Computed;
    std::string out;  // lines for standard output
    std::string err;  // lines for standard error
    long nonnumeric_pvalues = 0;
};

// Region significance engine: one object per region and run settings, used
// for one call of CalKesto.
class Kesto {
public:
    Kesto(std::string chromosome, std::int32_t start, std::int32_t end, float alpha, float variance_share,
          std::string legend_prefix, std::string genotype_prefix, std::int32_t flank);

    // Reads the chromosome through `store` (loaded once per run, bit-packed
    // codes) instead of reading both files afresh for this region.
    void use_store(ChromosomeStore* store) { store_ = store; }

    // Decomposes the LD matrix by `method` (exact unless asked otherwise).
    void use_eigen(EigenMethod method) { eigen_ = method; }

    // Returns (ncritical, nsignificant, regional_p), printing the messages of
    // the computation: missing files on standard output, malformed input on
    // standard error. A genotype file that cannot be reopened ends the run.
    RegionTriple CalKesto();

    // The same computation without printing anything.
    RegionReport evaluate() const;

    RegionStatus status() const { return status_; }
    std::string legend_file() const;
    std::string genotype_file() const;
    // P-value fields of the legend file that hold no number (counted as no hit).
    long nonnumeric_pvalues() const { return nonnumeric_; }

private:
    template <class Files>
    RegionReport evaluate_files(const Files& files) const;

    std::string chromosome_;
    std::int32_t start_;
    std::int32_t end_;
    std::int32_t flank_;
    float alpha_;
    float variance_share_;
    std::string legend_prefix_;
    std::string genotype_prefix_;
    ChromosomeStore* store_ = nullptr;
    EigenMethod eigen_ = EigenMethod::Exact;
    RegionStatus status_ = RegionStatus::Computed;
    long nonnumeric_ = 0;
};

// Prints an outcome's messages as CalKesto does; ends the process on Fatal.
void report_outcome(const RegionReport& outcome);

#endif
