// Undo and redo through the main window: after each command, its undo and its redo, the rows with
// their keys, the selection and focus, and the bytes of the task file.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Answer = CFakeWindowSystem::DialogAnswer;

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;
constexpr UINT kCtrl = MK_KEYSTATE_CONTROL;

// Four tasks, with Japanese texts and importance texts that sort apart from their numbers.
const std::string kTasks = Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n表\t-4\tソ\\\r\nalpha\t9\tdetails\r\n");

// Everything that undo and redo promise about the list and the file.
struct State {
    std::vector<std::string> rows;  // "title|importance|details|key"
    std::vector<int> selected;
    int nFocused = -1;
    std::optional<std::string> file;
    friend bool operator==(const State&, const State&) = default;
};

std::ostream& operator<<(std::ostream& os, const State& state)
{
    os << "rows:";
    for (const std::string& row : state.rows) {
        os << " [" << row << "]";
    }
    os << " selected:";
    for (const int i : state.selected) {
        os << " " << i;
    }
    return os << " focused: " << state.nFocused << " file: " << state.file.value_or("<none>").size() << " bytes";
}

struct UndoCase {
    const char* name;
    // Selection before the command, and the command with its scripted answers.
    std::function<void(CStartedMainWindow&)> prepare;
    std::function<void(CStartedMainWindow&)> command;
    bool bSaves;
    // What undo selects: the selection before the command, or the rows it brings back.
    enum class Selection { AsBefore, RestoredRows } undoSelection;
};

