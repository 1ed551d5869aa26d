#include "alleles.h"

#include <utility>

namespace {

char complement(char c)
{
    switch (c) {
    case 'A': return 'T';
    case 'T': return 'A';
    case 'C': return 'G';
    case 'G': return 'C';
    default: return 0;
    }
}

bool same_pair(std::string_view a, std::string_view b, std::string_view r1, std::string_view r2)
{
    return (a == r1 && b == r2) || (a == r2 && b == r1);
}

bool one_of(std::string_view a, std::string_view r1, std::string_view r2)
{
    return a == r1 || a == r2;
}

} // namespace

std::string flip_strand(std::string_view allele)
{
    std::string out(allele);
    for (char& c : out) {
        const char other = complement(c);
        if (!other)
            return std::string(allele);
        c = other;
    }
    return out;
}

bool alleles_fit(std::string_view a, std::string_view b, std::string_view r1, std::string_view r2)
{
    if (a.empty() && b.empty())
        return true;
    if (a.empty())
        std::swap(a, b);
    if (b.empty())
        return one_of(a, r1, r2) || one_of(flip_strand(a), r1, r2);
    return same_pair(a, b, r1, r2) || same_pair(flip_strand(a), flip_strand(b), r1, r2);
}

bool strand_ambiguous(std::string_view r1, std::string_view r2)
{
    return r1.size() == 1 && r2.size() == 1 && complement(r1[0]) == r2[0];
}

std::string pair_key(std::string_view a, std::string_view b)
{
    std::string x(a), y(b);
    if (y < x)
        std::swap(x, y);
    std::string fx = flip_strand(a), fy = flip_strand(b);
    if (fy < fx)
        std::swap(fx, fy);
    const std::string plain = x + "/" + y, flipped = fx + "/" + fy;
    return plain < flipped ? plain : flipped;
}
