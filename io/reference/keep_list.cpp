#include "keep_list.h"

#include "line_source.h"

namespace {

std::vector<std::string> words(std::string_view line)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

} // namespace

Status KeepList::read(const std::string& path)
{
    LineSource source;
    Status status = source.open(path);
    if (!status.ok())
        return status;
    std::string_view line;
    while (source.next(line)) {
        const std::vector<std::string> fields = words(line);
        if (fields.empty() || fields[0][0] == '#')
            continue;
        ++entries_;
        if (fields.size() == 1) {
            iids_.insert(fields[0]);
            joined_.insert(fields[0]);
        } else {
            pairs_.insert(fields[0] + "\t" + fields[1]);
            joined_.insert(fields[0] + "_" + fields[1]);
            joined_.insert(fields[1]);
        }
    }
    if (!source.status().ok())
        return source.status();
    if (entries_ == 0)
        return Status(StatusCode::Malformed, path + ": no individual listed (one IID, or FID and IID, per line)");
    return Status();
}

bool KeepList::keeps(const std::string& fid, const std::string& iid) const
{
    return iids_.count(iid) > 0 || pairs_.count(fid + "\t" + iid) > 0;
}

bool KeepList::keeps_sample(const std::string& name) const
{
    return joined_.count(name) > 0;
}
