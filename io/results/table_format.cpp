#include "table_format.h"

#include "result_writer.h"

namespace {

const char* const kMissing = "NA";

// A copied name may hold a tab or a line end (a quoted field can); written
// as it is, it would split the row.
std::string text_cell(const std::string& text)
{
    std::string clean = text;
    for (char& c : clean)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return clean.empty() ? std::string(kMissing) : clean;
}

std::string cell(const std::optional<long>& value) { return value ? std::to_string(*value) : kMissing; }
std::string cell(const std::optional<int>& value) { return value ? format_number(*value) : kMissing; }
std::string cell(const std::optional<double>& value) { return value ? format_number(*value) : kMissing; }
std::string cell(const std::optional<std::string>& value) { return value ? text_cell(*value) : kMissing; }

std::string region_cells(const RegionCells& c)
{
    return cell(c.nsnps) + "\t" + cell(c.ncritical) + "\t" + cell(c.nsignificant) + "\t" + cell(c.regional_p) +
           "\t" + cell(c.top_snp) + "\t" + cell(c.top_p) + "\t" + c.status + "\n";
}

} // namespace

const char* const kGeneHeader =
    "chromosome\tstart\tend\tgene_name\tgene_id\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n";
const char* const kPathwayHeader = "id\tname\tmembers\tmembers_found\tregions\tregions_evaluated\tnsnps\tncritical\t"
                                   "nsignificant\tregional_p\tstatus\n";
const char* const kWindowHeader =
    "chromosome\tstart\tend\tnsnps\tncritical\tnsignificant\tregional_p\ttop_snp\ttop_p\tstatus\n";

std::string gene_line(const GeneRow& row)
{
    return text_cell(row.chromosome) + "\t" + std::to_string(row.start) + "\t" + std::to_string(row.end) + "\t" +
           text_cell(row.name) + "\t" + text_cell(row.id) + "\t" + region_cells(row.cells);
}

std::string window_line(const WindowRow& row)
{
    return text_cell(row.chromosome) + "\t" + std::to_string(row.start) + "\t" + std::to_string(row.end) + "\t" +
           region_cells(row.cells);
}

std::string pathway_line(const PathwayRow& row)
{
    return text_cell(row.id) + "\t" + text_cell(row.name) + "\t" + std::to_string(row.members) + "\t" +
           std::to_string(row.members_found) + "\t" + std::to_string(row.regions) + "\t" +
           std::to_string(row.regions_evaluated) + "\t" + cell(row.nsnps) + "\t" + cell(row.ncritical) + "\t" +
           cell(row.nsignificant) + "\t" + cell(row.regional_p) + "\t" + row.status + "\n";
}
