// The task table on its own: rows, cells, states, deletion, sorting, fitting and what it announces.
#include "framework/ListCtrl.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

// Everything a command or a view can read back from the table.
struct Snapshot {
    struct Row {
        std::string title, importance, details;
        LPARAM key;
        UINT state;
        friend bool operator==(const Row&, const Row&) = default;
    };
    std::vector<Row> rows;
    int nFocused;
    int nSelectionMark;
    UINT nSelected;
    std::size_t nTextBytes;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

std::ostream& operator<<(std::ostream& os, const Snapshot& s)
{
    os << "focus " << s.nFocused << ", mark " << s.nSelectionMark << ", selected " << s.nSelected << ", text bytes "
       << s.nTextBytes << ", rows:";
    for (const Snapshot::Row& r : s.rows) {
        os << " [" << r.title << "|" << r.importance << "|" << r.details << " key " << r.key << " state " << r.state
           << "]";
    }
    return os;
}

Snapshot Take(const CListCtrl& list)
{
    Snapshot s{
        {}, list.GetNextItem(-1, LVNI_FOCUSED), list.GetSelectionMark(), list.GetSelectedCount(), list.GetTextBytes()};
    for (int i = 0; i < list.GetItemCount(); ++i) {
        s.rows.push_back({std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                          std::string(list.GetItemText(i, 2)), list.GetItemData(i), list.GetItemState(i, kBoth)});
    }
    return s;
}

void AddColumns(CListCtrl& list, int nColumns)
{
    for (int i = 0; i < nColumns; ++i) {
        list.InsertColumn(i, ("col" + std::to_string(i)).c_str(), 0, 100);
    }
}

int InsertRow(CListCtrl& list, int nPos, const std::string& title, LPARAM key)
{
    LVITEM item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = nPos;
    item.pszText = title.c_str();
    item.lParam = key;
    return list.InsertItem(&item);
}

void AppendRow(CListCtrl& list, const std::string& title, LPARAM key, const std::string& importance = {},
               const std::string& details = {})
{
    const int nItem = InsertRow(list, list.GetItemCount(), title, key);
    list.SetItem(nItem, 1, LVIF_TEXT, importance.c_str(), 0, 0, 0, 0);
    list.SetItem(nItem, 2, LVIF_TEXT, details.c_str(), 0, 0, 0, 0);
}

// Rows r0, r1, ... with keys 0, 1, ... in a table of three columns.
void FillRows(CListCtrl& list, int nRows)
{
    AddColumns(list, 3);
    for (int i = 0; i < nRows; ++i) {
        AppendRow(list, "r" + std::to_string(i), i, std::to_string(i), "d" + std::to_string(i));
    }
}

std::vector<std::string> Titles(const CListCtrl& list)
{
    std::vector<std::string> titles;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        titles.emplace_back(list.GetItemText(i, 0));
    }
    return titles;
}

// Every announcement, as text, in the order made.
class CRecordingObserver : public IListCtrlObserver {
public:
    std::vector<std::string> events;

    void OnRowsAboutToBeInserted(int nFirst, int nLast) override { Log("aboutToInsert", nFirst, nLast); }
    void OnRowsInserted() override { events.emplace_back("inserted"); }
    void OnRowsAboutToBeRemoved(int nFirst, int nLast) override { Log("aboutToRemove", nFirst, nLast); }
    void OnRowsRemoved() override { events.emplace_back("removed"); }
    void OnRowsAboutToBeReset() override { events.emplace_back("aboutToReset"); }
    void OnRowsReset() override { events.emplace_back("reset"); }
    void OnRowsAboutToBeReordered() override { events.emplace_back("aboutToReorder"); }
    void OnRowsReordered(std::span<const int> anNewPosition) override
    {
        std::string s = "reordered";
        for (const int n : anNewPosition) {
            s += " " + std::to_string(n);
        }
        events.push_back(s);
    }
    void OnTextChanged(int nItem, int nSubItem) override { Log("text", nItem, nSubItem); }
    void OnStatesChanged(int nFirst, int nLast) override { Log("states", nFirst, nLast); }
    void OnColumnsAboutToBeInserted(int nFirst, int nLast) override { Log("aboutToInsertColumns", nFirst, nLast); }
    void OnColumnsInserted() override { events.emplace_back("columnsInserted"); }
    void OnColumnWidthChanged(int nCol) override { events.push_back("width " + std::to_string(nCol)); }
    void OnEnsureVisible(int nItem) override { events.push_back("ensureVisible " + std::to_string(nItem)); }

private:
    void Log(const char* what, int a, int b)
    {
        events.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(b));
    }
};

