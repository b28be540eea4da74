// The task file through the real files of a data directory: what a start loads, what a save writes,
// which file name is used, and what happens when the file cannot be read or written.
#include "framework/FileException.h"
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using Row = std::array<std::string, 3>; // title, importance text, details

std::vector<Row> Rows(const CListCtrl& list)
{
    std::vector<Row> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        rows.push_back({std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                        std::string(list.GetItemText(i, 2))});
    }
    return rows;
}

// A save as the user causes one: Delete with no row selected changes nothing and writes the file.
void SaveByCommand(CStartedMainWindow& main)
{
    ASSERT_TRUE(main.SelectedRows().empty());
    main.Command(ID_TASK_DELETE);
}

// A file-error message: the UTF-8 pattern with %1 replaced by the path, in code page 932.
std::string FileMessage(std::string_view pattern, const std::string& strPath)
{
    const std::size_t n = pattern.find("%1");
    return Sjis(pattern.substr(0, n)) + strPath + Sjis(pattern.substr(n + 2));
}

constexpr std::string_view kNotFound = "%1 が見つかりませんでした。";
constexpr std::string_view kAccessDenied = "%1 へのｱｸｾｽは拒否されました。";

struct FileId {
    dev_t dev;
    ino_t ino;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// A save replaces the file by a new one, so an unchanged identity shows that nothing was written.
FileId IdOf(const std::string& strPath)
{
    struct stat st {};
    EXPECT_EQ(::lstat(strPath.c_str(), &st), 0) << strPath;
    return {st.st_dev, st.st_ino};
}

// Test names of the parameterised suites: each case's own name.
template <class T> std::string CaseName(const ::testing::TestParamInfo<T>& testInfo)
{
    return testInfo.param.name;
}

struct TaskFileTest : ::testing::Test {
    TaskFileTest() { WriteFileBytes(dir.File("ruvelo.ini"), "120"); }

    CTempDataDir dir;
    CTestApp env;
};

// --- Loading and saving the records -------------------------------------------------------------

struct RoundTrip {
    const char* name;
    friend void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }
    std::string file;
    std::vector<Row> rows;
    std::string saved;
};

