#include "labels.h"

std::string zero_padded(const std::string& prefix, long long number, int width)
{
    const std::string digits = std::to_string(number);
    const int pad = width - static_cast<int>(digits.size());
    return prefix + std::string(pad > 0 ? pad : 0, '0') + digits;
}

int label_width(long long count, int minimum)
{
    const int digits = static_cast<int>(std::to_string(count).size());
    return digits > minimum ? digits : minimum;
}
