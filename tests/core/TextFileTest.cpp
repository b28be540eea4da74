// Text files: the text-stream reading, the writing with CR LF, the refusals, the directory lock,
// and the replacing save's treatment of links, modes and leftovers.
#include "framework/File.h"
#include "framework/FileException.h"
#include "support/SysChild.h"
#include "support/SysFault.h"
#include "support/TestEnv.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr std::size_t kBuffer = 64 * 1024; // the reader's buffer, to put line ends across its edge

struct TextFileTest : ::testing::Test {
    CTempDataDir dir;

    void TearDown() override { EXPECT_TRUE(SysCallsAreReal()); }

    [[nodiscard]] std::string Path(std::string_view name = "RuVelo.csv") const { return dir.File(name); }
};

std::vector<std::string> ReadLines(const std::string& path)
{
    CStdioFile file(path.c_str(), CFile::typeText | CFile::modeRead);
    std::vector<std::string> lines;
    CString line = "stale";
    while (file.ReadString(line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(line, "");
    EXPECT_FALSE(file.ReadString(line)) << "the end stays the end";
    file.Close();
    return lines;
}

void Save(const std::string& path, const std::vector<std::string>& texts)
{
    CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    for (const std::string& text : texts) {
        file.WriteString(text);
    }
    file.Close();
}

// The cause of the file error that fn raises, or nullopt when it raises none.
template <class Fn> std::optional<CFileException> ErrorOf(Fn&& fn)
{
    try {
        fn();
    } catch (const CFileException& e) {
        return e;
    }
    return std::nullopt;
}

std::optional<CFileException> OpenError(const std::string& path, UINT nFlags)
{
    return ErrorOf([&] { CStdioFile file(path.c_str(), nFlags); });
}

constexpr UINT kRead = CFile::typeText | CFile::modeRead;
constexpr UINT kWrite = CFile::modeCreate | CFile::modeWrite;

TEST_F(TextFileTest, ReadingFollowsTheTextStreamRules)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const std::string x1(kBuffer - 1, 'x');
    const std::string x0(kBuffer, 'x');
    // Byte strings are split where a hex escape would run on; keep each case on one line.
    // clang-format off
    const std::vector<Case> cases = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"CR alone is text", "a\rb\n", {"a\rb"}},
        {"CR CR LF keeps one CR", "a\r\r\n", {"a\r"}},
        {"a CR at the end is text", "a\r", {"a\r"}},
        {"CR LF alone is an empty line", "\r\n", {""}},
        {"last line without a line end", "a\nb", {"a", "b"}},
        {"empty file", "", {}},
        {"empty lines", "\n\na\n\n", {"", "", "a", ""}},
        {"Ctrl+Z ends the file", "a\nb\x1A" "c\nd\n", {"a", "b"}},
        {"Ctrl+Z right after a line end adds no line", "a\r\n\x1A" "b\r\n", {"a"}},
        {"Ctrl+Z first", "\x1A" "a\n", {}},
        {"Ctrl+Z after a CR", "a\r\x1A", {"a\r"}},
        {"Ctrl+Z where a trail byte would be", "\x94\x83\x82\x1A\xA2\n", {"\x94\x83\x82"}},
        {"zero bytes are text", "a\0b\n\0\n"s, {"a\0b"s, "\0"s}},
        {"trail bytes are never line ends", "\x83\x5C\x83\x7C\n", {"\x83\x5C\x83\x7C"}},
        {"CR LF split across the buffer edge", x1 + "\r\ny\n", {x1, "y"}},
        {"CR LF just after the buffer edge", x0 + "\r\ny", {x0, "y"}},
        {"CR at the buffer edge without LF is text", x1 + "\rz\n", {x1 + "\rz"}},
        {"LF at the buffer edge", x1 + "\n" + "y", {x1, "y"}},
        {"a long last line without a line end", std::string(3 * kBuffer + 7, 'q'), {std::string(3 * kBuffer + 7, 'q')}},
        {"Ctrl+Z in a later buffer ends a long line", x0 + "xx\x1A" "junk\n", {x0 + "xx"}},
        {"Ctrl+Z first in a buffer ends a long line", x0 + "\x1A" "junk", {x0}},
        {"Ctrl+Z first in a buffer after a line end", x1 + "\n\x1A" "z\n", {x1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        WriteFileBytes(Path("ruvelo.csv"), c.bytes);
        EXPECT_EQ(ReadLines(Path("ruvelo.csv")), c.lines) << c.what;
    }
}

TEST_F(TextFileTest, WritingTurnsEachLfIntoCrLfAndAddsNothing)
{
    struct Case {
        std::vector<std::string> texts;
        std::string bytes;
    };
    const std::string big(3 * kBuffer, 'b');
    const std::vector<Case> cases = {
        {{"a\nb"}, "a\r\nb"},
        {{"a", "b"}, "ab"},
        {{"\n\n"}, "\r\n\r\n"},
        {{"a\r\n"}, "a\r\r\n"},
        {{"a\r", "\n"}, "a\r\r\n"},
        {{"x\0y\n"s}, "x\0y\r\n"s},
        {{"\x1A"}, "\x1A"},
        {{"\x94\x83\x82\xA2\t3\t\x8B\x8D\x93\xFB\n"}, "\x94\x83\x82\xA2\t3\t\x8B\x8D\x93\xFB\r\n"},
        {{""}, ""},
        {{}, ""},
        {{big + "\n", "tail"}, big + "\r\ntail"},
    };
    for (const Case& c : cases) {
        Save(Path(), c.texts);
        EXPECT_EQ(ReadFileBytes(Path()), c.bytes) << testing::PrintToString(c.texts).substr(0, 80);
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
    }
}

TEST_F(TextFileTest, ManyRecordsLargerThanTheBufferReadBackAsWritten)
{
    std::vector<std::string> records;
    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i) {
        expected.push_back("task " + std::to_string(i) + "\t" + std::to_string(i % 10) + "\t" +
                           std::string(i % 37, 'd'));
        records.push_back(expected.back() + "\n");
    }
    Save(Path(), records);
    EXPECT_EQ(ReadLines(Path()), expected);
}

