#include "prepared_source.h"

#include "chromosome_name.h"
#include "csvline.h"
#include "line_source.h"
#include "numbers.h"
#include "pathway_regions.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace analysis {

namespace {

// The chromosome of a file name "legend_chrC.txt" or "legend_chrC.txt.gz".
bool legend_chromosome(const std::string& name, const std::string& stem, std::string& chromosome)
{
    const std::string head = stem + "legend_chr";
    if (name.compare(0, head.size(), head) != 0)
        return false;
    std::string rest = name.substr(head.size());
    for (const char* tail : {".txt.gz", ".txt"}) {
        const std::string t = tail;
        if (rest.size() > t.size() && rest.compare(rest.size() - t.size(), t.size(), t) == 0) {
            chromosome = rest.substr(0, rest.size() - t.size());
            return is_safe_chromosome(chromosome);
        }
    }
    return false;
}

} // namespace

PreparedSource::PreparedSource(std::string legend_prefix, std::string genotype_prefix)
    : legend_prefix_(std::move(legend_prefix)), genotype_prefix_(std::move(genotype_prefix))
{
}

std::string PreparedSource::legend_path(const std::string& chromosome) const
{
    return existing_variant(legend_prefix_ + "legend_chr" + chromosome + ".txt");
}

std::string PreparedSource::genotype_path(const std::string& chromosome) const
{
    return existing_variant(genotype_prefix_ + "genotype_chr" + chromosome + ".txt");
}

std::vector<std::string> PreparedSource::chromosomes() const
{
    // The prefix is a folder followed by the start of a file name.
    const std::size_t slash = legend_prefix_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : legend_prefix_.substr(0, slash + 1);
    const std::string stem = slash == std::string::npos ? legend_prefix_ : legend_prefix_.substr(slash + 1);
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            std::string chromosome;
            if (legend_chromosome(entry->d_name, stem, chromosome) &&
                std::find(found.begin(), found.end(), chromosome) == found.end())
                found.push_back(chromosome);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end(), chromosome_before);
    return found;
}

Status read_legend_table(const std::string& path, ChromosomeTable& table, long& nonnumeric)
{
    LineSource source;
    Status opened = source.open(path);
    if (!opened)
        return opened;
    std::string_view view;
    if (!source.next(view))
        return source.status();
    std::vector<std::string> fields;
    std::string line;
    while (source.next(view)) {
        line.assign(view.data(), view.size());
        split_fields(fields, line);
        if (fields.size() < 3)
            return {StatusCode::Malformed, source.where() + ": expected at least 3 fields (id, position, p-value), found " +
                                               std::to_string(fields.size())};
        std::int32_t position = 0;
        if (!parse_int32(fields[1], position))
            return {StatusCode::Malformed,
                    source.where() + ": position '" + fields[1] + "' is not a whole number that fits in 32 bits"};
        if (!table.positions.empty() && position < table.positions.back())
            return {StatusCode::Malformed, source.where() + ": position " + fields[1] +
                                               " comes after a larger one; the legend must be in ascending "
                                               "position order"};
        bool is_number = false;
        const double p = atof_checked(fields[2], is_number);
        if (!is_number)
            ++nonnumeric;
        table.ids.push_back(fields[0]);
        table.positions.push_back(position);
        table.pvalues.push_back(is_number ? p : std::numeric_limits<double>::quiet_NaN());
    }
    return source.status();
}

// Reads a genotype file (plain or compressed, through the line source): a
// header of two labels and one column per individual, then one row per
// legend SNP of two labels and one whole-number code per individual (0, 1,
// 2; anything else counts as missing). Rows past the legend's SNPs are not
// read.
Status read_genotype_table(const std::string& path, ChromosomeTable& table)
{
    LineSource source;
    Status opened = source.open(path);
    if (!opened)
        return opened;
    std::string_view view;
    if (!source.next(view))
        return source.status().ok() ? Status(StatusCode::Malformed, path + ": empty genotype file") : source.status();
    std::vector<std::string> fields;
    split_fields(fields, std::string(view));
    const int samples = static_cast<int>(fields.size()) - 2;
    if (samples < 1)
        return {StatusCode::Malformed, source.where() + ": the header needs 2 leading fields and at least one "
                                                        "sample column, found " + std::to_string(fields.size()) +
                                           " fields"};
    table.codes = PackedCodes(samples);
    table.codes.reserve(table.snps());
    std::vector<std::int32_t> row(static_cast<std::size_t>(samples));
    while (table.codes.snps() < table.snps()) {
        if (!source.next(view)) {
            if (!source.status().ok())
                return source.status();
            return {StatusCode::Malformed, path + ": " + std::to_string(table.codes.snps()) +
                                               " genotype rows for " + std::to_string(table.snps()) +
                                               " legend SNPs"};
        }
        const char* p = view.data();
        const char* const end = p + view.size();
        int field = 0;
        while (p < end) {
            while (p < end && (*p == ' ' || *p == '\t'))
                ++p;
            if (p == end)
                break;
            const char* start = p;
            while (p < end && *p != ' ' && *p != '\t')
                ++p;
            if (field >= 2) {
                if (field - 2 >= samples)
                    return {StatusCode::Malformed, source.where() + ": more than " + std::to_string(samples) +
                                                       " codes"};
                std::int32_t code = 0;
                if (!parse_int32(std::string(start, p), code))
                    return {StatusCode::Malformed, source.where() + ": code '" + std::string(start, p) +
                                                       "' is not a whole number"};
                row[static_cast<std::size_t>(field - 2)] = code;
            }
            ++field;
        }
        if (field != samples + 2)
            return {StatusCode::Malformed, source.where() + ": expected 2 labels and " + std::to_string(samples) +
                                               " codes, found " + std::to_string(field) + " fields"};
        table.codes.add_row(row.data());
    }
    return {};
}

Status PreparedSource::feed(ChromosomeConsumer& consumer)
{
    for (const std::string& chromosome : chromosomes()) {
        if (!consumer.wants(chromosome))
            continue;
        ChromosomeTable table;
        const Status loaded = load(chromosome, table);
        const Status handed = loaded ? consumer.take(table) : consumer.unreadable(chromosome, loaded.message);
        if (!handed)
            return handed;
    }
    return {};
}

Status PreparedSource::load(const std::string& chromosome, ChromosomeTable& table) const
{
    table = ChromosomeTable{};
    table.chromosome = chromosome;
    if (!is_safe_chromosome(chromosome))
        return {StatusCode::NotFound, "chromosome name '" + chromosome + "' cannot name a reference file"};
    const std::string legend = legend_path(chromosome);
    Status read = read_legend_table(legend, table, table.missing_pvalues);
    if (!read)
        return read;
    return read_genotype_table(genotype_path(chromosome), table);
}

std::vector<std::string> PreparedSource::describe() const
{
    return {"reference: prepared files, legend prefix '" + legend_prefix_ + "', genotype prefix '" +
            genotype_prefix_ + "'"};
}

} // namespace analysis