// A width that differs from the fake window system's, so that a fitted width shows where it came from.
class CStubMetrics : public IListTextMetrics {
public:
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override
    {
        return static_cast<int>(text.size()) * 7 + 5;
    }
};

// --- Inserting rows -----------------------------------------------------------------------------

TEST(ListCtrlInsert, PositionAtOrPastTheEndAppendsAndAMiddlePositionInserts)
{
    struct Case {
        int nRows, nPos, nExpected;
    };
    const Case cases[] = {{0, 0, 0}, {0, 7, 0}, {3, 3, 3}, {3, 100, 3}, {3, 1, 1}, {3, 0, 0}, {3, -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("rows " + std::to_string(c.nRows) + ", position " + std::to_string(c.nPos));
        CListCtrl list;
        FillRows(list, c.nRows);
        std::vector<std::string> expected = Titles(list);
        const Snapshot before = Take(list);

        EXPECT_EQ(InsertRow(list, c.nPos, "new", 99), c.nExpected);
        if (c.nExpected == -1) {
            EXPECT_EQ(Take(list), before);
            continue;
        }
        expected.insert(expected.begin() + c.nExpected, "new");
        EXPECT_EQ(Titles(list), expected);
        // The new row has its title and key, empty other cells and no state.
        EXPECT_EQ(list.GetItemData(c.nExpected), 99);
        EXPECT_EQ(list.GetItemText(c.nExpected, 1), "");
        EXPECT_EQ(list.GetItemText(c.nExpected, 2), "");
        EXPECT_EQ(list.GetItemState(c.nExpected, kBoth), 0u);
    }
}

TEST(ListCtrlInsert, FocusAndSelectionMarkStayWithTheirRowsWhenARowGoesAboveThem)
{
    CListCtrl list;
    FillRows(list, 3);
    list.SetItemState(1, kBoth, kBoth);
    list.SetSelectionMark(2);

    InsertRow(list, 0, "new", 99);

    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(list.GetItemText(2, 0), "r1");
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetSelectionMark(), 3);
}

// --- Cells and keys -----------------------------------------------------------------------------

TEST(ListCtrlSetItem, SubitemTextIsKeptOnlyForAColumnThatExistsAndColumnZeroAlways)
{
    for (int nColumns = 0; nColumns <= 3; ++nColumns) {
        for (int nSubItem = 0; nSubItem <= 2; ++nSubItem) {
            SCOPED_TRACE("columns " + std::to_string(nColumns) + ", subitem " + std::to_string(nSubItem));
            CListCtrl list;
            AddColumns(list, nColumns);
            InsertRow(list, 0, "title", 5);

            const BOOL bResult = list.SetItem(0, nSubItem, LVIF_TEXT, "text", 0, 0, 0, 0);

            const bool bKept = nSubItem == 0 || nSubItem < nColumns;
            EXPECT_EQ(bResult != FALSE, bKept);
            EXPECT_EQ(list.GetItemText(0, nSubItem), bKept ? "text" : "");
            EXPECT_EQ(list.GetItemData(0), 5);
        }
    }
}

TEST(ListCtrlSetItem, ParamSetsTheKeyOfColumnZeroAndNothingElse)
{
    CListCtrl list;
    FillRows(list, 2);
    list.SetItemState(1, kBoth, kBoth);
    Snapshot expected = Take(list);

    EXPECT_TRUE(list.SetItem(1, 0, LVIF_PARAM, nullptr, 0, 0, 0, 77));
    expected.rows[1].key = 77;
    EXPECT_EQ(Take(list), expected);

    // A key belongs to the row, so it is not set through a subitem.
    list.SetItem(1, 1, LVIF_PARAM, nullptr, 0, 0, 0, 55);
    EXPECT_EQ(Take(list), expected);
}

