#ifndef KESTO_IO_REFERENCE_PLINK_PANEL_H
#define KESTO_IO_REFERENCE_PLINK_PANEL_H

#include "bed_file.h"
#include "keep_list.h"
#include "line_source.h"
#include "reference_panel.h"

#include <memory>
#include <string_view>
#include <vector>

// A PLINK 1 binary set (.bed/.bim/.fam), or a per-chromosome series of them
// ('@' in the prefix). Each .bim is read one line at a time and the .bed row
// of a site only when its genotypes are asked for.
class PlinkPanel : public ReferencePanel {
public:
    // `keep` may be empty (every individual kept).
    Status open(const std::string& prefix, const KeepList& keep);

    const std::vector<std::string>& samples() const override { return kept_.ids; }
    std::size_t all_samples() const override { return fam_ids_.size(); }
    const std::vector<std::string>& files() const override { return files_; }
    long multiallelic_sites() const override { return 0; }
    bool next(ReferenceSite& site) override;
    const Status& status() const override { return status_; }
    Status genotypes(std::uint8_t* packed) override;
    bool locates() const override { return true; }
    std::uint64_t location() const override { return (std::uint64_t(set_) << kSetShift) | (snp_ - 1); }
    Status genotypes_at(std::uint64_t location, std::uint8_t* packed) override;
    std::string where() const override { return bim_ ? bim_->where() : std::string(); }
    double done() const override;

private:
    // A location is the set in the high bits and the .bed row below.
    static constexpr unsigned kSetShift = 40;
    Status open_set(std::size_t set);
    Status open_bed(std::size_t set, BedFile& bed) const;
    void decode(const std::vector<std::uint8_t>& row, std::uint8_t* packed) const;

    std::vector<std::string> prefixes_;
    std::vector<std::string> files_;
    std::vector<std::uint64_t> set_counts_;  // .bim lines per set
    std::vector<std::string> fam_ids_;   // "FID\tIID" of the first set
    KeptSamples kept_;
    std::size_t set_ = 0;
    std::unique_ptr<LineSource> bim_;  // a fresh source per set
    BedFile bed_;
    std::uint64_t set_snps_ = 0;
    std::uint64_t snp_ = 0;              // index in the set of the next .bim line
    std::uint64_t total_snps_ = 0, done_snps_ = 0;
    std::vector<std::uint8_t> row_;
    // A second handle for genotypes_at(), which reads a set the walk may
    // already have left.
    BedFile located_bed_;
    std::size_t located_set_ = 0;
    bool located_open_ = false;
    std::vector<std::string_view> fields_;  // of the .bim line being read, kept to spare allocations
    bool named_ = false;         // raw_chromosome_ and chromosome_ hold the last .bim line's
    std::string raw_chromosome_;
    std::string chromosome_;
    Status status_;
};

#endif
