// The one line source of every text input: line ends, byte-order mark,
// compressed input, pipes, folders and over-long lines.

#include "line_source.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <htslib/bgzf.h>

#include <cstdlib>
#include <string>
#include <vector>

using kesto_test::TempDir;
using kesto_test::write_file;

namespace {

// How a source reads its file: on the caller's thread, or ahead on a thread
// of its own in chunks of `chunk` bytes (tiny chunks put a chunk's edge
// inside every line end and byte-order mark) with `threads` for BGZF.
// Read-ahead may also start after some lines (a header) were read plainly.
struct Reading {
    bool ahead = false;
    std::size_t chunk = LineSource::kChunk;
    int threads = 1;
    std::size_t after = 0;
};

const std::vector<Reading> kReadings = {{},
                                        {true, 1, 1},
                                        {true, 2, 1},
                                        {true, 3, 2},
                                        {true, 7, 1},
                                        {true, 4096, 3},
                                        {true, LineSource::kChunk, 2},
                                        {true, 5, 1, 2},
                                        {true, LineSource::kChunk, 3, 40}};

std::string describe(const Reading& r)
{
    return r.ahead ? "read ahead after " + std::to_string(r.after) + " lines, chunks of " + std::to_string(r.chunk) +
                         ", " + std::to_string(r.threads) + " threads"
                   : "plain";
}

std::vector<std::string> lines_read(const std::string& path, Status& end, std::size_t limit = LineSource::kDefaultLineLimit,
                                    const Reading& reading = {}, std::vector<long>* numbers = nullptr)
{
    LineSource source;
    std::vector<std::string> lines;
    end = source.open(path, limit);
    if (!end.ok())
        return lines;
    std::string_view line;
    if (reading.ahead) {
        while (lines.size() < reading.after && source.next(line)) {
            lines.emplace_back(line);
            if (numbers)
                numbers->push_back(source.line_number());
        }
        source.read_ahead(reading.threads, reading.chunk);
    }
    while (source.next(line)) {
        lines.emplace_back(line);
        if (numbers)
            numbers->push_back(source.line_number());
    }
    end = source.status();
    return lines;
}

void write_bgzf(const std::string& path, const std::string& content)
{
    BGZF* out = bgzf_open(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(bgzf_write(out, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ASSERT_EQ(bgzf_close(out), 0);
}

struct LineCase {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
};

TEST(LineSource, LineEndsAndByteOrderMark)
{
    const std::vector<LineCase> cases = {
        {"LF", "a b\nc\n", {"a b", "c"}},
        {"CRLF", "a b\r\nc\r\n", {"a b", "c"}},
        {"lone CR", "a b\rc\r", {"a b", "c"}},
        {"no final end", "a\nb", {"a", "b"}},
        {"empty lines kept", "a\n\n\nb\n", {"a", "", "", "b"}},
        {"CR then empty line", "a\r\rb", {"a", "", "b"}},
        {"byte-order mark", "\xEF\xBB\xBFP1 x\nP2\n", {"P1 x", "P2"}},
        {"byte-order mark alone", "\xEF\xBB\xBF", {}},
        {"byte-order mark, then a line end", "\xEF\xBB\xBF\r\nx", {"", "x"}},
        {"byte-order mark only at the start", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\n\xEF\xBB\xBF", {"\xEF\xBB\xBF" "a", "\xEF\xBB\xBF"}},
        {"empty file", "", {}},
    };
    TempDir dir;
    for (const LineCase& c : cases) {
        const std::string path = dir.file("in.txt");
        write_file(path, c.content);
        for (const Reading& reading : kReadings) {
            Status end;
            EXPECT_EQ(lines_read(path, end, LineSource::kDefaultLineLimit, reading), c.lines)
                << c.name << ", " << describe(reading);
            EXPECT_TRUE(end.ok()) << c.name << ": " << end.message;
        }
    }
}

// Reading ahead changes who reads the file, never what is read: the same
// lines with the same numbers, and the same message at the same line when
// a line is too long or the file ends in damaged data (there the message
// comes after the last whole chunk, so chunks of the usual size).
TEST(LineSource, ReadingAheadGivesTheSameLinesNumbersAndErrors)
{
    TempDir dir;
    std::string content = "\xEF\xBB\xBFheader\r\n";
    for (int i = 0; i < 6000; ++i)
        content += std::string(static_cast<std::size_t>(i % 5), '\r') + "rs" + std::to_string(i) +
                   (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r") + (i % 1000 == 999 ? std::string(300, 'x') : "");
    content += "last line without an end";
    const std::string plain = dir.file("rows.txt");
    write_file(plain, content);
    ASSERT_EQ(std::system(("gzip -c " + plain + " > " + plain + ".gz").c_str()), 0);
    write_bgzf(dir.file("rows.bgz"), content);
    const std::string cut = dir.file("cut.gz");
    ASSERT_EQ(std::system(("seq 1 2000000 | gzip -c | head -c 2500000 > " + cut).c_str()), 0);

    for (const std::string& path : {plain, plain + ".gz", dir.file("rows.bgz"), cut}) {
        for (const std::size_t limit : {LineSource::kDefaultLineLimit, std::size_t{200}}) {
            Status plain_end;
            std::vector<long> plain_numbers;
            const auto expected = lines_read(path, plain_end, limit, Reading{}, &plain_numbers);
            ASSERT_GT(expected.size(), 900u) << path;
            for (const Reading& reading : kReadings) {
                if (path == cut ? reading.chunk != LineSource::kChunk : reading.chunk < 3 && path != plain)
                    continue;
                Status end;
                std::vector<long> numbers;
                EXPECT_EQ(lines_read(path, end, limit, reading, &numbers), expected) << path << ", " << describe(reading);
                EXPECT_EQ(numbers, plain_numbers) << path << ", " << describe(reading);
                EXPECT_EQ(end.code, plain_end.code) << path;
                EXPECT_EQ(end.message, plain_end.message) << path << ", " << describe(reading);
            }
        }
    }
}

// A source left half read (a caller stopping at a bad row), opened again on
// another file, or read ahead twice stops its thread cleanly.
TEST(LineSource, ReadAheadStopsWithTheSource)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 100000; ++i)
        content += std::to_string(i) + "\n";
    write_file(dir.file("a.txt"), content);
    write_file(dir.file("b.txt"), "b1\nb2\n");
    std::string_view line;
    for (const std::size_t chunk : {std::size_t{5}, LineSource::kChunk}) {
        LineSource left;
        ASSERT_TRUE(left.open(dir.file("a.txt")).ok());
        left.read_ahead(1, chunk);
        left.read_ahead(2, chunk);
        ASSERT_TRUE(left.next(line));
        EXPECT_EQ(line, "0");

        LineSource again;
        ASSERT_TRUE(again.open(dir.file("a.txt")).ok());
        again.read_ahead(1, chunk);
        ASSERT_TRUE(again.next(line));
        ASSERT_TRUE(again.open(dir.file("b.txt")).ok());
        ASSERT_TRUE(again.next(line));
        EXPECT_EQ(line, "b1");
        ASSERT_TRUE(again.next(line));
        EXPECT_FALSE(again.next(line));
        EXPECT_FALSE(again.next(line));
        EXPECT_TRUE(again.status().ok());
    }
}

TEST(LineSource, CompressedCopiesReadAsThePlainFile)
{
    TempDir dir;
    std::string content = "header\n";
    for (int i = 0; i < 200000; ++i)
        content += "rs" + std::to_string(i) + "\t" + std::to_string(1000 + i) + "\t0.5\r\n";
    const std::string plain = dir.file("legend.txt");
    write_file(plain, content);
    ASSERT_EQ(std::system(("gzip -c " + plain + " > " + plain + ".gz").c_str()), 0);
    write_bgzf(dir.file("legend.bgz"), content);
    Status end;
    const auto expected = lines_read(plain, end);
    ASSERT_EQ(expected.size(), 200001u);
    for (const std::string& path : {plain + ".gz", dir.file("legend.bgz")}) {
        LineSource probe;
        ASSERT_TRUE(probe.open(path).ok());
        EXPECT_TRUE(probe.compressed()) << path;
        EXPECT_EQ(lines_read(path, end), expected) << path;
        EXPECT_TRUE(end.ok()) << end.message;
    }
}

TEST(LineSource, PipeIsReadOnceInOnePass)
{
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(std::system(("mkfifo " + fifo).c_str()), 0);
    ASSERT_EQ(std::system(("(printf 'h\\n1\\n2\\n' | gzip -c > " + fifo + ") &").c_str()), 0);
    Status end;
    EXPECT_EQ(lines_read(fifo, end), (std::vector<std::string>{"h", "1", "2"}));
    EXPECT_TRUE(end.ok()) << end.message;
}

TEST(LineSource, UnreadableInputsNameTheFile)
{
    TempDir dir;
    Status end;
    lines_read(dir.file("absent.txt"), end);
    EXPECT_EQ(end.code, StatusCode::NotFound);
    EXPECT_NE(end.message.find("absent.txt"), std::string::npos);

    lines_read(dir.path(), end);
    EXPECT_EQ(end.code, StatusCode::ReadError);
    EXPECT_NE(end.message.find("folder"), std::string::npos);

    lines_read("/dev/zero", end, 1 << 16);
    EXPECT_EQ(end.code, StatusCode::ReadError);
    EXPECT_NE(end.message.find("/dev/zero line 1: line longer than"), std::string::npos) << end.message;

    const std::string broken = dir.file("cut.gz");
    ASSERT_EQ(std::system(("seq 1 100000 | gzip -c | head -c 20000 > " + broken).c_str()), 0);
    lines_read(broken, end);
    EXPECT_EQ(end.code, StatusCode::ReadError);
    EXPECT_NE(end.message.find("cut.gz line"), std::string::npos) << end.message;
}

TEST(LineSource, ReopenedSourceStartsAfresh)
{
    TempDir dir;
    write_file(dir.file("a.txt"), "a1\na2");
    write_file(dir.file("b.txt"), "\xEF\xBB\xBF" "b1\n");
    LineSource source;
    std::string_view line;
    ASSERT_TRUE(source.open(dir.file("a.txt")).ok());
    while (source.next(line)) {
    }
    ASSERT_TRUE(source.open(dir.file("b.txt")).ok());
    ASSERT_TRUE(source.next(line));
    EXPECT_EQ(line, "b1");
    EXPECT_EQ(source.line_number(), 1);
    EXPECT_FALSE(source.next(line));
}

TEST(LineSource, CompressedVariantIsFoundBesideAMissingPlainFile)
{
    TempDir dir;
    write_file(dir.file("legend_chr1.txt.gz"), "x");
    EXPECT_EQ(existing_variant(dir.file("legend_chr1.txt")), dir.file("legend_chr1.txt.gz"));
    write_file(dir.file("legend_chr1.txt"), "x");
    EXPECT_EQ(existing_variant(dir.file("legend_chr1.txt")), dir.file("legend_chr1.txt"));
    EXPECT_EQ(existing_variant(dir.file("legend_chr2.txt")), dir.file("legend_chr2.txt"));
}

} // namespace
