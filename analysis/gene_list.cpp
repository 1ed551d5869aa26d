#include "gene_list.h"

#include "csvline.h"
#include "line_source.h"
#include "numbers.h"

namespace analysis {

Status read_gene_list(const std::string& path, std::vector<GeneEntry>& genes, std::vector<std::string>& notes)
{
    LineSource source;
    Status opened = source.open(path);
    if (!opened)
        return opened;
    std::string_view view;
    if (!source.next(view))
        return source.status();  // empty file: no genes
    std::vector<std::string> fields;
    std::string line;
    while (source.next(view)) {
        line.assign(view.data(), view.size());
        split_fields(fields, line);
        if (fields.size() < 5) {
            notes.push_back(source.where() + ": expected 5 fields (chromosome, id, start, end, name), found " +
                            std::to_string(fields.size()) + "; line left out");
            continue;
        }
        GeneEntry gene;
        if (!parse_int32(fields[2], gene.start) || !parse_int32(fields[3], gene.end)) {
            notes.push_back(source.where() + ": start '" + fields[2] + "' or end '" + fields[3] +
                            "' is not a whole number that fits in 32 bits; line left out");
            continue;
        }
        gene.chromosome = fields[0];
        gene.id = fields[1];
        gene.name = fields[4];
        genes.push_back(std::move(gene));
    }
    return source.status();
}

} // namespace analysis
