#include "gene_table.h"

#include "csvline.h"
#include "numbers.h"

#include <fstream>
#include <sstream>

namespace {

std::string line_note(const std::string& path, long line_no, const std::string& what)
{
    std::ostringstream s;
    s << path << " line " << line_no << ": " << what << "; line left out";
    return s.str();
}

} // namespace

bool read_gene_table(const std::string& path, GeneTable& table)
{
    table = GeneTable{};
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    std::getline(in, line);
    std::vector<std::string> fields;
    long line_no = 1;
    while (std::getline(in, line)) {
        ++line_no;
        split_fields(fields, line);
        if (fields.size() < 5) {
            table.warnings.push_back(line_note(path, line_no,
                                               "expected 5 fields (chromosome, id, start, end, name), found " +
                                                   std::to_string(fields.size())));
            continue;
        }
        GeneEntry gene;
        if (!parse_int32(fields[2], gene.start) || !parse_int32(fields[3], gene.end)) {
            table.warnings.push_back(line_note(path, line_no,
                                               "start '" + fields[2] + "' or end '" + fields[3] +
                                                   "' is not a whole number that fits in 32 bits"));
            continue;
        }
        gene.chromosome = fields[0];
        gene.name = fields[4];
        gene.id = fields[1];
        table.genes.push_back(std::move(gene));
    }
    return true;
}
