// Find: which rows a search text selects, the focus and selection mark it leaves, the box shown
// when nothing matches, and that it never deselects a row or touches the task file.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/ListObserverStub.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <span>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

class CScrollRecorder : public CListObserverStub {
public:
    std::vector<int> ensured;

    void OnEnsureVisible(int nItem) override { ensured.push_back(nItem); }
};

CFakeWindowSystem::DialogAnswer Search(const CString& strText, int nResult = IDOK)
{
    CFakeWindowSystem::DialogAnswer answer;
    answer.nResult = nResult;
    answer.title = strText;
    return answer;
}

struct FindTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;

    // One task per title, importance 1 and no details unless given. The trailing blank line
    // makes the file differ from anything a save writes.
    void WriteTitles(const Rows& titles, std::string_view details = "")
    {
        m_strWritten.clear();
        for (const std::string& title : titles) {
            m_strWritten += title + "\t1\t" + std::string(details) + "\r\n";
        }
        m_strWritten += "\r\n";
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteFileBytes(dir.File("ruvelo.csv"), m_strWritten);
    }
    [[nodiscard]] bool TaskFileUnchanged() const { return ReadFileBytes(dir.File("ruvelo.csv")) == m_strWritten; }

    void ExpectNotFoundBox(const CStartedMainWindow& main) const
    {
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, Sjis("見つかりません"));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_OK);
        EXPECT_EQ(env.ws.messageBoxes[0].hOwner, main.dlg.m_hWnd);
    }

private:
    std::string m_strWritten;
};

TEST_F(FindTest, EmptyListReportsNotFoundWhateverTheText)
{
    for (const CString& strText : {CString(""), CString("x")}) {
        SCOPED_TRACE("search text \"" + strText + "\"");
        env.ws.messageBoxes.clear();
        WriteTitles({});
        CStartedMainWindow main(env);
        env.ws.dialogAnswers.push_back(Search(strText));

        main.Command(ID_TASK_FIND);

        ExpectNotFoundBox(main);
    }
}

// The empty text occurs in every title that has a byte, and in no empty title.
TEST_F(FindTest, EmptySearchTextSelectsEveryRowWithATitle)
{
    WriteTitles({"a", "", "b", ""});
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Search(""));

    main.Command(ID_TASK_FIND);

    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(main.FocusedRow(), 2);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(FindTest, EmptySearchTextInAListOfEmptyTitlesReportsNotFound)
{
    WriteTitles({"", ""});
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Search(""));

    main.Command(ID_TASK_FIND);

    ExpectNotFoundBox(main);
    EXPECT_TRUE(main.SelectedRows().empty());
}

TEST_F(FindTest, MatchesAreAddedToTheSelectionAndTheLastHoldsFocusAndMark)
{
    WriteTitles({"xa", "b", "c", "axb", "d", "e", "f", "zzx", "g"});
    CScrollRecorder recorder;
    CStartedMainWindow main(env);
    main.List().AddObserver(&recorder);
    main.List().SetItemState(5, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    main.List().SetSelectionMark(5);
    env.ws.dialogAnswers.push_back(Search("x"));

    main.Command(ID_TASK_FIND);

    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 3, 5, 7}));
    EXPECT_EQ(main.FocusedRow(), 7);
    EXPECT_EQ(main.List().GetSelectionMark(), 7);
    EXPECT_EQ(recorder.ensured, (std::vector<int>{0, 3, 7}));
    EXPECT_EQ(main.Titles(), (Rows{"xa", "b", "c", "axb", "d", "e", "f", "zzx", "g"}));
    EXPECT_EQ(main.dlg.m_strFind, "x");
    EXPECT_EQ(main.dlg.m_nFindPos, 9);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_TRUE(TaskFileUnchanged());
}

struct ContainsCase {
    const char* name;
    std::string title;
    std::string search;
    bool bMatches;
};

class FindContainsTest : public FindTest, public ::testing::WithParamInterface<ContainsCase> {};