TEST_F(TextFileTest, OpenErrorsNameThePathAndItsCause)
{
    WriteFileBytes(Path("plain"), "x");
    struct Case {
        const char* what;
        std::string path;
        UINT nFlags;
        int cause;
    };
    const std::vector<Case> cases = {
        {"missing file", Path("ruvelo.csv"), kRead, CFileException::fileNotFound},
        {"missing directory, reading", Path("nodir/ruvelo.csv"), kRead, CFileException::badPath},
        {"missing directory, writing", Path("nodir/RuVelo.csv"), kWrite, CFileException::badPath},
        {"a file as a directory, reading", Path("plain/ruvelo.csv"), kRead, CFileException::badPath},
        {"a file as a directory, writing", Path("plain/RuVelo.csv"), kWrite, CFileException::badPath},
        {"name too long", Path(std::string(300, 'n')), kRead, CFileException::badPath},
    };
    for (const Case& c : cases) {
        const std::optional<CFileException> e = OpenError(c.path, c.nFlags);
        ASSERT_TRUE(e.has_value()) << c.what;
        EXPECT_EQ(e->m_cause, c.cause) << c.what;
        EXPECT_EQ(e->m_strFileName, c.path) << c.what;
    }
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"plain"}));
}

TEST_F(TextFileTest, NonRegularFilesAreRefusedWithoutBlocking)
{
    // A FIFO without a writer would block an open for reading, and one without a reader an open
    // for writing: should the refusal ever go, the alarm ends the test instead of hanging it.
    ::alarm(20);
    ASSERT_EQ(::mkdir(Path("directory").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/null", Path("device").c_str()), 0);
    for (const char* name : {"directory", "fifo", "device"}) {
        for (const UINT nFlags : {kRead, kWrite}) {
            const std::optional<CFileException> e = OpenError(Path(name), nFlags);
            ASSERT_TRUE(e.has_value()) << name;
            EXPECT_EQ(e->m_cause, CFileException::accessDenied) << name << " flags " << nFlags;
            EXPECT_EQ(e->m_strFileName, Path(name));
        }
    }
    struct stat st {};
    EXPECT_EQ(::lstat(Path("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(::lstat(Path("device").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"device", "directory", "fifo"}));
    ::alarm(0);
}

TEST_F(TextFileTest, ReadErrorPartWayIsGenericAndInterruptedReadsAreRetried)
{
    WriteFileBytes(Path("ruvelo.csv"), "first\n" + std::string(kBuffer, 'x') + "\nlast\n");
    {
        const CSysFault<&SysCalls::read> interrupted(1, EINTR, 2);
        EXPECT_EQ(ReadLines(Path("ruvelo.csv")).size(), 3u);
        EXPECT_EQ(interrupted.Failures(), 2);
    }
    CStdioFile file(Path("ruvelo.csv").c_str(), kRead);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "first");
    const CSysFault<&SysCalls::read> failing(1, EIO); // the second buffer
    const std::optional<CFileException> e = ErrorOf([&] { file.ReadString(line); });
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->m_cause, CFileException::generic);
    EXPECT_EQ(e->m_lOsError, EIO);
    EXPECT_EQ(e->m_strFileName, Path("ruvelo.csv"));
}

TEST_F(TextFileTest, OneOpenFileInADirectoryKeepsEveryOtherOpenThereOut)
{
    WriteFileBytes(Path("a.csv"), "a\r\n");
    for (const UINT nFirst : {kRead, kWrite}) {
        CStdioFile first(Path("a.csv").c_str(), nFirst);
        for (const char* name : {"a.csv", "b.csv"}) {
            for (const UINT nSecond : {kRead, kWrite}) {
                const std::optional<CFileException> e = OpenError(Path(name), nSecond);
                ASSERT_TRUE(e.has_value()) << name;
                EXPECT_EQ(e->m_cause, CFileException::sharingViolation) << name;
                EXPECT_EQ(e->m_strFileName, Path(name));
            }
        }
        if (nFirst == kWrite) {
            first.WriteString("a\n");
        }
        first.Close();
        // Once closed, the directory is free again.
        EXPECT_EQ(ReadLines(Path("a.csv")), (std::vector<std::string>{"a"}));
    }
    // Another directory is not affected.
    ASSERT_EQ(::mkdir(Path("other").c_str(), 0755), 0);
    CStdioFile first(Path("a.csv").c_str(), kRead);
    EXPECT_FALSE(OpenError(Path("other/b.csv"), kWrite).has_value());
}

TEST_F(TextFileTest, TheLockHoldsAcrossTheReplacingRename)
{
    WriteFileBytes(Path(), "old\r\n");
    std::optional<int> causeRightAfterRename;
    const CSysHook<&SysCalls::renameat2> probe(
        [&](auto next, int oldDir, const char* oldPath, int newDir, const char* newPath, unsigned nFlags) {
            const int r = next(oldDir, oldPath, newDir, newPath, nFlags);
            const int e = errno;
            if (const std::optional<CFileException> err = OpenError(Path(), kRead)) {
                causeRightAfterRename = err->m_cause;
            } else {
                causeRightAfterRename = -1; // another reader got in
            }
            errno = e;
            return r;
        });
    Save(Path(), {"new\n"});
    EXPECT_EQ(causeRightAfterRename, CFileException::sharingViolation);
    EXPECT_EQ(ReadFileBytes(Path()), "new\r\n");
}

// Both ends of a pipe, closed however the test ends, so that a waiting child sees the end.
struct CPipe {
    int fd[2] = {-1, -1};
    CPipe()
    {
        if (::pipe(fd) != 0) {
            throw std::runtime_error("pipe failed");
        }
    }
    ~CPipe() { CloseBoth(); }
    CPipe(const CPipe&) = delete;
    CPipe& operator=(const CPipe&) = delete;
    void CloseBoth()
    {
        for (int& f : fd) {
            if (f >= 0) {
                ::close(f);
                f = -1;
            }
        }
    }
};

TEST_F(TextFileTest, AnotherProcessHoldingTheDirectoryKeepsThisOneOut)
{
    WriteFileBytes(Path(), "old\r\n");
    CPipe toChild;
    CPipe fromChild;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(toChild.fd[1]);
        ::close(fromChild.fd[0]);
        char c = 0;
        try {
            CStdioFile file(Path().c_str(), kWrite);
            file.WriteString("child\n");
            if (::write(fromChild.fd[1], "o", 1) != 1 || ::read(toChild.fd[0], &c, 1) != 1) {
                ::_exit(2); // the parent gave up: leave the old file
            }
            file.Close();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(fromChild.fd[0], &c, 1), 1);
    for (const UINT nFlags : {kRead, kWrite}) {
        const std::optional<CFileException> e = OpenError(Path(), nFlags);
        EXPECT_TRUE(e.has_value() && e->m_cause == CFileException::sharingViolation) << "flags " << nFlags;
    }
    EXPECT_EQ(::write(toChild.fd[1], "c", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(Path()), "child\r\n");
    Save(Path(), {"parent\n"});
    EXPECT_EQ(ReadFileBytes(Path()), "parent\r\n");
}

TEST_F(TextFileTest, WritingThroughASymbolicLinkReplacesItsTarget)
{
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0755), 0);
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // (link, what it points to)
        std::string target;                                     // the file that ends up written
        bool bTargetExists;
    };
    const std::vector<Case> cases = {
        {"relative", {{"RuVelo.csv", "real.csv"}}, "real.csv", true},
        {"absolute", {{"RuVelo.csv", Path("real.csv")}}, "real.csv", true},
        {"chain", {{"RuVelo.csv", "hop.csv"}, {"hop.csv", "sub/real.csv"}}, "sub/real.csv", true},
        {"into another directory", {{"RuVelo.csv", "sub/real.csv"}}, "sub/real.csv", true},
        {"relative to the link's own directory",
         {{"RuVelo.csv", "sub/hop.csv"}, {"sub/hop.csv", "real.csv"}},
         "sub/real.csv",
         true},
        {"dangling", {{"RuVelo.csv", "sub/new.csv"}}, "sub/new.csv", false},
    };
    for (const Case& c : cases) {
        if (c.bTargetExists) {
            WriteFileBytes(Path(c.target), "old\r\n");
        }
        for (const auto& [link, to] : c.links) {
            ASSERT_EQ(::symlink(to.c_str(), Path(link).c_str()), 0) << c.what;
        }
        Save(Path(), {"new\n"});
        EXPECT_EQ(ReadFileBytes(Path(c.target)), "new\r\n") << c.what;
        for (const auto& [link, to] : c.links) {
            char buf[4096];
            const ssize_t n = ::readlink(Path(link).c_str(), buf, sizeof buf);
            EXPECT_EQ(n >= 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("not a link"), to) << c.what;
            ::unlink(Path(link).c_str());
        }
        ::unlink(Path(c.target).c_str());
        EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"sub"})) << c.what << ": something left";
        EXPECT_TRUE(ListDirectory(Path("sub")).empty()) << c.what << ": something left";
    }
}

