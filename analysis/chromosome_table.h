#ifndef KESTO_ANALYSIS_CHROMOSOME_TABLE_H
#define KESTO_ANALYSIS_CHROMOSOME_TABLE_H

#include "packed_codes.h"
#include "status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace analysis {

// One chromosome of the reference with the association p-values matched to
// it: everything a region or window of that chromosome is computed from.
// SNPs are in ascending position order; codes hold one row per SNP.
struct ChromosomeTable {
    std::string chromosome;
    std::vector<std::string> ids;
    std::vector<std::int32_t> positions;
    std::vector<double> pvalues;  // NaN where the SNP has no usable p-value
    PackedCodes codes;
    long missing_pvalues = 0;  // SNPs whose p-value field held no number

    std::size_t snps() const { return positions.size(); }
};

// Where chromosome tables come from: the prepared legend/genotype files, or
// a PLINK/VCF reference matched with summary statistics. A source hands out
// one chromosome at a time, so a run holds one chromosome's genotypes.
class TableSource {
public:
    virtual ~TableSource() = default;

    // The chromosomes the reference holds, in its own order.
    virtual std::vector<std::string> chromosomes() const = 0;

    // NotFound when the reference has no such chromosome (or its files are
    // absent); Malformed/ReadError with file and line when they are bad.
    virtual Status load(const std::string& chromosome, ChromosomeTable& table) = 0;

    // Lines for the run's log: the inputs as they were recognised.
    virtual std::vector<std::string> describe() const = 0;

    // The name this source gives the chromosome a gene list writes as
    // `field` ("chr7", "07" -> "7").
    virtual std::string name_of(const std::string& field) const;
};

} // namespace analysis

#endif
