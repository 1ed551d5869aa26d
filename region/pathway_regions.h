#ifndef KESTO_REGION_PATHWAY_REGIONS_H
#define KESTO_REGION_PATHWAY_REGIONS_H

#include "gene_table.h"

#include <cstdint>
#include <string>
#include <vector>

// Base pairs added on each side of a gene when deciding whether two member
// genes lie close enough to form one region (the programs' fixed value; the
// analysis subcommands take it as a setting). The flank of the run does not
// enter this decision.
constexpr std::int32_t kMergeMargin = 25000;

// Copies of the gene entries whose name equals a member name (whole text,
// case-sensitive), in gene-table order; an entry is copied once for every
// member name equal to it. Chromosomes are put in their file-name form
// (a leading "chr" dropped, numbers in plain decimal).
std::vector<GeneEntry> match_members(const std::vector<GeneEntry>& genes, const std::vector<std::string>& members);

// Chromosome order: numbered chromosomes by number, then named ones (X, Y,
// MT, ...) by their text.
bool chromosome_before(const std::string& a, const std::string& b);

// Stable sort by chromosome, then start, then end.
void sort_regions(std::vector<GeneEntry>& regions);

// Joins entries of a sorted list that lie on the same chromosome and whose
// gap (start minus the end reached so far) is at most twice the margin, or
// that overlap. A joined region keeps the first entry's chromosome, start and
// name and reaches the largest end among its entries.
std::vector<GeneEntry> merge_neighbours(const std::vector<GeneEntry>& sorted, std::int32_t margin = kMergeMargin);

// The regions of one pathway: matching, sorting and merging in turn.
std::vector<GeneEntry> pathway_regions(const std::vector<GeneEntry>& genes, const std::vector<std::string>& members,
                                       std::int32_t margin = kMergeMargin);

#endif
