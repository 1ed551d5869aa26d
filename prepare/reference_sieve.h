#ifndef KESTO_PREPARE_REFERENCE_SIEVE_H
#define KESTO_PREPARE_REFERENCE_SIEVE_H

#include "reference/reference_panel.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The places and ids of a reference's sites, about six bytes a site, read before
// the summary statistics so that rows no site can match or look up are set
// aside instead of indexed (an imputed GWAS of 40 M rows against a panel of
// 1.2 M sites keeps 1.2 M rows). A row it lets through is handled as every
// row was before; a row it turns away could not have been matched.
class ReferenceSieve {
public:
    void add(const ReferenceSite& site);
    // Sorts what was added; call before asking.
    void finish();

    std::size_t sites() const { return sites_; }
    // The slot of a canonical chromosome name, or -1 when no site lies on it.
    int slot(std::string_view chromosome) const;
    // Whether a site lies at `position` of the chromosome in `slot`. The
    // cursor remembers where the last place was found, so that places in
    // ascending order (most tables) are found by a short step forward.
    struct Cursor {
        int slot = -1;
        std::size_t at = 0;
    };
    bool has_place(int slot, std::int64_t position, Cursor& cursor) const;
    // Whether a site may have this id. Ids are kept as a Bloom filter
    // (12 to 24 bits an id, three bits in one word), so an id of no site
    // passes now and then (about 1 to 2 %; such a row is handled as
    // before), and an id that a site has always passes.
    bool may_have_id(std::string_view id) const;

private:
    std::vector<std::string> chromosomes_;
    std::vector<std::vector<std::uint32_t>> positions_;  // by slot, ascending
    std::vector<std::uint64_t> id_hashes_;  // of the sites' ids, until finish()
    std::vector<std::uint64_t> id_bits_;    // the filter
    std::uint64_t id_mask_ = 0;
    std::size_t sites_ = 0;
    int last_ = -1;                                       // slot of the site added last
};

// Walks `panel` (opened afresh: the walk uses it up) into `sieve`. Sites
// whose chromosome is not understood are left out, as matching leaves them.
[[nodiscard]] Status sieve_reference(ReferencePanel& panel, ReferenceSieve& sieve);
// The same for the PLINK set(s) `prefix` names: their .bim files only.
[[nodiscard]] Status sieve_plink_sites(const std::string& prefix, ReferenceSieve& sieve);

#endif
