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
        listed_.emplace_back(fields.size() == 1 ? std::string() : fields[0], fields.size() == 1 ? fields[0] : fields[1]);
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

namespace {

std::string as_written(const std::pair<std::string, std::string>& entry)
{
    return entry.first.empty() ? entry.second : entry.first + " " + entry.second;
}

} // namespace

std::vector<std::string> KeepList::missing_from_fam(const std::vector<std::string>& fam_ids) const
{
    std::unordered_set<std::string> pairs(fam_ids.begin(), fam_ids.end()), iids;
    for (const std::string& id : fam_ids)
        iids.insert(id.substr(id.find('\t') + 1));
    std::vector<std::string> missing;
    for (const auto& entry : listed_)
        if (entry.first.empty() ? iids.count(entry.second) == 0 : pairs.count(entry.first + "\t" + entry.second) == 0)
            missing.push_back(as_written(entry));
    return missing;
}

std::vector<std::string> KeepList::missing_from_samples(const std::vector<std::string>& names) const
{
    const std::unordered_set<std::string> samples(names.begin(), names.end());
    std::vector<std::string> missing;
    for (const auto& entry : listed_) {
        const bool found = samples.count(entry.second) > 0 ||
                           (!entry.first.empty() && samples.count(entry.first + "_" + entry.second) > 0);
        if (!found)
            missing.push_back(as_written(entry));
    }
    return missing;
}

std::string keep_missing_text(const std::string& path, const std::vector<std::string>& missing, std::size_t entries)
{
    return path + ": " + std::to_string(missing.size()) + " of " + std::to_string(entries) +
           " entries match no individual of the reference (first: " + (missing.empty() ? "" : missing[0]) + ")";
}
