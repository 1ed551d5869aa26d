#include "blank_split.h"

#include <cstdint>
#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// High bit set in each byte of `word` equal to `byte` (repeated in
// `pattern`). Only the lowest mark is certain (a borrow may mark bytes above
// a true one), which is the one used.
std::uint64_t bytes_equal(std::uint64_t word, std::uint64_t pattern)
{
    const std::uint64_t x = word ^ pattern;
    return (x - kOnes) & ~x & kHighBits;
}

} // namespace

std::size_t find_blank(std::string_view line, std::size_t from)
{
    std::size_t i = from;
    const std::size_t n = line.size();
    if (kLittleEndian) {
        // Eight bytes at a time: words run for several bytes between blanks.
        for (; i + 8 <= n; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, line.data() + i, 8);
            const std::uint64_t marks = bytes_equal(word, ' ' * kOnes) | bytes_equal(word, '\t' * kOnes);
            if (marks != 0)
                return i + static_cast<std::size_t>(__builtin_ctzll(marks) >> 3);
        }
    }
    while (i < n && !is_blank(line[i]))
        ++i;
    return i;
}

void split_on_blanks(std::string_view line, std::vector<std::string_view>& out, std::size_t most)
{
    out.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (out.size() < most) {
        while (i < n && is_blank(line[i]))
            ++i;
        if (i == n)
            break;
        const std::size_t end = find_blank(line, i);
        out.emplace_back(line.data() + i, end - i);
        i = end;
    }
}
