#include "kesto_prepare_log.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

namespace {

std::string percent(long part, long whole)
{
    if (whole <= 0)
        return "-";
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << 100.0 * static_cast<double>(part) / static_cast<double>(whole) << " %";
    return out.str();
}

std::string build_line(const PrepareLog& log)
{
    const PrepareReport& r = log.report;
    if (!log.build_possible)
        return log.by_id ? "not done (matching by id)" : "not done (the summary statistics give no SNP ids)";
    if (!r.build_checked)
        return "not done (no SNP id is in both files)";
    return std::to_string(r.positions_agree) + " of " + std::to_string(r.id_matched) +
           " SNP ids found in both files have the same chromosome and position (" +
           percent(r.positions_agree, r.id_matched) + "): " +
           (r.build_mismatch ? "DIFFERENT genome builds" : "same genome build");
}

} // namespace

Status write_prepare_log(const std::string& path, const PrepareLog& log)
{
    std::ofstream out(path);
    if (!out)
        return Status(StatusCode::WriteError, "cannot create " + path + ": " + std::strerror(errno));
    const PrepareReport& r = log.report;
    out << "kesto prepare " << KESTO_VERSION << "\n"
        << "command: " << log.command_line << "\n\n";
    out << "reference: " << log.reference_kind << "\n";
    for (const std::string& file : log.reference_files)
        out << "  " << file << "\n";
    out << "individuals: " << log.kept_samples << " kept of " << log.all_samples;
    if (!log.keep_file.empty())
        out << " (--keep " << log.keep_file << ": " << log.keep_entries << " listed)";
    out << "\n";
    if (!log.keep_warning.empty())
        out << "WARNING: " << log.keep_warning << "\n";
    out << "reference sites: " << r.reference_sites << " (chromosome not understood: "
        << r.reference_unknown_chromosome << "; more than two alleles: " << r.multiallelic_sites << ")\n";
    if (r.repeated_sites > 0)
        out << "WARNING: " << repeated_sites_text(r) << "\n";
    out << "\n";

    out << "summary statistics: " << log.sumstats_file << "\n"
        << "format: " << log.format << (log.format_forced ? " (forced with --format)" : " (recognised from the header)")
        << "\ncolumns used:";
    for (const std::string& column : log.columns)
        out << " " << column;
    out << "\nrows read: " << r.rows << "\n";
    if (!log.set_aside.empty())
        out << "rows at no reference site, set aside before matching: " << log.set_aside << "\n";
    if (r.skipped_other_tests > 0)
        out << "rows of other tests than the additive one skipped: " << r.skipped_other_tests << "\n";
    out << "p-values above 0.5: " << r.above_half << " of " << r.valid_p << " (" << percent(r.above_half, r.valid_p)
        << ")" << (r.filtered ? "  WARNING: the input looks filtered; regional tests need all SNPs" : "") << "\n\n";

    out << "matching: "
        << (log.by_id ? "by SNP id and allele pair"
                      : "by chromosome, position and allele pair (either order, either strand)")
        << "; strand-ambiguous A/T, C/G SNPs " << (log.drop_ambiguous ? "left out" : "kept") << "\n";
    out << "build check: " << build_line(log) << "\n\n";

    out << "kept: " << r.kept << " SNPs";
    if (r.ambiguous_kept > 0)
        out << " (" << r.ambiguous_kept << " strand-ambiguous)";
    out << "\n";
    if (r.kept_underflow > 0)
        out << "p-values written as 0 (-log10 p beyond double precision): " << r.kept_underflow << "\n";
    long left = 0;
    for (long n : r.excluded)
        left += n;
    out << "left out: " << left << " rows (listed in excluded.tsv.gz)\n";
    for (int k = 1; k < kExclusionKinds; ++k)
        out << "  " << exclusion_word(static_cast<Exclusion>(k)) << "\t" << r.excluded[k] << "\t"
            << exclusion_phrase(static_cast<Exclusion>(k)) << "\n";
    out << "\nper chromosome: chromosome, reference sites, SNPs written\n";
    for (const ChromosomeCounts& c : r.chromosomes)
        out << "  " << c.name << "\t" << c.reference_sites << "\t" << c.written << "\n";

    if (!log.genes_file.empty()) {
        out << "\ngenes: " << log.genes_file << " (" << gene_format_name(log.genes.format) << "): "
            << log.genes.genes.size() << " genes written to genelist.txt";
        if (log.genes.unknown_chromosome > 0)
            out << "; " << log.genes.unknown_chromosome << " left out, chromosome not understood";
        out << "\n";
    }
    if (!log.gene_sets_file.empty()) {
        out << "gene sets: " << log.gene_sets_file << ": " << log.gene_sets.sets.size()
            << " sets written to pathways.txt; members not in the gene list per set:\n";
        for (const GeneSet& set : log.gene_sets.sets)
            out << "  " << set.id << "\t" << set.missing_members << " of " << set.members.size() << "\n";
    }
    out << "\noutputs:";
    for (const std::string& file : r.written)
        out << " " << file;
    out << (log.genes_file.empty() ? "" : " genelist.txt") << (log.gene_sets_file.empty() ? "" : " pathways.txt")
        << " excluded.tsv.gz prepare.log\n";
    out.close();
    if (!out)
        return Status(StatusCode::WriteError, "cannot write " + path);
    return Status();
}

std::string summary_text(const PrepareLog& log, const std::string& dir)
{
    const PrepareReport& r = log.report;
    std::ostringstream out;
    long left = 0;
    for (long n : r.excluded)
        left += n;
    out << "kesto prepare: " << r.kept << " of " << r.rows << " summary-statistics rows matched "
        << log.kept_samples << " reference individuals";
    std::string chromosomes;
    for (const ChromosomeCounts& c : r.chromosomes)
        if (c.written > 0)
            chromosomes += (chromosomes.empty() ? "" : ", ") + c.name;
    if (!chromosomes.empty())
        out << " on chromosome" << (chromosomes.find(',') != std::string::npos ? "s " : " ") << chromosomes;
    out << "\n";
    if (r.skipped_other_tests > 0)
        out << "kesto prepare: " << r.skipped_other_tests
            << " rows of other tests than the additive one (TEST column) skipped\n";
    if (left > 0) {
        out << "kesto prepare: " << left << " left out (" << dir << "/excluded.tsv.gz):";
        for (int k = 1; k < kExclusionKinds; ++k)
            if (r.excluded[k] > 0)
                out << " " << exclusion_phrase(static_cast<Exclusion>(k)) << " " << r.excluded[k] << ";";
        out << "\n";
    }
    out << "kesto prepare: build check: " << build_line(log) << "\n";
    if (r.filtered)
        out << "kesto prepare: WARNING: the summary statistics look filtered (see above)\n";
    out << "kesto prepare: log in " << dir << "/prepare.log\n";
    return out.str();
}
