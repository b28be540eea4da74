// The list view's selection as the user makes it with the mouse and keyboard: every change goes
// into the table's selected and focused flags, and the view draws and scrolls from the table.
#include "QtTestEnv.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

QPoint RowPoint(const CTaskListView* pView, int nRow) { return {20, pView->RowRect(nRow).center().y()}; }

struct Step {
    const char* pszWhat;
    std::function<void(CTaskListView*)> act;
    std::vector<int> selected;
    int nFocused;
};

std::function<void(CTaskListView*)> Click(int nRow, Qt::KeyboardModifiers mods = Qt::NoModifier,
                                          Qt::MouseButton button = Qt::LeftButton)
{
    return [=](CTaskListView* pView) { QTest::mouseClick(pView->viewport(), button, mods, RowPoint(pView, nRow)); };
}

std::function<void(CTaskListView*)> Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    return [=](CTaskListView* pView) { QTest::keyClick(pView, key, mods); };
}

class ListSelectionTest : public ::testing::Test {
protected:
    void Start(int nRows)
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        std::vector<std::string> lines;
        for (int i = 0; i < nRows; ++i) {
            char szTitle[32];
            std::snprintf(szTitle, sizeof szTitle, "%s%02d\t1\t", i == nRows - 5 ? "far" : "row", i);
            lines.emplace_back(szTitle);
        }
        WriteTaskFile(dir.File("ruvelo.csv"), lines);
        env.emplace();
        main.emplace(*env);
        ASSERT_EQ(QApplication::focusWidget(), main->View());
    }
    void Run(const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.pszWhat);
            step.act(main->View());
            CShownMainWindow::ProcessEvents();
            EXPECT_EQ(main->SelectedRows(), step.selected);
            EXPECT_EQ(main->FocusedRow(), step.nFocused);
        }
    }
    void TearDown() override
    {
        main.reset();
        env.reset();
    }

    CTempDataDir dir;
    std::optional<CQtTestApp> env;
    std::optional<CShownMainWindow> main;
};

TEST_F(ListSelectionTest, MouseClicksSelectAsADesktopListDoes)
{
    Start(10);
    const auto drag = [](CTaskListView* pView) {
        QTest::mousePress(pView->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(pView, 1));
        QTest::mouseMove(pView->viewport(), RowPoint(pView, 3));
        QTest::mouseMove(pView->viewport(), RowPoint(pView, 4));
        QTest::mouseRelease(pView->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(pView, 4));
    };
    const auto clickBelowTheRows = [](CTaskListView* pView) {
        const QPoint pt(20, pView->RowRect(9).bottom() + 20);
        ASSERT_LT(pt.y(), pView->viewport()->height());
        QTest::mouseClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    };
    Run({
        {"click", Click(2), {2}, 2},
        {"Ctrl+click adds", Click(4, Qt::ControlModifier), {2, 4}, 4},
        {"Ctrl+click on a selected row takes it out", Click(2, Qt::ControlModifier), {4}, 2},
        {"Shift+click selects from the anchor", Click(6, Qt::ShiftModifier), {2, 3, 4, 5, 6}, 6},
        {"Shift+click again replaces the range", Click(3, Qt::ShiftModifier), {2, 3}, 3},
        {"Ctrl+Shift+click adds the range",
         Click(8, Qt::ControlModifier | Qt::ShiftModifier),
         {2, 3, 4, 5, 6, 7, 8},
         8},
        {"click selects one alone", Click(1), {1}, 1},
        {"drag", drag, {1, 2, 3, 4}, 4},
        {"click below the last row", clickBelowTheRows, {}, 4},
    });
}

