// F1: the help engine asked for the executable's help file at the context of the dialog that has
// the focus, the message when the engine cannot start, and the help file's name.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

MSG KeyDown(HWND hWnd, UINT nVirtualKey, UINT nKeyState = 0, UINT nMessage = WM_KEYDOWN)
{
    MSG msg;
    msg.hwnd = hWnd;
    msg.message = nMessage;
    msg.wParam = nVirtualKey;
    msg.nKeyState = nKeyState;
    return msg;
}

// Keys pressed in a dialog while it is open, then OK or Cancel.
CFakeWindowSystem::DialogAnswer PressKeys(int nResult, std::function<void(CDialog&)> keys)
{
    CFakeWindowSystem::DialogAnswer answer;
    answer.nResult = nResult;
    answer.whileOpen = std::move(keys);
    return answer;
}

CFakeWindowSystem::DialogAnswer PressF1(int nResult)
{
    return PressKeys(nResult, [](CDialog& dlg) {
        MSG msg = KeyDown(dlg.m_hWnd, VK_F1);
        EXPECT_TRUE(dlg.PreTranslateMessage(&msg));
    });
}

struct ContextCase {
    const char* name;
    std::function<void(CTestApp&, CWnd& main)> pressF1;
    DWORD dwContext;
};

class HelpContextTest : public ::testing::TestWithParam<ContextCase> {};

// The program runs as it does for a user, so that the dialogs are modal inside the main window.
TEST_P(HelpContextTest, F1AsksForTheHelpFileAtTheDialogsContext)
{
    CTempDataDir dir;
    CTestApp env;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "task\t1\t\r\n");
    HWND hMain = nullptr;
    env.ws.mainLoop = [&] {
        CWnd& main = *AfxGetMainWnd();
        hMain = main.m_hWnd;
        GetParam().pressF1(env, main);
    };

    env.app.InitInstance();

    ASSERT_EQ(env.ws.helpCalls.size(), 1u);
    EXPECT_EQ(env.ws.helpCalls[0].strHelpFile, "/opt/ruvelo2/RUVelo2.HLP");
    EXPECT_EQ(env.ws.helpCalls[0].nCmd, HELP_CONTEXT);
    EXPECT_EQ(env.ws.helpCalls[0].dwData, GetParam().dwContext);
    // The engine cannot start here, which the framework reports.
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, Sjis("ﾍﾙﾌﾟの起動に失敗しました。"));
    EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
    EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(env.ws.messageBoxes[0].hOwner, hMain);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "task\t1\t\r\n");
}

INSTANTIATE_TEST_SUITE_P(Dialogs, HelpContextTest,
                         ::testing::Values(ContextCase{"MainWindow",
                                                       [](CTestApp&, CWnd& main) {
                                                           MSG msg = KeyDown(main.m_hWnd, VK_F1);
                                                           EXPECT_TRUE(main.PreTranslateMessage(&msg));
                                                       },
                                                       0x20066},
                                           ContextCase{"TaskEntryDialog",
                                                       [](CTestApp& env, CWnd& main) {
                                                           env.ws.dialogAnswers.push_back(PressF1(IDCANCEL));
                                                           main.SendMessage(WM_COMMAND, ID_TASK_FIND, 0);
                                                       },
                                                       0x20067},
                                           ContextCase{"AboutBox",
                                                       [](CTestApp& env, CWnd& main) {
                                                           env.ws.dialogAnswers.push_back(PressF1(IDOK));
                                                           main.SendMessage(WM_COMMAND, ID_VERSION_INFO, 0);
                                                       },
                                                       0x20064}),
                         [](const ::testing::TestParamInfo<ContextCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(Help, EngineThatStartsShowsNoMessage)
{
    CTempDataDir dir;
    CTestApp env;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "");
    env.ws.bHelpStarts = TRUE;
    env.ws.mainLoop = [] {
        MSG msg = KeyDown(AfxGetMainWnd()->m_hWnd, VK_F1);
        AfxGetMainWnd()->PreTranslateMessage(&msg);
    };

    env.app.InitInstance();

    EXPECT_EQ(env.ws.helpCalls.size(), 1u);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

// F1 with Shift, Ctrl or Alt held is no help request, in the main window or in a dialog.
TEST(Help, F1WithAModifierAsksForNothing)
{
    CTempDataDir dir;
    CTestApp env;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "task\t1\t\r\n");
    const std::pair<UINT, UINT> modified[] = {{MK_KEYSTATE_SHIFT, WM_KEYDOWN},
                                              {MK_KEYSTATE_CONTROL, WM_KEYDOWN},
                                              {MK_KEYSTATE_ALT, WM_KEYDOWN},
                                              {MK_KEYSTATE_ALT, WM_SYSKEYDOWN},
                                              {MK_KEYSTATE_SHIFT | MK_KEYSTATE_CONTROL, WM_KEYDOWN}};
    env.ws.mainLoop = [&] {
        CWnd& main = *AfxGetMainWnd();
        for (const auto& [nKeyState, nMessage] : modified) {
            MSG msg = KeyDown(main.m_hWnd, VK_F1, nKeyState, nMessage);
            EXPECT_FALSE(main.PreTranslateMessage(&msg)) << nKeyState;
        }
        env.ws.dialogAnswers.push_back(PressKeys(IDCANCEL, [&](CDialog& dlg) {
            for (const auto& [nKeyState, nMessage] : modified) {
                MSG msg = KeyDown(dlg.m_hWnd, VK_F1, nKeyState, nMessage);
                EXPECT_FALSE(dlg.PreTranslateMessage(&msg)) << nKeyState;
            }
        }));
        main.SendMessage(WM_COMMAND, ID_TASK_FIND, 0);
    };

    env.app.InitInstance();

    EXPECT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_TRUE(env.ws.helpCalls.empty());
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

struct ModuleCase {
    const char* path;
    const char* appName;
    const char* helpFile;
};

class HelpFileNameTest : public ::testing::TestWithParam<ModuleCase> {};

// The executable's path with its extension, if any, replaced by ".HLP"; the name without it.
TEST_P(HelpFileNameTest, DerivedFromTheExecutablePath)
{
    CTaskApp app;
    app.InitApplication(GetParam().path);

    EXPECT_EQ(app.m_strAppName, GetParam().appName);
    EXPECT_EQ(app.m_strHelpFilePath, GetParam().helpFile);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HelpFileNameTest,
    ::testing::Values(ModuleCase{"/opt/ruvelo2/RUVelo2", "RUVelo2", "/opt/ruvelo2/RUVelo2.HLP"},
                      ModuleCase{"/opt/ruvelo2/RUVelo2.EXE", "RUVelo2", "/opt/ruvelo2/RUVelo2.HLP"},
                      ModuleCase{"C:\\RUVELO\\RUVelo2.EXE", "RUVelo2", "C:\\RUVELO\\RUVelo2.HLP"},
                      ModuleCase{"RUVelo2.exe", "RUVelo2", "RUVelo2.HLP"},
                      ModuleCase{"/usr/bin/ruvelo2.old.bin", "ruvelo2.old", "/usr/bin/ruvelo2.old.HLP"},
                      // A dot in a directory name is no extension.
                      ModuleCase{"/opt/ru.velo/RUVelo2", "RUVelo2", "/opt/ru.velo/RUVelo2.HLP"}));

} // namespace
