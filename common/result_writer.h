#ifndef KESTO_COMMON_RESULT_WRITER_H
#define KESTO_COMMON_RESULT_WRITER_H

#include <initializer_list>
#include <string>
#include <utility>

// Numbers as a default-formatted text stream writes them: integers in
// decimal, floating point in general notation with six significant digits.
std::string format_number(int value);
std::string format_number(float value);
std::string format_number(double value);

// A tab-separated output file whose lines reach the file whole: each line is
// handed to the system in one piece as soon as it is complete, so an
// interrupted run leaves only complete lines behind. A line that cannot be
// written whole is taken back where the file allows it. Tabs and line ends
// inside a field of row() are written as spaces. Failures are reported on
// standard error with the path.
//
// The file is held under an exclusive lock for the writer's life, so that a
// second run given the same file stops (exit_status() 2) before it has
// emptied or written anything.
class ResultWriter {
public:
    // Empty: locked, then emptied. Append: locked, written at its end.
    // Held: locked and left as it is until make_empty(), for a run that must
    // hold all its outputs before it empties any.
    enum class Start { Empty, Append, Held };

    ResultWriter(std::string program, std::string path, Start start);
    ResultWriter(std::string program, std::string path, bool append = false)
        : ResultWriter(std::move(program), std::move(path), append ? Start::Append : Start::Empty)
    {
    }
    ~ResultWriter();
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    const std::string& path() const { return path_; }
    // The file's descriptor, for a child process that writes into it.
    int fd() const { return fd_; }
    // The exit status for a writer that is not ok(): 2 when another run holds
    // the file, 1 otherwise.
    int exit_status() const { return locked_ ? 2 : 1; }

    // Empties a file opened with Start::Held.
    bool make_empty();

    // Writes the fields joined by tabs and a newline.
    bool row(std::initializer_list<std::string> fields);
    // Writes text that already holds its line ends.
    bool write(const std::string& text);

private:
    std::string program_;
    std::string path_;
    bool append_ = false;
    int fd_ = -1;
    bool failed_ = false;
    bool locked_ = false;
};

// Empties the writers, opened with Start::Held, once every one of them is
// held: a run that finds one output locked leaves all of them untouched.
// Returns the exit status to end with when a writer failed, else -1.
int empty_all(std::initializer_list<ResultWriter*> writers);

#endif
