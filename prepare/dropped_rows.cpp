#include "dropped_rows.h"

#include "alleles.h"

#include <boost/sort/spreadsort/integer_sort.hpp>

#include <algorithm>
#include <cstring>
#include <functional>
#include <queue>
#include <tuple>

namespace {

constexpr std::size_t kReadBuffer = std::size_t{1} << 20;
constexpr std::uint8_t kTextChromosome = 255;  // the chromosome's text follows
constexpr std::uint8_t kNoPosition = 0x80;     // beside the reason

// Numbers as 7 bits a byte, the high bit set on all but the last.
void put_number(std::string& out, std::uint64_t value)
{
    while (value >= 0x80) {
        out += static_cast<char>(static_cast<std::uint8_t>(value) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

void put_text(std::string& out, std::string_view text)
{
    put_number(out, text.size());
    out += text;
}

// A line's step from the row before, which may (in principle) go back.
std::uint64_t zigzag(std::int64_t v) { return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63); }
std::int64_t unzigzag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

} // namespace

std::uint64_t DroppedRows::key(std::string_view id, std::string_view chromosome, std::int64_t position) const
{
    // Rows sharing a key are compared in full, so a key only needs to bring
    // copies together.
    if (by_id_)
        return std::hash<std::string_view>()(id);
    return std::hash<std::string_view>()(chromosome) ^
           (static_cast<std::uint64_t>(position) * 0x9E3779B97F4A7C15ull);
}

std::uint8_t DroppedRows::chromosome_code(std::string_view chromosome)
{
    if (last_code_ < chromosomes_.size() && chromosomes_[last_code_] == chromosome)
        return static_cast<std::uint8_t>(last_code_);
    for (std::size_t c = 0; c < chromosomes_.size(); ++c)
        if (chromosomes_[c] == chromosome) {
            last_code_ = c;
            return static_cast<std::uint8_t>(c);
        }
    if (chromosomes_.size() == kTextChromosome)
        return kTextChromosome;
    chromosomes_.emplace_back(chromosome);
    last_code_ = chromosomes_.size() - 1;
    return static_cast<std::uint8_t>(last_code_);
}

Status DroppedRows::add(long line, std::string_view id, std::string_view chromosome, std::int64_t position,
                        std::string_view allele1, std::string_view allele2, Exclusion reason)
{
    // Line step, reason (and whether a position follows), chromosome code
    // (and text past 255 names), position, id, alleles.
    std::string& record = record_;
    record.clear();
    put_number(record, zigzag(static_cast<std::int64_t>(line) - line_));
    line_ = line;
    record += static_cast<char>(static_cast<std::uint8_t>(reason) | (position < 0 ? kNoPosition : 0));
    const std::uint8_t code = chromosome_code(chromosome);
    record += static_cast<char>(code);
    if (code == kTextChromosome)
        put_text(record, chromosome);
    if (position >= 0)
        put_number(record, static_cast<std::uint64_t>(position));
    put_text(record, id);
    put_text(record, allele1);
    put_text(record, allele2);
    if (reason == Exclusion::None) {
        if (keys_.empty() || keys_.back().size() == key_chunk_) {
            keys_.emplace_back();
            keys_.back().reserve(key_chunk_);
        }
        keys_.back().push_back(key(id, chromosome, position));
    } else {
        ++counts_[static_cast<std::size_t>(reason)];
    }
    ++rows_;
    return spool_.append(record.data(), record.size());
}

Status DroppedRows::finish()
{
    if (rows_ > 0) {
        Status status = spool_.flush();
        if (!status.ok())
            return status;
    }
    // Keys met more than once; only their rows are read back to be
    // compared. Each chunk is sorted where it lies and the chunks are
    // merged, so no second copy of the keys is made.
    std::size_t open = 0;
    using Head = std::pair<std::uint64_t, std::size_t>;  // key, chunk
    std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
    std::vector<std::size_t> next(keys_.size(), 1);
    for (std::size_t c = 0; c < keys_.size(); ++c) {
        open += keys_[c].size();
        boost::sort::spreadsort::integer_sort(keys_[c].begin(), keys_[c].end());
        if (!keys_[c].empty())
            heads.push({keys_[c][0], c});
    }
    std::vector<std::uint64_t> repeated;
    bool any = false;
    std::uint64_t last = 0;
    while (!heads.empty()) {
        const auto [value, c] = heads.top();
        heads.pop();
        if (any && value == last && (repeated.empty() || repeated.back() != value))
            repeated.push_back(value);
        any = true;
        last = value;
        if (next[c] < keys_[c].size())
            heads.push({keys_[c][next[c]++], c});
    }
    keys_ = std::vector<std::vector<std::uint64_t>>();

    if (!repeated.empty()) {
        struct Candidate {
            std::string copy;  // what copies share: place and allele pair, or id
            std::uint64_t ordinal;
        };
        std::vector<Candidate> candidates;
        Reader reader(*this);
        Row row;
        while (reader.next_raw(row)) {
            if (row.reason != Exclusion::None ||
                !std::binary_search(repeated.begin(), repeated.end(), key(row.id, row.chromosome, row.position)))
                continue;
            candidates.push_back({by_id_ ? row.id
                                         : row.chromosome + '\t' + std::to_string(row.position) + '\t' +
                                               pair_key(row.allele1, row.allele2),
                                  reader.ordinal_ - 1});
        }
        if (!reader.status().ok())
            return reader.status();
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return std::tie(a.copy, a.ordinal) < std::tie(b.copy, b.ordinal);
        });
        for (std::size_t i = 0; i < candidates.size();) {
            std::size_t j = i + 1;
            while (j < candidates.size() && candidates[j].copy == candidates[i].copy)
                ++j;
            if (j - i > 1)
                for (std::size_t k = i; k < j; ++k)
                    duplicated_.push_back(candidates[k].ordinal);
            i = j;
        }
        std::sort(duplicated_.begin(), duplicated_.end());
    }
    resolved_ = true;
    counts_[static_cast<std::size_t>(Exclusion::Duplicated)] += static_cast<long>(duplicated_.size());
    counts_[static_cast<std::size_t>(Exclusion::NotInReference)] += static_cast<long>(open - duplicated_.size());
    return Status();
}

