// AppendTask and AutoSizeColumns, the two list operations of the main window itself.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

class CStubMetrics : public IListTextMetrics {
public:
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override
    {
        return static_cast<int>(text.size()) * 3 + 2;
    }
};

// The main window object with its columns, as start-up leaves it, but without a window.
struct AppendTaskTest : ::testing::Test {
    AppendTaskTest()
    {
        dlg.InsertColumns();
        dlg.m_list.SetTextMetrics(&metrics);
    }
    ~AppendTaskTest() override { dlg.m_list.SetTextMetrics(nullptr); }

    std::vector<LPARAM> Keys() const
    {
        std::vector<LPARAM> keys;
        for (int i = 0; i < dlg.m_list.GetItemCount(); ++i) {
            keys.push_back(dlg.m_list.GetItemData(i));
        }
        return keys;
    }

    CTestApp env;
    CStubMetrics metrics;
    CTaskListDlg dlg;
};

TEST_F(AppendTaskTest, TextsAreCutByByteCountAt255And1023)
{
    const std::string strKai = Sjis("買"); // 94 83
    struct Case {
        const char* name;
        std::string title, details, expectedTitle, expectedDetails;
    };
    const Case cases[] = {
        {"empty", "", "", "", ""},
        {"short", "a", "b", "a", "b"},
        {"at the limits", std::string(255, 't'), std::string(1023, 'd'), std::string(255, 't'), std::string(1023, 'd')},
        {"one past", std::string(256, 't'), std::string(1024, 'd'), std::string(255, 't'), std::string(1023, 'd')},
        {"far past", std::string(3000, 't'), std::string(5000, 'd'), std::string(255, 't'), std::string(1023, 'd')},
        {"double-byte end at the limits", std::string(253, 't') + strKai, std::string(1021, 'd') + strKai,
         std::string(253, 't') + strKai, std::string(1021, 'd') + strKai},
        // A character straddling the limit keeps its lead byte alone.
        {"double-byte straddling", std::string(254, 't') + Sjis("買い物"), std::string(1022, 'd') + Sjis("買い物"),
         std::string(254, 't') + "\x94", std::string(1022, 'd') + "\x94"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dlg.m_list.DeleteAllItems();

        dlg.AppendTask(c.title.c_str(), 1, c.details.c_str());

        ASSERT_EQ(dlg.m_list.GetItemCount(), 1);
        EXPECT_EQ(dlg.m_list.GetItemText(0, 0), c.expectedTitle);
        EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "1");
        EXPECT_EQ(dlg.m_list.GetItemText(0, 2), c.expectedDetails);
    }
}

TEST_F(AppendTaskTest, ImportanceIsStoredAsItsDecimalText)
{
    const std::pair<int, const char*> cases[] = {{INT_MIN, "-2147483648"}, {-1, "-1"}, {0, "0"}, {7, "7"}, {10, "10"},
                                                 {INT_MAX, "2147483647"}};
    for (const auto& [nImportance, pszText] : cases) {
        dlg.AppendTask("t", nImportance, "");
        EXPECT_EQ(dlg.m_list.GetItemText(dlg.m_list.GetItemCount() - 1, 1), pszText);
    }
}

TEST_F(AppendTaskTest, KeyIsTheRowCountEvenWhereAnotherRowHoldsIt)
{
    for (int i = 0; i < 3; ++i) {
        dlg.AppendTask("t", i, "");
        EXPECT_EQ(dlg.m_nNewRow, i);
    }
    EXPECT_EQ(Keys(), (std::vector<LPARAM>{0, 1, 2}));

    dlg.m_list.DeleteItem(0);
    dlg.AppendTask("new", 0, "");

    EXPECT_EQ(Keys(), (std::vector<LPARAM>{1, 2, 2}));
    EXPECT_EQ(dlg.m_list.GetItemText(2, 0), "new");
    EXPECT_EQ(dlg.m_nNewRow, 2);
}

