// Sorting by importance text and by title: the order of the rows, their keys, the selection that
// travels with them, and what a sort leaves alone (the task file, the scroll position, the columns).
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/ListObserverStub.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

// Records what a sort must not ask of the view: scrolling and column fitting.
class CScrollRecorder : public CListObserverStub {
public:
    int nEnsureVisible = 0;
    int nWidthChanges = 0;
    int nReorders = 0;

    void OnRowsReordered(std::span<const int>) override { ++nReorders; }
    void OnColumnWidthChanged(int) override { ++nWidthChanges; }
    void OnEnsureVisible(int) override { ++nEnsureVisible; }
};

struct SortTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;

    // One task per title, the importance and details given alongside. A trailing blank line makes
    // the file differ from anything a save writes.
    void WriteTasks(const std::vector<std::array<std::string, 3>>& rows)
    {
        std::string bytes;
        for (const auto& row : rows) {
            bytes += row[0] + "\t" + row[1] + "\t" + row[2] + "\r\n";
        }
        m_strWritten = bytes + "\r\n";
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteFileBytes(dir.File("ruvelo.csv"), m_strWritten);
    }
    void WriteTitles(const Rows& titles)
    {
        std::vector<std::array<std::string, 3>> rows;
        for (const std::string& title : titles) {
            rows.push_back({title, "1", ""});
        }
        WriteTasks(rows);
    }
    [[nodiscard]] bool TaskFileUnchanged() const { return ReadFileBytes(dir.File("ruvelo.csv")) == m_strWritten; }

    static Rows Column(CStartedMainWindow& main, int nCol)
    {
        Rows texts;
        for (int i = 0; i < main.List().GetItemCount(); ++i) {
            texts.emplace_back(main.List().GetItemText(i, nCol));
        }
        return texts;
    }
    static std::vector<LPARAM> Keys(CStartedMainWindow& main)
    {
        std::vector<LPARAM> keys;
        for (int i = 0; i < main.List().GetItemCount(); ++i) {
            keys.push_back(main.List().GetItemData(i));
        }
        return keys;
    }

private:
    std::string m_strWritten;
};