std::vector<RoundTrip> RoundTrips()
{
    const std::string strLongTitle(700, 'T');
    const std::string strLongDetails(1297, 'D'); // with the title and two TABs: a line of 2000 bytes
    const std::string strKai = Sjis("買い物");
    return {
        {"EmptyFile", "", {}, ""},
        {"ShoppingAndReport",
         Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n"),
         {{strKai, "3", Sjis("牛乳")}, {"report", "10", ""}},
         Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n")},
        {"TrailBytes5CAnd7C", Sjis("ソ表\t1\t能|\r\n"), {{Sjis("ソ表"), "1", Sjis("能|")}}, Sjis("ソ表\t1\t能|\r\n")},
        {"DetailsKeepFurtherTabs", "a\t5\tx\ty\r\n", {{"a", "5", "x\ty"}}, "a\t5\tx\ty\r\n"},
        {"ImportanceReadAsPercentD",
         "a\t 7\t\r\nb\t+7\t\r\nc\t07\t\r\nd\t7abc\t\r\ne\t-0\t\r\n",
         {{"a", "7", ""}, {"b", "7", ""}, {"c", "7", ""}, {"d", "7", ""}, {"e", "0", ""}},
         "a\t7\t\r\nb\t7\t\r\nc\t7\t\r\nd\t7\t\r\ne\t0\t\r\n"},
        {"ImportanceWithoutNumberIsZero",
         "a\tx\tb\r\nb\t\tc\r\nc\t-\td\r\n",
         {{"a", "0", "b"}, {"b", "0", "c"}, {"c", "0", "d"}},
         "a\t0\tb\r\nb\t0\tc\r\nc\t0\td\r\n"},
        {"ImportanceBeyond32BitsSaturates",
         "a\t99999999999\t\r\nb\t-99999999999\t\r\nc\t2147483648\t\r\nd\t-2147483648\t\r\n",
         {{"a", "2147483647", ""}, {"b", "-2147483648", ""}, {"c", "2147483647", ""}, {"d", "-2147483648", ""}},
         "a\t2147483647\t\r\nb\t-2147483648\t\r\nc\t2147483647\t\r\nd\t-2147483648\t\r\n"},
        {"LfAloneEndsALine", "a\t1\tb\nc\t2\td\n", {{"a", "1", "b"}, {"c", "2", "d"}}, "a\t1\tb\r\nc\t2\td\r\n"},
        {"CrInsideALineStays",
         "a\rb\t1\tc\rd\r\ne\t2\tf\r\r\n",
         {{"a\rb", "1", "c\rd"}, {"e", "2", "f\r"}},
         "a\rb\t1\tc\rd\r\ne\t2\tf\r\r\n"},
        {"LastLineWithoutLineEnd", "a\t1\tb\r\nc\t2\td", {{"a", "1", "b"}, {"c", "2", "d"}}, "a\t1\tb\r\nc\t2\td\r\n"},
        {"Line2000BytesIsCut",
         strLongTitle + "\t5\t" + strLongDetails + "\r\n",
         {{std::string(255, 'T'), "5", std::string(1023, 'D')}},
         std::string(255, 'T') + "\t5\t" + std::string(1023, 'D') + "\r\n"},
        {"LineOf1MBWithoutLineEnd",
         std::string(600000, 'T') + "\t12\t" + std::string(500000, 'D'),
         {{std::string(255, 'T'), "12", std::string(1023, 'D')}},
         std::string(255, 'T') + "\t12\t" + std::string(1023, 'D') + "\r\n"},
        {"CutKeepsTheLeadByteOfAStraddlingCharacter",
         std::string(254, 'a') + strKai + "\t1\t" + std::string(1022, 'x') + strKai + "\r\n",
         {{std::string(254, 'a') + "\x94", "1", std::string(1022, 'x') + "\x94"}},
         std::string(254, 'a') + "\x94\t1\t" + std::string(1022, 'x') + "\x94\r\n"},
        {"CtrlZInsideALineEndsTheFile",
         "a\t1\tb\r\nc\t2\td\x1A"
         "e\t3\tf\r\n",
         {{"a", "1", "b"}, {"c", "2", "d"}},
         "a\t1\tb\r\nc\t2\td\r\n"},
        {"CtrlZAfterALineEndEndsTheFile",
         "a\t1\tb\r\n\x1A"
         "c\t2\td\r\n",
         {{"a", "1", "b"}},
         "a\t1\tb\r\n"},
        {"FewerThanTwoTabs",
         "only title\r\na\t9\r\nb\t\r\n",
         {{"only title", "0", ""}, {"a", "9", ""}, {"b", "0", ""}},
         "only title\t0\t\r\na\t9\t\r\nb\t0\t\r\n"},
        {"EmptyLinesAreSkipped",
         "\r\n\na\t1\tb\r\n\r\n\nc\t2\td\r\n\r\n",
         {{"a", "1", "b"}, {"c", "2", "d"}},
         "a\t1\tb\r\nc\t2\td\r\n"},
        {"ZeroBytesEndTheirField",
         "a\0b\t4\tc\0d\r\n\0x\t1\ty\r\n"s,
         {{"a", "4", "c"}, {"", "1", "y"}},
         "a\t4\tc\r\n\t1\ty\r\n"},
    };
}

struct TaskFileRoundTrip : ::testing::TestWithParam<RoundTrip> {
    TaskFileRoundTrip() { WriteFileBytes(dir.File("ruvelo.ini"), "120"); }

    CTempDataDir dir;
    CTestApp env;
};

TEST_P(TaskFileRoundTrip, LoadsTheRecordsAndSavesThemBack)
{
    const RoundTrip& c = GetParam();
    WriteFileBytes(dir.File("ruvelo.csv"), c.file);
    CStartedMainWindow main(env);

    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(Rows(main.List()), c.rows);
    for (int i = 0; i < main.List().GetItemCount(); ++i) {
        EXPECT_EQ(main.List().GetItemData(i), i);
    }
    EXPECT_TRUE(main.SelectedRows().empty());
    EXPECT_EQ(main.FocusedRow(), -1);

    SaveByCommand(main);

    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), c.saved);
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

INSTANTIATE_TEST_SUITE_P(Records, TaskFileRoundTrip, ::testing::ValuesIn(RoundTrips()), CaseName<RoundTrip>);

