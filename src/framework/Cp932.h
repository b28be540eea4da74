#pragma once
// Code page 932 (the Microsoft variant of Shift-JIS), the encoding of every text the program holds.
// Decoding is for display only and never fails; the stored bytes are never re-encoded unless the
// user changed the text, because 398 valid codes do not survive a round trip.

#include <string>
#include <string_view>

namespace cp932 {

// A lead byte begins a double-byte character together with the byte after it.
constexpr bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

inline bool IsLeadByte(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

constexpr char16_t kReplacement = u'\uFFFD';

// Decodes for display: an invalid byte, or a lead byte without a valid trail byte, shows as
// U+FFFD and decoding goes on with the next byte.
std::u16string Decode(std::string_view bytes);

// Appends the decoding of bytes to out; the allocation-free form for hot paths.
void DecodeAppend(std::string_view bytes, std::u16string& out);

// Calls fn(char16_t) for each decoded character, without building a string.
template <class Fn>
void ForEachChar(std::string_view bytes, Fn&& fn);

// Encodes one character at a time; a character that code page 932 cannot hold becomes "?",
// as the platform's own conversion does. A surrogate pair counts as one character.
std::string Encode(std::u16string_view text);

// Resource texts are kept as UTF-8 in the sources; this gives their code page 932 bytes.
std::string FromUtf8(std::string_view utf8);

// The bytes that make up the character starting at bytes[pos]: 2 for a lead byte with a
// byte after it, else 1.
inline std::size_t CharLength(std::string_view bytes, std::size_t pos)
{
    return (IsLeadByte(bytes[pos]) && pos + 1 < bytes.size()) ? 2 : 1;
}

// The byte offset of the first occurrence of search in text, or -1: occurrences begin only at
// character boundaries, so a double-byte character is never split, and an empty text contains
// nothing, not even the empty search text.
int Find(std::string_view text, std::string_view search);

// The longest prefix of bytes no longer than nMax that does not end inside a double-byte character.
std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t nMax);

namespace detail {
// Decoding table built once from glibc's CP932 converter: single bytes, then 256 trail bytes for
// each lead byte. 0xFFFF marks a code that does not decode.
struct Table {
    char16_t single[256];
    char16_t pair[60][256];
};
const Table& GetTable();
constexpr int LeadIndex(unsigned char c) { return c <= 0x9F ? c - 0x81 : c - 0xE0 + 31; }
constexpr char16_t kNoChar = 0xFFFF;
} // namespace detail

template <class Fn>
void ForEachChar(std::string_view bytes, Fn&& fn)
{
    const detail::Table& table = detail::GetTable();
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (IsLeadByte(c)) {
            if (i + 1 < n) {
                const char16_t u = table.pair[detail::LeadIndex(c)][static_cast<unsigned char>(bytes[i + 1])];
                if (u != detail::kNoChar) {
                    fn(u);
                    i += 2;
                    continue;
                }
            }
            fn(kReplacement);
            ++i;
            continue;
        }
        const char16_t u = table.single[c];
        fn(u == detail::kNoChar ? kReplacement : u);
        ++i;
    }
}

} // namespace cp932
