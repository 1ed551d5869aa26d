#ifndef KESTO_IO_RESULTS_TABLE_FORMAT_H
#define KESTO_IO_RESULTS_TABLE_FORMAT_H

#include "result_rows.h"

#include <string>

// Header and line (with its newline) of each result table.
extern const char* const kGeneHeader;
extern const char* const kPathwayHeader;
extern const char* const kWindowHeader;

std::string gene_line(const GeneRow& row);
std::string pathway_line(const PathwayRow& row);
std::string window_line(const WindowRow& row);

#endif
