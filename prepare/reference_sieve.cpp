#include "reference_sieve.h"

#include "reference/plink_panel.h"

#include <boost/sort/spreadsort/integer_sort.hpp>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

constexpr std::int64_t kNarrow = std::numeric_limits<std::uint32_t>::max();

} // namespace

std::uint32_t ReferenceSieve::id_hash(std::string_view id)
{
    const std::uint64_t h = std::hash<std::string_view>()(id);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

void ReferenceSieve::add(const ReferenceSite& site)
{
    if (site.chromosome.empty())
        return;
    ++sites_;
    if (last_ < 0 || chromosomes_[static_cast<std::size_t>(last_)] != site.chromosome) {
        last_ = slot(site.chromosome);
        if (last_ < 0) {
            chromosomes_.push_back(site.chromosome);
            positions_.emplace_back();
            last_ = static_cast<int>(chromosomes_.size() - 1);
        }
    }
    if (site.position >= 0 && site.position < kNarrow)
        positions_[static_cast<std::size_t>(last_)].push_back(static_cast<std::uint32_t>(site.position));
    if (!site.id.empty())
        id_hashes_.push_back(id_hash(site.id));
}

void ReferenceSieve::finish()
{
    for (std::vector<std::uint32_t>& positions : positions_) {
        if (!std::is_sorted(positions.begin(), positions.end()))
            boost::sort::spreadsort::integer_sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        positions.shrink_to_fit();
    }
    boost::sort::spreadsort::integer_sort(id_hashes_.begin(), id_hashes_.end());
    id_hashes_.erase(std::unique(id_hashes_.begin(), id_hashes_.end()), id_hashes_.end());
    id_hashes_.shrink_to_fit();
}

int ReferenceSieve::slot(std::string_view chromosome) const
{
    for (std::size_t s = 0; s < chromosomes_.size(); ++s)
        if (chromosomes_[s] == chromosome)
            return static_cast<int>(s);
    return -1;
}

bool ReferenceSieve::has_place(int slot, std::int64_t position) const
{
    if (slot < 0 || position < 0)
        return false;
    // Places past 32 bits are let through (a row there is kept in the index).
    if (position >= kNarrow)
        return true;
    const std::vector<std::uint32_t>& positions = positions_[static_cast<std::size_t>(slot)];
    return std::binary_search(positions.begin(), positions.end(), static_cast<std::uint32_t>(position));
}

bool ReferenceSieve::may_have_id(std::string_view id) const
{
    return !id.empty() && std::binary_search(id_hashes_.begin(), id_hashes_.end(), id_hash(id));
}

Status sieve_reference(ReferencePanel& panel, ReferenceSieve& sieve)
{
    ReferenceSite site;
    while (panel.next(site))
        sieve.add(site);
    if (!panel.status().ok())
        return panel.status();
    sieve.finish();
    return Status();
}

Status sieve_plink_sites(const std::string& prefix, ReferenceSieve& sieve)
{
    PlinkPanel sites;
    Status status = sites.open(prefix, KeepList());
    if (!status.ok())
        return status;
    return sieve_reference(sites, sieve);
}
