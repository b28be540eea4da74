// How commands reach the main window: the menu bar, the accelerators through the key filter, the
// context menu, the window menu and the exit command. Each route must run its command body and
// nothing else, so every route is compared with a direct call of that body.
#include "framework/Cp932.h"
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/SaveCounter.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

namespace {

using Answer = CFakeWindowSystem::DialogAnswer;
using Rows = std::vector<std::string>;
using Action = std::function<void(CStartedMainWindow&)>;

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

// Three tasks; the blank line at the end is never written, so a save always changes the bytes.
const std::string kTasks = "cherry\t2\tc\r\napple\t10\ta\r\nbanana\t5\tb\r\n\r\n";
// Read as 90; a save writes "90", so a written settings file differs from this.
const std::string kSettings = " 90";

template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& param)
{
    return param.param.name;
}

void StartFiles(const CTempDataDir& dir)
{
    WriteFileBytes(dir.File("ruvelo.ini"), kSettings);
    WriteFileBytes(dir.File("ruvelo.csv"), kTasks);
}

// Everything a user could tell apart after an action: the rows with their keys and states, the
// font, the dialogs and boxes shown, and the task file. Context menus are left out: they are how
// a route arrives, not what the command did.
std::string Describe(CStartedMainWindow& main, const CTempDataDir& dir)
{
    CFakeWindowSystem& ws = main.env.ws;
    std::ostringstream out;
    for (int i = 0; i < main.List().GetItemCount(); ++i) {
        out << "row " << i << ": " << main.List().GetItemText(i, 0) << " | " << main.List().GetItemText(i, 1) << " | "
            << main.List().GetItemText(i, 2) << " key " << main.List().GetItemData(i)
            << ((main.List().GetItemState(i, LVIS_SELECTED) != 0) ? " selected" : "")
            << ((main.List().GetItemState(i, LVIS_FOCUSED) != 0) ? " focused" : "") << '\n';
    }
    out << "columns " << main.List().GetColumnWidth(0) << ' ' << main.List().GetColumnWidth(1) << ' '
        << main.List().GetColumnWidth(2) << '\n';
    out << "font size " << main.dlg.m_nFontSize << ", fonts made " << ws.fontsCreated.size() << '\n';
    for (const auto& shown : ws.dialogsShown) {
        out << "dialog " << shown.nTemplate << " [" << shown.strTitle << " | " << shown.strImportance << " | "
            << shown.strDetails << "]" << (shown.hOwner == main.dlg.m_hWnd ? " owned by main" : "")
            << (shown.bCentred ? " centred" : "") << '\n';
    }
    for (const auto& box : ws.messageBoxes) {
        out << "box " << box.strText << " / " << box.strCaption << " / " << box.nType << '\n';
    }
    const std::optional<std::string> file = ReadFileBytes(dir.File("ruvelo.csv"));
    out << "task file " << (file == kTasks ? std::string("untouched") : "[" + file.value_or("none") + "]") << '\n';
    out << "main window " << (ws.GetWindow(main.dlg.m_hWnd).bEnabled ? "enabled" : "disabled");
    return out.str();
}

// Runs one action on a freshly started main window whose top row is selected and focused. A
// dialog gets OK with texts typed, a Yes/No box gets Yes.
std::string RunAndDescribe(const Action& action)
{
    CTempDataDir dir;
    CTestApp env;
    StartFiles(dir);
    CStartedMainWindow main(env);
    main.List().SetItemState(0, kBoth, kBoth);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("an"), CString("4"), CString("nd")));
    env.ws.messageBoxAnswers.push_back(IDYES);
    action(main);
    return Describe(main, dir);
}

const std::string& NothingDone()
{
    static const std::string description = RunAndDescribe([](CStartedMainWindow&) {});
    return description;
}

// The routes.
Action MenuBar(UINT nID)
{
    return [nID](CStartedMainWindow& main) { main.Command(nID); };
}

Action CtrlKey(UINT nVirtualKey)
{
    return [nVirtualKey](CStartedMainWindow& main) { EXPECT_TRUE(main.Key(nVirtualKey, MK_KEYSTATE_CONTROL)); };
}

void RightClickMargin(CStartedMainWindow& main, CPoint pt)
{
    AfxCallWndProc(&main.dlg, WM_RBUTTONDOWN, 0, MAKELPARAM(pt.x, pt.y));
    main.env.ws.PumpMessages();
}

