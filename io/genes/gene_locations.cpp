#include "gene_locations.h"

#include "line_source.h"
#include "sumstats/chromosome_names.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string_view>

const char* gene_format_name(GeneFileFormat format)
{
    switch (format) {
    case GeneFileFormat::GeneLoc: return "NCBI/MAGMA gene-loc";
    case GeneFileFormat::Bed: return "BED";
    case GeneFileFormat::Gtf: return "GTF";
    case GeneFileFormat::Gff3: return "GFF3";
    }
    return "NCBI/MAGMA gene-loc";
}

namespace {

// Positions must stay within what the suite's gene list reads (32 bits),
// after the one added to an included end.
constexpr std::int64_t kLargestPosition = 2147483646;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string_view> split_tabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::vector<std::string_view> split_blanks(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i]))
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool parse_whole(std::string_view text, std::int64_t& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool is_whole(std::string_view text)
{
    std::int64_t ignored = 0;
    return parse_whole(text, ignored);
}

bool has_whole_number(std::string_view line)
{
    for (std::string_view field : split_blanks(line))
        if (is_whole(field))
            return true;
    return false;
}

bool is_strand(std::string_view text) { return text == "+" || text == "-"; }

bool skippable(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i]))
        ++i;
    if (i == line.size() || line[i] == '#')
        return true;
    const std::string_view rest = line.substr(i);
    return rest.substr(0, 6) == "track " || rest.substr(0, 8) == "browser " || rest == "track" || rest == "browser";
}

bool looks_like_gtf_or_gff(const std::vector<std::string_view>& tabs)
{
    return tabs.size() >= 9 && is_whole(tabs[3]) && is_whole(tabs[4]);
}

bool looks_like_gff3_attributes(std::string_view attributes)
{
    // GFF3: key=value pairs; GTF: key "value"; pairs.
    const std::size_t equals = attributes.find('=');
    const std::size_t quote = attributes.find('"');
    return equals != std::string_view::npos && (quote == std::string_view::npos || equals < quote);
}

// The format a data line suggests, or false when it fits none.
bool guess_format(std::string_view line, bool gff3_header, GeneFileFormat& format)
{
    const std::vector<std::string_view> tabs = split_tabs(line);
    if (looks_like_gtf_or_gff(tabs)) {
        format = gff3_header || looks_like_gff3_attributes(tabs[8]) ? GeneFileFormat::Gff3 : GeneFileFormat::Gtf;
        return true;
    }
    const std::vector<std::string_view> f = split_blanks(line);
    if (f.size() == 3 && is_whole(f[1]) && is_whole(f[2])) {
        // BED without a name column: recognised, so the message can say
        // what is missing.
        format = GeneFileFormat::Bed;
        return true;
    }
    if (f.size() < 4)
        return false;
    const bool gene_loc_shape = is_whole(f[2]) && is_whole(f[3]) && !canonical_chromosome(f[1]).empty();
    const bool bed_shape = is_whole(f[1]) && is_whole(f[2]);
    if (gene_loc_shape && bed_shape) {
        // Both fit (a numeric chromosome and a numeric BED name): a strand
        // in field 5 is gene-loc, in field 6 BED; else an Entrez id in
        // field 1 is gene-loc.
        if (f.size() >= 5 && is_strand(f[4]))
            format = GeneFileFormat::GeneLoc;
        else if (f.size() >= 6 && (is_strand(f[5]) || f[5] == "."))
            format = GeneFileFormat::Bed;
        else
            format = canonical_chromosome(f[0]).empty() ? GeneFileFormat::GeneLoc : GeneFileFormat::Bed;
        return true;
    }
    if (gene_loc_shape) {
        format = GeneFileFormat::GeneLoc;
        return true;
    }
    if (bed_shape) {
        format = GeneFileFormat::Bed;
        return true;
    }
    return false;
}

