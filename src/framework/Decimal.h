#pragma once
// Decimal integers read as "%d" reads them and written as "%d" writes them.

#include <string>
#include <string_view>

// Skips leading white space, takes an optional sign and the digits up to the first other byte.
// Returns false, leaving nValue alone, when no digit follows. Digits beyond the signed 32-bit
// range saturate to its nearest end instead of wrapping.
bool ScanDecimal(std::string_view text, int& nValue);

// ScanDecimal with the program's rule for a text that holds no number: 0.
int ReadDecimalOrZero(std::string_view text);

std::string FormatDecimal(int nValue);

// Adds nDelta without overflowing: the result saturates at the ends of the int range.
int SaturatingAdd(int nValue, int nDelta);