LRESULT RightClickList(CStartedMainWindow& main, UINT_PTR nIdFrom = IDC_TASK_LIST, int nCode = NM_RCLICK)
{
    NMHDR nmhdr;
    nmhdr.hwndFrom = main.List().m_hWnd;
    nmhdr.idFrom = nIdFrom;
    nmhdr.code = nCode;
    const LRESULT lResult = AfxCallWndProc(&main.dlg, WM_NOTIFY, nIdFrom, reinterpret_cast<LPARAM>(&nmhdr));
    main.env.ws.PumpMessages();
    return lResult;
}

Action ContextMenu(UINT nID)
{
    return [nID](CStartedMainWindow& main) {
        main.env.ws.popupChoices.push_back(nID);
        RightClickMargin(main, CPoint{5, 300});
        EXPECT_EQ(main.env.ws.popups.size(), 1u);
    };
}

Action ContextMenuOnList(UINT nID)
{
    return [nID](CStartedMainWindow& main) {
        main.env.ws.popupChoices.push_back(nID);
        RightClickList(main);
        EXPECT_EQ(main.env.ws.popups.size(), 1u);
    };
}

Action WindowMenu(UINT nID)
{
    return [nID](CStartedMainWindow& main) {
        AfxCallWndProc(&main.dlg, WM_SYSCOMMAND, nID, 0);
        main.env.ws.PumpMessages();
    };
}

struct RouteCase {
    const char* name;
    Action route;
    void (CTaskListDlg::*body)();
};

class RouteTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteTest, RunsItsCommandBodyAndNothingElse)
{
    const auto body = GetParam().body;
    const std::string direct = RunAndDescribe([body](CStartedMainWindow& main) {
        (main.dlg.*body)();
        main.env.ws.PumpMessages();
    });
    ASSERT_NE(direct, NothingDone()) << "the body must show an effect in this fixture";

    EXPECT_EQ(RunAndDescribe(GetParam().route), direct);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RouteTest,
    ::testing::Values(RouteCase{"MenuAdd", MenuBar(ID_TASK_ADD), &CTaskListDlg::OnTaskAdd},
                      RouteCase{"CtrlIAdd", CtrlKey('I'), &CTaskListDlg::OnTaskAdd},
                      RouteCase{"PopupAdd", ContextMenu(ID_POPUP_ADD), &CTaskListDlg::OnTaskAdd},
                      RouteCase{"MenuEdit", MenuBar(ID_TASK_EDIT), &CTaskListDlg::OnTaskEdit},
                      RouteCase{"CtrlEEdit", CtrlKey('E'), &CTaskListDlg::OnTaskEdit},
                      RouteCase{"PopupEdit", ContextMenu(ID_POPUP_EDIT), &CTaskListDlg::OnTaskEdit},
                      RouteCase{"MenuDelete", MenuBar(ID_TASK_DELETE), &CTaskListDlg::OnTaskDelete},
                      RouteCase{"CtrlDDelete", CtrlKey('D'), &CTaskListDlg::OnTaskDelete},
                      RouteCase{"CtrlDeleteDelete", CtrlKey(VK_DELETE), &CTaskListDlg::OnTaskDelete},
                      RouteCase{"PopupDelete", ContextMenu(ID_POPUP_DELETE), &CTaskListDlg::OnTaskDelete},
                      RouteCase{"PopupOnListDelete", ContextMenuOnList(ID_POPUP_DELETE), &CTaskListDlg::OnTaskDelete},
                      RouteCase{"MenuSortImportance", MenuBar(ID_SORT_IMPORTANCE), &CTaskListDlg::OnSortImportance},
                      RouteCase{"CtrlJSortImportance", CtrlKey('J'), &CTaskListDlg::OnSortImportance},
                      RouteCase{"PopupSortImportance", ContextMenu(ID_POPUP_SORT_IMPORTANCE),
                                &CTaskListDlg::OnSortImportance},
                      RouteCase{"MenuSortTitle", MenuBar(ID_SORT_TITLE), &CTaskListDlg::OnSortTitle},
                      RouteCase{"CtrlTSortTitle", CtrlKey('T'), &CTaskListDlg::OnSortTitle},
                      RouteCase{"PopupSortTitle", ContextMenu(ID_POPUP_SORT_TITLE), &CTaskListDlg::OnSortTitle},
                      RouteCase{"MenuFind", MenuBar(ID_TASK_FIND), &CTaskListDlg::OnTaskFind},
                      RouteCase{"CtrlFFind", CtrlKey('F'), &CTaskListDlg::OnTaskFind},
                      RouteCase{"MenuFontLarger", MenuBar(ID_FONT_LARGER), &CTaskListDlg::OnFontLarger},
                      RouteCase{"PopupFontLarger", ContextMenu(ID_POPUP_FONT_LARGER), &CTaskListDlg::OnFontLarger},
                      RouteCase{"MenuFontSmaller", MenuBar(ID_FONT_SMALLER), &CTaskListDlg::OnFontSmaller},
                      RouteCase{"PopupFontSmaller", ContextMenu(ID_POPUP_FONT_SMALLER), &CTaskListDlg::OnFontSmaller},
                      RouteCase{"MenuDeleteAll", MenuBar(ID_TASK_DELETE_ALL), &CTaskListDlg::OnTaskDeleteAll},
                      RouteCase{"MenuAbout", MenuBar(ID_VERSION_INFO), &CTaskListDlg::OnAbout},
                      RouteCase{"WindowMenuAbout", WindowMenu(IDM_ABOUTBOX), &CTaskListDlg::OnAbout},
                      RouteCase{"WindowMenuAboutLowBitsSet", WindowMenu(IDM_ABOUTBOX | 0xF), &CTaskListDlg::OnAbout}),
    CaseName<RouteCase>);

