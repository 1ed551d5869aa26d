#include "runs.h"

namespace analysis {

RegionCells region_cells(const RegionResult& r)
{
    RegionCells cells;
    cells.status = state_name(r.state);
    if (unevaluated(r.state))
        return cells;
    cells.nsnps = r.nsnps;
    if (r.has_top) {
        cells.top_snp = r.top_snp;
        cells.top_p = r.top_p;
    }
    if (r.state == RegionState::Ok) {
        cells.ncritical = r.ncritical;
        cells.nsignificant = r.nsignificant;
        cells.regional_p = r.regional_p;
    }
    return cells;
}

void note_unreadable(RunLog& log, const std::string& chromosome, const std::string& message)
{
    log.warn("unreadable " + chromosome, "chromosome " + chromosome + " could not be read: " + message);
}

void note_missing(RunLog& log, const TableSource& source, const std::string& chromosome)
{
    log.warn("missing " + chromosome, "chromosome " + chromosome + " " + source.missing_reason(chromosome));
}

void note_pvalues(RunLog& log, const ChromosomeTable& table)
{
    if (table.missing_pvalues > 0)
        log.warn("nonnumeric " + table.chromosome, "chromosome " + table.chromosome + ": " +
                                                       std::to_string(table.missing_pvalues) +
                                                       " p-values are not numbers and count as no hit");
}

} // namespace analysis