void decode_percent(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto hex = [](char c) {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    text.swap(out);
}

// The value of one attribute of a GTF (`key "value";`) or GFF3
// (`key=value;`) attribute column; empty when absent.
std::string attribute(std::string_view column, std::string_view key, bool gff3)
{
    std::size_t i = 0;
    while (i < column.size()) {
        const std::size_t end = column.find(';', i);
        std::string_view pair = column.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
        i = end == std::string_view::npos ? column.size() : end + 1;
        while (!pair.empty() && is_blank(pair.front()))
            pair.remove_prefix(1);
        while (!pair.empty() && is_blank(pair.back()))
            pair.remove_suffix(1);
        const std::size_t split = gff3 ? pair.find('=') : pair.find_first_of(" \t");
        if (split == std::string_view::npos || pair.substr(0, split) != key)
            continue;
        std::string_view value = pair.substr(split + 1);
        while (!value.empty() && is_blank(value.front()))
            value.remove_prefix(1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string out(value);
        if (gff3)
            decode_percent(out);
        return out;
    }
    return {};
}

// A name fit for one tab-separated field.
std::string clean_name(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return text;
}

bool blank(const std::string& text)
{
    return text.find_first_not_of(' ') == std::string::npos;
}

class GeneFileParser {
public:
    GeneFileParser(const std::string& path, GeneLocationTable& table) : path_(path), table_(table) {}

    // The number of the line parse() is given next, for messages.
    void at(long line) { line_ = line; }

    Status parse(std::string_view line)
    {
        switch (table_.format) {
        case GeneFileFormat::GeneLoc: return gene_loc(line);
        case GeneFileFormat::Bed: return bed(line);
        case GeneFileFormat::Gtf: return feature(line, false);
        case GeneFileFormat::Gff3: return feature(line, true);
        }
        return Status{};
    }

private:
    Status bad(const std::string& what) const
    {
        return Status(StatusCode::Malformed, path_ + " line " + std::to_string(line_) + ": " + what + " (" +
                                                 gene_format_name(table_.format) + " file)");
    }

    // Adds a gene covering bases first..last (1-based, both included).
    Status add(std::string_view chromosome, std::string id, std::string name, std::int64_t first, std::int64_t last)
    {
        if (first < 1 || last < first)
            return bad("the gene ends before it starts");
        if (last > kLargestPosition)
            return bad("a position beyond 2147483646");
        GeneLocation gene;
        gene.line = line_;
        gene.chromosome = canonical_chromosome(chromosome);
        if (gene.chromosome.empty()) {
            ++table_.unknown_chromosome;
            if (table_.unknown_chromosome_names.size() < 5)
                table_.unknown_chromosome_names.emplace_back(chromosome);
            return Status{};
        }
        gene.id = clean_name(std::move(id));
        gene.name = clean_name(name.empty() ? gene.id : std::move(name));
        if (blank(gene.id) || blank(gene.name))
            return bad("a gene without a name");
        gene.start = first;
        gene.end = last + 1;
        table_.genes.push_back(std::move(gene));
        return Status{};
    }

    Status gene_loc(std::string_view line)
    {
        const std::vector<std::string_view> f = split_blanks(line);
        if (f.size() < 4)
            return bad("fewer than 4 fields (ID CHR START STOP [STRAND SYMBOL])");
        std::int64_t start = 0, stop = 0;
        if (!parse_whole(f[2], start) || !parse_whole(f[3], stop))
            return bad("start or stop is not a whole number");
        const std::string symbol = f.size() >= 6 ? std::string(f[5]) : std::string();
        return add(f[1], std::string(f[0]), symbol, start, stop);
    }

    Status bed(std::string_view line)
    {
        const std::vector<std::string_view> f =
            line.find('\t') != std::string_view::npos ? split_tabs(line) : split_blanks(line);
        if (f.size() < 4)
            return bad("fewer than 4 fields (chrom, start, end, name)");
        std::int64_t start = 0, end = 0;
        if (!parse_whole(f[1], start) || !parse_whole(f[2], end))
            return bad("start or end is not a whole number");
        if (end <= start)
            return bad("the interval is empty (end not after start)");
        // 0-based start, end excluded: bases start+1 .. end.
        return add(f[0], std::string(f[3]), std::string(f[3]), start + 1, end);
    }

    Status feature(std::string_view line, bool gff3)
    {
        if (gff3 && line.substr(0, 7) == "##FASTA") {
            fasta_ = true;
            return Status{};
        }
        const std::vector<std::string_view> f = split_tabs(line);
        if (f.size() < 9)
            return bad("fewer than 9 tab-separated fields");
        if (f[2] != "gene") {
            ++table_.other_features;
            return Status{};
        }
        std::int64_t start = 0, end = 0;
        if (!parse_whole(f[3], start) || !parse_whole(f[4], end))
            return bad("start or end is not a whole number");
        std::string id, name;
        if (gff3) {
            id = attribute(f[8], "gene_id", true);
            if (id.empty()) {
                id = attribute(f[8], "ID", true);
                if (id.compare(0, 5, "gene:") == 0)
                    id.erase(0, 5);
            }
            name = attribute(f[8], "Name", true);
            if (name.empty())
                name = attribute(f[8], "gene_name", true);
        } else {
            id = attribute(f[8], "gene_id", false);
            name = attribute(f[8], "gene_name", false);
        }
        if (id.empty() && name.empty())
            return bad(gff3 ? "a gene without ID, gene_id or Name" : "a gene without gene_id or gene_name");
        return add(f[0], id.empty() ? name : id, name, start, end);
    }

public:
    bool fasta_ = false;  // GFF3 sequences follow: no more features

private:
    const std::string& path_;
    GeneLocationTable& table_;
    long line_ = 0;
};

std::string not_gene_locations(const std::string& path, long line)
{
    return path + " line " + std::to_string(line) + ": not a gene location file (NCBI/MAGMA gene-loc, BED, GTF or GFF3)";
}

} // namespace

struct GeneLocationReader::State {
    State(std::string file, GeneLocationTable& t) : path(std::move(file)), table(t), parser(path, t) {}
    std::string path;
    GeneLocationTable& table;
    GeneFileParser parser;
    bool known = false;        // the format is decided
    bool gff3_header = false;  // a `##gff-version 3` line came before
    long content_lines = 0;    // lines looked at while the format was open
    long header_line = 0;      // a words-only first line, taken as a header
};

GeneLocationReader::GeneLocationReader(const std::string& path, GeneLocationTable& table)
    : state_(std::make_unique<State>(path, table))
{
    table = GeneLocationTable{};
}

GeneLocationReader::~GeneLocationReader() = default;

bool GeneLocationReader::done() const { return state_->parser.fasta_; }

Status GeneLocationReader::take(std::string_view line, long number)
{
    State& s = *state_;
    if (!s.known) {
        if (line.substr(0, 15) == "##gff-version 3")
            s.gff3_header = true;
        if (skippable(line))
            return Status{};
        ++s.content_lines;
        if (!guess_format(line, s.gff3_header, s.table.format)) {
            // A header line (words only, no number) may come first; the
            // next line decides.
            if (s.content_lines == 1 && !has_whole_number(line)) {
                s.header_line = number;
                return Status{};
            }
            return Status(StatusCode::Malformed, not_gene_locations(s.path, number));
        }
        s.known = true;
    } else if (s.parser.fasta_) {
        return Status{};
    } else if (skippable(line) && !(s.table.format == GeneFileFormat::Gff3 && line.substr(0, 7) == "##FASTA")) {
        return Status{};
    }
    s.parser.at(number);
    return s.parser.parse(line);
}

Status GeneLocationReader::finish() const
{
    if (state_->known)
        return Status{};
    if (state_->header_line > 0)
        return Status(StatusCode::Malformed, not_gene_locations(state_->path, state_->header_line));
    return Status(StatusCode::Malformed, state_->path + ": no genes (the file is empty)");
}

Status read_gene_locations(const std::string& path, GeneLocationTable& table)
{
    table = GeneLocationTable{};
    LineSource source;
    Status status = source.open(path);
    if (!status.ok())
        return status;
    GeneLocationReader reader(path, table);
    std::string_view line;
    while (!reader.done() && source.next(line)) {
        status = reader.take(line, source.line_number());
        if (!status.ok())
            return status;
    }
    if (!source.status().ok())
        return source.status();
    return reader.finish();
}

void write_gene_list(std::ostream& out, const GeneLocationTable& table)
{
    out << "chromosome\tgene_id\tstart\tend\tgene_name\n";
    for (const GeneLocation& g : table.genes)
        out << g.chromosome << '\t' << g.id << '\t' << g.start << '\t' << g.end << '\t' << g.name << '\n';
}

Status write_gene_list(const std::string& path, const GeneLocationTable& table)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return Status(StatusCode::WriteError, path + ": cannot be created");
    write_gene_list(out, table);
    out.close();
    if (!out)
        return Status(StatusCode::WriteError, path + ": write error");
    return Status{};
}
