#include "csvline.h"
#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Fields = std::vector<std::string>;

Fields split(const std::string& line, char delim)
{
    Fields f{"stale"};
    csvline_populate(f, line, delim);
    return f;
}

TEST(CsvLine, SplitsOnTheGivenDelimiter)
{
    EXPECT_EQ(split("a\tb\tc", '\t'), (Fields{"a", "b", "c"}));
    EXPECT_EQ(split("a b c", '\t'), (Fields{"a b c"}));
    EXPECT_EQ(split("a  b", ' '), (Fields{"a", "", "b"}));
    EXPECT_EQ(split("a\tb\t", '\t'), (Fields{"a", "b", ""}));
    EXPECT_EQ(split("", '\t'), (Fields{""}));
}

TEST(CsvLine, HonoursQuotes)
{
    EXPECT_EQ(split("\"x\ty\"\tz", '\t'), (Fields{"x\ty", "z"}));
    EXPECT_EQ(split("\"say \"\"hi\"\"\"", '\t'), (Fields{"say \"hi\""}));
    EXPECT_EQ(split("ab\"c", '\t'), (Fields{"ab\"c"}));
    EXPECT_EQ(split("\"ab\"cd\te", '\t'), (Fields{"abcd", "e"}));
    EXPECT_EQ(split("\"open\tend", '\t'), (Fields{"open\tend"}));
    EXPECT_EQ(split("\"a\rb\"\tc", '\t'), (Fields{"a\rb", "c"}));
}

TEST(CsvLine, LineEndStopsTheRecord)
{
    EXPECT_EQ(split("a\tb\r", '\t'), (Fields{"a", "b"}));
    EXPECT_EQ(split("a\tb\r\tc", '\t'), (Fields{"a", "b"}));
    EXPECT_EQ(split(std::string("a\tb\0c", 5), '\t'), (Fields{"a", "b"}));
}

TEST(CsvLine, TabThenSpaceFallback)
{
    Fields f;
    split_fields(f, "a b c");
    EXPECT_EQ(f, (Fields{"a", "b", "c"}));
    split_fields(f, "a b\tc");
    EXPECT_EQ(f, (Fields{"a b", "c"}));
}

TEST(Numbers, StrictIntegers)
{
    std::int32_t v = 0;
    EXPECT_TRUE(parse_int32(" 42 ", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(parse_int32("-2147483648", v));
    EXPECT_FALSE(parse_int32("2147483648", v));
    EXPECT_FALSE(parse_int32("12abc", v));
    EXPECT_FALSE(parse_int32("", v));
    EXPECT_FALSE(parse_int32("x", v));
}

TEST(Numbers, CheckedAtof)
{
    bool ok = false;
    EXPECT_DOUBLE_EQ(atof_checked("0.25", ok), 0.25);
    EXPECT_TRUE(ok);
    atof_checked("NA", ok);
    EXPECT_FALSE(ok);
    atof_checked("", ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(std::isnan(atof_checked("nan", ok)));
    EXPECT_TRUE(ok);
    double d = 0;
    EXPECT_FALSE(parse_double("1.5x", d));
    EXPECT_TRUE(parse_double("1e-3", d));
}

} // namespace
