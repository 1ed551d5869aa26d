#ifndef KESTO_COMMON_PATHWAY_LINE_H
#define KESTO_COMMON_PATHWAY_LINE_H

#include <string>
#include <vector>

// One line of a pathway file: identifier, name, then the member gene names.
struct PathwayLine {
    std::string id;
    std::string name;
    std::vector<std::string> members;  // as written, in line order; may be empty
};

// Splits a pathway line (tab-separated, or space-separated when it holds no
// tab). Returns false when the line has fewer than two fields, as an empty
// line has.
bool parse_pathway_line(const std::string& line, PathwayLine& pathway);

#endif
