#include "bed_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string hex(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", byte);
    return text;
}

std::string at_byte(const std::string& path, unsigned long long offset)
{
    return path + " byte offset " + std::to_string(offset);
}

} // namespace

BedFile::~BedFile()
{
    if (file_)
        std::fclose(file_);
}

Status BedFile::open(const std::string& path, std::uint64_t snps, std::uint64_t individuals,
                     const std::function<std::string(std::uint64_t)>& snp_name)
{
    path_ = path;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return Status(errno == ENOENT ? StatusCode::NotFound : StatusCode::ReadError,
                      "cannot open " + path + ": " + std::strerror(errno));
    struct stat st;
    if (fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode))
        return Status(StatusCode::ReadError, path + ": not a regular file");
    const unsigned long long size = static_cast<unsigned long long>(st.st_size);

    unsigned char magic[3] = {0, 0, 0};
    const std::size_t got = std::fread(magic, 1, 3, file_);
    if (got >= 1 && magic[0] != 0x6c)
        return Status(StatusCode::Malformed, at_byte(path, 0) + ": not a PLINK .bed file (first byte is " +
                                                 hex(magic[0]) + ", expected 0x6c)");
    if (got >= 2 && magic[1] != 0x1b)
        return Status(StatusCode::Malformed, at_byte(path, 1) + ": not a PLINK .bed file (second byte is " +
                                                 hex(magic[1]) + ", expected 0x1b)");
    if (got < 3)
        return Status(StatusCode::Malformed, path + ": only " + std::to_string(got) +
                                                 " bytes; a PLINK .bed starts with the three bytes 0x6c 0x1b 0x01");
    if (magic[2] == 0x00)
        return Status(StatusCode::Malformed,
                      at_byte(path, 2) +
                          ": individual-major .bed (mode byte 0x00) is not supported; rewrite it "
                          "SNP-major, e.g. plink --bfile BASE --make-bed --out NEWBASE");
    if (magic[2] != 0x01)
        return Status(StatusCode::Malformed, at_byte(path, 2) + ": unknown .bed mode byte " + hex(magic[2]) +
                                                 " (expected 0x01, SNP-major)");

    snps_ = snps;
    bytes_per_snp_ = (individuals + 3) / 4;
    next_ = 0;
    const unsigned long long per_snp = bytes_per_snp_;
    const unsigned long long expected = 3 + per_snp * snps;
    const std::string shape = std::to_string(snps) + " SNPs x " + std::to_string(individuals) +
                              " individuals need 3 + " + std::to_string(snps) + " x " + std::to_string(per_snp) +
                              " = " + std::to_string(expected) + " bytes";
    if (size < expected) {
        const unsigned long long snp = per_snp == 0 ? 0 : (size - 3) / per_snp;
        return Status(StatusCode::Malformed, at_byte(path, size) + ": file ends inside SNP " +
                                                 std::to_string(snp + 1) + " (" + snp_name(snp) + "); " + shape +
                                                 ". The file is truncated, or the .bim/.fam do not belong to it");
    }
    if (size > expected)
        return Status(StatusCode::Malformed, at_byte(path, expected) + ": " + std::to_string(size - expected) +
                                                 " bytes more than expected; " + shape +
                                                 ". The .bim/.fam do not belong to it");
    return Status();
}

Status BedFile::read_snp(std::uint64_t index, std::uint8_t* out)
{
    const unsigned long long offset = 3 + bytes_per_snp_ * index;
    if (index != next_ && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0)
        return Status(StatusCode::ReadError, at_byte(path_, offset) + ": cannot seek: " + std::strerror(errno));
    next_ = index + 1;
    if (std::fread(out, 1, bytes_per_snp_, file_) != bytes_per_snp_) {
        next_ = snps_ + 1;  // position unknown: seek next time
        return Status(StatusCode::ReadError,
                      at_byte(path_, offset) + ": cannot read SNP " + std::to_string(index + 1) +
                          (std::ferror(file_) ? std::string(": ") + std::strerror(errno)
                                              : std::string(": file shrank while reading")));
    }
    return Status();
}
