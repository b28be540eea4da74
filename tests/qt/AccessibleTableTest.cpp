// The task list as a screen reader sees it: a table whose rows, cells, headers, states and
// selection are the task table's, and the few events that tell a reader what changed.
#include "QtTestEnv.h"
#include "support/TestEnv.h"

#include "qt/TaskListAccessible.h"
#include "res/resource.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

// What a reader would have been told: each event's type, and for a focus the row and column of
// the cell, for a table change its kind and rows.
struct Told {
    QAccessible::Event type;
    int nRow = -1;
    int nColumn = -1;
    int nChange = -1;
};
std::vector<Told>* g_pTold = nullptr;

void RecordEvent(QAccessibleEvent* pEvent)
{
    if (g_pTold == nullptr) {
        return;
    }
    Told told{pEvent->type()};
    if (pEvent->type() == QAccessible::Focus && pEvent->child() >= 0) {
        if (QAccessibleInterface* pCell = pEvent->accessibleInterface(); pCell != nullptr && pCell->tableCellInterface() != nullptr) {
            told.nRow = pCell->tableCellInterface()->rowIndex();
            told.nColumn = pCell->tableCellInterface()->columnIndex();
        }
    }
    if (pEvent->type() == QAccessible::TableModelChanged) {
        const auto* pChange = static_cast<QAccessibleTableModelChangeEvent*>(pEvent);
        told.nChange = pChange->modelChangeType();
        told.nRow = pChange->firstRow();
        told.nColumn = pChange->lastRow();
    }
    g_pTold->push_back(told);
}

class AccessibleTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The offscreen platform has no accessibility, so the toolkit would drop every event: the
        // list hands them to the test instead.
        SetTaskListAccessibilityHandler(RecordEvent);
        g_pTold = &told;
    }
    void TearDown() override
    {
        main.reset();
        env.reset();
        g_pTold = nullptr;
        SetTaskListAccessibilityHandler(nullptr);
    }
    void Start(const std::vector<std::string>& lines)
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteTaskFile(dir.File("ruvelo.csv"), lines);
        env.emplace();
        main.emplace(*env);
        ASSERT_EQ(QApplication::focusWidget(), main->View());
        pAccessible = QAccessible::queryAccessibleInterface(main->View());
        ASSERT_NE(pAccessible, nullptr);
        pTable = pAccessible->tableInterface();
        ASSERT_NE(pTable, nullptr);
        CShownMainWindow::ProcessEvents();
        told.clear();
    }
    void StartNumbered(int nRows, const char* pszMatchEvery = nullptr, int nEvery = 0)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < nRows; ++i) {
            char szLine[64];
            std::snprintf(szLine, sizeof szLine, "%s%05d\t1\t", nEvery != 0 && i % nEvery == 0 ? pszMatchEvery : "row", i);
            lines.emplace_back(szLine);
        }
        Start(lines);
    }
    [[nodiscard]] QString Cell(int nRow, int nColumn) const
    {
        QAccessibleInterface* pCell = pTable->cellAt(nRow, nColumn);
        return pCell != nullptr ? pCell->text(QAccessible::Name) : QStringLiteral("<none>");
    }
    [[nodiscard]] int Count(QAccessible::Event type) const
    {
        return static_cast<int>(std::count_if(told.begin(), told.end(), [type](const Told& t) { return t.type == type; }));
    }
    [[nodiscard]] std::optional<Told> LastFocus() const
    {
        for (auto it = told.rbegin(); it != told.rend(); ++it) {
            if (it->type == QAccessible::Focus && it->nRow >= 0) {
                return *it;
            }
        }
        return std::nullopt;
    }
    [[nodiscard]] std::vector<Told> ModelChanges() const
    {
        std::vector<Told> changes;
        std::copy_if(told.begin(), told.end(), std::back_inserter(changes),
                     [](const Told& t) { return t.type == QAccessible::TableModelChanged; });
        return changes;
    }
    void FindTitle(const char* pszText)
    {
        env->ws.onModalDialog = [pszText](HWND, CDialog&) {
            QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(pszText));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        };
        main->Key(Qt::Key_F, Qt::ControlModifier);
        CShownMainWindow::ProcessEvents();
    }

    CTempDataDir dir;
    std::optional<CQtTestApp> env;
    std::optional<CShownMainWindow> main;
    QAccessibleInterface* pAccessible = nullptr;
    QAccessibleTableInterface* pTable = nullptr;
    std::vector<Told> told;
};