// Numbers that nothing binds, also the window menu's About number sent as a command.
TEST(Routing, UnboundCommandNumbersDoNothing)
{
    for (const UINT nID : {32774u, 32797u, 40000u, static_cast<UINT>(IDM_ABOUTBOX)}) {
        SCOPED_TRACE(nID);
        LRESULT lHandled = TRUE;
        const std::string description = RunAndDescribe([nID, &lHandled](CStartedMainWindow& main) {
            lHandled = AfxCallWndProc(&main.dlg, WM_COMMAND, nID, 0);
            EXPECT_TRUE(main.env.ws.helpCalls.empty());
        });
        EXPECT_EQ(lHandled, FALSE);
        EXPECT_EQ(description, NothingDone());
    }
}

// The main window binds no help command; the application binds that one and no other.
TEST(Routing, OnlyTheHelpCommandIsBoundByTheApplication)
{
    CTempDataDir dir;
    CTestApp env;
    for (UINT nID = ID_TASK_ADD; nID <= ID_POPUP_FONT_SMALLER; ++nID) {
        EXPECT_FALSE(env.app.OnCmdMsg(nID)) << nID;
    }
    EXPECT_TRUE(env.ws.helpCalls.empty());

    StartFiles(dir);
    CStartedMainWindow main(env);
    EXPECT_EQ(AfxCallWndProc(&main.dlg, WM_COMMAND, ID_HELP, 0), TRUE);
    EXPECT_EQ(env.ws.helpCalls.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// The key filter

struct KeyCase {
    const char* name;
    UINT nVirtualKey;
    UINT nKeyState;
    UINT nMessage;
    BOOL bConsumed;
    bool bDeletes;
};

class KeyFilterTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyFilterTest, ConsumesAndRunsOnlyWhatItShould)
{
    const KeyCase& c = GetParam();
    CTempDataDir dir;
    CTestApp env;
    StartFiles(dir);
    CStartedMainWindow main(env);
    main.List().SetItemState(0, kBoth, kBoth);

    EXPECT_EQ(main.Key(c.nVirtualKey, c.nKeyState, c.nMessage), c.bConsumed);

    if (c.bDeletes) {
        EXPECT_EQ(main.Titles(), (Rows{"apple", "banana"}));
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "apple\t10\ta\r\nbanana\t5\tb\r\n");
    } else {
        EXPECT_EQ(main.Titles(), (Rows{"cherry", "apple", "banana"}));
        EXPECT_EQ(main.SelectedRows(), std::vector<int>{0});
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks);
    }
    EXPECT_TRUE(env.ws.dialogsShown.empty());
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_TRUE(env.ws.helpCalls.empty());
}

