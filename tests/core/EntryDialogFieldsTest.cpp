// The entry dialog's three fields across the commands that share it: what each command puts in
// before the dialog opens, what OK and Cancel leave behind, and what the next Find shows.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Answer = CFakeWindowSystem::DialogAnswer;

struct Step {
    UINT nCommand;
    Answer answer;
};

struct Texts {
    CString strTitle;
    CString strImportance;
    CString strDetails;
};

struct FieldsCase {
    const char* name;
    std::vector<Step> steps; // each shows the dialog once
    Texts shownLast;         // the boxes as the last dialog opened
};

const std::string kLongTitle(300, 'L');

struct EntryDialogFieldsTest : ::testing::TestWithParam<FieldsCase> {
    CTempDataDir dir;
    CTestApp env;
};

// Row 1 is selected, so Edit loads it.
TEST_P(EntryDialogFieldsTest, LastDialogOpensWithTheseTexts)
{
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "row0\t0\tdetails0\r\nrow1\t007\tdetails1\r\n");
    CStartedMainWindow main(env);
    main.List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    for (const Step& step : GetParam().steps) {
        env.ws.dialogAnswers.push_back(step.answer);
        main.Command(step.nCommand);
    }

    ASSERT_EQ(env.ws.dialogsShown.size(), GetParam().steps.size());
    const CFakeWindowSystem::DialogShown& last = env.ws.dialogsShown.back();
    EXPECT_EQ(last.nTemplate, static_cast<UINT>(IDD_TASK_ENTRY));
    EXPECT_EQ(last.strTitle, GetParam().shownLast.strTitle);
    EXPECT_EQ(last.strImportance, GetParam().shownLast.strImportance);
    EXPECT_EQ(last.strDetails, GetParam().shownLast.strDetails);
    // Owned by the main window and centred over it; the main window is usable again afterwards.
    EXPECT_EQ(last.hOwner, main.dlg.m_hWnd);
    EXPECT_TRUE(last.bCentred);
    EXPECT_TRUE(env.ws.GetWindow(main.dlg.m_hWnd).bEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, EntryDialogFieldsTest,
    ::testing::Values(
        FieldsCase{"FirstFindShowsThreeEmptyBoxes", {{ID_TASK_FIND, Typed(IDCANCEL)}}, {"", "", ""}},
        FieldsCase{"AddOpensWithTheNewTaskTexts", {{ID_TASK_ADD, Typed(IDCANCEL)}}, {"", "5", ""}},
        // As typed, before the command stored them: the number text and the whole long title.
        FieldsCase{
            "FindAfterConfirmedAddShowsWhatWasTyped",
            {{ID_TASK_ADD, Typed(IDOK, kLongTitle, CString("007"), CString("d"))}, {ID_TASK_FIND, Typed(IDCANCEL)}},
            {kLongTitle, "007", "d"}},
        FieldsCase{"FindAfterCancelledAddShowsWhatAddOpenedWith",
                   {{ID_TASK_ADD, Typed(IDCANCEL, CString("typed"), CString("9"), CString("typed"))},
                    {ID_TASK_FIND, Typed(IDCANCEL)}},
                   {"", "5", ""}},
        FieldsCase{"EditOpensWithTheSelectedRowsTexts", {{ID_TASK_EDIT, Typed(IDCANCEL)}}, {"row1", "7", "details1"}},
        FieldsCase{"FindAfterCancelledEditShowsTheRowEditLoaded",
                   {{ID_TASK_EDIT, Typed(IDCANCEL, CString("typed"), CString("9"), CString("typed"))},
                    {ID_TASK_FIND, Typed(IDCANCEL)}},
                   {"row1", "7", "details1"}},
        FieldsCase{"FindAfterConfirmedEditShowsWhatWasTyped",
                   {{ID_TASK_EDIT, Typed(IDOK, CString("edited"), CString("3x"))}, {ID_TASK_FIND, Typed(IDCANCEL)}},
                   {"edited", "3x", "details1"}},
        // Find reads only the title, yet keeps all three boxes for the next use.
        FieldsCase{
            "FindAfterConfirmedFindShowsAllThreeTypedTexts",
            {{ID_TASK_FIND, Typed(IDOK, CString("row"), CString("4"), CString("dd"))}, {ID_TASK_FIND, Typed(IDCANCEL)}},
            {"row", "4", "dd"}},
        FieldsCase{"FindAfterCancelledFindShowsTheSameAgain",
                   {{ID_TASK_FIND, Typed(IDOK, CString("row"), CString("4"))},
                    {ID_TASK_FIND, Typed(IDCANCEL, CString("other"), CString("8"))},
                    {ID_TASK_FIND, Typed(IDCANCEL)}},
                   {"row", "4", ""}},
        FieldsCase{
            "AddAfterFindStillOpensReset",
            {{ID_TASK_FIND, Typed(IDOK, CString("row"), CString("4"), CString("dd"))}, {ID_TASK_ADD, Typed(IDCANCEL)}},
            {"", "5", ""}},
        FieldsCase{
            "EditAfterFindOpensWithTheFirstSelectedRow",
            {{ID_TASK_FIND, Typed(IDOK, CString("row"), CString("4"), CString("dd"))}, {ID_TASK_EDIT, Typed(IDCANCEL)}},
            {"row0", "0", "details0"}}),
    [](const ::testing::TestParamInfo<FieldsCase>& param) { return std::string(param.param.name); });

// An Edit with nothing selected shows no dialog and leaves the fields as they were.
TEST(EntryDialogFields, EditWithoutSelectionLeavesTheFieldsAlone)
{
    CTempDataDir dir;
    CTestApp env;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "row0\t0\t\r\n");
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Typed(IDCANCEL, CString("typed")));
    main.Command(ID_TASK_ADD); // cancelled: the fields hold what Add opened with

    main.Command(ID_TASK_EDIT);
    env.ws.dialogAnswers.push_back(Typed(IDCANCEL));
    main.Command(ID_TASK_FIND);

    ASSERT_EQ(env.ws.dialogsShown.size(), 2u);
    EXPECT_EQ(env.ws.dialogsShown[1].strTitle, "");
    EXPECT_EQ(env.ws.dialogsShown[1].strImportance, "5");
}

// The dialog accepts anything: three empty boxes make a task with an empty title and importance 0.
TEST(EntryDialogFields, OkWithThreeEmptyBoxesIsAccepted)
{
    CTempDataDir dir;
    CTestApp env;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "");
    CStartedMainWindow main(env);
    env.ws.dialogAnswers.push_back(Typed(IDOK, CString(""), CString(""), CString("")));

    main.Command(ID_TASK_ADD);

    ASSERT_EQ(main.List().GetItemCount(), 1);
    EXPECT_EQ(main.List().GetItemText(0, 0), "");
    EXPECT_EQ(main.List().GetItemText(0, 1), "0");
    EXPECT_EQ(main.dlg.m_entryDlg.m_strImportance, "");
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "\t0\t\r\n");
}

} // namespace
