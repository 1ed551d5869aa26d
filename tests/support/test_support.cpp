#include "test_support.h"

#include <htslib/bgzf.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace kesto_test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kesto_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void write_file(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out << content;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool log_is(const std::string& log, const std::string& lines)
{
    const std::string tag = "Running Time:";
    if (log.compare(0, lines.size(), lines) != 0 || log.compare(lines.size(), tag.size(), tag) != 0)
        return false;
    const std::string number = log.substr(lines.size() + tag.size());
    if (number.size() < 2 || number.back() != '\n')
        return false;
    char* end = nullptr;
    const double seconds = std::strtod(number.c_str(), &end);
    return end == number.c_str() + number.size() - 1 && seconds >= 0.0;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string bin_path(const std::string& program)
{
    return std::string(KESTO_BIN_DIR) + "/" + program;
}


namespace {

// A sanitizer report in a program's error output fails the running test, even
// when the test only looks at the exit status or at the output files.
void fail_on_sanitizer_report(const std::string& executable, const std::string& err)
{
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", ": runtime error: "}) {
        if (err.find(mark) != std::string::npos) {
            ADD_FAILURE() << "sanitizer report from " << executable << ":\n" << err;
            return;
        }
    }
}

} // namespace

RunResult run_command(const std::string& executable, const std::vector<std::string>& args,
                      const std::string& workdir, const std::vector<std::string>& env)
{
    // Output goes to temp files so that large outputs cannot dead-lock a pipe.
    TempDir capture;
    const std::string out_path = capture.file("stdout");
    const std::string err_path = capture.file("stderr");
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null_fd = open("/dev/null", O_RDONLY);
        if (out_fd < 0 || err_fd < 0 || null_fd < 0 || chdir(workdir.c_str()) != 0)
            _exit(126);
        for (const auto& setting : env)
            putenv(const_cast<char*>(setting.c_str()));
        dup2(null_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(executable.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(executable.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    fail_on_sanitizer_report(executable, result.err);
    return result;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workdir)
{
    return run_command(bin_path(program), args, workdir);
}

RunResult run_program_env(const std::string& program, const std::vector<std::string>& args,
                          const std::string& workdir, const std::vector<std::string>& env)
{
    return run_command(bin_path(program), args, workdir, env);
}

std::vector<std::string> split(const std::string& line, char by)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, by))
        out.push_back(field);
    return out;
}

std::string read_gz(const std::string& path)
{
    BGZF* in = bgzf_open(path.c_str(), "r");
    if (!in)
        return "<cannot open " + path + ">";
    std::string text;
    char buffer[65536];
    ssize_t got;
    while ((got = bgzf_read(in, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    bgzf_close(in);
    return text;
}

} // namespace kesto_test