constexpr UINT kCtrl = MK_KEYSTATE_CONTROL;
constexpr UINT kShift = MK_KEYSTATE_SHIFT;
constexpr UINT kAlt = MK_KEYSTATE_ALT;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyFilterTest,
    ::testing::Values(KeyCase{"CtrlD", 'D', kCtrl, WM_KEYDOWN, TRUE, true},
                      KeyCase{"CtrlDelete", VK_DELETE, kCtrl, WM_KEYDOWN, TRUE, true},
                      KeyCase{"CtrlShiftD", 'D', kCtrl | kShift, WM_KEYDOWN, FALSE, false},
                      KeyCase{"CtrlAltD", 'D', kCtrl | kAlt, WM_KEYDOWN, FALSE, false},
                      KeyCase{"CtrlAltDAsSystemKey", 'D', kCtrl | kAlt, WM_SYSKEYDOWN, FALSE, false},
                      KeyCase{"DAlone", 'D', 0, WM_KEYDOWN, FALSE, false},
                      KeyCase{"DeleteAlone", VK_DELETE, 0, WM_KEYDOWN, FALSE, false},
                      KeyCase{"ShiftDelete", VK_DELETE, kShift, WM_KEYDOWN, FALSE, false},
                      KeyCase{"CtrlDReleased", 'D', kCtrl, WM_KEYUP, FALSE, false},
                      KeyCase{"UnboundCtrlQ", 'Q', kCtrl, WM_KEYDOWN, FALSE, false},
                      KeyCase{"Escape", VK_ESCAPE, 0, WM_KEYDOWN, TRUE, false},
                      KeyCase{"Enter", VK_RETURN, 0, WM_KEYDOWN, TRUE, false},
                      KeyCase{"CtrlEnter", VK_RETURN, kCtrl, WM_KEYDOWN, TRUE, false},
                      KeyCase{"ShiftEscape", VK_ESCAPE, kShift, WM_KEYDOWN, TRUE, false},
                      // System key-downs come with Alt and are not swallowed.
                      KeyCase{"AltEscapeAsSystemKey", VK_ESCAPE, kAlt, WM_SYSKEYDOWN, FALSE, false},
                      KeyCase{"AltEnterAsSystemKey", VK_RETURN, kAlt, WM_SYSKEYDOWN, FALSE, false},
                      // Left to the platform, which makes it the window's Close.
                      KeyCase{"AltF4AsSystemKey", VK_F1 + 3, kAlt, WM_SYSKEYDOWN, FALSE, false}),
    CaseName<KeyCase>);

// In the running program: Esc and Enter would otherwise end the main window's modal loop.
TEST(Routing, EscapeAndEnterLeaveTheMainWindowOpen)
{
    CTempDataDir dir;
    CTestApp env;
    StartFiles(dir);
    std::vector<BOOL> results;
    bool bOpenAfterwards = false;
    env.ws.mainLoop = [&] {
        CWnd* pMain = AfxGetMainWnd();
        for (const UINT nVirtualKey : {VK_ESCAPE, VK_RETURN}) {
            MSG msg;
            msg.hwnd = pMain->m_hWnd;
            msg.message = WM_KEYDOWN;
            msg.wParam = nVirtualKey;
            results.push_back(pMain->PreTranslateMessage(&msg));
        }
        env.ws.PumpMessages();
        bOpenAfterwards = env.ws.GetWindow(pMain->m_hWnd).bInModalLoop;
    };

    env.app.InitInstance();

    EXPECT_EQ(results, (std::vector<BOOL>{TRUE, TRUE}));
    EXPECT_TRUE(bOpenAfterwards);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks);
}

// ---------------------------------------------------------------------------------------------
// The context menu

struct ContextMenuTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;
    ContextMenuTest() { StartFiles(dir); }

    void ExpectPopupAt(const CStartedMainWindow& main, CPoint ptClient)
    {
        ASSERT_EQ(env.ws.popups.size(), 1u);
        const CFakeWindowSystem::PopupCall& popup = env.ws.popups[0];
        EXPECT_EQ(popup.commands,
                  (std::vector<UINT>{ID_POPUP_SORT_IMPORTANCE, ID_POPUP_SORT_TITLE, 0, ID_POPUP_ADD, ID_POPUP_EDIT,
                                     ID_POPUP_DELETE, 0, ID_POPUP_FONT_LARGER, ID_POPUP_FONT_SMALLER}));
        EXPECT_EQ(popup.texts, (Rows{"重要度順で並べ換え", "タイトル順で並べ換え", "", "お仕事を追加", "お仕事を編集",
                                     "お仕事を削除", "", "文字を大きく", "文字を小さく"}));
        EXPECT_EQ(popup.nFlags, TPM_RIGHTBUTTON);
        EXPECT_EQ(popup.hOwner, main.dlg.m_hWnd);
        const CRect rcMain = env.ws.GetWindow(main.dlg.m_hWnd).rect;
        EXPECT_EQ(popup.ptScreen, (CPoint{rcMain.left + CFakeWindowSystem::kFrame + ptClient.x,
                                          rcMain.top + CFakeWindowSystem::kCaptionAndMenu + ptClient.y}));
    }
};

