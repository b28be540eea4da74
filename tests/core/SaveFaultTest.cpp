// A save that fails at any one of its steps leaves the old file as it was and nothing else behind;
// the steps are made to fail through the Sys() table, then for real on a full file system.
#include "framework/File.h"
#include "framework/FileException.h"
#include "res/resource.h"
#include "support/SysChild.h"
#include "support/SysFault.h"
#include "support/TestEnv.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBuffer = 64 * 1024;
const std::string kOld = "old 1\t5\t\r\nold 2\t3\tdetails\r\n";

// Records enough for several writes of the writer's buffer.
std::vector<std::string> BigRecords()
{
    std::vector<std::string> records;
    std::size_t nBytes = 0;
    for (int i = 0; nBytes < 3 * kBuffer + 1000; ++i) {
        records.push_back("new task " + std::to_string(i) + "\t" + std::to_string(i % 10) + "\t" +
                          std::string(60, 'd') + "\n");
        nBytes += records.back().size() + 1;
    }
    return records;
}

std::string Expected(const std::vector<std::string>& records)
{
    std::string bytes;
    for (const std::string& record : records) {
        bytes += record.substr(0, record.size() - 1) + "\r\n";
    }
    return bytes;
}

void Save(const std::string& path, const std::vector<std::string>& records)
{
    CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    for (const std::string& record : records) {
        file.WriteString(record);
    }
    file.Close();
}

std::optional<CFileException> SaveError(const std::string& path, const std::vector<std::string>& records)
{
    try {
        Save(path, records);
    } catch (const CFileException& e) {
        return e;
    }
    return std::nullopt;
}

int OpenDescriptors()
{
    int n = 0;
    if (DIR* pDir = ::opendir("/proc/self/fd")) {
        while (::readdir(pDir) != nullptr) {
            ++n;
        }
        ::closedir(pDir);
    }
    return n;
}

// A fault set up for one case: the guard keeps it in place, failures() tells whether it fired.
struct CArmed {
    std::shared_ptr<void> guard;
    std::function<int()> failures;
};

template <auto Member> CArmed Fail(int nNth, int nErrno, int nTimes = 1, bool bCallThrough = false)
{
    auto pFault = std::make_shared<CSysFault<Member>>(nNth, nErrno, nTimes, bCallThrough);
    return {pFault, [pFault] { return pFault->Failures(); }};
}

// Different errors for several calls of one entry: errno by call number, counted from 1.
template <auto Member> CArmed FailCalls(std::map<int, int> errnoByCall)
{
    auto pFailures = std::make_shared<int>(0);
    auto pHook =
        std::make_shared<CSysHook<Member>>([errnoByCall, pFailures, nCall = 0](auto next, auto... args) mutable {
            if (const auto it = errnoByCall.find(++nCall); it != errnoByCall.end()) {
                ++*pFailures;
                errno = it->second;
                return static_cast<decltype(next(args...))>(-1);
            }
            return next(args...);
        });
    return {pHook, [pHook, pFailures] { return *pFailures; }};
}

// Two faults at once, for a fallback that fails in its turn.
CArmed Both(CArmed first, CArmed second)
{
    auto pPair = std::make_shared<std::pair<CArmed, CArmed>>(std::move(first), std::move(second));
    return {pPair, [pPair] { return std::min(pPair->first.failures(), pPair->second.failures()); }};
}

// The nNth write writes only half of what it was given; every write after it fails.
CArmed ShortWriteThenError(int nNth, int nErrno)
{
    auto pFailures = std::make_shared<int>(0);
    auto pHook = std::make_shared<CSysHook<&SysCalls::write>>(
        [nNth, nErrno, pFailures, nCall = 0](auto next, int fd, const void* p, size_t n) mutable -> ssize_t {
            ++nCall;
            if (nCall == nNth) {
                return next(fd, p, n / 2);
            }
            if (nCall > nNth) {
                ++*pFailures;
                errno = nErrno;
                return -1;
            }
            return next(fd, p, n);
        });
    return {pHook, [pHook, pFailures] { return *pFailures; }};
}

