// Code page 932: decoding for display, encoding of typed text, the contains test and cutting.
#include "framework/Cp932.h"

#include <iconv.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr std::string_view kKaimono = "\x94\x83\x82\xA2\x95\xA8"; // 買い物

// The decoding of one double-byte code straight from glibc, the oracle for the sweep.
class CIconvOracle {
public:
    CIconvOracle() : m_cd(iconv_open("UTF-16LE", "CP932")) {}
    ~CIconvOracle() { iconv_close(m_cd); }
    CIconvOracle(const CIconvOracle&) = delete;
    CIconvOracle& operator=(const CIconvOracle&) = delete;

    [[nodiscard]] bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The UTF-16 units of the code, empty when glibc refuses it.
    std::u16string Decode(unsigned char lead, unsigned char trail)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char out[16];
        char* pIn = in;
        char* pOut = out;
        std::size_t nIn = 2;
        std::size_t nOut = sizeof out;
        if (iconv(m_cd, &pIn, &nIn, &pOut, &nOut) == static_cast<std::size_t>(-1) || nIn != 0) {
            return {};
        }
        std::u16string result;
        for (const char* p = out; p + 1 < pOut; p += 2) {
            result.push_back(
                static_cast<char16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8));
        }
        return result;
    }

private:
    iconv_t m_cd;
};

bool IsTrailRange(int b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

TEST(Cp932Decode, EveryDoubleByteCodeDecodesAsGlibcDoesOrShowsReplacementAndGoesOn)
{
    CIconvOracle oracle;
    ASSERT_TRUE(oracle.Valid());
    int nKnown = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::IsLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string decoded = cp932::Decode(bytes);
            const std::u16string expected =
                IsTrailRange(trail) ? oracle.Decode(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))
                                    : std::u16string();
            if (!expected.empty()) {
                ++nKnown;
                ASSERT_EQ(expected.size(), 1u) << std::hex << lead << ' ' << trail;
                ASSERT_EQ(decoded, expected) << std::hex << lead << ' ' << trail;
                ASSERT_NE(decoded[0], cp932::kReplacement) << std::hex << lead << ' ' << trail;
            } else {
                // The lead byte alone is bad; the byte after it is read again on its own.
                ASSERT_EQ(decoded.size(), 2u) << std::hex << lead << ' ' << trail;
                ASSERT_EQ(decoded[0], cp932::kReplacement) << std::hex << lead << ' ' << trail;
                ASSERT_EQ(decoded.substr(1), cp932::Decode(bytes.substr(1))) << std::hex << lead << ' ' << trail;
            }
        }
    }
    // The Microsoft table: JIS X 0208 with the NEC and IBM rows, every one of them.
    EXPECT_GT(nKnown, 9000);
}

TEST(Cp932Decode, DoubleByteCodesSurviveEncodingAsTheSameCharacter)
{
    // Duplicates re-encode to their preferred code, so compare characters, not bytes.
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::IsLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string decoded = cp932::Decode(bytes);
            if (decoded.size() != 1) {
                continue;
            }
            const std::string encoded = cp932::Encode(decoded);
            ASSERT_EQ(encoded.size(), 2u) << std::hex << lead << ' ' << trail;
            ASSERT_EQ(cp932::Decode(encoded), decoded) << std::hex << lead << ' ' << trail;
        }
    }
}

TEST(Cp932Decode, SingleBytes)
{
    for (int b = 0; b < 0x80; ++b) {
        // ASCII throughout: 0x5C is the backslash and 0x7E the tilde, not ¥ and ‾.
        EXPECT_EQ(cp932::Decode(std::string(1, static_cast<char>(b))), std::u16string(1, static_cast<char16_t>(b)))
            << b;
    }
    for (int b = 0xA1; b <= 0xDF; ++b) {
        EXPECT_EQ(cp932::Decode(std::string(1, static_cast<char>(b))),
                  std::u16string(1, static_cast<char16_t>(0xFF61 + b - 0xA1)))
            << b;
    }
    for (const int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) {
        EXPECT_EQ(cp932::Decode(std::string(1, static_cast<char>(b))), u"\uFFFD") << b;
    }
}

TEST(Cp932Decode, BadBytesShowReplacementAndDecodingGoesOn)
{
    struct Case {
        std::string bytes;
        std::u16string expected;
    };
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {std::string(kKaimono), u"買い物"},
        {"a\x80" "b", u"a\uFFFDb"},
        {"\xA0\xFD\xFE\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\x81", u"\uFFFD"}, // a lead byte at the very end
        {"ab\x94", u"ab\uFFFD"},
        {"\x81\x0A" "x", u"\uFFFD\nx"}, // the trail is out of range: LF stays LF
        {"\x81\x7F", u"\uFFFD\x7F"},
        {"\x85\x40", u"\uFFFD@"},          // in range but an empty row of the table
        {"\x85\x81\x40", u"\uFFFD\u3000"}, // the bad lead's follower starts a good pair
        {"\x83\x41\x83\x5C", u"アソ"},
        {"\x81\x60", u"\uFF5E"},       // the Microsoft wave dash, not U+301C
        {"\xB1\xDE", u"\uFF71\uFF9E"}, // half-width katakana are single bytes
        {"\x00" "a"s, u"\0a"s},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(cp932::Decode(c.bytes), c.expected) << testing::PrintToString(c.bytes);
        std::u16string viaEach;
        cp932::ForEachChar(c.bytes, [&viaEach](char16_t u) { viaEach.push_back(u); });
        EXPECT_EQ(viaEach, c.expected);
    }
    std::u16string out = u"x";
    cp932::DecodeAppend(kKaimono, out);
    EXPECT_EQ(out, u"x買い物");
}

