#include "chromosome_name.h"

#include "numbers.h"

#include <cctype>

std::string chromosome_text(const std::string& field)
{
    std::string name = field;
    if (name.size() >= 3 && std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
        std::tolower(static_cast<unsigned char>(name[1])) == 'h' &&
        std::tolower(static_cast<unsigned char>(name[2])) == 'r')
        name.erase(0, 3);
    std::int32_t number = 0;
    if (parse_int32(name, number))
        return std::to_string(number);
    return name;
}

bool is_safe_chromosome(const std::string& text)
{
    if (text.empty() || text[0] == '.')
        return false;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '_' && c != '-' && c != '.')
            return false;
    }
    return true;
}
