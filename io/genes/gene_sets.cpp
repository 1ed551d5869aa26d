#include "gene_sets.h"

Status read_gene_sets(const std::string& path, GeneSetTable& table)
{
    table = GeneSetTable{};
    return Status(StatusCode::Malformed, path + ": gene sets are not read yet");
}

void match_gene_sets(GeneSetTable& table, const GeneTable& genes)
{
    (void)table;
    (void)genes;
}

void write_pathway_file(std::ostream& out, const GeneSetTable& table)
{
    (void)out;
    (void)table;
}

Status write_pathway_file(const std::string& path, const GeneSetTable& table)
{
    (void)table;
    return Status(StatusCode::WriteError, path + ": not written yet");
}
