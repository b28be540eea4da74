// Add, Edit, Delete and Delete all against the scripted window system: the rows, selection and
// focus afterwards, the dialogs and boxes shown, and the bytes of the task file.
#include "framework/Cp932.h"
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/SaveCounter.h"
#include "support/ListObserverStub.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <span>
#include <vector>

namespace {

using Answer = CFakeWindowSystem::DialogAnswer;
using Rows = std::vector<std::string>;

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

// Five tasks. The blank line at the end is skipped when read and never written, so any save
// changes the bytes: a file equal to this was not written.
const std::string kFiveTasks = "t0\t0\td0\r\nt1\t1\td1\r\nt2\t2\td2\r\nt3\t3\td3\r\nt4\t4\td4\r\n\r\n";
const std::string kNoTasks = "\r\n";

// What the user does in the entry dialog: the texts typed into its boxes (unset: left as they
// opened), then OK or Cancel.
std::string Record(std::string_view title, std::string_view importance, std::string_view details)
{
    return std::string(title) + "\t" + std::string(importance) + "\t" + std::string(details) + "\r\n";
}

// The task file as a save writes the five tasks, keeping only the rows named.
std::string FiveTasksWritten(std::initializer_list<int> rows)
{
    std::string bytes;
    for (const int i : rows) {
        const std::string n = std::to_string(i);
        bytes += Record("t" + n, n, "d" + n);
    }
    return bytes;
}

// Records which rows the table asked the view to scroll to, and column width changes.
class CScrollRecorder : public CListObserverStub {
public:
    std::vector<int> ensured;
    int nWidthChanges = 0;

    void OnColumnWidthChanged(int) override { ++nWidthChanges; }
    void OnEnsureVisible(int nItem) override { ensured.push_back(nItem); }
};

template <class Case> std::string CaseName(const ::testing::TestParamInfo<Case>& param)
{
    return param.param.name;
}

struct EditCommandsTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;

    void WriteTasks(std::string_view bytes)
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteFileBytes(TaskFile(), bytes);
    }
    [[nodiscard]] std::string TaskFile() const { return dir.File("ruvelo.csv"); }
    [[nodiscard]] std::optional<std::string> TaskFileBytes() const { return ReadFileBytes(TaskFile()); }

    static void Select(CStartedMainWindow& main, std::initializer_list<int> rows, int nFocus = -1)
    {
        for (const int i : rows) {
            main.List().SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (nFocus != -1) {
            main.List().SetItemState(nFocus, LVIS_FOCUSED, LVIS_FOCUSED);
        }
    }
};

// ---------------------------------------------------------------------------------------------
// Add

TEST_F(EditCommandsTest, AddCancelledKeepsRowsAndSelectionButStillRewritesTheFile)
{
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    Select(main, {1, 3}, 3);
    env.ws.dialogAnswers.push_back(Typed(IDCANCEL, CString("typed"), CString("9"), CString("typed")));

    main.Command(ID_TASK_ADD);

    ASSERT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_EQ(env.ws.dialogsShown[0].nTemplate, static_cast<UINT>(IDD_TASK_ENTRY));
    EXPECT_EQ(env.ws.dialogsShown[0].strTitle, "");
    EXPECT_EQ(env.ws.dialogsShown[0].strImportance, "5");
    EXPECT_EQ(env.ws.dialogsShown[0].strDetails, "");
    EXPECT_EQ(main.Titles(), (Rows{"t0", "t1", "t2", "t3", "t4"}));
    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(main.FocusedRow(), 3);
    EXPECT_EQ(TaskFileBytes(), FiveTasksWritten({0, 1, 2, 3, 4}));
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(EditCommandsTest, AddIntoEmptyListMakesRowZeroSelectedFocusedAndFitsTheColumns)
{
    WriteTasks(kNoTasks);
    CScrollRecorder recorder;
    CStartedMainWindow main(env);
    main.List().AddObserver(&recorder);
    // Blanks are kept exactly as typed.
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString(" first task "), CString("3"), CString("d")));

    main.Command(ID_TASK_ADD);

    ASSERT_EQ(main.List().GetItemCount(), 1);
    EXPECT_EQ(main.List().GetItemText(0, 0), " first task ");
    EXPECT_EQ(main.List().GetItemText(0, 1), "3");
    EXPECT_EQ(main.List().GetItemText(0, 2), "d");
    EXPECT_EQ(main.List().GetItemData(0), 0);
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(main.FocusedRow(), 0);
    EXPECT_EQ(recorder.ensured, std::vector<int>{0});
    EXPECT_EQ(main.List().GetColumnWidth(0), env.ws.CellWidth(" first task "));
    EXPECT_EQ(main.List().GetColumnWidth(1), 60);
    EXPECT_EQ(main.List().GetColumnWidth(2), env.ws.CellWidth("d"));
    EXPECT_EQ(TaskFileBytes(), Record(" first task ", "3", "d"));
}

