// Runs the built kesto_simulate on small sizes and checks the files it writes.

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using kesto_test::read_file;
using kesto_test::run_program;
using kesto_test::TempDir;

using Row = std::vector<std::string>;
using Table = std::vector<Row>;

Row split_tabs(const std::string& line)
{
    Row out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

// Reads a tab-separated file, failing the test on lines that do not end in
// "\n" or that carry trailing blanks or carriage returns.
Table read_table(const std::string& path)
{
    const std::string text = read_file(path);
    Table rows;
    EXPECT_FALSE(text.empty()) << path;
    EXPECT_TRUE(text.empty() || text.back() == '\n') << path << ": last line without newline";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find('\r'), std::string::npos) << path;
        EXPECT_FALSE(!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            << path << ": trailing blank in '" << line.substr(0, 60) << "'";
        rows.push_back(split_tabs(line));
        start = end + 1;
    }
    return rows;
}

long long to_ll(const std::string& s)
{
    return std::strtoll(s.c_str(), nullptr, 10);
}

// A simulated data set in its own folder.
struct Sim {
    TempDir dir;
    kesto_test::RunResult run;
    std::string file(const std::string& name) const { return dir.file(name); }
};

void simulate(Sim& sim, std::vector<std::string> args)
{
    args.insert(args.begin(), {"--out", sim.dir.path()});
    sim.run = run_program("kesto_simulate", args);
    ASSERT_EQ(sim.run.status, 0) << sim.run.err;
}

// Genotype codes of a chromosome, one row per SNP.
std::vector<std::vector<int>> genotype_codes(const Table& table)
{
    std::vector<std::vector<int>> codes;
    for (std::size_t r = 1; r < table.size(); ++r) {
        std::vector<int> row;
        for (std::size_t f = 2; f < table[r].size(); ++f)
            row.push_back(static_cast<int>(to_ll(table[r][f])));
        codes.push_back(row);
    }
    return codes;
}

double r2(const std::vector<int>& a, const std::vector<int>& b)
{
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] < 0 || b[i] < 0)
            continue;
        n += 1, sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
    }
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n, c = sab - sa * sb / n;
    return va <= 0 || vb <= 0 ? 0.0 : c * c / (va * vb);
}

const std::vector<std::string> kSmall = {"--seed", "17", "--chromosomes", "2", "--snps", "300",
                                         "--individuals", "37", "--genes", "14", "--pathways", "9",
                                         "--plink", "2"};

std::vector<std::string> all_files(int chromosomes, int plink)
{
    std::vector<std::string> names = {"genelist.txt", "pathways.txt"};
    for (int c = 1; c <= chromosomes; ++c) {
        names.push_back("legend_chr" + std::to_string(c) + ".txt");
        names.push_back("genotype_chr" + std::to_string(c) + ".txt");
    }
    if (plink > 0) {
        const std::string p = "scan_chr" + std::to_string(plink);
        for (const char* ext : {".bed", ".bim", ".fam", ".ped", ".map", "_assoc.txt"})
            names.push_back(p + ext);
    }
    return names;
}

TEST(Simulate, SameSeedGivesIdenticalFiles)
{
    Sim a, b;
    simulate(a, kSmall);
    simulate(b, kSmall);
    for (const auto& name : all_files(2, 2)) {
        ASSERT_TRUE(kesto_test::file_exists(a.file(name))) << name;
        EXPECT_EQ(read_file(a.file(name)), read_file(b.file(name))) << name;
    }
}

TEST(Simulate, DifferentSeedGivesDifferentData)
{
    Sim a, b;
    simulate(a, kSmall);
    std::vector<std::string> other = kSmall;
    other[1] = "18";
    simulate(b, other);
    for (const char* name : {"legend_chr1.txt", "genotype_chr1.txt", "genelist.txt", "pathways.txt"})
        EXPECT_NE(read_file(a.file(name)), read_file(b.file(name))) << name;
}

