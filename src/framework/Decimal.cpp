#include "framework/Decimal.h"

#include <charconv>
#include <climits>
#include <cstdint>

namespace {
// The C locale's white space, which is what "%d" skips.
constexpr bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');  // TAB, LF, VT, FF and CR are 9 to 13
}
} // namespace

bool ScanDecimal(std::string_view text, int& nValue)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return false;
    }
    // Accumulate in 64 bits and stop growing once past the range, so any number of digits is fine.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    if (bNegative) {
        nValue = magnitude >= kLimit ? INT_MIN : static_cast<int>(-magnitude);
    } else {
        nValue = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    }
    return true;
}

int ReadDecimalOrZero(std::string_view text)
{
    int nValue = 0;
    ScanDecimal(text, nValue);
    return nValue;
}

std::string FormatDecimal(int nValue)
{
    char buf[16];
    const auto result = std::to_chars(buf, buf + sizeof buf, nValue);
    return std::string(buf, result.ptr);
}

int SaturatingAdd(int nValue, int nDelta)
{
    const std::int64_t sum = static_cast<std::int64_t>(nValue) + nDelta;
    if (sum > INT_MAX) {
        return INT_MAX;
    }
    if (sum < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(sum);
}