TEST_F(EditCommandsTest, AddWhileOtherRowsAreSelectedLeavesOnlyTheNewLastRowSelectedAndFocused)
{
    WriteTasks("a\t1\t\r\nb\t1\t\r\nc\t1\t\r\nd\t1\t\r\ne\t1\t\r\nf\t1\t\r\n");
    CStartedMainWindow main(env);
    Select(main, {2, 5}, 5);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("g"), CString("2"), CString("")));

    main.Command(ID_TASK_ADD);

    EXPECT_EQ(main.Titles(), (Rows{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{6});
    EXPECT_EQ(main.FocusedRow(), 6);
    EXPECT_EQ(main.List().GetItemData(6), 6);
}

struct ImportanceCase {
    const char* typed;
    const char* stored;
};

class AddImportanceTest : public EditCommandsTest, public ::testing::WithParamInterface<ImportanceCase> {};

// The row holds the number as "%d" writes it, not what was typed.
TEST_P(AddImportanceTest, RowAndFileHoldTheNumberRead)
{
    WriteTasks(kNoTasks);
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("t"), CString(GetParam().typed), CString("")));

    main.Command(ID_TASK_ADD);

    ASSERT_EQ(main.List().GetItemCount(), 1);
    EXPECT_EQ(main.List().GetItemText(0, 1), GetParam().stored);
    EXPECT_EQ(TaskFileBytes(), Record("t", GetParam().stored, ""));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AddImportanceTest,
    ::testing::Values(ImportanceCase{"007", "7"}, ImportanceCase{"3x", "3"}, ImportanceCase{"12abc", "12"},
                      ImportanceCase{"+4", "4"}, ImportanceCase{"  7", "7"}, ImportanceCase{"25", "25"},
                      ImportanceCase{"-3", "-3"}, ImportanceCase{"", "0"}, ImportanceCase{"abc", "0"},
                      ImportanceCase{"-", "0"}, ImportanceCase{"+-3", "0"}, ImportanceCase{"99999999999", "2147483647"},
                      ImportanceCase{"-99999999999", "-2147483648"}, ImportanceCase{"2147483648", "2147483647"}));

// ---------------------------------------------------------------------------------------------
// Edit

TEST_F(EditCommandsTest, EditWithNothingSelectedShowsNoDialogAndRewritesTheFile)
{
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    main.List().SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED); // focused but not selected

    main.Command(ID_TASK_EDIT);

    EXPECT_TRUE(env.ws.dialogsShown.empty());
    EXPECT_EQ(main.Titles(), (Rows{"t0", "t1", "t2", "t3", "t4"}));
    EXPECT_EQ(main.FocusedRow(), 2);
    EXPECT_EQ(TaskFileBytes(), FiveTasksWritten({0, 1, 2, 3, 4}));
}

TEST_F(EditCommandsTest, EditShowsTheFirstSelectedRowAndReplacesOnlyThatRowAtTheEnd)
{
    WriteTasks(kFiveTasks);
    CScrollRecorder recorder;
    CStartedMainWindow main(env);
    main.List().AddObserver(&recorder);
    Select(main, {1, 3}, 3);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("new"), CString("8"), CString("nd")));
    const CSaveCounter saves;

    main.Command(ID_TASK_EDIT);

    ASSERT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_EQ(env.ws.dialogsShown[0].strTitle, "t1");
    EXPECT_EQ(env.ws.dialogsShown[0].strImportance, "1");
    EXPECT_EQ(env.ws.dialogsShown[0].strDetails, "d1");
    EXPECT_EQ(main.Titles(), (Rows{"t0", "t2", "t3", "t4", "new"}));
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{4});
    EXPECT_EQ(main.FocusedRow(), 4);
    EXPECT_EQ(recorder.ensured, std::vector<int>{4});
    EXPECT_EQ(TaskFileBytes(), FiveTasksWritten({0, 2, 3, 4}) + Record("new", "8", "nd"));
    EXPECT_EQ(saves.Count("ruvelo.csv"), 1);
}

