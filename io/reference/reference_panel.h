#ifndef KESTO_IO_REFERENCE_REFERENCE_PANEL_H
#define KESTO_IO_REFERENCE_REFERENCE_PANEL_H

#include "status.h"

#include <cstdint>
#include <string>
#include <vector>

// One site of a reference panel, as the matching needs it.
struct ReferenceSite {
    std::string id;              // empty when the file has none ("." in a VCF)
    std::string chromosome;      // canonical name, empty when not understood
    std::string raw_chromosome;  // as written
    std::int64_t position = 0;
    std::string allele1;         // the counted allele: .bim A1, VCF ALT (upper case)
    std::string allele2;         // the other one: .bim A2, VCF REF (upper case)
    bool multiallelic = false;   // more than two alleles: never matched
    std::string alleles;         // every allele, comma-separated, for reports
};

// Genotype codes of the kept individuals, two bits each, four to a byte, the
// first individual in the lowest bits: 0, 1, 2 copies of allele1, 3 missing.
constexpr std::uint8_t kMissingCode = 3;
inline std::size_t packed_bytes(std::size_t individuals) { return (individuals + 3) / 4; }

// A reference panel read site by site, one pass, in file order (files of a
// per-chromosome set one after the other). The genotypes of a site are
// decoded only when asked for, so sites that match nothing cost little.
class ReferencePanel {
public:
    virtual ~ReferencePanel() = default;

    // Ids of the kept individuals, in panel order.
    virtual const std::vector<std::string>& samples() const = 0;
    // Individuals in the panel before --keep.
    virtual std::size_t all_samples() const = 0;
    // The files read, for the log.
    virtual const std::vector<std::string>& files() const = 0;
    // Entries of the keep list that matched no individual (see KeepList).
    const std::vector<std::string>& keep_missing() const { return keep_missing_; }
    // Sites seen so far with more than two alleles.
    virtual long multiallelic_sites() const = 0;

    // The next site; false at the end or on an error (see status()).
    virtual bool next(ReferenceSite& site) = 0;
    virtual const Status& status() const = 0;
    // Codes of the site last returned (packed_bytes(samples().size()) bytes).
    virtual Status genotypes(std::uint8_t* packed) = 0;
    // Whether genotypes can be read later and in any order, by the place
    // location() gives (a .bed can; a VCF, read once, cannot).
    virtual bool locates() const { return false; }
    // The place of the site last returned, for genotypes_at().
    virtual std::uint64_t location() const { return 0; }
    // Codes of the site at `location`, read afresh; sites read in
    // increasing order of place are read without seeking.
    virtual Status genotypes_at(std::uint64_t /*location*/, std::uint8_t* /*packed*/)
    {
        return Status(StatusCode::Malformed, "this reference cannot read genotypes out of order");
    }
    // File and line or record of the site last returned, for messages.
    virtual std::string where() const = 0;
    // Share of the input read so far, 0 to 1, for progress reports.
    virtual double done() const = 0;

protected:
    std::vector<std::string> keep_missing_;
};

#endif
