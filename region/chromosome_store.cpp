#include "chromosome_store.h"

namespace {

template <class Codes, class ReadRows>
ChromosomeFiles<Codes> load(const std::string& legend_path, const std::string& genotype_path, ReadRows read_rows)
{
    ChromosomeFiles<Codes> files;
    files.legend_read = read_legend(legend_path, files.legend);
    if (files.legend_read.status != ReadStatus::Ok)
        return files;
    files.header_read = read_genotype_header(genotype_path, 2, files.samples);
    if (files.header_read.status != ReadStatus::Ok)
        return files;
    files.rows_read = read_rows(files);
    return files;
}

} // namespace

PlainChromosome load_plain_chromosome(const std::string& legend_path, const std::string& genotype_path)
{
    return load<CodeTable>(legend_path, genotype_path, [&](PlainChromosome& f) {
        return read_genotype_rows(genotype_path, 2, f.legend.positions.size(), f.samples, f.codes);
    });
}

PackedChromosome load_packed_chromosome(const std::string& legend_path, const std::string& genotype_path)
{
    return load<PackedCodes>(legend_path, genotype_path, [&](PackedChromosome& f) {
        f.codes = PackedCodes(f.samples);
        f.codes.reserve(f.legend.positions.size());
        return read_genotype_rows(genotype_path, 2, f.legend.positions.size(), f.samples,
                                  [&f](const std::int32_t* row) { f.codes.add_row(row); });
    });
}

std::size_t footprint(const PackedChromosome& files)
{
    return files.codes.bytes() + files.legend.positions.size() * (sizeof(std::int32_t) + sizeof(float)) + 256;
}

std::shared_ptr<const PackedChromosome> ChromosomeStore::get(const std::string& legend_path,
                                                             const std::string& genotype_path)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const Key key{legend_path, genotype_path};
    auto found = entries_.find(key);
    if (found != entries_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.use);
        return found->second.files;
    }
    auto files = std::make_shared<const PackedChromosome>(load_packed_chromosome(legend_path, genotype_path));
    ++loads_;
    const std::size_t bytes = footprint(*files);
    recent_.push_front(key);
    entries_[key] = Entry{files, bytes, recent_.begin()};
    bytes_ += bytes;
    // Keep the newest entry even when it alone passes the limit.
    while (bytes_ > byte_limit_ && recent_.size() > 1) {
        const Key oldest = recent_.back();
        recent_.pop_back();
        bytes_ -= entries_[oldest].bytes;
        entries_.erase(oldest);
    }
    return files;
}
