#include "preparation.h"

#include "alleles.h"
#include "ordered_pipeline.h"
#include "text_output.h"

#include <limits>
#include <set>

Status read_sumstats(SumstatsReader& reader, SumstatsIndex& index, PrepareReport& report, int threads,
                     std::size_t batch_lines)
{
    if (threads <= 1) {
        SumstatsRecord record;
        while (reader.next(record)) {
            index.add(record);
            ++report.rows;
        }
    } else {
        // Lines are read and the index filled on this thread; the parsing
        // of each batch runs on the workers, and batches come back in order.
        // The file's bytes are read (and inflated) ahead on a thread of their own.
        reader.read_ahead(threads);
        ordered_pipeline<SumstatsLines, SumstatsRows>(
            threads, 2 * static_cast<std::size_t>(threads),
            [&](SumstatsLines& lines) { return reader.next_lines(lines, batch_lines); },
            [&](const SumstatsLines& lines) {
                SumstatsRows rows;
                reader.parse_lines(lines, rows);
                return rows;
            },
            [&](SumstatsLines&, SumstatsRows& rows) {
                for (const SumstatsRecord& record : rows.records)
                    index.add(record);
                report.rows += static_cast<long>(rows.records.size());
                return reader.take(rows);
            });
    }
    if (!reader.status().ok())
        return reader.status();
    report.skipped_other_tests = reader.skipped_other_tests();
    index.finish();
    if (!index.status().ok())
        return index.status();
    report.valid_p = index.valid_p();
    report.above_half = index.p_above_half();
    report.filtered = report.valid_p > 0 &&
                      static_cast<double>(report.above_half) < kFilteredShare * static_cast<double>(report.valid_p);
    return check_p_column(reader, index);
}

Status check_p_column(const SumstatsReader& reader, const SumstatsIndex& index)
{
    std::string column;
    for (const std::string& used : reader.layout().columns_used)
        if (used.rfind("p=", 0) == 0 || used.rfind("log10p=", 0) == 0)
            column = used.substr(used.find('=') + 1);
    const long outside = index.p_out_of_range(), numbers = index.valid_p() + outside;
    if (!reader.layout().log10 && outside >= kWrongColumnOutside &&
        static_cast<double>(outside) >= kWrongColumnShare * static_cast<double>(numbers))
        return Status(StatusCode::Malformed,
                      reader.path() + ": " + std::to_string(outside) + " of " + std::to_string(numbers) +
                          " numbers in the p-value column " + column +
                          " lie outside [0, 1], so it does not hold p-values (give a -log10 p column with "
                          "--col-log10p)");
    if (reader.layout().log10 && index.valid_p() >= kWrongColumnNumbers && index.p_below_tenth() == 0)
        return Status(StatusCode::Malformed,
                      reader.path() + ": none of " + std::to_string(index.valid_p()) +
                          " numbers in the -log10 p column " + column +
                          " is above 1, so it looks like a column of p-values (give it with --col-p)");
    return Status();
}

namespace {

// Matching state of one walk over the reference.
class Walk {
public:
    Walk(ReferencePanel& panel, SumstatsIndex& index, const PrepareSettings& settings, const BlockSink& sink,
         PrepareReport& report)
        : panel_(panel), index_(index), settings_(settings), sink_(sink), report_(report),
          packed_(packed_bytes(panel.samples().size())), located_(settings.defer_genotypes && panel.locates())
    {
    }

    Status run(const std::function<void(double, long)>& progress);

private:
    Status site(const ReferenceSite& site);
    Status flush();
    // Counts the site towards the genome build check; `here` are the rows at its place.
    void check_build(const ReferenceSite& site, const SumstatsIndex::Range& here);
    std::string legend_id(const ReferenceSite& site, std::uint32_t row) const;

