#include "chromosome_store.h"

LoadedChromosome load_chromosome(const ChromosomeSource& source, const std::string& chromosome)
{
    LoadedChromosome loaded;
    loaded.status = source.load(chromosome, loaded.data, loaded.failed);
    return loaded;
}

std::size_t footprint(const LoadedChromosome& chromosome)
{
    const ChromosomeData& data = chromosome.data;
    std::size_t ids = 0;
    for (const std::string& id : data.ids)
        ids += sizeof(std::string) + (id.size() > 15 ? id.size() : 0);
    return data.codes.bytes() + data.positions.size() * (sizeof(std::int32_t) + sizeof(float)) + ids + 256;
}

std::shared_ptr<const LoadedChromosome> ChromosomeStore::get(const std::string& chromosome)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    auto found = entries_.find(chromosome);
    if (found != entries_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.use);
        return found->second.chromosome;
    }
    auto loaded = std::make_shared<const LoadedChromosome>(load_chromosome(source_, chromosome));
    ++loads_;
    const std::size_t bytes = footprint(*loaded);
    recent_.push_front(chromosome);
    entries_[chromosome] = Entry{loaded, bytes, recent_.begin()};
    bytes_ += bytes;
    // Keep the newest entry even when it alone passes the limit.
    while (bytes_ > byte_limit_ && recent_.size() > 1) {
        const std::string oldest = recent_.back();
        recent_.pop_back();
        bytes_ -= entries_[oldest].bytes;
        entries_.erase(oldest);
    }
    return loaded;
}
