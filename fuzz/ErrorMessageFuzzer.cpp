// The file-error message for any cause and file name: at most 511 bytes, never ending inside a
// double-byte character, and the message of its cause holding the name (or 無題のﾌｧｲﾙ for none),
// shown in code page 932 when the name is valid UTF-8.
#include "FuzzHarness.h"
#include "framework/Cp932.h"
#include "framework/FileException.h"

#include <iconv.h>

#include <cstdint>

namespace {

const char* const kFormats[] = {
    "ｴﾗｰはありませんでした。",
    "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。",
    "%1 が見つかりませんでした。",
    "%1 には無効なﾊﾟｽが含まれています。",
    "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。",
    "%1 へのｱｸｾｽは拒否されました。",
    "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。",
    "現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。",
    "%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。",
    "%1 のｼｰｸに失敗しました。",
    "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。",
    "%1 へのｱｸｾｽ中に共有違反が発生しました。",
    "%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。",
    "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。",
    "%1 の末尾以降にｱｸｾｽしようとしました。",
};

// Whether iconv takes the whole name as UTF-8, which refuses overlong forms and surrogates.
bool IsUtf8(std::string_view s)
{
    static const iconv_t s_cd = iconv_open("UTF-32LE", "UTF-8");
    iconv(s_cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(s.size() * 4 + 4, '\0');
    char* pIn = const_cast<char*>(s.data());
    std::size_t nIn = s.size();
    char* pOut = out.data();
    std::size_t nOut = out.size();
    return iconv(s_cd, &pIn, &nIn, &pOut, &nOut) != static_cast<std::size_t>(-1) && nIn == 0;
}

// The name as a message shows it: each UTF-8 character in code page 932, or "?" for one that
// code page 932 lacks, as the platform's own conversion writes it; raw bytes for a name that is
// plain ASCII or not UTF-8 at all.
std::string DisplayName(std::string_view s)
{
    if (!IsUtf8(s)) {
        return std::string(s);
    }
    static const iconv_t s_cd = iconv_open("CP932", "UTF-8");
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4));
        iconv(s_cd, nullptr, nullptr, nullptr, nullptr);
        char* pIn = const_cast<char*>(s.data() + i);
        std::size_t nIn = n;
        char buf[8];
        char* pOut = buf;
        std::size_t nOut = sizeof buf;
        // iconv drops some characters (the tag characters) without a word: those are "?" too.
        if (iconv(s_cd, &pIn, &nIn, &pOut, &nOut) != static_cast<std::size_t>(-1) && nIn == 0 && nOut < sizeof buf) {
            out.append(buf, sizeof buf - nOut);
        } else {
            out += '?';
        }
        i += n;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize == 0) {
        return 0;
    }
    // Byte 0 is the cause, as a signed byte so that causes outside the table come up too.
    const int nCause = static_cast<signed char>(pData[0]);
    const std::string strName(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    const CString strMessage = CFileException(nCause, 0, strName).GetErrorMessage();

    fuzz::Check(strMessage.size() <= 511, "longer than 511 bytes");
    std::size_t p = 0;
    while (p < strMessage.size()) {
        p += cp932::IsLeadByte(strMessage[p]) ? 2 : 1;
    }
    fuzz::Check(p == strMessage.size(), "ends inside a double-byte character");

    // A cause outside the table gives the message for an unknown error.
    const int nShown = (nCause >= 0 && nCause <= 14) ? nCause : 1;
    std::string strFull = cp932::FromUtf8(kFormats[nShown]);
    if (const std::size_t nAt = strFull.find("%1"); nAt != std::string::npos) {
        strFull.replace(nAt, 2, strName.empty() ? cp932::FromUtf8("無題のﾌｧｲﾙ") : DisplayName(strName));
    }
    fuzz::Check(strFull.compare(0, strMessage.size(), strMessage) == 0, "not the message of its cause and name");
    fuzz::Check(strMessage.size() == strFull.size() || strMessage.size() >= 510, "cut shorter than it needs to be");
    return 0;
}
