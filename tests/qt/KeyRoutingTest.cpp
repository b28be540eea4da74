// Commands from real key events and menu items on the offscreen main window: the accelerator
// table, the keys that must do nothing, help, and every route to each command body.
#include "QtTestEnv.h"
#include "framework/Cp932.h"
#include "qt/QtWindows.h"
#include "res/resource.h"
#include "support/SaveCounter.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

class KeyRoutingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteTaskFile(dir.File("ruvelo.csv"), {"b\t1\t", "c\t9\t", "a\t5\t"});
        m_nInode = FileInode(dir.File("ruvelo.csv"));
    }
    static void SelectFirstAndLast(CShownMainWindow& main)
    {
        main.dlg.m_list.SetItemState(0, kBoth, kBoth);
        main.dlg.m_list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    }
    [[nodiscard]] bool TaskFileWritten() const { return FileInode(dir.File("ruvelo.csv")) != m_nInode; }

    CTempDataDir dir;
    ino_t m_nInode = 0;
};

struct KeyCase {
    const char* pszName;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* pszText;  // what the key types; nullptr: the toolkit's own text for it
    bool bDeletes;
};

class DeleteKeys : public KeyRoutingTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DeleteKeys, OnlyCtrlDAndCtrlDeleteDeleteTheSelectedRowsAndSave)
{
    const KeyCase& c = GetParam();
    CQtTestApp env;
    CShownMainWindow main(env);
    SelectFirstAndLast(main);
    ASSERT_EQ(QApplication::focusWidget(), main.View());
    main.Key(c.key, c.modifiers, c.pszText != nullptr ? QString::fromUtf8(c.pszText) : QString());

    if (c.bDeletes) {
        EXPECT_EQ(main.Titles(), (std::vector<std::string>{"c"}));
        EXPECT_TRUE(TaskFileWritten());
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "c\t9\t\r\n");
    } else {
        EXPECT_EQ(main.Titles(), (std::vector<std::string>{"b", "c", "a"}));
        EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 2}));
        EXPECT_FALSE(TaskFileWritten());
    }
    EXPECT_EQ(env.ws.nModalDialogs, 0);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DeleteKeys,
    ::testing::Values(KeyCase{"CtrlD", Qt::Key_D, Qt::ControlModifier, nullptr, true},
                      KeyCase{"CtrlDeleteKey", Qt::Key_Delete, Qt::ControlModifier, nullptr, true},
                      // With Caps Lock the key types a capital, or the control character it makes.
                      KeyCase{"CtrlDCapsLock", Qt::Key_D, Qt::ControlModifier, "D", true},
                      KeyCase{"CtrlDControlCharacter", Qt::Key_D, Qt::ControlModifier, "\x04", true},
                      KeyCase{"CtrlShiftD", Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier, nullptr, false},
                      KeyCase{"CtrlAltD", Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, nullptr, false},
                      KeyCase{"AltD", Qt::Key_D, Qt::AltModifier, nullptr, false},
                      KeyCase{"DAlone", Qt::Key_D, Qt::NoModifier, nullptr, false},
                      KeyCase{"CapitalDAlone", Qt::Key_D, Qt::ShiftModifier, "D", false},
                      KeyCase{"DeleteAlone", Qt::Key_Delete, Qt::NoModifier, nullptr, false},
                      KeyCase{"ShiftDelete", Qt::Key_Delete, Qt::ShiftModifier, nullptr, false},
                      KeyCase{"CtrlShiftDelete", Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier, nullptr,
                              false}),
    [](const ::testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.pszName); });

