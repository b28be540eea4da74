// Start-up and shutdown of the main window against the scripted window system.
#include "framework/FileException.h"
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/ListObserverStub.h"
#include "support/TestEnv.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct StartupTest : ::testing::Test {
    CTempDataDir dir;
    CTestApp env;
};

TEST_F(StartupTest, BothFilesLoadTasksInFileOrderAndCentreTheWindow)
{
    WriteFileBytes(dir.File("ruvelo.ini"), "90");
    WriteFileBytes(dir.File("ruvelo.csv"), Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n"));
    CStartedMainWindow main(env);

    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(main.Titles(), (std::vector<std::string>{Sjis("買い物"), "report"}));
    EXPECT_EQ(main.List().GetItemText(0, 1), "3");
    EXPECT_EQ(main.List().GetItemText(1, 2), "");
    EXPECT_EQ(main.List().GetItemData(1), 1);
    EXPECT_EQ(main.dlg.m_nFontSize, 90);
    EXPECT_TRUE(env.ws.GetWindow(main.dlg.m_hWnd).bCentred);

    main.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), "90");
}

TEST_F(StartupTest, MissingTaskFileIsReportedWithItsPathAndTheWindowStaysTopLeft)
{
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    CStartedMainWindow main(env);

    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, dir.File("ruvelo.csv") + Sjis(" が見つかりませんでした。"));
    EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
    EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
    EXPECT_FALSE(env.ws.GetWindow(main.dlg.m_hWnd).bCentred);
    EXPECT_EQ(main.List().GetColumnCount(), 3);
    EXPECT_EQ(main.List().GetColumnWidth(0), 400);
}

std::string FileMessage(std::string_view pattern, const std::string& strPath)
{
    const std::size_t n = pattern.find("%1");
    return Sjis(pattern.substr(0, n)) + strPath + Sjis(pattern.substr(n + 2));
}

constexpr std::string_view kNotFound = "%1 が見つかりませんでした。";
constexpr std::string_view kAccessDenied = "%1 へのｱｸｾｽは拒否されました。";

template <class T> std::string CaseName(const ::testing::TestParamInfo<T>& testInfo)
{
    return testInfo.param.name;
}

std::vector<int> Widths(const CListCtrl& list)
{
    std::vector<int> widths;
    for (int i = 0; i < list.GetColumnCount(); ++i) {
        widths.push_back(list.GetColumnWidth(i));
    }
    return widths;
}

// What the window system held each time the list announced a start-up step: columns made, tasks
// loaded, a column fitted. The order of OnInitDialog's steps shows in these pictures.
class CStepRecorder : public CListObserverStub {
public:
    struct Step {
        std::string what;
        std::size_t nFontsCreated;
        HFONT hListFont;
        std::size_t nWindowMenuItems;
        HICON hBigIcon;
        HICON hSmallIcon;
        CRect rcList;
        bool bListFocused;
        std::vector<int> widths;
        int nRows;
    };

    CStepRecorder(CFakeWindowSystem& ws, CTaskListDlg& dlg) : m_ws(ws), m_dlg(dlg) {}

    std::vector<Step> steps;

    [[nodiscard]] std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const Step& step : steps) {
            names.push_back(step.what);
        }
        return names;
    }

    void OnRowsReset() override { Record("load"); }
    void OnColumnsInserted() override { Record("column"); }
    void OnColumnWidthChanged(int nCol) override { Record("fit " + std::to_string(nCol)); }

private:
    void Record(std::string what)
    {
        const CFakeWindowSystem::Window& main = m_ws.GetWindow(m_dlg.m_hWnd);
        const CFakeWindowSystem::Window& list = m_ws.GetWindow(m_dlg.m_list.m_hWnd);
        steps.push_back({std::move(what), m_ws.fontsCreated.size(), list.hFont, main.systemMenu.size(), main.hBigIcon,
                         main.hSmallIcon, list.rect, m_ws.hFocus == m_dlg.m_list.m_hWnd, Widths(m_dlg.m_list),
                         m_dlg.m_list.GetItemCount()});
    }

    CFakeWindowSystem& m_ws;
    CTaskListDlg& m_dlg;
};

