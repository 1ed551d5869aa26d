#include "overlapped_consumer.h"
#include "span_batches.h"
#include "pathway_evaluation.h"
#include "pathway_regions.h"
#include "runs.h"
#include "table_format.h"

#include <set>
#include <tuple>

namespace analysis {

namespace {

using RegionKey = std::tuple<std::string, std::int32_t, std::int32_t>;

struct PathwayPlan {
    std::set<std::string> members;  // each gene once, however often listed
    std::string repeated;           // a member listed more than once
    long members_found = 0;
    std::vector<RegionKey> regions;
};

PathwayPlan plan_pathway(const TableSource& source, const std::vector<GeneEntry>& genes,
                         const std::set<std::string>& listed, const PathwayLine& pathway, std::int32_t margin)
{
    PathwayPlan plan;
    for (const std::string& member : pathway.members)
        if (!plan.members.insert(member).second && plan.repeated.empty())
            plan.repeated = member;
    for (const std::string& member : plan.members)
        plan.members_found += listed.count(member) > 0 ? 1 : 0;
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
    row.members = static_cast<long>(plan.members.size());
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
    const bool partial = row.regions_evaluated < row.regions;
    if (nsnps == 0) {
        row.status = partial ? "partial" : "no_snps";
        return row;
    }
    const PathwayResult sums = combine_regions(outcomes, alpha);
    row.ncritical = sums.ncritical;
    row.nsignificant = static_cast<double>(sums.nsignificant);
    row.regional_p = static_cast<double>(sums.regional_p);
    row.status = partial ? "partial" : "ok";
    return row;
}

// Computes every distinct merged region once, on the chromosome the source
// hands over; the pathway rows are formed when all are done.
class PathwayRun : public ChromosomeConsumer {
public:
    PathwayRun(const AnalysisSettings& settings, int threads, const RunHooks& hooks, RunLog& log, RunTally& tally)
        : settings_(settings), threads_(threads), hooks_(hooks), log_(log), tally_(tally)
    {
    }

    void add(const RegionKey& key)
    {
        if (results_.emplace(key, RegionResult{}).second)
            by_chromosome_[std::get<0>(key)].push_back(key);
    }

    bool wants(const std::string& chromosome) const override { return by_chromosome_.count(chromosome) > 0; }

    Status take(ChromosomeTable& table) override
    {
        ++tally_.chromosome_loads;
        note_pvalues(log_, table);
        const std::vector<RegionKey>& keys = by_chromosome_.at(table.chromosome);
        std::vector<SnpSpan> spans;
        for (const RegionKey& key : keys)
            spans.push_back(gene_span(table, std::get<1>(key), std::get<2>(key), settings_));
        std::vector<RegionResult> computed;
        evaluate_spans(table, spans, settings_, threads_, computed, nullptr);
        for (std::size_t k = 0; k < keys.size(); ++k)
            results_[keys[k]] = computed[k];
        return done(table.chromosome);
    }

    Status unreadable(const std::string& chromosome, const std::string& message) override
    {
        note_unreadable(log_, chromosome, message);
        return settle(chromosome, RegionState::BadReference);
    }

    Status finish(const TableSource& source)
    {
        for (const auto& entry : by_chromosome_)
            if (seen_.count(entry.first) == 0) {
                note_missing(log_, source, entry.first);
                const Status settled = settle(entry.first, RegionState::ReferenceMissing);
                if (!settled)
                    return settled;
            }
        return {};
    }

    const std::map<RegionKey, RegionResult>& results() const { return results_; }

private:
    Status settle(const std::string& chromosome, RegionState state)
    {
        for (const RegionKey& key : by_chromosome_.at(chromosome))
            results_[key].state = state;
        return done(chromosome);
    }

    Status done(const std::string& chromosome)
    {
        seen_.insert(chromosome);
        finished_ += static_cast<long>(by_chromosome_.at(chromosome).size());
        if (hooks_.progress)
            hooks_.progress(finished_, static_cast<long>(results_.size()));
        return {};
    }

    const AnalysisSettings& settings_;
    int threads_;
    const RunHooks& hooks_;
    RunLog& log_;
    RunTally& tally_;
    std::map<RegionKey, RegionResult> results_;
    std::map<std::string, std::vector<RegionKey>> by_chromosome_;
    std::set<std::string> seen_;
    long finished_ = 0;
};

} // namespace

Status run_pathways(TableSource& source, const std::vector<GeneEntry>& genes, const std::set<std::string>& listed,
                    const std::vector<PathwayLine>& pathways, const AnalysisSettings& settings, int threads,
                    const RunHooks& hooks, RunLog& log, RunTally& tally)
{
    std::set<std::string> chosen;
    for (const GeneEntry& gene : genes)
        chosen.insert(gene.name);
    PathwayRun run(settings, threads, hooks, log, tally);
    std::vector<PathwayPlan> plans;
    long elsewhere = 0;
    for (const PathwayLine& pathway : pathways) {
        plans.push_back(plan_pathway(source, genes, listed, pathway, settings.merge_distance));
        const PathwayPlan& plan = plans.back();
        for (const std::string& member : plan.members)
            elsewhere += listed.count(member) > 0 && chosen.count(member) == 0 ? 1 : 0;
        const long unmatched = static_cast<long>(plan.members.size()) - plan.members_found;
        if (unmatched > 0)
            log.warn("unmatched members", "gene sets with members missing from the gene list (first: " + pathway.id +
                                              ", " + std::to_string(unmatched) + " of " +
                                              std::to_string(plan.members.size()) + ")");
        if (!plan.repeated.empty())
            log.warn("repeated members", "gene sets listing a member more than once, counted once (first: " +
                                             pathway.id + ", " + plan.repeated + ")");
        for (const RegionKey& key : plans.back().regions)
            run.add(key);
    }
    if (elsewhere > 0)
        log.setting("gene-set members on chromosomes not chosen (left out)", std::to_string(elsewhere));
    Status status = feed_overlapped(source, run, threads > 1);
    if (status)
        status = run.finish(source);
    if (!status)
        return status;

    const float alpha = static_cast<float>(settings.alpha);
    for (std::size_t i = 0; i < pathways.size(); ++i) {
        const PathwayRow row = pathway_row(pathways[i], plans[i], run.results(), alpha);
        ++tally.statuses[row.status];
        if (row.regions_evaluated < row.regions)
            tally.unevaluated.push_back(pathways[i].id + " (" + std::to_string(row.regions - row.regions_evaluated) +
                                        " of " + std::to_string(row.regions) + " regions not evaluated)");
        const Status written = hooks.row(pathway_line(row));
        if (!written)
            return written;
    }
    return {};
}

} // namespace analysis