TEST_F(TextFileTest, LinkLoopsAreABadPath)
{
    ASSERT_EQ(::symlink("b.csv", Path("a.csv").c_str()), 0);
    ASSERT_EQ(::symlink("a.csv", Path("b.csv").c_str()), 0);
    ASSERT_EQ(::symlink("self.csv", Path("self.csv").c_str()), 0);
    ASSERT_EQ(::symlink("nodir/x.csv", Path("nowhere.csv").c_str()), 0);
    struct Case {
        const char* name;
        UINT nFlags;
        int cause;
    };
    const std::vector<Case> cases = {
        {"a.csv", kWrite, CFileException::badPath},
        {"self.csv", kWrite, CFileException::badPath},
        {"a.csv", kRead, CFileException::badPath},
        {"nowhere.csv", kWrite, CFileException::badPath},
        {"nowhere.csv", kRead, CFileException::fileNotFound},
    };
    for (const Case& c : cases) {
        const std::optional<CFileException> e = OpenError(Path(c.name), c.nFlags);
        ASSERT_TRUE(e.has_value()) << c.name;
        EXPECT_EQ(e->m_cause, c.cause) << c.name << " flags " << c.nFlags;
    }
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"a.csv", "b.csv", "nowhere.csv", "self.csv"}));
}