// The nNth write writes only half of what it was given; the calls after it go through.
CArmed ShortWrite(int nNth)
{
    auto pShort = std::make_shared<int>(0);
    auto pHook = std::make_shared<CSysHook<&SysCalls::write>>(
        [nNth, pShort, nCall = 0](auto next, int fd, const void* p, size_t n) mutable -> ssize_t {
            if (++nCall == nNth) {
                ++*pShort;
                return next(fd, p, n / 2);
            }
            return next(fd, p, n);
        });
    return {pHook, [pHook, pShort] { return *pShort; }};
}

// The nNth write reports that it wrote nothing.
CArmed WriteNothing(int nNth)
{
    auto pFailures = std::make_shared<int>(0);
    auto pHook = std::make_shared<CSysHook<&SysCalls::write>>(
        [nNth, pFailures, nCall = 0](auto next, int fd, const void* p, size_t n) mutable -> ssize_t {
            if (++nCall == nNth) {
                ++*pFailures;
                return 0;
            }
            return next(fd, p, n);
        });
    return {pHook, [pHook, pFailures] { return *pFailures; }};
}

struct FaultCase {
    const char* what;
    std::function<CArmed()> arm;
    int cause;
    int nErrno;
};

struct SaveFaultTest : ::testing::Test {
    CTempDataDir dir;
    std::string path = dir.File("RuVelo.csv");

    void TearDown() override { EXPECT_TRUE(SysCallsAreReal()); }

    // Runs the save of each case against a fresh old file (or none) and checks what is left.
    void RunCases(const std::vector<FaultCase>& cases, bool bOldFile)
    {
        const std::vector<std::string> records = BigRecords();
        for (const FaultCase& c : cases) {
            SCOPED_TRACE(c.what);
            ::unlink(path.c_str());
            if (bOldFile) {
                WriteFileBytes(path, kOld);
            }
            const int nFds = OpenDescriptors();
            std::optional<CFileException> e;
            {
                const CArmed armed = c.arm();
                e = SaveError(path, records);
                EXPECT_GT(armed.failures(), 0) << "the fault never came";
            }
            ASSERT_TRUE(e.has_value()) << "the save reported success";
            EXPECT_EQ(e->m_cause, c.cause);
            EXPECT_EQ(e->m_lOsError, c.nErrno);
            EXPECT_EQ(e->m_strFileName, path);
            if (bOldFile) {
                EXPECT_EQ(ReadFileBytes(path), kOld);
                EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
            } else {
                EXPECT_TRUE(ListDirectory(dir.Path()).empty());
            }
            EXPECT_EQ(OpenDescriptors(), nFds) << "a descriptor was left open";
            // Nothing stays locked or half done: the next save goes through.
            Save(path, {"after\n"});
            EXPECT_EQ(ReadFileBytes(path), "after\r\n");
        }
    }
};

