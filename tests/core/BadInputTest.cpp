// Start-up and the first save on task files, settings files and data directories that are broken
// in every way a user or a disk can break them. Each case starts the main window in a fresh
// directory: nothing may crash or block, each failure shows the message the rules give, and no
// file changes unless a save was meant to change it.
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/ModelTaskFile.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <fstream>
#include <functional>
#include <ostream>

namespace {

enum Cause { kGeneric = 1, kFileNotFound = 2, kBadPath = 3, kAccessDenied = 5 };

// The message texts of the file errors, written out here rather than taken from the program.
std::string FileError(Cause cause, const std::string& strPath)
{
    const char* pszFormat = "";
    switch (cause) {
    case kGeneric:
        pszFormat = "%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
        break;
    case kFileNotFound:
        pszFormat = "%1 が見つかりませんでした。";
        break;
    case kBadPath:
        pszFormat = "%1 には無効なﾊﾟｽが含まれています。";
        break;
    case kAccessDenied:
        pszFormat = "%1 へのｱｸｾｽは拒否されました。";
        break;
    }
    std::string text = Sjis(pszFormat);
    text.replace(text.find("%1"), 2, strPath);
    return text;
}

// One error box: its file error, and whether the main window owns it (the one at shutdown,
// after the window has gone, has no owner).
struct ExpectedBox {
    Cause cause;
    std::string strFile;  // the name in the data directory
    bool bOwned = true;
};

void ExpectBoxes(const CFakeWindowSystem& ws, std::size_t nFrom, const std::vector<ExpectedBox>& expected,
                 const std::string& strDir, HWND hMain, const char* pszWhen)
{
    SCOPED_TRACE(pszWhen);
    ASSERT_EQ(ws.messageBoxes.size() - nFrom, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& box = ws.messageBoxes[nFrom + i];
        EXPECT_EQ(box.strText, FileError(expected[i].cause, strDir + "/" + expected[i].strFile));
        EXPECT_EQ(box.strCaption, "RUVelo2");
        EXPECT_EQ(box.nType, MB_ICONSTOP | MB_OK);
        EXPECT_EQ(box.hOwner, expected[i].bOwned ? hMain : nullptr);
    }
}

std::vector<model::Task> Rows(const CListCtrl& list)
{
    std::vector<model::Task> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        rows.push_back({std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                        std::string(list.GetItemText(i, 2))});
    }
    return rows;
}

// A FIFO or a loop must never block the program; if one did, the test ends here instead of hanging.
struct CWatchdog {
    explicit CWatchdog(unsigned nSeconds) { ::alarm(nSeconds); }
    ~CWatchdog() { ::alarm(0); }
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;
};

// Replaces some of the file layer's calls for the life of the object.
class CScopedSys {
public:
    CScopedSys() : m_saved(Sys()) {}
    ~CScopedSys() { Sys() = m_saved; }
    CScopedSys(const CScopedSys&) = delete;
    CScopedSys& operator=(const CScopedSys&) = delete;

private:
    SysCalls m_saved;
};

// What a byte-level case costs is mostly two disk flushes per save; they prove nothing here.
void NoFlushes() { Sys().fsync = [](int) { return 0; }; }

// Root passes every permission check, so these calls refuse what the owner's mode bits refuse, as
// the system does for an ordinary user who owns the files.
bool OwnerLacks(const struct stat& st, mode_t bit) { return (st.st_mode & bit) == 0; }

bool PathLacks(const char* path, mode_t bit)
{
    struct stat st {};
    return ::stat(path, &st) == 0 && OwnerLacks(st, bit);
}

bool DirLacks(int dirfd, mode_t bit)
{
    struct stat st {};
    return ::fstat(dirfd, &st) == 0 && OwnerLacks(st, bit);
}

int Refuse()
{
    errno = EACCES;
    return -1;
}

