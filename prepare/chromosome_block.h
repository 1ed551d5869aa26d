#ifndef KESTO_PREPARE_CHROMOSOME_BLOCK_H
#define KESTO_PREPARE_CHROMOSOME_BLOCK_H

#include "status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The matched SNPs of one chromosome with their genotypes at two bits each,
// gathered in reference order and written out sorted by position as the
// legend and genotype files of the suite.
class ChromosomeBlock {
public:
    // Genotypes are kept in chunks of about `chunk_bytes`. The default is
    // large enough that malloc maps each chunk on its own (glibc does so
    // from 32 MB, whatever its adaptive threshold has become), so a chunk
    // freed by take_sorted goes back to the system at once rather than
    // staying in the heap beside the table it was moved into. Pages of a
    // chunk never written are never taken.
    explicit ChromosomeBlock(std::size_t chunk_bytes = std::size_t(33) << 20) : chunk_bytes_(chunk_bytes) {}

    // A located block holds, instead of each SNP's genotypes, the place
    // its genotypes are read from when the SNP is visited (see Fetch): a
    // chromosome matched ahead of its analysis then costs no genotypes.
    void reset(const std::string& chromosome, std::size_t samples, bool located = false);
    void add(std::int64_t position, std::string_view id, std::string_view p_text, const std::uint8_t* packed);
    void add_located(std::int64_t position, std::string_view id, std::string_view p_text, std::uint64_t location);
    bool located() const { return located_; }

    const std::string& chromosome() const { return chromosome_; }
    std::size_t size() const { return snps_.size(); }

    // Hands every SNP to `visit` in ascending position (reference order
    // among equal positions): position, id, p-value text and the packed
    // codes (reference_panel.h layout).
    using SnpVisitor = std::function<Status(std::int64_t position, std::string_view id, std::string_view p_text,
                                            const std::uint8_t* packed)>;
    // Reads the codes of a located SNP (ReferencePanel::genotypes_at).
    using Fetch = std::function<Status(std::uint64_t location, std::uint8_t* packed)>;
    Status visit_sorted(const SnpVisitor& visit, const Fetch& fetch = {}) const;
    // The same visit, freeing each chunk of genotypes once all its rows
    // have been visited, so that moving a chromosome elsewhere never holds
    // it twice. Only the chromosome's name is left afterwards (no SNP),
    // whether the visit ended early or not.
    Status take_sorted(const SnpVisitor& visit, const Fetch& fetch = {});
    // Bytes of genotypes held.
    std::size_t genotype_bytes() const;

    // Writes legend (id, position, p) and genotype (id, position, codes)
    // lines, in ascending position (reference order among equal positions);
    // compressed files deflated on `threads` (the same bytes).
    Status write(const std::string& legend_path, const std::string& genotype_path, bool compressed,
                 const std::vector<std::string>& samples, int threads = 1) const;

private:
    std::vector<std::uint32_t> sorted_order() const;
    Status visit_row(std::uint32_t s, const SnpVisitor& visit, const Fetch& fetch,
                     std::vector<std::uint8_t>& fetched) const;

    struct Snp {
        std::int64_t position;
        std::uint64_t text;       // id then p text in text_
        std::uint32_t id_length;
        std::uint32_t p_length;
    };

    std::string chromosome_;
    std::size_t row_bytes_ = 0;
    std::size_t samples_ = 0;
    std::vector<Snp> snps_;
    std::string text_;
    // Genotype rows in chunks of a fixed size, so that growing never copies
    // (nor briefly doubles) a chromosome's genotypes.
    std::size_t chunk_bytes_;
    std::size_t rows_per_chunk_ = 1;
    std::vector<std::vector<std::uint8_t>> chunks_;
    bool located_ = false;
    std::vector<std::uint64_t> locations_;  // of a located block's SNPs
};

#endif
