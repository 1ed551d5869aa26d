#include "convert_error.h"

namespace convert {

std::string at_line(const std::string& path, std::size_t line)
{
    return path + " line " + std::to_string(line);
}

} // namespace convert
