#ifndef KESTO_PREPARE_EXCLUSION_H
#define KESTO_PREPARE_EXCLUSION_H

#include <cstdint>

// Why a row of the summary statistics is left out. Every left-out row gets
// exactly one reason, the first that applies in this order: chromosome,
// position, p-value (checked while reading), duplicates (after reading),
// then what the reference says.
enum class Exclusion : std::uint8_t {
    None,                 // kept (or not decided yet)
    ChromosomeUnknown,
    PositionMissing,
    IdMissing,
    PMissing,
    PNotNumber,
    POutOfRange,
    Duplicated,
    NotInReference,
    AllelesDiffer,
    MultiAllelic,
    StrandAmbiguous,
};
constexpr int kExclusionKinds = 12;

// The word written into excluded.tsv.gz, e.g. "not_in_reference".
const char* exclusion_word(Exclusion reason);
// A phrase for the log and the summary, e.g. "not in the reference".
const char* exclusion_phrase(Exclusion reason);

#endif
