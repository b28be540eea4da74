// Decoding for display: never fails, gives at most one character per byte, and gives U+FFFD
// exactly where a plain decoder built on iconv, one character at a time, cannot decode.
#include "FuzzHarness.h"
#include "framework/Cp932.h"

#include <iconv.h>

#include <cstdint>

namespace {

// Converts from the front of the bytes with room for one UTF-16 unit only: iconv then stops after
// one whole character, or refuses the first byte.
std::u16string ReferenceDecode(std::string_view bytes)
{
    static const iconv_t s_cd = iconv_open("UTF-16LE", "CP932");
    fuzz::Check(s_cd != reinterpret_cast<iconv_t>(-1), "iconv_open");
    std::u16string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        iconv(s_cd, nullptr, nullptr, nullptr, nullptr);
        char* pIn = const_cast<char*>(bytes.data() + i);
        std::size_t nIn = bytes.size() - i;
        char16_t unit = 0;
        char* pOut = reinterpret_cast<char*>(&unit);
        std::size_t nOut = sizeof unit;
        iconv(s_cd, &pIn, &nIn, &pOut, &nOut);
        const std::size_t nUsed = bytes.size() - i - nIn;
        if (nOut == 0 && nUsed > 0) {
            out.push_back(unit);
            i += nUsed;
        } else {
            fuzz::Check(nUsed == 0, "iconv consumed bytes without output");
            out.push_back(u'\uFFFD');
            ++i;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    const std::u16string decoded = cp932::Decode(bytes);
    fuzz::Check(decoded.size() <= bytes.size(), "more characters than bytes");
    fuzz::Check(decoded == ReferenceDecode(bytes), "differs from the iconv reference");

    std::u16string each;
    cp932::ForEachChar(bytes, [&each](char16_t c) { each.push_back(c); });
    fuzz::Check(each == decoded, "ForEachChar differs from Decode");
    std::u16string appended = u"x";
    cp932::DecodeAppend(bytes, appended);
    fuzz::Check(appended == u"x" + decoded, "DecodeAppend differs from Decode");

    // What decoded re-encodes to bytes that decode to the same characters (not always the same
    // bytes: some codes have a preferred twin).
    if (decoded.find(u'\uFFFD') == std::u16string::npos) {
        fuzz::Check(cp932::Decode(cp932::Encode(decoded)) == decoded, "a decoded text does not survive re-encoding");
    }
    return 0;
}