TEST(ListCtrlSetItem, AddressesOutsideTheTableChangeNothing)
{
    CListCtrl list;
    FillRows(list, 2);
    const Snapshot before = Take(list);

    EXPECT_FALSE(list.SetItem(2, 0, LVIF_TEXT | LVIF_PARAM, "x", 0, 0, 0, 1));
    EXPECT_FALSE(list.SetItem(-1, 0, LVIF_TEXT | LVIF_PARAM, "x", 0, 0, 0, 1));
    EXPECT_FALSE(list.SetItem(0, 3, LVIF_TEXT, "x", 0, 0, 0, 0));
    EXPECT_EQ(Take(list), before);
    EXPECT_EQ(list.GetItemText(2, 0), "");
    EXPECT_EQ(list.GetItemText(0, 3), "");
    EXPECT_EQ(list.GetItemText(-1, 0), "");
}

TEST(ListCtrlGetItemText, ReturnsTheWholeTextOfACell)
{
    CListCtrl list;
    AddColumns(list, 3);
    const std::string strTitle = std::string(255, 'T');
    const std::string strDetails = Sjis("詳細") + std::string(1019, 'd'); // 1023 bytes
    // Bytes that a text-mode reader would trip over: trail bytes 0x5C and 0x7C, a CR.
    const std::string strOdd = Sjis("ソ表") + "\x83\x7C\r|";
    AppendRow(list, strTitle, 0, strOdd, strDetails);

    EXPECT_EQ(list.GetItemText(0, 0), strTitle);
    EXPECT_EQ(list.GetItemText(0, 1), strOdd);
    EXPECT_EQ(list.GetItemText(0, 2).size(), 1023u);
    EXPECT_EQ(list.GetItemText(0, 2), strDetails);
}

// --- States -------------------------------------------------------------------------------------

TEST(ListCtrlSetItemState, SetsOnlyTheFlagsNamedInTheMask)
{
    struct Case {
        UINT nStart, nState, nMask, nExpected;
    };
    const Case cases[] = {
        {0, kBoth, kBoth, kBoth},
        {kBoth, 0, kBoth, 0},
        {0, kBoth, LVIS_SELECTED, LVIS_SELECTED},
        {0, kBoth, LVIS_FOCUSED, LVIS_FOCUSED},
        {kBoth, 0, LVIS_SELECTED, LVIS_FOCUSED},
        {kBoth, 0, LVIS_FOCUSED, LVIS_SELECTED},
        {LVIS_SELECTED, LVIS_FOCUSED, LVIS_FOCUSED, kBoth},
        {LVIS_FOCUSED, 0, 0, LVIS_FOCUSED},
        {LVIS_SELECTED, kBoth, 0, LVIS_SELECTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("start " + std::to_string(c.nStart) + ", state " + std::to_string(c.nState) + ", mask " +
                     std::to_string(c.nMask));
        CListCtrl list;
        FillRows(list, 3);
        list.SetItemState(1, c.nStart, kBoth);

        list.SetItemState(1, c.nState, c.nMask);

        EXPECT_EQ(list.GetItemState(1, kBoth), c.nExpected);
        EXPECT_EQ(list.GetSelectedCount(), (c.nExpected & LVIS_SELECTED) != 0 ? 1u : 0u);
        EXPECT_EQ(list.GetItemState(0, kBoth), 0u);
        EXPECT_EQ(list.GetItemState(2, kBoth), 0u);
    }
}

TEST(ListCtrlSetItemState, FocusingARowTakesTheFocusFromTheRowThatHeldIt)
{
    CListCtrl list;
    FillRows(list, 4);
    list.SetItemState(0, kBoth, kBoth);
    list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);

    EXPECT_EQ(list.GetItemState(0, kBoth), LVIS_SELECTED);
    EXPECT_EQ(list.GetItemState(2, kBoth), LVIS_FOCUSED);
    int nFocused = 0;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        nFocused += list.GetItemState(i, LVIS_FOCUSED) != 0 ? 1 : 0;
    }
    EXPECT_EQ(nFocused, 1);
}

TEST(ListCtrlSetItemState, MinusOneMeansEveryRow)
{
    CListCtrl list;
    FillRows(list, 4);
    list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);

    list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetSelectedCount(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.GetItemState(i, LVIS_SELECTED), LVIS_SELECTED) << i;
    }
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);

    // The focus cannot be on every row: it stays where it was.
    list.SetItemState(-1, kBoth, kBoth);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);

    list.SetItemState(-1, 0, kBoth);
    EXPECT_EQ(list.GetSelectedCount(), 0u);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), -1);
}

TEST(ListCtrlGetNextItem, FindsSelectedRowsFromTheTop)
{
    CListCtrl list;
    FillRows(list, 5);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);

    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), 3);
    EXPECT_EQ(list.GetNextItem(3, LVNI_SELECTED), -1);
}

