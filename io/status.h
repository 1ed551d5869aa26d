#ifndef KESTO_IO_STATUS_H
#define KESTO_IO_STATUS_H

#include <string>
#include <utility>

// How an operation on the suite's files or tables ended. Library code returns
// one of these and never prints or exits; a program's main turns it into a
// message on standard error and an exit status.
enum class StatusCode {
    Ok,
    NotFound,     // an input that does not exist
    ReadError,    // a folder, an I/O error, a line past the length limit
    Malformed,    // the content breaks the file's layout
    Clash,        // an output that is also an input, or two outputs that are one file
    Locked,       // another run holds an output file
    WriteError,   // an output that cannot be created or written
    NoMemory,     // a table too large for memory
    Usage,        // a bad command line
};

struct [[nodiscard]] Status {
    StatusCode code = StatusCode::Ok;
    std::string message;  // names the file (and line) concerned

    Status() = default;
    Status(StatusCode c, std::string text) : code(c), message(std::move(text)) {}

    bool ok() const { return code == StatusCode::Ok; }
    explicit operator bool() const { return ok(); }
};

// The exit status a program gives for a failed operation: 2 for a bad command
// line or a refused output (nothing was written), 1 otherwise.
int exit_code(const Status& status);

#endif