bool DroppedRows::Reader::fill(std::size_t n)
{
    if (buffer_.size() - at_ >= n)
        return true;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at_));
    at_ = 0;
    const std::uint64_t flushed = rows_.spool_.size();
    while (buffer_.size() < n && offset_ < flushed) {
        const std::size_t before = buffer_.size();
        const auto more = static_cast<std::size_t>(
            std::min<std::uint64_t>(std::max(n, kReadBuffer) - before, flushed - offset_));
        buffer_.resize(before + more);
        status_ = rows_.spool_.read_at(offset_, buffer_.data() + before, more);
        if (!status_.ok())
            return false;
        offset_ += more;
    }
    if (buffer_.size() < n) {
        status_ = Status(StatusCode::ReadError, "a scratch file in " + rows_.spool_.folder() + " ends early");
        return false;
    }
    return true;
}

bool DroppedRows::Reader::take_number(std::uint64_t& value)
{
    value = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
        if (!fill(1))
            return false;
        const auto byte = static_cast<std::uint8_t>(buffer_[at_++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return true;
    }
    status_ = Status(StatusCode::ReadError, "a scratch file in " + rows_.spool_.folder() + " is damaged");
    return false;
}

bool DroppedRows::Reader::take_text(std::string& text)
{
    std::uint64_t size = 0;
    if (!take_number(size) || !fill(static_cast<std::size_t>(size)))
        return false;
    text.assign(buffer_.data() + at_, static_cast<std::size_t>(size));
    at_ += static_cast<std::size_t>(size);
    return true;
}

bool DroppedRows::Reader::next_raw(Row& row)
{
    if (ordinal_ == rows_.rows_ || !status_.ok())
        return false;
    std::uint64_t step = 0, position = 0;
    if (!take_number(step) || !fill(2))
        return false;
    line_ += static_cast<long>(unzigzag(step));
    row.line = line_;
    const auto flags = static_cast<std::uint8_t>(buffer_[at_++]);
    const auto code = static_cast<std::uint8_t>(buffer_[at_++]);
    row.reason = static_cast<Exclusion>(flags & ~kNoPosition);
    if (code == kTextChromosome) {
        if (!take_text(row.chromosome))
            return false;
    } else {
        row.chromosome = rows_.chromosomes_[code];
    }
    row.position = -1;
    if (!(flags & kNoPosition)) {
        if (!take_number(position))
            return false;
        row.position = static_cast<std::int64_t>(position);
    }
    if (!take_text(row.id) || !take_text(row.allele1) || !take_text(row.allele2))
        return false;
    ++ordinal_;
    return true;
}

bool DroppedRows::Reader::next(Row& row)
{
    if (!next_raw(row))
        return false;
    if (rows_.resolved_ && row.reason == Exclusion::None) {
        const std::vector<std::uint64_t>& duplicated = rows_.duplicated_;
        while (duplicate_ < duplicated.size() && duplicated[duplicate_] < ordinal_ - 1)
            ++duplicate_;
        row.reason = duplicate_ < duplicated.size() && duplicated[duplicate_] == ordinal_ - 1
                         ? Exclusion::Duplicated
                         : Exclusion::NotInReference;
    }
    return true;
}

std::string set_aside_text(const DroppedRows& rows)
{
    // A few rows make a file of some kB, which "0 MB" would hide.
    const std::uint64_t bytes = rows.spooled();
    const std::string size = bytes < 999500 ? std::to_string(bytes == 0 ? 0 : (bytes + 999) / 1000) + " kB"
                                            : std::to_string((bytes + 500000) / 1000000) + " MB";
    return std::to_string(rows.size()) + " (a scratch file of " + size + " in " + rows.folder() + ")";
}