// --- Deleting rows ------------------------------------------------------------------------------

TEST(ListCtrlDeleteItem, RowsBelowMoveUpWithTheirKeysAndFlags)
{
    CListCtrl list;
    FillRows(list, 5);
    for (int i = 0; i < 5; ++i) {
        list.SetItem(i, 0, LVIF_PARAM, nullptr, 0, 0, 0, 10 + i);
    }
    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(4, LVIS_FOCUSED, LVIS_FOCUSED);
    Snapshot expected = Take(list);

    EXPECT_TRUE(list.DeleteItem(1));

    expected.rows.erase(expected.rows.begin() + 1);
    expected.nFocused = 3;
    expected.nTextBytes -= std::string("r1"
                                       "1"
                                       "d1")
                               .size(); // the deleted row's texts are let go
    EXPECT_EQ(Take(list), expected);
    EXPECT_FALSE(list.DeleteItem(4));
    EXPECT_FALSE(list.DeleteItem(-1));
    EXPECT_EQ(list.GetItemCount(), 4);
}

TEST(ListCtrlDeleteItem, FocusPassesToTheRowTakingItsPlaceAndADeletedMarkIsDropped)
{
    struct Case {
        int nRows, nMarked, nDeleted, nExpected;
    };
    // The same table serves the focus and the selection mark, except where the marked row goes.
    const Case cases[] = {{5, 2, 2, 2}, {5, 4, 4, 3}, {1, 0, 0, -1}, {5, 3, 1, 2}, {5, 1, 3, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("rows " + std::to_string(c.nRows) + ", marked " + std::to_string(c.nMarked) + ", deleted " +
                     std::to_string(c.nDeleted));
        CListCtrl list;
        FillRows(list, c.nRows);
        list.SetItemState(c.nMarked, LVIS_FOCUSED, LVIS_FOCUSED);
        list.SetSelectionMark(c.nMarked);

        list.DeleteItem(c.nDeleted);

        EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), c.nExpected);
        EXPECT_EQ(list.GetSelectionMark(), c.nMarked == c.nDeleted ? -1 : c.nExpected);
    }
}

TEST(ListCtrlDeleteAllItems, LeavesNoRowsStatesOrTextsButKeepsTheColumns)
{
    CListCtrl list;
    FillRows(list, 4);
    list.SetItemState(1, kBoth, kBoth);
    list.SetSelectionMark(1);

    EXPECT_TRUE(list.DeleteAllItems());

    EXPECT_EQ(Take(list), (Snapshot{{}, -1, -1, 0, 0}));
    EXPECT_EQ(list.GetColumnCount(), 3);
    AppendRow(list, "again", 0, "1", "x");
    EXPECT_EQ(Titles(list), std::vector<std::string>{"again"});
    EXPECT_EQ(list.GetItemState(0, kBoth), 0u);
}

// Deleting the topmost selected row until none is left: what DeleteSelectedItems must equal.
int DeleteSelectedOneByOne(CListCtrl& list)
{
    int nDeleted = 0;
    for (int i = list.GetNextItem(-1, LVNI_SELECTED); i != -1; i = list.GetNextItem(-1, LVNI_SELECTED)) {
        list.DeleteItem(i);
        ++nDeleted;
    }
    return nDeleted;
}

TEST(ListCtrlDeleteSelectedItems, EqualsDeletingTheTopmostSelectedRowUntilNoneIsLeft)
{
    for (unsigned nSeed = 1; nSeed <= 300; ++nSeed) {
        SCOPED_TRACE("seed " + std::to_string(nSeed));
        std::mt19937 rng(nSeed);
        const auto pick = [&rng](int nMax) { return std::uniform_int_distribution<int>(0, nMax)(rng); };
        const int nRows = pick(30);
        const int nSelectPercent = pick(100);
        CListCtrl naive;
        CListCtrl onePass;
        for (CListCtrl* pList : {&naive, &onePass}) {
            AddColumns(*pList, 3);
        }
        for (int i = 0; i < nRows; ++i) {
            // Keys repeat, as they do after deletions.
            const LPARAM key = pick(nRows / 2 + 1);
            const std::string title =
                "t" + std::to_string(pick(9)) + std::string(static_cast<std::size_t>(pick(40)), 'x');
            const std::string details = std::string(static_cast<std::size_t>(pick(3)), 'd');
            const bool bSelected = pick(99) < nSelectPercent;
            for (CListCtrl* pList : {&naive, &onePass}) {
                AppendRow(*pList, title, key, std::to_string(i), details);
                if (bSelected) {
                    pList->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
                }
            }
        }
        if (nRows > 0) {
            const int nFocus = pick(nRows) - 1; // -1: no focus
            const int nMark = pick(nRows) - 1;
            for (CListCtrl* pList : {&naive, &onePass}) {
                if (nFocus != -1) {
                    pList->SetItemState(nFocus, LVIS_FOCUSED, LVIS_FOCUSED);
                }
                pList->SetSelectionMark(nMark);
            }
        }
        ASSERT_EQ(Take(naive), Take(onePass));

        EXPECT_EQ(onePass.DeleteSelectedItems(), DeleteSelectedOneByOne(naive));
        EXPECT_EQ(Take(onePass), Take(naive));
    }
}

