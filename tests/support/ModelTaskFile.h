#pragma once
// A plain reference for the two files and the text rules, written from the behaviour rather than
// from the program's code, so that tests and fuzz targets can check the program against it.
// Header-only and free of GoogleTest, so that the fuzz build can use it as well.

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace model {

// One task as the task list holds it: the importance is the decimal text the row shows.
struct Task {
    std::string title;
    std::string importance;
    std::string details;
    friend bool operator==(const Task&, const Task&) = default;
};

inline constexpr std::size_t kMaxTitle = 255;
inline constexpr std::size_t kMaxDetails = 1023;
inline constexpr int kDefaultFontSize = 120;

inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// "%d" as the C library reads it, except that digits beyond the int range give its nearest end;
// false when no digit follows the white space and the sign.
inline bool ScanInt(std::string_view text, int& nValue)
{
    std::size_t i = 0;
    while (i < text.size() && std::string_view(" \t\n\v\f\r").find(text[i]) != std::string_view::npos) {
        ++i;
    }
    bool bMinus = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        bMinus = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9') {
        return false;
    }
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > 1LL << 40) {
            n = 1LL << 40;  // far past either end; keeps the sum from wrapping
        }
    }
    n = bMinus ? -n : n;
    nValue = n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : static_cast<int>(n));
    return true;
}

inline int ReadIntOrZero(std::string_view text)
{
    int n = 0;
    ScanInt(text, n);
    return n;
}

inline std::string IntText(int n) { return std::to_string(n); }

// A field ends at its first zero byte.
inline std::string_view UpToZero(std::string_view field) { return field.substr(0, field.find('\0')); }

// The task as AppendTask stores it: texts cut by byte count, the importance as the number's text.
inline Task Stored(std::string_view title, std::string_view importance, std::string_view details)
{
    title = UpToZero(title);
    details = UpToZero(details);
    return Task{std::string(title.substr(0, kMaxTitle)), IntText(ReadIntOrZero(UpToZero(importance))),
                std::string(details.substr(0, kMaxDetails))};
}

// The task file's bytes as the loader reads them: the file ends at the first 0x1A; a line ends at
// LF, and a CR right before that LF goes with it; a line without bytes carries no task; the
// first two TABs split the fields, a missing field being empty.
inline std::vector<Task> ParseTaskFile(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\x1A'));
    std::vector<Task> tasks;
    while (!bytes.empty()) {
        const std::size_t nLf = bytes.find('\n');
        std::string_view line = bytes.substr(0, nLf);
        if (nLf == std::string_view::npos) {
            bytes = {};
        } else {
            bytes.remove_prefix(nLf + 1);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t nTab1 = line.find('\t');
        const std::size_t nTab2 = nTab1 == std::string_view::npos ? nTab1 : line.find('\t', nTab1 + 1);
        const std::string_view title = line.substr(0, nTab1);
        const std::string_view importance =
            nTab1 == std::string_view::npos ? std::string_view() : line.substr(nTab1 + 1, nTab2 - nTab1 - 1);
        const std::string_view details = nTab2 == std::string_view::npos ? std::string_view() : line.substr(nTab2 + 1);
        tasks.push_back(Stored(title, importance, details));
    }
    return tasks;
}

// The bytes SaveTasks writes: title TAB number TAB details CR LF per task, each LF as CR LF.
inline std::string SerializeTaskFile(const std::vector<Task>& tasks)
{
    std::string out;
    for (const Task& task : tasks) {
        const std::string record =
            task.title + "\t" + IntText(ReadIntOrZero(task.importance)) + "\t" + task.details + "\n";
        for (const char c : record) {
            if (c == '\n') {
                out += '\r';
            }
            out += c;
        }
    }
    return out;
}

// The font size the settings file gives: a number at the start of its first line, else 120.
inline int ParseSettings(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\x1A'));
    int n = kDefaultFontSize;
    ScanInt(bytes.substr(0, bytes.find('\n')), n);
    return n;
}

inline int AddSaturating(int n, int nDelta)
{
    const long long sum = static_cast<long long>(n) + nDelta;
    return sum > INT_MAX ? INT_MAX : (sum < INT_MIN ? INT_MIN : static_cast<int>(sum));
}

// The character height a list font of that size asks for: minus |trunc(dpi * size / 720)|.
inline int FontHeight(int nSize, int nDpi)
{
    const long long y = static_cast<long long>(nDpi) * nSize / 720;
    return -static_cast<int>(y < 0 ? -y : y);
}

// The contains test of Find: walk the text by whole characters from its start; an occurrence
// begins only at a character boundary, and an empty text contains nothing.
inline int FindInTitle(std::string_view text, std::string_view search)
{
    std::size_t p = 0;
    for (;;) {
        if (p >= text.size()) {
            return -1;
        }
        if (text.size() - p < search.size()) {
            return -1;
        }
        if (text.substr(p, search.size()) == search) {
            return static_cast<int>(p);
        }
        p += IsLeadByte(static_cast<unsigned char>(text[p])) ? 2 : 1;
    }
}

// Unsigned byte order, a text that begins another standing above it.
inline int CompareBytes(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace model