// The texts are compared as bytes, not as numbers.
TEST_F(SortTest, ImportanceSortOrdersTheTextsDescendingByBytes)
{
    const Rows importances = {"0", "1", "10", "100", "25", "5", "9", "-3", "-10"};
    std::vector<std::array<std::string, 3>> rows;
    for (const std::string& importance : importances) {
        rows.push_back({"task " + importance, importance, ""});
    }
    WriteTasks(rows);
    CStartedMainWindow main(env);

    main.Command(ID_SORT_IMPORTANCE);

    EXPECT_EQ(Column(main, 1), (Rows{"9", "5", "25", "100", "10", "1", "0", "-3", "-10"}));
    EXPECT_EQ(Column(main, 0)[0], "task 9"); // the rows move whole
    EXPECT_EQ(Keys(main), (std::vector<LPARAM>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

// Unsigned bytes: empty first, digits, capitals, small letters, then the lead bytes 0x81-0x9F,
// half-width katakana (0xA1-0xDF) and the lead bytes from 0xE0 on.
TEST_F(SortTest, TitleSortOrdersByUnsignedBytes)
{
    const Rows sorted = {"",  "0",        "9",        "B",        "Z",       "a",       "b",
                         "~", Sjis("あ"), Sjis("ア"), Sjis("腕"), Sjis("ｱ"), Sjis("ﾝ"), Sjis("漾")};
    WriteTitles(
        {Sjis("漾"), "b", Sjis("ｱ"), "Z", "", Sjis("腕"), "9", Sjis("ア"), "a", "~", Sjis("ﾝ"), "0", "B", Sjis("あ")});
    CStartedMainWindow main(env);
    ASSERT_EQ(main.List().GetItemCount(), static_cast<int>(sorted.size()));

    main.Command(ID_SORT_TITLE);

    EXPECT_EQ(main.Titles(), sorted);
}

// Long titles that first differ at byte k, inside and across eight-byte words: the earlier byte
// decides even when the next one says otherwise, and 0x7F stands above 0x80.
TEST_F(SortTest, LongTitlesAreOrderedByTheirFirstDifferingByte)
{
    const std::string base = "abcdefghijklmnopqrstuvwxyz";
    const auto differingAt = [&](std::size_t k, std::string_view bytes) {
        return base.substr(0, k) + std::string(bytes) + base.substr(k + 2);
    };
    Rows file;
    Rows sorted;
    // A title differing at an earlier position has 0x7F or 0x80 where the others still have a
    // letter, so it sorts below them: the later the position, the higher the pair.
    for (const std::size_t k : {17u, 16u, 15u, 9u, 8u, 7u, 6u, 3u, 0u}) {
        const std::string low = differingAt(k, "\x7F\xFF");
        const std::string high = differingAt(k, "\x80\x01");
        file.insert(file.begin(), {high, low});
        sorted.insert(sorted.end(), {low, high});
    }
    file.push_back(base);
    file.push_back(base.substr(0, 20)); // a long prefix
    sorted.insert(sorted.begin(), {base.substr(0, 20), base});
    WriteTitles(file);
    CStartedMainWindow main(env);

    main.Command(ID_SORT_TITLE);

    EXPECT_EQ(main.Titles(), sorted);
}

TEST_F(SortTest, TitleThatBeginsAnotherStandsAboveIt)
{
    WriteTitles({"abcd", "ab", Sjis("あい"), "abc", "a", Sjis("あ"), "\x82"});
    CStartedMainWindow main(env);

    main.Command(ID_SORT_TITLE);

    EXPECT_EQ(main.Titles(), (Rows{"a", "ab", "abc", "abcd", "\x82", Sjis("あ"), Sjis("あい")}));
}

TEST_F(SortTest, RowsThatCompareEqualKeepTheirEarlierOrder)
{
    WriteTasks({{"p", "5", "first"}, {"q", "7", ""}, {"p", "5", "second"}, {"r", "5", ""}, {"p", "5", "third"}});
    CStartedMainWindow main(env);

    main.Command(ID_SORT_TITLE);
    EXPECT_EQ(Column(main, 2), (Rows{"first", "second", "third", "", ""}));

    main.Command(ID_SORT_IMPORTANCE);
    EXPECT_EQ(Column(main, 0), (Rows{"q", "p", "p", "p", "r"}));
    EXPECT_EQ(Column(main, 2), (Rows{"", "first", "second", "third", ""}));
}

// Enough equal rows that an unstable sort would reorder them.
TEST_F(SortTest, ManyEqualRowsKeepTheirEarlierOrder)
{
    std::vector<std::array<std::string, 3>> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back({i % 3 == 0 ? "b" : "a", std::to_string(i % 2), std::to_string(100 + i)});
    }
    WriteTasks(rows);
    CStartedMainWindow main(env);

    main.Command(ID_SORT_TITLE);
    Rows details = Column(main, 2);
    EXPECT_TRUE(std::is_sorted(details.begin(), details.begin() + 40)) << "the a rows";
    EXPECT_TRUE(std::is_sorted(details.begin() + 40, details.end())) << "the b rows";

    main.Command(ID_SORT_IMPORTANCE);
    details = Column(main, 2);
    const Rows titles = main.Titles();
    for (std::size_t i = 1; i < details.size(); ++i) {
        // Among equal importance, the title order of the first sort stays, and within a title the file order.
        if (main.List().GetItemText(static_cast<int>(i), 1) == main.List().GetItemText(static_cast<int>(i - 1), 1)) {
            EXPECT_LE(std::make_pair(titles[i - 1], details[i - 1]), std::make_pair(titles[i], details[i])) << i;
        }
    }
}

// A delete then an add leave two rows with one key; each comparison still reads its own rows.
TEST_F(SortTest, SortAfterDeleteAndAddUsesTheRowsOwnTextsAndRenumbersTheKeys)
{
    WriteTitles({"e", "d", "c", "b", "a"});
    CStartedMainWindow main(env);
    main.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    main.Command(ID_TASK_DELETE);
    CFakeWindowSystem::DialogAnswer answer;
    answer.title = "c2";
    env.ws.dialogAnswers.push_back(answer);
    main.Command(ID_TASK_ADD);
    ASSERT_EQ(Keys(main), (std::vector<LPARAM>{1, 2, 3, 4, 4}));

    main.Command(ID_SORT_TITLE);

    EXPECT_EQ(main.Titles(), (Rows{"a", "b", "c", "c2", "d"}));
    EXPECT_EQ(Keys(main), (std::vector<LPARAM>{0, 1, 2, 3, 4}));
}

TEST_F(SortTest, SelectionTravelsWithItsRowsAndNothingIsScrolledFittedOrSaved)
{
    WriteTasks({{"c", "1", "a long details text"}, {"a", "3", ""}, {"d", "2", ""}, {"b", "4", ""}});
    CScrollRecorder recorder;
    CStartedMainWindow main(env);
    main.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    main.List().SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    main.List().SetColumnWidth(0, 5); // a fitting would change these
    main.List().SetColumnWidth(2, 5);
    main.List().AddObserver(&recorder);

    main.Command(ID_SORT_TITLE);

    EXPECT_EQ(main.Titles(), (Rows{"a", "b", "c", "d"}));
    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{1, 2})); // "b" and "c"
    main.Command(ID_SORT_IMPORTANCE);
    EXPECT_EQ(main.Titles(), (Rows{"b", "a", "d", "c"}));
    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 3}));

    EXPECT_EQ(recorder.nReorders, 2);
    EXPECT_EQ(recorder.nEnsureVisible, 0);
    EXPECT_EQ(recorder.nWidthChanges, 0);
    EXPECT_EQ(main.List().GetColumnWidth(0), 5);
    EXPECT_TRUE(TaskFileUnchanged());
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_TRUE(env.ws.dialogsShown.empty());
}