int CompareCell(const CListRow& row1, const CListRow& row2, LPARAM lParamSort);

// Deleting most of a large table leaves its text store mostly garbage, and the store is then
// compacted: in place while the rows hold their texts in the order they were stored (as after a
// load), by copying when a sort has reordered them. Either way every surviving text stays whole,
// texts in chunks of their own (long ones) included, and the table keeps working afterwards.
TEST(ListCtrlDeleteSelectedItems, CompactingTheTextsKeepsEverySurvivingTextWhole)
{
    struct Case {
        const char* szName;
        bool bSortFirst;
        int nLongEvery;  // every nth row's details are too long to share a chunk; 0: none
    };
    const Case cases[] = {
        {"in the order stored", false, 0},
        {"after a sort", true, 0},
        {"with long texts among them", false, 7},
        {"with long texts, after a sort", true, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.szName);
        std::mt19937 rng(11);
        CListCtrl list;
        CListCtrl naive;
        for (CListCtrl* pList : {&list, &naive}) {
            AddColumns(*pList, 3);
        }
        // Some 24 MB of text, so that the garbage outweighs both the live texts and the slack.
        constexpr int kRows = 3000;
        for (int i = 0; i < kRows; ++i) {
            const bool bLong = c.nLongEvery != 0 && i % c.nLongEvery == 0;
            const std::size_t nDetails = bLong ? 70000 + rng() % 5000 : 1000 + rng() % 9000;
            const std::string title = "t" + std::to_string(rng() % 1000) + std::string(rng() % 30, 'x');
            const std::string details(nDetails, static_cast<char>('a' + i % 26));
            for (CListCtrl* pList : {&list, &naive}) {
                AppendRow(*pList, title, i, std::to_string(i % 10), details);
            }
        }
        if (c.bSortFirst) {
            list.SortItems(CompareCell, 0);
            naive.SortItems(CompareCell, 0);
        }
        for (int i = 0; i < kRows; ++i) {
            if (i % 4 != 1) {
                list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
                naive.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
            }
        }

        EXPECT_EQ(list.DeleteSelectedItems(), DeleteSelectedOneByOne(naive));
        ASSERT_EQ(Take(list), Take(naive));

        // The compacted store goes on taking, replacing and releasing texts.
        for (int i = 0; i < list.GetItemCount(); i += 3) {
            const std::string text = "changed " + std::to_string(i);
            list.SetItem(i, 2, LVIF_TEXT, text.c_str(), 0, 0, 0, 0);
            naive.SetItem(i, 2, LVIF_TEXT, text.c_str(), 0, 0, 0, 0);
        }
        AppendRow(list, "new", -1, "5", std::string(80000, 'n'));
        AppendRow(naive, "new", -1, "5", std::string(80000, 'n'));
        list.DeleteItem(0);
        naive.DeleteItem(0);
        EXPECT_EQ(Take(list), Take(naive));
    }
}

// --- Sorting ------------------------------------------------------------------------------------

int CompareCell(const CListRow& row1, const CListRow& row2, LPARAM lParamSort)
{
    const int nCol = static_cast<int>(lParamSort);
    return row1.GetText(nCol).compare(row2.GetText(nCol));
}

