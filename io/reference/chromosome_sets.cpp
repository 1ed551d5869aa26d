#include "chromosome_sets.h"

#include <sys/stat.h>

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string replace_all(const std::string& text, const std::string& by)
{
    std::string out;
    for (char c : text) {
        if (c == '@')
            out += by;
        else
            out += c;
    }
    return out;
}

} // namespace

Status expand_chromosome_sets(const std::string& pattern, const std::string& suffix,
                              std::vector<std::string>& names)
{
    names.clear();
    if (pattern.find('@') == std::string::npos) {
        names.push_back(pattern);
        return Status();
    }
    std::vector<std::string> chromosomes;
    for (int c = 1; c <= 22; ++c)
        chromosomes.push_back(std::to_string(c));
    for (const char* c : {"X", "Y", "XY", "MT"})
        chromosomes.push_back(c);
    for (const std::string& c : chromosomes) {
        const std::string name = replace_all(pattern, c);
        if (exists(name + suffix))
            names.push_back(name);
    }
    if (names.empty())
        return Status(StatusCode::NotFound, "no file matches " + pattern + suffix + " ('@' replaced by 1-22, X, Y, XY, MT)");
    return Status();
}