TEST_F(SortTest, EmptyListSortsToNothing)
{
    WriteTitles({});
    CScrollRecorder recorder;
    CStartedMainWindow main(env);
    main.List().AddObserver(&recorder);

    main.Command(ID_SORT_TITLE);
    main.Command(ID_SORT_IMPORTANCE);

    EXPECT_EQ(main.List().GetItemCount(), 0);
    EXPECT_EQ(recorder.nEnsureVisible + recorder.nWidthChanges, 0);
    EXPECT_TRUE(TaskFileUnchanged());
}

TEST_F(SortTest, OneRowGetsKeyZero)
{
    // Deleting the top row leaves one row whose key is 1.
    WriteTitles({"gone", "only"});
    CStartedMainWindow main(env);
    main.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    main.Command(ID_TASK_DELETE);
    ASSERT_EQ(Keys(main), std::vector<LPARAM>{1});

    main.Command(ID_SORT_IMPORTANCE);

    EXPECT_EQ(main.Titles(), Rows{"only"});
    EXPECT_EQ(Keys(main), std::vector<LPARAM>{0});
}

// The order reaches the file only through a later command that saves.
TEST_F(SortTest, SortedOrderIsWrittenByTheNextSavingCommand)
{
    WriteTitles({"b", "c", "a"});
    CStartedMainWindow main(env);
    main.Command(ID_SORT_TITLE);
    ASSERT_TRUE(TaskFileUnchanged());

    main.Command(ID_TASK_DELETE); // nothing selected: removes nothing, writes the file

    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "a\t1\t\r\nb\t1\t\r\nc\t1\t\r\n");
}

} // namespace