TEST(ListCtrlSortItems, IsStableAndRowsTakeTheirTextsKeysAndStatesAlong)
{
    CListCtrl list;
    AddColumns(list, 3);
    const char* const titles[] = {"b", "a", "b", "a", "c"};
    for (int i = 0; i < 5; ++i) {
        AppendRow(list, titles[i], 10 + i, std::to_string(i), "d" + std::to_string(i));
    }
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);
    list.SetSelectionMark(4);
    const Snapshot before = Take(list);

    EXPECT_TRUE(list.SortItems(CompareCell, 0));

    // Equal titles keep their earlier order: a1 before a3, b0 before b2.
    const int order[] = {1, 3, 0, 2, 4};
    Snapshot expected = before;
    for (int i = 0; i < 5; ++i) {
        expected.rows[static_cast<std::size_t>(i)] = before.rows[static_cast<std::size_t>(order[i])];
    }
    expected.nFocused = 1;
    expected.nSelectionMark = 4;
    EXPECT_EQ(Take(list), expected);
}

// Small inputs hide an unstable sort (insertion sort is stable); many equal rows do not.
TEST(ListCtrlSortItems, StaysStableOnManyRowsWithFewDistinctTexts)
{
    CListCtrl list;
    AddColumns(list, 3);
    std::mt19937 rng(7);
    for (int i = 0; i < 500; ++i) {
        AppendRow(list, std::string(1, static_cast<char>('a' + rng() % 3)), i);
    }

    list.SortItems(CompareCell, 0);

    for (int i = 1; i < list.GetItemCount(); ++i) {
        const bool bSameTitle = list.GetItemText(i - 1, 0) == list.GetItemText(i, 0);
        ASSERT_TRUE(list.GetItemText(i - 1, 0) <= list.GetItemText(i, 0)) << i;
        ASSERT_TRUE(!bSameTitle || list.GetItemData(i - 1) < list.GetItemData(i)) << i;
    }
}

TEST(ListCtrlSortItems, TheComparisonSeesEachRowsOwnTextsWhateverItsKey)
{
    CListCtrl list;
    AddColumns(list, 3);
    // Every key the same, as after deletions and appends; only the texts can order the rows.
    const char* const importances[] = {"3", "1", "2", "1"};
    for (int i = 0; i < 4; ++i) {
        AppendRow(list, "t" + std::to_string(i), 7, importances[i], "");
    }

    list.SortItems(CompareCell, 1); // the sort value reaches the comparison: column 1 here

    EXPECT_EQ(Titles(list), (std::vector<std::string>{"t1", "t3", "t2", "t0"}));
    EXPECT_FALSE(list.SortItems(nullptr, 0));
}

int CompareCellDescending(const CListRow& row1, const CListRow& row2, LPARAM lParamSort)
{
    return CompareCell(row2, row1, lParamSort);
}

// A sort told what its comparison orders by puts the rows in exactly the order that the
// comparison alone gives, with the selection, focus and mark along: texts that begin alike for
// up to and past the bytes it orders by first, texts that begin one another, high bytes, ties.
TEST(ListCtrlSortItems, AKeyGivesTheOrderOfTheComparisonAlone)
{
    const char alphabet[] = {'a', 'b', '\x7F', '\x80', '\xFF'};
    for (unsigned nSeed = 1; nSeed <= 200; ++nSeed) {
        SCOPED_TRACE("seed " + std::to_string(nSeed));
        std::mt19937 rng(nSeed);
        const auto pick = [&rng](int nMax) { return std::uniform_int_distribution<int>(0, nMax)(rng); };
        const bool bDescending = nSeed % 2 == 0;
        const int nCol = pick(2);
        CListCtrl plain;
        CListCtrl keyed;
        for (CListCtrl* pList : {&plain, &keyed}) {
            AddColumns(*pList, 3);
        }
        const std::string prefix(static_cast<std::size_t>(pick(20)), 'p');
        const int nRows = pick(60);
        for (int i = 0; i < nRows; ++i) {
            std::string cells[3];
            for (std::string& cell : cells) {
                cell = prefix.substr(0, static_cast<std::size_t>(pick(static_cast<int>(prefix.size()))));
                for (int n = pick(4); n > 0; --n) {
                    cell += alphabet[pick(4)];
                }
            }
            const bool bSelected = pick(3) == 0;
            for (CListCtrl* pList : {&plain, &keyed}) {
                AppendRow(*pList, cells[0], i, cells[1], cells[2]);
                if (bSelected) {
                    pList->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
                }
            }
        }
        if (nRows > 0) {
            const int nFocus = pick(nRows - 1);
            const int nMark = pick(nRows - 1);
            for (CListCtrl* pList : {&plain, &keyed}) {
                pList->SetItemState(nFocus, LVIS_FOCUSED, LVIS_FOCUSED);
                pList->SetSelectionMark(nMark);
            }
        }
        const PFNLVCOMPARE pfnCompare = bDescending ? CompareCellDescending : CompareCell;

        plain.SortItems(pfnCompare, nCol);
        keyed.SortItems(pfnCompare, nCol, LVSORTKEY{nCol, bDescending});

        ASSERT_EQ(Take(keyed), Take(plain));
    }
}

