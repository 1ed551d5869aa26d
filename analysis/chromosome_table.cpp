#include "chromosome_table.h"

#include "chromosome_name.h"

namespace analysis {

std::string TableSource::name_of(const std::string& field) const { return chromosome_text(field); }

} // namespace analysis
