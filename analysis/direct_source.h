#ifndef KESTO_ANALYSIS_DIRECT_SOURCE_H
#define KESTO_ANALYSIS_DIRECT_SOURCE_H

#include "chromosome_table.h"
#include "preparation.h"
#include "reference/reference_panel.h"
#include "sumstats/sumstats_reader.h"
#include "sumstats_index.h"

#include <memory>
#include <string>
#include <vector>

namespace analysis {

// What the direct road reads: a PLINK or VCF/BCF reference and summary
// statistics, matched with the rules of `kesto prepare`.
struct DirectInputs {
    std::string bfile;
    std::string vcf;
    std::string keep;
    std::string sumstats;
    SumstatsOptions sumstats_options;  // a forced format or columns
    std::string excluded_path;  // where the report of left-out SNPs goes
    bool drop_ambiguous = false;
    bool allow_build_mismatch = false;
    int threads = 1;  // for parsing the summary statistics
};

// The reference read once, site by site, each site matched against the
// summary statistics as prepare matches it; each chromosome's matched SNPs
// become a chromosome table (the .bed codes go straight into the packed
// layout, no text) as soon as the chromosome is done.
class DirectSource : public TableSource {
public:
    // Opens the reference and reads the summary statistics (one pass).
    Status open(const DirectInputs& inputs);

    Status feed(ChromosomeConsumer& consumer) override;
    std::vector<std::string> describe() const override;
    std::vector<std::string> report() const override;
    std::vector<std::pair<std::string, std::string>> warnings() const override;
    std::vector<std::pair<std::string, std::string>> closing_warnings() const override;
    std::string name_of(const std::string& field) const override;
    std::string missing_reason(const std::string& chromosome) const override;

    // The reference's files, for the check of the outputs.
    std::vector<std::string> files() const;
    const PrepareReport& counts() const { return report_; }

private:
    DirectInputs inputs_;
    std::unique_ptr<ReferencePanel> panel_;
    std::unique_ptr<SumstatsIndex> index_;
    SumstatsLayout layout_;
    std::string reference_kind_;
    std::size_t keep_entries_ = 0;
    PrepareReport report_;
};

} // namespace analysis

#endif