TEST_F(TextFileTest, ReplacedFileKeepsItsModeAndANewOneFollowsTheUmask)
{
    for (const mode_t nMode : {0600, 0640, 0604, 0755, 0660}) {
        WriteFileBytes(Path(), "old\r\n");
        ASSERT_EQ(::chmod(Path().c_str(), nMode), 0);
        Save(Path(), {"new\n"});
        struct stat st {};
        ASSERT_EQ(::stat(Path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, nMode);
        EXPECT_EQ(ReadFileBytes(Path()), "new\r\n");
        ::unlink(Path().c_str());
    }
    const mode_t nOldMask = ::umask(027);
    Save(Path(), {"new\n"});
    ::umask(nOldMask);
    struct stat st {};
    ASSERT_EQ(::stat(Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(TextFileTest, ReplacedFileKeepsItsOwner)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    WriteFileBytes(Path(), "old\r\n");
    ASSERT_EQ(::chown(Path().c_str(), 1234, 5678), 0);
    Save(Path(), {"new\n"});
    struct stat st {};
    ASSERT_EQ(::stat(Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
}

TEST_F(TextFileTest, ReadOnlyFileIsRefusedAndLeftAsItIsAlsoForRoot)
{
    WriteFileBytes(Path("real.csv"), "old\r\n");
    ASSERT_EQ(::symlink("real.csv", Path("link.csv").c_str()), 0);
    for (const mode_t nMode : {0444, 0400, 0000, 0555}) {
        ASSERT_EQ(::chmod(Path("real.csv").c_str(), nMode), 0);
        for (const char* name : {"real.csv", "link.csv"}) {
            const std::optional<CFileException> e = ErrorOf([&] { Save(Path(name), {"new\n"}); });
            ASSERT_TRUE(e.has_value()) << name << " mode " << std::oct << nMode;
            EXPECT_EQ(e->m_cause, CFileException::accessDenied);
            EXPECT_EQ(e->m_strFileName, Path(name));
            ::chmod(Path("real.csv").c_str(), 0600);
            EXPECT_EQ(ReadFileBytes(Path("real.csv")), "old\r\n");
            ::chmod(Path("real.csv").c_str(), nMode);
            struct stat st {};
            ASSERT_EQ(::stat(Path("real.csv").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, nMode);
        }
    }
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"link.csv", "real.csv"}));
}

TEST_F(TextFileTest, ReadOnlyDirectoryIsRefused)
{
    // Root writes into any directory, so the check runs as an ordinary user in a child.
    WriteFileBytes(Path(), "old\r\n");
    ASSERT_EQ(::chmod(Path().c_str(), 0666), 0); // the file itself may be written
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    const CChildResult result = RunInChild([this]() -> std::string {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return "SKIP: cannot become an ordinary user";
        }
        std::string strReport;
        for (const char* name : {"RuVelo.csv", "new.csv"}) {
            const std::optional<CFileException> e = ErrorOf([&] { Save(Path(name), {"new\n"}); });
            if (!e) {
                strReport += std::string(name) + " was written; ";
            } else if (e->m_cause != CFileException::accessDenied) {
                strReport += std::string(name) + " gave cause " + std::to_string(e->m_cause) + "; ";
            }
        }
        return strReport;
    });
    ::chmod(dir.Path().c_str(), 0700);
    if (result.Skipped()) {
        GTEST_SKIP() << result.strReport;
    }
    EXPECT_TRUE(result.Ok()) << result.strReport;
    EXPECT_EQ(ReadFileBytes(Path()), "old\r\n");
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
}

TEST_F(TextFileTest, WriterDestroyedBeforeCloseChangesNothing)
{
    WriteFileBytes(Path(), "old\r\n");
    {
        CStdioFile file(Path().c_str(), kWrite);
        file.WriteString(std::string(3 * kBuffer, 'n') + "\n"); // some of it already written out
    }
    EXPECT_EQ(ReadFileBytes(Path()), "old\r\n");
    {
        CStdioFile file(Path("new.csv").c_str(), kWrite);
        file.WriteString("new\n");
    }
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"RuVelo.csv"}));
}

TEST_F(TextFileTest, CloseTwiceIsHarmlessAndWritingAfterCloseIsAnError)
{
    CStdioFile file(Path().c_str(), kWrite);
    file.WriteString("a\n");
    file.Close();
    file.Close();
    EXPECT_THROW(file.WriteString("b\n"), std::logic_error);
    EXPECT_EQ(ReadFileBytes(Path()), "a\r\n");
}

} // namespace
