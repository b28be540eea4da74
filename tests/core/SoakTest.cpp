// A long random session run on the main window and on a plain model of it side by side: after
// every command the table, the entry dialog's fields, the boxes shown and the task file's bytes
// must equal the model's, and after every restart the rows come back from the file unchanged.
//
// RUVELO_SOAK_SEED replays a run (the seed is printed with any failure); RUVELO_SOAK_COMMANDS
// makes it longer or shorter.
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/ModelTaskList.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <sstream>

namespace {

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

unsigned long EnvNumber(const char* pszName, unsigned long nDefault)
{
    const char* pszValue = std::getenv(pszName);
    return (pszValue != nullptr && *pszValue != '\0') ? std::strtoul(pszValue, nullptr, 10) : nDefault;
}

// Texts as a user might type them, built from pieces that matter to the byte rules: double-byte
// characters (among them trail bytes 0x5C and 0x41), half-width katakana, NEC and IBM codes, a
// few bytes that code page 932 does not decode, and plain ASCII. No TAB, CR, LF, 0x1A or zero
// byte, which the entry dialog's one-line boxes cannot hold.
class CTextMaker {
public:
    explicit CTextMaker(std::mt19937& rng) : m_rng(rng)
    {
        for (const char* psz : {"あ", "ソ", "表", "能", "ア", "Ａ", "牛乳", "買い物", "①", "ｱ", "ﾊﾟ", "～", "－"}) {
            m_pieces.push_back(Sjis(psz));
        }
        for (const char* psz : {"a", "A", "b", "B", "z", "0", "7", " ", "\\", "~", "|", "%", "%1", "\x80", "\xA0",
                                "\xFD", "\xFA\x40", "\x81", "\x7F"}) {
            m_pieces.emplace_back(psz);
        }
    }

    std::string Text()
    {
        const int nRoll = Uniform(0, 99);
        const int nPieces = nRoll < 5 ? 0 : (nRoll < 97 ? Uniform(1, 8) : Uniform(120, 700));
        std::string text;
        for (int i = 0; i < nPieces; ++i) {
            text += m_pieces[static_cast<std::size_t>(Uniform(0, static_cast<int>(m_pieces.size()) - 1))];
        }
        return text;
    }

    std::string Importance()
    {
        static const char* const kTexts[] = {"", "5", "007", "3x", " 7", "+7", "-3", "10", "25", "100", "9", "0", "-0",
                                             "abc", "99999999999", "-2147483648", "2147483647", "-2147483649", " -12"};
        if (Uniform(0, 3) == 0) {
            return std::to_string(Uniform(0, 9));
        }
        return kTexts[Uniform(0, static_cast<int>(std::size(kTexts)) - 1)];
    }

    // A search text: often a part of a title in the list, cut anywhere, so that some searches
    // begin inside a double-byte character.
    std::string Search(const model::CTaskListModel& m)
    {
        if (m.Count() > 0 && Uniform(0, 2) != 0) {
            const std::string& title = m.rows[static_cast<std::size_t>(Uniform(0, m.Count() - 1))].task.title;
            if (!title.empty()) {
                const int nStart = Uniform(0, static_cast<int>(title.size()) - 1);
                const int nLen = Uniform(0, std::min(6, static_cast<int>(title.size()) - nStart));
                return title.substr(static_cast<std::size_t>(nStart), static_cast<std::size_t>(nLen));
            }
        }
        return Uniform(0, 4) == 0 ? std::string() : Text().substr(0, 6);
    }

    int Uniform(int nLow, int nHigh) { return std::uniform_int_distribution<int>(nLow, nHigh)(m_rng); }

private:
    std::mt19937& m_rng;
    std::vector<std::string> m_pieces;
};

struct SoakTest : ::testing::Test {
    void SetUp() override
    {
        // The durability of a save is the file layer's business, tested there; here every save
        // costs two disk flushes that would make the run minutes long.
        m_savedCalls = Sys();
        Sys().fsync = [](int) { return 0; };
    }
    void TearDown() override { Sys() = m_savedCalls; }

    void Start()
    {
        m_pEnv = std::make_unique<CTestApp>();
        m_pMain = std::make_unique<CStartedMainWindow>(*m_pEnv);
    }

    void Stop()
    {
        m_pMain.reset();  // closes the window, which writes the settings file
        m_pEnv.reset();
    }

