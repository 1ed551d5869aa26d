#ifndef KESTO_IO_RESULTS_RUN_LOG_H
#define KESTO_IO_RESULTS_RUN_LOG_H

#include "status.h"
#include "table_file.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// The PREFIX.log of an analysis run: what was run, with which settings and
// inputs, what came out, and each kind of warning once with its count, so a
// run can be repeated and checked from its log.
class RunLog {
public:
    void line(const std::string& text) { lines_.push_back(text); }
    // "name: value"
    void setting(const std::string& name, const std::string& value) { lines_.push_back(name + ": " + value); }
    // A warning, counted: the first text of each kind is kept.
    void warn(const std::string& kind, const std::string& text);

    // Warnings in the order their kinds first came, with counts.
    std::vector<std::string> warning_lines() const;
    long warnings() const;

    // Writes the lines, then `closing`, then the warnings.
    Status write(TableFile& file, const std::vector<std::string>& closing) const;

private:
    std::vector<std::string> lines_;
    std::vector<std::string> kinds_;
    std::map<std::string, std::pair<std::string, long>> warnings_;
};

#endif
