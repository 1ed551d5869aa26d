#include "sumstats_index.h"

#include "alleles.h"

#include <boost/sort/spreadsort/integer_sort.hpp>

#include <algorithm>
#include <functional>

namespace {

constexpr std::size_t kArenaBlock = std::size_t{1} << 20;

} // namespace

std::uint32_t SumstatsIndex::length(std::uint32_t row, int field) const
{
    const std::uint8_t l = rows_[row].lengths[field];
    return l != kLongText ? l : long_lengths_.at(row)[static_cast<std::size_t>(field)];
}

std::size_t SumstatsIndex::block_of(std::uint32_t row) const
{
    return static_cast<std::size_t>(std::upper_bound(block_rows_.begin(), block_rows_.end(), row) -
                                    block_rows_.begin() - 1);
}

std::string_view SumstatsIndex::text(std::uint32_t row, int field) const
{
    const Row& r = rows_[row];
    std::size_t offset = r.offset;
    for (int f = 0; f < field; ++f)
        offset += length(row, f);
    return std::string_view(arena_[block_of(row)]).substr(offset, length(row, field));
}

SumstatsIndex::Texts SumstatsIndex::texts(std::uint32_t row) const
{
    const Row& r = rows_[row];
    const char* at = arena_[block_of(row)].data() + r.offset;
    std::string_view views[4];
    for (int f = 0; f < 4; ++f) {
        const std::uint32_t size = length(row, f);
        views[f] = std::string_view(at, size);
        at += size;
    }
    return Texts{views[0], views[1], views[2], views[3]};
}

long SumstatsIndex::line(std::uint32_t row) const
{
    std::int64_t line = line_marks_[row >> kLineMarkShift];
    for (std::uint32_t r = (row >> kLineMarkShift) << kLineMarkShift; r++ < row;) {
        const std::uint8_t gap = line_gaps_[r];
        line += gap != kWideGap ? gap : wide_gaps_.at(r);
    }
    return static_cast<long>(line);
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
    row.chromosome = record.chromosome.empty() ? kUnknown : chromosome_code(record.chromosome);
    Exclusion reason = Exclusion::None;
    if (key_ == Key::Position && row.chromosome == kUnknown)
        reason = Exclusion::ChromosomeUnknown;
    else if (key_ == Key::Position && record.position < 0)
        reason = Exclusion::PositionMissing;
    else if (key_ == Key::Id && record.id.empty())
        reason = Exclusion::IdMissing;
    else if (record.p_state == PState::Missing)
        reason = Exclusion::PMissing;
    else if (record.p_state == PState::NotNumber)
        reason = Exclusion::PNotNumber;
    else if (record.p_state == PState::OutOfRange)
        reason = Exclusion::POutOfRange;
    row.reasons = static_cast<std::uint8_t>(reason);
    if (record.p_state == PState::Ok) {
        ++valid_p_;
        if (record.p > 0.5)
            ++above_half_;
        if (record.p < 0.1)
            ++below_tenth_;
    } else if (record.p_state == PState::OutOfRange) {
        ++out_of_range_;
    }
    if (sieve_ != nullptr && !sieved(record, row, reason))
        return;

    const auto here = static_cast<std::uint32_t>(rows_.size());
    if ((here & ((1u << kLineMarkShift) - 1)) == 0) {
        line_marks_.push_back(record.line);
        line_gaps_.push_back(0);
    } else {
        const std::int64_t gap = record.line - last_line_;
        if (gap >= 0 && gap < kWideGap) {
            line_gaps_.push_back(static_cast<std::uint8_t>(gap));
        } else {
            line_gaps_.push_back(kWideGap);
            wide_gaps_[here] = gap;
        }
    }
    last_line_ = record.line;
    if (record.position < 0) {
        row.position = kNoPosition;
    } else if (record.position < kWide) {
        row.position = static_cast<std::uint32_t>(record.position);
    } else {
        row.position = kWide;
        wide_positions_[here] = record.position;
    }
    row.flags = record.underflow ? kUnderflow : 0;
    const std::string* fields[5] = {&record.id, &record.allele1, &record.allele2, &record.p_text,
                                    &record.raw_chromosome};
    // The canonical chromosome name says it all; the text as written only
    // when it was not understood.
    const int texts = row.chromosome != kUnknown ? 4 : 5;
    std::size_t total = 0;
    for (int f = 0; f < texts; ++f)
        total += fields[f]->size();
    if (arena_.empty() || arena_.back().size() + total > arena_.back().capacity()) {
        arena_.emplace_back();
        arena_.back().reserve(std::max(kArenaBlock, total));
        block_rows_.push_back(here);
    }
    std::string& block = arena_.back();
    row.offset = static_cast<std::uint32_t>(block.size());
    for (int f = 0; f < texts; ++f) {
        const std::size_t size = fields[f]->size();
        if (size >= kLongText) {
            auto& lengths = long_lengths_[here];
            for (int g = 0; g < texts; ++g)
                lengths[static_cast<std::size_t>(g)] = static_cast<std::uint32_t>(fields[g]->size());
            row.lengths[f] = kLongText;
        } else {
            row.lengths[f] = static_cast<std::uint8_t>(size);
        }
        block += *fields[f];
    }
    rows_.push_back(row);
}

