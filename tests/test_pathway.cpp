#include "pathway_evaluation.h"
#include "regional_pvalues.h"
#include "pathway_regions.h"
#include "regional_pvalues.h"
#include "result_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

GeneEntry gene(const std::string& chromosome, std::int32_t start, std::int32_t end, const std::string& name)
{
    GeneEntry g;
    g.chromosome = chromosome;
    g.start = start;
    g.end = end;
    g.name = name;
    return g;
}

// Regions as "chromosome:start-end" for compact comparison.
std::vector<std::string> spans(const std::vector<GeneEntry>& regions)
{
    std::vector<std::string> out;
    for (const GeneEntry& r : regions)
        out.push_back(r.chromosome + ":" + std::to_string(r.start) + "-" + std::to_string(r.end));
    return out;
}

std::vector<std::string> merged_spans(const std::vector<GeneEntry>& genes)
{
    std::vector<std::string> members;
    for (const GeneEntry& g : genes)
        members.push_back(g.name);
    return spans(pathway_regions(genes, members));
}

// ---------------------------------------------------------------- p-value

TEST(PathwayP, WorkedValuesAtAlphaFivePercent)
{
    const float alpha = 0.05f;
    EXPECT_EQ(format_number(pathway_tail(3, alpha, 1.0f)), "0.142625");
    EXPECT_EQ(format_number(pathway_tail(3, alpha, 2.0f)), "0.00725");
    EXPECT_EQ(format_number(pathway_p(3, 1.5f, alpha)), "0.0749375");
    EXPECT_EQ(format_number(pathway_p(3, 1.0f, alpha)), "0.142625");

    EXPECT_EQ(format_number(pathway_tail(5, alpha, 2.0f)), "0.0225925");
    EXPECT_EQ(format_number(pathway_tail(5, alpha, 3.0f)), "0.00115813");
    EXPECT_EQ(format_number(pathway_p(5, 2.25f, alpha)), "0.0172339");

    EXPECT_EQ(format_number(pathway_p(1, 1.0f, alpha)), "0.05");
    EXPECT_EQ(format_number(pathway_p(2, 0.5f, alpha)), "0.54875");
}

TEST(PathwayP, WholeSumsAreNotInterpolatedAndHalvesLieMidway)
{
    const float alpha = 0.05f;
    EXPECT_EQ(pathway_p(5, 2.0f, alpha), pathway_tail(5, alpha, 2.0f));
    const float t2 = pathway_tail(5, alpha, 2.0f);
    const float t3 = pathway_tail(5, alpha, 3.0f);
    EXPECT_EQ(pathway_p(5, 2.5f, alpha), 0.5f * (t3 - t2) + t2);
}

TEST(PathwayP, NothingFoundGivesOne)
{
    EXPECT_EQ(pathway_p(0, 0.0f, 0.05f), 1.0f);
    EXPECT_EQ(pathway_p(4, 0.0f, 0.05f), 1.0f);
}

TEST(PathwayP, SumsOutsideZeroToNAreHeldAtTheEnds)
{
    // Float accumulation can end just above a whole n; the tail must not be
    // asked beyond n (the binomial would refuse it).
    const float above = std::nextafter(3.0f, 4.0f);
    float p = 0.0f;
    EXPECT_NO_THROW(p = pathway_p(3, above, 0.05f));
    EXPECT_EQ(p, pathway_tail(3, 0.05f, 3.0f));
    EXPECT_EQ(format_number(p), "0.000125");
    EXPECT_NO_THROW(p = pathway_p(3, 7.0f, 0.05f));
    EXPECT_EQ(p, pathway_tail(3, 0.05f, 3.0f));

    EXPECT_EQ(pathway_tail(3, 0.05f, -1.0f), 1.0f);
    EXPECT_NO_THROW(p = pathway_p(3, -0.25f, 0.05f));
    EXPECT_EQ(p, 1.0f);
    EXPECT_NO_THROW(p = pathway_p(0, 0.5f, 0.05f));
    EXPECT_EQ(p, 1.0f);
}

TEST(PathwayP, AlphaAtTheEndsOfItsRange)
{
    EXPECT_EQ(pathway_p(4, 0.0f, 0.0f), 1.0f);
    EXPECT_EQ(pathway_p(4, 4.0f, 1.0f), 1.0f);
    EXPECT_EQ(pathway_p(4, 2.5f, 1.0f), 1.0f);
}

