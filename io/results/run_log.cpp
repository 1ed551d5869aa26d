#include "run_log.h"

#include "table_file.h"

void RunLog::warn(const std::string& kind, const std::string& text)
{
    auto found = warnings_.find(kind);
    if (found == warnings_.end()) {
        kinds_.push_back(kind);
        warnings_.emplace(kind, std::make_pair(text, 1L));
        return;
    }
    ++found->second.second;
}

std::vector<std::string> RunLog::warning_lines() const
{
    std::vector<std::string> out;
    for (const std::string& kind : kinds_) {
        const auto& [text, count] = warnings_.at(kind);
        out.push_back("warning: " + text + (count > 1 ? " (" + std::to_string(count) + " times)" : ""));
    }
    return out;
}

long RunLog::warnings() const
{
    long n = 0;
    for (const auto& entry : warnings_)
        n += entry.second.second;
    return n;
}

Status RunLog::write(TableFile& file, const std::vector<std::string>& closing) const
{
    std::string text;
    for (const std::string& l : lines_)
        text += l + "\n";
    for (const std::string& l : closing)
        text += l + "\n";
    for (const std::string& l : warning_lines())
        text += l + "\n";
    Status status = file.write(text);
    if (!status)
        return status;
    return file.close();
}
