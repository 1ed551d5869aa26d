#ifndef KESTO_COMMON_GENE_TABLE_H
#define KESTO_COMMON_GENE_TABLE_H

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
};

// The genes of a gene list in file order, and a note for every data line that
// was left out (naming the file and line).
struct GeneTable {
    std::vector<GeneEntry> genes;
    std::vector<std::string> warnings;
};

// Reads a gene list: a header line, then chromosome, id, start, end and name
// per line (tab-separated, or space-separated when a line holds no tab).
// Lines with fewer than five fields or a start or end that is not a 32-bit
// whole number are left out with a warning. A final line without a newline
// still counts. Returns false when the file cannot be opened.
bool read_gene_table(const std::string& path, GeneTable& table);

#endif