TEST(Simulate, LegendAndGenotypeTablesAgree)
{
    Sim sim;
    simulate(sim, kSmall);
    const int individuals = 37;
    for (int c = 1; c <= 2; ++c) {
        const std::string chr = std::to_string(c);
        const Table legend = read_table(sim.file("legend_chr" + chr + ".txt"));
        const Table geno = read_table(sim.file("genotype_chr" + chr + ".txt"));
        ASSERT_EQ(legend.size(), 301u);
        ASSERT_EQ(geno.size(), 301u);
        EXPECT_EQ(legend[0], (Row{"snp_id", "position", "pvalue"}));
        ASSERT_EQ(geno[0].size(), 2u + individuals);
        EXPECT_EQ(geno[0][0], "snp_id");
        EXPECT_EQ(geno[0][1], "position");
        EXPECT_EQ(geno[0][2], "IND0001");
        EXPECT_EQ(geno[0].back(), "IND0037");
        long long previous = 0;
        for (std::size_t r = 1; r < legend.size(); ++r) {
            ASSERT_EQ(legend[r].size(), 3u);
            ASSERT_EQ(geno[r].size(), 2u + individuals) << "row " << r;
            EXPECT_EQ(legend[r][0], "rs" + chr + "_" + std::to_string(r));
            EXPECT_EQ(geno[r][0], legend[r][0]);
            EXPECT_EQ(geno[r][1], legend[r][1]);
            const long long pos = to_ll(legend[r][1]);
            EXPECT_GT(pos, previous);
            previous = pos;
            const double p = std::strtod(legend[r][2].c_str(), nullptr);
            EXPECT_TRUE(p > 0.0 && p < 1.0) << legend[r][2];
            for (std::size_t f = 2; f < geno[r].size(); ++f) {
                const std::string& code = geno[r][f];
                EXPECT_TRUE(code == "-1" || code == "0" || code == "1" || code == "2") << "'" << code << "'";
            }
        }
        EXPECT_GT(to_ll(legend[1][1]), 900000);
        EXPECT_LT(to_ll(legend[1][1]), 1100000);
    }
}

TEST(Simulate, MonomorphicAndRareSnpsArePresent)
{
    Sim sim;
    simulate(sim, kSmall);
    for (int c = 1; c <= 2; ++c) {
        const auto codes = genotype_codes(read_table(sim.file("genotype_chr" + std::to_string(c) + ".txt")));
        // Special SNPs are kept whole: no missing genotype hides what they are.
        int monomorphic = 0, rare = 0;
        for (const auto& row : codes) {
            int copies = 0;
            for (int g : row)
                copies += g;
            const bool complete = std::all_of(row.begin(), row.end(), [](int g) { return g >= 0; });
            monomorphic += complete && copies == 0;
            rare += complete && copies >= 1 && copies <= 3;
        }
        EXPECT_GE(monomorphic, 1) << "chromosome " << c;
        EXPECT_GE(rare, 1) << "chromosome " << c;
        EXPECT_LT(monomorphic + rare, 60) << "chromosome " << c;
    }
}

struct GeneRow {
    int chr;
    long long start, end;
    std::string name;
};

std::vector<GeneRow> read_genes(const Sim& sim)
{
    const Table t = read_table(sim.file("genelist.txt"));
    EXPECT_EQ(t[0], (Row{"chromosome", "gene_id", "start", "end", "gene_name"}));
    std::vector<GeneRow> genes;
    std::set<std::string> ids, names;
    for (std::size_t r = 1; r < t.size(); ++r) {
        EXPECT_EQ(t[r].size(), 5u);
        EXPECT_EQ(t[r][1].rfind("ENSG", 0), 0u);
        EXPECT_EQ(t[r][1].size(), 15u);
        EXPECT_TRUE(ids.insert(t[r][1]).second) << "duplicate id " << t[r][1];
        EXPECT_TRUE(names.insert(t[r][4]).second) << "duplicate name " << t[r][4];
        genes.push_back({static_cast<int>(to_ll(t[r][0])), to_ll(t[r][2]), to_ll(t[r][3]), t[r][4]});
    }
    return genes;
}