TEST(PathwayP, TailNarrowedToZeroFallsBackToTheDensity)
{
    // 0.9^1000 is about 1.7e-46: a double keeps it, a float cannot. The
    // pathway works in float, so it falls back where the region engine's
    // double-width p-value does not.
    const float alpha = 0.9f;
    EXPECT_EQ(pathway_tail(1000, alpha, 1000.0f), 0.0f);
    const double region_width = regional_p(1000, 1000.0, alpha);
    EXPECT_GT(region_width, 1e-47);
    EXPECT_LT(region_width, 1e-45);

    const float mean = 1000.0f * alpha;
    const float z = (1000.0f - mean) / std::sqrt((1.0f - alpha) * mean);
    const float p = pathway_p(1000, 1000.0f, alpha);
    EXPECT_EQ(p, integrand(z * z));
    // Independent check in double: z is about 10.54, density about 2.9e-26.
    const double zd = 100.0 / std::sqrt(90.0);
    const double density = std::exp(-zd * zd / 2) / std::sqrt(2 * 3.14159265358979 * zd * zd);
    EXPECT_NEAR(p / density, 1.0, 1e-4);
}

TEST(PathwayP, TinyButNonzeroTailIsKept)
{
    // 0.9^960 is about 1.2e-44, a subnormal float: kept, not replaced.
    const float alpha = 0.9f;
    const float tail = pathway_tail(960, alpha, 960.0f);
    EXPECT_GT(tail, 0.0f);
    EXPECT_LT(tail, std::numeric_limits<float>::min());
    EXPECT_EQ(pathway_p(960, 960.0f, alpha), tail);
}

TEST(PathwayP, DensityUnderflowGivesZero)
{
    // Tail and density both vanish in float: z^2 is far above 200.
    EXPECT_EQ(pathway_p(200, 200.0f, 0.05f), 0.0f);
}

TEST(PathwayP, DensityIsTheRegionEnginesIntegrand)
{
    EXPECT_EQ(format_number(integrand(1.0f)), "0.241971");
    EXPECT_EQ(format_number(integrand(4.0f)), "0.0269955");
}

// ---------------------------------------------------------------- matching

TEST(MemberMatching, FollowsTheGeneTableAndCopiesOncePerMatchingMember)
{
    const std::vector<GeneEntry> genes = {gene("1", 100, 200, "A"), gene("1", 300, 400, "B"),
                                          gene("2", 500, 600, "A"), gene("1", 700, 800, "c")};
    // Table order, not member order; both entries named A enter.
    EXPECT_EQ(spans(match_members(genes, {"B", "A"})), (Names{"1:100-200", "1:300-400", "2:500-600"}));
    // A member listed twice gives two copies side by side.
    EXPECT_EQ(spans(match_members(genes, {"B", "B"})), (Names{"1:300-400", "1:300-400"}));
    // Whole text, case-sensitive, nothing trimmed.
    EXPECT_TRUE(match_members(genes, {"C", "a", " A", "B "}).empty());
    EXPECT_TRUE(match_members(genes, {}).empty());
    EXPECT_TRUE(match_members({}, {"A"}).empty());
}

TEST(MemberMatching, EmptyMemberMatchesOnlyAnEmptyName)
{
    const std::vector<GeneEntry> genes = {gene("1", 100, 200, "A"), gene("1", 300, 400, "")};
    EXPECT_EQ(spans(match_members(genes, {""})), (Names{"1:300-400"}));
}

TEST(MemberMatching, ChromosomesTakeTheirFileNameForm)
{
    const std::vector<GeneEntry> genes = {gene("chr07", 1, 2, "A"), gene("CHRX", 3, 4, "B"), gene("MT", 5, 6, "C")};
    const std::vector<GeneEntry> regions = match_members(genes, {"A", "B", "C"});
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[0].chromosome, "7");
    EXPECT_EQ(regions[1].chromosome, "X");
    EXPECT_EQ(regions[2].chromosome, "MT");
    EXPECT_EQ(genes[0].chromosome, "chr07");  // the table itself is untouched
}

// ---------------------------------------------------------------- sorting

