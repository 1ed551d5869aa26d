// Splitting a line on runs of blanks and tabs eight bytes at a time, against
// the plain byte-by-byte split.

#include "blank_split.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> plain_split(const std::string& line, std::size_t most)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (words.size() < most) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::vector<std::string> fast_split(const std::string& line, std::size_t most)
{
    std::vector<std::string_view> views;
    split_on_blanks(line, views, most);
    return std::vector<std::string>(views.begin(), views.end());
}

TEST(BlankSplit, WorkedLines)
{
    const std::size_t all = static_cast<std::size_t>(-1);
    EXPECT_EQ(fast_split("", all), std::vector<std::string>{});
    EXPECT_EQ(fast_split(" \t \t", all), std::vector<std::string>{});
    EXPECT_EQ(fast_split("22\trs1\t0\t16050075\tA\tG", all),
              (std::vector<std::string>{"22", "rs1", "0", "16050075", "A", "G"}));
    EXPECT_EQ(fast_split("  1  rs_with_a_long_name_of_many_bytes   0 100 AC\tT  extra words", 6),
              (std::vector<std::string>{"1", "rs_with_a_long_name_of_many_bytes", "0", "100", "AC", "T"}));
    // Bytes that differ from a blank or a tab by one bit, and bytes above
    // 0x7F, are parts of words.
    EXPECT_EQ(fast_split("a\x21\x08\x0b\x28\xa0\x89z b", all),
              (std::vector<std::string>{"a\x21\x08\x0b\x28\xa0\x89z", "b"}));
}

// Random lines over an alphabet that puts blanks, tabs and their near
// neighbours at every offset within the eight-byte steps.
TEST(BlankSplit, AgreesWithThePlainSplitOnRandomLines)
{
    const std::string alphabet = std::string(" \t\x08\x0a\x0b\x1f\x21\x29\x20\xa0\x89\xffxyz09", 16);
    std::mt19937 random(7);
    for (int k = 0; k < 20000; ++k) {
        std::string line(random() % 40, 'x');
        for (char& c : line)
            c = alphabet[random() % alphabet.size()];
        for (const std::size_t most : {std::size_t{1}, std::size_t{3}, std::size_t{6}, static_cast<std::size_t>(-1)})
            ASSERT_EQ(fast_split(line, most), plain_split(line, most)) << k << ": '" << line << "'";
        for (std::size_t from = 0; from <= line.size(); ++from) {
            std::size_t expected = from;
            while (expected < line.size() && line[expected] != ' ' && line[expected] != '\t')
                ++expected;
            ASSERT_EQ(find_blank(line, from), expected) << k << " from " << from;
        }
    }
}

} // namespace
