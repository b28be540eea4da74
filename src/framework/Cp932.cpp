#include "framework/Cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>

namespace cp932 {
namespace {

// glibc's "CP932" is the Microsoft table; "SHIFT_JIS" maps 0x5C, 0x7E and 0x8160 differently.
constexpr const char* kCharset = "CP932";

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    return IconvHandle(cd);
}

// Converts one complete input sequence; returns false when iconv refuses any of it.
bool ConvertWhole(iconv_t cd, const char* in, std::size_t inLen, char* out, std::size_t outCap, std::size_t& outLen)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* pIn = const_cast<char*>(in);
    char* pOut = out;
    std::size_t nIn = inLen;
    std::size_t nOut = outCap;
    if (iconv(cd, &pIn, &nIn, &pOut, &nOut) == static_cast<std::size_t>(-1) || nIn != 0) {
        return false;
    }
    // Flush any shift state; CP932 has none, but the call is cheap and keeps the converter honest.
    if (iconv(cd, nullptr, nullptr, &pOut, &nOut) == static_cast<std::size_t>(-1)) {
        return false;
    }
    outLen = outCap - nOut;
    return true;
}

char16_t DecodeOne(iconv_t cd, const char* bytes, std::size_t n)
{
    char out[8];
    std::size_t outLen = 0;
    if (!ConvertWhole(cd, bytes, n, out, sizeof out, outLen) || outLen != 2) {
        return detail::kNoChar;
    }
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
}

std::unique_ptr<detail::Table> BuildTable()
{
    auto table = std::make_unique<detail::Table>();
    IconvHandle cd = OpenIconv("UTF-16LE", kCharset);
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        const char in[1] = {static_cast<char>(c)};
        table->single[b] = IsLeadByte(c) ? detail::kNoChar : DecodeOne(static_cast<iconv_t>(cd.get()), in, 1);
    }
    for (int lead = 0; lead < 256; ++lead) {
        const auto l = static_cast<unsigned char>(lead);
        if (!IsLeadByte(l)) {
            continue;
        }
        auto& row = table->pair[detail::LeadIndex(l)];
        for (int trail = 0; trail < 256; ++trail) {
            const char in[2] = {static_cast<char>(l), static_cast<char>(trail)};
            row[trail] = DecodeOne(static_cast<iconv_t>(cd.get()), in, 2);
        }
    }
    return table;
}

void AppendUtf32AsUtf16(char32_t cp, std::u16string& out)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

} // namespace

namespace detail {
const Table& GetTable()
{
    static const std::unique_ptr<Table> table = BuildTable();
    return *table;
}
} // namespace detail

void DecodeAppend(std::string_view bytes, std::u16string& out)
{
    out.reserve(out.size() + bytes.size());
    ForEachChar(bytes, [&out](char16_t u) { out.push_back(u); });
}

std::u16string Decode(std::string_view bytes)
{
    std::u16string out;
    DecodeAppend(bytes, out);
    return out;
}

std::string Encode(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    IconvHandle cd = OpenIconv(kCharset, "UTF-32LE");
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        const char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                            static_cast<char>((cp >> 16) & 0xFF), static_cast<char>((cp >> 24) & 0xFF)};
        char buf[8];
        std::size_t n = 0;
        if (ConvertWhole(static_cast<iconv_t>(cd.get()), in, sizeof in, buf, sizeof buf, n) && n > 0) {
            out.append(buf, n);
        } else {
            out.push_back('?');
        }
    }
    return out;
}

std::string FromUtf8(std::string_view utf8)
{
    std::u16string wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 0x6 && i + 1 < utf8.size()) {
            cp = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            len = 2;
        } else if ((c >> 4) == 0xE && i + 2 < utf8.size()) {
            cp = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 6) |
                 (static_cast<unsigned char>(utf8[i + 2]) & 0x3F);
            len = 3;
        } else if ((c >> 3) == 0x1E && i + 3 < utf8.size()) {
            cp = ((c & 0x07) << 18) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 12) |
                 ((static_cast<unsigned char>(utf8[i + 2]) & 0x3F) << 6) | (static_cast<unsigned char>(utf8[i + 3]) & 0x3F);
            len = 4;
        }
        AppendUtf32AsUtf16(cp, wide);
        i += len;
    }
    return Encode(wide);
}

int Find(std::string_view text, std::string_view search)
{
    for (std::size_t p = 0; p < text.size(); p += IsLeadByte(text[p]) ? 2 : 1) {
        if (text.size() - p < search.size()) {
            return -1;
        }
        if (text.compare(p, search.size(), search) == 0) {
            return static_cast<int>(p);
        }
    }
    return -1;
}

std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t nMax)
{
    if (bytes.size() <= nMax) {
        return bytes;
    }
    std::size_t pos = 0;
    while (pos < nMax) {
        const std::size_t len = CharLength(bytes, pos);
        if (pos + len > nMax) {
            break;
        }
        pos += len;
    }
    return bytes.substr(0, pos);
}

} // namespace cp932