// Occurrences begin only at character boundaries and compare bytes exactly.
TEST_P(FindContainsTest, MatchesWholeCharactersAndExactBytes)
{
    const ContainsCase& c = GetParam();
    WriteTitles({"-", c.title});
    CStartedMainWindow main(env);
    main.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    env.ws.dialogAnswers.push_back(Search(c.search));

    main.Command(ID_TASK_FIND);

    if (c.bMatches) {
        EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 1}));
        EXPECT_TRUE(env.ws.messageBoxes.empty());
    } else {
        EXPECT_EQ(main.SelectedRows(), std::vector<int>{0});
        ExpectNotFoundBox(main);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FindContainsTest,
    ::testing::Values(ContainsCase{"TrailByteIsNotALetter", Sjis("ア"), "A", false},
                      ContainsCase{"LetterBeforeADoubleByteCharacter", "A" + Sjis("ア"), "A", true},
                      ContainsCase{"TrailByteIsNotABackslash", Sjis("ソ"), "\x5C", false},
                      ContainsCase{"BackslashAfterADoubleByteCharacter", Sjis("ソ") + "\x5C", "\x5C", true},
                      ContainsCase{"NoMatchAcrossTwoCharacters", Sjis("アイ"), "\x41\x83", false},
                      ContainsCase{"DoubleByteCharacterInside", "ab" + Sjis("漢字") + "cd", Sjis("字"), true},
                      ContainsCase{"SmallDoesNotFindCapital", "ABC", "abc", false},
                      ContainsCase{"SameCase", "xabcx", "abc", true},
                      ContainsCase{"HalfWidthDoesNotFindFullWidth", Sjis("Ａ"), "A", false},
                      ContainsCase{"HiraganaDoesNotFindKatakana", Sjis("あ"), Sjis("ア"), false},
                      ContainsCase{"FullWidthDoesNotFindHalfWidthKatakana", Sjis("ｱ"), Sjis("ア"), false},
                      ContainsCase{"LongerThanTheTitle", "ab", "abc", false},
                      ContainsCase{"WholeTitle", "abc", "abc", true},
                      ContainsCase{"BlanksAreNotTrimmed", "ab", "ab ", false}),
    [](const ::testing::TestParamInfo<ContainsCase>& param) { return std::string(param.param.name); });

TEST_F(FindTest, OnlyTitlesAreSearched)
{
    WriteTitles({"title"}, "needle");
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Search("needle"));
    env.ws.dialogAnswers.push_back(Search("1")); // the importance text

    main.Command(ID_TASK_FIND);
    main.Command(ID_TASK_FIND);

    EXPECT_EQ(env.ws.messageBoxes.size(), 2u);
    EXPECT_TRUE(main.SelectedRows().empty());
}

// A second Find does not continue after the first one's last match.
TEST_F(FindTest, EveryFindScansFromTheTop)
{
    WriteTitles({"x1", "y", "x2", "z"});
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Search("x"));
    main.Command(ID_TASK_FIND);
    ASSERT_EQ(main.SelectedRows(), (std::vector<int>{0, 2}));
    main.List().SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);

    env.ws.dialogAnswers.push_back(Search("x"));
    main.Command(ID_TASK_FIND);
    EXPECT_EQ(main.SelectedRows(), (std::vector<int>{0, 2}));

    env.ws.dialogAnswers.push_back(Search("x1"));
    main.Command(ID_TASK_FIND);
    EXPECT_EQ(main.FocusedRow(), 0);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(FindTest, CancelShowsNothingAndChangesNothing)
{
    WriteTitles({"x1", "y", "x2"});
    CStartedMainWindow main(env);
    main.List().SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    main.List().SetSelectionMark(1);
    env.ws.dialogAnswers.push_back(Search("x", IDCANCEL));

    main.Command(ID_TASK_FIND);

    EXPECT_EQ(env.ws.dialogsShown.size(), 1u);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{1});
    EXPECT_EQ(main.FocusedRow(), 1);
    EXPECT_EQ(main.List().GetSelectionMark(), 1);
    EXPECT_TRUE(TaskFileUnchanged());
}

} // namespace
