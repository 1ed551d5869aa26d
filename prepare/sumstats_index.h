#ifndef KESTO_PREPARE_SUMSTATS_INDEX_H
#define KESTO_PREPARE_SUMSTATS_INDEX_H

#include "dropped_rows.h"
#include "exclusion.h"
#include "reference_sieve.h"
#include "sumstats/sumstats_reader.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

// Every row of the summary statistics, held compactly (text in blocks of an
// arena and a 16-byte record per row, neither ever copied to grow) so that a
// million rows take some 50 MB, with
// look-ups by chromosome and position and by id. Rows that fail a check while
// being read keep their reason; the others wait for the reference.
//
// Given a sieve of the reference's places and ids, a row that no site can
// match or look up is set aside instead (DroppedRows: a scratch file and 8
// bytes a row); its reason and its line of the report are those it would
// have had here. When no scratch file can be made, every row is held.
class SumstatsIndex {
public:
    enum class Key { Position, Id };

    // `sieve`, when given, is read by add() until finish().
    explicit SumstatsIndex(Key key, const ReferenceSieve* sieve = nullptr)
        : key_(key), sieve_(sieve), dropped_(key == Key::Id)
    {
    }

    // Takes one row, checking chromosome, position (when matching by
    // position), id (when matching by id) and p-value.
    void add(const SumstatsRecord& record);
    // Sorts the look-up tables and marks every copy of a duplicated row.
    void finish();

    // Rows held (not those set aside).
    std::size_t size() const { return rows_.size(); }
    // A failure to set rows aside (the scratch file); read after finish().
    const Status& status() const { return status_; }
    const DroppedRows& dropped() const { return dropped_; }
    // Rows set aside that have a place and an id some reference site may
    // have, held by id: the genome-build check looks ids up in them too.
    const SumstatsIndex* elsewhere() const { return elsewhere_.get(); }
    Key key() const { return key_; }

    // Rows at a chromosome and position, or with an id (in file order).
    // `first`/`last` delimit a range of row numbers in the returned table.
    struct Range {
        const std::uint32_t* first = nullptr;
        const std::uint32_t* last = nullptr;
        bool empty() const { return first == last; }
    };
    Range at(std::string_view chromosome, std::int64_t position) const;
    // The same look-up for places that mostly come in ascending order (a
    // reference read site by site): the cursor remembers the last place
    // found, and a later place on the same chromosome is sought forward
    // from it instead of over the whole chromosome.
    struct PlaceCursor {
        std::string chromosome;
        std::size_t code = 0;
        std::size_t at = 0;  // in the position table
        std::int64_t position = -1;
        bool valid = false;
    };
    Range at(std::string_view chromosome, std::int64_t position, PlaceCursor& cursor) const;
    Range with_id(std::string_view id) const;

    // The four texts of a row at once (one search for its arena block).
    struct Texts {
        std::string_view id, allele1, allele2, p;
    };
    Texts texts(std::uint32_t row) const;
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
    long line(std::uint32_t row) const;
    bool underflow(std::uint32_t row) const { return rows_[row].flags & kUnderflow; }

    Exclusion reason(std::uint32_t row) const { return static_cast<Exclusion>(rows_[row].reasons & 0x0F); }
    void set_reason(std::uint32_t row, Exclusion reason)
    {
        Row& r = rows_[row];
        r.reasons = static_cast<std::uint8_t>((r.reasons & 0xF0) | static_cast<std::uint8_t>(reason));
    }
    // A reason the reference suggested; applied by settle() unless the row
    // is matched after all.
    void hint(std::uint32_t row, Exclusion reason)
    {
        Row& r = rows_[row];
        if ((r.reasons >> 4) == 0)
            r.reasons = static_cast<std::uint8_t>((r.reasons & 0x0F) | (static_cast<std::uint8_t>(reason) << 4));
    }
    bool matched(std::uint32_t row) const { return rows_[row].flags & kMatched; }
    void set_matched(std::uint32_t row) { rows_[row].flags |= kMatched; }
    // Gives every row still open its final reason (hinted, or not in the
    // reference).
    void settle();

