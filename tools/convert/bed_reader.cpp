#include "bed_reader.h"

#include "convert_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace convert {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

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

TwoBitMatrix read_bed(const std::string& path, const std::vector<SnpRecord>& snps,
                      std::size_t individuals)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw ConvertError("cannot open " + path + ": " + std::strerror(errno));
    struct stat st;
    if (fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        throw ConvertError(path + ": not a regular file");
    const unsigned long long size = static_cast<unsigned long long>(st.st_size);

    unsigned char magic[3] = {0, 0, 0};
    const std::size_t got = std::fread(magic, 1, 3, file.get());
    if (got >= 1 && magic[0] != 0x6c)
        throw ConvertError(at_byte(path, 0) + ": not a PLINK .bed file (first byte is " + hex(magic[0]) +
                           ", expected 0x6c)");
    if (got >= 2 && magic[1] != 0x1b)
        throw ConvertError(at_byte(path, 1) + ": not a PLINK .bed file (second byte is " + hex(magic[1]) +
                           ", expected 0x1b)");
    if (got < 3)
        throw ConvertError(path + ": only " + std::to_string(got) +
                           " bytes; a PLINK .bed starts with the three bytes 0x6c 0x1b 0x01");
    if (magic[2] == 0x00)
        throw ConvertError(at_byte(path, 2) +
                           ": individual-major .bed (mode byte 0x00) is not supported; rewrite it "
                           "SNP-major, e.g. plink --bfile BASE --make-bed --out NEWBASE");
    if (magic[2] != 0x01)
        throw ConvertError(at_byte(path, 2) + ": unknown .bed mode byte " + hex(magic[2]) +
                           " (expected 0x01, SNP-major)");

    // The size is checked before the table is made: a .fam or .bim that does
    // not belong to the .bed could ask for far more memory than there is.
    const unsigned long long per_snp = (static_cast<unsigned long long>(individuals) + 3) / 4;
    const bool overflows = !snps.empty() && per_snp > (~0ULL - 3) / snps.size();
    const unsigned long long expected = overflows ? ~0ULL : 3 + per_snp * snps.size();
    const std::string shape = std::to_string(snps.size()) + " SNPs x " + std::to_string(individuals) +
                              " individuals need 3 + " + std::to_string(snps.size()) + " x " +
                              std::to_string(per_snp) + " = " + std::to_string(expected) + " bytes";
    if (size < expected) {
        const unsigned long long snp = (size - 3) / per_snp;
        throw ConvertError(at_byte(path, size) + ": file ends inside SNP " + std::to_string(snp + 1) +
                           " (" + snps[snp].id + "); " + shape +
                           ". The file is truncated, or the .bim/.fam do not belong to it");
    }
    if (size > expected)
        throw ConvertError(at_byte(path, expected) + ": " + std::to_string(size - expected) +
                           " bytes more than expected; " + shape + ". The .bim/.fam do not belong to it");

    TwoBitMatrix table(snps.size(), individuals);
    for (std::size_t snp = 0; snp < snps.size(); ++snp) {
        if (std::fread(table.row_bytes(snp), 1, per_snp, file.get()) != per_snp)
            throw ConvertError(at_byte(path, 3 + per_snp * snp) + ": cannot read SNP " +
                               std::to_string(snp + 1) + " (" + snps[snp].id + ")" +
                               (std::ferror(file.get()) ? std::string(": ") + std::strerror(errno)
                                                        : std::string(": file shrank while reading")));
    }
    return table;
}

} // namespace convert