void ActAsOrdinaryUser()
{
    Sys().open = [](const char* path, int flags, mode_t mode) {
        const int access = flags & O_ACCMODE;
        if ((access != O_WRONLY && PathLacks(path, S_IRUSR)) || (access != O_RDONLY && PathLacks(path, S_IWUSR))) {
            return Refuse();
        }
        return RealSysCalls().open(path, flags, mode);
    };
    Sys().openat = [](int dirfd, const char* path, int flags, mode_t mode) {
        if (((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) && DirLacks(dirfd, S_IWUSR)) {
            return Refuse();
        }
        return RealSysCalls().openat(dirfd, path, flags, mode);
    };
    Sys().access = [](const char* path, int mode) {
        return ((mode & W_OK) != 0 && PathLacks(path, S_IWUSR)) ? Refuse() : RealSysCalls().access(path, mode);
    };
    Sys().renameat2 = [](int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags) {
        return DirLacks(newdirfd, S_IWUSR) ? Refuse()
                                           : RealSysCalls().renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
    };
    Sys().linkat = [](int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
        return DirLacks(newdirfd, S_IWUSR) ? Refuse()
                                           : RealSysCalls().linkat(olddirfd, oldpath, newdirfd, newpath, flags);
    };
    Sys().unlinkat = [](int dirfd, const char* path, int flags) {
        return DirLacks(dirfd, S_IWUSR) ? Refuse() : RealSysCalls().unlinkat(dirfd, path, flags);
    };
}

// The kind of a directory entry, without following a link; 0 when there is none.
mode_t EntryType(const std::string& strPath)
{
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// The bytes of a plain file, following links; nothing for anything else, which might block.
std::optional<std::string> ReadPlainFile(const std::string& strPath)
{
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return ReadFileBytes(strPath);
}

template <std::size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);  // zero bytes included
}

} // namespace

namespace model {
void PrintTo(const Task& task, std::ostream* os);
void PrintTo(const Task& task, std::ostream* os)
{
    *os << ::testing::PrintToString(task.title) << " " << task.importance << " "
        << ::testing::PrintToString(task.details);
}
} // namespace model