TEST_F(SaveFaultTest, EveryStepOfReplacingAFileFailsCleanly)
{
    const std::vector<FaultCase> cases = {
        {"lock: opening the directory", [] { return Fail<&SysCalls::open>(1, EMFILE); },
         CFileException::tooManyOpenFiles, EMFILE},
        {"lock: the directory is gone", [] { return Fail<&SysCalls::open>(1, ENOENT); }, CFileException::badPath,
         ENOENT},
        {"lock: held elsewhere", [] { return Fail<&SysCalls::flock>(1, EWOULDBLOCK); },
         CFileException::sharingViolation, EWOULDBLOCK},
        {"lock: no locks left", [] { return Fail<&SysCalls::flock>(1, ENOLCK); }, CFileException::generic, ENOLCK},
        {"lstat refused", [] { return Fail<&SysCalls::lstat>(1, EACCES); }, CFileException::accessDenied, EACCES},
        {"lstat device error", [] { return Fail<&SysCalls::lstat>(1, EIO); }, CFileException::hardIO, EIO},
        {"write access refused", [] { return Fail<&SysCalls::access>(1, EROFS); }, CFileException::accessDenied,
         EACCES},
        {"opening the target's directory", [] { return Fail<&SysCalls::open>(2, ENFILE); },
         CFileException::tooManyOpenFiles, ENFILE},
        {"temporary file: no space", [] { return Fail<&SysCalls::openat>(1, ENOSPC); }, CFileException::diskFull,
         ENOSPC},
        {"temporary file: refused", [] { return Fail<&SysCalls::openat>(1, EACCES); }, CFileException::accessDenied,
         EACCES},
        {"named temporary file after EOPNOTSUPP",
         [] {
             return FailCalls<&SysCalls::openat>({{1, EOPNOTSUPP}, {2, EDQUOT}});
         },
         CFileException::diskFull, EDQUOT},
        {"1st write", [] { return Fail<&SysCalls::write>(1, ENOSPC); }, CFileException::diskFull, ENOSPC},
        {"2nd write", [] { return Fail<&SysCalls::write>(2, EIO); }, CFileException::diskFull, EIO},
        {"last write, at close", [] { return Fail<&SysCalls::write>(4, EFBIG); }, CFileException::diskFull, EFBIG},
        {"short write, then an error", [] { return ShortWriteThenError(1, ENOSPC); }, CFileException::diskFull, ENOSPC},
        {"short 2nd write, then an error", [] { return ShortWriteThenError(2, EDQUOT); }, CFileException::diskFull,
         EDQUOT},
        {"a write that writes nothing", [] { return WriteNothing(2); }, CFileException::diskFull, ENOSPC},
        {"fsync of the file", [] { return Fail<&SysCalls::fsync>(1, EIO); }, CFileException::diskFull, EIO},
        {"fchmod", [] { return Fail<&SysCalls::fchmod>(1, EPERM); }, CFileException::diskFull, EPERM},
        {"linkat", [] { return Fail<&SysCalls::linkat>(1, EIO); }, CFileException::diskFull, EIO},
        {"linkat: no space for the name", [] { return Fail<&SysCalls::linkat>(1, ENOSPC); }, CFileException::diskFull,
         ENOSPC},
        {"close of the file", [] { return Fail<&SysCalls::close>(1, EIO, 1, true); }, CFileException::diskFull, EIO},
        {"renameat2", [] { return Fail<&SysCalls::renameat2>(1, EIO); }, CFileException::diskFull, EIO},
        {"plain rename after EINVAL", [] { return Fail<&SysCalls::renameat2>(1, EINVAL, 2); }, CFileException::diskFull,
         EINVAL},
        {"fsync of the directory: the swap is undone", [] { return Fail<&SysCalls::fsync>(2, EIO); },
         CFileException::diskFull, EIO},
    };
    RunCases(cases, true);
}

TEST_F(SaveFaultTest, EveryStepOfCreatingAFileFailsCleanly)
{
    const std::vector<FaultCase> cases = {
        {"temporary file", [] { return Fail<&SysCalls::openat>(1, EDQUOT); }, CFileException::diskFull, EDQUOT},
        {"2nd write", [] { return Fail<&SysCalls::write>(2, ENOSPC); }, CFileException::diskFull, ENOSPC},
        {"fsync of the file", [] { return Fail<&SysCalls::fsync>(1, EIO); }, CFileException::diskFull, EIO},
        {"linkat", [] { return Fail<&SysCalls::linkat>(1, EIO); }, CFileException::diskFull, EIO},
        {"renameat2", [] { return Fail<&SysCalls::renameat2>(1, EIO); }, CFileException::diskFull, EIO},
        {"fsync of the directory: the new name goes again", [] { return Fail<&SysCalls::fsync>(2, EIO); },
         CFileException::diskFull, EIO},
    };
    RunCases(cases, false);
}

