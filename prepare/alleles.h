#ifndef KESTO_PREPARE_ALLELES_H
#define KESTO_PREPARE_ALLELES_H

#include <string>
#include <string_view>

// Allele comparison for matching summary statistics to a reference. Alleles
// are upper case. Only the p-value is carried over, so which allele a study
// called "effect" never matters: a pair matches in either order and on either
// strand.

// The allele on the other strand (A<->T, C<->G base by base); an allele with
// any other letter is returned unchanged.
std::string flip_strand(std::string_view allele);

// Whether summary-statistics alleles `a`, `b` fit the reference pair `r1`,
// `r2`. An empty `b` (a table giving one allele) fits when `a` is one of the
// pair; both empty fit any pair.
bool alleles_fit(std::string_view a, std::string_view b, std::string_view r1, std::string_view r2);

// A/T or C/G: the pair reads the same on both strands.
bool strand_ambiguous(std::string_view r1, std::string_view r2);

// A text equal for two allele pairs exactly when they are the same unordered
// pair up to strand, for finding duplicated rows.
std::string pair_key(std::string_view a, std::string_view b);

#endif