namespace {

// ---------------------------------------------------------------------------------------------
// Task files of odd bytes: what loads is what the rules say, the first save writes it back in
// the file's own format, and a second start reads the same rows again.

struct BytesCase {
    std::string strName;
    std::string bytes;
    // Rows written out by hand for the cases that pin the rules down; the others rely on the model.
    std::optional<std::vector<model::Task>> rows;
    std::function<std::string()> makeBytes{};  // for a large file, instead of the bytes
};

void PrintTo(const BytesCase& c, std::ostream* os) { *os << c.strName; }

std::vector<BytesCase> MakeBytesCases()
{
    using Rows = std::vector<model::Task>;
    const std::string kTwoLines = Sjis("表\t1\t能\r\nab\t2\tc\r\n");  // 表 and 能 end in the byte 0x5C
    std::vector<BytesCase> cases = {
        {"Empty", "", Rows{}},
        {"OnlyLineEnds", "\r\n\n\r\n\n\n", Rows{}},
        {"CrAloneIsText", "\r", Rows{{"\r", "0", ""}}},
        {"CrInsideAndBeforeCrLf", "a\rb\t1\tc\r\r\n", Rows{{"a\rb", "1", "c\r"}}},
        {"CtrlZFirst", "\x1A" "a\t1\tb\r\n", Rows{}},
        {"CtrlZInsideADoubleByteCharacter", "\x95\x1A\x5C" + kTwoLines, Rows{{"\x95", "0", ""}}},
        {"CtrlZBetweenLeadAndTrailOfDetails", "t\t3\t\x94\x1A\x5C\r\n", Rows{{"t", "3", "\x94"}}},
        {"ZeroBytesEndTheirFields", Bytes("a\0b\t1\0" "2\tc\0d\r\n\0\t5\tx\r\n\0\r\n"),
         Rows{{"a", "1", "c"}, {"", "5", "x"}, {"", "0", ""}}},
        {"NoTabOneTabThreeTabs", "only title\r\ntitle\t7\r\na\t5\tx\ty\r\n",
         Rows{{"only title", "0", ""}, {"title", "7", ""}, {"a", "5", "x\ty"}}},
        {"LoneLeadByteEndsTitleDetailsAndFile", "ab\x81\t3\tcd\x82\r\nx\t1\ty\x83",
         Rows{{"ab\x81", "3", "cd\x82"}, {"x", "1", "y\x83"}}},
        {"ImportanceTexts", " 7\t 7\t\r\n+7\t+7\t\r\n07\t07\t\r\n7abc\t7abc\t\r\nnone\tabc\t\r\nbig\t99999999999\t\r\n"
                            "small\t-99999999999\t\r\n",
         Rows{{" 7", "7", ""}, {"+7", "7", ""}, {"07", "7", ""}, {"7abc", "7", ""}, {"none", "0", ""},
              {"big", "2147483647", ""}, {"small", "-2147483648", ""}}},
    };
    // 0x1A at every position of a short file: what comes before it loads, nothing after it.
    for (std::size_t i = 0; i <= kTwoLines.size(); ++i) {
        cases.push_back({"CtrlZAt" + std::to_string(i), kTwoLines.substr(0, i) + "\x1A" + kTwoLines.substr(i), {}});
    }
    // Every byte value as a title, in a record of its own between two ordinary ones.
    for (int b = 0; b < 256; ++b) {
        cases.push_back({"TitleByte" + std::to_string(b),
                         "x\t1\ty\r\n" + std::string(1, static_cast<char>(b)) + "\t2\tz\r\nw\t3\tv",
                         {}});
    }
    // Long lines: the title keeps 255 bytes and the details 1023; a cut may leave a lead byte.
    // Their bytes are made only by the test that runs them, since every test process builds
    // this whole list.
    const auto repeat = [](const std::string& strUnit, std::size_t nBytes) {
        std::string text;
        text.reserve(nBytes + strUnit.size());
        while (text.size() < nBytes) {
            text += strUnit;
        }
        return text;
    };
    const std::string strA = Sjis("あ");
    cases.push_back({"OneMegabyteLine",
                     {},
                     Rows{{repeat(strA, 255).substr(0, 255), "4", repeat(strA, 1023).substr(0, 1023)}},
                     [repeat, strA] {
                         const std::string strLong = repeat(strA, 1024 * 1024);
                         return strLong + "\t4\t" + strLong + "\r\n";
                     }});
    cases.push_back({"MillionEmptyLines", {}, Rows{{"last", "9", "!"}},
                     [repeat] { return repeat("\r\n", 2000000) + "last\t9\t!\r\n"; }});
    return cases;
}

struct TaskFileBytesTest : ::testing::TestWithParam<BytesCase> {
    CScopedSys sys;
    CTempDataDir dir;
};

TEST_P(TaskFileBytesTest, LoadsAsTheRulesSayAndSavesBackWhatWasLoaded)
{
    const BytesCase& c = GetParam();
    NoFlushes();
    const std::string bytes = c.makeBytes ? c.makeBytes() : c.bytes;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), bytes);
    const std::vector<model::Task> expected = c.rows.value_or(model::ParseTaskFile(bytes));
    if (c.rows) {
        EXPECT_EQ(model::ParseTaskFile(bytes), *c.rows) << "the model disagrees with the case";
    }

    std::vector<model::Task> loaded;
    {
        CTestApp env;
        CStartedMainWindow main(env);
        EXPECT_TRUE(env.ws.messageBoxes.empty());
        loaded = Rows(main.List());
        EXPECT_EQ(loaded, expected);
        for (int i = 0; i < main.List().GetItemCount(); ++i) {
            ASSERT_EQ(main.List().GetItemData(i), i);
        }
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), bytes) << "start-up wrote the task file";

        main.Command(ID_TASK_DELETE);  // nothing is selected: only the save
        EXPECT_TRUE(env.ws.messageBoxes.empty());
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), model::SerializeTaskFile(expected));
    }
    CTestApp env;
    CStartedMainWindow main(env);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(Rows(main.List()), loaded) << "the saved file reads back differently";
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

INSTANTIATE_TEST_SUITE_P(BadInput, TaskFileBytesTest, ::testing::ValuesIn(MakeBytesCases()),
                         [](const ::testing::TestParamInfo<BytesCase>& p) { return p.param.strName; });