TEST_F(AppendTaskTest, ExistingStatesStayAndTheNewRowHasNone)
{
    for (int i = 0; i < 3; ++i) {
        dlg.AppendTask("t", i, "");
    }
    dlg.m_list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dlg.m_list.SetItemState(2, kBoth, kBoth);

    dlg.AppendTask("new", 5, "");

    EXPECT_EQ(dlg.m_list.GetItemState(0, kBoth), LVIS_SELECTED);
    EXPECT_EQ(dlg.m_list.GetItemState(1, kBoth), 0u);
    EXPECT_EQ(dlg.m_list.GetItemState(2, kBoth), kBoth);
    EXPECT_EQ(dlg.m_list.GetItemState(3, kBoth), 0u);
    EXPECT_EQ(dlg.m_list.GetSelectedCount(), 2u);
}

// What a view sees of one append: the new row and its two texts; no state, no scrolling, no fitting.
TEST_F(AppendTaskTest, AnAppendChangesOnlyTheNewRow)
{
    struct CObserver : IListCtrlObserver {
        std::vector<std::string> events;
        void OnRowsAboutToBeInserted(int nFirst, int) override { events.push_back("insert " + std::to_string(nFirst)); }
        void OnRowsInserted() override {}
        void OnRowsAboutToBeRemoved(int, int) override { events.emplace_back("remove"); }
        void OnRowsRemoved() override {}
        void OnRowsAboutToBeReset() override { events.emplace_back("reset"); }
        void OnRowsReset() override {}
        void OnRowsAboutToBeReordered() override { events.emplace_back("reorder"); }
        void OnRowsReordered(std::span<const int>) override {}
        void OnTextChanged(int nItem, int nSubItem) override
        {
            events.push_back("text " + std::to_string(nItem) + " " + std::to_string(nSubItem));
        }
        void OnStatesChanged(int, int) override { events.emplace_back("states"); }
        void OnColumnsAboutToBeInserted(int, int) override { events.emplace_back("columns"); }
        void OnColumnsInserted() override {}
        void OnColumnWidthChanged(int) override { events.emplace_back("width"); }
        void OnEnsureVisible(int) override { events.emplace_back("ensureVisible"); }
    } observer;
    dlg.AppendTask("a", 1, "x");
    dlg.m_list.AddObserver(&observer);

    dlg.AppendTask("b", 2, "y");

    EXPECT_EQ(observer.events, (std::vector<std::string>{"insert 1", "text 1 1", "text 1 2"}));
    dlg.m_list.RemoveObserver(&observer);
}

TEST(AppendTaskWithoutColumns, OnlyTheTitleIsKept)
{
    CTestApp env;
    CTaskListDlg dlg;

    dlg.AppendTask(Sjis("買い物").c_str(), 3, Sjis("牛乳").c_str());

    ASSERT_EQ(dlg.m_list.GetItemCount(), 1);
    EXPECT_EQ(dlg.m_list.GetItemText(0, 0), Sjis("買い物"));
    EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "");
    EXPECT_EQ(dlg.m_list.GetItemText(0, 2), "");
    EXPECT_EQ(dlg.m_list.GetItemData(0), 0);
}

TEST_F(AppendTaskTest, AutoSizeColumnsFitsTitleAndDetailsOnlyAndLeavesAnEmptyListAlone)
{
    dlg.AutoSizeColumns();
    EXPECT_EQ(dlg.m_list.GetColumnWidth(0), 400);
    EXPECT_EQ(dlg.m_list.GetColumnWidth(1), 60);
    EXPECT_EQ(dlg.m_list.GetColumnWidth(2), 1000);

    dlg.AppendTask("abcd", 1234567, "");
    dlg.AppendTask("ab", 1, "abcdefgh");
    // Appending does not fit the columns; only the explicit call does.
    EXPECT_EQ(dlg.m_list.GetColumnWidth(0), 400);

    dlg.AutoSizeColumns();
    EXPECT_EQ(dlg.m_list.GetColumnWidth(0), 4 * 3 + 2);
    EXPECT_EQ(dlg.m_list.GetColumnWidth(1), 60);
    EXPECT_EQ(dlg.m_list.GetColumnWidth(2), 8 * 3 + 2);
}

} // namespace
