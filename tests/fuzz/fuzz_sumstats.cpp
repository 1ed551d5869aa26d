// The summary-statistics reader (every format, recognised or forced, and
// column options), and the index its rows go into. The first byte picks the
// setting: 0-7 read as recognised, 8-15 force format (value - 8), 16+ name
// columns outright.

#include "fuzz_input.h"
#include "sumstats/chromosome_names.h"
#include "sumstats/sumstats_reader.h"
#include "sumstats_index.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kesto_fuzz::Setting setting = kesto_fuzz::take_setting(data, size);
    const std::string path = kesto_fuzz::put_file(
        "sumstats.txt", std::string(reinterpret_cast<const char*>(setting.data), setting.size));
    SumstatsOptions options;
    const unsigned v = setting.value % 24;
    if (v >= 8 && v < 16) {
        options.force_format = true;
        options.format = static_cast<SumstatsFormat>(v - 8);
    } else if (v >= 16) {
        options.col_id = "ID";
        options.col_chr = "CHR";
        options.col_pos = "POS";
        options.col_a1 = "A1";
        if (v % 2)
            options.col_log10p = "P";
        else
            options.col_p = "P";
    }
    SumstatsReader reader;
    const Status opened = reader.open(path, options);
    if (!opened.ok()) {
        FUZZ_CHECK(opened.code != StatusCode::NotFound);
        FUZZ_CHECK(opened.code == StatusCode::Usage || opened.message.find(path) == 0);
        return 0;
    }
    const SumstatsLayout& layout = reader.layout();
    FUZZ_CHECK(layout.has_positions || layout.has_ids);
    SumstatsRecord record;
    long last_line = 0;
    long records = 0;
    SumstatsIndex index(layout.has_positions ? SumstatsIndex::Key::Position : SumstatsIndex::Key::Id);
    std::vector<SumstatsRecord> kept;
    while (reader.next(record)) {
        ++records;
        index.add(record);
        kept.push_back(record);
        FUZZ_CHECK(record.line > last_line);
        last_line = record.line;
        FUZZ_CHECK(record.chromosome == canonical_chromosome(record.raw_chromosome));
        FUZZ_CHECK(record.position >= -1);
        FUZZ_CHECK(layout.has_positions || (record.position == -1 && record.raw_chromosome.empty()));
        for (const std::string* allele : {&record.allele1, &record.allele2})
            for (char c : *allele)
                FUZZ_CHECK(!std::islower(static_cast<unsigned char>(c)));
        if (record.p_state == PState::Ok) {
            FUZZ_CHECK(record.p >= 0.0 && record.p <= 1.0);
            FUZZ_CHECK(!record.p_text.empty());
            // What a legend gets reads back as the very p-value.
            FUZZ_CHECK(std::strtod(record.p_text.c_str(), nullptr) == record.p);
            FUZZ_CHECK(!record.underflow || (record.p == 0.0 && record.p_text == "0"));
        } else {
            FUZZ_CHECK(record.p_text.empty());
            FUZZ_CHECK(!record.underflow);
        }
    }
    const Status& status = reader.status();
    FUZZ_CHECK(status.ok() || status.message.find(path) == 0);
    FUZZ_CHECK(reader.rows() == records + reader.skipped_other_tests());

    // Read again in batches of three lines, as worker threads parse them:
    // the same records, counts and end.
    SumstatsReader batched;
    FUZZ_CHECK(batched.open(path, options).ok());
    SumstatsLines lines;
    SumstatsRows rows;
    std::size_t next = 0;
    while (batched.next_lines(lines, 3)) {
        batched.parse_lines(lines, rows);
        for (const SumstatsRecord& r : rows.records) {
            FUZZ_CHECK(next < kept.size());
            const SumstatsRecord& k = kept[next++];
            FUZZ_CHECK(r.line == k.line && r.id == k.id && r.chromosome == k.chromosome &&
                       r.raw_chromosome == k.raw_chromosome && r.position == k.position &&
                       r.allele1 == k.allele1 && r.allele2 == k.allele2 && r.p_state == k.p_state &&
                       r.p_text == k.p_text && r.underflow == k.underflow &&
                       (r.p == k.p || (r.p != r.p && k.p != k.p)));
        }
        if (!batched.take(rows))
            break;
    }
    FUZZ_CHECK(next == kept.size());
    FUZZ_CHECK(batched.status().message == status.message && batched.status().code == status.code);
    FUZZ_CHECK(batched.rows() == reader.rows() && batched.skipped_other_tests() == reader.skipped_other_tests());

    // The index gives every row back whole, and its look-ups find exactly
    // the rows a plain scan finds, in file order.
    index.finish();
    FUZZ_CHECK(index.size() == kept.size());
    std::map<std::string, std::vector<std::uint32_t>> by_id;
    for (std::uint32_t r = 0; r < kept.size(); ++r) {
        const SumstatsRecord& k = kept[r];
        FUZZ_CHECK(index.id(r) == k.id && index.allele1(r) == k.allele1 && index.allele2(r) == k.allele2);
        FUZZ_CHECK(index.p_text(r) == k.p_text && index.position(r) == k.position && index.line(r) == k.line);
        FUZZ_CHECK(index.chromosome(r) == (k.chromosome.empty() ? k.raw_chromosome : k.chromosome));
        if (!k.id.empty())
            by_id[k.id].push_back(r);
    }
    for (const auto& [id, rows] : by_id) {
        const SumstatsIndex::Range found = index.with_id(id);
        FUZZ_CHECK(std::vector<std::uint32_t>(found.first, found.last) == rows);
    }
    if (index.key() == SumstatsIndex::Key::Position)
        for (std::uint32_t r = 0; r < kept.size(); ++r) {
            if (kept[r].chromosome.empty() || kept[r].position < 0)
                continue;
            const SumstatsIndex::Range here = index.at(kept[r].chromosome, kept[r].position);
            bool listed = false;
            for (const std::uint32_t* q = here.first; q != here.last; ++q) {
                FUZZ_CHECK(kept[*q].chromosome == kept[r].chromosome && kept[*q].position == kept[r].position);
                listed = listed || *q == r;
            }
            // Rows left out while reading (no p-value, ...) are not indexed by place.
            FUZZ_CHECK(listed == (kept[r].p_state == PState::Ok));
        }
    return 0;
}