// Marked large: a line of 100 MB, made here in pieces. About a second, most of it writing the file.
TEST(BadInputLargeTest, HundredMegabyteLineLoadsCutAndTheNextLineToo)
{
    CScopedSys sys;
    NoFlushes();
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    {
        std::ofstream out(dir.File("ruvelo.csv"), std::ios::binary);
        const std::string strChunk(1024 * 1024, 'T');
        for (int i = 0; i < 50; ++i) {
            out.write(strChunk.data(), static_cast<std::streamsize>(strChunk.size()));
        }
        out << "\t42\t";
        const std::string strDetails(1024 * 1024, 'd');
        for (int i = 0; i < 50; ++i) {
            out.write(strDetails.data(), static_cast<std::streamsize>(strDetails.size()));
        }
        out << "\r\nnext\t1\tz\r\n";
        ASSERT_TRUE(out.good());
    }
    CTestApp env;
    CStartedMainWindow main(env);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    const std::vector<model::Task> expected = {{std::string(255, 'T'), "42", std::string(1023, 'd')},
                                               {"next", "1", "z"}};
    EXPECT_EQ(Rows(main.List()), expected);
    main.Command(ID_TASK_DELETE);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), model::SerializeTaskFile(expected));
}

// ---------------------------------------------------------------------------------------------
// Settings files of odd bytes: the size they give, the font it asks for, and what is written back.

struct SettingsCase {
    const char* pszName;
    std::string bytes;
    int nSize;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.pszName; }

struct SettingsBytesTest : ::testing::TestWithParam<SettingsCase> {
    CScopedSys sys;
    CTempDataDir dir;
};