// --- Column widths ------------------------------------------------------------------------------

TEST(ListCtrlColumnWidth, AutoSizeFitsTheWidestCellTextThroughTheMetrics)
{
    CListCtrl list;
    AddColumns(list, 3);
    AppendRow(list, "ab", 0, "1", "");
    AppendRow(list, Sjis("買い物"), 1, "12345678901", "x");
    AppendRow(list, "", 2, "2", "");

    // Without metrics nothing can be measured and the width stays.
    EXPECT_FALSE(list.SetColumnWidth(0, LVSCW_AUTOSIZE));
    EXPECT_EQ(list.GetColumnWidth(0), 100);

    const CStubMetrics metrics;
    list.SetTextMetrics(&metrics);
    EXPECT_TRUE(list.SetColumnWidth(0, LVSCW_AUTOSIZE));
    EXPECT_TRUE(list.SetColumnWidth(2, LVSCW_AUTOSIZE));
    EXPECT_EQ(list.GetColumnWidth(0), 6 * 7 + 5);
    EXPECT_EQ(list.GetColumnWidth(1), 100);
    EXPECT_EQ(list.GetColumnWidth(2), 1 * 7 + 5);

    EXPECT_TRUE(list.SetColumnWidth(1, 33));
    EXPECT_EQ(list.GetColumnWidth(1), 33);
    EXPECT_FALSE(list.SetColumnWidth(1, -7));
    EXPECT_FALSE(list.SetColumnWidth(3, 50));
    EXPECT_EQ(list.GetColumnWidth(1), 33);
}

// Fitting keeps each cell's measured width, so that fitting again after Add measures only the new
// row; a changed text, another font (a new metrics version) or other metrics are measured anew.
TEST(ListCtrlColumnWidth, AutoSizeMeasuresAgainWhatMayHaveChanged)
{
    class CCountingMetrics : public IListTextMetrics {
    public:
        int nPerByte = 7;
        unsigned nVersion = 0;
        mutable int nMeasured = 0;
        [[nodiscard]] int GetCellTextWidth(std::string_view text) const override
        {
            ++nMeasured;
            return static_cast<int>(text.size()) * nPerByte;
        }
        [[nodiscard]] unsigned GetMetricsVersion() const override { return nVersion; }
    };
    CListCtrl list;
    AddColumns(list, 3);
    AppendRow(list, "abcd", 0);
    AppendRow(list, "ab", 1);
    CCountingMetrics metrics;
    list.SetTextMetrics(&metrics);

    const auto fit = [&list, &metrics] {
        metrics.nMeasured = 0;
        list.SetColumnWidth(0, LVSCW_AUTOSIZE);
        return list.GetColumnWidth(0);
    };
    EXPECT_EQ(fit(), 28);
    EXPECT_EQ(fit(), 28);
    EXPECT_EQ(metrics.nMeasured, 1);  // only the empty text, which stands for the header's least width

    AppendRow(list, "abcdefgh", 2);
    EXPECT_EQ(fit(), 56);
    EXPECT_EQ(metrics.nMeasured, 2);

    list.SetItem(2, 0, LVIF_TEXT, "a", 0, 0, 0, 0);
    EXPECT_EQ(fit(), 28);

    metrics.nPerByte = 10;
    ++metrics.nVersion;
    EXPECT_EQ(fit(), 40);
    EXPECT_EQ(metrics.nMeasured, 4);

    CCountingMetrics other;
    other.nPerByte = 3;
    list.SetTextMetrics(&other);
    list.SetColumnWidth(0, LVSCW_AUTOSIZE);
    EXPECT_EQ(list.GetColumnWidth(0), 12);
}

// --- Announcements ------------------------------------------------------------------------------

