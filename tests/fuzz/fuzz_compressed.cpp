// The compressed path of the line source. The input is written three ways,
// plain, as BGZF blocks and as one gzip stream, and the three must give the
// same lines with the same outcome; the genotype reader must give the same
// codes from the plain and the compressed copy. The raw input is also read as
// it stands, so that damaged compressed data (input starting with the gzip
// magic bytes) is met: it may only end in a read error naming the file.

#include "fuzz_input.h"
#include "line_source.h"
#include "reference_files.h"

#include <htslib/bgzf.h>

#include <string>
#include <vector>

namespace {

struct Reading {
    std::vector<std::string> lines;
    Status status;
    bool compressed = false;
};

Reading read_lines(const std::string& path)
{
    Reading reading;
    LineSource source;
    reading.status = source.open(path, 4096);
    if (!reading.status.ok())
        return reading;
    reading.compressed = source.compressed();
    std::string_view line;
    while (source.next(line))
        reading.lines.emplace_back(line);
    reading.status = source.status();
    return reading;
}

void put_compressed(const std::string& path, const std::string& content, const char* mode)
{
    BGZF* out = bgzf_open(path.c_str(), mode);
    FUZZ_CHECK(out != nullptr);
    FUZZ_CHECK(bgzf_write(out, content.data(), content.size()) == static_cast<ssize_t>(content.size()));
    FUZZ_CHECK(bgzf_close(out) == 0);
}

// The outcome without the file name, which differs between the copies.
std::string outcome(const Status& status, const std::string& path)
{
    if (status.ok())
        return "ok";
    FUZZ_CHECK(status.message.find(path) == 0);
    return std::to_string(static_cast<int>(status.code)) + status.message.substr(path.size());
}

std::string genotype_outcome(const std::string& path, std::vector<std::int32_t>& codes)
{
    GenotypeReading reading;
    reading.leading_fields = 1;
    reading.snps = 3;
    reading.sink = [&codes](const std::int32_t* row) { codes.push_back(row[0]); };
    return outcome(read_genotypes(path, reading), path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::string plain = kesto_fuzz::put_file("plain.txt", content);
    const std::string blocks = kesto_fuzz::scratch_dir() + "/blocks.gz";
    const std::string stream = kesto_fuzz::scratch_dir() + "/stream.gz";
    put_compressed(blocks, content, "w");
    put_compressed(stream, content, "wg");

    const Reading p = read_lines(plain);
    for (const std::string& path : {blocks, stream}) {
        const Reading z = read_lines(path);
        // The "plain" copy may itself be compressed data (it starts with the
        // magic bytes); then only how it ends is checked below.
        if (p.compressed)
            continue;
        FUZZ_CHECK(z.lines == p.lines);
        FUZZ_CHECK(outcome(z.status, path) == outcome(p.status, plain));

        std::vector<std::int32_t> plain_codes, packed_codes;
        FUZZ_CHECK(genotype_outcome(path, packed_codes) == genotype_outcome(plain, plain_codes));
        FUZZ_CHECK(packed_codes == plain_codes);
    }
    if (!p.status.ok())
        FUZZ_CHECK(p.status.code == StatusCode::ReadError && p.status.message.find(plain) == 0);
    return 0;
}
