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
    std::promise<Shared> loading;
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found = entries_.find(chromosome);
    if (found != entries_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.use);
        const std::shared_future<Shared> pending = found->second.chromosome;
        // Waiting, when it is still being loaded, happens outside the lock.
        lock.unlock();
        return pending.get();
    }
    recent_.push_front(chromosome);
    entries_[chromosome] = Entry{loading.get_future().share(), true, 0, recent_.begin()};
    ++loads_;
    lock.unlock();
    Shared loaded;
    try {
        loaded = std::make_shared<const LoadedChromosome>(load_chromosome(source_, chromosome));
    } catch (...) {
        // Threads waiting for this chromosome see the same failure; the entry
        // goes, so that a later request tries again.
        lock.lock();
        const auto entry = entries_.find(chromosome);
        recent_.erase(entry->second.use);
        entries_.erase(entry);
        loading.set_exception(std::current_exception());
        throw;
    }
    lock.lock();
    Entry& entry = entries_[chromosome];
    entry.loading = false;
    entry.bytes = footprint(*loaded);
    bytes_ += entry.bytes;
    // Keep the newest entry even when it alone passes the limit; entries
    // still loading are not counted yet and stay.
    auto oldest = recent_.end();
    while (bytes_ > byte_limit_ && oldest != recent_.begin()) {
        --oldest;
        if (*oldest == chromosome)
            continue;
        const auto drop = entries_.find(*oldest);
        if (drop->second.loading)
            continue;
        bytes_ -= drop->second.bytes;
        entries_.erase(drop);
        oldest = recent_.erase(oldest);
    }
    lock.unlock();
    loading.set_value(loaded);
    return loaded;
}
