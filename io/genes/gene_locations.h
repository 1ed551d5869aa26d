#ifndef KESTO_IO_GENE_LOCATIONS_H
#define KESTO_IO_GENE_LOCATIONS_H

#include "status.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Gene location files of the field turned into the suite's gene list
// (chromosome, id, start, end, name; the end is not included).
//
// Coordinates: the suite's gene list holds 1-based positions with the end
// excluded, so a gene covering bases S..E (1-based, both included, as in
// NCBI/MAGMA gene-loc, GTF and GFF3) becomes start S, end E + 1; a BED
// interval (0-based start s, end e excluded) covers bases s+1..e and becomes
// start s + 1, end e + 1.

enum class GeneFileFormat { GeneLoc, Bed, Gtf, Gff3 };
const char* gene_format_name(GeneFileFormat format);  // "NCBI/MAGMA gene-loc", "BED", "GTF", "GFF3"

struct GeneLocation {
    long line = 0;            // line in the input file
    std::string chromosome;   // canonical ("1".."22", "X", "Y", "XY", "MT")
    std::string id;           // gene id (Entrez id, gene_id, ID=, or the BED name)
    std::int64_t start = 0;   // suite coordinates (see above)
    std::int64_t end = 0;
    std::string name;         // symbol; the id when the file gives none
};

struct GeneLocationTable {
    GeneFileFormat format = GeneFileFormat::GeneLoc;
    std::vector<GeneLocation> genes;                // in file order
    long other_features = 0;                        // GTF/GFF3 rows that are not `gene`
    long unknown_chromosome = 0;                    // rows left out: chromosome not understood
    std::vector<std::string> unknown_chromosome_names;  // the first few such names, for the log
};

// Reads a gene location file (plain or compressed); the format is recognised
// from the content. A bad row gives a Malformed status naming file and line.
Status read_gene_locations(const std::string& path, GeneLocationTable& table);

// The same reading fed a line at a time, for a caller that reads the file
// itself (to look at its first lines before choosing a reader, and still
// read it once, so a pipe works). Fills `table`, which must outlive it.
class GeneLocationReader {
public:
    GeneLocationReader(const std::string& path, GeneLocationTable& table);
    ~GeneLocationReader();
    GeneLocationReader(const GeneLocationReader&) = delete;
    GeneLocationReader& operator=(const GeneLocationReader&) = delete;

    // One line of the file; `number` is its line number, for messages.
    Status take(std::string_view line, long number);
    // True once the rest of the file holds no genes (GFF3 sequences).
    bool done() const;
    // After the last line: Malformed when no line showed a known format.
    Status finish() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The suite's gene list: header, then chromosome, id, start, end, name,
// tab-separated.
void write_gene_list(std::ostream& out, const GeneLocationTable& table);
Status write_gene_list(const std::string& path, const GeneLocationTable& table);

#endif
