#include "output_folder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer))
        return buffer;
    return std::string();
}

bool starts_with(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool is_prepare_output_name(const std::string& file)
{
    const std::string name = ends_with(file, ".part") ? file.substr(0, file.size() - 5) : file;
    if (starts_with(name, "legend_chr") || starts_with(name, "genotype_chr"))
        return ends_with(name, ".txt") || ends_with(name, ".txt.gz");
    return name == "prepare.log" || name == "excluded.tsv.gz" || name == "genelist.txt" ||
           name == "pathways.txt";
}

Status OutputFolder::create(const std::string& dir)
{
    dir_ = dir;
    while (dir_.size() > 1 && dir_.back() == '/')
        dir_.pop_back();
    std::string partial;
    for (std::size_t i = 0; i <= dir_.size(); ++i) {
        if (i == dir_.size() || (dir_[i] == '/' && i > 0)) {
            partial = dir_.substr(0, i);
            if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
                return Status(StatusCode::WriteError, "cannot create the folder " + partial + ": " +
                                                          std::strerror(errno));
        }
    }
    struct stat st;
    if (stat(dir_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Status(StatusCode::WriteError, dir_ + " is not a folder");
    return Status();
}

Status OutputFolder::check_inputs(const std::vector<std::string>& inputs) const
{
    const std::string folder = resolved(dir_);
    for (const std::string& input : inputs) {
        const std::string path = resolved(input);
        if (path.empty())
            continue;
        const std::size_t slash = path.find_last_of('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        if (parent == folder && is_prepare_output_name(path.substr(slash + 1)))
            return Status(StatusCode::Clash, "the input " + input + " is a file this run writes into " + dir_ +
                                                 "; choose another --out folder");
    }
    return Status();
}

std::string OutputFolder::start(const std::string& name)
{
    names_.push_back(name);
    return dir_ + "/" + name + ".part";
}

Status OutputFolder::commit()
{
    for (const std::string& name : names_) {
        const std::string from = dir_ + "/" + name + ".part", to = dir_ + "/" + name;
        if (std::rename(from.c_str(), to.c_str()) != 0)
            return Status(StatusCode::WriteError, "cannot rename " + from + " to " + to + ": " +
                                                      std::strerror(errno));
    }
    names_.clear();
    return Status();
}

void OutputFolder::abandon()
{
    for (const std::string& name : names_)
        std::remove((dir_ + "/" + name + ".part").c_str());
    names_.clear();
}

std::vector<std::string> OutputFolder::strangers(const std::vector<std::string>& written) const
{
    std::vector<std::string> out;
    DIR* folder = opendir(dir_.c_str());
    if (!folder)
        return out;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        const bool chromosome_file = name.compare(0, 10, "legend_chr") == 0 || name.compare(0, 12, "genotype_chr") == 0;
        if (chromosome_file && is_prepare_output_name(name) &&
            std::find(written.begin(), written.end(), name) == written.end())
            out.push_back(name);
    }
    closedir(folder);
    std::sort(out.begin(), out.end());
    return out;
}
