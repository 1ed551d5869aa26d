#include "dropped_rows.h"

#include "alleles.h"

#include <boost/sort/spreadsort/integer_sort.hpp>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

constexpr std::size_t kReadBuffer = std::size_t{1} << 20;

void put(std::string& out, const void* bytes, std::size_t size)
{
    out.append(static_cast<const char*>(bytes), size);
}

void put_text(std::string& out, std::string_view text)
{
    const auto size = static_cast<std::uint32_t>(text.size());
    put(out, &size, sizeof size);
    out += text;
}

} // namespace

Status DroppedRows::add(long line, std::string_view id, std::string_view chromosome, std::int64_t position,
                        std::string_view allele1, std::string_view allele2, Exclusion reason, std::uint64_t key)
{
    // line, position, key, reason, then four texts each after its length.
    std::string& record = record_;
    record.clear();
    const std::int64_t line_number = line;
    const auto code = static_cast<std::uint8_t>(reason);
    put(record, &line_number, sizeof line_number);
    put(record, &position, sizeof position);
    put(record, &key, sizeof key);
    put(record, &code, sizeof code);
    for (const std::string_view text : {id, chromosome, allele1, allele2})
        put_text(record, text);
    if (reason == Exclusion::None) {
        if (keys_.empty() || keys_.back().size() == key_chunk_) {
            keys_.emplace_back();
            keys_.back().reserve(key_chunk_);
        }
        keys_.back().push_back(key);
    }
    else
        ++counts_[static_cast<std::size_t>(reason)];
    ++rows_;
    return spool_.append(record.data(), record.size());
}

Status DroppedRows::finish(bool by_id)
{
    if (rows_ > 0) {
        Status status = spool_.flush();
        if (!status.ok())
            return status;
    }
    // Keys met more than once; only their rows are read back to be compared.
    // The chunks are joined one by one, each freed once copied.
    std::vector<std::uint64_t> keys;
    std::size_t open = 0;
    for (const std::vector<std::uint64_t>& chunk : keys_)
        open += chunk.size();
    keys.reserve(open);
    for (std::vector<std::uint64_t>& chunk : keys_) {
        keys.insert(keys.end(), chunk.begin(), chunk.end());
        chunk = std::vector<std::uint64_t>();
    }
    keys_.clear();
    boost::sort::spreadsort::integer_sort(keys.begin(), keys.end());
    std::vector<std::uint64_t> repeated;
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        if (keys[i] == keys[i + 1] && (repeated.empty() || repeated.back() != keys[i]))
            repeated.push_back(keys[i]);
    keys = std::vector<std::uint64_t>();

    if (!repeated.empty()) {
        struct Candidate {
            std::uint64_t key;
            std::string text;  // allele pair or id
            std::uint64_t ordinal;
        };
        std::vector<Candidate> candidates;
        Reader reader(*this);
        Row row;
        std::uint64_t key = 0;
        while (reader.next(row, key)) {
            if (row.reason != Exclusion::None || !std::binary_search(repeated.begin(), repeated.end(), key))
                continue;
            candidates.push_back(
                {key, by_id ? row.id : pair_key(row.allele1, row.allele2), reader.ordinal_ - 1});
        }
        if (!reader.status().ok())
            return reader.status();
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return std::tie(a.key, a.text, a.ordinal) < std::tie(b.key, b.text, b.ordinal);
        });
        for (std::size_t i = 0; i < candidates.size();) {
            std::size_t j = i + 1;
            while (j < candidates.size() && candidates[j].key == candidates[i].key &&
                   candidates[j].text == candidates[i].text)
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

bool DroppedRows::Reader::take(void* bytes, std::size_t size)
{
    char* out = static_cast<char*>(bytes);
    while (size > 0) {
        if (at_ == buffer_.size()) {
            const std::uint64_t flushed = rows_.spool_.size();
            if (offset_ >= flushed) {
                status_ = Status(StatusCode::ReadError, "a scratch file in " + rows_.spool_.folder() + " ends early");
                return false;
            }
            buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadBuffer, flushed - offset_)));
            status_ = rows_.spool_.read_at(offset_, buffer_.data(), buffer_.size());
            if (!status_.ok())
                return false;
            offset_ += buffer_.size();
            at_ = 0;
        }
        const std::size_t n = std::min(size, buffer_.size() - at_);
        std::memcpy(out, buffer_.data() + at_, n);
        at_ += n;
        out += n;
        size -= n;
    }
    return true;
}

bool DroppedRows::Reader::take_text(std::string& text)
{
    std::uint32_t size = 0;
    if (!take(&size, sizeof size))
        return false;
    text.resize(size);
    return take(text.data(), size);
}

bool DroppedRows::Reader::next(Row& row, std::uint64_t& key)
{
    if (ordinal_ == rows_.rows_ || !status_.ok())
        return false;
    std::int64_t line = 0;
    std::uint8_t reason = 0;
    if (!take(&line, sizeof line) || !take(&row.position, sizeof row.position) || !take(&key, sizeof key) ||
        !take(&reason, sizeof reason) || !take_text(row.id) || !take_text(row.chromosome) ||
        !take_text(row.allele1) || !take_text(row.allele2))
        return false;
    row.line = static_cast<long>(line);
    row.reason = static_cast<Exclusion>(reason);
    ++ordinal_;
    return true;
}

bool DroppedRows::Reader::next(Row& row)
{
    std::uint64_t key = 0;
    if (!next(row, key))
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
