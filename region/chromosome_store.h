#ifndef KESTO_REGION_CHROMOSOME_STORE_H
#define KESTO_REGION_CHROMOSOME_STORE_H

#include "chromosome_data.h"

#include <cstddef>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// One chromosome as a source gave it, or why it could not.
struct LoadedChromosome {
    Status status;
    SourcePart failed = SourcePart::Snps;  // meaningful when status is not Ok
    ChromosomeData data;
};

LoadedChromosome load_chromosome(const ChromosomeSource& source, const std::string& chromosome);

// Bytes a loaded chromosome holds, as the store counts them.
std::size_t footprint(const LoadedChromosome& chromosome);

// Chromosomes loaded once per run from one source and shared by every region
// that lies on them (a failed load is remembered too). When the loaded
// chromosomes together pass `byte_limit`, the least recently used ones are
// dropped (and loaded again if asked for). Safe to use from several threads:
// a chromosome is loaded outside the store's lock, so regions on chromosomes
// already loaded go on while the next one is read; a thread asking for a
// chromosome that is being loaded waits for that load.
class ChromosomeStore {
public:
    ChromosomeStore(const ChromosomeSource& source, std::size_t byte_limit)
        : source_(source), byte_limit_(byte_limit)
    {
    }

    std::shared_ptr<const LoadedChromosome> get(const std::string& chromosome);

    std::size_t loads() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return loads_;
    }

private:
    using Shared = std::shared_ptr<const LoadedChromosome>;
    struct Entry {
        std::shared_future<Shared> chromosome;
        bool loading = true;  // bytes not known yet; never dropped meanwhile
        std::size_t bytes = 0;
        std::list<std::string>::iterator use;
    };

    const ChromosomeSource& source_;
    std::size_t byte_limit_;
    std::size_t bytes_ = 0;
    std::size_t loads_ = 0;
    std::map<std::string, Entry> entries_;
    std::list<std::string> recent_;  // most recently used first
    mutable std::mutex mutex_;
};

#endif
