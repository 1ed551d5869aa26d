#include "exclusion.h"

const char* exclusion_word(Exclusion reason)
{
    switch (reason) {
    case Exclusion::None: return "kept";
    case Exclusion::ChromosomeUnknown: return "chromosome_not_understood";
    case Exclusion::PositionMissing: return "position_missing";
    case Exclusion::IdMissing: return "id_missing";
    case Exclusion::PMissing: return "p_missing";
    case Exclusion::PNotNumber: return "p_not_a_number";
    case Exclusion::POutOfRange: return "p_outside_0_1";
    case Exclusion::Duplicated: return "duplicated";
    case Exclusion::NotInReference: return "not_in_reference";
    case Exclusion::AllelesDiffer: return "alleles_not_reference_pair";
    case Exclusion::MultiAllelic: return "multiallelic_in_reference";
    case Exclusion::StrandAmbiguous: return "strand_ambiguous";
    }
    return "?";
}

const char* exclusion_phrase(Exclusion reason)
{
    switch (reason) {
    case Exclusion::None: return "kept";
    case Exclusion::ChromosomeUnknown: return "chromosome not understood";
    case Exclusion::PositionMissing: return "position missing";
    case Exclusion::IdMissing: return "SNP id missing (matching by id)";
    case Exclusion::PMissing: return "p-value missing";
    case Exclusion::PNotNumber: return "p-value not a number";
    case Exclusion::POutOfRange: return "p-value outside [0, 1]";
    case Exclusion::Duplicated: return "duplicated in the summary statistics (all copies)";
    case Exclusion::NotInReference: return "not in the reference";
    case Exclusion::AllelesDiffer: return "alleles not the reference's pair";
    case Exclusion::MultiAllelic: return "multi-allelic in the reference";
    case Exclusion::StrandAmbiguous: return "strand-ambiguous A/T or C/G (--drop-ambiguous)";
    }
    return "?";
}
