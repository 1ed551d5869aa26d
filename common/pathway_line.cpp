#include "pathway_line.h"

#include "csvline.h"

bool parse_pathway_line(const std::string& line, PathwayLine& pathway)
{
    std::vector<std::string> fields;
    split_fields(fields, line);
    if (fields.size() < 2)
        return false;
    pathway.id = fields[0];
    pathway.name = fields[1];
    pathway.members.assign(fields.begin() + 2, fields.end());
    return true;
}
