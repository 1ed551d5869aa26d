#ifndef KESTO_PREPARE_DROPPED_ROWS_H
#define KESTO_PREPARE_DROPPED_ROWS_H

#include "exclusion.h"
#include "spool_file.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Rows of the summary statistics that no reference site can match or look
// up, set aside instead of indexed: what the report of left-out rows needs
// of each waits in a scratch file, in file order (about 20 bytes a row:
// line and place as variable-length numbers, the chromosome as a byte), and
// the rows still open keep an 8-byte key (a hash of their place, or of
// their id) by which copies of one SNP are found among them. Their reason
// is the one they had when read, else "duplicated" when a copy of them was
// set aside too, else "not in the reference": the reasons the index would
// have given them.
class DroppedRows {
public:
    struct Row {
        long line = 0;
        std::string id;
        std::string chromosome;  // as the report shows it
        std::int64_t position = -1;
        std::string allele1, allele2;
        Exclusion reason = Exclusion::None;
    };

    // Copies are rows at one place with one allele pair up to order and
    // strand, or (`by_id`) rows with one id. Keys are held in chunks of
    // `key_chunk` (8 MB by default).
    explicit DroppedRows(bool by_id, std::size_t key_chunk = std::size_t{1} << 20)
        : by_id_(by_id), key_chunk_(key_chunk)
    {
    }

    // Makes the scratch file; until it is open no row can be set aside.
    [[nodiscard]] Status open() { return spool_.open(); }
    bool is_open() const { return spool_.is_open(); }
    // Rows come in file order.
    [[nodiscard]] Status add(long line, std::string_view id, std::string_view chromosome, std::int64_t position,
                             std::string_view allele1, std::string_view allele2, Exclusion reason);
    [[nodiscard]] Status add(const Row& row)
    {
        return add(row.line, row.id, row.chromosome, row.position, row.allele1, row.allele2, row.reason);
    }
    // Finds the copies among the open rows.
    [[nodiscard]] Status finish();

    std::uint64_t size() const { return rows_; }
    // Bytes of the scratch file, and the folder it lies in.
    std::uint64_t spooled() const { return spool_.size(); }
    const std::string& folder() const { return spool_.folder(); }
    // Rows by final reason (after finish()).
    const std::array<long, kExclusionKinds>& counts() const { return counts_; }

    // The rows in file order with their final reasons.
    class Reader {
    public:
        explicit Reader(const DroppedRows& rows) : rows_(rows) {}
        bool next(Row& row);
        const Status& status() const { return status_; }

    private:
        friend class DroppedRows;
        bool next_raw(Row& row);
        // Makes `n` bytes readable at at_, or fails.
        bool fill(std::size_t n);
        bool take_number(std::uint64_t& value);
        bool take_text(std::string& text);

        const DroppedRows& rows_;
        std::vector<char> buffer_;
        std::size_t at_ = 0;
        std::uint64_t offset_ = 0;   // of the buffer's end in the file
        std::uint64_t ordinal_ = 0;  // of the next row
        long line_ = 0;              // of the row before
        std::size_t duplicate_ = 0;  // next entry of duplicated_ to meet
        Status status_;
    };

private:
    std::uint64_t key(std::string_view id, std::string_view chromosome, std::int64_t position) const;
    std::uint8_t chromosome_code(std::string_view chromosome);

    bool by_id_;
    SpoolFile spool_;
    // Keys of the open rows until finish(), in chunks: no copy to grow,
    // and none to sort.
    std::vector<std::vector<std::uint64_t>> keys_;
    std::size_t key_chunk_;
    std::vector<std::uint64_t> duplicated_;  // ordinals of open rows with a copy, ascending
    std::array<long, kExclusionKinds> counts_{};
    std::uint64_t rows_ = 0;
    long line_ = 0;                         // of the row before
    std::vector<std::string> chromosomes_;  // by code; past 255 of them, written out in full
    std::size_t last_code_ = 0;
    std::string record_;  // the row being set aside, as written
    bool resolved_ = false;
};

// "6799364 (a scratch file of 151 MB in /tmp)": the rows set aside, for a log.
std::string set_aside_text(const DroppedRows& rows);

#endif