TEST(Simulate, GenesAreSortedInsideTheSnpSpanWithCloseAndFarNeighbours)
{
    Sim sim;
    simulate(sim, kSmall);
    const auto genes = read_genes(sim);
    ASSERT_EQ(genes.size(), 14u);
    std::map<int, std::pair<long long, long long>> span;
    for (int c = 1; c <= 2; ++c) {
        const Table legend = read_table(sim.file("legend_chr" + std::to_string(c) + ".txt"));
        span[c] = {to_ll(legend[1][1]), to_ll(legend.back()[1])};
    }
    int overlaps = 0, close = 0, just_above = 0;
    std::set<int> chromosomes;
    long long reach = 0;
    for (std::size_t k = 0; k < genes.size(); ++k) {
        const GeneRow& g = genes[k];
        chromosomes.insert(g.chr);
        EXPECT_GE(g.end - g.start, 10000) << g.name;
        EXPECT_LE(g.end - g.start, 150000) << g.name;
        EXPECT_GE(g.start, span[g.chr].first) << g.name;
        EXPECT_LE(g.end, span[g.chr].second) << g.name;
        if (k > 0 && genes[k - 1].chr == g.chr) {
            EXPECT_GE(g.start, genes[k - 1].start) << g.name;
            const long long gap = g.start - reach;
            overlaps += gap < 0;
            close += gap >= 0 && gap < 50000;
            just_above += gap > 50000 && gap <= 51000;
            reach = std::max(reach, g.end);
        } else {
            if (k > 0) {
                EXPECT_GT(g.chr, genes[k - 1].chr);
            }
            reach = g.end;
        }
    }
    EXPECT_EQ(chromosomes, (std::set<int>{1, 2}));
    EXPECT_GE(overlaps, 1);
    EXPECT_GE(close, 1);
    EXPECT_EQ(just_above, 1);
}

TEST(Simulate, PathwaysShareGenesAndOnlyTheLastIsUnknown)
{
    Sim sim;
    simulate(sim, kSmall);
    const auto genes = read_genes(sim);
    std::map<std::string, std::size_t> index;
    for (std::size_t k = 0; k < genes.size(); ++k)
        index[genes[k].name] = k;

    const Table pathways = read_table(sim.file("pathways.txt"));
    ASSERT_EQ(pathways.size(), 9u);
    std::map<std::string, int> uses;
    int without_known = 0, with_neighbours = 0;
    for (std::size_t p = 0; p < pathways.size(); ++p) {
        const Row& row = pathways[p];
        ASSERT_GE(row.size(), 4u);
        EXPECT_EQ(row[0].rfind("PW", 0), 0u);
        EXPECT_EQ(row[1].rfind("pathway_", 0), 0u);
        std::vector<std::size_t> known;
        std::set<std::string> members(row.begin() + 2, row.end());
        EXPECT_EQ(members.size(), row.size() - 2) << row[0] << " repeats a member";
        for (std::size_t f = 2; f < row.size(); ++f) {
            auto it = index.find(row[f]);
            if (it != index.end()) {
                known.push_back(it->second);
                ++uses[row[f]];
            }
        }
        EXPECT_LE(known.size(), 14u);
        without_known += known.empty();
        if (p + 1 == pathways.size()) {
            EXPECT_TRUE(known.empty()) << "the last pathway should list only unknown genes";
        }
        for (std::size_t a : known)
            for (std::size_t b : known) {
                const GeneRow& x = genes[a];
                const GeneRow& y = genes[b];
                with_neighbours += a < b && x.chr == y.chr && y.start - x.end < 50000;
            }
    }
    EXPECT_EQ(without_known, 1);
    EXPECT_GE(with_neighbours, 1);
    EXPECT_TRUE(std::any_of(uses.begin(), uses.end(), [](const auto& u) { return u.second > 1; }));
}