    CFakeWindowSystem& Ws() { return m_pEnv->ws; }
    CTaskListDlg& Dlg() { return m_pMain->dlg; }

    CFakeWindowSystem::DialogAnswer Answer(const model::DialogInput& in)
    {
        CFakeWindowSystem::DialogAnswer answer;
        answer.nResult = in.bOk ? IDOK : IDCANCEL;
        answer.title = in.title;
        answer.importance = in.importance;
        answer.details = in.details;
        return answer;
    }

    // Everything the model knows, against the program; the first difference, or success.
    ::testing::AssertionResult Matches(std::size_t nBoxesBefore, std::size_t nDialogsBefore)
    {
        const CListCtrl& list = Dlg().m_list;
        if (list.GetItemCount() != m.Count()) {
            return ::testing::AssertionFailure() << "row count " << list.GetItemCount() << ", model " << m.Count();
        }
        for (int i = 0; i < m.Count(); ++i) {
            const model::Row& row = m.rows[static_cast<std::size_t>(i)];
            const model::Task actual{std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                                     std::string(list.GetItemText(i, 2))};
            if (!(actual == row.task)) {
                return ::testing::AssertionFailure() << "texts of row " << i << ": '" << actual.title << "' "
                                                     << actual.importance << " '" << actual.details << "', model '"
                                                     << row.task.title << "' " << row.task.importance << " '"
                                                     << row.task.details << "'";
            }
            if (list.GetItemData(i) != row.key) {
                return ::testing::AssertionFailure()
                       << "key of row " << i << ": " << list.GetItemData(i) << ", model " << row.key;
            }
            if ((list.GetItemState(i, LVIS_SELECTED) != 0) != row.selected) {
                return ::testing::AssertionFailure() << "selected flag of row " << i << ", model " << row.selected;
            }
        }
        if (m_pMain->FocusedRow() != m.nFocused) {
            return ::testing::AssertionFailure() << "focused row " << m_pMain->FocusedRow() << ", model " << m.nFocused;
        }
        if (list.GetSelectionMark() != m.nMark) {
            return ::testing::AssertionFailure()
                   << "selection mark " << list.GetSelectionMark() << ", model " << m.nMark;
        }
        const CTaskEntryDlg& entry = Dlg().m_entryDlg;
        if (entry.m_strTitle != m.fieldTitle || entry.m_strImportance != m.fieldImportance ||
            entry.m_strDetails != m.fieldDetails) {
            return ::testing::AssertionFailure()
                   << "entry fields '" << entry.m_strTitle << "' '" << entry.m_strImportance << "' '"
                   << entry.m_strDetails << "', model '" << m.fieldTitle << "' '" << m.fieldImportance << "' '"
                   << m.fieldDetails << "'";
        }
        if (Dlg().m_nFontSize != m.nFontSize) {
            return ::testing::AssertionFailure() << "font size " << Dlg().m_nFontSize << ", model " << m.nFontSize;
        }
        const auto& shown = Ws().dialogsShown;
        if (shown.size() - nDialogsBefore != m.dialogsShown.size()) {
            return ::testing::AssertionFailure() << shown.size() - nDialogsBefore << " dialogs shown, model "
                                                 << m.dialogsShown.size();
        }
        for (std::size_t i = 0; i < m.dialogsShown.size(); ++i) {
            const auto& actual = shown[nDialogsBefore + i];
            const auto& expected = m.dialogsShown[i];
            if (actual.nTemplate != IDD_TASK_ENTRY || actual.strTitle != expected.title ||
                actual.strImportance != expected.importance || actual.strDetails != expected.details) {
                return ::testing::AssertionFailure()
                       << "the entry dialog opened with '" << actual.strTitle << "' '" << actual.strImportance << "' '"
                       << actual.strDetails << "', model '" << expected.title << "' '" << expected.importance << "' '"
                       << expected.details << "'";
            }
        }
        const auto& boxes = Ws().messageBoxes;
        if (boxes.size() - nBoxesBefore != m.boxes.size()) {
            std::ostringstream texts;
            for (std::size_t i = nBoxesBefore; i < boxes.size(); ++i) {
                texts << " [" << boxes[i].strText << "]";
            }
            return ::testing::AssertionFailure() << boxes.size() - nBoxesBefore << " message boxes" << texts.str()
                                                 << ", model " << m.boxes.size();
        }
        for (std::size_t i = 0; i < m.boxes.size(); ++i) {
            const auto& actual = boxes[nBoxesBefore + i];
            const model::Box& expected = m.boxes[i];
            const std::string strCaption = expected.strCaptionUtf8.empty() ? "RUVelo2" : Sjis(expected.strCaptionUtf8);
            if (actual.strText != Sjis(expected.strTextUtf8) || actual.strCaption != strCaption ||
                actual.nType != expected.nType || actual.hOwner != Dlg().m_hWnd) {
                return ::testing::AssertionFailure()
                       << "message box [" << actual.strText << "] caption [" << actual.strCaption << "] type "
                       << actual.nType << ", model [" << Sjis(expected.strTextUtf8) << "] type " << expected.nType;
            }
        }
        if (ReadFileBytes(m_strTaskFile) != m.fileBytes) {
            return ::testing::AssertionFailure() << "task file bytes differ from the model's ("
                                                 << ReadFileBytes(m_strTaskFile).value_or("<none>").size()
                                                 << " bytes, model " << m.fileBytes.size() << ")";
        }
        return ::testing::AssertionSuccess();
    }