    ReferencePanel& panel_;
    SumstatsIndex& index_;
    SumstatsIndex::PlaceCursor place_;
    const PrepareSettings& settings_;
    const BlockSink& sink_;
    PrepareReport& report_;
    ChromosomeBlock block_;
    bool open_ = false;
    bool wanted_ = true;  // the open chromosome's genotypes are read
    std::set<std::string> done_;
    std::vector<std::uint8_t> packed_;
    bool located_;  // blocks hold where genotypes are, read when handed over
    std::vector<std::uint32_t> fits_;
};

Status Walk::run(const std::function<void(double, long)>& progress)
{
    ReferenceSite site;
    long count = 0;
    while (panel_.next(site)) {
        Status status = this->site(site);
        if (!status.ok())
            return status;
        if (++count % 4096 == 0 && progress)
            progress(panel_.done(), count);
    }
    if (!panel_.status().ok())
        return panel_.status();
    if (progress)
        progress(1.0, count);
    Status status = flush();
    if (!status.ok())
        return status;
    report_.multiallelic_sites = panel_.multiallelic_sites();
    if (report_.id_matched > 0) {
        report_.build_checked = true;
        report_.build_mismatch = static_cast<double>(report_.positions_agree) <
                                 kBuildAgreement * static_cast<double>(report_.id_matched);
    }
    return Status();
}

void Walk::check_build(const ReferenceSite& site, const SumstatsIndex::Range& here)
{
    // A row at the site's own place with its id settles it without a look-up
    // by id (rows at a place all have a known chromosome and a position).
    for (const std::uint32_t* r = here.first; r != here.last; ++r)
        if (index_.id(*r) == site.id) {
            ++report_.id_matched;
            ++report_.positions_agree;
            return;
        }
    // Rows with the id lie in the index, or among those set aside for
    // lying where no reference site does.
    bool found = false, agree = false;
    for (const SumstatsIndex* index : {static_cast<const SumstatsIndex*>(&index_), index_.elsewhere()}) {
        if (index == nullptr)
            continue;
        const SumstatsIndex::Range rows = index->with_id(site.id);
        for (const std::uint32_t* r = rows.first; r != rows.last; ++r) {
            if (!index->chromosome_known(*r) || index->position(*r) < 0)
                continue;
            found = true;
            agree = agree || (index->chromosome(*r) == site.chromosome && index->position(*r) == site.position);
        }
    }
    report_.id_matched += found;
    report_.positions_agree += agree;
}

std::string Walk::legend_id(const ReferenceSite& site, std::uint32_t row) const
{
    if (!site.id.empty())
        return site.id;
    if (!index_.id(row).empty())
        return std::string(index_.id(row));
    return site.chromosome + ":" + std::to_string(site.position) + ":" + site.allele2 + ":" + site.allele1;
}

Status Walk::site(const ReferenceSite& site)
{
    ++report_.reference_sites;
    if (site.chromosome.empty()) {
        ++report_.reference_unknown_chromosome;
        return Status();
    }
    if (!open_ || site.chromosome != block_.chromosome()) {
        if (done_.count(site.chromosome))
            return Status(StatusCode::Malformed,
                          panel_.where() + ": chromosome " + site.raw_chromosome +
                              " comes again after other chromosomes; the reference must hold each chromosome "
                              "in one stretch (sort it, e.g. plink --bfile IN --make-bed --out OUT, or "
                              "bcftools sort)");
        Status status = flush();
        if (!status.ok())
            return status;
        block_.reset(site.chromosome, panel_.samples().size(), located_);
        open_ = true;
        wanted_ = !settings_.wanted || settings_.wanted(site.chromosome);
        report_.chromosomes.push_back(ChromosomeCounts{site.chromosome, 0, 0});
    }
    ++report_.chromosomes.back().reference_sites;
    const bool by_position = index_.key() == SumstatsIndex::Key::Position;
    const SumstatsIndex::Range rows =
        by_position ? index_.at(site.chromosome, site.position, place_)
                    : (site.id.empty() ? SumstatsIndex::Range() : index_.with_id(site.id));
    if (by_position && !site.id.empty())
        check_build(site, rows);

    fits_.clear();
    bool repeat = false;
    for (const std::uint32_t* r = rows.first; r != rows.last; ++r) {
        const std::uint32_t row = *r;
        if (index_.matched(row) && !site.multiallelic) {
            const SumstatsIndex::Texts texts = index_.texts(row);
            repeat = repeat || alleles_fit(texts.allele1, texts.allele2, site.allele1, site.allele2);
        }
        if (index_.reason(row) != Exclusion::None || index_.matched(row))
            continue;
        if (site.multiallelic) {
            index_.hint(row, Exclusion::MultiAllelic);
            continue;
        }
        const SumstatsIndex::Texts texts = index_.texts(row);
        if (alleles_fit(texts.allele1, texts.allele2, site.allele1, site.allele2))
            fits_.push_back(row);
        else
            index_.hint(row, Exclusion::AllelesDiffer);
    }
    if (fits_.empty()) {
        if (repeat && report_.repeated_sites++ == 0)
            report_.first_repeat = (site.id.empty() ? std::string("a site") : site.id) + " at " + site.chromosome +
                                   ":" + std::to_string(site.position);
        return Status();
    }
    if (fits_.size() > 1) {
        // Several rows claim one reference SNP (e.g. one allele given, or
        // both strands written): none can be trusted.
        for (std::uint32_t row : fits_)
            index_.set_reason(row, Exclusion::Duplicated);
        return Status();
    }
    const std::uint32_t row = fits_[0];
    if (strand_ambiguous(site.allele1, site.allele2)) {
        if (settings_.drop_ambiguous) {
            index_.set_reason(row, Exclusion::StrandAmbiguous);
            return Status();
        }
        ++report_.ambiguous_kept;
    }
    index_.set_matched(row);
    if (!wanted_)
        return Status();
    if (located_) {
        block_.add_located(site.position, legend_id(site, row), index_.p_text(row), panel_.location());
        return Status();
    }
    Status status = panel_.genotypes(packed_.data());
    if (!status.ok())
        return status;
    block_.add(site.position, legend_id(site, row), index_.p_text(row), packed_.data());
    return Status();
}

Status Walk::flush()
{
    if (!open_)
        return Status();
    done_.insert(block_.chromosome());
    if (block_.size() == 0)
        return Status();
    const long written = static_cast<long>(block_.size());  // a sink may take the SNPs
    Status status = sink_(block_);
    if (!status.ok())
        return status;
    report_.chromosomes.back().written = written;
    block_.reset(block_.chromosome(), panel_.samples().size(), located_);
    return Status();
}

} // namespace