// A Find that matched several rows, then Edit: the other matches survive the edit.
TEST_F(EditCommandsTest, EditAfterAFindWithSeveralMatchesKeepsTheOtherMatches)
{
    WriteTasks("x0\t0\t\r\na1\t1\t\r\nx2\t2\t\r\na3\t3\t\r\nx4\t4\t\r\n");
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("x")));
    main.Command(ID_TASK_FIND);
    ASSERT_EQ(main.SelectedRows(), (std::vector<int>{0, 2, 4}));

    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("y0")));
    main.Command(ID_TASK_EDIT);

    ASSERT_EQ(env.ws.dialogsShown.size(), 2u);
    EXPECT_EQ(env.ws.dialogsShown[1].strTitle, "x0");
    EXPECT_EQ(main.Titles(), (Rows{"a1", "x2", "a3", "x4", "y0"}));
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{4});
    EXPECT_EQ(main.FocusedRow(), 4);
    EXPECT_EQ(TaskFileBytes(), Record("a1", "1", "") + Record("x2", "2", "") + Record("a3", "3", "") +
                                   Record("x4", "4", "") + Record("y0", "0", ""));
}

// The texts go to the dialog and back unchanged, even a title whose cut left a lone lead byte.
TEST_F(EditCommandsTest, EditConfirmedWithoutChangeMovesTheRowToTheEndWithItsBytes)
{
    const std::string strTitle = std::string(254, 'a') + "\x82"; // 254 bytes and the lead byte of あ
    const std::string strDetails = Sjis("詳細") + "\x83";
    WriteTasks(std::string(254, 'a') + "\x82\xA0\t007\t" + strDetails + "\r\nb\t1\t\r\n");
    CStartedMainWindow main(env);
    ASSERT_EQ(main.List().GetItemText(0, 0), strTitle);
    Select(main, {0}, 0);
    env.ws.dialogAnswers.push_back(Typed(IDOK));

    main.Command(ID_TASK_EDIT);

    ASSERT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_EQ(env.ws.dialogsShown[0].strTitle, strTitle);
    EXPECT_EQ(env.ws.dialogsShown[0].strImportance, "7");
    EXPECT_EQ(main.Titles(), (Rows{"b", strTitle}));
    EXPECT_EQ(main.List().GetItemText(1, 2), strDetails);
    EXPECT_EQ(TaskFileBytes(), Record("b", "1", "") + Record(strTitle, "7", strDetails));
}

TEST_F(EditCommandsTest, EditCancelledKeepsRowsAndSelectionAndRewritesTheFile)
{
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    Select(main, {2, 4}, 4);
    env.ws.dialogAnswers.push_back(Typed(IDCANCEL, CString("changed"), CString("1"), CString("x")));

    main.Command(ID_TASK_EDIT);

    ASSERT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_EQ(env.ws.dialogsShown[0].strTitle, "t2");
    EXPECT_EQ(main.Titles(), (Rows{"t0", "t1", "t2", "t3", "t4"}));
    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{2, 4}));
    EXPECT_EQ(main.FocusedRow(), 4);
    EXPECT_EQ(TaskFileBytes(), FiveTasksWritten({0, 1, 2, 3, 4}));
}

// The save fails after the list has changed: the change stays, the file does not.
TEST_F(EditCommandsTest, EditWhoseSaveFailsReportsOnceAndKeepsTheChangedList)
{
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    ASSERT_EQ(::chmod(TaskFile().c_str(), 0444), 0);
    Select(main, {1}, 1);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString("new"), CString("8"), CString("")));

    main.Command(ID_TASK_EDIT);

    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, TaskFile() + Sjis(" へのｱｸｾｽは拒否されました。"));
    EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
    EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
    EXPECT_EQ(main.Titles(), (Rows{"t0", "t2", "t3", "t4", "new"}));
    EXPECT_TRUE(main.SelectedRows().empty());
    EXPECT_EQ(TaskFileBytes(), kFiveTasks);
    EXPECT_EQ(ListDirectory(dir.Path()), (Rows{"ruvelo.csv", "ruvelo.ini"}));
}

// ---------------------------------------------------------------------------------------------
// Delete

struct DeleteCase {
    const char* name;
    std::vector<int> selected;
    int nFocus;
    int nMark;
    std::vector<int> kept; // the loaded rows that remain, top to bottom; their keys stay
    int nFocusAfter;
    int nMarkAfter;
};

