#ifndef KESTO_IO_REFERENCE_BED_FILE_H
#define KESTO_IO_REFERENCE_BED_FILE_H

#include "status.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// A SNP-major PLINK .bed opened for reading single SNPs. The three leading
// bytes and the file size are checked against the SNP and individual counts
// on opening, so a row read later is always whole. Each SNP takes
// ceil(individuals / 4) bytes, four genotypes a byte, the first in the two
// lowest bits (00 hom A1, 01 missing, 10 het, 11 hom A2).
class BedFile {
public:
    BedFile() = default;
    ~BedFile();
    BedFile(const BedFile&) = delete;
    BedFile& operator=(const BedFile&) = delete;

    // `snp_name(i)` names SNP i (from 0) in a message about a short file.
    Status open(const std::string& path, std::uint64_t snps, std::uint64_t individuals,
                const std::function<std::string(std::uint64_t)>& snp_name);

    std::uint64_t bytes_per_snp() const { return bytes_per_snp_; }
    std::uint64_t snps() const { return snps_; }

    // Copies the bytes of SNP `index` into `out` (bytes_per_snp() of them).
    // Rows read in increasing order are read without seeking.
    Status read_snp(std::uint64_t index, std::uint8_t* out);

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::uint64_t snps_ = 0;
    std::uint64_t bytes_per_snp_ = 0;
    std::uint64_t next_ = 0;  // the SNP the file position stands at
};

#endif
