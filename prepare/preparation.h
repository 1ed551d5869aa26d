#ifndef KESTO_PREPARE_PREPARATION_H
#define KESTO_PREPARE_PREPARATION_H

#include "chromosome_block.h"
#include "exclusion.h"
#include "output_folder.h"
#include "reference/reference_panel.h"
#include "sumstats_index.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// Share of id-matched SNPs whose positions must agree for the two files to
// count as one genome build.
constexpr double kBuildAgreement = 0.9;
// Below this share of p-values above 0.5 the input looks filtered.
constexpr double kFilteredShare = 0.05;
// A p-value column with this share of numbers outside [0, 1] (and at least
// kWrongColumnOutside of them) holds something else (-log10 p, a
// statistic); a -log10 p column of kWrongColumnNumbers numbers or more none
// of which is above 1 (p below 0.1) holds p-values. Either ends the run.
constexpr double kWrongColumnShare = 0.01;
constexpr long kWrongColumnOutside = 10;
constexpr long kWrongColumnNumbers = 100;

struct PrepareSettings {
    bool drop_ambiguous = false;
    bool allow_build_mismatch = false;
    bool compressed = true;   // legend/genotype files as .txt.gz
    int threads = 1;          // deflating them (the same bytes with any number)
    // Chromosomes whose genotypes are wanted; the others are matched and
    // counted but their genotypes never read. Empty: every chromosome.
    std::function<bool(const std::string&)> wanted;
    // Blocks hold where each SNP's genotypes are instead of the genotypes,
    // when the panel can read them later (ReferencePanel::locates): the sink
    // reads them (ChromosomeBlock::Fetch), so a chromosome matched while the
    // one before is analysed holds no genotypes.
    bool defer_genotypes = false;
};

struct ChromosomeCounts {
    std::string name;
    long reference_sites = 0;
    long written = 0;
};

// Everything the log and the summary report.
struct PrepareReport {
    long rows = 0;                      // summary-statistics rows read
    long skipped_other_tests = 0;       // rows of a non-additive test
    std::array<long, kExclusionKinds> excluded{};
    long kept = 0;
    long kept_underflow = 0;            // kept p-values written as 0 (underflow)
    std::vector<ChromosomeCounts> chromosomes;
    long reference_sites = 0;
    long reference_unknown_chromosome = 0;
    long multiallelic_sites = 0;
    // Sites whose only fitting row an earlier site of the same place (or
    // id) and alleles had already taken: a reference listing a SNP twice.
    long repeated_sites = 0;
    std::string first_repeat;           // "id at chromosome:position"
    long ambiguous_kept = 0;
    bool build_checked = false;
    long id_matched = 0;                // reference ids found in the summary statistics
    long positions_agree = 0;
    bool build_mismatch = false;
    long valid_p = 0, above_half = 0;
    bool filtered = false;
    std::vector<std::string> written;   // output file names
};

// "2 reference sites list a SNP that an earlier site ... had matched; ...",
// or empty when none did.
std::string repeated_sites_text(const PrepareReport& report);

// Reads every row of the summary statistics into the index (one pass).
// With more than one thread, batches of `batch_lines` lines are parsed on
// worker threads; the index and the report are the same for any count.
constexpr std::size_t kSumstatsBatchLines = 4096;
// Fails (Malformed) when the p-value column read cannot hold p-values, or
// the -log10 p column looks like p-values (kWrongColumnShare).
[[nodiscard]] Status check_p_column(const SumstatsReader& reader, const SumstatsIndex& index);
[[nodiscard]] Status read_sumstats(SumstatsReader& reader, SumstatsIndex& index, PrepareReport& report,
                                   int threads = 1, std::size_t batch_lines = kSumstatsBatchLines);

// Walks the reference once, matching each site against the index, and
// writes the legend and genotype files of each chromosome into `out` as soon
// as the chromosome is done. `progress` receives the share of the reference
// read. Fails (Malformed) on a build mismatch unless allowed; the caller
// abandons the outputs then.
Status match_reference(ReferencePanel& panel, SumstatsIndex& index, const PrepareSettings& settings,
                       OutputFolder& out, PrepareReport& report, const std::function<void(double, long)>& progress);

// The same walk handing each chromosome's matched SNPs (a block that is not
// empty) to `sink` as soon as the chromosome is done, instead of writing
// files: the analysis subcommands compute on them directly.
using BlockSink = std::function<Status(ChromosomeBlock& block)>;
Status match_reference(ReferencePanel& panel, SumstatsIndex& index, const PrepareSettings& settings,
                       const BlockSink& sink, PrepareReport& report, const std::function<void(double, long)>& progress);

// Writes excluded.tsv.gz: one line per left-out row of the summary
// statistics, in file order.
Status write_excluded(const SumstatsIndex& index, const std::string& path);

#endif