TEST(RegionOrder, NumberedChromosomesByNumberThenNamedByText)
{
    EXPECT_TRUE(chromosome_before("2", "10"));
    EXPECT_FALSE(chromosome_before("10", "2"));
    EXPECT_TRUE(chromosome_before("22", "X"));
    EXPECT_TRUE(chromosome_before("MT", "X"));
    EXPECT_TRUE(chromosome_before("X", "Y"));
    EXPECT_FALSE(chromosome_before("X", "X"));
    EXPECT_FALSE(chromosome_before("3", "3"));
}

TEST(RegionOrder, StableSortByChromosomeStartEnd)
{
    std::vector<GeneEntry> regions = {gene("X", 5, 9, "x"),    gene("10", 1, 2, "ten"), gene("2", 50, 60, "late"),
                                      gene("2", 10, 30, "long"), gene("2", 10, 20, "short"), gene("2", 10, 20, "twin")};
    sort_regions(regions);
    std::vector<std::string> names;
    for (const GeneEntry& r : regions)
        names.push_back(r.name);
    EXPECT_EQ(names, (Names{"short", "twin", "long", "late", "ten", "x"}));
}

// ---------------------------------------------------------------- merging

TEST(Merging, GapOfTwiceTheMarginMergesOneMoreDoesNot)
{
    EXPECT_EQ(kMergeMargin, 25000);
    EXPECT_EQ(merged_spans({gene("1", 1000, 2000, "A"), gene("1", 52000, 53000, "B")}), (Names{"1:1000-53000"}));
    EXPECT_EQ(merged_spans({gene("1", 1000, 2000, "A"), gene("1", 52001, 53000, "B")}),
              (Names{"1:1000-2000", "1:52001-53000"}));
}

TEST(Merging, GeneInsideItsPredecessorKeepsThePredecessorsEnd)
{
    const std::vector<GeneEntry> regions =
        pathway_regions({gene("1", 1000, 100000, "OUTER"), gene("1", 5000, 6000, "INNER")}, {"INNER", "OUTER"});
    EXPECT_EQ(spans(regions), (Names{"1:1000-100000"}));
    EXPECT_EQ(regions[0].name, "OUTER");  // the first entry's fields stay
}

TEST(Merging, ChainOfThreeCollapsesToFirstStartAndLargestEnd)
{
    EXPECT_EQ(merged_spans({gene("1", 0, 1000, "A"), gene("1", 40000, 90000, "B"), gene("1", 80000, 85000, "C")}),
              (Names{"1:0-90000"}));
    EXPECT_EQ(merged_spans({gene("1", 0, 1000, "A"), gene("1", 40000, 41000, "B"), gene("1", 80000, 85000, "C"),
                            gene("1", 200000, 201000, "D")}),
              (Names{"1:0-85000", "1:200000-201000"}));
}

TEST(Merging, GeneReachedOnlyThroughAnEarlierLongGeneStillMerges)
{
    // C is far from B but lies inside A, which B already joined.
    EXPECT_EQ(merged_spans({gene("1", 0, 200000, "A"), gene("1", 10000, 20000, "B"), gene("1", 150000, 160000, "C")}),
              (Names{"1:0-200000"}));
}

TEST(Merging, MemberListedTwiceIsEvaluatedOnce)
{
    EXPECT_EQ(spans(pathway_regions({gene("1", 100, 200, "A")}, {"A", "A"})), (Names{"1:100-200"}));
}

TEST(Merging, DifferentChromosomesNeverMerge)
{
    const std::vector<GeneEntry> genes = {gene("1", 1000, 2000, "A"), gene("2", 1000, 2000, "B"),
                                          gene("chr1", 3000, 4000, "C"), gene("X", 1500, 1600, "D")};
    EXPECT_EQ(spans(pathway_regions(genes, {"A", "B"})), (Names{"1:1000-2000", "2:1000-2000"}));
    // "chr1" and "1" name the same chromosome.
    EXPECT_EQ(spans(pathway_regions(genes, {"A", "C"})), (Names{"1:1000-4000"}));
    EXPECT_EQ(spans(pathway_regions(genes, {"D", "B", "A"})), (Names{"1:1000-2000", "2:1000-2000", "X:1500-1600"}));
}

