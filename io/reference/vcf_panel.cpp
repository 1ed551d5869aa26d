#include "vcf_panel.h"

#include "sumstats/chromosome_names.h"
#include "chromosome_sets.h"

#include <htslib/hts.h>
#include <htslib/bgzf.h>
#include <htslib/hfile.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sys/stat.h>

namespace {

std::string upper(const char* text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

VcfPanel::~VcfPanel()
{
    close_file();
    std::free(gt_);
}

void VcfPanel::close_file()
{
    if (rec_)
        bcf_destroy(rec_);
    if (hdr_)
        bcf_hdr_destroy(hdr_);
    if (fp_)
        hts_close(fp_);
    rec_ = nullptr;
    hdr_ = nullptr;
    fp_ = nullptr;
}

Status VcfPanel::open(const std::string& name, const KeepList& keep)
{
    Status status = expand_chromosome_sets(name, "", files_);
    if (!status.ok())
        return status;
    status = open_file(0);
    if (!status.ok())
        return status;
    kept_.all = keep.empty();
    keep_missing_ = keep.missing_from_samples(names_);
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (keep.empty() || keep.keeps_sample(names_[i])) {
            kept_.ids.push_back(names_[i]);
            kept_.index.push_back(i);
        }
    }
    if (kept_.ids.empty())
        return Status(StatusCode::Malformed, names_.empty() ? files_[0] + ": the file holds no samples (no genotypes)"
                                                            : "none of the samples of " + files_[0] +
                                                                  " is in the keep list");
    return Status();
}

Status VcfPanel::open_file(std::size_t index)
{
    close_file();
    file_ = index;
    record_ = 0;
    const std::string& path = files_[index];
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return Status(StatusCode::NotFound, path + ": no such file");
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))
        return Status(StatusCode::ReadError, path + ": not a regular file");
    file_size_ = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
    fp_ = hts_open(path.c_str(), "r");
    if (!fp_)
        return Status(StatusCode::ReadError, path + ": cannot open");
    const htsFormat* format = hts_get_format(fp_);
    if (format->format != vcf && format->format != bcf)
        return Status(StatusCode::Malformed, path + ": not a VCF or BCF file");
    hdr_ = bcf_hdr_read(fp_);
    if (!hdr_)
        return Status(StatusCode::Malformed, path + ": cannot read the VCF header");
    rec_ = bcf_init();
    std::vector<std::string> names;
    for (int i = 0; i < bcf_hdr_nsamples(hdr_); ++i)
        names.emplace_back(hdr_->samples[i]);
    if (index == 0) {
        names_ = names;
        all_samples_ = names.size();
    } else if (names != names_) {
        return Status(StatusCode::Malformed, path + " lists other samples than " + files_[0] +
                                                 "; the files of a chromosome series must hold the same samples "
                                                 "in the same order");
    }
    return Status();
}

bool VcfPanel::next(ReferenceSite& site)
{
    if (!status_.ok() || !fp_)
        return false;
    for (;;) {
        const int got = bcf_read(fp_, hdr_, rec_);
        if (got == 0 && !rec_->errcode)
            break;
        if (got != -1) {
            status_ = Status(StatusCode::Malformed, files_[file_] + " record " + std::to_string(record_ + 1) +
                                                        ": cannot be read as VCF");
            return false;
        }
        if (file_ + 1 >= files_.size()) {
            close_file();
            return false;
        }
        status_ = open_file(file_ + 1);
        if (!status_.ok())
            return false;
    }
    ++record_;
    bcf_unpack(rec_, BCF_UN_STR);
    const char* chromosome = bcf_hdr_id2name(hdr_, rec_->rid);
    site.raw_chromosome = chromosome;
    site.chromosome = canonical_chromosome(chromosome);
    site.position = static_cast<std::int64_t>(rec_->pos) + 1;
    site.id = (rec_->d.id && std::string(rec_->d.id) != ".") ? std::string(rec_->d.id) : std::string();
    site.alleles.clear();
    for (int a = 0; a < rec_->n_allele; ++a) {
        if (a)
            site.alleles += ',';
        site.alleles += upper(rec_->d.allele[a]);
    }
    site.allele2 = rec_->n_allele > 0 ? upper(rec_->d.allele[0]) : std::string(".");
    site.allele1 = rec_->n_allele > 1 ? upper(rec_->d.allele[1]) : std::string(".");
    site.multiallelic = rec_->n_allele > 2;
    if (site.multiallelic)
        ++multiallelic_;
    return true;
}

Status VcfPanel::genotypes(std::uint8_t* packed)
{
    const std::size_t kept = kept_.ids.size();
    std::fill(packed, packed + packed_bytes(kept), 0);
    const int n = bcf_get_genotypes(hdr_, rec_, &gt_, &gt_capacity_);
    // A site without calls would enter the LD matrix as wholly missing (no
    // LD with anything), which quietly turns a dosage-only panel into
    // independent SNPs.
    if (n <= 0)
        return Status(StatusCode::Malformed,
                      where() + ": no GT field; the reference needs genotype calls (a file of dosages can be turned "
                                "into calls with plink2 --vcf FILE dosage=DS --make-bed)");
    const int per_sample = n / static_cast<int>(all_samples_);
    for (std::size_t k = 0; k < kept; ++k) {
        const int32_t* call = gt_ + kept_.index[k] * per_sample;
        unsigned code = 0;
        int alleles = 0;
        bool missing = false;
        for (int j = 0; j < per_sample && j < 2; ++j) {
            if (call[j] == bcf_int32_vector_end)
                break;
            if (bcf_gt_is_missing(call[j])) {
                missing = true;
                break;
            }
            ++alleles;
            if (bcf_gt_allele(call[j]) == 1)
                ++code;
        }
        if (missing || alleles == 0)
            code = kMissingCode;
        else if (alleles == 1)
            code *= 2;  // a haploid call counts as homozygous
        packed[k / 4] = static_cast<std::uint8_t>(packed[k / 4] | code << (2 * (k % 4)));
    }
    return Status();
}

std::string VcfPanel::where() const
{
    return files_.empty() ? std::string() : files_[file_] + " record " + std::to_string(record_);
}

double VcfPanel::done() const
{
    if (!fp_ || file_size_ <= 0)
        return static_cast<double>(file_) / static_cast<double>(files_.empty() ? 1 : files_.size());
    std::int64_t offset = 0;
    if (fp_->format.compression == no_compression)
        offset = htell(fp_->fp.hfile);
    else
        offset = bgzf_tell(fp_->fp.bgzf) >> 16;
    const double in_file = std::min(1.0, static_cast<double>(offset) / static_cast<double>(file_size_));
    return (static_cast<double>(file_) + in_file) / static_cast<double>(files_.size());
}