TEST_F(ContextMenuTest, RightClickOnTheMarginOpensThePopupAtThePointer)
{
    CStartedMainWindow main(env);

    RightClickMargin(main, CPoint{700, 410});

    ExpectPopupAt(main, CPoint{700, 410});
}

// Wherever the pointer is, a right-click in the list opens the menu at the client area's corner.
TEST_F(ContextMenuTest, RightClickInTheListOpensThePopupAtTheClientCorner)
{
    CStartedMainWindow main(env);

    EXPECT_EQ(RightClickList(main), 0);

    ExpectPopupAt(main, CPoint{0, 0});
}

TEST_F(ContextMenuTest, OtherNotificationsOpenNoPopup)
{
    CStartedMainWindow main(env);

    RightClickList(main, IDC_TITLE, NM_RCLICK);
    RightClickList(main, IDC_TASK_LIST, -2); // a left click

    EXPECT_TRUE(env.ws.popups.empty());
}

TEST(ContextMenu, DismissedMenuRunsNothingAndWritesNothing)
{
    for (const bool bFromList : {false, true}) {
        SCOPED_TRACE(bFromList ? "from the list" : "from the margin");
        const std::string description = RunAndDescribe([bFromList](CStartedMainWindow& main) {
            main.env.ws.popupChoices.push_back(0);
            bFromList ? static_cast<void>(RightClickList(main)) : RightClickMargin(main, CPoint{3, 3});
            EXPECT_EQ(main.env.ws.popups.size(), 1u);
        });
        EXPECT_EQ(description, NothingDone());
    }
}

// The edit and delete items are there with no row selected, and then behave as their commands do.
TEST_F(ContextMenuTest, EditAndDeleteWithoutSelectionRewriteTheFileOnly)
{
    CStartedMainWindow main(env);
    env.ws.popupChoices = {ID_POPUP_EDIT, ID_POPUP_DELETE};

    RightClickList(main);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "cherry\t2\tc\r\napple\t10\ta\r\nbanana\t5\tb\r\n");
    // Another program's version: the save asks before it overwrites it, and is told to go on.
    WriteFileBytes(dir.File("ruvelo.csv"), kTasks);
    env.ws.messageBoxAnswers = {IDYES};
    RightClickList(main);

    EXPECT_EQ(env.ws.popups.size(), 2u);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_TRUE(env.ws.dialogsShown.empty());
    EXPECT_EQ(main.Titles(), (Rows{"cherry", "apple", "banana"}));
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "cherry\t2\tc\r\napple\t10\ta\r\nbanana\t5\tb\r\n");
}

// ---------------------------------------------------------------------------------------------
// The window menu

struct WindowMenuTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;
    WindowMenuTest() { StartFiles(dir); }
};