TEST(ListCtrlAnnouncements, EachChangeIsAnnouncedAsAViewNeedsIt)
{
    struct Case {
        const char* name;
        std::function<void(CListCtrl&)> prepare;
        std::function<void(CListCtrl&)> act;
        std::vector<std::string> expected;
    };
    const auto none = [](CListCtrl&) {};
    const auto selectRows = [](std::vector<int> rows) {
        return [rows](CListCtrl& list) {
            for (const int i : rows) {
                list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
            }
        };
    };
    const std::vector<Case> cases = {
        {"insert", none, [](CListCtrl& l) { InsertRow(l, 2, "x", 0); }, {"aboutToInsert 2 2", "inserted"}},
        {"insert past the end",
         none,
         [](CListCtrl& l) { InsertRow(l, 99, "x", 0); },
         {"aboutToInsert 4 4", "inserted"}},
        {"text", none, [](CListCtrl& l) { l.SetItem(1, 2, LVIF_TEXT, "x", 0, 0, 0, 0); }, {"text 1 2"}},
        {"key", none, [](CListCtrl& l) { l.SetItem(1, 0, LVIF_PARAM, nullptr, 0, 0, 0, 9); }, {}},
        {"delete", none, [](CListCtrl& l) { l.DeleteItem(1); }, {"aboutToRemove 1 1", "removed"}},
        {"delete focused",
         [](CListCtrl& l) { l.SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED); },
         [](CListCtrl& l) { l.DeleteItem(1); },
         {"aboutToRemove 1 1", "removed", "states 1 1"}},
        {"delete contiguous selection",
         selectRows({1, 2, 3}),
         [](CListCtrl& l) { l.DeleteSelectedItems(); },
         {"aboutToRemove 1 3", "removed"}},
        {"delete scattered selection",
         selectRows({0, 2}),
         [](CListCtrl& l) { l.DeleteSelectedItems(); },
         {"aboutToReset", "reset"}},
        {"delete without selection", none, [](CListCtrl& l) { l.DeleteSelectedItems(); }, {}},
        {"delete all", none, [](CListCtrl& l) { l.DeleteAllItems(); }, {"aboutToRemove 0 3", "removed"}},
        {"delete all of nothing",
         [](CListCtrl& l) { l.DeleteAllItems(); },
         [](CListCtrl& l) { l.DeleteAllItems(); },
         {}},
        {"sort",
         none,
         [](CListCtrl& l) {
             l.SortItems(
                 [](const CListRow& a, const CListRow& b, LPARAM) { return b.GetText(0).compare(a.GetText(0)); }, 0);
         },
         {"aboutToReorder", "reordered 3 2 1 0"}},
        {"state",
         [](CListCtrl& l) { l.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED); },
         [](CListCtrl& l) { l.SetItemState(2, kBoth, kBoth); },
         {"states 0 0", "states 2 2"}},
        {"state of every row", none, [](CListCtrl& l) { l.SetItemState(-1, 0, kBoth); }, {"states 0 3"}},
        {"bulk load",
         none,
         [](CListCtrl& l) {
             l.SetRedraw(FALSE);
             for (int i = 0; i < 3; ++i) {
                 AppendRow(l, "bulk", i, "1", "d");
             }
             l.SetItemState(0, kBoth, kBoth);
             l.DeleteItem(5);
             l.SetRedraw(TRUE);
         },
         {"aboutToReset", "reset"}},
        {"redraw already on", none, [](CListCtrl& l) { l.SetRedraw(TRUE); }, {}},
        {"ensure visible", none, [](CListCtrl& l) { l.EnsureVisible(3, TRUE); }, {"ensureVisible 3"}},
        {"column width", none, [](CListCtrl& l) { l.SetColumnWidth(1, 50); }, {"width 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordingObserver observer;
        CListCtrl list;
        FillRows(list, 4);
        c.prepare(list);
        list.AddObserver(&observer);

        c.act(list);

        EXPECT_EQ(observer.events, c.expected);
        list.RemoveObserver(&observer);
    }
}

TEST(ListCtrlAnnouncements, ColumnsAreAnnouncedAndARemovedObserverHearsNothing)
{
    CRecordingObserver observer;
    CListCtrl list;
    list.AddObserver(&observer);
    list.InsertColumn(0, "a", 0, 10);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"aboutToInsertColumns 0 0", "columnsInserted"}));

    list.RemoveObserver(&observer);
    observer.events.clear();
    AppendRow(list, "x", 0);
    list.DeleteAllItems();
    EXPECT_TRUE(observer.events.empty());
}

} // namespace
