#include "plink_panel.h"

#include "sumstats/chromosome_names.h"
#include "chromosome_sets.h"
#include "blank_split.h"

namespace {

// Alleles in upper case, letter by letter in ASCII (what toupper does in
// the C locale the programs run in), into a string kept from site to site.
void assign_upper(std::string& out, std::string_view text)
{
    out.assign(text.data(), text.size());
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

Status read_fam(const std::string& path, std::vector<std::string>& ids)
{
    ids.clear();
    LineSource source;
    Status status = source.open(path);
    if (!status.ok())
        return status;
    std::string_view line;
    std::vector<std::string_view> fields;
    while (source.next(line)) {
        split_on_blanks(line, fields);
        if (fields.empty())
            continue;
        if (fields.size() < 2)
            return Status(StatusCode::Malformed,
                          source.where() + ": a .fam line needs a family and an individual id");
        ids.push_back(std::string(fields[0]) + "\t" + std::string(fields[1]));
    }
    if (!source.status().ok())
        return source.status();
    if (ids.empty())
        return Status(StatusCode::Malformed, path + ": no individual");
    return Status();
}

Status count_lines(const std::string& path, std::uint64_t& count)
{
    count = 0;
    LineSource source;
    Status status = source.open(path);
    if (!status.ok())
        return status;
    std::string_view line;
    while (source.next(line))
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            ++count;
    return source.status();
}

// .bed 2-bit value -> copies of A1 (3 missing).
constexpr std::uint8_t kBedToCode[4] = {2, kMissingCode, 1, 0};

// The same for the four genotypes of a whole .bed byte.
struct BedByteTable {
    std::uint8_t codes[256] = {};
    constexpr BedByteTable()
    {
        for (int b = 0; b < 256; ++b)
            codes[b] = static_cast<std::uint8_t>(kBedToCode[b & 3] | kBedToCode[(b >> 2) & 3] << 2 |
                                                 kBedToCode[(b >> 4) & 3] << 4 | kBedToCode[(b >> 6) & 3] << 6);
    }
};
constexpr BedByteTable kBedByteToCodes{};

} // namespace

Status PlinkPanel::open(const std::string& prefix, const KeepList& keep)
{
    Status status = expand_chromosome_sets(prefix, ".bed", prefixes_);
    if (!status.ok())
        return status;
    for (std::size_t s = 0; s < prefixes_.size(); ++s) {
        std::vector<std::string> ids;
        status = read_fam(prefixes_[s] + ".fam", ids);
        if (!status.ok())
            return status;
        if (s == 0)
            fam_ids_ = ids;
        else if (ids != fam_ids_)
            return Status(StatusCode::Malformed, prefixes_[s] + ".fam lists other individuals than " +
                                                     prefixes_[0] + ".fam; the sets of a chromosome series "
                                                     "must hold the same individuals in the same order");
        std::uint64_t snps = 0;
        status = count_lines(prefixes_[s] + ".bim", snps);
        if (!status.ok())
            return status;
        total_snps_ += snps;
        set_counts_.push_back(snps);
        files_.push_back(prefixes_[s] + ".bed");
        files_.push_back(prefixes_[s] + ".bim");
        files_.push_back(prefixes_[s] + ".fam");
    }
    kept_.all = keep.empty();
    keep_missing_ = keep.missing_from_fam(fam_ids_);
    for (std::size_t i = 0; i < fam_ids_.size(); ++i) {
        const std::size_t tab = fam_ids_[i].find('\t');
        const std::string fid = fam_ids_[i].substr(0, tab), iid = fam_ids_[i].substr(tab + 1);
        if (keep.empty() || keep.keeps(fid, iid)) {
            kept_.ids.push_back(iid);
            kept_.index.push_back(i);
        }
    }
    if (kept_.ids.empty())
        return Status(StatusCode::Malformed, "none of the individuals of " + prefixes_[0] + ".fam is in the keep list");
    return open_set(0);
}

Status PlinkPanel::open_set(std::size_t set)
{
    set_ = set;
    snp_ = 0;
    const std::string& prefix = prefixes_[set];
    set_snps_ = set_counts_[set];
    bim_ = std::make_unique<LineSource>();
    Status status = bim_->open(prefix + ".bim");
    if (!status.ok())
        return status;
    status = open_bed(set, bed_);
    row_.assign(bed_.bytes_per_snp(), 0);
    return status;
}

Status PlinkPanel::open_bed(std::size_t set, BedFile& bed) const
{
    const std::string& prefix = prefixes_[set];
    // SNP names for a message about a short .bed come from a second reading.
    const std::string bim = prefix + ".bim";
    return bed.open(prefix + ".bed", set_counts_[set], fam_ids_.size(), [&bim](std::uint64_t snp) {
        LineSource source;
        if (!source.open(bim).ok())
            return std::string("?");
        std::string_view line;
        std::vector<std::string_view> fields;
        std::uint64_t at = 0;
        while (source.next(line)) {
            split_on_blanks(line, fields);
            if (fields.empty())
                continue;
            if (at++ == snp)
                return fields.size() > 1 ? std::string(fields[1]) : std::string("?");
        }
        return std::string("?");
    });
}

bool PlinkPanel::next(ReferenceSite& site)
{
    if (!status_.ok())
        return false;
    std::string_view line;
    std::vector<std::string_view>& fields = fields_;
    for (;;) {
        if (!bim_->next(line)) {
            if (!bim_->status().ok()) {
                status_ = bim_->status();
                return false;
            }
            if (set_ + 1 >= prefixes_.size())
                return false;
            status_ = open_set(set_ + 1);
            if (!status_.ok())
                return false;
            continue;
        }
        split_on_blanks(line, fields, 6);  // words past the sixth are not read
        if (!fields.empty())
            break;
    }
    if (fields.size() < 6) {
        status_ = Status(StatusCode::Malformed, bim_->where() + ": a .bim line needs 6 fields (chromosome, id, "
                                                               "cM, position, A1, A2), found " +
                                                    std::to_string(fields.size()));
        return false;
    }
    // A .bim holds one chromosome for many lines: its name is worked out
    // once per stretch.
    if (!named_ || raw_chromosome_ != fields[0]) {
        raw_chromosome_.assign(fields[0].data(), fields[0].size());
        chromosome_ = canonical_chromosome(fields[0]);
        named_ = true;
    }
    site.raw_chromosome = raw_chromosome_;
    site.chromosome = chromosome_;
    if (fields[1] == ".")
        site.id.clear();
    else
        site.id.assign(fields[1].data(), fields[1].size());
    std::int64_t position = 0;
    bool digits = !fields[3].empty();
    for (char c : fields[3]) {
        if (c < '0' || c > '9' || position > (std::int64_t(1) << 50)) {
            digits = false;
            break;
        }
        position = position * 10 + (c - '0');
    }
    if (!digits) {
        status_ = Status(StatusCode::Malformed, bim_->where() + ": position '" + std::string(fields[3]) +
                                                    "' is not a whole number");
        return false;
    }
    site.position = position;
    assign_upper(site.allele1, fields[4]);
    assign_upper(site.allele2, fields[5]);
    site.multiallelic = false;
    site.alleles.assign(site.allele2).append(1, ',').append(site.allele1);
    ++snp_;
    ++done_snps_;
    return true;
}

Status PlinkPanel::genotypes(std::uint8_t* packed)
{
    Status status = bed_.read_snp(snp_ - 1, row_.data());
    if (!status.ok())
        return status;
    decode(row_, packed);
    return Status();
}

Status PlinkPanel::genotypes_at(std::uint64_t location, std::uint8_t* packed)
{
    const std::size_t set = static_cast<std::size_t>(location >> kSetShift);
    if (set >= prefixes_.size())
        return Status(StatusCode::Malformed, "no reference set " + std::to_string(set));
    if (!located_open_ || located_set_ != set) {
        located_open_ = false;
        Status status = open_bed(set, located_bed_);
        if (!status.ok())
            return status;
        located_set_ = set;
        located_open_ = true;
    }
    Status status = located_bed_.read_snp(location & ((std::uint64_t(1) << kSetShift) - 1), row_.data());
    if (!status.ok())
        return status;
    decode(row_, packed);
    return Status();
}

void PlinkPanel::decode(const std::vector<std::uint8_t>& row, std::uint8_t* packed) const
{
    const std::size_t kept = kept_.ids.size();
    if (kept_.all) {
        for (std::size_t b = 0; b < row.size(); ++b)
            packed[b] = kBedByteToCodes.codes[row[b]];
        return;
    }
    std::fill(packed, packed + packed_bytes(kept), 0);
    for (std::size_t k = 0; k < kept; ++k) {
        const std::size_t i = kept_.index[k];
        const unsigned bits = (row[i / 4] >> (2 * (i % 4))) & 3u;
        packed[k / 4] = static_cast<std::uint8_t>(packed[k / 4] | kBedToCode[bits] << (2 * (k % 4)));
    }
}

double PlinkPanel::done() const
{
    return total_snps_ == 0 ? 1.0 : static_cast<double>(done_snps_) / static_cast<double>(total_snps_);
}
