#include "loaded_chromosome.h"

#include "runs.h"

namespace analysis {

ChromosomeTable* LoadedChromosome::get(const std::string& name, RegionState& failed)
{
    if (!loaded_ || name != name_) {
        table_ = ChromosomeTable{};
        const Status status = source_.load(name, table_);
        ++tally_.chromosome_loads;
        loaded_ = true;
        name_ = name;
        state_ = RegionState::Ok;
        if (status.code == StatusCode::NotFound) {
            state_ = RegionState::ReferenceMissing;
            log_.warn("missing " + name, "chromosome " + name + " is not in the reference (" + status.message + ")");
        } else if (!status.ok()) {
            state_ = RegionState::BadReference;
            log_.warn("unreadable " + name, "chromosome " + name + " could not be read: " + status.message);
        } else if (table_.missing_pvalues > 0) {
            log_.warn("nonnumeric " + name, "chromosome " + name + ": " + std::to_string(table_.missing_pvalues) +
                                                " p-values are not numbers and count as no hit");
        }
        if (state_ != RegionState::Ok)
            table_ = ChromosomeTable{};
    }
    failed = state_;
    return state_ == RegionState::Ok ? &table_ : nullptr;
}

} // namespace analysis