    // Runs one random command on both; returns what it was, for the failure message.
    std::string Step(CTextMaker& make)
    {
        // One in five dialogs is cancelled; a box left alone keeps the text it opened with.
        const auto input = [&] {
            model::DialogInput in;
            in.bOk = make.Uniform(0, 4) != 0;
            if (make.Uniform(0, 5) != 0) {
                in.title = make.Text();
            }
            if (make.Uniform(0, 3) != 0) {
                in.importance = make.Importance();
            }
            if (make.Uniform(0, 3) != 0) {
                in.details = make.Text();
            }
            return in;
        };
        // One command body is reached from several numbers; pick any of them.
        const auto pick = [&](std::initializer_list<UINT> ids) {
            return *(ids.begin() + make.Uniform(0, static_cast<int>(ids.size()) - 1));
        };

        m.BeginCommand();
        // A command that changed rows leaves a step to undo; which ones do is the command's rule.
        model::CTaskListModel::Snapshot before = m.Snap();
        const auto recordIf = [&](model::CTaskListModel::StepKind kind, bool bChanged) {
            if (bChanged) {
                m.Record(kind, std::move(before));
            }
        };
        const int nRoll = make.Uniform(0, 999);
        if (nRoll < 190) {
            const model::DialogInput in = input();
            Ws().dialogAnswers.push_back(Answer(in));
            m.Add(in);
            recordIf(model::CTaskListModel::StepKind::Add, in.bOk);
            if (make.Uniform(0, 3) == 0) {
                m_pMain->Key('I', MK_KEYSTATE_CONTROL);
            } else {
                m_pMain->Command(pick({ID_TASK_ADD, ID_ACCEL_ADD, ID_POPUP_ADD}));
            }
            return "add";
        }
        if (nRoll < 300) {
            const model::DialogInput in = input();
            const bool bSelected = m_pMain->dlg.m_list.GetNextItem(-1, LVNI_SELECTED) != -1;
            if (bSelected) {
                Ws().dialogAnswers.push_back(Answer(in));
            }
            m.Edit(in);
            recordIf(model::CTaskListModel::StepKind::Edit, bSelected && in.bOk);
            m_pMain->Command(pick({ID_TASK_EDIT, ID_ACCEL_EDIT, ID_POPUP_EDIT}));
            return "edit";
        }
        if (nRoll < 380) {
            const int nBefore = m.Count();
            m.Delete();
            recordIf(model::CTaskListModel::StepKind::Delete, m.Count() != nBefore);
            if (make.Uniform(0, 3) == 0) {
                m_pMain->Key(make.Uniform(0, 1) == 0 ? 'D' : VK_DELETE, MK_KEYSTATE_CONTROL);
            } else {
                m_pMain->Command(pick({ID_TASK_DELETE, ID_ACCEL_DELETE, ID_ACCEL_DELETE2, ID_POPUP_DELETE}));
            }
            return "delete";
        }
        if (nRoll < 392) {
            const bool bYes = make.Uniform(0, 1) == 0;
            Ws().messageBoxAnswers.push_back(bYes ? IDYES : IDNO);
            const bool bHadRows = m.Count() > 0;
            m.DeleteAll(bYes);
            recordIf(model::CTaskListModel::StepKind::DeleteAll, bYes && bHadRows);
            m_pMain->Command(ID_TASK_DELETE_ALL);
            return bYes ? "delete all, yes" : "delete all, no";
        }
        if (nRoll < 440) {
            m.SortImportance();
            recordIf(model::CTaskListModel::StepKind::SortImportance, !model::CTaskListModel::SameRows(before.rows, m.rows));
            m_pMain->Command(pick({ID_SORT_IMPORTANCE, ID_ACCEL_SORT_IMPORTANCE, ID_POPUP_SORT_IMPORTANCE}));
            return "sort by importance";
        }
        if (nRoll < 490) {
            m.SortTitle();
            recordIf(model::CTaskListModel::StepKind::SortTitle, !model::CTaskListModel::SameRows(before.rows, m.rows));
            m_pMain->Command(pick({ID_SORT_TITLE, ID_ACCEL_SORT_TITLE, ID_POPUP_SORT_TITLE}));
            return "sort by title";
        }
        if (nRoll < 580) {
            model::DialogInput in = input();
            if (make.Uniform(0, 2) != 0) {
                in.title = make.Search(m);
            }
            Ws().dialogAnswers.push_back(Answer(in));
            m.Find(in);
            m_pMain->Command(pick({ID_TASK_FIND, ID_ACCEL_FIND}));
            return "find";
        }
        if (nRoll < 610) {
            m.FontLarger();
            m_pMain->Command(pick({ID_FONT_LARGER, ID_POPUP_FONT_LARGER}));
            return "font larger";
        }
        if (nRoll < 640) {
            m.FontSmaller();
            m_pMain->Command(pick({ID_FONT_SMALLER, ID_POPUP_FONT_SMALLER}));
            return "font smaller";
        }
        if (nRoll < 643) {
            Stop();
            if (ReadFileBytes(m_strSettingsFile) != std::to_string(m.nFontSize)) {
                m_strStepFailure = "the settings file does not hold the font size at shutdown";
            }
            Start();
            m.Start(m.fileBytes, m.nFontSize);
            m.undoSteps.clear();
            m.redoSteps.clear();
            return "restart";
        }
        if (nRoll < 720) {
            // Undo twice as often as redo, by each key and number that reaches them.
            const int nWay = make.Uniform(0, 5);
            if (nWay < 4) {
                m.Undo();
                nWay < 2 ? static_cast<void>(m_pMain->Key('Z', MK_KEYSTATE_CONTROL)) : m_pMain->Command(ID_ACCEL_UNDO);
                return "undo";
            }
            m.Redo();
            nWay == 4 ? static_cast<void>(m_pMain->Key('Y', MK_KEYSTATE_CONTROL))
                      : static_cast<void>(m_pMain->Key('Z', MK_KEYSTATE_CONTROL | MK_KEYSTATE_SHIFT));
            return "redo";
        }
        return Click(make);
    }

