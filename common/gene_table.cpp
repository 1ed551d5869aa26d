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

bool GeneListReader::next(GeneLine& parsed)
{
    std::string_view view;
    if (!source_.next(view))
        return false;
    const long line_no = source_.line_number();
    parsed = GeneLine{};
    text_.assign(view);
    split_fields(fields_, text_);
    if (fields_.size() < 5) {
        parsed.warning = line_note(path_, line_no,
                                   "expected 5 fields (chromosome, id, start, end, name), found " +
                                       std::to_string(fields_.size()) + "; line left out");
        return true;
    }
    GeneEntry& gene = parsed.gene;
    if (!parse_int32(fields_[2], gene.start) || !parse_int32(fields_[3], gene.end)) {
        parsed.warning = line_note(path_, line_no,
                                   "start '" + fields_[2] + "' or end '" + fields_[3] +
                                       "' is not a whole number that fits in 32 bits; line left out");
        return true;
    }
    if (gene.start > gene.end) {
        parsed.warning = line_note(path_, line_no,
                                   "gene " + fields_[4] + " starts at " + fields_[2] + ", after its end " +
                                       fields_[3] + "; the region between the two is used");
        std::swap(gene.start, gene.end);
    }
    gene.chromosome = fields_[0];
    gene.name = fields_[4];
    gene.id = fields_[1];
    gene.line = line_no;
    parsed.usable = true;
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