TEST_F(AccessibleTableTest, TheListIsATableOfTheTasksWithTheirHeadersAndTexts)
{
    Start({"買い物\t3\t牛乳と卵", "Report\t-12\tdue\tFriday", "請求書ｶﾅ\t0\t"});
    EXPECT_EQ(pAccessible->role(), QAccessible::Table);
    EXPECT_EQ(pAccessible->text(QAccessible::Name), QStringLiteral("タスク一覧"));
    EXPECT_EQ(pTable->rowCount(), 3);
    EXPECT_EQ(pTable->columnCount(), 3);
    // The header cells come first among the children, then the cells row by row.
    EXPECT_EQ(pAccessible->childCount(), 4 * 3);

    const QStringList headings{QStringLiteral("タイトル"), QStringLiteral("重要"), QStringLiteral("詳細")};
    for (int nColumn = 0; nColumn < 3; ++nColumn) {
        SCOPED_TRACE(nColumn);
        QAccessibleInterface* pHeader = pAccessible->child(nColumn);
        ASSERT_NE(pHeader, nullptr);
        EXPECT_EQ(pHeader->role(), QAccessible::ColumnHeader);
        EXPECT_EQ(pHeader->text(QAccessible::Name), headings[nColumn]);
        EXPECT_EQ(pTable->columnDescription(nColumn), headings[nColumn]);
        // A reader asks a cell of the first row for its column's header.
        const QList<QAccessibleInterface*> fromCell = pTable->cellAt(0, nColumn)->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(fromCell.size(), 1);
        EXPECT_EQ(fromCell[0], pHeader);
        EXPECT_EQ(pAccessible->indexOfChild(pHeader), nColumn);
    }

    const std::vector<std::vector<QString>> cells{
        {QStringLiteral("買い物"), QStringLiteral("3"), QStringLiteral("牛乳と卵")},
        // A TAB in a text shows as a space, as the list draws it.
        {QStringLiteral("Report"), QStringLiteral("-12"), QStringLiteral("due Friday")},
        {QStringLiteral("請求書ｶﾅ"), QStringLiteral("0"), QString()},
    };
    for (int nRow = 0; nRow < 3; ++nRow) {
        for (int nColumn = 0; nColumn < 3; ++nColumn) {
            SCOPED_TRACE(testing::Message() << nRow << "," << nColumn);
            QAccessibleInterface* pCell = pTable->cellAt(nRow, nColumn);
            ASSERT_NE(pCell, nullptr);
            EXPECT_EQ(pCell->role(), QAccessible::Cell);
            EXPECT_EQ(pCell->text(QAccessible::Name), cells[static_cast<std::size_t>(nRow)][static_cast<std::size_t>(nColumn)]);
            EXPECT_EQ(pCell->parent(), pAccessible);
            EXPECT_EQ(pCell->tableCellInterface()->table(), pAccessible);
            EXPECT_EQ(pCell->tableCellInterface()->rowIndex(), nRow);
            EXPECT_EQ(pCell->tableCellInterface()->columnIndex(), nColumn);
            const int nIndex = pAccessible->indexOfChild(pCell);
            EXPECT_EQ(nIndex, (nRow + 1) * 3 + nColumn);
            EXPECT_EQ(pAccessible->child(nIndex), pCell);  // the same live cell, not a new one
            // A point in the cell finds it.
            EXPECT_EQ(pAccessible->childAt(pCell->rect().center().x(), pCell->rect().center().y()), pCell);
        }
    }
    EXPECT_EQ(pTable->cellAt(3, 0), nullptr);
    EXPECT_EQ(pTable->cellAt(0, 3), nullptr);
    EXPECT_EQ(pTable->cellAt(-1, 0), nullptr);
}

