#ifndef KESTO_ANALYSIS_LOADED_CHROMOSOME_H
#define KESTO_ANALYSIS_LOADED_CHROMOSOME_H

#include "chromosome_table.h"
#include "region_result.h"
#include "run_log.h"

#include <string>

namespace analysis {

struct RunTally;

// The one chromosome a run holds: loaded when a region asks for another one,
// replacing the previous. Load problems go to the log once per chromosome.
class LoadedChromosome {
public:
    LoadedChromosome(TableSource& source, RunLog& log, RunTally& tally) : source_(source), log_(log), tally_(tally) {}

    // The table of `name`, or nullptr with the state its regions get.
    ChromosomeTable* get(const std::string& name, RegionState& failed);

private:
    TableSource& source_;
    RunLog& log_;
    RunTally& tally_;
    bool loaded_ = false;
    std::string name_;
    RegionState state_ = RegionState::Ok;
    ChromosomeTable table_;
};

} // namespace analysis

#endif