TEST(Simulate, PlantedSignalsLieInGenes)
{
    Sim sim;
    simulate(sim, kSmall);
    const auto genes = read_genes(sim);
    int strong = 0;
    for (int c = 1; c <= 2; ++c) {
        const Table legend = read_table(sim.file("legend_chr" + std::to_string(c) + ".txt"));
        for (std::size_t r = 1; r < legend.size(); ++r) {
            if (std::strtod(legend[r][2].c_str(), nullptr) >= 1e-5)
                continue;
            ++strong;
            const long long pos = to_ll(legend[r][1]);
            EXPECT_TRUE(std::any_of(genes.begin(), genes.end(), [&](const GeneRow& g) {
                return g.chr == c && pos >= g.start - 10000 && pos <= g.end + 10000;
            })) << legend[r][0] << " has p " << legend[r][2] << " outside every gene";
        }
    }
    EXPECT_GE(strong, 1);
}

// Decodes one .bed genotype: 00 hom A1 (2), 01 missing, 10 het (1), 11 hom A2 (0).
int bed_code(unsigned bits)
{
    static const int kCode[] = {2, -1, 1, 0};
    return kCode[bits & 3];
}

TEST(Simulate, PlinkFilesHoldTheSameGenotypes)
{
    Sim sim;
    simulate(sim, kSmall);
    const int n = 37;   // not a multiple of 4: the last byte of each row is padded
    const Table geno = read_table(sim.file("genotype_chr2.txt"));
    const auto codes = genotype_codes(geno);
    const std::size_t snps = codes.size();

    const std::string bed = read_file(sim.file("scan_chr2.bed"));
    const std::size_t row_bytes = (n + 3) / 4;
    ASSERT_EQ(bed.size(), 3 + snps * row_bytes);
    EXPECT_EQ(bed.substr(0, 3), std::string("\x6c\x1b\x01", 3));
    for (std::size_t j = 0; j < snps; ++j) {
        for (int i = 0; i < n; ++i) {
            const unsigned byte = static_cast<unsigned char>(bed[3 + j * row_bytes + i / 4]);
            ASSERT_EQ(bed_code(byte >> (2 * (i % 4))), codes[j][i]) << "snp " << j << " individual " << i;
        }
        const unsigned last = static_cast<unsigned char>(bed[3 + j * row_bytes + row_bytes - 1]);
        EXPECT_EQ(last >> (2 * (n % 4)), 0u) << "padding bits of snp " << j;
    }

    const Table bim = read_table(sim.file("scan_chr2.bim"));
    const Table map = read_table(sim.file("scan_chr2.map"));
    ASSERT_EQ(bim.size(), snps);
    ASSERT_EQ(map.size(), snps);
    for (std::size_t j = 0; j < snps; ++j) {
        ASSERT_EQ(bim[j].size(), 6u);
        EXPECT_EQ(bim[j][0], "2");
        EXPECT_EQ(bim[j][1], geno[j + 1][0]);
        EXPECT_EQ(bim[j][2], "0");
        EXPECT_EQ(bim[j][3], geno[j + 1][1]);
        EXPECT_NE(bim[j][4], bim[j][5]);
        for (int a : {4, 5})
            EXPECT_TRUE(bim[j][a].size() == 1 && std::string("ACGT").find(bim[j][a]) != std::string::npos);
        EXPECT_EQ(map[j], (Row{bim[j][0], bim[j][1], bim[j][2], bim[j][3]}));
    }

    const std::string fam = read_file(sim.file("scan_chr2.fam"));
    const std::string ped = read_file(sim.file("scan_chr2.ped"));
    std::size_t fam_at = 0, ped_at = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t fam_end = fam.find('\n', fam_at);
        const std::size_t ped_end = ped.find('\n', ped_at);
        ASSERT_NE(fam_end, std::string::npos);
        ASSERT_NE(ped_end, std::string::npos);
        const std::string fam_line = fam.substr(fam_at, fam_end - fam_at);
        const std::string ped_line = ped.substr(ped_at, ped_end - ped_at);
        fam_at = fam_end + 1;
        ped_at = ped_end + 1;

        Row person, fields;
        for (std::size_t s = 0, e; s <= fam_line.size(); s = e + 1)
            person.push_back(fam_line.substr(s, (e = std::min(fam_line.find(' ', s), fam_line.size())) - s));
        for (std::size_t s = 0, e; s <= ped_line.size(); s = e + 1)
            fields.push_back(ped_line.substr(s, (e = std::min(ped_line.find(' ', s), ped_line.size())) - s));
        ASSERT_EQ(person.size(), 6u);
        EXPECT_EQ(person[1], geno[0][2 + i]);
        EXPECT_EQ(person[0], "FAM" + person[1].substr(3));
        EXPECT_TRUE(person[4] == "1" || person[4] == "2");
        EXPECT_EQ(person[5], "-9");
        ASSERT_EQ(fields.size(), 6 + 2 * snps);
        EXPECT_EQ(Row(fields.begin(), fields.begin() + 6), person);
        for (std::size_t j = 0; j < snps; ++j) {
            const std::string& a1 = bim[j][4];
            const std::string& a2 = bim[j][5];
            const std::string& x = fields[6 + 2 * j];
            const std::string& y = fields[7 + 2 * j];
            const int code = codes[j][i];
            if (code < 0) {
                EXPECT_TRUE(x == "0" && y == "0");
            } else {
                EXPECT_EQ((x == a1) + (y == a1), code) << "individual " << i << " snp " << j;
                EXPECT_EQ((x == a2) + (y == a2), 2 - code) << "individual " << i << " snp " << j;
            }
        }
    }
    EXPECT_EQ(fam_at, fam.size());
    EXPECT_EQ(ped_at, ped.size());

    EXPECT_EQ(read_file(sim.file("scan_chr2_assoc.txt")), read_file(sim.file("legend_chr2.txt")));
    EXPECT_FALSE(kesto_test::file_exists(sim.file("scan_chr1.bed")));
}