TEST_F(SaveFaultTest, NamedTemporaryFileIsRemovedWhenALaterStepFails)
{
    const std::vector<FaultCase> cases = {
        {"write", [] { return Both(Fail<&SysCalls::openat>(1, EOPNOTSUPP), Fail<&SysCalls::write>(2, ENOSPC)); },
         CFileException::diskFull, ENOSPC},
        {"close", [] { return Both(Fail<&SysCalls::openat>(1, EOPNOTSUPP), Fail<&SysCalls::close>(1, EIO, 1, true)); },
         CFileException::diskFull, EIO},
        {"renameat2", [] { return Both(Fail<&SysCalls::openat>(1, EISDIR), Fail<&SysCalls::renameat2>(1, EIO)); },
         CFileException::diskFull, EIO},
        {"fsync of the directory",
         [] { return Both(Fail<&SysCalls::openat>(1, EOPNOTSUPP), Fail<&SysCalls::fsync>(2, EIO)); },
         CFileException::diskFull, EIO},
    };
    RunCases(cases, true);
}

TEST_F(SaveFaultTest, FallbacksAndIgnoredFailuresStillSave)
{
    struct Case {
        const char* what;
        std::function<CArmed()> arm;
        bool bNeedsRoot;
    };
    const std::vector<Case> cases = {
        {"no O_TMPFILE: a named temporary file", [] { return Fail<&SysCalls::openat>(1, EOPNOTSUPP); }, false},
        {"no O_TMPFILE on an old kernel", [] { return Fail<&SysCalls::openat>(1, EISDIR); }, false},
        {"no RENAME_EXCHANGE: a plain rename", [] { return Fail<&SysCalls::renameat2>(1, EINVAL); }, false},
        {"no /proc: linkat of the descriptor itself", [] { return Fail<&SysCalls::linkat>(1, ENOENT); }, true},
        {"interrupted writes are repeated", [] { return Fail<&SysCalls::write>(1, EINTR, 3); }, false},
        {"a short write is continued", [] { return ShortWrite(2); }, false},
        {"a short last write is continued", [] { return ShortWrite(4); }, false},
        {"the owner cannot be kept", [] { return Fail<&SysCalls::fchown>(1, EPERM); }, false},
    };
    const std::vector<std::string> records = BigRecords();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bNeedsRoot && ::geteuid() != 0) {
            continue; // linking a descriptor by itself needs CAP_DAC_READ_SEARCH
        }
        WriteFileBytes(path, kOld);
        // A leftover of an earlier crash is no obstacle.
        WriteFileBytes(dir.File(".RuVelo.csv.tmp"), "leftover");
        {
            const CArmed armed = c.arm();
            const std::optional<CFileException> e = SaveError(path, records);
            EXPECT_FALSE(e.has_value()) << (e ? e->m_cause : 0);
            EXPECT_GT(armed.failures(), 0) << "the fault never came";
        }
        EXPECT_EQ(ReadFileBytes(path), Expected(records));
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
    }
}

TEST_F(SaveFaultTest, OldContentLeftByAFailedCleanUpGoesAtTheNextSave)
{
    WriteFileBytes(path, kOld);
    {
        // The first unlinkat clears the temporary name before the link, the second removes the
        // old content once the new one is in place.
        const CSysFault<&SysCalls::unlinkat> stays(2, EIO);
        Save(path, {"new\n"});
        EXPECT_EQ(stays.Failures(), 1);
    }
    EXPECT_EQ(ReadFileBytes(path), "new\r\n");
    Save(path, {"newer\n"});
    EXPECT_EQ(ReadFileBytes(path), "newer\r\n");
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
}

// Resource limits and signal dispositions are process-wide: put them back however the test ends.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = nBytes;
        m_bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;
    [[nodiscard]] bool IsSet() const { return m_bSet; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_bSet = false;
};

TEST_F(SaveFaultTest, FileSizeLimitMakesABigSaveFailWithTheOldFileKept)
{
    WriteFileBytes(path, kOld);
    std::optional<CFileException> e;
    {
        const CFileSizeLimit limit(100 * 1000);
        ASSERT_TRUE(limit.IsSet());
        e = SaveError(path, BigRecords());
    }
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->m_cause, CFileException::diskFull);
    EXPECT_EQ(e->m_lOsError, EFBIG);
    EXPECT_EQ(ReadFileBytes(path), kOld);
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
}