TEST_F(TaskFileTest, ATitleHoldingATabIsSavedAsItIsAndReadsBackSplit)
{
    WriteFileBytes(dir.File("ruvelo.csv"), "");
    {
        CStartedMainWindow main(env);
        main.dlg.AppendTask("x\ty", 4, "z");
        SaveByCommand(main);
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "x\ty\t4\tz\r\n");
    }
    CStartedMainWindow main(env);
    EXPECT_EQ(Rows(main.List()), (std::vector<Row>{{"x", "0", "4\tz"}}));
    SaveByCommand(main);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), "x\t0\t4\tz\r\n");
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(TaskFileTest, ARowWithoutImportanceTextIsSavedWithZero)
{
    // Rows appended while the list has no columns hold only their titles.
    CTaskListDlg dlg;
    dlg.m_szDataDir = dir.Path();
    dlg.AppendTask("t", 5, "d");

    dlg.SaveTasks();

    EXPECT_EQ(ReadFileBytes(dir.File("RuVelo.csv")), "t\t0\t\r\n");
}

// Records are written a batch at a time. Whatever the batches hold (texts with a LF of their own,
// importance texts that are not one digit, a record larger than a batch), the bytes are those of
// "%s\t%d\t%s\n" for every row with each LF written as CR LF.
TEST_F(TaskFileTest, EveryRecordIsWrittenAsItsFormatSaysAcrossBatches)
{
    WriteFileBytes(dir.File("ruvelo.csv"), "");
    CStartedMainWindow main(env);
    CListCtrl& list = main.List();
    const char* const importances[] = {"7", "12", "", "abc", "-3", "99999999999", " 4", "0"};
    const char* const numbers[] = {"7", "12", "0", "0", "-3", "2147483647", "4", "0"};
    std::string strExpected;
    for (int i = 0; i < 30000; ++i) {
        std::string title = "title " + std::to_string(i);
        std::string details(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26));
        if (i % 7500 == 7499) {
            details += "\nmore";  // a LF of the text's own
        }
        if (i == 15000) {
            details.assign(1500000, 'L');  // larger than a batch
        }
        main.dlg.AppendTask(title.c_str(), 0, "");
        list.SetItem(i, 1, LVIF_TEXT, importances[i % 8], 0, 0, 0, 0);
        list.SetItem(i, 2, LVIF_TEXT, details.c_str(), 0, 0, 0, 0);
        std::string record = title + "\t" + numbers[i % 8] + "\t" + details + "\n";
        for (const char c : record) {
            strExpected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
    }

    main.dlg.SaveTasks();

    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), strExpected);
}

// --- The file's name ----------------------------------------------------------------------------

struct NameCase {
    const char* name;
    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::string> present;
    std::string readFrom; // empty: no file matches
    std::string writtenTo;
};

struct TaskFileName : ::testing::TestWithParam<NameCase> {
    TaskFileName() { WriteFileBytes(dir.File("ruvelo.ini"), "120"); }

    CTempDataDir dir;
    CTestApp env;
};

