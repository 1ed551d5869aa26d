#ifndef KESTO_IO_CHILD_PROCESS_H
#define KESTO_IO_CHILD_PROCESS_H

#include "status.h"

#include <string>
#include <vector>

// How a child process ended.
struct ChildEnd {
    bool exited = false;  // ended by itself, with `code`
    int code = 0;
    int signal = 0;       // else the signal that ended it
};

// Runs the executable at `words[0]` (a path: no search, no shell) with the
// other words as its arguments, its standard output on `stdout_fd` (ours when
// -1), and waits for it to end. SIGINT and SIGTERM that reach this process
// meanwhile are passed on to the child; once the child has ended they are
// delivered here too, as they would have been without a child (a signal this
// process ignores stays ignored). Not Ok only when the child cannot start.
Status run_child(const std::vector<std::string>& words, int stdout_fd, ChildEnd& end);

// The folder of this process's own executable ("/opt/kesto/bin"), or empty
// when the system does not tell.
std::string own_folder();

#endif
