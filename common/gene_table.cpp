#include "gene_table.h"

#include "csvline.h"
#include "numbers.h"

#include <utility>

namespace {

std::string line_note(const std::string& path, long line_no, const std::string& what)
{
    return path + " line " + std::to_string(line_no) + ": " + what;
}

} // namespace

Status GeneListReader::open(const std::string& path)
{
    path_ = path;
    Status opened = source_.open(path, LineSource::kTableLineLimit);
    if (!opened.ok())
        return opened;
    std::string_view header;
    source_.next(header);
    return source_.status();
}

GeneLine gene_from_fields(const std::vector<std::string>& fields)
{
    GeneLine parsed;
    if (fields.size() < 5) {
        parsed.warning = "expected 5 fields (chromosome, id, start, end, name), found " +
                         std::to_string(fields.size()) + "; line left out";
        return parsed;
    }
    GeneEntry& gene = parsed.gene;
    if (!parse_int32(fields[2], gene.start) || !parse_int32(fields[3], gene.end)) {
        parsed.warning = "start '" + fields[2] + "' or end '" + fields[3] +
                         "' is not a whole number that fits in 32 bits; line left out";
        return parsed;
    }
    if (gene.start > gene.end) {
        parsed.warning = "gene " + fields[4] + " starts at " + fields[2] + ", after its end " + fields[3] +
                         "; the region between the two is used";
        std::swap(gene.start, gene.end);
    }
    gene.chromosome = fields[0];
    gene.name = fields[4];
    gene.id = fields[1];
    parsed.usable = true;
    return parsed;
}

bool GeneListReader::next(GeneLine& parsed)
{
    std::string_view view;
    if (!source_.next(view))
        return false;
    const long line_no = source_.line_number();
    text_.assign(view);
    split_fields(fields_, text_);
    parsed = gene_from_fields(fields_);
    if (!parsed.warning.empty())
        parsed.warning = line_note(path_, line_no, parsed.warning);
    parsed.gene.line = line_no;
    return true;
}

Status read_gene_table(const std::string& path, GeneTable& table)
{
    table = GeneTable{};
    GeneListReader reader;
    Status opened = reader.open(path);
    if (!opened.ok())
        return opened;
    GeneLine line;
    while (reader.next(line)) {
        if (!line.warning.empty())
            table.warnings.push_back(line.warning);
        if (line.usable)
            table.genes.push_back(std::move(line.gene));
    }
    return reader.status();
}