TEST_P(SettingsBytesTest, GivesTheSizeAndWritesBackWhatTheFontCommandsMadeOfIt)
{
    const SettingsCase& c = GetParam();
    NoFlushes();
    WriteFileBytes(dir.File("ruvelo.ini"), c.bytes);
    WriteFileBytes(dir.File("ruvelo.csv"), "a\t1\tb\r\n");
    EXPECT_EQ(model::ParseSettings(c.bytes), c.nSize) << "the model disagrees with the case";
    {
        CTestApp env;
        CStartedMainWindow main(env);
        EXPECT_TRUE(env.ws.messageBoxes.empty());
        EXPECT_EQ(main.dlg.m_nFontSize, c.nSize);
        ASSERT_FALSE(env.ws.fontsCreated.empty());
        EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, model::FontHeight(c.nSize, 96));
        EXPECT_EQ(main.List().GetItemCount(), 1);

        // Past either end of the range the size stops there rather than wrap round.
        main.Command(ID_FONT_LARGER);
        main.Command(ID_FONT_SMALLER);
        main.Command(ID_FONT_SMALLER);
        EXPECT_EQ(main.dlg.m_nFontSize,
                  model::AddSaturating(model::AddSaturating(model::AddSaturating(c.nSize, 20), -20), -20));
        EXPECT_EQ(env.ws.fontsCreated.back().lfHeight, model::FontHeight(main.dlg.m_nFontSize, 96));
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), c.bytes) << "settings are written only at shutdown";
        main.Close();
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.ini")), std::to_string(main.dlg.m_nFontSize));
        EXPECT_TRUE(env.ws.messageBoxes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(BadInput, SettingsBytesTest,
                         ::testing::Values(SettingsCase{"BeyondThirtyTwoBits", "99999999999", INT_MAX},
                                           SettingsCase{"TwoToTheThirtyTwoPlus120", "4294967416", INT_MAX},
                                           SettingsCase{"NegativeBeyondThirtyTwoBits", "-99999999999", INT_MIN},
                                           SettingsCase{"Huge", "2147483647", INT_MAX},
                                           SettingsCase{"HugeNegative", "-2147483648", INT_MIN},
                                           SettingsCase{"Negative", "-40", -40},
                                           SettingsCase{"Zero", "0", 0},
                                           SettingsCase{"TextOnly", "large", 120},
                                           SettingsCase{"Empty", "", 120},
                                           SettingsCase{"NumberOnTheSecondLine", " \r\n90", 120},
                                           SettingsCase{"BlanksSignAndUnit", "\t+90pt\r\n130", 90},
                                           SettingsCase{"CtrlZFirst", "\x1A" "90", 120},
                                           SettingsCase{"ZeroByteFirst", Bytes("\0" "90"), 120},
                                           SettingsCase{"HexIsZero", "0x10", 0}),
                         [](const ::testing::TestParamInfo<SettingsCase>& p) { return std::string(p.param.pszName); });

// ---------------------------------------------------------------------------------------------
// Files that are not plain readable files, and directories that do not let the program write.

const std::string kTaskBytes = "a\t1\tb\r\n" + Sjis("表\t2\t能\r\n");
const std::string kSettingsBytes = "90";

struct FileSystemCase {
    const char* pszName;
    std::function<void(const CTempDataDir&)> arrange{};  // breaks the files once they are written
    bool bOrdinaryUser = false;
    std::vector<ExpectedBox> atStart{};
    std::vector<ExpectedBox> atSave{};  // an Add confirmed with one task
    std::vector<ExpectedBox> atClose{};
    bool bTasksLoaded = true;
    bool bTaskFileKept = true;   // the save leaves the task file as it was
    bool bSettingsKept = false;  // shutdown leaves the settings file as it was
    std::function<void(const CTempDataDir&)> check{};  // anything else the case must show afterwards
};

void PrintTo(const FileSystemCase& c, std::ostream* os) { *os << c.pszName; }

void Replace(const std::string& strPath, const std::function<void(const char*)>& make)
{
    ::unlink(strPath.c_str());
    make(strPath.c_str());
}

void MakeDirectory(const char* path) { ASSERT_EQ(::mkdir(path, 0755), 0); }
void MakeFifo(const char* path) { ASSERT_EQ(::mkfifo(path, 0644), 0); }
void MakeDanglingLink(const char* path) { ASSERT_EQ(::symlink("nowhere", path), 0); }
void MakeLinkLoop(const char* path) { ASSERT_EQ(::symlink(path, path), 0); }

std::vector<FileSystemCase> MakeFileSystemCases()
{
    const std::string csv = "ruvelo.csv";
    const std::string ini = "ruvelo.ini";
    const auto breakTask = [](std::function<void(const char*)> make) {
        return [make](const CTempDataDir& dir) { Replace(dir.File("ruvelo.csv"), make); };
    };
    const auto breakSettings = [](std::function<void(const char*)> make) {
        return [make](const CTempDataDir& dir) { Replace(dir.File("ruvelo.ini"), make); };
    };
    const auto chmodOf = [](const char* pszName, mode_t mode) {
        return [pszName, mode](const CTempDataDir& dir) { ASSERT_EQ(::chmod(dir.File(pszName).c_str(), mode), 0); };
    };
    // Each case gives only what differs from a start that reads both files and saves fine.
    return {
        // A task file that is not a plain file is refused before anything reads or writes it, and
        // every later save in the run is refused with the same message.
        {.pszName = "TaskFileIsADirectory",
         .arrange = breakTask(MakeDirectory),
         .atStart = {{kAccessDenied, csv}},
         .atSave = {{kAccessDenied, csv}},
         .bTasksLoaded = false},
        {.pszName = "TaskFileIsAFifo",
         .arrange = breakTask(MakeFifo),
         .atStart = {{kAccessDenied, csv}},
         .atSave = {{kAccessDenied, csv}},
         .bTasksLoaded = false},
        // A dangling link is a missing file: the save creates the file it points to.
        {.pszName = "TaskFileIsADanglingLink",
         .arrange = breakTask(MakeDanglingLink),
         .atStart = {{kFileNotFound, csv}},
         .bTasksLoaded = false,
         .bTaskFileKept = false,
         .check =
             [](const CTempDataDir& dir) {
                 EXPECT_EQ(EntryType(dir.File("ruvelo.csv")), S_IFLNK);
                 EXPECT_EQ(ReadFileBytes(dir.File("nowhere")), "new\t5\t\r\n");
             }},
        {.pszName = "TaskFileIsALinkLoop",
         .arrange = breakTask(MakeLinkLoop),
         .atStart = {{kBadPath, csv}},
         .atSave = {{kBadPath, csv}},
         .bTasksLoaded = false},
        {.pszName = "TaskFileUnreadable",
         .arrange = chmodOf("ruvelo.csv", 0),
         .bOrdinaryUser = true,
         .atStart = {{kAccessDenied, csv}},
         .atSave = {{kAccessDenied, csv}},
         .bTasksLoaded = false},
        {.pszName = "TaskFileReadOnly", .arrange = chmodOf("ruvelo.csv", 0444), .atSave = {{kAccessDenied, csv}}},
        {.pszName = "TaskFileReadOnlyForThisUser",
         .arrange = chmodOf("ruvelo.csv", 0444),
         .bOrdinaryUser = true,
         .atSave = {{kAccessDenied, csv}}},
        // Write bits that the system still refuses, as on a file system mounted read-only.
        {.pszName = "TaskFileOnReadOnlyFileSystem",
         .arrange =
             [](const CTempDataDir&) {
                 Sys().access = [](const char* path, int mode) {
                     if ((mode & W_OK) != 0) {
                         errno = EROFS;
                         return -1;
                     }
                     return RealSysCalls().access(path, mode);
                 };
             },
         .atSave = {{kAccessDenied, csv}},
         .atClose = {{kAccessDenied, ini, false}},
         .bSettingsKept = true},
        // Settings that cannot be read are reported, and the start goes on with size 120.
        {.pszName = "SettingsFileIsADirectory",
         .arrange = breakSettings(MakeDirectory),
         .atStart = {{kAccessDenied, ini}},
         .atClose = {{kAccessDenied, ini, false}},
         .bTaskFileKept = false,
         .bSettingsKept = true},
        {.pszName = "SettingsFileIsAFifo",
         .arrange = breakSettings(MakeFifo),
         .atStart = {{kAccessDenied, ini}},
         .atClose = {{kAccessDenied, ini, false}},
         .bTaskFileKept = false,
         .bSettingsKept = true},
        {.pszName = "SettingsFileIsADanglingLink",
         .arrange = breakSettings(MakeDanglingLink),
         .atStart = {{kFileNotFound, ini}},
         .bTaskFileKept = false,
         .check =
             [](const CTempDataDir& dir) {
                 EXPECT_EQ(EntryType(dir.File("ruvelo.ini")), S_IFLNK);
                 EXPECT_EQ(ReadFileBytes(dir.File("nowhere")), "120");
             }},
        {.pszName = "SettingsFileIsALinkLoop",
         .arrange = breakSettings(MakeLinkLoop),
         .atStart = {{kBadPath, ini}},
         .atClose = {{kBadPath, ini, false}},
         .bTaskFileKept = false,
         .bSettingsKept = true},
        {.pszName = "SettingsFileUnreadable",
         .arrange = chmodOf("ruvelo.ini", 0),
         .bOrdinaryUser = true,
         .atStart = {{kAccessDenied, ini}},
         .atClose = {{kAccessDenied, ini, false}},
         .bTaskFileKept = false,
         .bSettingsKept = true},
        {.pszName = "SettingsFileReadOnly",
         .arrange = chmodOf("ruvelo.ini", 0444),
         .atClose = {{kAccessDenied, ini, false}},
         .bTaskFileKept = false,
         .bSettingsKept = true},
        // Root may write in any directory, so this one acts as the ordinary user who owns it.
        {.pszName = "ReadOnlyDirectory",
         .arrange = [](const CTempDataDir& dir) { ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0); },
         .bOrdinaryUser = true,
         .atSave = {{kAccessDenied, csv}},
         .atClose = {{kAccessDenied, ini, false}},
         .bSettingsKept = true},
    };
}

