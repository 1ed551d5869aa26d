#ifndef KESTO_PROGRAMS_WINDOW_OUTPUT_H
#define KESTO_PROGRAMS_WINDOW_OUTPUT_H

#include "window_scan.h"

#include <ctime>

class ResultWriter;

namespace window_scan {

// Runs the scan into the window programs' two files: the header and one row
// per window in `results`, an "in window w" line in `log` before each window,
// and the processor time used since `started` at the end of the log. False
// when a write failed (already reported).
bool write_scan(const ScanTables& tables, const ScanSettings& settings, ResultWriter& results, ResultWriter& log,
                std::clock_t started);

} // namespace window_scan

#endif