double missing_share(const Sim& sim)
{
    const auto codes = genotype_codes(read_table(sim.file("genotype_chr1.txt")));
    double missing = 0, total = 0;
    for (const auto& row : codes)
        for (int g : row) {
            missing += g < 0;
            total += 1;
        }
    return missing / total;
}

TEST(Simulate, MissingRateFollowsTheOption)
{
    const std::vector<std::string> base = {"--chromosomes", "1", "--snps", "400", "--individuals", "100",
                                           "--genes", "5", "--pathways", "3"};
    Sim none, some;
    auto args = base;
    args.insert(args.end(), {"--missing", "0"});
    simulate(none, args);
    EXPECT_EQ(missing_share(none), 0.0);
    args = base;
    args.insert(args.end(), {"--missing", "0.05"});
    simulate(some, args);
    // 40,000 genotypes; the few special SNPs are never masked.
    EXPECT_GT(missing_share(some), 0.042);
    EXPECT_LT(missing_share(some), 0.056);
}

TEST(Simulate, NeighbouringSnpsAreInLinkageDisequilibrium)
{
    Sim sim;
    simulate(sim, {"--chromosomes", "1", "--snps", "600", "--individuals", "150", "--genes", "5",
                   "--pathways", "3", "--missing", "0.02"});
    const auto codes = genotype_codes(read_table(sim.file("genotype_chr1.txt")));
    double near = 0, far = 0;
    int pairs = 0;
    for (std::size_t j = 0; j + 300 < codes.size(); ++j, ++pairs) {
        near += r2(codes[j], codes[j + 1]);
        far += r2(codes[j], codes[j + 300]);
    }
    near /= pairs;
    far /= pairs;
    EXPECT_GT(near, 0.1);
    EXPECT_GT(near, 4 * far) << "adjacent r2 " << near << ", r2 300 SNPs apart " << far;
}

