#ifndef KESTO_SCAN_CONVERTERS_H
#define KESTO_SCAN_CONVERTERS_H

#include "shell_quote.h"

#include <string>

namespace window_scan {

// The two converter commands, run from the working directory: morrow turns
// the data set BASE into BASE.mk and BASE.gt and appends its summary to the
// log; transpose turns BASE.gt into BASE.tg.
std::string morrow_command(const std::string& base, const std::string& log_path);
std::string transpose_command(const std::string& base);

// Files the converters write for BASE, and that the program reads afterwards.
std::string marker_file(const std::string& base);
std::string genotype_file(const std::string& base);

// Removes what an earlier run left of the converters' files, so that a
// converter that fails cannot leave an old file to be read; then runs both
// commands in turn. False, after a message on standard error naming the file
// or the command, when a file cannot be removed or a command does not end
// with status 0 (a converter that is missing ends the shell with 127).
bool prepare_inputs(const std::string& program, const std::string& base, const std::string& log_path);

} // namespace window_scan

#endif
