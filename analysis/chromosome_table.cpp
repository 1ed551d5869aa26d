#include "chromosome_table.h"

#include "chromosome_name.h"

namespace analysis {

std::string TableSource::name_of(const std::string& field) const { return chromosome_text(field); }

std::string TableSource::missing_reason(const std::string&) const { return "is not in the reference"; }

} // namespace analysis
