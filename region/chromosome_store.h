#ifndef KESTO_REGION_CHROMOSOME_STORE_H
#define KESTO_REGION_CHROMOSOME_STORE_H

#include "code_table.h"
#include "packed_codes.h"
#include "reference_files.h"

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

// What a region computation reads from one chromosome's legend and genotype
// files, with how each reading went. `Codes` is CodeTable (one int a code)
// or PackedCodes (two bits a code).
template <class Codes>
struct ChromosomeFiles {
    ReadOutcome legend_read;
    LegendTable legend;
    ReadOutcome header_read;
    int samples = 0;
    ReadOutcome rows_read;
    Codes codes;
};

using PlainChromosome = ChromosomeFiles<CodeTable>;
using PackedChromosome = ChromosomeFiles<PackedCodes>;

// Reads the pair of files, stopping at the first reading that fails.
PlainChromosome load_plain_chromosome(const std::string& legend_path, const std::string& genotype_path);
PackedChromosome load_packed_chromosome(const std::string& legend_path, const std::string& genotype_path);

std::size_t footprint(const PackedChromosome& files);

// Chromosomes loaded once per run and shared by every region that lies on
// them. When the loaded chromosomes together pass `byte_limit`, the least
// recently used ones are dropped (and read again if asked for).
class ChromosomeStore {
public:
    explicit ChromosomeStore(std::size_t byte_limit) : byte_limit_(byte_limit) {}

    std::shared_ptr<const PackedChromosome> get(const std::string& legend_path, const std::string& genotype_path);

    std::size_t loads() const { return loads_; }

private:
    using Key = std::pair<std::string, std::string>;
    struct Entry {
        std::shared_ptr<const PackedChromosome> files;
        std::size_t bytes = 0;
        std::list<Key>::iterator use;
    };

    std::size_t byte_limit_;
    std::size_t bytes_ = 0;
    std::size_t loads_ = 0;
    std::map<Key, Entry> entries_;
    std::list<Key> recent_;  // most recently used first
    std::mutex mutex_;
};

#endif