// The main window created and initialised as CStartedMainWindow does, with the recorder listening
// to the list from before the first step.
class CObservedStart {
public:
    explicit CObservedStart(CTestApp& env) : m_env(env), recorder(env.ws, dlg)
    {
        env.app.m_pMainWnd = &dlg;
        dlg.m_list.AddObserver(&recorder);
        dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
        AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
        env.ws.PumpMessages();
    }
    ~CObservedStart()
    {
        Close();
        dlg.m_list.RemoveObserver(&recorder);
    }
    CObservedStart(const CObservedStart&) = delete;
    CObservedStart& operator=(const CObservedStart&) = delete;

    void Close()
    {
        if (dlg.m_hWnd != nullptr) {
            AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);
            dlg.DestroyWindow();
        }
    }
    [[nodiscard]] CFakeWindowSystem::Window& MainWindow() { return m_env.ws.GetWindow(dlg.m_hWnd); }
    [[nodiscard]] CFakeWindowSystem::Window& ListWindow() { return m_env.ws.GetWindow(dlg.m_list.m_hWnd); }

private:
    CTestApp& m_env;

public:
    CTaskListDlg dlg;
    CStepRecorder recorder;
};

// The list's place in the template, in the fake's two pixels per dialog unit.
constexpr CRect kTemplateListRect{7 * 2, 7 * 2, (7 + 306) * 2, (7 + 186) * 2};

const char* const kTaskFile = "ruvelo.csv";
const char* const kSettingsFile = "ruvelo.ini";
const std::string kTasks = Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n");

TEST_F(StartupTest, OnInitDialogRunsItsStepsInOrder)
{
    WriteFileBytes(dir.File(kSettingsFile), "90");
    WriteFileBytes(dir.File(kTaskFile), kTasks);
    CObservedStart start(env);
    const CFakeWindowSystem::Window& main = start.MainWindow();
    const HICON hAppIcon = env.ws.LoadIcon(IDI_APP);

    EXPECT_TRUE(env.ws.messageBoxes.empty());
    ASSERT_EQ(start.recorder.Names(),
              (std::vector<std::string>{"column", "column", "column", "load", "fit 0", "fit 2"}));
    const CStepRecorder::Step& firstColumn = start.recorder.steps[0];
    // Window menu, icons and font come before the columns; the list keeps the template's place
    // and has no focus until the very end.
    EXPECT_EQ(firstColumn.nWindowMenuItems, 2u);
    EXPECT_EQ(firstColumn.hBigIcon, hAppIcon);
    EXPECT_EQ(firstColumn.hSmallIcon, hAppIcon);
    EXPECT_EQ(firstColumn.nFontsCreated, 1u);
    EXPECT_NE(firstColumn.hListFont, main.hFont);
    for (const CStepRecorder::Step& step : start.recorder.steps) {
        EXPECT_EQ(step.rcList, kTemplateListRect) << step.what;
        EXPECT_FALSE(step.bListFocused) << step.what;
        EXPECT_EQ(step.hListFont, firstColumn.hListFont) << step.what;
    }
    // The font is made from the settings file's size: 9 points at 96 dpi is 12 pixels.
    ASSERT_EQ(env.ws.fontsCreated.size(), 1u);
    EXPECT_EQ(env.ws.fontsCreated[0].lfHeight, -12);
    EXPECT_STREQ(env.ws.fontsCreated[0].lfFaceName, Sjis("ＭＳゴシック").c_str());
    // The tasks come in while the columns have their first widths; fitting follows.
    EXPECT_EQ(start.recorder.steps[3].widths, (std::vector<int>{400, 60, 1000}));
    EXPECT_EQ(start.recorder.steps[3].nRows, 2);
    EXPECT_EQ(start.recorder.steps[5].widths,
              (std::vector<int>{env.ws.CellWidth(Sjis("買い物")), 60, env.ws.CellWidth(Sjis("牛乳"))}));

    // Afterwards: the list laid out from the window's outer rectangle, focused, the window centred.
    const CRect rcMain = main.rect;
    EXPECT_EQ(start.ListWindow().rect, (CRect{10, 10, 10 + rcMain.Width() - 40, 10 + rcMain.Height() - 100}));
    EXPECT_TRUE(start.ListWindow().bVisible);
    EXPECT_EQ(env.ws.hFocus, start.dlg.m_list.m_hWnd);
    EXPECT_TRUE(main.bCentred);
    EXPECT_EQ(main.systemMenu,
              (std::vector<std::pair<UINT, CString>>{{0, ""}, {IDM_ABOUTBOX, Sjis("RUVelo2 のﾊﾞｰｼﾞｮﾝ情報(&A)...")}}));
    EXPECT_NE(start.dlg.m_hAccel, nullptr);
    EXPECT_EQ(start.dlg.m_szDataDir, dir.Path());
}

