#include "plink.h"

#include "alleles.h"
#include "outfile.h"
#include "random.h"
#include "text_files.h"

#include <utility>

namespace {

// .bed 2-bit values indexed by code + 1: missing, hom A2, het, hom A1.
constexpr std::uint8_t kBedBits[] = {1, 3, 2, 0};

} // namespace

PlinkSet::PlinkSet(std::uint64_t seed, const SnpMap& map, int individuals)
    : map_(map), individuals_(individuals), row_bytes_((static_cast<std::size_t>(individuals) + 3) / 4)
{
    SnpAlleles alleles = make_alleles(seed, map);
    allele1_ = std::move(alleles.allele1);
    allele2_ = std::move(alleles.allele2);
    Rng sex(seed, kStreamSex);
    sex_.resize(individuals);
    for (auto& s : sex_)
        s = 1 + static_cast<int>(sex.below(2));
    packed_.reserve(row_bytes_ * map.size());
}

void PlinkSet::add(const std::vector<signed char>& codes)
{
    const std::size_t base = packed_.size();
    packed_.resize(base + row_bytes_, 0);
    for (std::size_t i = 0; i < codes.size(); ++i)
        packed_[base + i / 4] |= static_cast<std::uint8_t>(kBedBits[codes[i] + 1] << (2 * (i % 4)));
}

void PlinkSet::write(const std::string& prefix) const
{
    write_bed(prefix + ".bed");
    write_bim(prefix + ".bim");
    write_fam(prefix + ".fam");
    write_map(prefix + ".map");
    write_ped(prefix + ".ped");
}

void PlinkSet::write_bed(const std::string& path) const
{
    OutFile out(path);
    const char magic[] = {0x6c, 0x1b, 0x01};   // SNP-major
    out.write(magic, sizeof magic);
    out.write(reinterpret_cast<const char*>(packed_.data()), packed_.size());
    out.close();
}

void PlinkSet::write_bim(const std::string& path) const
{
    OutFile out(path);
    const std::string chr = std::to_string(map_.chromosome);
    for (std::size_t j = 0; j < map_.size(); ++j)
        out.write(chr + "\t" + map_.id(j) + "\t0\t" + std::to_string(map_.position[j]) + "\t" + allele1_[j] +
                  "\t" + allele2_[j] + "\n");
    out.close();
}

void PlinkSet::write_map(const std::string& path) const
{
    OutFile out(path);
    const std::string chr = std::to_string(map_.chromosome);
    for (std::size_t j = 0; j < map_.size(); ++j)
        out.write(chr + "\t" + map_.id(j) + "\t0\t" + std::to_string(map_.position[j]) + "\n");
    out.close();
}

std::string PlinkSet::person(int i) const
{
    return sample_label("FAM", i + 1, individuals_) + " " + sample_label("IND", i + 1, individuals_) + " 0 0 " +
           std::to_string(sex_[i]) + " -9";
}

void PlinkSet::write_fam(const std::string& path) const
{
    OutFile out(path);
    for (int i = 0; i < individuals_; ++i)
        out.write(person(i) + "\n");
    out.close();
}

void PlinkSet::write_ped(const std::string& path) const
{
    OutFile out(path);
    std::string line;
    for (int i = 0; i < individuals_; ++i) {
        line = person(i);
        const std::size_t byte = static_cast<std::size_t>(i) / 4;
        const int shift = 2 * (i % 4);
        for (std::size_t j = 0; j < map_.size(); ++j) {
            const int bits = (packed_[j * row_bytes_ + byte] >> shift) & 3;
            const char a1 = allele1_[j], a2 = allele2_[j];
            const char first = bits == 1 ? '0' : bits == 3 ? a2 : a1;
            const char second = bits == 1 ? '0' : bits == 0 ? a1 : a2;
            line += ' ';
            line += first;
            line += ' ';
            line += second;
        }
        line += '\n';
        out.write(line);
    }
    out.close();
}