std::string repeated_sites_text(const PrepareReport& report)
{
    if (report.repeated_sites == 0)
        return std::string();
    return std::to_string(report.repeated_sites) +
           " reference sites list a SNP that an earlier site with the same alleles had matched; the first of each "
           "is used (first repeat: " +
           report.first_repeat + ")";
}

Status match_reference(ReferencePanel& panel, SumstatsIndex& index, const PrepareSettings& settings,
                       OutputFolder& out, PrepareReport& report, const std::function<void(double, long)>& progress)
{
    const std::vector<std::string>& samples = panel.samples();
    const BlockSink write_files = [&](ChromosomeBlock& block) {
        const std::string suffix = settings.compressed ? ".txt.gz" : ".txt";
        const std::string legend = "legend_chr" + block.chromosome() + suffix;
        const std::string genotype = "genotype_chr" + block.chromosome() + suffix;
        Status status =
            block.write(out.start(legend), out.start(genotype), settings.compressed, samples, settings.threads);
        if (!status.ok())
            return status;
        report.written.push_back(legend);
        report.written.push_back(genotype);
        return Status();
    };
    return match_reference(panel, index, settings, write_files, report, progress);
}

Status match_reference(ReferencePanel& panel, SumstatsIndex& index, const PrepareSettings& settings,
                       const BlockSink& sink, PrepareReport& report, const std::function<void(double, long)>& progress)
{
    Walk walk(panel, index, settings, sink, report);
    Status status = walk.run(progress);
    if (!status.ok())
        return status;
    index.settle();
    report.excluded.fill(0);
    report.kept = 0;
    report.kept_underflow = 0;
    for (std::uint32_t r = 0; r < index.size(); ++r) {
        if (index.matched(r)) {
            ++report.kept;
            report.kept_underflow += index.underflow(r);
        } else {
            ++report.excluded[static_cast<int>(index.reason(r))];
        }
    }
    for (int reason = 0; reason < kExclusionKinds; ++reason)
        report.excluded[static_cast<std::size_t>(reason)] += index.dropped().counts()[static_cast<std::size_t>(reason)];
    if (report.build_mismatch && !settings.allow_build_mismatch)
        return Status(StatusCode::Malformed,
                      "the two files look like different genome builds: of " + std::to_string(report.id_matched) +
                          " SNP ids found in both, only " + std::to_string(report.positions_agree) +
                          " have the same chromosome and position (below 90 %); lift one file over to the "
                          "other's build, or give --allow-build-mismatch to go on");
    return Status();
}

namespace {

void excluded_line(std::string& line, std::string_view id, std::string_view chromosome, std::int64_t position,
                   std::string_view allele1, std::string_view allele2, Exclusion reason, long line_number)
{
    line.clear();
    line += id.empty() ? std::string_view(".") : id;
    line += '\t';
    line += chromosome.empty() ? std::string_view(".") : chromosome;
    line += '\t';
    line += position < 0 ? std::string(".") : std::to_string(position);
    line += '\t';
    if (allele1.empty() && allele2.empty()) {
        line += '.';
    } else {
        line += allele1;
        if (!allele2.empty()) {
            line += '/';
            line += allele2;
        }
    }
    line += '\t';
    line += exclusion_word(reason);
    line += '\t';
    line += std::to_string(line_number);
    line += '\n';
}

} // namespace

Status write_excluded(const SumstatsIndex& index, const std::string& path)
{
    TextOutput out;
    Status status = out.open(path, true);
    if (!status.ok())
        return status;
    out.write("id\tchromosome\tposition\talleles\treason\tline\n");
    // The rows held and those set aside, each in file order, merged by line.
    DroppedRows::Reader aside(index.dropped());
    DroppedRows::Row set_aside;
    bool more = aside.next(set_aside);
    std::string line;
    const auto write_aside_before = [&](long before) {
        while (more && set_aside.line < before) {
            excluded_line(line, set_aside.id, set_aside.chromosome, set_aside.position, set_aside.allele1,
                          set_aside.allele2, set_aside.reason, set_aside.line);
            out.write(line);
            more = aside.next(set_aside);
        }
    };
    for (std::uint32_t r = 0; r < index.size(); ++r) {
        if (index.matched(r))
            continue;
        const long at = index.line(r);
        write_aside_before(at);
        excluded_line(line, index.id(r), index.chromosome(r), index.position(r), index.allele1(r), index.allele2(r),
                      index.reason(r), at);
        out.write(line);
    }
    write_aside_before(std::numeric_limits<long>::max());
    if (!aside.status().ok())
        return aside.status();
    return out.close();
}