// Each file present, missing, a directory or a FIFO, in every combination: which boxes come in
// which order, how far start-up gets, and what the close writes.
enum class Kind { present, missing, directory, fifo };

struct FilesCase {
    const char* name;
    friend void PrintTo(const FilesCase& c, std::ostream* os) { *os << c.name; }
    Kind settings;
    Kind tasks;
};

struct StartupFiles : ::testing::TestWithParam<FilesCase> {
    CTempDataDir dir;
    CTestApp env;
};

void Make(const std::string& strPath, Kind kind, const std::string& strContent)
{
    switch (kind) {
    case Kind::present:
        WriteFileBytes(strPath, strContent);
        break;
    case Kind::missing:
        break;
    case Kind::directory:
        ASSERT_EQ(::mkdir(strPath.c_str(), 0755), 0);
        break;
    case Kind::fifo:
        ASSERT_EQ(::mkfifo(strPath.c_str(), 0644), 0);
        break;
    }
}

std::string ExpectedBox(Kind kind, const std::string& strPath)
{
    return FileMessage(kind == Kind::missing ? kNotFound : kAccessDenied, strPath);
}

TEST_P(StartupFiles, StartUpGoesAsFarAsTheFilesAllow)
{
    const FilesCase& c = GetParam();
    const std::string strSettings = dir.File(kSettingsFile);
    const std::string strTasks = dir.File(kTaskFile);
    Make(strSettings, c.settings, "90");
    Make(strTasks, c.tasks, kTasks);
    struct stat stTasksBefore {};
    ::lstat(strTasks.c_str(), &stTasksBefore);
    const bool bSettings = c.settings == Kind::present;
    const bool bTasks = c.tasks == Kind::present;
    std::vector<std::string> expectedBoxes;
    if (!bSettings) {
        expectedBoxes.push_back(ExpectedBox(c.settings, strSettings));
    }
    if (!bTasks) {
        expectedBoxes.push_back(ExpectedBox(c.tasks, strTasks));
    }

    CObservedStart start(env);

    std::vector<std::string> boxes;
    for (const CFakeWindowSystem::MessageBoxCall& box : env.ws.messageBoxes) {
        boxes.push_back(box.strText);
        EXPECT_EQ(box.nType, MB_ICONSTOP | MB_OK);
        EXPECT_EQ(box.strCaption, "RUVelo2");
    }
    EXPECT_EQ(boxes, expectedBoxes);
    EXPECT_EQ(start.dlg.m_nFontSize, bSettings ? 90 : 120);
    // The columns are always made, also after a settings file that could not be read.
    ASSERT_EQ(start.dlg.m_list.GetColumnCount(), 3);
    EXPECT_EQ(start.dlg.m_list.GetColumnHeading(0), Sjis("タイトル"));
    EXPECT_EQ(start.dlg.m_list.GetColumnHeading(1), Sjis("重要"));
    EXPECT_EQ(start.dlg.m_list.GetColumnHeading(2), Sjis("詳細"));
    const CFakeWindowSystem::Window& main = start.MainWindow();
    EXPECT_EQ(main.bCentred, bSettings && bTasks);
    if (!main.bCentred) {
        EXPECT_EQ(main.rect.left, 0);
        EXPECT_EQ(main.rect.top, 0);
    }
    if (bTasks) {
        EXPECT_EQ(start.recorder.Names(),
                  (std::vector<std::string>{"column", "column", "column", "load", "fit 0", "fit 2"}));
        EXPECT_EQ(start.recorder.steps[3].widths, (std::vector<int>{400, 60, 1000}));
        EXPECT_EQ(start.dlg.m_list.GetItemCount(), 2);
        EXPECT_EQ(Widths(start.dlg.m_list),
                  (std::vector<int>{env.ws.CellWidth(Sjis("買い物")), 60, env.ws.CellWidth(Sjis("牛乳"))}));
        EXPECT_NE(start.ListWindow().rect, kTemplateListRect);
        EXPECT_EQ(env.ws.hFocus, start.dlg.m_list.m_hWnd);
    } else {
        // The failed load ends start-up: no fitting, no layout, no focus.
        EXPECT_EQ(start.recorder.Names(), (std::vector<std::string>{"column", "column", "column"}));
        EXPECT_EQ(start.dlg.m_list.GetItemCount(), 0);
        EXPECT_EQ(Widths(start.dlg.m_list), (std::vector<int>{400, 60, 1000}));
        EXPECT_EQ(start.ListWindow().rect, kTemplateListRect);
        EXPECT_NE(env.ws.hFocus, start.dlg.m_list.m_hWnd);
    }

    env.ws.messageBoxes.clear();
    start.Close();

    // The close writes the settings file, or reports why it cannot, and never touches the task file.
    if (c.settings == Kind::present || c.settings == Kind::missing) {
        EXPECT_TRUE(env.ws.messageBoxes.empty());
        EXPECT_EQ(ReadFileBytes(strSettings), bSettings ? "90" : "120");
    } else {
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kAccessDenied, strSettings));
        EXPECT_EQ(env.ws.messageBoxes[0].hOwner, nullptr);
    }
    struct stat stTasksAfter {};
    const bool bTasksExist = ::lstat(strTasks.c_str(), &stTasksAfter) == 0;
    EXPECT_EQ(bTasksExist, c.tasks != Kind::missing);
    if (bTasksExist) {
        EXPECT_EQ(stTasksAfter.st_ino, stTasksBefore.st_ino);
        EXPECT_EQ(stTasksAfter.st_mode, stTasksBefore.st_mode);
    }
    if (bTasks) {
        EXPECT_EQ(ReadFileBytes(strTasks), kTasks);
    }
    const std::vector<std::string> expectedNames =
        bTasksExist ? std::vector<std::string>{kTaskFile, kSettingsFile} : std::vector<std::string>{kSettingsFile};
    EXPECT_EQ(ListDirectory(dir.Path()), expectedNames);
}

