#include "packed_genotype_reading.h"

#include "line_source.h"
#include "ordered_pipeline.h"

#include <new>
#include <string_view>
#include <vector>

namespace {

// Rows read on the calling thread, kept as one text.
struct RowRun {
    std::string text;  // the rows, each followed by '\n'
    std::size_t first_snp = 0;
    long first_line = 0;
    std::size_t rows = 0;
    Status after;  // the file's early end or read error, reported after these rows
};

// A run parsed and packed on a worker thread: the rows before its first
// problem, and that problem.
struct PackedRun {
    PackedCodes rows;
    Status status;
};

// About 64 kB of text per run: hand-overs stay rare, and the runs in flight
// (four per thread) cost little memory.
constexpr std::size_t kRunBytes = std::size_t{1} << 16;

} // namespace

Status read_packed_genotypes(const std::string& path, const GenotypeReading& reading, int threads,
                             PackedCodes& codes, const std::function<void(std::size_t row)>& row_done)
{
    if (threads <= 1) {
        GenotypeReading plain = reading;
        std::size_t row = 0;
        plain.sink = [&](const std::int32_t* row_codes) {
            codes.add_row(row_codes);
            if (row_done)
                row_done(row);
            ++row;
        };
        return read_genotypes(path, plain);
    }
    LineSource source;
    int samples = 0;
    const Status opened = open_genotype_rows(path, reading, source, samples);
    if (!opened.ok())
        return opened;
    // The text is read and inflated ahead while the workers parse.
    source.read_ahead(threads);

    std::size_t snp = 0;
    bool ended = false;
    const auto next = [&](RowRun& run) {
        if (ended || snp == reading.snps)
            return false;
        run.first_snp = snp;
        run.first_line = source.line_number() + 1;
        std::string_view line;
        while (snp < reading.snps && (run.rows == 0 || run.text.size() < kRunBytes)) {
            if (!source.next(line)) {
                run.after = genotype_rows_end_early(path, source, snp, reading.snps);
                ended = true;
                break;
            }
            run.text.append(line);
            run.text.push_back('\n');
            ++run.rows;
            ++snp;
        }
        return true;
    };
    const auto pack = [&](const RowRun& run) {
        PackedRun packed{PackedCodes(samples), Status{}};
        std::vector<std::int32_t> row_codes;
        std::size_t from = 0;
        for (std::size_t r = 0; r < run.rows; ++r) {
            const std::size_t to = run.text.find('\n', from);
            const std::string_view line(run.text.data() + from, to - from);
            packed.status = parse_genotype_row(path, run.first_line + static_cast<long>(r), line, run.first_snp + r,
                                               reading, samples, row_codes);
            if (!packed.status.ok())
                break;
            packed.rows.add_row(row_codes.data());
            from = to + 1;
        }
        return packed;
    };
    Status result;
    const auto take = [&](RowRun& run, PackedRun& packed) {
        codes.append(packed.rows);
        if (row_done)
            for (std::size_t r = 0; r < packed.rows.snps(); ++r)
                row_done(run.first_snp + r);
        result = !packed.status.ok() ? packed.status : run.after;
        return result.ok();
    };
    try {
        ordered_pipeline<RowRun, PackedRun>(threads, 4 * static_cast<std::size_t>(threads), next, pack, take);
    } catch (const std::bad_alloc&) {
        return genotype_memory_problem(path, reading, samples);
    }
    return result;
}
