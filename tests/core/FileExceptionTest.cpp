// File errors: the cause of an operating-system error, and the message shown for each cause.
#include "framework/FileException.h"
#include "framework/Cp932.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

TEST(FileExceptionCause, FromOsError)
{
    struct Case {
        int nErrno;
        int cause;
    };
    const std::vector<Case> cases = {
        {0, CFileException::none},
        {ENOENT, CFileException::fileNotFound},
        {ENOTDIR, CFileException::badPath},
        {ENAMETOOLONG, CFileException::badPath},
        {ELOOP, CFileException::badPath},
        {EINVAL, CFileException::badPath},
        {EMFILE, CFileException::tooManyOpenFiles},
        {ENFILE, CFileException::tooManyOpenFiles},
        {EACCES, CFileException::accessDenied},
        {EPERM, CFileException::accessDenied},
        {EROFS, CFileException::accessDenied},
        {EISDIR, CFileException::accessDenied},
        {EWOULDBLOCK, CFileException::sharingViolation},
        {ENOSPC, CFileException::diskFull},
        {EDQUOT, CFileException::diskFull},
        {EIO, CFileException::hardIO},
        {EEXIST, CFileException::generic},
        {EBADF, CFileException::generic},
        {EFBIG, CFileException::generic},
        {EINTR, CFileException::generic},
        {ETXTBSY, CFileException::generic},
        {12345, CFileException::generic},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CFileException::OsErrorToException(c.nErrno), c.cause) << c.nErrno;
    }
}

// The framework's messages, one per cause, as the user sees them.
const std::vector<std::string>& MessageFormats()
{
    static const std::vector<std::string> formats = {
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
    return formats;
}

std::string WithName(std::string format, const std::string& name)
{
    if (const std::size_t pos = format.find("%1"); pos != std::string::npos) {
        format.replace(pos, 2, name);
    }
    return format;
}

TEST(FileExceptionMessage, EveryCauseByteForByte)
{
    ASSERT_EQ(MessageFormats().size(), 15u);
    for (int cause = CFileException::none; cause <= CFileException::endOfFile; ++cause) {
        const CFileException e(cause, 0, "C:/x");
        EXPECT_EQ(e.GetErrorMessage(), Sjis(WithName(MessageFormats()[static_cast<std::size_t>(cause)], "C:/x")))
            << "cause " << cause;
    }
}

TEST(FileExceptionMessage, FileNameAsShown)
{
    struct Case {
        std::string strFileName; // as the file system holds it
        std::string shown;       // code page 932, as it appears in place of %1
    };
    const std::vector<Case> cases = {
        {"", Sjis("無題のﾌｧｲﾙ")},
        {"/tmp/tasks/ruvelo.csv", "/tmp/tasks/ruvelo.csv"},
        {"/home/ユーザー/買い物/RuVelo.csv", Sjis("/home/ユーザー/買い物/RuVelo.csv")}, // UTF-8 becomes code page 932
        {"/d/\x94\x83\x82\xA2\x95\xA8", "/d/\x94\x83\x82\xA2\x95\xA8"}, // not UTF-8: the bytes as they are
        {"/d/caf\xC3\xA9", "/d/caf?"},                                  // no such character in the code page
        {"/d/100%1.csv", "/d/100%1.csv"},                               // a "%1" in the name is not replaced again
    };
    for (const Case& c : cases) {
        const CFileException e(CFileException::fileNotFound, ENOENT, c.strFileName);
        EXPECT_EQ(e.GetErrorMessage(), c.shown + Sjis(" が見つかりませんでした。")) << c.strFileName;
    }
}

TEST(FileExceptionMessage, UnknownCauseShowsTheGenericMessage)
{
    for (const int cause : {-1, 15, 99}) {
        EXPECT_EQ(CFileException(cause, 0, "C:/x").GetErrorMessage(), Sjis(WithName(MessageFormats()[1], "C:/x")));
    }
}

// Whether bytes end on a character boundary, counting from their start.
bool EndsOnCharBoundary(const std::string& bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        pos += cp932::IsLeadByte(bytes[pos]) ? 2 : 1;
    }
    return pos == bytes.size();
}

TEST(FileExceptionMessage, LongMessageIsCutTo511BytesOnACharacterBoundary)
{
    // Names of double-byte characters after one or two ASCII bytes, so that byte 511 falls on a
    // lead byte in one case and on a trail byte in the other, for a name first and in the middle.
    for (const int cause : {CFileException::fileNotFound, CFileException::tooManyOpenFiles}) {
        for (const std::string prefix : {"a", "ab"}) {
            std::string name = prefix;
            for (int i = 0; i < 400; ++i) {
                name += "あ";
            }
            const CFileException e(cause, 0, name);
            const std::string full = Sjis(WithName(MessageFormats()[static_cast<std::size_t>(cause)], name));
            const std::string message = e.GetErrorMessage();
            ASSERT_GT(full.size(), 600u);
            EXPECT_LE(message.size(), kMaxErrorMessage);
            EXPECT_GE(message.size(), kMaxErrorMessage - 1);
            EXPECT_EQ(full.compare(0, message.size(), message), 0) << "a prefix of the whole message";
            EXPECT_TRUE(EndsOnCharBoundary(message)) << "cause " << cause << " prefix " << prefix;
        }
    }
    // Exactly 511 bytes stay whole.
    const std::string suffix = Sjis(" が見つかりませんでした。");
    const std::string name(kMaxErrorMessage - suffix.size(), 'n');
    EXPECT_EQ(CFileException(CFileException::fileNotFound, 0, name).GetErrorMessage(), name + suffix);
}

TEST(FileExceptionThrow, CarriesCauseErrorAndName)
{
    try {
        AfxThrowFileException(CFileException::diskFull, ENOSPC, "/d/RuVelo.csv");
        FAIL() << "did not throw";
    } catch (const CException& e) {
        const auto* pFile = dynamic_cast<const CFileException*>(&e);
        ASSERT_NE(pFile, nullptr);
        EXPECT_EQ(pFile->m_cause, CFileException::diskFull);
        EXPECT_EQ(pFile->m_lOsError, ENOSPC);
        EXPECT_EQ(pFile->m_strFileName, "/d/RuVelo.csv");
    }
}

TEST(FileExceptionReport, ShowsTheMessageWithTheAppNameAsCaption)
{
    CTestApp env;
    CFileException(CFileException::accessDenied, EACCES, "/d/RuVelo.csv").ReportError(MB_ICONSTOP);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, Sjis("/d/RuVelo.csv へのｱｸｾｽは拒否されました。"));
    EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
    EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
}

} // namespace
