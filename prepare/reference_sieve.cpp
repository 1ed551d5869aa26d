#include "reference_sieve.h"

#include "reference/plink_panel.h"

#include <boost/sort/spreadsort/integer_sort.hpp>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

constexpr std::int64_t kNarrow = std::numeric_limits<std::uint32_t>::max();

} // namespace

namespace {

// The filter is blocked: an id's three bits lie in one 64-bit word, so
// that a look-up touches one word. The low bits of its hash choose the
// word, three 6-bit pieces of the high bits the bits.
std::uint64_t word_bits(std::uint64_t h)
{
    return std::uint64_t{1} << (h >> 46 & 63) | std::uint64_t{1} << (h >> 52 & 63) |
           std::uint64_t{1} << (h >> 58 & 63);
}

} // namespace

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
        id_hashes_.push_back(std::hash<std::string_view>()(site.id));
}

void ReferenceSieve::finish()
{
    for (std::vector<std::uint32_t>& positions : positions_) {
        if (!std::is_sorted(positions.begin(), positions.end()))
            boost::sort::spreadsort::integer_sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        positions.shrink_to_fit();
    }
    // A power of two of 12 to 24 bits an id. The hashes are held only
    // while the reference is walked, before anything else is read.
    std::size_t bits = std::size_t{1} << 16;
    while (bits < 12 * id_hashes_.size())
        bits *= 2;
    id_mask_ = bits / 64 - 1;
    id_bits_.assign(bits / 64, 0);
    for (const std::uint64_t h : id_hashes_)
        id_bits_[h & id_mask_] |= word_bits(h);
    id_hashes_ = std::vector<std::uint64_t>();
}

int ReferenceSieve::slot(std::string_view chromosome) const
{
    for (std::size_t s = 0; s < chromosomes_.size(); ++s)
        if (chromosomes_[s] == chromosome)
            return static_cast<int>(s);
    return -1;
}

bool ReferenceSieve::has_place(int slot, std::int64_t position, Cursor& cursor) const
{
    if (slot < 0 || position < 0)
        return false;
    // Places past 32 bits are let through (a row there is kept in the index).
    if (position >= kNarrow)
        return true;
    const std::vector<std::uint32_t>& positions = positions_[static_cast<std::size_t>(slot)];
    const auto wanted = static_cast<std::uint32_t>(position);
    auto first = positions.begin();
    auto last = positions.end();
    if (cursor.slot == slot && cursor.at < positions.size() && positions[cursor.at] <= wanted) {
        // Steps of 1, 2, 4, ... forward until past the place.
        first += static_cast<std::ptrdiff_t>(cursor.at);
        std::size_t step = 1;
        while (static_cast<std::size_t>(last - first) > step && first[static_cast<std::ptrdiff_t>(step)] <= wanted) {
            first += static_cast<std::ptrdiff_t>(step);
            step *= 2;
        }
        if (static_cast<std::size_t>(last - first) > step)
            last = first + static_cast<std::ptrdiff_t>(step);
    }
    const auto found = std::lower_bound(first, last, wanted);
    cursor.slot = slot;
    cursor.at = static_cast<std::size_t>(found - positions.begin());
    return found != positions.end() && *found == wanted;
}

bool ReferenceSieve::may_have_id(std::string_view id) const
{
    if (id.empty() || id_bits_.empty())
        return false;
    const std::uint64_t h = std::hash<std::string_view>()(id);
    const std::uint64_t bits = word_bits(h);
    return (id_bits_[h & id_mask_] & bits) == bits;
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
