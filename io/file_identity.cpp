#include "file_identity.h"

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// What a path stands for when files are compared.
struct Identity {
    enum Kind { Regular, Missing, Other } kind = Missing;
    dev_t device = 0;
    ino_t inode = 0;
    std::string normal;  // for a missing file
};

Identity identify(const std::string& path)
{
    Identity id;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        id.kind = S_ISREG(st.st_mode) ? Identity::Regular : Identity::Other;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        return id;
    }
    // Folders on the way that exist are resolved (symbolic links, "..");
    // the rest is normalised as text.
    std::error_code error;
    fs::path normal = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error)
        normal = fs::absolute(path, error).lexically_normal();
    id.normal = normal.string();
    return id;
}

bool same(const Identity& a, const Identity& b)
{
    if (a.kind != b.kind || a.kind == Identity::Other)
        return false;
    if (a.kind == Identity::Regular)
        return a.device == b.device && a.inode == b.inode;
    return !a.normal.empty() && a.normal == b.normal;
}

std::string quoted(const RunFiles::Use& use) { return "the " + use.role + " '" + use.path + "'"; }

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

void RunFiles::input(const std::string& role, const std::string& path) { inputs_.push_back({role, path}); }

void RunFiles::output(const std::string& role, const std::string& path) { outputs_.push_back({role, path}); }

void RunFiles::per_chromosome_inputs(const std::string& role, const std::string& prefix, const std::string& stem)
{
    // "ref/panel_" lists the folder "ref/" for names starting "panel_STEM".
    const std::size_t slash = prefix.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
    const std::string start = prefix.substr(folder.size()) + stem;
    std::error_code error;
    for (fs::directory_iterator entry(folder.empty() ? std::string(".") : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() > start.size() && name.compare(0, start.size(), start) == 0 &&
            (ends_with(name, ".txt") || ends_with(name, ".txt.gz")))
            input(role, folder + name);
    }
}

Status RunFiles::check() const
{
    std::vector<Identity> in, out;
    for (const Use& use : inputs_)
        in.push_back(identify(use.path));
    for (const Use& use : outputs_)
        out.push_back(identify(use.path));
    for (std::size_t o = 0; o < outputs_.size(); ++o) {
        for (std::size_t i = 0; i < inputs_.size(); ++i)
            if (same(out[o], in[i]))
                return {StatusCode::Clash, quoted(outputs_[o]) + " is also " + quoted(inputs_[i]) +
                                               "; writing it would destroy the input (nothing was written)"};
        for (std::size_t p = 0; p < o; ++p)
            if (same(out[o], out[p]))
                return {StatusCode::Clash, quoted(outputs_[o]) + " is the same file as " + quoted(outputs_[p]) +
                                               "; give them different names (nothing was written)"};
    }
    return {};
}

bool same_file(const std::string& a, const std::string& b) { return same(identify(a), identify(b)); }
