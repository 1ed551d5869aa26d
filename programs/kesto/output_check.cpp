#include "output_check.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The absolute path with "." and ".." parts resolved through the folder that
// exists (the file itself may not).
std::string normalised(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr)
        return path;
    return std::string(resolved) + "/" + name;
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return normalised(a) == normalised(b);
}

} // namespace

Status check_outputs(const std::vector<FileRole>& inputs, const std::vector<FileRole>& outputs)
{
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        for (const FileRole& input : inputs)
            if (same_file(outputs[o].first, input.first))
                return {StatusCode::Clash, "the " + outputs[o].second + " '" + outputs[o].first + "' would overwrite the " +
                                               input.second + " '" + input.first +
                                               "'; choose another --out prefix"};
        for (std::size_t p = 0; p < o; ++p)
            if (same_file(outputs[o].first, outputs[p].first))
                return {StatusCode::Clash, "the " + outputs[o].second + " and the " + outputs[p].second +
                                               " are one file '" + outputs[o].first + "'"};
    }
    return {};
}