    // The user's clicks, passed into the table as the view does, through SetItemState.
    std::string Click(CTextMaker& make)
    {
        CListCtrl& list = Dlg().m_list;
        const int nCount = m.Count();
        const int nKind = make.Uniform(0, 11);
        if (nCount == 0 || nKind == 11) {
            // Any row (or all, or none that exists) with any state and mask.
            const int nItem = make.Uniform(-1, nCount);
            const UINT nState = static_cast<UINT>(make.Uniform(0, 3));
            const UINT nMask = static_cast<UINT>(make.Uniform(0, 3));
            list.SetItemState(nItem, nState, nMask);
            m.SetItemState(nItem, (nState & LVIS_SELECTED) != 0, (nState & LVIS_FOCUSED) != 0, nMask);
            return "set state " + std::to_string(nItem) + " " + std::to_string(nState) + "/" + std::to_string(nMask);
        }
        const int nItem = make.Uniform(0, nCount - 1);
        switch (nKind) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:  // a plain click
            list.SetItemState(-1, 0, LVIS_SELECTED);
            list.SetItemState(nItem, kBoth, kBoth);
            m.SetItemState(-1, false, false, LVIS_SELECTED);
            m.SetItemState(nItem, true, true, kBoth);
            return "click " + std::to_string(nItem);
        case 5:
        case 6:
        case 7: {  // Ctrl+click toggles
            const bool bSelect = list.GetItemState(nItem, LVIS_SELECTED) == 0;
            list.SetItemState(nItem, (bSelect ? LVIS_SELECTED : 0) | LVIS_FOCUSED, kBoth);
            m.SetItemState(nItem, bSelect, true, kBoth);
            return "ctrl+click " + std::to_string(nItem);
        }
        case 8:
        case 9: {  // Shift+click selects from the focus to the row
            const int nFrom = m.nFocused == -1 ? 0 : m.nFocused;
            for (int i = std::min(nFrom, nItem); i <= std::max(nFrom, nItem); ++i) {
                list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
                m.SetItemState(i, true, false, LVIS_SELECTED);
            }
            list.SetItemState(nItem, LVIS_FOCUSED, LVIS_FOCUSED);
            m.SetItemState(nItem, false, true, LVIS_FOCUSED);
            return "shift+click " + std::to_string(nItem);
        }
        default:  // Ctrl+A
            list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
            m.SetItemState(-1, true, false, LVIS_SELECTED);
            return "select all";
        }
    }