    // p-values read that are numbers in [0, 1], and how many of them > 0.5.
    long valid_p() const { return valid_p_; }
    long p_above_half() const { return above_half_; }
    // Numbers read that are no probability, and probabilities below 0.1.
    long p_out_of_range() const { return out_of_range_; }
    long p_below_tenth() const { return below_tenth_; }

private:
    static constexpr std::uint8_t kUnknown = 255;

    // A row takes 16 bytes. Its five texts lie one after the other in one
    // arena block; which block follows from the row number (block_rows_).
    // Lengths of 255 or more, and positions past 32 bits, are rare and kept
    // aside. Line numbers are kept as the gap from the row before, a byte
    // each (larger gaps aside), with the full number every 64 rows: a file
    // with rows of other tests between the kept ones costs no more.
    static constexpr std::uint8_t kLongText = 0xFF;           // lengths in long_lengths_
    static constexpr std::uint32_t kWide = 0xFFFFFFFE;        // value in wide_positions_
    static constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;  // position -1 (missing)
    static constexpr std::uint8_t kMatched = 1;
    static constexpr std::uint8_t kUnderflow = 2;
    struct Row {
        std::uint32_t offset = 0;  // of id, a1, a2, p text, raw chromosome in the row's block
        std::uint32_t position = kNoPosition;
        std::uint8_t lengths[5] = {0, 0, 0, 0, 0};
        std::uint8_t chromosome = kUnknown;
        std::uint8_t reasons = 0;  // reason in the low four bits, hint in the high four
        std::uint8_t flags = 0;
    };
    static_assert(sizeof(Row) == 16, "a row of the index takes 16 bytes");
    static_assert(kExclusionKinds <= 16, "a reason fits four bits");
    static constexpr std::uint8_t kWideGap = 0xFF;  // gap in wide_gaps_
    static constexpr unsigned kLineMarkShift = 6;  // a full line number every 64 rows

    std::string_view text(std::uint32_t row, int field) const;
    std::size_t block_of(std::uint32_t row) const;
    std::uint32_t length(std::uint32_t row, int field) const;
    std::uint8_t chromosome_code(const std::string& name);
    static std::uint32_t id_hash(std::string_view id);
    void sort_by_id();
    void sort_by_position();
    // Whether the sieve lets the row through; sets it aside when not.
    bool sieved(const SumstatsRecord& record, const Row& row, Exclusion reason);

    Key key_;
    const ReferenceSieve* sieve_;
    std::vector<int> sieve_slots_;  // by chromosome code
    ReferenceSieve::Cursor sieve_cursor_;
    DroppedRows dropped_;
    std::unique_ptr<SumstatsIndex> elsewhere_;
    Status status_;
    // Deques grow block by block: no copy of what is held, and no room
    // reserved beyond one block, however many rows come.
    std::deque<Row> rows_;
    std::vector<std::string> arena_;  // blocks of kArenaBlock bytes (or one row's texts, when longer)
    std::vector<std::uint32_t> block_rows_;  // first row of each arena block
    std::unordered_map<std::uint32_t, std::array<std::uint32_t, 5>> long_lengths_;  // rows with a text of 255 bytes or more
    std::unordered_map<std::uint32_t, std::int64_t> wide_positions_;
    std::vector<std::int64_t> line_marks_;  // line of rows 0, 64, 128, ...
    std::vector<std::uint8_t> line_gaps_;   // line minus the line of the row before
    std::unordered_map<std::uint32_t, std::int64_t> wide_gaps_;
    std::int64_t last_line_ = 0;
    std::vector<std::string> chromosome_names_;
    // Open rows by chromosome code, then position, then row;
    // chromosome_starts_[c] is where code c begins in it.
    std::vector<std::uint32_t> by_position_;
    std::vector<std::uint32_t> chromosome_starts_;
    std::vector<std::uint32_t> by_id_;
    std::vector<std::uint32_t> id_hashes_;  // of by_id_'s rows, ascending
    long valid_p_ = 0;
    long above_half_ = 0;
    long out_of_range_ = 0;
    long below_tenth_ = 0;
};

#endif