TEST_F(AccessibleTableTest, StatesAndTheSelectionAreTheTables)
{
    StartNumbered(6);
    CListCtrl& list = main->dlg.m_list;
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(4, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    struct Expected {
        int nRow;
        bool bSelected;
        bool bFocused;
    };
    for (const Expected& e : {Expected{0, false, false}, Expected{1, true, false}, Expected{4, true, true}}) {
        SCOPED_TRACE(e.nRow);
        for (int nColumn = 0; nColumn < 3; ++nColumn) {
            QAccessibleInterface* pCell = pTable->cellAt(e.nRow, nColumn);
            const QAccessible::State st = pCell->state();
            EXPECT_TRUE(st.selectable);
            EXPECT_EQ(bool(st.selected), e.bSelected);
            EXPECT_EQ(bool(st.focused), e.bFocused);
            EXPECT_EQ(pCell->tableCellInterface()->isSelected(), e.bSelected);
        }
        EXPECT_EQ(pTable->isRowSelected(e.nRow), e.bSelected);
    }
    EXPECT_EQ(pTable->selectedRowCount(), 2);
    EXPECT_EQ(pTable->selectedRows(), (QList<int>{1, 4}));
    EXPECT_EQ(pTable->selectedCellCount(), 6);
    const QList<QAccessibleInterface*> selected = pTable->selectedCells();
    ASSERT_EQ(selected.size(), 6);
    EXPECT_EQ(selected[0]->tableCellInterface()->rowIndex(), 1);
    EXPECT_EQ(selected[5]->tableCellInterface()->rowIndex(), 4);
    EXPECT_EQ(selected[5]->tableCellInterface()->columnIndex(), 2);
    EXPECT_EQ(pTable->selectedColumnCount(), 0);

    // The list's own focus is the table's; within it, the focused row's cell has it.
    EXPECT_TRUE(pAccessible->state().focused);
    EXPECT_EQ(pAccessible->focusChild(), pTable->cellAt(4, 0));
    EXPECT_TRUE(pAccessible->state().multiSelectable);
    main->View()->clearFocus();
    EXPECT_FALSE(pAccessible->state().focused);

    // A reader's selection goes into the table and moves no focus.
    EXPECT_TRUE(pTable->selectRow(2));
    EXPECT_TRUE(pTable->unselectRow(1));
    EXPECT_FALSE(pTable->selectRow(6));
    EXPECT_FALSE(pTable->selectColumn(0));
    EXPECT_EQ(main->SelectedRows(), (std::vector<int>{2, 4}));
    EXPECT_EQ(main->FocusedRow(), 4);
}

TEST_F(AccessibleTableTest, MovingThroughTheListTellsTheFocusedCell)
{
    StartNumbered(10);
    CTaskListView* pView = main->View();
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier, {20, pView->RowRect(2).center().y()});
    CShownMainWindow::ProcessEvents();
    ASSERT_TRUE(LastFocus().has_value());
    EXPECT_EQ(LastFocus()->nRow, 2);
    EXPECT_EQ(LastFocus()->nColumn, 0);
    EXPECT_GE(Count(QAccessible::SelectionWithin), 1);

    told.clear();
    QTest::keyClick(pView, Qt::Key_Down);
    CShownMainWindow::ProcessEvents();
    ASSERT_EQ(Count(QAccessible::Focus), 1);
    EXPECT_EQ(LastFocus()->nRow, 3);

    // Moving only the focus tells the focus; a repaint or a key that changes nothing tells nothing.
    told.clear();
    QTest::keyClick(pView, Qt::Key_Down, Qt::ControlModifier);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(LastFocus()->nRow, 4);
    told.clear();
    pView->viewport()->repaint();
    QTest::keyClick(pView, Qt::Key_Left);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(Count(QAccessible::Focus), 0);
    EXPECT_EQ(Count(QAccessible::SelectionWithin), 0);
}

TEST_F(AccessibleTableTest, ABulkSelectionIsToldOnceWithTheLastMatchFocused)
{
    // Every third of 3000 rows matches: a thousand rows selected and focused one after another.
    StartNumbered(3000, "match", 3);
    FindTitle("match");
    ASSERT_EQ(main->SelectedRows().size(), 1000U);
    EXPECT_EQ(main->FocusedRow(), 2997);
    EXPECT_LE(Count(QAccessible::SelectionWithin), 2);
    EXPECT_LE(Count(QAccessible::Focus), 3);  // the dialog's box, the list, its focused cell
    ASSERT_TRUE(LastFocus().has_value());
    EXPECT_EQ(LastFocus()->nRow, 2997);
    EXPECT_EQ(pTable->selectedRowCount(), 1000);
    EXPECT_TRUE(pTable->cellAt(2997, 0)->state().focused);
    EXPECT_LT(told.size(), 20U);

    // Select all with the keyboard: one event too.
    told.clear();
    QTest::keyClick(main->View(), Qt::Key_A, Qt::ControlModifier);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(Count(QAccessible::SelectionWithin), 1);
    EXPECT_EQ(pTable->selectedRowCount(), 3000);
}

