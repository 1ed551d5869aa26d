#include "direct_source.h"

#include "chromosome_name.h"
#include "numbers.h"
#include "reference_sieve.h"
#include "reference/keep_list.h"
#include "reference/plink_panel.h"
#include "reference/vcf_panel.h"
#include "sumstats/chromosome_names.h"

#include <cmath>
#include <limits>

namespace analysis {

namespace {

// The legend writes an id with its blanks turned into '_'; so does this road.
std::string clean_id(std::string_view id)
{
    std::string out(id);
    for (char& c : out)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            c = '_';
    return out;
}

// A block of matched SNPs as a chromosome table: codes 0, 1, 2 copies of the
// counted allele, missing (3) as -1, as the prepared genotype files hold them.
// Moves the block's SNPs into the table; the block's genotypes are freed
// chunk by chunk as they are taken.
Status to_table(ChromosomeBlock& block, std::size_t samples, const ChromosomeBlock::Fetch& fetch,
                ChromosomeTable& table)
{
    table = ChromosomeTable{};
    table.chromosome = block.chromosome();
    table.codes = PackedCodes(static_cast<int>(samples));
    table.codes.reserve(block.size());
    table.ids.reserve(block.size());
    table.positions.reserve(block.size());
    table.pvalues.reserve(block.size());
    return block.take_sorted([&](std::int64_t position, std::string_view id, std::string_view p_text,
                                  const std::uint8_t* packed) {
        if (position > std::numeric_limits<std::int32_t>::max())
            return Status(StatusCode::Malformed, "chromosome " + block.chromosome() + ": position " +
                                                     std::to_string(position) + " does not fit in 32 bits");
        table.codes.add_two_bit_row(packed);
        bool is_number = false;
        const double p = atof_checked(std::string(p_text), is_number);
        table.missing_pvalues += is_number ? 0 : 1;
        table.ids.push_back(clean_id(id));
        table.positions.push_back(static_cast<std::int32_t>(position));
        table.pvalues.push_back(is_number ? p : std::numeric_limits<double>::quiet_NaN());
        return Status();
    }, fetch);
}

} // namespace

Status DirectSource::open(const DirectInputs& inputs)
{
    inputs_ = inputs;
    KeepList keep;
    if (!inputs.keep.empty()) {
        Status status = keep.read(inputs.keep);
        if (!status.ok())
            return status;
        keep_entries_ = keep.entries();
    }
    if (!inputs.bfile.empty()) {
        auto plink = std::make_unique<PlinkPanel>();
        Status status = plink->open(inputs.bfile, keep);
        if (!status.ok())
            return status;
        panel_ = std::move(plink);
        reference_kind_ = "PLINK 1 binary";
    } else {
        auto vcf = std::make_unique<VcfPanel>();
        Status status = vcf->open(inputs.vcf, keep);
        if (!status.ok())
            return status;
        panel_ = std::move(vcf);
        reference_kind_ = "VCF/BCF";
    }

    SumstatsReader reader;
    Status status = reader.open(inputs.sumstats, inputs.sumstats_options);
    if (!status.ok())
        return status;
    layout_ = reader.layout();
    if (!layout_.has_positions && !layout_.has_ids)
        return Status(StatusCode::Malformed, inputs.sumstats + ": neither positions nor SNP ids to match by");
    // A .bed's sites are listed first, so that rows matching none are set
    // aside instead of held.
    ReferenceSieve sieve;
    if (!inputs.bfile.empty()) {
        status = sieve_plink_sites(inputs.bfile, sieve);
        if (!status.ok())
            return status;
    }
    index_ = std::make_unique<SumstatsIndex>(
        layout_.has_positions ? SumstatsIndex::Key::Position : SumstatsIndex::Key::Id,
        inputs.bfile.empty() ? nullptr : &sieve);
    return read_sumstats(reader, *index_, report_, inputs.threads);
}

Status DirectSource::feed(ChromosomeConsumer& consumer)
{
    PrepareSettings settings;
    settings.drop_ambiguous = inputs_.drop_ambiguous;
    settings.allow_build_mismatch = inputs_.allow_build_mismatch;
    settings.wanted = [&consumer](const std::string& chromosome) { return consumer.wants(chromosome); };
    settings.defer_genotypes = true;
    const std::size_t samples = panel_->samples().size();
    // A genotype that cannot be read ends the run, as it does while matching.
    Status fetch_failure;
    const ChromosomeBlock::Fetch fetch = [&](std::uint64_t location, std::uint8_t* packed) {
        fetch_failure = panel_->genotypes_at(location, packed);
        return fetch_failure;
    };
    const BlockSink hand_over = [&](ChromosomeBlock& block) {
        if (!consumer.wants(block.chromosome()))
            return Status();
        Status status = consumer.ready();
        if (!status.ok())
            return status;
        ChromosomeTable table;
        // The genotypes go into the table: read now from a .bed (the block
        // holds where they are), moved from the block for a VCF. While the
        // table is analysed the next chromosome is matched.
        status = to_table(block, samples, fetch, table);
        if (!fetch_failure.ok())
            return fetch_failure;
        if (!status.ok())
            return consumer.unreadable(block.chromosome(), status.message);
        return consumer.take(table);
    };
    Status status = match_reference(*panel_, *index_, settings, hand_over, report_, nullptr);
    if (!status.ok())
        return status;
    status = write_excluded(*index_, inputs_.excluded_path);
    if (!status.ok())
        return status;
    // Every region would be "reference_missing": that is a failed match (an
    // empty or wrong file), not a partial result.
    if (report_.kept == 0)
        return Status(StatusCode::Malformed, "no SNP of the summary statistics matched the reference; see " +
                                                 inputs_.excluded_path);
    return status;
}

std::vector<std::string> DirectSource::describe() const
{
    std::vector<std::string> lines;
    std::string files;
    for (const std::string& f : panel_->files())
        files += (files.empty() ? "" : ", ") + f;
    lines.push_back("reference: " + reference_kind_ + " (" + files + ")");
    lines.push_back("individuals: " + std::to_string(panel_->samples().size()) + " of " +
                    std::to_string(panel_->all_samples()) +
                    (inputs_.keep.empty() ? std::string()
                                          : " (--keep " + inputs_.keep + ", " + std::to_string(keep_entries_) +
                                                " entries)"));
    std::string columns;
    for (const std::string& c : layout_.columns_used)
        columns += (columns.empty() ? "" : ", ") + c;
    lines.push_back("summary statistics: " + inputs_.sumstats + ", " + format_name(layout_.format) +
                    (layout_.comma_separated ? ", comma-separated" : "") + " (recognised from the header); columns " +
                    columns);
    lines.push_back(std::string("matching: by ") +
                    (layout_.has_positions ? "chromosome, position and allele pair" : "SNP id") +
                    (inputs_.drop_ambiguous ? ", strand-ambiguous SNPs left out" : ""));
    return lines;
}

std::vector<std::string> DirectSource::report() const
{
    std::vector<std::string> lines;
    const PrepareReport& r = report_;
    lines.push_back("summary-statistics rows read: " + std::to_string(r.rows));
    if (r.skipped_other_tests > 0)
        lines.push_back("rows of other tests than ADD skipped: " + std::to_string(r.skipped_other_tests));
    lines.push_back("SNPs matched: " + std::to_string(r.kept));
    long excluded = 0;
    for (int k = 1; k < kExclusionKinds; ++k) {
        excluded += r.excluded[static_cast<std::size_t>(k)];
        if (r.excluded[static_cast<std::size_t>(k)] > 0)
            lines.push_back(std::string("SNPs left out, ") + exclusion_phrase(static_cast<Exclusion>(k)) + ": " +
                            std::to_string(r.excluded[static_cast<std::size_t>(k)]));
    }
    lines.push_back("SNPs left out: " + std::to_string(excluded) + " (each with its reason in " +
                    inputs_.excluded_path + ")");
    const DroppedRows& aside = index_->dropped();
    if (aside.size() > 0)
        lines.push_back("rows at no reference site, set aside before matching: " + set_aside_text(aside));
    if (r.ambiguous_kept > 0)
        lines.push_back("strand-ambiguous SNPs kept: " + std::to_string(r.ambiguous_kept));
    if (r.kept_underflow > 0)
        lines.push_back("p-values below double precision kept as 0: " + std::to_string(r.kept_underflow));
    lines.push_back("reference sites: " + std::to_string(r.reference_sites));
    if (r.build_checked)
        lines.push_back("genome build check: " + std::to_string(r.positions_agree) + " of " +
                        std::to_string(r.id_matched) + " id-matched SNPs at the same position");
    if (r.filtered)
        lines.push_back("WARNING: only " + std::to_string(r.above_half) + " of " + std::to_string(r.valid_p) +
                        " p-values are above 0.5; the summary statistics look filtered and the regional tests are "
                        "meaningless on them");
    return lines;
}

std::vector<std::pair<std::string, std::string>> DirectSource::warnings() const
{
    if (panel_->keep_missing().empty())
        return {};
    return {{"keep entries", keep_missing_text(inputs_.keep, panel_->keep_missing(), keep_entries_)}};
}

std::vector<std::pair<std::string, std::string>> DirectSource::closing_warnings() const
{
    if (report_.repeated_sites == 0)
        return {};
    return {{"reference repeats", repeated_sites_text(report_)}};
}

std::string DirectSource::name_of(const std::string& field) const
{
    const std::string canonical = canonical_chromosome(field);
    return canonical.empty() ? chromosome_text(field) : canonical;
}

std::string DirectSource::missing_reason(const std::string& chromosome) const
{
    for (const ChromosomeCounts& counts : report_.chromosomes)
        if (counts.name == chromosome && counts.reference_sites > 0)
            return "has " + std::to_string(counts.reference_sites) +
                   " sites in the reference, but none matched a row of the summary statistics";
    return TableSource::missing_reason(chromosome);
}

std::vector<std::string> DirectSource::files() const
{
    std::vector<std::string> files = panel_->files();
    files.push_back(inputs_.sumstats);
    if (!inputs_.keep.empty())
        files.push_back(inputs_.keep);
    return files;
}

} // namespace analysis
