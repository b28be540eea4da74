// Decimal integers: reading as "%d" reads them, writing as "%d" writes them, saturating sums.
#include "framework/Decimal.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(ScanDecimal, ReadsLikePercentD)
{
    struct Case {
        std::string text;
        bool bNumber;
        int expected;
    };
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {"7", true, 7},
        {" 7", true, 7},
        {"+7", true, 7},
        {"07", true, 7},
        {"7abc", true, 7},
        {"-40", true, -40},
        {"-0", true, 0},
        {"\t\n 12", true, 12},
        {"\v\f\r5", true, 5},
        {"12 34", true, 12},
        {"0x1F", true, 0},
        {"1e5", true, 1},
        {"3.9", true, 3},
        {"000000000000000000000000042", true, 42}, // leading zeros are not digits of overflow
        {"5\0" "9"s, true, 5}, // a zero byte ends the number
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", true, INT_MAX},
        {"-2147483649", true, INT_MIN},
        {"+2147483648", true, INT_MAX},
        {"99999999999999999999999999999999999999", true, INT_MAX},
        {"-99999999999999999999999999999999999999", true, INT_MIN},
        {"4294967297", true, INT_MAX}, // would wrap to 1
        {"", false, 0},
        {"   ", false, 0},
        {"abc", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"+-1", false, 0},
        {"--1", false, 0},
        {"- 1", false, 0},      // no white space between the sign and the digits
        {"\x82\x4F", false, 0}, // a full-width digit is not a digit
        {"\0" "5"s, false, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        int nValue = 12345;
        EXPECT_EQ(ScanDecimal(c.text, nValue), c.bNumber) << testing::PrintToString(c.text);
        // Without a number the value is left as it was.
        EXPECT_EQ(nValue, c.bNumber ? c.expected : 12345) << testing::PrintToString(c.text);
        EXPECT_EQ(ReadDecimalOrZero(c.text), c.expected) << testing::PrintToString(c.text);
    }
}

TEST(FormatDecimal, WritesLikePercentDAndReadsBack)
{
    struct Case {
        int nValue;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, "0"}, {7, "7"}, {-40, "-40"}, {120, "120"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDecimal(c.nValue), c.expected);
        EXPECT_EQ(ReadDecimalOrZero(FormatDecimal(c.nValue)), c.nValue);
    }
}

TEST(SaturatingAdd, StopsAtBothEnds)
{
    struct Case {
        int nValue;
        int nDelta;
        int expected;
    };
    const std::vector<Case> cases = {
        {120, 20, 140},
        {0, -20, -20},
        {INT_MAX - 20, 20, INT_MAX},
        {INT_MAX - 10, 20, INT_MAX},
        {INT_MAX, 20, INT_MAX},
        {INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN + 20, -20, INT_MIN},
        {INT_MIN + 10, -20, INT_MIN},
        {INT_MIN, -20, INT_MIN},
        {INT_MIN, INT_MIN, INT_MIN},
        {INT_MAX, INT_MIN, -1},
        {INT_MIN, 20, INT_MIN + 20},
        {INT_MAX, -20, INT_MAX - 20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaturatingAdd(c.nValue, c.nDelta), c.expected) << c.nValue << " + " << c.nDelta;
    }
}

} // namespace