struct FileSystemTest : ::testing::TestWithParam<FileSystemCase> {
    CScopedSys sys;
    CTempDataDir dir;
};

TEST_P(FileSystemTest, ReportsEachFailureAndChangesNoFileItCouldNotWrite)
{
    const FileSystemCase& c = GetParam();
    const CWatchdog watchdog(30);
    WriteFileBytes(dir.File("ruvelo.csv"), kTaskBytes);
    WriteFileBytes(dir.File("ruvelo.ini"), kSettingsBytes);
    c.arrange(dir);
    if (c.bOrdinaryUser) {
        ActAsOrdinaryUser();
    }
    const mode_t taskType = EntryType(dir.File("ruvelo.csv"));
    const mode_t settingsType = EntryType(dir.File("ruvelo.ini"));
    const std::optional<std::string> taskBytes = ReadPlainFile(dir.File("ruvelo.csv"));
    const std::optional<std::string> settingsBytes = ReadPlainFile(dir.File("ruvelo.ini"));

    const bool bSettingsRead = c.atStart.empty() || c.atStart[0].strFile != "ruvelo.ini";
    CTestApp env;
    {
        CStartedMainWindow main(env);
        const HWND hMain = main.dlg.m_hWnd;
        ExpectBoxes(env.ws, 0, c.atStart, dir.Path(), hMain, "at start-up");
        EXPECT_EQ(main.dlg.m_nFontSize, bSettingsRead ? 90 : 120);
        EXPECT_EQ(env.ws.GetWindow(hMain).bCentred, c.atStart.empty()) << "a failed start leaves the window top-left";
        EXPECT_EQ(main.List().GetColumnCount(), 3);
        std::vector<model::Task> rows = c.bTasksLoaded ? model::ParseTaskFile(kTaskBytes) : std::vector<model::Task>{};
        EXPECT_EQ(Rows(main.List()), rows);

        std::size_t nBoxes = env.ws.messageBoxes.size();
        env.ws.dialogAnswers.push_back({IDOK, "new", "5", "", {}});
        main.Command(ID_TASK_ADD);
        ExpectBoxes(env.ws, nBoxes, c.atSave, dir.Path(), hMain, "at the save");
        rows.push_back({"new", "5", ""});
        EXPECT_EQ(Rows(main.List()), rows) << "a failed save leaves the command's work in the list";
        EXPECT_EQ(EntryType(dir.File("ruvelo.csv")), taskType);
        if (c.bTaskFileKept) {
            EXPECT_EQ(ReadPlainFile(dir.File("ruvelo.csv")), taskBytes);
        } else if (c.atSave.empty() && taskType == S_IFREG) {
            EXPECT_EQ(ReadPlainFile(dir.File("ruvelo.csv")), model::SerializeTaskFile(rows));
        }

        nBoxes = env.ws.messageBoxes.size();
        main.Close();
        ExpectBoxes(env.ws, nBoxes, c.atClose, dir.Path(), hMain, "at shutdown");
    }
    EXPECT_EQ(EntryType(dir.File("ruvelo.ini")), settingsType);
    if (c.bSettingsKept) {
        EXPECT_EQ(ReadPlainFile(dir.File("ruvelo.ini")), settingsBytes);
    } else if (settingsType == S_IFREG) {
        EXPECT_EQ(ReadPlainFile(dir.File("ruvelo.ini")), bSettingsRead ? "90" : "120");
    }
    if (c.check) {
        c.check(dir);
    }
    // Nothing half-written is left behind, whatever failed.
    std::vector<std::string> names = ListDirectory(dir.Path());
    std::erase(names, "nowhere");
    EXPECT_EQ(names, (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

INSTANTIATE_TEST_SUITE_P(BadInput, FileSystemTest, ::testing::ValuesIn(MakeFileSystemCases()),
                         [](const ::testing::TestParamInfo<FileSystemCase>& p) {
                             return std::string(p.param.pszName);
                         });

// ---------------------------------------------------------------------------------------------
// Failures in the middle of a run.

TEST(BadInputRunTest, DataDirectoryRemovedWhileRunningReportsTheSaveAndTheShutdown)
{
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.csv"), kTaskBytes);
    WriteFileBytes(dir.File("ruvelo.ini"), kSettingsBytes);
    CTestApp env;
    CStartedMainWindow main(env);
    const HWND hMain = main.dlg.m_hWnd;
    ASSERT_TRUE(env.ws.messageBoxes.empty());

    ASSERT_EQ(::unlink(dir.File("ruvelo.csv").c_str()), 0);
    ASSERT_EQ(::unlink(dir.File("ruvelo.ini").c_str()), 0);
    ASSERT_EQ(::rmdir(dir.Path().c_str()), 0);

    env.ws.dialogAnswers.push_back({IDOK, "new", "5", "", {}});
    main.Command(ID_TASK_ADD);
    // With the task file gone, the save looks for the name it creates.
    ExpectBoxes(env.ws, 0, {{kBadPath, "RuVelo.csv"}}, dir.Path(), hMain, "at the save");
    EXPECT_EQ(main.List().GetItemCount(), 3);
    main.Close();
    ExpectBoxes(env.ws, 1, {{kBadPath, "ruvelo.ini", false}}, dir.Path(), hMain, "at shutdown");
    struct stat st {};
    EXPECT_NE(::stat(dir.Path().c_str(), &st), 0) << "the program made the directory again";
}

// A read that fails part way keeps the rows read so far, and no save may then replace the file.
TEST(BadInputRunTest, ReadFailingPartWayKeepsTheRowsSoFarAndRefusesEverySave)
{
    CTempDataDir dir;
    std::string bytes;
    for (int i = 0; bytes.size() < 200 * 1024; ++i) {
        bytes += "task " + std::to_string(i) + "\t" + std::to_string(i % 10) + "\tdetails of the task\r\n";
    }
    WriteFileBytes(dir.File("ruvelo.csv"), bytes);
    WriteFileBytes(dir.File("ruvelo.ini"), kSettingsBytes);

    // The task file's first read delivers, its second fails as a disk does.
    static int s_taskFd;
    static std::size_t s_nDelivered;
    s_taskFd = -1;
    s_nDelivered = 0;
    CScopedSys sys;
    Sys().open = [](const char* path, int flags, mode_t mode) {
        const int fd = RealSysCalls().open(path, flags, mode);
        if (std::string_view(path).ends_with("/ruvelo.csv")) {
            s_taskFd = fd;
        }
        return fd;
    };
    Sys().read = [](int fd, void* buf, size_t count) -> ssize_t {
        if (fd == s_taskFd && s_nDelivered > 0) {
            errno = EIO;
            return -1;
        }
        const ssize_t n = RealSysCalls().read(fd, buf, count);
        if (fd == s_taskFd && n > 0) {
            s_nDelivered += static_cast<std::size_t>(n);
        }
        return n;
    };
    CTestApp env;
    CStartedMainWindow main(env);
    const HWND hMain = main.dlg.m_hWnd;
    ASSERT_GT(s_nDelivered, 0u);
    ASSERT_LT(s_nDelivered, bytes.size());
    ExpectBoxes(env.ws, 0, {{kGeneric, "ruvelo.csv"}}, dir.Path(), hMain, "at start-up");
    // Only the whole lines of what was read before the failure.
    const std::string strRead = bytes.substr(0, s_nDelivered);
    EXPECT_EQ(Rows(main.List()), model::ParseTaskFile(strRead.substr(0, strRead.rfind('\n') + 1)));
    EXPECT_FALSE(env.ws.GetWindow(hMain).bCentred);
    Sys().read = RealSysCalls().read;
    Sys().open = RealSysCalls().open;

    env.ws.dialogAnswers.push_back({IDOK, "new", "5", "", {}});
    main.Command(ID_TASK_ADD);
    main.Command(ID_TASK_DELETE);
    ExpectBoxes(env.ws, 1, {{kGeneric, "ruvelo.csv"}, {kGeneric, "ruvelo.csv"}}, dir.Path(), hMain, "add and delete");
    env.ws.messageBoxAnswers.push_back(IDYES);
    main.Command(ID_TASK_DELETE_ALL);
    ASSERT_EQ(env.ws.messageBoxes.size(), 6u);  // the question, its report, then the save's error
    EXPECT_EQ(env.ws.messageBoxes[5].strText, FileError(kGeneric, dir.File("ruvelo.csv")));
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), bytes);
}

} // namespace