void Select(CStartedMainWindow& main, std::initializer_list<int> rows, int nFocused)
{
    CListCtrl& list = main.List();
    list.SetItemState(-1, 0, kBoth);
    for (const int i : rows) {
        list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (nFocused != -1) {
        list.SetItemState(nFocused, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

class UndoRedoTest : public ::testing::TestWithParam<UndoCase> {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.csv"), kTasks);
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
    }

    State Now(CStartedMainWindow& main) const
    {
        State state;
        const CListCtrl& list = main.List();
        for (int i = 0; i < list.GetItemCount(); ++i) {
            state.rows.push_back(std::string(list.GetItemText(i, 0)) + "|" + std::string(list.GetItemText(i, 1)) + "|" +
                                 std::string(list.GetItemText(i, 2)) + "|" + std::to_string(list.GetItemData(i)));
        }
        state.selected = SelectedRows(list);
        state.nFocused = FocusedRow(list);
        state.file = ReadFileBytes(dir.File("ruvelo.csv"));
        return state;
    }

    CTempDataDir dir;
    CTestApp env;
};

TEST_P(UndoRedoTest, UndoGivesBackTheRowsAndRedoWhatTheCommandMade)
{
    const UndoCase& c = GetParam();
    CStartedMainWindow main(env);
    // A delete and an add first, so that keys are no longer positions and one repeats.
    Select(main, {0}, 0);
    main.Command(ID_TASK_DELETE);
    env.ws.dialogAnswers.push_back(Typed(IDOK, Sjis("ｱ新しい"), "5", "x"));
    main.Command(ID_TASK_ADD);
    c.prepare(main);
    const State before = Now(main);

    c.command(main);
    const State after = Now(main);
    ASSERT_NE(after.rows, before.rows) << "the command changed no row";
    const std::size_t nBoxes = env.ws.messageBoxes.size();

    EXPECT_TRUE(main.Key('Z', kCtrl));
    State expectedUndo = before;
    if (c.undoSelection == UndoCase::Selection::RestoredRows) {
        expectedUndo.selected.clear();
        for (std::size_t i = 0; i < before.rows.size(); ++i) {
            const bool bGone = std::find(after.rows.begin(), after.rows.end(), before.rows[i]) == after.rows.end();
            if (bGone || after.rows.empty()) {
                expectedUndo.selected.push_back(static_cast<int>(i));
            }
        }
        expectedUndo.nFocused = expectedUndo.selected.front();
    }
    if (c.bSaves) {
        std::string strWritten;
        for (const std::string& row : before.rows) {
            strWritten += row.substr(0, row.rfind('|'));
            strWritten += "\r\n";
        }
        std::replace(strWritten.begin(), strWritten.end(), '|', '\t');
        expectedUndo.file = strWritten;
    } else {
        expectedUndo.file = after.file;  // a sort and its undo write nothing
    }
    EXPECT_EQ(Now(main), expectedUndo) << "after undo";

    EXPECT_TRUE(main.Key('Y', kCtrl));
    EXPECT_EQ(Now(main), after) << "after redo";
    // Undone and redone again, by the other redo key.
    main.Key('Z', kCtrl);
    EXPECT_EQ(Now(main), expectedUndo) << "after the second undo";
    EXPECT_TRUE(main.Key('Z', kCtrl | MK_KEYSTATE_SHIFT));
    EXPECT_EQ(Now(main), after) << "after Ctrl+Shift+Z";
    EXPECT_EQ(env.ws.messageBoxes.size(), nBoxes) << "undo and redo show no box";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UndoRedoTest,
    ::testing::Values(
        UndoCase{"Add",
                 [](CStartedMainWindow& main) { Select(main, {0, 2}, 2); },
                 [](CStartedMainWindow& main) {
                     main.env.ws.dialogAnswers.push_back(Typed(IDOK, Sjis("追加"), "007", "d"));
                     main.Command(ID_TASK_ADD);
                 },
                 true, UndoCase::Selection::AsBefore},
        UndoCase{"EditOfTheFirstOfTwoSelected",
                 [](CStartedMainWindow& main) { Select(main, {1, 3}, 3); },
                 [](CStartedMainWindow& main) {
                     main.env.ws.dialogAnswers.push_back(Typed(IDOK, Sjis("編集した"), "2", std::string(2000, 'x')));
                     main.Key('E', kCtrl);
                 },
                 true, UndoCase::Selection::AsBefore},
        UndoCase{"DeleteOfRowsApart",
                 [](CStartedMainWindow& main) { Select(main, {0, 2}, 1); },
                 [](CStartedMainWindow& main) { main.Key('D', kCtrl); }, true, UndoCase::Selection::RestoredRows},
        UndoCase{"DeleteAll",
                 [](CStartedMainWindow& main) { Select(main, {1}, 1); },
                 [](CStartedMainWindow& main) {
                     main.env.ws.messageBoxAnswers.push_back(IDYES);
                     main.Command(ID_TASK_DELETE_ALL);
                 },
                 true, UndoCase::Selection::RestoredRows},
        UndoCase{"SortByImportance",
                 [](CStartedMainWindow& main) { Select(main, {0, 3}, 3); },
                 [](CStartedMainWindow& main) { main.Key('J', kCtrl); }, false, UndoCase::Selection::AsBefore},
        UndoCase{"SortByTitle",
                 [](CStartedMainWindow& main) { Select(main, {}, -1); },
                 [](CStartedMainWindow& main) { main.Command(ID_POPUP_SORT_TITLE); }, false,
                 UndoCase::Selection::AsBefore}),
    [](const ::testing::TestParamInfo<UndoCase>& param) { return std::string(param.param.name); });

class UndoHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.csv"), kTasks);
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
    }

    void Add(CStartedMainWindow& main, const std::string& strTitle)
    {
        env.ws.dialogAnswers.push_back(Typed(IDOK, strTitle, "1", ""));
        main.Command(ID_TASK_ADD);
    }

    CTempDataDir dir;
    CTestApp env;
};

// A cancelled dialog, a command with nothing selected and a Find change no row: they leave no
// step, and what was undone can still be redone. A new change ends that.
TEST_F(UndoHistoryTest, OnlyChangesMakeStepsAndANewChangeEndsTheRedo)
{
    CStartedMainWindow main(env);
    Add(main, "one");
    Add(main, "two");
    main.Key('Z', kCtrl);
    ASSERT_EQ(main.Titles().back(), "one");

    env.ws.dialogAnswers.push_back(Typed(IDCANCEL, "cancelled"));
    main.Command(ID_TASK_ADD);
    main.List().SetItemState(-1, 0, kBoth);
    main.Command(ID_TASK_EDIT);
    main.Command(ID_TASK_DELETE);
    env.ws.dialogAnswers.push_back(Typed(IDOK, "one"));
    main.Command(ID_TASK_FIND);
    env.ws.messageBoxAnswers.push_back(IDNO);
    main.Command(ID_TASK_DELETE_ALL);
    main.Command(ID_FONT_LARGER);

    main.Key('Y', kCtrl);
    EXPECT_EQ(main.Titles().back(), "two") << "the redo step survived commands that changed nothing";
    main.Key('Z', kCtrl);
    Add(main, "three");
    main.Key('Y', kCtrl);
    EXPECT_EQ(main.Titles().back(), "three") << "a new change ends what could be redone";
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks + "one\t1\t\r\nthree\t1\t\r\n");
}