TEST_F(AccessibleTableTest, CommandsThatAddDeleteAndSortTellTheTableAndDropItsCells)
{
    Start({"b\t2\t", "a\t5\t", "c\t1\t"});
    using Change = QAccessibleTableModelChangeEvent;

    // Add: the new row comes in at the end, and the reader is taken to it.
    env->ws.onModalDialog = [](HWND, CDialog&) {
        // Typed through the input method, as Japanese is.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("新しい"));
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    main->Key(Qt::Key_I, Qt::ControlModifier);
    CShownMainWindow::ProcessEvents();
    ASSERT_EQ(ModelChanges().size(), 1U);
    EXPECT_EQ(ModelChanges()[0].nChange, Change::RowsInserted);
    EXPECT_EQ(ModelChanges()[0].nRow, 3);
    EXPECT_EQ(pTable->rowCount(), 4);
    EXPECT_EQ(Cell(3, 0), QStringLiteral("新しい"));
    ASSERT_TRUE(LastFocus().has_value());
    EXPECT_EQ(LastFocus()->nRow, 3);

    // A cell a reader holds goes with a change of rows, instead of naming another task.
    const QAccessible::Id held = QAccessible::uniqueId(pTable->cellAt(1, 2));

    told.clear();
    main->Command(ID_SORT_TITLE);
    CShownMainWindow::ProcessEvents();
    ASSERT_EQ(ModelChanges().size(), 1U);
    EXPECT_EQ(ModelChanges()[0].nChange, Change::ModelReset);
    EXPECT_EQ(QAccessible::accessibleInterface(held), nullptr);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(Cell(3, 0), QStringLiteral("新しい"));
    // The focused task moved with the sort (it sorts last); the reader is told its new cell.
    ASSERT_TRUE(LastFocus().has_value());
    EXPECT_EQ(LastFocus()->nRow, 3);

    told.clear();
    main->Command(ID_SORT_IMPORTANCE);
    CShownMainWindow::ProcessEvents();
    ASSERT_EQ(ModelChanges().size(), 1U);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("5"));

    // Delete the selected (the added) row.
    told.clear();
    const QAccessible::Id heldBeforeDelete = QAccessible::uniqueId(pTable->cellAt(0, 0));
    main->Key(Qt::Key_D, Qt::ControlModifier);
    CShownMainWindow::ProcessEvents();
    ASSERT_EQ(ModelChanges().size(), 1U);
    EXPECT_TRUE(ModelChanges()[0].nChange == Change::RowsRemoved || ModelChanges()[0].nChange == Change::ModelReset);
    EXPECT_EQ(QAccessible::accessibleInterface(heldBeforeDelete), nullptr);
    EXPECT_EQ(pTable->rowCount(), 3);
    EXPECT_GE(Count(QAccessible::SelectionWithin), 1);

    // Delete all, after its question.
    told.clear();
    env->ws.messageBoxAnswers = {IDYES};
    main->Command(ID_TASK_DELETE_ALL);
    CShownMainWindow::ProcessEvents();
    ASSERT_FALSE(ModelChanges().empty());
    EXPECT_EQ(pTable->rowCount(), 0);
    EXPECT_EQ(pAccessible->childCount(), 3);  // the headers stay
    EXPECT_EQ(pTable->cellAt(0, 0), nullptr);
}

TEST_F(AccessibleTableTest, AReaderWalkingEveryCellKeepsFewAlive)
{
    StartNumbered(2000);
    auto* pTaskList = dynamic_cast<CTaskListAccessible*>(pAccessible);
    ASSERT_NE(pTaskList, nullptr);
    const int nChildren = pAccessible->childCount();
    ASSERT_EQ(nChildren, 2001 * 3);
    const QAccessible::Id firstCell = QAccessible::uniqueId(pAccessible->child(3));
    for (int i = 3; i < nChildren; ++i) {
        QAccessibleInterface* pCell = pAccessible->child(i);
        ASSERT_NE(pCell, nullptr);
        ASSERT_EQ(pCell->tableCellInterface()->rowIndex(), i / 3 - 1);
    }
    CShownMainWindow::ProcessEvents();
    EXPECT_LE(pTaskList->LiveCellCount(), CTaskListAccessible::kMaxLiveCells);
    // Those let go of are no longer known to the toolkit; the ones kept still answer.
    EXPECT_EQ(QAccessible::accessibleInterface(firstCell), nullptr);
    EXPECT_EQ(Cell(1999, 0), QStringLiteral("row01999"));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("row00000"));
}

} // namespace
