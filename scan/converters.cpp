#include "converters.h"

#include "child_process.h"
#include "shell_quote.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace window_scan {

namespace {

bool is_program(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool is_file(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Status remove_stale(const std::string& path)
{
    if (std::remove(path.c_str()) == 0 || errno == ENOENT)
        return {};
    return {StatusCode::WriteError,
            "cannot remove the old '" + path + "' before converting: " + std::strerror(errno)};
}

// The run as a shell would show it, for messages.
std::string shown(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + shell_quote(word);
    return text;
}

Status run(const std::vector<std::string>& words, int stdout_fd)
{
    // What this process has buffered comes before what the child writes.
    std::cout.flush();
    std::fflush(nullptr);
    ChildEnd end;
    const Status started = run_child(words, stdout_fd, end);
    if (!started.ok())
        return {started.code, "the converter run " + shown(words) + " failed: " + started.message};
    if (end.exited && end.code == 0)
        return {};
    const std::string how = end.exited ? "exit status " + std::to_string(end.code)
                                       : "killed by signal " + std::to_string(end.signal) + " (" +
                                             ::strsignal(end.signal) + ")";
    return {StatusCode::ReadError, "the converter run " + shown(words) + " failed (" + how + ")"};
}

} // namespace

std::string marker_file(const std::string& base) { return base + ".mk"; }

std::string genotype_file(const std::string& base) { return base + ".tg"; }

std::vector<std::string> converted_files(const std::string& base)
{
    return {marker_file(base), base + ".gt", genotype_file(base)};
}

std::vector<std::string> data_set_files(const std::string& base)
{
    return {base + ".bed", base + ".bim", base + ".fam", base + ".ped", base + ".map"};
}

Status find_converter(const std::string& name, std::string& path)
{
    const std::string folder = own_folder();
    const std::string beside = folder.empty() ? std::string() : (folder == "/" ? "" : folder) + "/" + name;
    if (!beside.empty() && is_program(beside)) {
        path = beside;
        return {};
    }
    if (is_program("./" + name)) {
        path = "./" + name;
        return {};
    }
    return {StatusCode::NotFound, "cannot find the converter " + name + ": it is neither beside this program" +
                                      (beside.empty() ? std::string() : " (" + beside + ")") +
                                      " nor in the working folder (./" + name + ")"};
}

std::vector<std::string> morrow_words(const std::string& morrow, const std::string& base)
{
    return {morrow, "-o", base, base};
}

std::vector<std::string> transpose_words(const std::string& transpose, const std::string& base)
{
    return {transpose, base + ".gt"};
}

Status prepare_inputs(const std::string& base, int log_fd, FileLock& lock)
{
    std::string morrow, transpose;
    Status status = find_converter("morrow", morrow);
    if (status.ok())
        status = find_converter("transpose", transpose);
    if (status.ok())
        status = lock.acquire(is_file(base + ".bed") ? base + ".bed" : base + ".ped");
    for (const std::string& file : converted_files(base))
        if (status.ok())
            status = remove_stale(file);
    if (status.ok())
        status = run(morrow_words(morrow, base), log_fd);
    if (status.ok())
        status = run(transpose_words(transpose, base), -1);
    return status;
}

} // namespace window_scan