TEST_P(TaskFileName, IsMatchedWithoutRegardToCaseAndTheSameFileIsReadAndWritten)
{
    const NameCase& c = GetParam();
    const auto content = [](const std::string& name) { return name + "\t1\t\r\n"; };
    for (const std::string& name : c.present) {
        WriteFileBytes(dir.File(name), content(name));
    }
    CStartedMainWindow main(env);

    if (c.readFrom.empty()) {
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kNotFound, dir.File("ruvelo.csv")));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
        EXPECT_EQ(main.List().GetItemCount(), 0);
    } else {
        EXPECT_TRUE(env.ws.messageBoxes.empty());
        EXPECT_EQ(main.Titles(), std::vector<std::string>{c.readFrom});
    }
    const std::size_t nBoxes = env.ws.messageBoxes.size();

    env.ws.dialogAnswers.push_back({IDOK, CString("new"), std::nullopt, std::nullopt, {}});
    main.Command(ID_TASK_ADD);

    EXPECT_EQ(env.ws.messageBoxes.size(), nBoxes);
    const std::string strOld = c.readFrom.empty() ? std::string() : content(c.readFrom);
    EXPECT_EQ(ReadFileBytes(dir.File(c.writtenTo)), strOld + "new\t5\t\r\n");
    std::vector<std::string> expectedNames = c.present;
    expectedNames.push_back("ruvelo.ini");
    if (std::find(c.present.begin(), c.present.end(), c.writtenTo) == c.present.end()) {
        expectedNames.push_back(c.writtenTo);
    }
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(ListDirectory(dir.Path()), expectedNames);
    for (const std::string& name : c.present) {
        if (name != c.writtenTo) {
            EXPECT_EQ(ReadFileBytes(dir.File(name)), content(name)) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TaskFileName,
    ::testing::Values(
        NameCase{"Missing", {}, "", "RuVelo.csv"}, NameCase{"ReadSpelling", {"ruvelo.csv"}, "ruvelo.csv", "ruvelo.csv"},
        NameCase{"WriteSpelling", {"RuVelo.csv"}, "RuVelo.csv", "RuVelo.csv"},
        NameCase{"UpperCase", {"RUVELO.CSV"}, "RUVELO.CSV", "RUVELO.CSV"},
        NameCase{"TwoMatchesFirstInByteOrder", {"ruvelo.csv", "RuVelo.csv"}, "RuVelo.csv", "RuVelo.csv"},
        NameCase{
            "ThreeMatchesFirstInByteOrder", {"ruvelo.csv", "RuVelo.CSV", "RUVELO.csv"}, "RUVELO.csv", "RUVELO.csv"},
        NameCase{"NearMissesDoNotMatch", {"ruvelo.csv.bak", "ruvelo.cs", "xruvelo.csv"}, "", "RuVelo.csv"}),
    CaseName<NameCase>);

// --- A file that cannot be written --------------------------------------------------------------

TEST_F(TaskFileTest, AReadOnlyTaskFileIsRefusedAndStaysAsItWas)
{
    const std::string strPath = dir.File("ruvelo.csv");
    const std::string strContent = Sjis("買い物\t3\t牛乳\r\n");
    for (const mode_t nMode : {0444, 0400, 0555}) {
        SCOPED_TRACE("mode " + std::to_string(nMode));
        ::chmod(strPath.c_str(), 0644);
        WriteFileBytes(strPath, strContent);
        ASSERT_EQ(::chmod(strPath.c_str(), nMode), 0);
        env.ws.messageBoxes.clear();
        CStartedMainWindow main(env);
        ASSERT_TRUE(env.ws.messageBoxes.empty());
        const std::vector<Row> rowsBefore = Rows(main.List());
        const FileId idBefore = IdOf(strPath);

        SaveByCommand(main);

        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kAccessDenied, strPath));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
        EXPECT_EQ(env.ws.messageBoxes[0].hOwner, main.dlg.m_hWnd);
        EXPECT_EQ(ReadFileBytes(strPath), strContent);
        EXPECT_EQ(IdOf(strPath), idBefore);
        struct stat st {};
        ::stat(strPath.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, nMode);
        EXPECT_EQ(Rows(main.List()), rowsBefore);
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
    }
}

// --- A task file that was not read whole --------------------------------------------------------

// Faults in the task file's own open and reads; every other call is the real one.
struct FaultPlan {
    int nOpenErrno = 0;        // the open of the task file for reading fails with this
    int nReadsBeforeFail = -1; // reads of 16 bytes at most that succeed before one fails; -1 none
    int fdTask = -1;
    int nReads = 0;
};
FaultPlan g_plan;

bool IsTaskFileForReading(const char* path, int flags)
{
    const std::string_view s(path);
    return s.size() >= 11 && s.substr(s.size() - 11) == "/ruvelo.csv" && (flags & O_DIRECTORY) == 0 &&
           (flags & O_ACCMODE) == O_RDONLY;
}

int OpenWithFaults(const char* path, int flags, mode_t mode)
{
    const bool bTask = IsTaskFileForReading(path, flags);
    if (bTask && g_plan.nOpenErrno != 0) {
        errno = g_plan.nOpenErrno;
        return -1;
    }
    const int fd = RealSysCalls().open(path, flags, mode);
    if (bTask) {
        g_plan.fdTask = fd;
    }
    return fd;
}

ssize_t ReadWithFaults(int fd, void* buf, size_t count)
{
    if (fd != g_plan.fdTask || g_plan.nReadsBeforeFail < 0) {
        return RealSysCalls().read(fd, buf, count);
    }
    if (g_plan.nReads++ >= g_plan.nReadsBeforeFail) {
        errno = EIO;
        return -1;
    }
    return RealSysCalls().read(fd, buf, std::min<size_t>(count, 16));
}

int CloseWithFaults(int fd)
{
    if (fd == g_plan.fdTask) {
        g_plan.fdTask = -1;
    }
    return RealSysCalls().close(fd);
}