TEST_F(WindowMenuTest, EndsWithASeparatorAndTheAboutItem)
{
    CStartedMainWindow main(env);

    const auto& items = env.ws.GetWindow(main.dlg.m_hWnd).systemMenu;
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].first, 0u);
    EXPECT_EQ(items.back().first, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(items.back().second, Sjis("RUVelo2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
}

TEST_F(WindowMenuTest, EveryNumberFrom0x10To0x1FOpensTheAboutBox)
{
    CStartedMainWindow main(env);
    env.ws.nLastSysCommand = 0xBAD;

    for (UINT nID = 0x0010; nID <= 0x001F; ++nID) {
        env.ws.dialogAnswers.push_back(Typed(IDOK));
        AfxCallWndProc(&main.dlg, WM_SYSCOMMAND, nID, 0);
        ASSERT_EQ(env.ws.dialogsShown.size(), nID - 0x000F) << nID;
        EXPECT_EQ(env.ws.dialogsShown.back().nTemplate, static_cast<UINT>(IDD_ABOUTBOX));
        EXPECT_EQ(env.ws.dialogsShown.back().hOwner, main.dlg.m_hWnd);
    }
    EXPECT_EQ(env.ws.nLastSysCommand, 0xBADu);
    EXPECT_TRUE(env.ws.GetWindow(main.dlg.m_hWnd).bEnabled);
}

TEST_F(WindowMenuTest, OtherNumbersGoToTheDefaultProcessing)
{
    CStartedMainWindow main(env);

    for (const UINT nID : {0x000Fu, 0x0020u, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_MOVE, SC_MOVE | 2u, SC_SIZE}) {
        env.ws.nLastSysCommand = 0xBAD;
        AfxCallWndProc(&main.dlg, WM_SYSCOMMAND, nID, 0);
        EXPECT_EQ(env.ws.nLastSysCommand, nID & 0xFFF0) << nID;
    }
    EXPECT_TRUE(env.ws.dialogsShown.empty());
    EXPECT_EQ(main.Titles(), (Rows{"cherry", "apple", "banana"}));
}

// Alt+F4 and the window menu's Close reach a dialog as the system command Close, which a dialog
// takes for Cancel: what was typed is dropped.
TEST_F(WindowMenuTest, CloseCancelsTheEntryDialogAndTheAboutBox)
{
    CStartedMainWindow main(env);
    main.List().SetItemState(0, kBoth, kBoth);
    for (const UINT nCommand : {UINT{ID_TASK_EDIT}, UINT{ID_VERSION_INFO}}) {
        SCOPED_TRACE(nCommand);
        bool bEnded = false;
        Answer answer = Typed(IDOK, CString("typed"), CString("1"), CString("t"));
        answer.whileOpen = [&](CDialog& dlg) {
            dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            bEnded = !env.ws.GetWindow(dlg.m_hWnd).bInModalLoop;
        };
        env.ws.dialogAnswers.push_back(answer);
        AfxCallWndProc(&main.dlg, WM_COMMAND, nCommand, 0);
        EXPECT_TRUE(bEnded);
    }
    ASSERT_EQ(env.ws.dialogsShown.size(), 2u);
    EXPECT_EQ(main.Titles(), (Rows{"cherry", "apple", "banana"}));
    EXPECT_EQ(main.dlg.m_entryDlg.m_strTitle, "cherry");
    EXPECT_TRUE(env.ws.GetWindow(main.dlg.m_hWnd).bEnabled);
}

// ---------------------------------------------------------------------------------------------
// Ending the program

struct CloseCase {
    const char* name;
    std::function<void(CWnd&)> close; // empty: the user closes the window by its close box
};

class CloseTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseTest, EndsTheProgramWritingTheSettingsOnceAndNotTheTaskFile)
{
    CTempDataDir dir;
    CTestApp env;
    StartFiles(dir);
    const CSaveCounter saves;
    bool bLoopEnded = false;
    bool bSettingsWrittenWhileOpen = true;
    env.ws.mainLoop = [&] {
        CWnd& main = *AfxGetMainWnd();
        main.SendMessage(WM_COMMAND, ID_FONT_LARGER, 0); // a size worth writing: 110
        if (GetParam().close) {
            GetParam().close(main);
            bLoopEnded = !env.ws.GetWindow(main.m_hWnd).bInModalLoop;
        } else {
            bLoopEnded = true;
        }
        bSettingsWrittenWhileOpen = ReadFileBytes(dir.File("ruvelo.ini")) != kSettings;
    };

    EXPECT_EQ(env.app.InitInstance(), FALSE);

    EXPECT_TRUE(bLoopEnded);
    EXPECT_FALSE(bSettingsWrittenWhileOpen);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "110");
    EXPECT_EQ(saves.Count("ruvelo.ini"), 1);
    EXPECT_EQ(saves.Count("ruvelo.csv"), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(env.app.m_pMainWnd, nullptr);
    EXPECT_EQ(env.ws.FindDialog(IDD_MAIN), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, CloseTest,
    ::testing::Values(CloseCase{"QuitCommand", [](CWnd& main) { main.SendMessage(WM_COMMAND, ID_QUIT, 0); }},
                      CloseCase{"CloseMessage", [](CWnd& main) { main.SendMessage(WM_CLOSE, 0, 0); }},
                      CloseCase{"WindowMenuClose", [](CWnd& main) { main.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
                      CloseCase{"CloseBox", {}}),
    CaseName<CloseCase>);

} // namespace
