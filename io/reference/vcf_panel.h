#ifndef KESTO_IO_REFERENCE_VCF_PANEL_H
#define KESTO_IO_REFERENCE_VCF_PANEL_H

#include "keep_list.h"
#include "reference_panel.h"

#include <htslib/vcf.h>

// A VCF or BCF file (plain or bgzipped, read with htslib), or a
// per-chromosome series of them ('@' in the name). Hard calls come from GT,
// phased or not: the number of ALT alleles of a diploid call, 0 or 2 for a
// haploid one; a call with a missing allele is missing. Sites with more than
// two alleles are returned flagged and counted.
class VcfPanel : public ReferencePanel {
public:
    VcfPanel() = default;
    ~VcfPanel() override;
    VcfPanel(const VcfPanel&) = delete;
    VcfPanel& operator=(const VcfPanel&) = delete;

    Status open(const std::string& name, const KeepList& keep);

    const std::vector<std::string>& samples() const override { return kept_.ids; }
    std::size_t all_samples() const override { return all_samples_; }
    const std::vector<std::string>& files() const override { return files_; }
    long multiallelic_sites() const override { return multiallelic_; }
    bool next(ReferenceSite& site) override;
    const Status& status() const override { return status_; }
    Status genotypes(std::uint8_t* packed) override;
    std::string where() const override;
    double done() const override;

private:
    Status open_file(std::size_t index);
    void close_file();

    std::vector<std::string> files_;
    std::vector<std::string> names_;  // sample names of the first file
    std::size_t all_samples_ = 0;
    KeptSamples kept_;
    std::size_t file_ = 0;
    htsFile* fp_ = nullptr;
    bcf_hdr_t* hdr_ = nullptr;
    bcf1_t* rec_ = nullptr;
    long record_ = 0;  // records read from the current file
    long multiallelic_ = 0;
    std::int64_t file_size_ = 0;
    int32_t* gt_ = nullptr;
    int gt_capacity_ = 0;
    Status status_;
};

#endif
