// The settings file: the list font size read at start-up and written once, when the window closes.
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <ostream>
#include <string>

namespace {

std::string FileMessage(std::string_view pattern, const std::string& strPath)
{
    const std::size_t n = pattern.find("%1");
    return Sjis(pattern.substr(0, n)) + strPath + Sjis(pattern.substr(n + 2));
}

struct SettingsCase {
    const char* name;
    friend void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }
    std::optional<std::string> file; // none: no settings file
    int nExpectedSize;
    std::string written;
};

template <class T> std::string CaseName(const ::testing::TestParamInfo<T>& testInfo)
{
    return testInfo.param.name;
}

struct SettingsFile : ::testing::TestWithParam<SettingsCase> {
    SettingsFile() { WriteFileBytes(dir.File("ruvelo.csv"), ""); }

    CTempDataDir dir;
    CTestApp env;
};

TEST_P(SettingsFile, GivesTheFontSizeAndIsWrittenBackAtClose)
{
    const SettingsCase& c = GetParam();
    if (c.file) {
        WriteFileBytes(dir.File("ruvelo.ini"), *c.file);
    }
    CStartedMainWindow main(env);

    EXPECT_EQ(main.dlg.m_nFontSize, c.nExpectedSize);
    if (c.file) {
        EXPECT_TRUE(env.ws.messageBoxes.empty());
    } else {
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage("%1 が見つかりませんでした。", dir.File("ruvelo.ini")));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
    }
    // Nothing is written while the program runs.
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), c.file);

    main.Close();

    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), c.written);
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SettingsFile,
    ::testing::Values(
        SettingsCase{"Plain", "120", 120, "120"}, SettingsCase{"FurtherLinesIgnored", "120\r\n130\r\nmore", 120, "120"},
        SettingsCase{"Negative", "-40", -40, "-40"}, SettingsCase{"BlankThenDigitsThenText", " 90pt", 90, "90"},
        SettingsCase{"PlusSignAndWhiteSpace", " \t+60", 60, "60"}, SettingsCase{"Zero", "0", 0, "0"},
        SettingsCase{"ChangedOnlyInForm", "0140\n", 140, "140"},
        SettingsCase{"BeyondTheTopSaturates", "99999999999", 2147483647, "2147483647"},
        SettingsCase{"BeyondTheBottomSaturates", "-99999999999", -2147483647 - 1, "-2147483648"},
        SettingsCase{"EmptyFile", "", 120, "120"}, SettingsCase{"TextOnly", "pt90", 120, "120"},
        SettingsCase{"SignOnly", "-", 120, "120"}, SettingsCase{"NumberOnASecondLineOnly", "\r\n90", 120, "120"},
        SettingsCase{"Missing", std::nullopt, 120, "120"}),
    CaseName<SettingsCase>);

struct SettingsTest : ::testing::Test {
    SettingsTest() { WriteFileBytes(dir.File("ruvelo.csv"), ""); }

    CTempDataDir dir;
    CTestApp env;
};

TEST_F(SettingsTest, TwoLargerFontCommandsFrom120Write160WithoutLineEnd)
{
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    CStartedMainWindow main(env);

    main.Command(ID_FONT_LARGER);
    main.Command(ID_FONT_LARGER);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "120"); // the commands do not write it
    main.Close();

    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "160");
}

// The write happens after the modal loop, with no handler running: the failure is shown once,
// owned by no window, and the program still ends as usual.
TEST_F(SettingsTest, AFileThatCannotBeWrittenAtShutdownIsReportedOnceAndTheProgramEnds)
{
    struct Case {
        const char* name;
        bool bReadOnly; // otherwise the write itself fails
        std::string_view message;
    };
    const Case cases[] = {{"read-only", true, "%1 へのｱｸｾｽは拒否されました。"},
                          {"write fails", false, "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"}};
    const std::string strPath = dir.File("ruvelo.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::chmod(strPath.c_str(), 0644);
        WriteFileBytes(strPath, "140");
        if (c.bReadOnly) {
            ::chmod(strPath.c_str(), 0444);
        }
        env.ws.messageBoxes.clear();
        const SysCalls saved = Sys();
        HWND hMain = nullptr;
        env.ws.mainLoop = [&] {
            hMain = AfxGetMainWnd()->m_hWnd;
            AfxCallWndProc(AfxGetMainWnd(), WM_COMMAND, ID_FONT_LARGER, 0);
            if (!c.bReadOnly) {
                Sys().fsync = [](int) {
                    errno = EIO;
                    return -1;
                };
            }
        };

        const BOOL bResult = env.app.InitInstance();
        Sys() = saved;

        EXPECT_EQ(bResult, FALSE);
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
        ASSERT_NE(hMain, nullptr);
        EXPECT_TRUE(env.ws.GetWindow(hMain).bDestroyed);
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(c.message, strPath));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
        EXPECT_EQ(env.ws.messageBoxes[0].hOwner, nullptr);
        EXPECT_EQ(ReadFileBytes(strPath), "140");
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
    }
}

} // namespace