class CFaultySysCalls {
public:
    explicit CFaultySysCalls(const FaultPlan& plan) : m_saved(Sys())
    {
        g_plan = plan;
        Sys().open = OpenWithFaults;
        Sys().read = ReadWithFaults;
        Sys().close = CloseWithFaults;
    }
    ~CFaultySysCalls()
    {
        Sys() = m_saved;
        g_plan = {};
    }
    CFaultySysCalls(const CFaultySysCalls&) = delete;
    CFaultySysCalls& operator=(const CFaultySysCalls&) = delete;

private:
    SysCalls m_saved;
};

struct GuardCase {
    const char* name;
    friend void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }
    FaultPlan plan;
    std::string_view message;
    std::vector<std::string> titlesLoaded;
};

struct TaskFileLoadFailure : ::testing::TestWithParam<GuardCase> {
    TaskFileLoadFailure() { WriteFileBytes(dir.File("ruvelo.ini"), "120"); }

    CTempDataDir dir;
    CTestApp env;
};

TEST_P(TaskFileLoadFailure, EveryLaterSaveRaisesTheSameErrorAndLeavesTheFile)
{
    const GuardCase& c = GetParam();
    const std::string strPath = dir.File("ruvelo.csv");
    const std::string strContent = "a\t1\tb\r\nc\t2\td\r\ne\t3\tf\r\n";
    WriteFileBytes(strPath, strContent);
    const FileId idBefore = IdOf(strPath);
    std::optional<CStartedMainWindow> main;
    {
        const CFaultySysCalls faults(c.plan);
        main.emplace(env);
    }
    const std::string strMessage = FileMessage(c.message, strPath);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].strText, strMessage);
    EXPECT_EQ(main->Titles(), c.titlesLoaded);

    // The calls work again now; only the guard can stop these saves.
    SaveByCommand(*main);
    env.ws.dialogAnswers.push_back({IDOK, CString("new"), std::nullopt, std::nullopt, {}});
    main->Command(ID_TASK_ADD);

    ASSERT_EQ(env.ws.messageBoxes.size(), 3u);
    for (const CFakeWindowSystem::MessageBoxCall& box : env.ws.messageBoxes) {
        EXPECT_EQ(box.strText, strMessage);
        EXPECT_EQ(box.nType, MB_ICONSTOP | MB_OK);
    }
    EXPECT_EQ(ReadFileBytes(strPath), strContent);
    EXPECT_EQ(IdOf(strPath), idBefore);
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TaskFileLoadFailure,
    ::testing::Values(GuardCase{"OpenDenied", {EACCES}, kAccessDenied, {}},
                      GuardCase{
                          "OpenTooManyFiles", {EMFILE}, "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。", {}},
                      GuardCase{"OpenHardIo", {EIO}, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。", {}},
                      GuardCase{"FirstReadFails", {0, 0}, "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", {}},
                      GuardCase{"ReadFailsPartWay", {0, 1}, "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", {"a", "c"}}),
    CaseName<GuardCase>);

TEST_F(TaskFileTest, ANonRegularFileUnderEitherNameIsRefusedWithoutBlocking)
{
    struct Case {
        const char* name;
        bool bFifo;
    };
    const Case cases[] = {{"ruvelo.csv", false}, {"ruvelo.csv", true}, {"RuVelo.csv", true}, {"RUVELO.CSV", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.bFifo ? " FIFO" : " directory"));
        const std::string strPath = dir.File(c.name);
        ASSERT_EQ(c.bFifo ? ::mkfifo(strPath.c_str(), 0644) : ::mkdir(strPath.c_str(), 0755), 0);
        env.ws.messageBoxes.clear();
        {
            CStartedMainWindow main(env);
            EXPECT_EQ(main.List().GetItemCount(), 0);
            SaveByCommand(main);
        }
        ASSERT_EQ(env.ws.messageBoxes.size(), 2u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText, FileMessage(kAccessDenied, strPath));
        EXPECT_EQ(env.ws.messageBoxes[1].strText, FileMessage(kAccessDenied, strPath));
        struct stat st {};
        ASSERT_EQ(::lstat(strPath.c_str(), &st), 0);
        EXPECT_TRUE(c.bFifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode));
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{c.name, "ruvelo.ini"}));
        if (c.bFifo) {
            ::unlink(strPath.c_str());
        } else {
            ::rmdir(strPath.c_str());
        }
    }
}

} // namespace
