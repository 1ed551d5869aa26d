#ifndef KESTO_REGION_CHROMOSOME_DATA_H
#define KESTO_REGION_CHROMOSOME_DATA_H

#include "packed_codes.h"
#include "status.h"

#include <cstdint>
#include <string>
#include <vector>

// Everything the region engine needs of one chromosome, whatever it was read
// from. Entry i of every table belongs to the same SNP; positions ascend.
struct ChromosomeData {
    std::vector<std::string> ids;         // SNP ids as the reference names them
    std::vector<std::int32_t> positions;  // ascending (equal neighbours allowed)
    std::vector<float> pvalues;           // NaN where the field was no p-value
    PackedCodes codes;                    // one row per SNP

    // P-value fields that count as no hit: text that is not a number, and
    // numbers outside 0 .. 1 (missing-value codes such as -9 among them).
    long nonnumeric_pvalues = 0;
    long out_of_range_pvalues = 0;
    // Where the SNP list came from (a path, for messages): the file the
    // p-value report names.
    std::string snp_origin;

    std::size_t snps() const { return positions.size(); }
};

// What part of a source a failed load concerns: the programs print a fixed
// standard-output line that differs between the two.
enum class SourcePart { Snps, Genotypes };

// Where a region program's reference data come from: legend and genotype
// text files today; a PLINK or VCF reference is another implementation.
// A source reads; it never prints and never caches (ChromosomeStore does).
// Implementations must be safe to call from several threads at once.
class ChromosomeSource {
public:
    virtual ~ChromosomeSource() = default;

    // Loads one chromosome (its file-name text, e.g. "1" or "X") into `data`.
    // Ok: the tables are complete and consistent. NotFound: the source holds
    // nothing for it; `failed` says which part and the message is the missing
    // path. Malformed or ReadError: the message names file and line. `failed`
    // is set on every failure.
    virtual Status load(const std::string& chromosome, ChromosomeData& data, SourcePart& failed) const = 0;

    // A short text naming what load(chromosome) reads, for messages and as
    // the cache key (two sources never share a store).
    virtual std::string describe(const std::string& chromosome) const = 0;
};

#endif