class DeleteTest : public EditCommandsTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, RemovesTheSelectedRowsAndRewritesTheFile)
{
    const DeleteCase& c = GetParam();
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    for (const int i : c.selected) {
        main.List().SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (c.nFocus != -1) {
        main.List().SetItemState(c.nFocus, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    main.List().SetSelectionMark(c.nMark);

    main.Command(ID_TASK_DELETE);

    Rows expectedTitles;
    std::string strExpectedFile;
    for (const int i : c.kept) {
        expectedTitles.push_back("t" + std::to_string(i));
        strExpectedFile += FiveTasksWritten({i});
    }
    EXPECT_EQ(main.Titles(), expectedTitles);
    for (std::size_t n = 0; n < c.kept.size(); ++n) {
        EXPECT_EQ(main.List().GetItemData(static_cast<int>(n)), c.kept[n]) << "key of row " << n;
    }
    EXPECT_TRUE(main.SelectedRows().empty());
    EXPECT_EQ(main.FocusedRow(), c.nFocusAfter);
    EXPECT_EQ(main.List().GetSelectionMark(), c.nMarkAfter);
    EXPECT_EQ(TaskFileBytes(), strExpectedFile);
    EXPECT_TRUE(env.ws.dialogsShown.empty());
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Selections, DeleteTest,
    ::testing::Values(DeleteCase{"NoneSelected", {}, -1, -1, {0, 1, 2, 3, 4}, -1, -1},
                      DeleteCase{"AllSelected", {0, 1, 2, 3, 4}, 2, 2, {}, -1, -1},
                      DeleteCase{"FocusedRowGoesToTheRowTakingItsPlace", {1, 3}, 3, 3, {0, 2, 4}, 2, -1},
                      DeleteCase{"FocusedLastRowGoesToTheNewLastRow", {3, 4}, 4, 4, {0, 1, 2}, 2, -1},
                      DeleteCase{"UnselectedFocusAndMarkMoveUpWithTheirRow", {1}, 3, 4, {0, 2, 3, 4}, 2, 3}),
    CaseName<DeleteCase>);

// ---------------------------------------------------------------------------------------------
// Delete all

struct DeleteAllCase {
    const char* name;
    int nAnswer;
    bool bDeletes;
};

class DeleteAllTest : public EditCommandsTest, public ::testing::WithParamInterface<DeleteAllCase> {};

TEST_P(DeleteAllTest, AsksFirstAndOnlyYesEmptiesListAndFile)
{
    WriteTasks(kFiveTasks);
    CStartedMainWindow main(env);
    Select(main, {1}, 1);
    env.ws.messageBoxAnswers.push_back(GetParam().nAnswer);

    main.Command(ID_TASK_DELETE_ALL);

    ASSERT_GE(env.ws.messageBoxes.size(), 1u);
    const auto& question = env.ws.messageBoxes[0];
    EXPECT_EQ(question.strText, Sjis("すべてのお仕事を削除していいですか？"));
    EXPECT_EQ(question.strCaption, Sjis("全削除の確認"));
    EXPECT_EQ(question.nType, 0x144u);
    EXPECT_EQ(question.hOwner, main.dlg.m_hWnd);
    if (GetParam().bDeletes) {
        ASSERT_EQ(env.ws.messageBoxes.size(), 2u);
        EXPECT_EQ(env.ws.messageBoxes[1].strText, Sjis("すべてのお仕事を消してしまいました。"));
        EXPECT_EQ(env.ws.messageBoxes[1].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[1].nType, MB_OK);
        EXPECT_EQ(env.ws.messageBoxes[1].hOwner, main.dlg.m_hWnd);
        EXPECT_EQ(main.List().GetItemCount(), 0);
        EXPECT_EQ(TaskFileBytes(), "");
    } else {
        EXPECT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(main.Titles(), (Rows{"t0", "t1", "t2", "t3", "t4"}));
        EXPECT_EQ(main.SelectedRows(), std::vector<int>{1});
        EXPECT_EQ(TaskFileBytes(), kFiveTasks);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, DeleteAllTest,
                         ::testing::Values(DeleteAllCase{"Yes", IDYES, true}, DeleteAllCase{"No", IDNO, false},
                                           DeleteAllCase{"Cancel", IDCANCEL, false}, DeleteAllCase{"Ok", IDOK, false}),
                         CaseName<DeleteAllCase>);

TEST_F(EditCommandsTest, DeleteAllOnAnEmptyListStillAsksReportsAndWritesAnEmptyFile)
{
    WriteTasks(kNoTasks);
    CStartedMainWindow main(env);
    env.ws.messageBoxAnswers.push_back(IDYES);

    main.Command(ID_TASK_DELETE_ALL);

    ASSERT_EQ(env.ws.messageBoxes.size(), 2u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, 0x144u);
    EXPECT_EQ(env.ws.messageBoxes[1].strText, Sjis("すべてのお仕事を消してしまいました。"));
    EXPECT_EQ(TaskFileBytes(), "");
}

} // namespace