TEST_F(KeyRoutingTest, TheOtherAcceleratorsOpenTheEntryDialogOrSort)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    SelectFirstAndLast(main);
    for (const Qt::Key key : {Qt::Key_I, Qt::Key_E, Qt::Key_F}) {
        const int nBefore = env.ws.nModalDialogs;
        main.Key(key, Qt::ControlModifier);
        EXPECT_EQ(env.ws.nModalDialogs, nBefore + 1) << QKeySequence(key).toString().toStdString();
        EXPECT_EQ(env.ws.dialogTemplates.back(), static_cast<UINT>(IDD_TASK_ENTRY));
        // Back in the main window, the list has the keys again.
        EXPECT_EQ(QApplication::focusWidget(), main.View());
    }
    main.Key(Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(main.Titles(), (std::vector<std::string>{"c", "a", "b"}));
    main.Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(main.Titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(KeyRoutingTest, EscEnterAndF4WithoutAltAloneLeaveTheMainWindowRunning)
{
    CQtTestApp env;
    CTaskListDlg dlg;
    bool bOpenAfterKeys = false;
    const ModalRun run = RunMainWindowModally(env, dlg, [&] {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(QApplication::focusWidget(), key);
        }
        // Only Alt+F4 is the window's Close; with Ctrl too it is no system key.
        for (const Qt::KeyboardModifiers mods :
             {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
              Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, mods);
        }
        dlg.m_list.SetItemState(1, kBoth, kBoth);
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            QTest::keyClick(QApplication::focusWidget(), key);
        }
        CShownMainWindow::ProcessEvents();
        bOpenAfterKeys = env.ws.Widget(dlg.m_hWnd) != nullptr && env.ws.Widget(dlg.m_hWnd)->isVisible();
    });
    EXPECT_FALSE(run.bEndedInside);
    EXPECT_TRUE(bOpenAfterKeys);
    EXPECT_EQ(env.ws.nModalDialogs, 0);
    EXPECT_FALSE(TaskFileWritten());
}

TEST_F(KeyRoutingTest, F1AloneReportsThatHelpCannotStart)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    for (const Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::AltModifier)}) {
        main.Key(Qt::Key_F1, mods);
    }
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    main.Key(Qt::Key_F1);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1U);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, Sjis("ﾍﾙﾌﾟの起動に失敗しました。"));
    EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
    EXPECT_EQ(env.ws.messageBoxes[0].nType & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_TRUE(env.ws.messageBoxes[0].bOwned);
}

// What a command leaves behind that tells its body apart from every other.
std::string Observe(const CShownMainWindow& main, const CScriptedQtWindowSystem& ws, bool bFileWritten)
{
    std::ostringstream out;
    out << "rows=";
    for (const std::string& title : main.Titles()) {
        out << title << ",";
    }
    out << " selected=";
    for (const int nRow : main.SelectedRows()) {
        out << nRow << ",";
    }
    out << " font=" << main.dlg.m_nFontSize << " dialogs=";
    for (const UINT nTemplate : ws.dialogTemplates) {
        out << nTemplate << ",";
    }
    out << " boxes=" << ws.messageBoxes.size() << " written=" << bFileWritten
        << " fields=" << Utf8(main.dlg.m_entryDlg.m_strTitle) << "|" << Utf8(main.dlg.m_entryDlg.m_strImportance) << "|"
        << Utf8(main.dlg.m_entryDlg.m_strDetails);
    return out.str();
}

QAction* MenuBarAction(QMainWindow* pWindow, const QString& strText)
{
    for (QAction* pPopup : pWindow->menuBar()->actions()) {
        if (pPopup->menu() == nullptr) {
            continue;
        }
        for (QAction* pAction : pPopup->menu()->actions()) {
            if (pAction->text() == strText) {
                return pAction;
            }
        }
    }
    return nullptr;
}

struct Route {
    const char16_t* pszMenuText;  // menu bar item
    Qt::Key key;                  // with Ctrl; 0 for none
    UINT nPopupCommand;           // context menu; 0 for none
};

struct RouteCase {
    const char* pszBody;
    Route route;
};

