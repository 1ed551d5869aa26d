#ifndef KESTO_IO_GENE_SETS_H
#define KESTO_IO_GENE_SETS_H

#include "gene_locations.h"
#include "status.h"

#include <ostream>
#include <string>
#include <vector>

// GMT gene sets (MSigDB layout: set name, description, member symbols, one
// set per line, tab-separated) turned into the suite's pathway file (id,
// name, member symbols).
struct GeneSet {
    long line = 0;
    std::string id;                    // the set name
    std::string name;                  // the description, or the set name when the description is
                                       // empty, "NA" or a web address
    std::vector<std::string> members;  // as written, in file order
    long missing_members = 0;          // members found in the gene list neither by name nor by id
    long members_by_id = 0;            // members given as gene ids, written as the gene's name
};

struct GeneSetTable {
    std::vector<GeneSet> sets;
};

// Reads a GMT file (plain or compressed). A line with a set name but no
// description field gives a Malformed status naming file and line; empty
// lines are skipped.
Status read_gene_sets(const std::string& path, GeneSetTable& table);

// Matches the members against the gene list: a member equal to a gene name
// stays; one equal to a gene id (an Entrez id in an Entrez GMT, say) is
// replaced by that gene's name; the rest are counted in missing_members
// (and still written, so the pathway file keeps the set as given).
void match_gene_sets(GeneSetTable& table, const GeneLocationTable& genes);

// The suite's pathway file: id, name, members, tab-separated, no header.
void write_pathway_file(std::ostream& out, const GeneSetTable& table);
Status write_pathway_file(const std::string& path, const GeneSetTable& table);

#endif
