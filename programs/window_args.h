#ifndef KESTO_SCAN_WINDOW_ARGS_H
#define KESTO_SCAN_WINDOW_ARGS_H

#include "window_scan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace window_scan {

// The values both window programs take at positions 10 to 20 of their
// 21-word command line.
struct WindowArgs {
    double alpha = 0.0;
    double share = 0.0;
    std::int32_t width = 0;
    std::int32_t step = 0;
    std::int32_t start = kDefaultBound;
    std::int32_t end = kDefaultBound;
};

// Reads and checks them: alpha and the variance share must be numbers from 0
// to 1, width and step whole numbers above 0, the bounds whole numbers (-1
// for the first or last SNP). Problems are reported on standard error.
bool read_window_args(const std::string& program, const char* const* argv, WindowArgs& args);

// Settings of the scan over SNPs at `positions` (not empty).
ScanSettings scan_settings(const WindowArgs& args, const std::vector<std::int32_t>& positions);

} // namespace window_scan

#endif
