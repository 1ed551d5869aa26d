#ifndef KESTO_ANALYSIS_CHROMOSOME_TABLE_H
#define KESTO_ANALYSIS_CHROMOSOME_TABLE_H

#include "packed_codes.h"
#include "status.h"

#include <cstdint>
#include <string>
#include <utility>
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

// What a run does with the chromosomes of a reference, handed over one at a
// time in the reference's order.
class ChromosomeConsumer {
public:
    virtual ~ChromosomeConsumer() = default;

    // Whether the run needs the chromosome; a source skips the others
    // without reading their genotypes.
    virtual bool wants(const std::string& chromosome) const = 0;
    // A complete chromosome; the consumer may take its contents over.
    virtual Status take(ChromosomeTable& table) = 0;
    // Called by a source that has matched a chromosome and is about to build
    // its table: a consumer still analysing the one before on another thread
    // (overlapped_consumer.h) waits here. A source that reads genotypes only
    // now (a .bed) holds one chromosome's genotypes; one that read them while
    // matching (a VCF), at most two. A failing status ends the feed.
    virtual Status ready() { return {}; }
    // A chromosome whose data could not be read (the message names file and
    // line); the run goes on with the others.
    virtual Status unreadable(const std::string& chromosome, const std::string& message) = 0;
};

// Where chromosome tables come from: the prepared legend/genotype files, or
// a PLINK/VCF reference matched with summary statistics. A source hands its
// chromosomes out one at a time, so a run holds one chromosome's genotypes.
class TableSource {
public:
    virtual ~TableSource() = default;

    // Hands every chromosome the consumer wants to it, in reference order.
    // A failing status ends the run (a bad reference file as a whole, or a
    // status the consumer returned).
    virtual Status feed(ChromosomeConsumer& consumer) = 0;

    // Counts for the log once feed() is done (SNPs matched, left out, ...).
    virtual std::vector<std::string> report() const { return {}; }
    // Warnings about the inputs found on opening, as (kind, text) for the log.
    virtual std::vector<std::pair<std::string, std::string>> warnings() const { return {}; }
    // The same, found while feeding; asked once feed() is done.
    virtual std::vector<std::pair<std::string, std::string>> closing_warnings() const { return {}; }

    // Lines for the run's log: the inputs as they were recognised.
    virtual std::vector<std::string> describe() const = 0;

    // The name this source gives the chromosome a gene list writes as
    // `field` ("chr7", "07" -> "7").
    virtual std::string name_of(const std::string& field) const;

    // Why a chromosome the run wanted was never handed over, for the log:
    // "chromosome 7 " followed by this.
    virtual std::string missing_reason(const std::string& chromosome) const;
};

} // namespace analysis

#endif
