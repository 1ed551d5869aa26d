#include "chromosome_names.h"

#include <cctype>

namespace {

bool equals_upper(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i])
            return false;
    return true;
}

} // namespace

std::string canonical_chromosome(std::string_view name)
{
    if (name.size() > 3 && equals_upper(name.substr(0, 3), "CHR"))
        name.remove_prefix(3);
    if (name.empty())
        return {};
    if (std::isdigit(static_cast<unsigned char>(name[0]))) {
        int number = 0;
        for (char c : name) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return {};
            number = number * 10 + (c - '0');
            if (number > 26)
                return {};
        }
        switch (number) {
        case 0: return {};
        case 23: return "X";
        case 24: return "Y";
        case 25: return "XY";
        case 26: return "MT";
        default: return std::to_string(number);
        }
    }
    if (equals_upper(name, "X"))
        return "X";
    if (equals_upper(name, "Y"))
        return "Y";
    if (equals_upper(name, "XY"))
        return "XY";
    if (equals_upper(name, "MT") || equals_upper(name, "M"))
        return "MT";
    return {};
}
