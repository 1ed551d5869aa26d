#include "fam_reader.h"

#include "convert_error.h"
#include "text_lines.h"

#include <string_view>

namespace convert {

std::vector<std::string> read_fam(const std::string& path)
{
    LineReader reader(path);
    std::vector<std::string> individuals;
    std::vector<std::string_view> fields;
    std::string_view line;
    while (reader.next(line)) {
        split_record(reader, line, 6, "FID IID PAT MAT SEX PHENO", fields);
        individuals.emplace_back(fields[1]);
    }
    if (individuals.empty())
        throw ConvertError(path + ": no individuals in the file");
    return individuals;
}

} // namespace convert
