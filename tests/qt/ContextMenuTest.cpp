// The context menu and the window menu on the offscreen main window: where they open, what they
// offer, and what a chosen or dismissed item does.
#include "QtTestEnv.h"
#include "qt/QtWindows.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const std::vector<UINT> kContextCommands = {
    ID_POPUP_SORT_IMPORTANCE, ID_POPUP_SORT_TITLE,  0, ID_POPUP_ADD, ID_POPUP_EDIT, ID_POPUP_DELETE, 0,
    ID_POPUP_FONT_LARGER,     ID_POPUP_FONT_SMALLER};

QStringList ActionTexts(const QWidget* pMenu)
{
    QStringList texts;
    for (const QAction* pAction : pMenu->actions()) {
        texts.append(pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    }
    return texts;
}

QAction* ActionNamed(const QWidget* pMenu, const QString& strText)
{
    for (QAction* pAction : pMenu->actions()) {
        if (pAction->text() == strText) {
            return pAction;
        }
    }
    return nullptr;
}

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteTaskFile(dir.File("ruvelo.csv"), {"b\t1\t", "c\t9\t", "a\t5\t"});
        m_nInode = FileInode(dir.File("ruvelo.csv"));
        env.emplace();
        main.emplace(*env);
    }
    void TearDown() override
    {
        main.reset();
        env.reset();
    }
    [[nodiscard]] CClientArea* Client() const { return static_cast<CMainWindowWidget*>(main->Window())->Client(); }
    [[nodiscard]] bool TaskFileWritten() const { return FileInode(dir.File("ruvelo.csv")) != m_nInode; }
    void RightClickRow(int nRow) const
    {
        CTaskListView* pView = main->View();
        QTest::mouseClick(pView->viewport(), Qt::RightButton, Qt::NoModifier,
                          QPoint(30, pView->RowRect(nRow).center().y()));
        CShownMainWindow::ProcessEvents();
    }

    CTempDataDir dir;
    ino_t m_nInode = 0;
    std::optional<CQtTestApp> env;
    std::optional<CShownMainWindow> main;
};

TEST_F(ContextMenuTest, ARightClickInTheListOpensTheMenuAtTheClientAreasTopLeft)
{
    for (const int nRow : {0, 2}) {
        RightClickRow(nRow);
    }
    ASSERT_EQ(env->ws.popupMenus.size(), 2U);
    for (const auto& call : env->ws.popupMenus) {
        EXPECT_EQ(call.ptScreen, Client()->mapToGlobal(QPoint(0, 0)));
        EXPECT_EQ(call.nFlags, static_cast<UINT>(TPM_RIGHTBUTTON));
        EXPECT_EQ(call.hOwner, main->dlg.m_hWnd);
        EXPECT_EQ(call.commands, kContextCommands);
    }
    // The client area starts below the menu bar.
    EXPECT_GT(Client()->mapToGlobal(QPoint(0, 0)).y(), main->Window()->mapToGlobal(QPoint(0, 0)).y());
}

TEST_F(ContextMenuTest, ARightClickOnTheMarginOpensTheMenuAtThePointer)
{
    const QRect rcList = main->View()->geometry();
    const QPoint points[] = {{3, 3},
                             {rcList.left() - 4, rcList.center().y()},
                             {rcList.center().x(), rcList.bottom() + 5},
                             {rcList.right() + 5, rcList.top() + 20}};
    for (const QPoint& pt : points) {
        ASSERT_TRUE(Client()->rect().contains(pt));
        ASSERT_EQ(Client()->childAt(pt), nullptr);
        QTest::mouseClick(Client(), Qt::RightButton, Qt::NoModifier, pt);
        CShownMainWindow::ProcessEvents();
        ASSERT_FALSE(env->ws.popupMenus.empty());
        EXPECT_EQ(env->ws.popupMenus.back().ptScreen, Client()->mapToGlobal(pt));
        EXPECT_EQ(env->ws.popupMenus.back().commands, kContextCommands);
    }
    EXPECT_EQ(env->ws.popupMenus.size(), std::size(points));
    // A left click on the margin opens nothing.
    QTest::mouseClick(Client(), Qt::LeftButton, Qt::NoModifier, points[0]);
    EXPECT_EQ(env->ws.popupMenus.size(), std::size(points));
}

TEST_F(ContextMenuTest, TheToolkitsMenuOffersTheItemsAndAChosenOneRunsItsCommand)
{
    env->ws.bRealPopupMenus = true;
    QStringList shown;
    QPoint ptShown;
    CWhenShown chooseDelete("QMenu", [&](QWidget* pMenu) {
        shown = ActionTexts(pMenu);
        ptShown = pMenu->pos();
        if (QAction* pAction = ActionNamed(pMenu, QStringLiteral(u"お仕事を削除"))) {
            pAction->trigger();
        }
        pMenu->hide();
    });
    RightClickRow(1);
    EXPECT_EQ(chooseDelete.nShown, 1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral(u"重要度順で並べ換え"), QStringLiteral(u"タイトル順で並べ換え"), QStringLiteral("-"),
                                  QStringLiteral(u"お仕事を追加"), QStringLiteral(u"お仕事を編集"), QStringLiteral(u"お仕事を削除"),
                                  QStringLiteral("-"), QStringLiteral(u"文字を大きく"), QStringLiteral(u"文字を小さく")}));
    EXPECT_EQ(ptShown, Client()->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(main->Titles(), (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(TaskFileWritten());
}

TEST_F(ContextMenuTest, ADismissedMenuRunsNothingAndWritesNothing)
{
    main->dlg.m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    // Scripted: nothing chosen.
    QTest::mouseClick(Client(), Qt::RightButton, Qt::NoModifier, QPoint(3, 3));
    RightClickRow(0);
    // The toolkit's menu, closed without a choice.
    env->ws.bRealPopupMenus = true;
    CWhenShown dismiss("QMenu", [](QWidget* pMenu) { pMenu->hide(); });
    RightClickRow(0);
    EXPECT_EQ(dismiss.nShown, 1);

    EXPECT_EQ(env->ws.popupMenus.size(), 3U);
    EXPECT_EQ(main->Titles(), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(main->SelectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(main->dlg.m_nFontSize, 120);
    EXPECT_EQ(env->ws.nModalDialogs, 0);
    EXPECT_TRUE(env->ws.messageBoxes.empty());
    EXPECT_FALSE(TaskFileWritten());
}

TEST_F(ContextMenuTest, AltSpaceOpensTheWindowMenuWhoseLastItemShowsTheAboutBox)
{
    QStringList shown;
    QString strChoice;
    CWhenShown answer("QMenu", [&](QWidget* pMenu) {
        shown = ActionTexts(pMenu);
        if (QAction* pAction = ActionNamed(pMenu, strChoice)) {
            pAction->trigger();
        }
        pMenu->hide();
    });
    main->Key(Qt::Key_Space, Qt::AltModifier);
    ASSERT_EQ(answer.nShown, 1);
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown[shown.size() - 2], QStringLiteral("-"));
    EXPECT_EQ(shown.back(), QStringLiteral(u"RUVelo2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    EXPECT_EQ(env->ws.nModalDialogs, 0);

    strChoice = shown.back();
    main->Key(Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(answer.nShown, 2);
    EXPECT_EQ(env->ws.dialogTemplates, (std::vector<UINT>{IDD_ABOUTBOX}));

    // Space without Alt is the list's own key, and Ctrl+Alt+Space nothing at all.
    main->Key(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(answer.nShown, 2);
    EXPECT_EQ(main->Titles(), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_FALSE(TaskFileWritten());
}

} // namespace
