#ifndef KESTO_COMMON_FILE_CHECKS_H
#define KESTO_COMMON_FILE_CHECKS_H

#include "file_identity.h"

#include <string>

// Checks the files of a run before any output is opened (RunFiles::check).
// On a clash the reason goes to standard error after the program's name and
// the exit status to end with (2) is returned; -1 when the run may go on.
int refuse_clashes(const std::string& program, const RunFiles& files);

#endif
