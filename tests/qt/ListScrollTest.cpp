// Scrolling a row into view: a command is content with a row that shows in part, the user's keys
// bring the row they move to wholly into view.
#include "QtTestEnv.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

class ListScrollTest : public ::testing::Test {
protected:
    // Rows "row00" to "row29", with "far" in the titles of the rows given; the viewport then shows
    // kWholeRows rows whole and half of the next.
    void Start(const std::vector<int>& farRows)
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        std::vector<std::string> lines;
        for (int i = 0; i < 30; ++i) {
            char szLine[32];
            const bool bFar = std::find(farRows.begin(), farRows.end(), i) != farRows.end();
            std::snprintf(szLine, sizeof szLine, "%s%02d\t1\t", bFar ? "far" : "row", i);
            lines.emplace_back(szLine);
        }
        WriteTaskFile(dir.File("ruvelo.csv"), lines);
        env.emplace();
        main.emplace(*env);
        CTaskListView* pView = main->View();
        const int nRowHeight = pView->RowHeight();
        pView->resize(pView->width(), pView->height() + kWholeRows * nRowHeight + nRowHeight / 2 - pView->viewport()->height());
        CShownMainWindow::ProcessEvents();
        ASSERT_EQ(pView->viewport()->height(), kWholeRows * nRowHeight + nRowHeight / 2);
        ASSERT_EQ(pView->VisibleRows(), kWholeRows);
        ASSERT_EQ(pView->TopRow(), 0);
    }
    void TearDown() override
    {
        main.reset();
        env.reset();
    }
    void ExpectTop(int nTop)
    {
        CShownMainWindow::ProcessEvents();
        EXPECT_EQ(main->View()->TopRow(), nTop);
        EXPECT_EQ(main->View()->verticalScrollBar()->value(), nTop);
    }

    static constexpr int kWholeRows = 5;  // so row 5 shows in half
    CTempDataDir dir;
    std::optional<CQtTestApp> env;
    std::optional<CShownMainWindow> main;
};

TEST_F(ListScrollTest, ACommandDoesNotScrollToARowThatShowsInPart)
{
    Start({kWholeRows});
    CListCtrl& list = main->dlg.m_list;
    struct Case {
        const char* pszWhat;
        int nRow;
        int nTopBefore;
        int nTopAfter;
    };
    const Case cases[] = {
        {"the half-shown last row", kWholeRows, 0, 0},
        {"a whole row", 2, 0, 0},
        // A row out of sight comes in whole at the bottom, the next one then showing in half.
        {"the row below the half-shown one", kWholeRows + 1, 0, 2},
        {"a row far down", 20, 0, 20 - kWholeRows + 1},
        {"a row above", 1, 10, 1},
        {"the half-shown row after scrolling", 10 + kWholeRows, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        main->View()->verticalScrollBar()->setValue(c.nTopBefore);
        ExpectTop(c.nTopBefore);
        list.EnsureVisible(c.nRow, TRUE);
        ExpectTop(c.nTopAfter);
    }
}

TEST_F(ListScrollTest, FindLeavesTheListWhereItIsWhenTheMatchShowsInPart)
{
    Start({kWholeRows});
    env->ws.onModalDialog = [](HWND, CDialog&) {
        QTest::keyClicks(QApplication::focusWidget(), "far");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    main->Key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(main->SelectedRows(), (std::vector<int>{kWholeRows}));
    ExpectTop(0);
}

TEST_F(ListScrollTest, TheKeysBringTheRowTheyMoveToWhollyIntoView)
{
    Start({});
    CTaskListView* pView = main->View();
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier, {20, pView->RowRect(kWholeRows - 1).center().y()});
    ExpectTop(0);
    QTest::keyClick(pView, Qt::Key_Down);  // onto the half-shown row
    ASSERT_EQ(main->FocusedRow(), kWholeRows);
    ExpectTop(1);
}

} // namespace