TEST_F(SaveFaultTest, FullFileSystemMakesASaveFailWithTheOldFileKept)
{
    // A small tmpfs in a mount namespace of a child's own, so that nothing outlives the test.
    const std::string mountPoint = dir.File("fs");
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0755), 0);
    const CChildResult result = RunInChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
            return "SKIP: cannot mount a tmpfs here";
        }
        const std::string file = mountPoint + "/RuVelo.csv";
        WriteFileBytes(file, kOld);
        std::string report;
        const std::optional<CFileException> e = SaveError(file, BigRecords());
        if (!e) {
            report += "the save reported success; ";
        } else if (e->m_cause != CFileException::diskFull || e->m_lOsError != ENOSPC) {
            report += "cause " + std::to_string(e->m_cause) + ", errno " + std::to_string(e->m_lOsError) + "; ";
        }
        if (ReadFileBytes(file) != kOld) {
            report += "the old file changed; ";
        }
        if (ListDirectory(mountPoint) != std::vector<std::string>{"RuVelo.csv"}) {
            report += "something was left behind; ";
        }
        // With the space back, the same directory takes a save that fits.
        if (const std::optional<CFileException> e2 = SaveError(file, {"small\n"});
            e2 || ReadFileBytes(file) != "small\r\n") {
            report += "a small save failed afterwards; ";
        }
        return report;
    });
    if (result.Skipped()) {
        GTEST_SKIP() << result.strReport;
    }
    EXPECT_TRUE(result.Ok()) << result.strReport;
}

TEST_F(SaveFaultTest, ProgramReportsAFailedSaveOnceAndKeepsTheList)
{
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    const std::string old = Sjis("買い物\t3\t牛乳\r\nreport\t10\t\r\n");
    WriteFileBytes(dir.File("ruvelo.csv"), old);
    const std::vector<FaultCase> cases = {
        {"write", [] { return Fail<&SysCalls::write>(1, ENOSPC); }, CFileException::diskFull, ENOSPC},
        {"rename", [] { return Fail<&SysCalls::renameat2>(1, EIO); }, CFileException::diskFull, EIO},
        {"fsync of the directory", [] { return Fail<&SysCalls::fsync>(2, EIO); }, CFileException::diskFull, EIO},
    };
    CTestApp env;
    CStartedMainWindow main(env);
    ASSERT_TRUE(env.ws.messageBoxes.empty());
    std::vector<std::string> titles = main.Titles();
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        env.ws.messageBoxes.clear();
        CFakeWindowSystem::DialogAnswer answer;
        answer.title = std::string("added by ") + c.what;
        answer.importance = "4";
        env.ws.dialogAnswers.push_back(answer);
        {
            const CArmed armed = c.arm();
            main.Command(ID_TASK_ADD);
            EXPECT_GT(armed.failures(), 0);
        }
        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        EXPECT_EQ(env.ws.messageBoxes[0].strText,
                  dir.File("ruvelo.csv") + Sjis(" へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"));
        EXPECT_EQ(env.ws.messageBoxes[0].strCaption, "RUVelo2");
        EXPECT_EQ(env.ws.messageBoxes[0].nType, MB_ICONSTOP | MB_OK);
        // The command's own change stays in the list; the file keeps its old contents.
        titles.push_back(*answer.title);
        EXPECT_EQ(main.Titles(), titles);
        EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), old);
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
    }
    // Once the disk is well again the next command writes every row.
    env.ws.messageBoxes.clear();
    env.ws.dialogAnswers.push_back({});
    main.Command(ID_TASK_ADD);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    const std::optional<std::string> saved = ReadFileBytes(dir.File("ruvelo.csv"));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->rfind(old, 0), 0u);
    EXPECT_NE(saved->find("added by fsync of the directory\t4\t\r\n"), std::string::npos);
}

} // namespace
