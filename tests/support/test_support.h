#ifndef KESTO_TESTS_TEST_SUPPORT_H
#define KESTO_TESTS_TEST_SUPPORT_H

#include <string>
#include <vector>

namespace kesto_test {

// A fresh directory under the system temp folder, removed with its contents
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

struct RunResult {
    int status = -1;   // exit status, or 128 + signal number
    std::string out;   // standard output
    std::string err;   // standard error
};

// Runs a program of the build (by its name in the bin folder) with the given
// arguments in `workdir`, capturing both output streams.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workdir = ".");

// The same with extra environment settings ("NAME=value").
RunResult run_program_env(const std::string& program, const std::vector<std::string>& args,
                          const std::string& workdir, const std::vector<std::string>& env);

// Runs any executable given by path.
RunResult run_command(const std::string& executable, const std::vector<std::string>& args,
                      const std::string& workdir = ".", const std::vector<std::string>& env = {});

std::string bin_path(const std::string& program);

bool contains(const std::string& text, const std::string& part);
// True when `log` is `lines` followed by one "Running Time:" line holding a
// non-negative number of seconds.
bool log_is(const std::string& log, const std::string& lines);
// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);
// The fields of a line split on every `by` (empty fields kept).
std::vector<std::string> split(const std::string& line, char by = '\t');
// The text of a gzip or BGZF file (or of a plain one), or a note that it
// could not be opened.
std::string read_gz(const std::string& path);

} // namespace kesto_test

#endif
