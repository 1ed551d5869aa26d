#include "gene_input.h"

#include "csvline.h"
#include "line_source.h"
#include "numbers.h"

#include <array>
#include <cstdint>
#include <set>
#include <string_view>
#include <tuple>

namespace analysis {

namespace {

// Lines are taken from the source as they come; the first two are kept while
// the format is decided.
struct HeldLine {
    std::string text;
    long number = 0;
};

std::string where(const std::string& path, long line) { return path + " line " + std::to_string(line); }

bool is_gene_list_header(const std::vector<std::string>& fields)
{
    static const std::array<const char*, 5> kNames = {"chromosome", "gene_id", "start", "end", "gene_name"};
    if (fields.size() < kNames.size())
        return false;
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (fields[i] != kNames[i])
            return false;
    return true;
}

bool is_whole_number(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool is_blank_line(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// A header of other column names: words only, and not a BED track or
// browser line.
bool is_words_only_header(const std::string& line)
{
    std::vector<std::string> words;
    split_blank_runs(words, line);
    if (words.empty() || words.front() == "track" || words.front() == "browser")
        return false;
    for (const std::string& word : words)
        if (is_whole_number(word))
            return false;
    return true;
}

// A gene of the suite's gene list: chromosome, id, start, end, name, with
// whole-number positions; a strand in field 5 (gene-loc) or field 6 (BED)
// says it is not one.
bool has_gene_list_shape(const std::string& line)
{
    std::vector<std::string> f;
    split_fields(f, line);
    std::int32_t start = 0, end = 0;
    if (f.size() < 5 || !parse_int32(f[2], start) || !parse_int32(f[3], end))
        return false;
    const auto strand = [](const std::string& s) { return s == "+" || s == "-"; };
    return !strand(f[4]) && !(f.size() >= 6 && (strand(f[5]) || f[5] == "."));
}

// One data line of the suite's gene list, as the four programs read it.
void take_gene_list_line(const std::string& line, const std::string& at, std::vector<std::string>& fields,
                         GeneInput& input)
{
    split_fields(fields, line);
    GeneLine parsed = gene_from_fields(fields);
    if (!parsed.warning.empty())
        input.notes.push_back(at + ": " + parsed.warning);
    if (parsed.usable)
        input.genes.push_back(std::move(parsed.gene));
}

// The rest of a gene list; `held` are the lines already read (the header
// first).
Status read_gene_list(LineSource& source, const std::vector<HeldLine>& held, GeneInput& input)
{
    input.format = kGeneListFormat;
    std::vector<std::string> fields;
    for (std::size_t i = 1; i < held.size(); ++i)
        take_gene_list_line(held[i].text, where(source.path(), held[i].number), fields, input);
    std::string_view view;
    std::string line;
    while (source.next(view)) {
        line.assign(view.data(), view.size());
        take_gene_list_line(line, source.where(), fields, input);
    }
    return source.status();
}

Status read_location_file(LineSource& source, const std::vector<HeldLine>& held, GeneInput& input)
{
    GeneLocationTable table;
    GeneLocationReader reader(source.path(), table);
    Status status;
    for (const HeldLine& line : held)
        if (!reader.done() && !(status = reader.take(line.text, line.number)))
            break;
    std::string_view view;
    while (status && !reader.done() && source.next(view))
        status = reader.take(view, source.line_number());
    if (status && !source.status())
        status = source.status();
    if (status)
        status = reader.finish();
    if (!status) {
        // A gene list without its header line shows as an unknown format on
        // its first line: say what is missing.
        const std::string unknown = where(source.path(), held.front().number) + ": not a gene location file";
        if (has_gene_list_shape(held.front().text) && status.message.compare(0, unknown.size(), unknown) == 0)
            status.message += "; a kesto gene list begins with a header line (chromosome, gene_id, start, end, "
                              "gene_name)";
        return status;
    }
    input.format = gene_format_name(table.format);
    input.other_features = table.other_features;
    input.unknown_chromosome = table.unknown_chromosome;
    input.unknown_chromosome_names = std::move(table.unknown_chromosome_names);
    input.genes.reserve(table.genes.size());
    for (const GeneLocation& location : table.genes)
        input.genes.push_back(gene_entry(location));
    return Status{};
}

} // namespace

GeneEntry gene_entry(const GeneLocation& location)
{
    // The location reader keeps positions within 32 bits.
    GeneEntry gene;
    gene.chromosome = location.chromosome;
    gene.start = static_cast<std::int32_t>(location.start);
    gene.end = static_cast<std::int32_t>(location.end);
    gene.name = location.name;
    gene.id = location.id;
    return gene;
}

Status read_gene_input(const std::string& path, GeneInput& input)
{
    input = GeneInput{};
    LineSource source;
    Status opened = source.open(path);
    if (!opened)
        return opened;
    // The first line, and after a words-only header the first line that is
    // not blank, decide between the gene list and the location formats.
    std::vector<HeldLine> held;
    std::string_view view;
    while (source.next(view)) {
        held.push_back({std::string(view), source.line_number()});
        if (held.size() > 1 && !is_blank_line(view))
            break;
        if (held.size() == 1) {
            std::vector<std::string> fields;
            split_fields(fields, held.front().text);
            if (is_gene_list_header(fields))
                return read_gene_list(source, held, input);
            if (!is_words_only_header(held.front().text))
                break;
        }
    }
    if (!source.status())
        return source.status();
    // An empty file, or a header with no gene under it, is an empty gene
    // list, as the four programs read it.
    const bool gene_list =
        held.empty() || (is_words_only_header(held.front().text) &&
                         (held.size() == 1 || is_blank_line(held.back().text) || has_gene_list_shape(held.back().text)));
    return gene_list ? read_gene_list(source, held, input) : read_location_file(source, held, input);
}

void log_gene_input(const std::string& path, const GeneInput& input, RunLog& log)
{
    log.setting("gene file format", input.format);
    if (input.other_features > 0)
        log.setting("gene file rows that are not genes", std::to_string(input.other_features) + " (left out)");
    if (input.unknown_chromosome > 0) {
        std::string names;
        for (const std::string& name : input.unknown_chromosome_names)
            names += (names.empty() ? "" : ", ") + name;
        if (input.unknown_chromosome > static_cast<long>(input.unknown_chromosome_names.size()))
            names += ", ...";
        log.warn("gene file chromosome", path + ": " + std::to_string(input.unknown_chromosome) +
                                             " left out, chromosome not understood (" + names + ")");
    }
    for (const std::string& note : input.notes)
        log.warn("gene list line", note);
    // A gene listed twice gives two rows that nothing tells apart.
    std::set<std::tuple<std::string, std::int32_t, std::int32_t, std::string>> seen;
    for (const GeneEntry& gene : input.genes) {
        if (!seen.emplace(gene.chromosome, gene.start, gene.end, gene.name).second)
            log.warn("gene repeated", path + (gene.line > 0 ? " line " + std::to_string(gene.line) : std::string()) +
                                          ": gene " + gene.name + " on chromosome " + gene.chromosome +
                                          " is listed again at the same place; each listing gives a row");
    }
}

} // namespace analysis
