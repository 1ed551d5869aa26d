#include "pathway_regions.h"

#include "chromosome_name.h"
#include "numbers.h"

#include <algorithm>

std::vector<GeneEntry> match_members(const std::vector<GeneEntry>& genes, const std::vector<std::string>& members)
{
    std::vector<GeneEntry> regions;
    for (const GeneEntry& gene : genes) {
        for (const std::string& member : members) {
            if (gene.name != member)
                continue;
            GeneEntry copy = gene;
            copy.chromosome = chromosome_text(gene.chromosome);
            regions.push_back(std::move(copy));
        }
    }
    return regions;
}

bool chromosome_before(const std::string& a, const std::string& b)
{
    std::int32_t na = 0, nb = 0;
    const bool a_number = parse_int32(a, na);
    const bool b_number = parse_int32(b, nb);
    if (a_number && b_number)
        return na < nb;
    if (a_number != b_number)
        return a_number;
    return a < b;
}

void sort_regions(std::vector<GeneEntry>& regions)
{
    std::stable_sort(regions.begin(), regions.end(), [](const GeneEntry& x, const GeneEntry& y) {
        if (x.chromosome != y.chromosome)
            return chromosome_before(x.chromosome, y.chromosome);
        if (x.start != y.start)
            return x.start < y.start;
        return x.end < y.end;
    });
}

std::vector<GeneEntry> merge_neighbours(const std::vector<GeneEntry>& sorted, std::int32_t margin)
{
    std::vector<GeneEntry> merged;
    for (const GeneEntry& next : sorted) {
        if (!merged.empty()) {
            GeneEntry& last = merged.back();
            // Widened so that positions near the 32-bit limits cannot overflow.
            const std::int64_t reach = static_cast<std::int64_t>(last.end) + margin;
            const std::int64_t approach = static_cast<std::int64_t>(next.start) - margin;
            if (last.chromosome == next.chromosome && approach <= reach) {
                last.end = std::max(last.end, next.end);
                continue;
            }
        }
        merged.push_back(next);
    }
    return merged;
}

std::vector<GeneEntry> pathway_regions(const std::vector<GeneEntry>& genes, const std::vector<std::string>& members,
                                       std::int32_t margin)
{
    std::vector<GeneEntry> regions = match_members(genes, members);
    sort_regions(regions);
    return merge_neighbours(regions, margin);
}