TEST_F(ListSelectionTest, KeysMoveTheFocusAndTheSelection)
{
    Start(10);
    Run({
        {"click", Click(3), {3}, 3},
        {"Down", Press(Qt::Key_Down), {4}, 4},
        {"Up", Press(Qt::Key_Up), {3}, 3},
        {"Up again", Press(Qt::Key_Up), {2}, 2},
        {"Shift+Down", Press(Qt::Key_Down, Qt::ShiftModifier), {2, 3}, 3},
        {"Shift+Down again", Press(Qt::Key_Down, Qt::ShiftModifier), {2, 3, 4}, 4},
        {"Ctrl+Down moves only the focus", Press(Qt::Key_Down, Qt::ControlModifier), {2, 3, 4}, 5},
        {"Ctrl+Space selects the focused row", Press(Qt::Key_Space, Qt::ControlModifier), {2, 3, 4, 5}, 5},
        {"Ctrl+Space again deselects it", Press(Qt::Key_Space, Qt::ControlModifier), {2, 3, 4}, 5},
        {"Space selects the focused row", Press(Qt::Key_Space), {2, 3, 4, 5}, 5},
        // Ctrl+Space made row 5 the anchor.
        {"Shift+Up from the anchor", Press(Qt::Key_Up, Qt::ShiftModifier), {4, 5}, 4},
        {"Home", Press(Qt::Key_Home), {0}, 0},
        {"Up at the top stays", Press(Qt::Key_Up), {0}, 0},
        {"End", Press(Qt::Key_End), {9}, 9},
        {"Down at the bottom stays", Press(Qt::Key_Down), {9}, 9},
        {"Ctrl+Home moves only the focus", Press(Qt::Key_Home, Qt::ControlModifier), {9}, 0},
        {"Shift+End selects to the end", Press(Qt::Key_End, Qt::ShiftModifier), {9}, 9},
        {"Ctrl+A", Press(Qt::Key_A, Qt::ControlModifier), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 9},
    });
}

TEST_F(ListSelectionTest, ARightClickSelectsAnUnselectedRowAloneAndKeepsASelectionItFallsInto)
{
    Start(10);
    Run({
        {"click", Click(1), {1}, 1},
        {"Shift+click", Click(3, Qt::ShiftModifier), {1, 2, 3}, 3},
        {"right-click in the selection", Click(2, Qt::NoModifier, Qt::RightButton), {1, 2, 3}, 2},
        {"right-click outside it", Click(6, Qt::NoModifier, Qt::RightButton), {6}, 6},
    });
    // Each right-click opened the context menu, which was dismissed.
    EXPECT_EQ(env->ws.popupMenus.size(), 2U);
}

TEST_F(ListSelectionTest, TheViewScrollsToRowsThatACommandSelects)
{
    Start(50);
    CTaskListView* pView = main->View();
    ASSERT_LT(pView->VisibleRows(), 40);
    EXPECT_EQ(pView->TopRow(), 0);
    env->ws.onModalDialog = [](HWND, CDialog&) {
        QTest::keyClicks(QApplication::focusWidget(), "far");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    main->Key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(main->SelectedRows(), (std::vector<int>{45}));
    EXPECT_GT(pView->TopRow(), 0);
    EXPECT_LE(pView->TopRow(), 45);
    EXPECT_LT(45, pView->TopRow() + pView->VisibleRows());
    EXPECT_EQ(pView->verticalScrollBar()->value(), pView->TopRow());

    // And back up with the keyboard.
    QTest::keyClick(pView, Qt::Key_Home);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(pView->TopRow(), 0);
    EXPECT_EQ(pView->verticalScrollBar()->value(), 0);
}

TEST_F(ListSelectionTest, RowsArePaintedFromTheTable)
{
    Start(10);
    CTaskListView* pView = main->View();
    // Selected in the table alone, as a command does it.
    main->dlg.m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    main->dlg.m_list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    CShownMainWindow::ProcessEvents();
    const QImage image = pView->viewport()->grab().toImage();
    const QColor highlight = pView->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = pView->palette().color(QPalette::Active, QPalette::Base);
    ASSERT_NE(highlight, base);
    const auto pixel = [&](int nRow) { return image.pixelColor(3, pView->RowRect(nRow).center().y()); };
    EXPECT_EQ(pixel(1), highlight);
    EXPECT_EQ(pixel(3), highlight);
    EXPECT_EQ(pixel(2), base);
    EXPECT_EQ(pixel(5), base);

    main->dlg.m_list.SetItemState(-1, 0, LVIS_SELECTED);
    CShownMainWindow::ProcessEvents();
    const QImage cleared = pView->viewport()->grab().toImage();
    EXPECT_EQ(cleared.pixelColor(3, pView->RowRect(1).center().y()), base);
}

} // namespace