bool SumstatsIndex::sieved(const SumstatsRecord& record, const Row& row, Exclusion reason)
{
    bool through = false;
    if (key_ == Key::Position) {
        if (row.chromosome != kUnknown && record.position >= 0) {
            while (sieve_slots_.size() <= row.chromosome)
                sieve_slots_.push_back(sieve_->slot(chromosome_names_[sieve_slots_.size()]));
            through = sieve_->has_place(sieve_slots_[row.chromosome], record.position, sieve_cursor_);
        }
    } else {
        through = sieve_->may_have_id(record.id);
    }
    if (through || !status_.ok())
        return true;
    if (!dropped_.is_open() && !dropped_.open().ok()) {
        // No scratch file: every row is held, as without a sieve.
        sieve_ = nullptr;
        return true;
    }
    const bool placed = row.chromosome != kUnknown && record.position >= 0;
    if (key_ == Key::Position && placed && sieve_->may_have_id(record.id)) {
        if (!elsewhere_)
            elsewhere_ = std::make_unique<SumstatsIndex>(Key::Id);
        elsewhere_->add(record);
    }
    status_ = dropped_.add(record.line, record.id,
                           row.chromosome != kUnknown ? std::string_view(chromosome_names_[row.chromosome])
                                                      : std::string_view(record.raw_chromosome),
                           record.position < 0 ? -1 : record.position, record.allele1, record.allele2, reason);
    return false;
}

std::uint32_t SumstatsIndex::id_hash(std::string_view id)
{
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(id));
}

// Ids sorted by hash, then text, then row: equal ids end up side by side in
// file order, and a look-up compares 32-bit numbers in one array instead of
// texts in the arena. Hash and row make one 64-bit key, sorted by Boost's
// radix-based integer_sort; only runs of one hash are then sorted by text.
// Eight million rows take a fraction of a second.
void SumstatsIndex::sort_by_id()
{
    std::vector<std::uint64_t> keys;
    const auto n = static_cast<std::uint32_t>(rows_.size());
    std::size_t block = 0;  // rows come in order, and so do their blocks
    for (std::uint32_t r = 0; r < n; ++r) {
        while (block + 1 < block_rows_.size() && block_rows_[block + 1] <= r)
            ++block;
        const std::uint32_t size = length(r, 0);
        if (size != 0)
            keys.push_back(std::uint64_t{id_hash(std::string_view(arena_[block].data() + rows_[r].offset, size))}
                               << 32 |
                           r);
    }
    boost::sort::spreadsort::integer_sort(keys.begin(), keys.end());
    const auto hash_of = [](std::uint64_t key) { return static_cast<std::uint32_t>(key >> 32); };
    const auto row_of = [](std::uint64_t key) { return static_cast<std::uint32_t>(key); };
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && hash_of(keys[j]) == hash_of(keys[i]))
            ++j;
        if (j - i > 1)
            std::sort(keys.begin() + static_cast<std::ptrdiff_t>(i), keys.begin() + static_cast<std::ptrdiff_t>(j),
                      [&](std::uint64_t a, std::uint64_t b) {
                          const int order = id(row_of(a)).compare(id(row_of(b)));
                          return order != 0 ? order < 0 : a < b;
                      });
        i = j;
    }
    id_hashes_.resize(keys.size());
    by_id_.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        id_hashes_[i] = hash_of(keys[i]);
        by_id_[i] = row_of(keys[i]);
    }
}