TEST_F(KeyRoutingTest, EveryRouteOfACommandReachesTheSameBodyAndNoOtherBody)
{
    const RouteCase cases[] = {
        {"add", {u"追加(&I)", Qt::Key_I, ID_POPUP_ADD}},
        {"delete", {u"削除(&D)", Qt::Key_D, ID_POPUP_DELETE}},
        {"edit", {u"編集(&E)", Qt::Key_E, ID_POPUP_EDIT}},
        {"find", {u"検索(&F)", Qt::Key_F, 0}},
        {"sort by importance", {u"重要度順(&J)", Qt::Key_J, ID_POPUP_SORT_IMPORTANCE}},
        {"sort by title", {u"タイトル順(&T)", Qt::Key_T, ID_POPUP_SORT_TITLE}},
        {"font larger", {u"フォント大きく", Qt::Key(0), ID_POPUP_FONT_LARGER}},
        {"font smaller", {u"フォント小さく", Qt::Key(0), ID_POPUP_FONT_SMALLER}},
        {"about", {u"バージョン情報", Qt::Key(0), 0}},
        {"delete all", {u"すべてのタスクを消去", Qt::Key(0), 0}},
    };
    enum class Source { MenuBar, Accelerator, ContextMenu };
    const auto run = [&](const Route& route, Source source) {
        CTempDataDir runDir;
        WriteFileBytes(runDir.File("ruvelo.ini"), "120");
        WriteTaskFile(runDir.File("ruvelo.csv"), {"b\t1\t", "c\t9\t", "a\t5\t"});
        const ino_t nInode = FileInode(runDir.File("ruvelo.csv"));
        CQtTestApp env;
        CShownMainWindow main(env);
        SelectFirstAndLast(main);
        switch (source) {
        case Source::MenuBar: {
            QAction* pAction = MenuBarAction(main.Window(), QString::fromUtf16(route.pszMenuText));
            EXPECT_NE(pAction, nullptr);
            if (pAction != nullptr) {
                pAction->trigger();
            }
            CShownMainWindow::ProcessEvents();
            break;
        }
        case Source::Accelerator:
            main.Key(route.key, Qt::ControlModifier);
            break;
        case Source::ContextMenu: {
            // On the margin, so the click leaves the selection alone.
            env.ws.popupChoices.push_back(route.nPopupCommand);
            QTest::mouseClick(static_cast<CMainWindowWidget*>(main.Window())->Client(), Qt::RightButton, Qt::NoModifier,
                              QPoint(3, 3));
            CShownMainWindow::ProcessEvents();
            break;
        }
        }
        return Observe(main, env.ws, FileInode(runDir.File("ruvelo.csv")) != nInode);
    };

    const std::string strNothing = run({u"", Qt::Key(0), 0}, Source::ContextMenu);
    std::vector<std::string> bodies;
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.pszBody);
        const std::string strBody = run(c.route, Source::MenuBar);
        EXPECT_NE(strBody, strNothing);
        if (c.route.key != 0) {
            EXPECT_EQ(run(c.route, Source::Accelerator), strBody)
                << "Ctrl+" << QKeySequence(c.route.key).toString().toStdString();
        }
        if (c.route.nPopupCommand != 0) {
            EXPECT_EQ(run(c.route, Source::ContextMenu), strBody) << "context menu " << c.route.nPopupCommand;
        }
        for (const std::string& strOther : bodies) {
            EXPECT_NE(strBody, strOther);
        }
        bodies.push_back(strBody);
    }
}

TEST_F(KeyRoutingTest, EveryWayOfClosingEndsTheWindowAndWritesOnlyTheSettings)
{
    struct CloseCase {
        const char* pszName;
        std::function<void(CScriptedQtWindowSystem&, CTaskListDlg&)> close;
    };
    const CloseCase cases[] = {
        {"close box", [](CScriptedQtWindowSystem& ws, CTaskListDlg& dlg) { ws.Widget(dlg.m_hWnd)->close(); }},
        {"RUVeloの終了",
         [](CScriptedQtWindowSystem& ws, CTaskListDlg& dlg) {
             if (QAction* pAction = MenuBarAction(qobject_cast<QMainWindow*>(ws.Widget(dlg.m_hWnd)),
                                                  QStringLiteral(u"RUVeloの終了"))) {
                 pAction->trigger();
             }
         }},
        {"window menu's Close",
         [](CScriptedQtWindowSystem& ws, CTaskListDlg& dlg) { ws.Dispatch(dlg.m_hWnd, WM_SYSCOMMAND, SC_CLOSE); }},
        // As the key arrives when no window manager takes it.
        {"Alt+F4", [](CScriptedQtWindowSystem&, CTaskListDlg&) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier);
         }},
        {"Shift+Alt+F4", [](CScriptedQtWindowSystem&, CTaskListDlg&) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier | Qt::ShiftModifier);
         }},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteFileBytes(dir.File("ruvelo.ini"), "100");
        const ino_t nSettings = FileInode(dir.File("ruvelo.ini"));
        const CSaveCounter saves;
        CQtTestApp env;
        CTaskListDlg dlg;
        const ModalRun run = RunMainWindowModally(env, dlg, [&] {
            dlg.OnFontLarger();
            c.close(env.ws, dlg);
        });
        EXPECT_EQ(saves.Count("ruvelo.ini"), 1);
        EXPECT_EQ(saves.Count("ruvelo.csv"), 0);
        EXPECT_TRUE(run.bEndedInside);
        EXPECT_EQ(run.nResult, IDCANCEL);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_NE(FileInode(dir.File("ruvelo.ini")), nSettings);
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "120");
        EXPECT_FALSE(TaskFileWritten());
    }
}

} // namespace