TEST(Cp932Encode, CharactersOutsideTheCodePageBecomeOneQuestionMark)
{
    struct Case {
        std::u16string text;
        std::string expected;
    };
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {u"買い物", std::string(kKaimono)},
        {u"\\~", "\\~"},
        {u"\uFF5E", "\x81\x60"},
        {u"\uFF71", "\xB1"},
        {u"é", "?"},
        {u"a\U0001F600b", "a?b"}, // a surrogate pair is one character
        {u"\U0001F600\U0001F600", "??"},
        {u"\xD800" "a", "?a"},  // a lone high surrogate
        {u"a\xDC00", "a?"}, // a lone low surrogate
        {u"\uFFFD", "?"},
        {u"", ""},
        {u"\0x"s, "\0x"s},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(cp932::Encode(c.text), c.expected) << testing::PrintToString(c.expected);
    }
}

TEST(Cp932Encode, OrdinaryTextRoundTrips)
{
    const std::vector<std::u16string> texts = {
        u"買い物リスト", u"report 10\t牛乳", u"ｱｲｳｴｵ ｶﾞｷﾞ", u"①②Ⅹ㈱", u"C:\\tasks\\~x", u"ＡＢＣａｂｃ０１２", u"",
    };
    for (const std::u16string& text : texts) {
        EXPECT_EQ(cp932::Decode(cp932::Encode(text)), text);
    }
    EXPECT_EQ(cp932::FromUtf8("買い物"), kKaimono);
    EXPECT_EQ(cp932::FromUtf8("a\xF0\x9F\x98\x80"
                              "b"),
              "a?b"); // emoji given as UTF-8
}

TEST(Cp932Find, ContainsTestMatchesWholeCharactersOnly)
{
    struct Case {
        std::string text;
        std::string search;
        int expected;
    };
    const std::string a = "\x83\x41";  // ア, whose trail byte is 'A'
    const std::string so = "\x83\x5C"; // ソ, whose trail byte is '\'
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {a, "A", -1},
        {so, "\\", -1},
        {a + "A", "A", 2},
        {"x" + a + "A", "A", 3},
        {a + "AB", "AB", 2},
        {a + "B", "AB", -1}, // would match only by starting on a trail byte
        {so + "\\", "\\", 2},
        {"", "", -1}, // an empty title contains nothing, not even ""
        {"", "a", -1},
        {"abc", "", 0},
        {a, "", 0},
        {"abc", "B", -1}, // case is exact
        {"aBc", "B", 1},
        {"\x82\x60", "A", -1}, // full-width Ａ is not A
        {"A", "\x82\x60", -1},
        {"\xB1", a, -1},                         // half-width ｱ is not ア
        {"ab", "abc", -1},                       // a longer search never matches
        {std::string(kKaimono), "\x95\xA8", 4},  // 物 at its byte offset
        {std::string(kKaimono), "\x83\x82", -1}, // bytes across two characters
        {std::string(kKaimono), std::string(kKaimono), 0},
        {"ab\x83", "\x83", 2}, // a lone lead byte at the end is a character
        {"\x83", "\x83" "A", -1},
        {"a\x80" "b", "\x80", 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(cp932::Find(c.text, c.search), c.expected)
            << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.search);
    }
}

TEST(Cp932Cut, NeverEndsInsideADoubleByteCharacter)
{
    struct Case {
        std::string bytes;
        std::size_t nMax;
        std::string expected;
    };
    const std::string kaimono(kKaimono);
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {"abc", 5, "abc"},
        {"abc", 3, "abc"},
        {"abc", 2, "ab"},
        {"abc", 0, ""},
        {kaimono, 6, kaimono},
        {kaimono, 5, kaimono.substr(0, 4)},
        {kaimono, 4, kaimono.substr(0, 4)},
        {kaimono, 3, kaimono.substr(0, 2)},
        {kaimono, 1, ""},
        {"a" + kaimono, 2, "a"},
        {"a" + kaimono, 3, "a" + kaimono.substr(0, 2)},
        {"ab\x83", 3, "ab\x83"}, // a lone lead byte at the end fits as it is
        {"ab\x83" "A", 3, "ab"},
        {"\xB1\xB2\xB3", 2, "\xB1\xB2"}, // half-width katakana are single bytes
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(cp932::CutAtCharBoundary(c.bytes, c.nMax), c.expected)
            << testing::PrintToString(c.bytes) << " at " << c.nMax;
    }
}

TEST(Cp932LeadByte, Ranges)
{
    for (int b = 0; b < 256; ++b) {
        const bool bExpected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(cp932::IsLeadByte(static_cast<unsigned char>(b)), bExpected) << b;
        EXPECT_EQ(cp932::IsLeadByte(static_cast<char>(b)), bExpected) << b;
    }
    EXPECT_EQ(cp932::CharLength("\x83\x41", 0), 2u);
    EXPECT_EQ(cp932::CharLength("a\x83", 1), 1u);
    EXPECT_EQ(cp932::CharLength("Ab", 0), 1u);
}

} // namespace
