#include "chromosome_name.h"
#include "loaded_chromosome.h"
#include "parallel.h"
#include "pathway_evaluation.h"
#include "pathway_regions.h"
#include "runs.h"
#include "table_format.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace analysis {

namespace {

using RegionKey = std::tuple<std::string, std::int32_t, std::int32_t>;

struct PathwayPlan {
    long members_found = 0;
    std::vector<RegionKey> regions;
};

PathwayPlan plan_pathway(const TableSource& source, const std::vector<GeneEntry>& genes,
                         const std::set<std::string>& gene_names, const PathwayLine& pathway,
                         std::int32_t margin)
{
    PathwayPlan plan;
    for (const std::string& member : pathway.members)
        plan.members_found += gene_names.count(member) > 0 ? 1 : 0;
    for (const GeneEntry& region : pathway_regions(genes, pathway.members, margin))
        plan.regions.emplace_back(source.name_of(region.chromosome), region.start, region.end);
    return plan;
}

// The region result in the form the pathway sums are formed from.
RegionOutcome as_outcome(const RegionResult& r)
{
    RegionOutcome o;
    o.ncritical = r.ncritical;
    o.nsignificant = static_cast<float>(r.nsignificant);
    o.regional_p = static_cast<float>(r.regional_p);
    switch (r.state) {
    case RegionState::Ok: o.status = RegionStatus::Computed; break;
    case RegionState::NoSnps: o.status = RegionStatus::Empty; break;
    case RegionState::ReferenceMissing: o.status = RegionStatus::MissingFile; break;
    case RegionState::BadReference: o.status = RegionStatus::BadInput; break;
    }
    return o;
}

PathwayRow pathway_row(const PathwayLine& pathway, const PathwayPlan& plan,
                       const std::map<RegionKey, RegionResult>& results, float alpha)
{
    PathwayRow row;
    row.id = pathway.id;
    row.name = pathway.name;
    row.members = static_cast<long>(pathway.members.size());
    row.members_found = plan.members_found;
    row.regions = static_cast<long>(plan.regions.size());
    std::vector<RegionOutcome> outcomes;
    long nsnps = 0;
    RegionState first_failure = RegionState::Ok;
    for (const RegionKey& key : plan.regions) {
        const RegionResult& r = results.at(key);
        outcomes.push_back(as_outcome(r));
        if (unevaluated(r.state)) {
            if (first_failure == RegionState::Ok)
                first_failure = r.state;
            continue;
        }
        ++row.regions_evaluated;
        nsnps += r.nsnps;
    }
    if (plan.regions.empty()) {
        row.status = "no_members";
        return row;
    }
    if (row.regions_evaluated == 0) {
        row.status = state_name(first_failure);
        return row;
    }
    row.nsnps = nsnps;
    if (nsnps == 0) {
        row.status = row.regions_evaluated < row.regions ? "partial" : "no_snps";
        return row;
    }
    const PathwayResult sums = combine_regions(outcomes, alpha);
    row.ncritical = sums.ncritical;
    row.nsignificant = static_cast<double>(sums.nsignificant);
    row.regional_p = static_cast<double>(sums.regional_p);
    row.status = row.regions_evaluated < row.regions ? "partial" : "ok";
    return row;
}

} // namespace

Status run_pathways(TableSource& source, const std::vector<GeneEntry>& genes,
                    const std::vector<PathwayLine>& pathways, const AnalysisSettings& settings, int threads,
                    const RunHooks& hooks, RunLog& log, RunTally& tally)
{
    std::set<std::string> gene_names;
    for (const GeneEntry& gene : genes)
        gene_names.insert(gene.name);
    std::vector<PathwayPlan> plans;
    std::map<std::string, std::vector<RegionKey>> by_chromosome;
    std::map<RegionKey, RegionResult> results;
    for (const PathwayLine& pathway : pathways) {
        plans.push_back(plan_pathway(source, genes, gene_names, pathway, settings.merge_distance));
        const long unmatched = static_cast<long>(pathway.members.size()) - plans.back().members_found;
        if (unmatched > 0)
            log.warn("unmatched members", "gene sets with members missing from the gene list (first: " +
                                              pathway.id + ", " + std::to_string(unmatched) + " of " +
                                              std::to_string(pathway.members.size()) + ")");
        for (const RegionKey& key : plans.back().regions)
            if (results.emplace(key, RegionResult{}).second)
                by_chromosome[std::get<0>(key)].push_back(key);
    }

    std::vector<std::string> order;
    for (const auto& entry : by_chromosome)
        order.push_back(entry.first);
    std::sort(order.begin(), order.end(), chromosome_before);
    LoadedChromosome loaded(source, log, tally);
    const long total = static_cast<long>(results.size());
    long done = 0;
    for (const std::string& chromosome : order) {
        const std::vector<RegionKey>& keys = by_chromosome[chromosome];
        RegionState failed = RegionState::Ok;
        const ChromosomeTable* table = loaded.get(chromosome, failed);
        std::vector<RegionResult> computed(keys.size());
        parallel_for(keys.size(), threads, [&](std::size_t k) {
            if (table == nullptr) {
                computed[k].state = failed;
                return;
            }
            computed[k] = evaluate_gene_region(*table, std::get<1>(keys[k]), std::get<2>(keys[k]), settings);
        });
        for (std::size_t k = 0; k < keys.size(); ++k)
            results[keys[k]] = computed[k];
        done += static_cast<long>(keys.size());
        if (hooks.progress)
            hooks.progress(done, total);
    }

    const float alpha = static_cast<float>(settings.alpha);
    for (std::size_t i = 0; i < pathways.size(); ++i) {
        const PathwayRow row = pathway_row(pathways[i], plans[i], results, alpha);
        ++tally.statuses[row.status];
        if (row.status != "ok" && row.status != "no_snps" && row.status != "no_members")
            tally.unevaluated.push_back(pathways[i].id + " (" + std::to_string(row.regions - row.regions_evaluated) +
                                        " of " + std::to_string(row.regions) + " regions not evaluated)");
        const Status written = hooks.row(pathway_line(row));
        if (!written)
            return written;
    }
    return {};
}

} // namespace analysis