// Nothing to undo or redo: nothing happens and nothing is written.
TEST_F(UndoHistoryTest, WithNothingToUndoOrRedoNothingIsWritten)
{
    WriteFileBytes(dir.File("ruvelo.csv"), kTasks + "\r\n");  // a save would drop the blank line
    CStartedMainWindow main(env);
    main.Key('Z', kCtrl);
    main.Key('Y', kCtrl);
    main.Key('Z', kCtrl | MK_KEYSTATE_SHIFT);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks + "\r\n");
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(UndoHistoryTest, AHundredStepsAreKept)
{
    CStartedMainWindow main(env);
    for (int i = 0; i < 101; ++i) {
        Add(main, "t" + std::to_string(i));
    }
    for (int i = 0; i < 101; ++i) {
        main.Key('Z', kCtrl);
    }
    EXPECT_EQ(main.List().GetItemCount(), 5) << "the four tasks and the first add, whose step went";
    EXPECT_EQ(main.Titles().back(), "t0");
}

// The keys are matched as the other accelerators are: Ctrl exactly, Alt never, Shift only where
// the entry asks for it.
TEST_F(UndoHistoryTest, OnlyTheirOwnKeysUndoAndRedo)
{
    CStartedMainWindow main(env);
    Add(main, "added");
    struct KeyCase {
        UINT nKey;
        UINT nState;
        UINT nMessage;
    };
    for (const KeyCase& k : {KeyCase{'Z', 0, WM_KEYDOWN}, KeyCase{'Z', MK_KEYSTATE_SHIFT, WM_KEYDOWN},
                             KeyCase{'Z', kCtrl | MK_KEYSTATE_ALT, WM_SYSKEYDOWN}, KeyCase{'Y', kCtrl | MK_KEYSTATE_SHIFT, WM_KEYDOWN},
                             KeyCase{'U', kCtrl, WM_KEYDOWN}}) {
        SCOPED_TRACE(std::to_string(k.nKey) + " " + std::to_string(k.nState));
        main.Key(k.nKey, k.nState, k.nMessage);
        EXPECT_EQ(main.Titles().back(), "added");
    }
}

// A save that fails while undoing is reported as a command's is, and the list keeps the undone
// state.
TEST_F(UndoHistoryTest, AFailedSaveOfAnUndoIsReportedAndTheUndoStays)
{
    CStartedMainWindow main(env);
    Add(main, "added");
    ASSERT_EQ(::chmod(dir.File("ruvelo.csv").c_str(), 0444), 0);
    main.Key('Z', kCtrl);
    EXPECT_EQ(main.List().GetItemCount(), 4);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks + "added\t1\t\r\n");
    ASSERT_EQ(::chmod(dir.File("ruvelo.csv").c_str(), 0644), 0);
    main.Key('Y', kCtrl);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), kTasks + "added\t1\t\r\n");
}

} // namespace