TEST(Simulate, SmallestSizesStillGiveConsistentFiles)
{
    Sim sim;
    simulate(sim, {"--chromosomes", "3", "--snps", "10", "--individuals", "1", "--genes", "6", "--pathways",
                   "1", "--spacing", "100", "--plink", "3"});
    const auto genes = read_genes(sim);
    ASSERT_EQ(genes.size(), 6u);
    for (const auto& g : genes) {
        const Table legend = read_table(sim.file("legend_chr" + std::to_string(g.chr) + ".txt"));
        EXPECT_GT(g.end, g.start);
        EXPECT_GE(g.start, to_ll(legend[1][1]));
        EXPECT_LE(g.end, to_ll(legend.back()[1]));
    }
    const Table pathways = read_table(sim.file("pathways.txt"));
    ASSERT_EQ(pathways.size(), 1u);
    EXPECT_EQ(pathways[0][2], "NOSUCH1");
    EXPECT_EQ(read_file(sim.file("scan_chr3.bed")).size(), 3u + 10u);
    EXPECT_EQ(read_table(sim.file("genotype_chr3.txt"))[0].size(), 3u);
}

TEST(Simulate, ManyIndividualsGetWiderUniqueLabels)
{
    Sim sim;
    simulate(sim, {"--chromosomes", "1", "--snps", "10", "--individuals", "10000", "--genes", "2",
                   "--pathways", "2", "--plink", "1"});
    const Row header = read_table(sim.file("genotype_chr1.txt"))[0];
    ASSERT_EQ(header.size(), 10002u);
    EXPECT_EQ(header[2], "IND00001");
    EXPECT_EQ(header.back(), "IND10000");
    EXPECT_EQ(std::set<std::string>(header.begin(), header.end()).size(), header.size());
    const std::string fam = read_file(sim.file("scan_chr1.fam"));
    EXPECT_EQ(fam.substr(0, fam.find('\n')).substr(0, 17), "FAM00001 IND00001");
}

TEST(Simulate, CreatesTheOutputFolder)
{
    TempDir dir;
    const auto run = run_program("kesto_simulate", {"--out", dir.file("a/b"), "--snps", "20", "--genes", "2",
                                                    "--pathways", "2", "--individuals", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(kesto_test::file_exists(dir.file("a/b/genotype_chr2.txt")));
}

TEST(Simulate, UnusableOutputFolderFails)
{
    TempDir dir;
    kesto_test::write_file(dir.file("plain"), "x");
    const auto run = run_program("kesto_simulate", {"--out", dir.file("plain"), "--snps", "20", "--genes", "2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("plain"), std::string::npos) << run.err;
}

TEST(Simulate, BundledExamplesMatchTheSimulator)
{
    // scripts/make_examples.sh must be rerun whenever the simulator changes.
    Sim sim;
    simulate(sim, {"--plink", "1"});
    const std::string examples = std::string(KESTO_SOURCE_DIR) + "/examples/";
    int compared = 0;
    for (const auto& name : all_files(2, 1)) {
        if (!kesto_test::file_exists(examples + name)) {
            EXPECT_TRUE(name == "scan_chr1.ped" || name == "scan_chr1.map") << name << " missing from examples/";
            continue;
        }
        EXPECT_EQ(read_file(examples + name), read_file(sim.file(name))) << name << " is out of date";
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

TEST(Simulate, BadOptionsExitWithUsageStatus)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus", "1"},          {"--snps"},               {"--snps", "abc"},
        {"--snps", "5"},           {"--snps", "12x"},        {"--individuals", "0"},
        {"--missing", "0.7"},      {"--missing", "nan"},     {"--chromosomes", "0"},
        {"--plink", "3"},          {"--seed", "-1"},         {"--seed", "99999999999999999999"},
        {"--spacing", "50"},       {"--pathways", "0"},      {"stray"},
        {"--genes", "100", "--snps", "20", "--chromosomes", "1"},
        {"--snps", "10000000", "--spacing", "1000"},
    };
    TempDir dir;
    for (const auto& args : bad) {
        const auto run = run_program("kesto_simulate", args, dir.path());
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(run.status, 2) << joined;
        EXPECT_FALSE(run.err.empty()) << joined;
        EXPECT_TRUE(run.out.empty()) << joined;
    }
    EXPECT_FALSE(kesto_test::file_exists(dir.file("genelist.txt")));

    const auto help = run_program("kesto_simulate", {"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--plink"), std::string::npos);
}

} // namespace
