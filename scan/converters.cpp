#include "converters.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sys/wait.h>

namespace window_scan {

namespace {

bool remove_stale(const std::string& program, const std::string& path)
{
    if (std::remove(path.c_str()) == 0 || errno == ENOENT)
        return true;
    std::cerr << program << ": cannot remove the old '" << path << "' before converting: " << std::strerror(errno)
              << "\n";
    return false;
}

bool run(const std::string& program, const std::string& command)
{
    std::cout.flush();
    std::fflush(nullptr);
    const int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    std::cerr << program << ": the command " << command << " failed (";
    if (status == -1)
        std::cerr << "it could not be started: " << std::strerror(errno);
    else if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        std::cerr << "exit status 127: the converter is missing or cannot run";
    else if (WIFEXITED(status))
        std::cerr << "exit status " << WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        std::cerr << "killed by signal " << WTERMSIG(status);
    else
        std::cerr << "status " << status;
    std::cerr << ")\n";
    return false;
}

} // namespace

std::string morrow_command(const std::string& base, const std::string& log_path)
{
    const std::string quoted = shell_quote(base);
    return "./morrow -o " + quoted + " " + quoted + " >>" + shell_quote(log_path);
}

std::string transpose_command(const std::string& base)
{
    return "./transpose " + shell_quote(base + ".gt");
}

std::string marker_file(const std::string& base) { return base + ".mk"; }

std::string genotype_file(const std::string& base) { return base + ".tg"; }

bool prepare_inputs(const std::string& program, const std::string& base, const std::string& log_path)
{
    return remove_stale(program, marker_file(base)) && remove_stale(program, base + ".gt") &&
           remove_stale(program, genotype_file(base)) && run(program, morrow_command(base, log_path)) &&
           run(program, transpose_command(base));
}

} // namespace window_scan
