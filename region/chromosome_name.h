#ifndef KESTO_REGION_CHROMOSOME_NAME_H
#define KESTO_REGION_CHROMOSOME_NAME_H

#include <string>

// The chromosome text used in file names and result rows: a leading "chr"
// (any case) is dropped; a whole number is written back in plain decimal
// ("07" becomes "7"); any other name is kept as it stands.
std::string chromosome_text(const std::string& field);

// A name that can safely become part of a file name: letters, digits, '_',
// '-' and '.', not starting with '.'.
bool is_safe_chromosome(const std::string& text);

#endif