INSTANTIATE_TEST_SUITE_P(Files, StartupFiles,
                         ::testing::Values(FilesCase{"BothPresent", Kind::present, Kind::present},
                                           FilesCase{"SettingsMissing", Kind::missing, Kind::present},
                                           FilesCase{"SettingsDirectory", Kind::directory, Kind::present},
                                           FilesCase{"SettingsFifo", Kind::fifo, Kind::present},
                                           FilesCase{"TasksMissing", Kind::present, Kind::missing},
                                           FilesCase{"TasksDirectory", Kind::present, Kind::directory},
                                           FilesCase{"TasksFifo", Kind::present, Kind::fifo},
                                           FilesCase{"BothMissing", Kind::missing, Kind::missing},
                                           FilesCase{"SettingsMissingTasksDirectory", Kind::missing, Kind::directory},
                                           FilesCase{"SettingsDirectoryTasksMissing", Kind::directory, Kind::missing},
                                           FilesCase{"BothFifos", Kind::fifo, Kind::fifo}),
                         CaseName<FilesCase>);

// --- The data directory -------------------------------------------------------------------------

TEST_F(StartupTest, TheDataDirectoryIsTheCurrentDirectoryWithItsLastCharacterWhole)
{
    // Directory names whose last character is a double-byte one with the trail byte 0x5C (ソ, 表, ―).
    const std::string names[] = {"work", "\x83\x5C", "a\x95\x5C", "\x81\x5C\x81\x5C"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string strSub = dir.File(name);
        ASSERT_EQ(::mkdir(strSub.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(strSub.c_str()), 0);
        WriteFileBytes(strSub + "/ruvelo.ini", "100");
        env.ws.messageBoxes.clear();
        {
            CStartedMainWindow main(env);

            EXPECT_EQ(main.dlg.m_szDataDir, strSub);
            EXPECT_EQ(main.dlg.m_nFontSize, 100);
            ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
            EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kNotFound, strSub + "/ruvelo.csv"));
        }
        EXPECT_EQ(ListDirectory(strSub), std::vector<std::string>{"ruvelo.ini"});
        ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    }
}

// Restores the current directory however the test ends.
class CCurrentDirectoryGuard {
public:
    CCurrentDirectoryGuard()
    {
        char* p = ::getcwd(nullptr, 0);
        m_strDir = p != nullptr ? p : "/";
        ::free(p);
    }
    ~CCurrentDirectoryGuard() { static_cast<void>(::chdir(m_strDir.c_str())); }
    CCurrentDirectoryGuard(const CCurrentDirectoryGuard&) = delete;
    CCurrentDirectoryGuard& operator=(const CCurrentDirectoryGuard&) = delete;

private:
    std::string m_strDir;
};

