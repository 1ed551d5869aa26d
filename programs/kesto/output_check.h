#ifndef KESTO_PROGRAMS_KESTO_OUTPUT_CHECK_H
#define KESTO_PROGRAMS_KESTO_OUTPUT_CHECK_H

#include "status.h"

#include <string>
#include <utility>
#include <vector>

// A file a run reads or writes, with the role it plays ("--genes", "result
// table", ...), for the message of a clash.
using FileRole = std::pair<std::string, std::string>;  // path, role

// Clash when an output is an input (same device and inode where the file
// exists, same absolute normalised path where it does not) or two outputs
// are one file. Nothing is opened for writing before this check.
Status check_outputs(const std::vector<FileRole>& inputs, const std::vector<FileRole>& outputs);

#endif
