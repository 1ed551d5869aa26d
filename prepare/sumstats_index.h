#ifndef KESTO_PREPARE_SUMSTATS_INDEX_H
#define KESTO_PREPARE_SUMSTATS_INDEX_H

#include "exclusion.h"
#include "sumstats/sumstats_reader.h"

#include <array>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

// Every row of the summary statistics, held compactly (text in blocks of an
// arena and a 32-byte record per row, neither ever copied to grow) so that a
// million rows take some 65 MB, with
// look-ups by chromosome and position and by id. Rows that fail a check while
// being read keep their reason; the others wait for the reference.
class SumstatsIndex {
public:
    enum class Key { Position, Id };

    explicit SumstatsIndex(Key key) : key_(key) {}

    // Takes one row, checking chromosome, position (when matching by
    // position), id (when matching by id) and p-value.
    void add(const SumstatsRecord& record);
    // Sorts the look-up tables and marks every copy of a duplicated row.
    void finish();

    std::size_t size() const { return rows_.size(); }
    Key key() const { return key_; }

    // Rows at a chromosome and position, or with an id (in file order).
    // `first`/`last` delimit a range of row numbers in the returned table.
    struct Range {
        const std::uint32_t* first = nullptr;
        const std::uint32_t* last = nullptr;
        bool empty() const { return first == last; }
    };
    Range at(std::string_view chromosome, std::int64_t position) const;
    Range with_id(std::string_view id) const;

    std::string_view id(std::uint32_t row) const { return text(row, 0); }
    std::string_view allele1(std::uint32_t row) const { return text(row, 1); }
    std::string_view allele2(std::uint32_t row) const { return text(row, 2); }
    std::string_view p_text(std::uint32_t row) const { return text(row, 3); }
    // The canonical chromosome, or the text as written when not understood.
    std::string_view chromosome(std::uint32_t row) const;
    bool chromosome_known(std::uint32_t row) const { return rows_[row].chromosome != kUnknown; }
    std::int64_t position(std::uint32_t row) const
    {
        const std::uint32_t p = rows_[row].position;
        return p < kWide ? p : (p == kNoPosition ? -1 : wide_positions_.at(row));
    }
    long line(std::uint32_t row) const
    {
        const std::uint32_t l = rows_[row].line;
        return l < kWide ? l : wide_lines_.at(row);
    }
    bool underflow(std::uint32_t row) const { return rows_[row].underflow; }

    Exclusion reason(std::uint32_t row) const { return rows_[row].reason; }
    void set_reason(std::uint32_t row, Exclusion reason) { rows_[row].reason = reason; }
    // A reason the reference suggested; applied by settle() unless the row
    // is matched after all.
    void hint(std::uint32_t row, Exclusion reason)
    {
        if (rows_[row].hint == Exclusion::None)
            rows_[row].hint = reason;
    }
    bool matched(std::uint32_t row) const { return rows_[row].matched; }
    void set_matched(std::uint32_t row) { rows_[row].matched = true; }
    // Gives every row still open its final reason (hinted, or not in the
    // reference).
    void settle();

    // p-values read that are numbers in [0, 1], and how many of them > 0.5.
    long valid_p() const { return valid_p_; }
    long p_above_half() const { return above_half_; }

private:
    static constexpr std::uint8_t kUnknown = 255;

    // A row's five texts lie one after the other in one arena block.
    static constexpr std::uint16_t kLongText = 0xFFFF;  // length kept in long_lengths_
    // Positions and lines fit 32 bits in any real file; larger ones are kept
    // aside, so a row takes 32 bytes.
    static constexpr std::uint32_t kWide = 0xFFFFFFFE;        // value in wide_positions_/wide_lines_
    static constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;  // position -1 (missing)
    struct Row {
        std::uint32_t block = 0;       // arena block of id, a1, a2, p text, raw chromosome
        std::uint32_t offset = 0;      // where they start in it
        std::uint32_t position = kNoPosition;
        std::uint32_t line = 0;
        std::uint16_t lengths[5] = {0, 0, 0, 0, 0};
        std::uint8_t chromosome = kUnknown;
        Exclusion reason = Exclusion::None;
        Exclusion hint = Exclusion::None;
        bool matched = false;
        bool underflow = false;
    };

    std::string_view text(std::uint32_t row, int field) const;
    std::uint32_t length(std::uint32_t row, int field) const;
    std::uint8_t chromosome_code(const std::string& name);
    static std::uint32_t id_hash(std::string_view id);
    void sort_by_id();
    void sort_by_position();

    Key key_;
    // Deques grow block by block: no copy of what is held, and no room
    // reserved beyond one block, however many rows come.
    std::deque<Row> rows_;
    std::vector<std::string> arena_;  // blocks of kArenaBlock bytes (or one row's texts, when longer)
    std::unordered_map<std::uint32_t, std::array<std::uint32_t, 5>> long_lengths_;  // rows with a text of 64 kB or more
    std::unordered_map<std::uint32_t, std::int64_t> wide_positions_;
    std::unordered_map<std::uint32_t, long> wide_lines_;
    std::vector<std::string> chromosome_names_;
    std::vector<std::uint32_t> by_position_;
    std::vector<std::uint32_t> by_id_;
    std::vector<std::uint32_t> id_hashes_;  // of by_id_'s rows, ascending
    long valid_p_ = 0;
    long above_half_ = 0;
};

#endif