    SysCalls m_savedCalls{};
    CTempDataDir m_dir;
    std::string m_strTaskFile = m_dir.File("ruvelo.csv");
    std::string m_strSettingsFile = m_dir.File("ruvelo.ini");
    std::unique_ptr<CTestApp> m_pEnv;
    std::unique_ptr<CStartedMainWindow> m_pMain;
    model::CTaskListModel m;
    std::string m_strStepFailure;
};

TEST_F(SoakTest, RandomCommandsKeepTheTableAndTheFileEqualToTheModel)
{
    const unsigned long nSeed = EnvNumber("RUVELO_SOAK_SEED", 20240531);
    const unsigned long nCommands = EnvNumber("RUVELO_SOAK_COMMANDS", 10000);
    SCOPED_TRACE("seed " + std::to_string(nSeed) + " (RUVELO_SOAK_SEED=" + std::to_string(nSeed) + " replays it)");

    const std::string strStart = Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n表\t-4\tソ\\\r\n");
    WriteFileBytes(m_strTaskFile, strStart);
    WriteFileBytes(m_strSettingsFile, "90");
    Start();
    m.Start(strStart, 90);
    ASSERT_TRUE(Matches(0, 0)) << "at start";

    std::mt19937 rng(static_cast<std::mt19937::result_type>(nSeed));
    CTextMaker make(rng);
    std::deque<std::string> recent;
    int nMaxRows = 0;
    std::map<std::string, int> nKinds;
    for (unsigned long n = 1; n <= nCommands; ++n) {
        const std::size_t nBoxes = Ws().messageBoxes.size();
        const std::size_t nDialogs = Ws().dialogsShown.size();
        const std::string strCommand = Step(make);
        recent.push_back(strCommand);
        nMaxRows = std::max(nMaxRows, m.Count());
        ++nKinds[strCommand.substr(0, strCommand.find(' '))];
        if (recent.size() > 8) {
            recent.pop_front();
        }
        // A restart makes a new window system; everything it has recorded is new.
        const bool bRestarted = strCommand.rfind("restart", 0) == 0;
        const ::testing::AssertionResult result = Matches(bRestarted ? 0 : nBoxes, bRestarted ? 0 : nDialogs);
        if (!result || !m_strStepFailure.empty()) {
            std::string strRecent;
            for (const std::string& s : recent) {
                strRecent += "\n  " + s;
            }
            FAIL() << "after command " << n << " (" << strCommand << "): " << result.message() << m_strStepFailure
                   << "\nlast commands:" << strRecent;
        }
        ASSERT_TRUE(Ws().dialogAnswers.empty() && Ws().messageBoxAnswers.empty())
            << "after command " << n << " (" << strCommand << "): a scripted answer was not used";
    }
    EXPECT_EQ(ListDirectory(m_dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));

    // Nothing is lost: a new start reads back exactly the rows of the last save.
    Stop();
    Start();
    m.Start(m.fileBytes, m.nFontSize);
    m.BeginCommand();
    EXPECT_TRUE(Matches(0, 0)) << "after the final restart";
    std::printf("[ soak     ] %lu random commands, seed %lu, at most %d rows, %d at the end\n", nCommands, nSeed,
                nMaxRows, m.Count());
    for (const auto& [strKind, nTimes] : nKinds) {
        std::printf("[ soak     ]   %s %d\n", strKind.c_str(), nTimes);
    }
}

} // namespace
