#include "pathways.h"

#include "labels.h"
#include "random.h"

#include <algorithm>
#include <utility>

namespace {

using Pair = std::pair<std::size_t, std::size_t>;

// Consecutive genes on a chromosome with the gap from the furthest end so far
// to the next start; the pair is (gene reaching that end, next gene).
void neighbour_pairs(const std::vector<Gene>& genes, std::vector<Pair>& close, std::vector<Pair>& just_above)
{
    std::size_t reach = 0;
    for (std::size_t i = 1; i < genes.size(); ++i) {
        if (genes[i].chromosome != genes[i - 1].chromosome) {
            reach = i;
            continue;
        }
        const std::int64_t gap = genes[i].start - genes[reach].end;
        if (gap < 50000)
            close.emplace_back(reach, i);
        else if (gap <= 50400)
            just_above.emplace_back(reach, i);
        if (genes[i].end > genes[reach].end)
            reach = i;
    }
}

const char* const kTopics[] = {"signalling", "metabolism", "transport", "dna_repair", "immune_response",
                               "cell_cycle", "apoptosis", "lipid_synthesis", "ion_channels", "development"};

} // namespace

std::vector<Pathway> make_pathways(std::uint64_t seed, const std::vector<Gene>& genes, int count)
{
    Rng rng(seed, kStreamPathways);
    std::vector<Pair> close, just_above;
    neighbour_pairs(genes, close, just_above);

    const int width = label_width(count, 3);

    std::vector<Pathway> out(count);
    std::vector<std::size_t> previous;
    for (int p = 0; p < count; ++p) {
        Pathway& pw = out[p];
        pw.id = zero_padded("PW", p + 1, width);
        pw.name = zero_padded("pathway_", p + 1, width) + "_" + kTopics[rng.below(std::size(kTopics))];
        if (p == count - 1) {
            const int absent = 2 + static_cast<int>(rng.below(3));
            for (int k = 1; k <= absent; ++k)
                pw.members.push_back("NOSUCH" + std::to_string(k));
            break;
        }

        std::vector<std::size_t> chosen;
        auto add = [&](std::size_t g) {
            if (std::find(chosen.begin(), chosen.end(), g) == chosen.end())
                chosen.push_back(g);
        };
        if (p % 3 == 0 && !close.empty()) {
            const Pair& pair = close[rng.below(close.size())];
            add(pair.first);
            add(pair.second);
        }
        if (p == 1 && !just_above.empty()) {
            add(just_above.front().first);
            add(just_above.front().second);
        }
        if (p % 4 == 3 && !previous.empty())
            add(previous[rng.below(previous.size())]);
        const std::size_t size = std::min<std::size_t>(genes.size(), 2 + rng.below(11));
        while (chosen.size() < size)
            add(rng.below(genes.size()));

        for (std::size_t g : chosen)
            pw.members.push_back(genes[g].name);
        if (p == 2)
            pw.members.insert(pw.members.begin() + static_cast<long>(rng.below(pw.members.size() + 1)), "NOSUCH0");
        previous = chosen;
    }
    return out;
}
