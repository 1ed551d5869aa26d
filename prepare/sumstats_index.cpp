#include "sumstats_index.h"

#include "alleles.h"

#include <algorithm>
#include <functional>

namespace {

constexpr std::size_t kArenaBlock = std::size_t{1} << 20;

} // namespace

std::uint32_t SumstatsIndex::length(std::uint32_t row, int field) const
{
    const std::uint16_t l = rows_[row].lengths[field];
    return l != kLongText ? l : long_lengths_.at(row)[static_cast<std::size_t>(field)];
}

std::string_view SumstatsIndex::text(std::uint32_t row, int field) const
{
    const Row& r = rows_[row];
    std::size_t offset = r.offset;
    for (int f = 0; f < field; ++f)
        offset += length(row, f);
    return std::string_view(arena_[r.block]).substr(offset, length(row, field));
}

std::string_view SumstatsIndex::chromosome(std::uint32_t row) const
{
    const Row& r = rows_[row];
    if (r.chromosome != kUnknown)
        return chromosome_names_[r.chromosome];
    return text(row, 4);
}

std::uint8_t SumstatsIndex::chromosome_code(const std::string& name)
{
    for (std::size_t c = 0; c < chromosome_names_.size(); ++c)
        if (chromosome_names_[c] == name)
            return static_cast<std::uint8_t>(c);
    if (chromosome_names_.size() + 1 >= kUnknown)
        return kUnknown;
    chromosome_names_.push_back(name);
    return static_cast<std::uint8_t>(chromosome_names_.size() - 1);
}

void SumstatsIndex::add(const SumstatsRecord& record)
{
    Row row;
    const auto here = static_cast<std::uint32_t>(rows_.size());
    if (record.line >= 0 && record.line < kWide) {
        row.line = static_cast<std::uint32_t>(record.line);
    } else {
        row.line = kWide;
        wide_lines_[here] = record.line;
    }
    if (record.position < 0) {
        row.position = kNoPosition;
    } else if (record.position < kWide) {
        row.position = static_cast<std::uint32_t>(record.position);
    } else {
        row.position = kWide;
        wide_positions_[here] = record.position;
    }
    row.underflow = record.underflow;
    const std::string* fields[5] = {&record.id, &record.allele1, &record.allele2, &record.p_text,
                                    &record.raw_chromosome};
    row.chromosome = record.chromosome.empty() ? kUnknown : chromosome_code(record.chromosome);
    // The canonical chromosome name says it all; the text as written only
    // when it was not understood.
    const int texts = row.chromosome != kUnknown ? 4 : 5;
    std::size_t total = 0;
    for (int f = 0; f < texts; ++f)
        total += fields[f]->size();
    if (arena_.empty() || arena_.back().size() + total > arena_.back().capacity()) {
        arena_.emplace_back();
        arena_.back().reserve(std::max(kArenaBlock, total));
    }
    std::string& block = arena_.back();
    row.block = static_cast<std::uint32_t>(arena_.size() - 1);
    row.offset = static_cast<std::uint32_t>(block.size());
    for (int f = 0; f < texts; ++f) {
        const std::size_t size = fields[f]->size();
        if (size >= kLongText) {
            auto& lengths = long_lengths_[here];
            for (int g = 0; g < texts; ++g)
                lengths[static_cast<std::size_t>(g)] = static_cast<std::uint32_t>(fields[g]->size());
            row.lengths[f] = kLongText;
        } else {
            row.lengths[f] = static_cast<std::uint16_t>(size);
        }
        block += *fields[f];
    }
    if (key_ == Key::Position && row.chromosome == kUnknown)
        row.reason = Exclusion::ChromosomeUnknown;
    else if (key_ == Key::Position && record.position < 0)
        row.reason = Exclusion::PositionMissing;
    else if (key_ == Key::Id && record.id.empty())
        row.reason = Exclusion::IdMissing;
    else if (record.p_state == PState::Missing)
        row.reason = Exclusion::PMissing;
    else if (record.p_state == PState::NotNumber)
        row.reason = Exclusion::PNotNumber;
    else if (record.p_state == PState::OutOfRange)
        row.reason = Exclusion::POutOfRange;
    if (record.p_state == PState::Ok) {
        ++valid_p_;
        if (record.p > 0.5)
            ++above_half_;
    }
    rows_.push_back(row);
}

std::uint32_t SumstatsIndex::id_hash(std::string_view id)
{
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(id));
}

// Ids sorted by hash, then text, then row: equal ids end up side by side in
// file order, and a look-up compares 32-bit numbers in one array instead of
// texts in the arena (eight million rows sort in a second, not several).
void SumstatsIndex::sort_by_id()
{
    struct Entry {
        std::uint32_t hash;
        std::uint32_t row;
    };
    std::vector<Entry> entries;
    entries.reserve(by_id_.size());
    for (const std::uint32_t r : by_id_)
        entries.push_back({id_hash(id(r)), r});
    std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
        if (a.hash != b.hash)
            return a.hash < b.hash;
        const int order = id(a.row).compare(id(b.row));
        return order != 0 ? order < 0 : a.row < b.row;
    });
    id_hashes_.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        id_hashes_[i] = entries[i].hash;
        by_id_[i] = entries[i].row;
    }
}