// The root gives the empty data directory, so the files are "/ruvelo.ini" and "/ruvelo.csv". Only
// the reading half of a run is done there: the window is destroyed without the settings write.
TEST_F(StartupTest, TheRootDirectoryGivesAnEmptyDataDirectory)
{
    for (const char* pszName : {"ruvelo.ini", "ruvelo.csv"}) {
        const std::vector<std::string> names = ListDirectory("/");
        if (std::any_of(names.begin(), names.end(),
                        [pszName](const std::string& s) { return ::strcasecmp(s.c_str(), pszName) == 0; })) {
            GTEST_SKIP() << "the root directory holds a " << pszName;
        }
    }
    const CCurrentDirectoryGuard guard;
    ASSERT_EQ(::chdir("/"), 0);
    {
        CTaskListDlg dlg;
        env.app.m_pMainWnd = &dlg;
        dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
        AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);

        EXPECT_EQ(dlg.m_szDataDir, "");
        ASSERT_EQ(env.ws.messageBoxes.size(), 2u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kNotFound, "/ruvelo.ini"));
        EXPECT_EQ(env.ws.messageBoxes[1].strText, FileMessage(kNotFound, "/ruvelo.csv"));
        dlg.CDialog::DestroyWindow();
    }
    EXPECT_NE(::access("/ruvelo.ini", F_OK), 0);
}

// --- Shutdown -----------------------------------------------------------------------------------

// Counts the renames that put a written file in place, by the name it goes to.
struct RenameLog {
    int nSettings = 0;
    int nTasks = 0;
    bool bWindowVisibleAtSettings = true;
    CFakeWindowSystem* pWs = nullptr;
    HWND hMain = nullptr;
};
RenameLog g_renames;

int CountingRenameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags)
{
    const int r = RealSysCalls().renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
    if (r == 0 && std::strcmp(newpath, "ruvelo.ini") == 0) {
        ++g_renames.nSettings;
        g_renames.bWindowVisibleAtSettings = g_renames.pWs->GetWindow(g_renames.hMain).bVisible;
    } else if (r == 0 && ::strcasecmp(newpath, "ruvelo.csv") == 0) {
        ++g_renames.nTasks;
    }
    return r;
}

TEST_F(StartupTest, ClosingWritesTheSettingsFileOnceAfterTheWindowIsGoneAndNeverTheTaskFile)
{
    WriteFileBytes(dir.File(kSettingsFile), "120");
    WriteFileBytes(dir.File(kTaskFile), "b\t1\t\r\na\t2\t\r\n");
    struct stat stBefore {};
    ::lstat(dir.File(kTaskFile).c_str(), &stBefore);
    g_renames = {};
    g_renames.pWs = &env.ws;
    const SysCalls saved = Sys();
    Sys().renameat2 = CountingRenameat2;
    env.ws.mainLoop = [this] {
        CWnd* pMain = AfxGetMainWnd();
        g_renames.hMain = pMain->m_hWnd;
        // A sort changes the order in the window only; the close must not write it.
        AfxCallWndProc(pMain, WM_COMMAND, ID_SORT_TITLE, 0);
        AfxCallWndProc(pMain, WM_COMMAND, ID_FONT_LARGER, 0);
        EXPECT_EQ(dynamic_cast<CTaskListDlg&>(*pMain).m_list.GetItemText(0, 0), "a");
        EXPECT_EQ(env.ws.GetWindow(g_renames.hMain).bVisible, true);
    };

    const BOOL bResult = env.app.InitInstance();
    Sys() = saved;

    EXPECT_EQ(bResult, FALSE);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(g_renames.nSettings, 1);
    EXPECT_FALSE(g_renames.bWindowVisibleAtSettings);
    EXPECT_EQ(g_renames.nTasks, 0);
    EXPECT_EQ(ReadFileBytes(dir.File(kSettingsFile)), "140");
    struct stat stAfter {};
    ::lstat(dir.File(kTaskFile).c_str(), &stAfter);
    EXPECT_EQ(stAfter.st_ino, stBefore.st_ino);
    EXPECT_EQ(ReadFileBytes(dir.File(kTaskFile)), "b\t1\t\r\na\t2\t\r\n");
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{kTaskFile, kSettingsFile}));
}
} // namespace
