#ifndef KESTO_IO_REFERENCE_KEEP_LIST_H
#define KESTO_IO_REFERENCE_KEEP_LIST_H

#include "status.h"

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

// The individuals to keep: one IID per line, or FID and IID (further fields
// ignored, as in a .fam). Lines starting with '#' and empty lines are skipped.
class KeepList {
public:
    Status read(const std::string& path);
    bool empty() const { return iids_.empty() && pairs_.empty(); }
    std::size_t entries() const { return entries_; }

    // Whether an individual of a PLINK set (family and individual id) is kept.
    bool keeps(const std::string& fid, const std::string& iid) const;
    // Whether a VCF sample is kept: by IID, or by "FID_IID" as PLINK writes
    // VCF sample names.
    bool keeps_sample(const std::string& name) const;

    // Entries that keep none of the individuals of a .fam ("FID\tIID"
    // each), or none of a VCF's samples: a keep list written for other
    // files keeps fewer people than meant, silently but for this. As
    // written ("FID IID" or "IID"), in file order.
    std::vector<std::string> missing_from_fam(const std::vector<std::string>& fam_ids) const;
    std::vector<std::string> missing_from_samples(const std::vector<std::string>& names) const;

private:
    std::unordered_set<std::string> iids_;   // lines of one field
    std::unordered_set<std::string> pairs_;  // "FID\tIID"
    std::unordered_set<std::string> joined_; // "FID_IID" and IIDs of pairs
    std::size_t entries_ = 0;
    std::vector<std::pair<std::string, std::string>> listed_;  // FID (empty for an IID alone), IID
};

// "keep.txt: 2 of 5 entries match no individual of the reference (first:
// FAM9 IND9)", for a log or a warning.
std::string keep_missing_text(const std::string& path, const std::vector<std::string>& missing, std::size_t entries);

// Indices of the kept individuals among `count` (all when the list is empty).
struct KeptSamples {
    std::vector<std::string> ids;       // kept ids, panel order
    std::vector<std::size_t> index;     // their positions in the panel
    bool all = true;                    // every individual kept, in order
};

#endif