// Chromosome, position, then row (the stable order), with the keys copied
// out of the row table so the sort reads one array.
void SumstatsIndex::sort_by_position()
{
    struct Entry {
        std::int64_t position;
        std::uint32_t row;
        std::uint8_t chromosome;
    };
    std::vector<Entry> entries;
    entries.reserve(by_position_.size());
    for (const std::uint32_t r : by_position_)
        entries.push_back({position(r), r, rows_[r].chromosome});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.chromosome != b.chromosome)
            return a.chromosome < b.chromosome;
        return a.position != b.position ? a.position < b.position : a.row < b.row;
    });
    for (std::size_t i = 0; i < entries.size(); ++i)
        by_position_[i] = entries[i].row;
}

void SumstatsIndex::finish()
{
    const std::uint32_t n = static_cast<std::uint32_t>(rows_.size());
    // The id table covers every row with an id (the build check looks ids
    // up whichever key matches); the position table the rows still open.
    for (std::uint32_t r = 0; r < n; ++r) {
        if (!id(r).empty())
            by_id_.push_back(r);
        if (key_ == Key::Position && rows_[r].reason == Exclusion::None)
            by_position_.push_back(r);
    }
    sort_by_id();
    sort_by_position();

    // Duplicates: the same id (matching by id) or the same chromosome,
    // position and allele pair up to order and strand (matching by position).
    if (key_ == Key::Id) {
        for (std::size_t i = 0; i < by_id_.size();) {
            std::size_t j = i, open = 0;
            while (j < by_id_.size() && id_hashes_[j] == id_hashes_[i] && id(by_id_[j]) == id(by_id_[i]))
                open += rows_[by_id_[j++]].reason == Exclusion::None;
            if (open > 1)
                for (std::size_t k = i; k < j; ++k)
                    if (rows_[by_id_[k]].reason == Exclusion::None)
                        rows_[by_id_[k]].reason = Exclusion::Duplicated;
            i = j;
        }
        return;
    }
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < by_position_.size();) {
        const Row& first = rows_[by_position_[i]];
        std::size_t j = i + 1;
        while (j < by_position_.size() && rows_[by_position_[j]].chromosome == first.chromosome &&
               position(by_position_[j]) == position(by_position_[i]))
            ++j;
        if (j - i > 1) {
            keys.clear();
            for (std::size_t k = i; k < j; ++k)
                keys.push_back(pair_key(allele1(by_position_[k]), allele2(by_position_[k])));
            for (std::size_t k = i; k < j; ++k)
                if (std::count(keys.begin(), keys.end(), keys[k - i]) > 1)
                    rows_[by_position_[k]].reason = Exclusion::Duplicated;
        }
        i = j;
    }
}

SumstatsIndex::Range SumstatsIndex::at(std::string_view chromosome, std::int64_t position) const
{
    std::uint8_t code = kUnknown;
    for (std::size_t c = 0; c < chromosome_names_.size(); ++c)
        if (chromosome_names_[c] == chromosome)
            code = static_cast<std::uint8_t>(c);
    if (code == kUnknown)
        return Range();
    // Binary search on (chromosome, position).
    auto lower = std::lower_bound(by_position_.begin(), by_position_.end(), 0,
                                  [this, code, position](std::uint32_t row, int) {
                                      const Row& r = rows_[row];
                                      return r.chromosome != code ? r.chromosome < code : this->position(row) < position;
                                  });
    auto upper = lower;
    while (upper != by_position_.end() && rows_[*upper].chromosome == code && this->position(*upper) == position)
        ++upper;
    Range out;
    out.first = by_position_.data() + (lower - by_position_.begin());
    out.last = by_position_.data() + (upper - by_position_.begin());
    return out;
}

SumstatsIndex::Range SumstatsIndex::with_id(std::string_view wanted) const
{
    const std::uint32_t hash = id_hash(wanted);
    const auto same_hash = std::equal_range(id_hashes_.begin(), id_hashes_.end(), hash);
    const std::uint32_t* first = by_id_.data() + (same_hash.first - id_hashes_.begin());
    const std::uint32_t* last = by_id_.data() + (same_hash.second - id_hashes_.begin());
    // Within one hash the ids are in text order.
    Range out;
    out.first = std::lower_bound(first, last, wanted,
                                 [this](std::uint32_t row, std::string_view text) { return id(row) < text; });
    out.last = out.first;
    while (out.last != last && id(*out.last) == wanted)
        ++out.last;
    return out;
}

void SumstatsIndex::settle()
{
    for (Row& row : rows_)
        if (row.reason == Exclusion::None && !row.matched)
            row.reason = row.hint == Exclusion::None ? Exclusion::NotInReference : row.hint;
}
