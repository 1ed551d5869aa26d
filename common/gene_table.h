#ifndef KESTO_COMMON_GENE_TABLE_H
#define KESTO_COMMON_GENE_TABLE_H

#include "line_source.h"
#include "status.h"

#include <cstdint>
#include <string>
#include <vector>

// One gene of a gene list. The chromosome is the field as written; callers
// turn it into a file-name chromosome when they need one.
struct GeneEntry {
    std::string chromosome;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string name;
    std::string id;  // field 2, as written
    long line = 0;  // line of the gene list it came from (0 when made otherwise)
};

// One data line of a gene list: a gene, a note saying why the line was left
// out, or both (a gene taken with a correction).
struct GeneLine {
    bool usable = false;
    GeneEntry gene;
    std::string warning;  // names the file and line; empty when there is none
};

// The gene of one data line of a gene list, split into fields: `usable` and
// `warning` as in GeneLine, the warning without the file and line, which the
// caller puts before it. Shared by every reader of the suite's gene list, so
// that a line means the same to all of them.
GeneLine gene_from_fields(const std::vector<std::string>& fields);

// Reads a gene list a line at a time: a header line, then chromosome, id,
// start, end and name per line (tab-separated, or space-separated when a line
// holds no tab). Lines with fewer than five fields or a start or end that is
// not a 32-bit whole number are left out with a warning; a start after the
// end is warned about and the region between the two is taken. A final line
// without a line end still counts.
class GeneListReader {
public:
    // NotFound or ReadError when the file cannot be read.
    Status open(const std::string& path);
    // The next data line; false at the end or on a read error (see status()).
    bool next(GeneLine& line);
    const Status& status() const { return source_.status(); }

private:
    LineSource source_;
    std::string path_;
    std::string text_;
    std::vector<std::string> fields_;
};

// The genes of a gene list in file order, and a note for every data line that
// was left out or corrected (naming the file and line).
struct GeneTable {
    std::vector<GeneEntry> genes;
    std::vector<std::string> warnings;
};

// The whole gene list at once.
Status read_gene_table(const std::string& path, GeneTable& table);

#endif