TEST(Merging, GeneListOrderDoesNotChangeTheRegions)
{
    std::vector<GeneEntry> genes = {gene("1", 1000, 2000, "A"),     gene("1", 30000, 40000, "B"),
                                    gene("1", 35000, 36000, "C"),   gene("2", 1000, 2000, "D"),
                                    gene("1", 500000, 510000, "E"), gene("1", 100000, 150000, "F")};
    const Names members = {"A", "B", "C", "D", "E", "F"};
    const Names expected = {"1:1000-40000", "1:100000-150000", "1:500000-510000", "2:1000-2000"};
    std::sort(genes.begin(), genes.end(), [](const GeneEntry& x, const GeneEntry& y) { return x.name < y.name; });
    int orders = 0;
    do {
        ASSERT_EQ(spans(pathway_regions(genes, members)), expected);
        ++orders;
    } while (std::next_permutation(genes.begin(), genes.end(),
                                   [](const GeneEntry& x, const GeneEntry& y) { return x.name < y.name; }));
    EXPECT_EQ(orders, 720);
}

TEST(Merging, PositionsNearThe32BitLimitsDoNotWrap)
{
    const std::int32_t top = std::numeric_limits<std::int32_t>::max();
    const std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(merged_spans({gene("1", 0, top - 1000, "A"), gene("1", top - 500, top, "B")}),
              (Names{"1:0-" + std::to_string(top)}));
    EXPECT_EQ(merged_spans({gene("1", bottom, bottom + 10, "A"), gene("1", top - 10, top, "B")}).size(), 2u);
}

TEST(Merging, NothingToMerge)
{
    EXPECT_TRUE(merge_neighbours({}).empty());
    EXPECT_EQ(spans(merge_neighbours({gene("1", 5, 10, "A")})), (Names{"1:5-10"}));
}

// ---------------------------------------------------------------- sums

RegionOutcome outcome(int ncritical, float nsignificant, float p, RegionStatus status = RegionStatus::Computed)
{
    RegionOutcome o;
    o.ncritical = ncritical;
    o.nsignificant = nsignificant;
    o.regional_p = p;
    o.status = status;
    return o;
}

TEST(PathwaySums, TwoRegionsGiveTheWorkedRow)
{
    const PathwayResult r = combine_regions({outcome(1, 0.5f, 0.525f), outcome(2, 1.0f, 0.0975f)}, 0.05f);
    EXPECT_EQ(format_number(r.ncritical), "3");
    EXPECT_EQ(format_number(r.nsignificant), "1.5");
    EXPECT_EQ(format_number(r.regional_p), "0.0749375");
    EXPECT_EQ(r.regions, 2);
    EXPECT_EQ(r.unevaluated, 0);
}

TEST(PathwaySums, NoRegionGivesZeroZeroOne)
{
    const PathwayResult r = combine_regions({}, 0.05f);
    EXPECT_EQ(r.ncritical, 0);
    EXPECT_EQ(r.nsignificant, 0.0f);
    EXPECT_EQ(r.regional_p, 1.0f);
    EXPECT_EQ(r.regions, 0);
}

TEST(PathwaySums, RegionsWithoutResultAreCountedNotAdded)
{
    const PathwayResult r = combine_regions({outcome(0, 0.0f, 0.0f, RegionStatus::MissingFile),
                                             outcome(1, 1.0f, 0.05f),
                                             outcome(0, 0.0f, -1.0f, RegionStatus::Empty),
                                             outcome(7, 3.0f, 0.0f, RegionStatus::BadInput)},
                                            0.05f);
    EXPECT_EQ(r.ncritical, 1);
    EXPECT_EQ(r.nsignificant, 1.0f);
    EXPECT_EQ(format_number(r.regional_p), "0.05");
    EXPECT_EQ(r.regions, 4);
    EXPECT_EQ(r.unevaluated, 2);  // the empty region was evaluated
}

TEST(PathwaySums, WeightedHitsAddUpInFloatInRegionOrder)
{
    // 2^24 + 1 is not a float: each added 1 is lost after the large value,
    // but two 1s added first survive.
    const float big = 16777216.0f;
    const PathwayResult late = combine_regions({outcome(1, big, 0), outcome(1, 1, 0), outcome(1, 1, 0)}, 0.05f);
    const PathwayResult early = combine_regions({outcome(1, 1, 0), outcome(1, 1, 0), outcome(1, big, 0)}, 0.05f);
    EXPECT_EQ(late.nsignificant, big);
    EXPECT_EQ(early.nsignificant, big + 2.0f);
}

} // namespace
