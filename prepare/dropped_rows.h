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
// of each waits in a scratch file, in file order, and the rows still open
// keep an 8-byte key (their place, or a hash of their id) by which copies of
// one SNP are found among them. Their reason is the one they had when read,
// else "duplicated" when a copy of them was set aside too, else "not in the
// reference": the reasons the index would have given them.
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

    // Keys are held in chunks of `key_chunk` (8 MB by default).
    explicit DroppedRows(std::size_t key_chunk = std::size_t{1} << 20) : key_chunk_(key_chunk) {}

    // Makes the scratch file; until it is open no row can be set aside.
    [[nodiscard]] Status open() { return spool_.open(); }
    bool is_open() const { return spool_.is_open(); }
    // `key` is read only for rows still open (reason None).
    [[nodiscard]] Status add(long line, std::string_view id, std::string_view chromosome, std::int64_t position,
                             std::string_view allele1, std::string_view allele2, Exclusion reason,
                             std::uint64_t key);
    [[nodiscard]] Status add(const Row& row, std::uint64_t key)
    {
        return add(row.line, row.id, row.chromosome, row.position, row.allele1, row.allele2, row.reason, key);
    }
    // Finds the copies among the open rows: by key and allele pair (rows
    // keyed by place) or by key and id (rows keyed by id hash).
    [[nodiscard]] Status finish(bool by_id);

    std::uint64_t size() const { return rows_; }
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
        bool next(Row& row, std::uint64_t& key);
        bool take(void* bytes, std::size_t size);
        bool take_text(std::string& text);

        const DroppedRows& rows_;
        std::vector<char> buffer_;
        std::size_t at_ = 0;
        std::uint64_t offset_ = 0;   // of the buffer's end in the file
        std::uint64_t ordinal_ = 0;  // of the next row
        std::size_t duplicate_ = 0;  // next entry of duplicated_ to meet
        Status status_;
    };

private:
    SpoolFile spool_;
    // Keys of the open rows until finish(), in chunks: no copy to grow.
    std::vector<std::vector<std::uint64_t>> keys_;
    std::size_t key_chunk_;
    std::vector<std::uint64_t> duplicated_;  // ordinals of open rows with a copy, ascending
    std::array<long, kExclusionKinds> counts_{};
    std::uint64_t rows_ = 0;
    std::string record_;  // the row being set aside, as written
    bool resolved_ = false;
};

#endif