// The open rows, put in their chromosome's stretch (codes follow first
// appearance), then sorted by position and row within it on 8-byte keys
// copied out of the row table.
void SumstatsIndex::sort_by_position()
{
    struct Entry {
        std::uint32_t position;  // kWide: look the position up
        std::uint32_t row;
    };
    const auto n = static_cast<std::uint32_t>(rows_.size());
    chromosome_starts_.assign(chromosome_names_.size() + 1, 0);
    for (std::uint32_t r = 0; r < n; ++r)
        if (reason(r) == Exclusion::None)
            ++chromosome_starts_[rows_[r].chromosome + 1];
    for (std::size_t c = 1; c < chromosome_starts_.size(); ++c)
        chromosome_starts_[c] += chromosome_starts_[c - 1];
    std::vector<Entry> entries(chromosome_starts_.back());
    std::vector<std::uint32_t> next(chromosome_starts_.begin(), chromosome_starts_.end() - 1);
    for (std::uint32_t r = 0; r < n; ++r)
        if (reason(r) == Exclusion::None)
            entries[next[rows_[r].chromosome]++] = {rows_[r].position, r};
    const auto before = [this](const Entry& a, const Entry& b) {
        if (a.position != b.position)
            return a.position < b.position;
        if (a.position == kWide) {
            const std::int64_t pa = wide_positions_.at(a.row), pb = wide_positions_.at(b.row);
            if (pa != pb)
                return pa < pb;
        }
        return a.row < b.row;
    };
    // Tables written in position order (most are) need only the check.
    for (std::size_t c = 0; c + 1 < chromosome_starts_.size(); ++c) {
        const auto first = entries.begin() + chromosome_starts_[c], last = entries.begin() + chromosome_starts_[c + 1];
        if (!std::is_sorted(first, last, before))
            std::sort(first, last, before);
    }
    by_position_.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        by_position_[i] = entries[i].row;
}

void SumstatsIndex::finish()
{
    sieve_ = nullptr;
    if (elsewhere_)
        elsewhere_->finish();
    if (status_.ok() && dropped_.is_open())
        status_ = dropped_.finish();
    // The id table covers every row with an id (the build check looks ids
    // up whichever key matches); the position table the rows still open.
    // Sorted one after the other, so that one sort's scratch is held at a time.
    if (key_ == Key::Position)
        sort_by_position();
    sort_by_id();

    // Duplicates: the same id (matching by id) or the same chromosome,
    // position and allele pair up to order and strand (matching by position).
    if (key_ == Key::Id) {
        for (std::size_t i = 0; i < by_id_.size();) {
            std::size_t j = i, open = 0;
            while (j < by_id_.size() && id_hashes_[j] == id_hashes_[i] && id(by_id_[j]) == id(by_id_[i]))
                open += reason(by_id_[j++]) == Exclusion::None;
            if (open > 1)
                for (std::size_t k = i; k < j; ++k)
                    if (reason(by_id_[k]) == Exclusion::None)
                        set_reason(by_id_[k], Exclusion::Duplicated);
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
                    set_reason(by_position_[k], Exclusion::Duplicated);
        }
        i = j;
    }
}

SumstatsIndex::Range SumstatsIndex::at(std::string_view chromosome, std::int64_t position) const
{
    PlaceCursor cursor;
    return at(chromosome, position, cursor);
}

SumstatsIndex::Range SumstatsIndex::at(std::string_view chromosome, std::int64_t position, PlaceCursor& cursor) const
{
    if (!cursor.valid || cursor.chromosome != chromosome) {
        cursor.chromosome = std::string(chromosome);
        cursor.code = chromosome_names_.size();
        for (std::size_t c = 0; c < chromosome_names_.size(); ++c)
            if (chromosome_names_[c] == chromosome)
                cursor.code = c;
        cursor.at = 0;
        cursor.position = -1;
        cursor.valid = true;
    }
    if (cursor.code == chromosome_names_.size() || chromosome_starts_.empty())
        return Range();
    const std::uint32_t* begin = by_position_.data() + chromosome_starts_[cursor.code];
    const std::uint32_t* end = by_position_.data() + chromosome_starts_[cursor.code + 1];
    const auto before = [this](std::uint32_t row, std::int64_t p) { return this->position(row) < p; };
    Range out;
    if (cursor.position >= 0 && position >= cursor.position) {
        // Gallop forward from the last place: steps of 1, 2, 4, ... until
        // past the position, then a binary search within the last step.
        const std::uint32_t* low = begin + cursor.at;
        std::size_t step = 1;
        while (static_cast<std::size_t>(end - low) > step && before(low[step], position)) {
            low += step;
            step *= 2;
        }
        const std::uint32_t* high = static_cast<std::size_t>(end - low) > step ? low + step + 1 : end;
        out.first = std::lower_bound(low, high, position, before);
    } else {
        out.first = std::lower_bound(begin, end, position, before);
    }
    out.last = out.first;
    while (out.last != end && this->position(*out.last) == position)
        ++out.last;
    cursor.at = static_cast<std::size_t>(out.first - begin);
    cursor.position = position;
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
        if ((row.reasons & 0x0F) == 0 && !(row.flags & kMatched))
            row.reasons = row.reasons >> 4 == 0 ? static_cast<std::uint8_t>(Exclusion::NotInReference)
                                                : static_cast<std::uint8_t>(row.reasons >> 4);
}
