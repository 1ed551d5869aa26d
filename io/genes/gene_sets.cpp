#include "gene_sets.h"

#include "line_source.h"

#include <fstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

bool blank_line(std::string_view line)
{
    for (char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// MSigDB puts a web address where a description would go; the set name
// reads better in a result.
bool useful_description(std::string_view text)
{
    return !text.empty() && text != "NA" && text != "na" && text != "." && text.substr(0, 7) != "http://" &&
           text.substr(0, 8) != "https://";
}

} // namespace

Status read_gene_sets(const std::string& path, GeneSetTable& table)
{
    table = GeneSetTable{};
    LineSource source;
    Status status = source.open(path);
    if (!status.ok())
        return status;
    std::string_view line;
    while (source.next(line)) {
        if (blank_line(line))
            continue;
        std::vector<std::string_view> fields;
        std::size_t start = 0;
        while (true) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(trim(line.substr(start, tab == std::string_view::npos ? std::string_view::npos
                                                                                     : tab - start)));
            if (tab == std::string_view::npos)
                break;
            start = tab + 1;
        }
        if (fields.size() < 2)
            return Status(StatusCode::Malformed,
                          source.where() + ": a gene set needs a name and a description, tab-separated (GMT file)");
        if (fields[0].empty())
            return Status(StatusCode::Malformed, source.where() + ": a gene set without a name (GMT file)");
        GeneSet set;
        set.line = source.line_number();
        set.id.assign(fields[0]);
        set.name.assign(useful_description(fields[1]) ? fields[1] : fields[0]);
        for (std::size_t i = 2; i < fields.size(); ++i)
            if (!fields[i].empty())
                set.members.emplace_back(fields[i]);
        table.sets.push_back(std::move(set));
    }
    return source.status();
}

void match_gene_sets(GeneSetTable& table, const GeneLocationTable& genes)
{
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> name_of_id;
    for (const GeneLocation& g : genes.genes) {
        names.insert(g.name);
        name_of_id.emplace(g.id, g.name);
    }
    for (GeneSet& set : table.sets) {
        set.missing_members = 0;
        set.members_by_id = 0;
        for (std::string& member : set.members) {
            if (names.count(member))
                continue;
            const auto by_id = name_of_id.find(member);
            if (by_id != name_of_id.end()) {
                member = by_id->second;
                ++set.members_by_id;
            } else {
                ++set.missing_members;
            }
        }
    }
}

void write_pathway_file(std::ostream& out, const GeneSetTable& table)
{
    for (const GeneSet& set : table.sets) {
        out << set.id << '\t' << set.name;
        for (const std::string& member : set.members)
            out << '\t' << member;
        out << '\n';
    }
}

Status write_pathway_file(const std::string& path, const GeneSetTable& table)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return Status(StatusCode::WriteError, path + ": cannot be created");
    write_pathway_file(out, table);
    out.close();
    if (!out)
        return Status(StatusCode::WriteError, path + ": write error");
    return Status{};
}
