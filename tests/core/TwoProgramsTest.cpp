// Two programs in one data directory. Each runs the window logic in a process of its own, driven
// step by step from the test through a pipe. A save that meets the other program's lock is refused
// with the sharing-violation message and leaves the file as the other wrote it; the file on disk
// is at every moment one whole version that one of them wrote.
#include "framework/SysCalls.h"
#include "res/resource.h"
#include "support/ModelTaskFile.h"
#include "support/PollingDescriptorWatch.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <sstream>

namespace {

// ---------------------------------------------------------------------------------------------
// Messages over pipes: a 32-bit length, then the bytes; a message holds fields framed the same way.

bool WriteAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) {
            continue;
        }
        if (k <= 0) {
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// False on end of file, an error, or when nothing came within the time (-1: wait for ever).
bool ReadAll(int fd, char* p, std::size_t n, int nTimeoutMs)
{
    while (n > 0) {
        pollfd pfd{fd, POLLIN, 0};
        const int r = ::poll(&pfd, 1, nTimeoutMs);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return false;
        }
        const ssize_t k = ::read(fd, p, n);
        if (k < 0 && errno == EINTR) {
            continue;
        }
        if (k <= 0) {
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

using Fields = std::vector<std::string>;

void PutField(std::string& out, std::string_view field)
{
    const auto n = static_cast<std::uint32_t>(field.size());
    out.append(reinterpret_cast<const char*>(&n), sizeof n);
    out.append(field);
}

bool SendFields(int fd, const Fields& fields)
{
    std::string body;
    for (const std::string& f : fields) {
        PutField(body, f);
    }
    std::string message;
    PutField(message, body);
    return WriteAll(fd, message.data(), message.size());
}

std::optional<Fields> ReceiveFields(int fd, int nTimeoutMs)
{
    std::uint32_t n = 0;
    if (!ReadAll(fd, reinterpret_cast<char*>(&n), sizeof n, nTimeoutMs)) {
        return std::nullopt;
    }
    std::string body(n, '\0');
    if (!ReadAll(fd, body.data(), n, nTimeoutMs)) {
        return std::nullopt;
    }
    Fields fields;
    std::string_view rest = body;
    while (rest.size() >= sizeof n) {
        std::memcpy(&n, rest.data(), sizeof n);
        rest.remove_prefix(sizeof n);
        fields.emplace_back(rest.substr(0, n));
        rest.remove_prefix(std::min<std::size_t>(n, rest.size()));
    }
    return fields;
}

// ---------------------------------------------------------------------------------------------
// The program in the child process.

std::string ListBytes(const CListCtrl& list)
{
    std::vector<model::Task> tasks;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        tasks.push_back({std::string(list.GetItemText(i, 0)), std::string(list.GetItemText(i, 1)),
                         std::string(list.GetItemText(i, 2))});
    }
    return model::SerializeTaskFile(tasks);
}

// The pipes of the child, for the hook that holds a save with the lock taken.
int g_nCommandFd = -1;
int g_nReplyFd = -1;
bool g_bHoldNextRename = false;

int HoldingRename(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags)
{
    if (g_bHoldNextRename) {
        // Everything is written and the directory is locked; the old file is still in place.
        g_bHoldNextRename = false;
        SendFields(g_nReplyFd, {"held"});
        ReceiveFields(g_nCommandFd, -1);  // "go"
    }
    return RealSysCalls().renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
}

class CProgramSide {
public:
    void Serve()
    {
        for (;;) {
            const std::optional<Fields> command = ReceiveFields(g_nCommandFd, -1);
            if (!command || command->empty() || (*command)[0] == "quit") {
                return;
            }
            SendFields(g_nReplyFd, Run(*command));
        }
    }

private:
    // The reply to each command: "done", the list as the file would hold it, then each message
    // box shown meanwhile as text, type and whether the main window owns it.
    Fields Run(const Fields& command)
    {
        const std::string& strVerb = command[0];
        const std::size_t nBoxes = m_pEnv ? m_pEnv->ws.messageBoxes.size() : 0;
        Fields extra;
        if (strVerb == "start" || strVerb == "start watching") {
            // Without a watch, a program knows nothing of the other's saves; it is told to
            // overwrite them, so that only the lock decides, and that question is not reported.
            const bool bWatching = strVerb == "start watching";
            if (bWatching) {
                m_pWatch = std::make_unique<CPollingDescriptorWatch>();
            }
            m_pEnv = std::make_unique<CTestApp>();
            if (!bWatching) {
                m_pEnv->ws.answerBox = [](const CString& /*strText*/, UINT nType) {
                    return IsOverwriteQuestion(nType) ? IDYES : 0;
                };
            }
            m_pMain = std::make_unique<CStartedMainWindow>(*m_pEnv);
        } else if (strVerb == "wait for") {
            // What the event loop does within a second, until the list is as given.
            m_pWatch->RunUntil([&] { return ListBytes(m_pMain->List()) == command[1]; }, std::chrono::seconds(1));
        } else if (strVerb == "add") {
            Add(command[1]);
        } else if (strVerb == "save") {
            Save();
        } else if (strVerb == "hold") {
            g_bHoldNextRename = true;
            Sys().renameat2 = HoldingRename;
        } else if (strVerb == "close") {
            m_pMain->Close();
        } else if (strVerb == "session") {
            extra = Session(static_cast<unsigned>(std::stoul(command[1])), std::stoi(command[2]), command[3]);
        }
        Fields reply{"done", m_pMain ? ListBytes(m_pMain->dlg.m_list) : std::string()};
        if (m_pEnv) {
            for (std::size_t i = nBoxes; i < m_pEnv->ws.messageBoxes.size(); ++i) {
                const auto& box = m_pEnv->ws.messageBoxes[i];
                if (m_pEnv->ws.answerBox && IsOverwriteQuestion(box.nType)) {
                    continue;
                }
                reply.push_back(box.strText + "|" + box.strCaption + "|" + std::to_string(box.nType) + "|" +
                                (box.hOwner != nullptr ? "owned" : "unowned"));
            }
        }
        reply.emplace_back("--");
        reply.insert(reply.end(), extra.begin(), extra.end());
        return reply;
    }

    void Add(const std::string& strTitle)
    {
        m_pEnv->ws.dialogAnswers.push_back({IDOK, strTitle, "1", "", {}});
        m_pMain->Command(ID_TASK_ADD);
    }

    void Save()
    {
        m_pMain->List().SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        m_pMain->Command(ID_TASK_DELETE);  // nothing selected: the save alone
    }

    // Adds and deletes at random; returns each version this program wrote, as the file then held
    // it, or the text of the box when the save was refused ("!" in front).
    Fields Session(unsigned nSeed, int nCommands, const std::string& strTag)
    {
        std::mt19937 rng(nSeed);
        Fields results;
        for (int i = 0; i < nCommands; ++i) {
            const std::size_t nBoxes = m_pEnv->ws.messageBoxes.size();
            const int nCount = m_pMain->List().GetItemCount();
            if (nCount == 0 || std::uniform_int_distribution<int>(0, 9)(rng) < 6) {
                Add(strTag + std::to_string(i));
            } else {
                CListCtrl& list = m_pMain->List();
                list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
                list.SetItemState(std::uniform_int_distribution<int>(0, nCount - 1)(rng), LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
                m_pMain->Command(ID_TASK_DELETE);
            }
            const auto& boxes = m_pEnv->ws.messageBoxes;
            const auto refusal = std::find_if(boxes.begin() + static_cast<std::ptrdiff_t>(nBoxes), boxes.end(),
                                              [](const auto& box) { return !IsOverwriteQuestion(box.nType); });
            if (refusal == boxes.end()) {
                results.push_back(ListBytes(m_pMain->List()));
            } else {
                results.push_back("!" + refusal->strText);
            }
            // A refusal takes no time and a save a disk flush: without a pause between commands
            // the refused program would run through its whole session during one save of the other.
            ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, 12000)(rng)));
        }
        return results;
    }

    static bool IsOverwriteQuestion(UINT nType) { return nType == (MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2); }

    std::unique_ptr<CPollingDescriptorWatch> m_pWatch;
    std::unique_ptr<CTestApp> m_pEnv;
    std::unique_ptr<CStartedMainWindow> m_pMain;
};

// ---------------------------------------------------------------------------------------------
// The test's side: a child process that runs one program and answers each command.

struct Reply {
    std::string strList;             // the program's rows, as the task file would hold them
    std::vector<std::string> boxes;  // "text|caption|type|owned"
    Fields extra;
};

class CProgram {
public:
    CProgram()
    {
        int toChild[2];
        int fromChild[2];
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) {
            throw std::runtime_error("pipe failed");
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            g_nCommandFd = toChild[0];
            g_nReplyFd = fromChild[1];
            CProgramSide().Serve();
            ::_exit(0);  // no test framework teardown in the child
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_nCommandFd = toChild[1];
        m_nReplyFd = fromChild[0];
    }

    ~CProgram()
    {
        SendFields(m_nCommandFd, {"quit"});
        ::close(m_nCommandFd);
        ::close(m_nReplyFd);
        for (int i = 0; i < 1000; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                return;
            }
            ::usleep(10000);
        }
        ::kill(m_pid, SIGKILL);  // our own child, which did not end
        ::waitpid(m_pid, nullptr, 0);
    }

    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    void Post(const Fields& command) { ASSERT_TRUE(SendFields(m_nCommandFd, command)); }

    // The next message; "held" for a save that the hook stopped, else "done".
    std::optional<Fields> Next(int nTimeoutMs = 20000) { return ReceiveFields(m_nReplyFd, nTimeoutMs); }

    Reply Run(const Fields& command, int nTimeoutMs = 20000)
    {
        Post(command);
        return Finish(nTimeoutMs);
    }

    Reply Finish(int nTimeoutMs = 20000)
    {
        const std::optional<Fields> fields = Next(nTimeoutMs);
        Reply reply;
        if (!fields || fields->size() < 3 || (*fields)[0] != "done") {
            ADD_FAILURE() << "the program did not answer";
            return reply;
        }
        reply.strList = (*fields)[1];
        std::size_t i = 2;
        for (; i < fields->size() && (*fields)[i] != "--"; ++i) {
            reply.boxes.push_back((*fields)[i]);
        }
        reply.extra.assign(fields->begin() + static_cast<std::ptrdiff_t>(std::min(i + 1, fields->size())),
                           fields->end());
        return reply;
    }

    [[nodiscard]] int ReplyFd() const { return m_nReplyFd; }

private:
    pid_t m_pid = -1;
    int m_nCommandFd = -1;
    int m_nReplyFd = -1;
};

std::string SharingViolation(const std::string& strPath)
{
    std::string text = Sjis("%1 へのｱｸｾｽ中に共有違反が発生しました。");
    text.replace(text.find("%1"), 2, strPath);
    return text;
}

std::string OwnedStopBox(const std::string& strText)
{
    return strText + "|RUVelo2|" + std::to_string(MB_ICONSTOP | MB_OK) + "|owned";
}

struct TwoProgramsTest : ::testing::Test {
    void SetUp() override
    {
        WriteFileBytes(m_strTaskFile, m_strInitial);
        WriteFileBytes(dir.File("ruvelo.ini"), "100");
    }

    CTempDataDir dir;
    std::string m_strTaskFile = dir.File("ruvelo.csv");
    std::string m_strInitial = "first\t1\tone\r\nsecond\t2\ttwo\r\n";
};

TEST_F(TwoProgramsTest, SaveThatMeetsTheOthersLockIsRefusedAndTheFileStaysWhole)
{
    CProgram a;
    CProgram b;
    EXPECT_TRUE(a.Run({"start"}).boxes.empty());
    EXPECT_TRUE(b.Run({"start"}).boxes.empty());

    // A's save stops with the lock taken and its new file written but not yet in place.
    a.Run({"hold"});
    a.Post({"add", "from a"});
    const std::optional<Fields> held = a.Next();
    ASSERT_TRUE(held && (*held)[0] == "held");

    const Reply refused = b.Run({"add", "from b"});
    EXPECT_EQ(refused.boxes, std::vector<std::string>{OwnedStopBox(SharingViolation(m_strTaskFile))});
    EXPECT_EQ(refused.strList, m_strInitial + "from b\t1\t\r\n") << "the refused command's work stays in its list";
    EXPECT_EQ(ReadFileBytes(m_strTaskFile), m_strInitial) << "the refused save touched the file";

    a.Post({"go"});
    const Reply saved = a.Finish();
    EXPECT_TRUE(saved.boxes.empty());
    EXPECT_EQ(ReadFileBytes(m_strTaskFile), m_strInitial + "from a\t1\t\r\n");

    // Once the lock is free, B's next save goes through with what B holds.
    const Reply later = b.Run({"save"});
    EXPECT_TRUE(later.boxes.empty());
    EXPECT_EQ(ReadFileBytes(m_strTaskFile), m_strInitial + "from b\t1\t\r\n");
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
}

TEST_F(TwoProgramsTest, StartThatMeetsTheOthersLockNeverSavesItsEmptyList)
{
    CProgram a;
    CProgram b;
    EXPECT_TRUE(a.Run({"start"}).boxes.empty());
    a.Run({"hold"});
    a.Post({"add", "from a"});
    const std::optional<Fields> held = a.Next();
    ASSERT_TRUE(held && (*held)[0] == "held");

    // Both files are locked with the directory: B reports each, starts with size 120 and no rows.
    const Reply started = b.Run({"start"});
    EXPECT_EQ(started.boxes, (std::vector<std::string>{OwnedStopBox(SharingViolation(dir.File("ruvelo.ini"))),
                                                       OwnedStopBox(SharingViolation(m_strTaskFile))}));
    EXPECT_EQ(started.strList, "");

    a.Post({"go"});
    EXPECT_TRUE(a.Finish().boxes.empty());
    const std::string strA = m_strInitial + "from a\t1\t\r\n";
    ASSERT_EQ(ReadFileBytes(m_strTaskFile), strA);

    // B never read the file, so no save of B's may replace it, though the lock is free now.
    const Reply refused = b.Run({"add", "from b"});
    EXPECT_EQ(refused.boxes, std::vector<std::string>{OwnedStopBox(SharingViolation(m_strTaskFile))});
    EXPECT_EQ(ReadFileBytes(m_strTaskFile), strA);
    EXPECT_TRUE(b.Run({"close"}).boxes.empty());
    EXPECT_EQ(ReadFileBytes(m_strTaskFile), strA);
}

// Both programs add and delete at full speed. A reader that looks at the file all the while only
// ever finds one of the versions the two wrote, and each refusal is a sharing violation.
TEST_F(TwoProgramsTest, ConcurrentSessionsLeaveOnlyWholeVersions)
{
    constexpr int kCommands = 80;
    CProgram a;
    CProgram b;
    ASSERT_TRUE(a.Run({"start"}).boxes.empty());
    ASSERT_TRUE(b.Run({"start"}).boxes.empty());
    a.Post({"session", "1", std::to_string(kCommands), "a"});
    b.Post({"session", "2", std::to_string(kCommands), "b"});

    std::set<std::string> seen;
    std::optional<Reply> replyA;
    std::optional<Reply> replyB;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((!replyA || !replyB) && std::chrono::steady_clock::now() < deadline) {
        if (const std::optional<std::string> bytes = ReadFileBytes(m_strTaskFile)) {
            seen.insert(*bytes);
        }
        for (auto [pProgram, pReply] : {std::pair{&a, &replyA}, std::pair{&b, &replyB}}) {
            pollfd pfd{pProgram->ReplyFd(), POLLIN, 0};
            if (!*pReply && ::poll(&pfd, 1, 0) == 1) {
                *pReply = pProgram->Finish();
            }
        }
    }
    ASSERT_TRUE(replyA && replyB) << "the sessions did not end";
    ASSERT_EQ(replyA->extra.size(), static_cast<std::size_t>(kCommands));
    ASSERT_EQ(replyB->extra.size(), static_cast<std::size_t>(kCommands));

    std::set<std::string> written{m_strInitial};
    std::string strLastA;
    std::string strLastB;
    int nRefused = 0;
    for (auto [pReply, pLast] : {std::pair{&*replyA, &strLastA}, std::pair{&*replyB, &strLastB}}) {
        for (const std::string& result : pReply->extra) {
            if (!result.empty() && result[0] == '!') {
                EXPECT_EQ(result.substr(1), SharingViolation(m_strTaskFile));
                ++nRefused;
            } else {
                written.insert(result);
                *pLast = result;
            }
        }
    }
    for (const std::string& bytes : seen) {
        EXPECT_EQ(model::SerializeTaskFile(model::ParseTaskFile(bytes)), bytes) << "not a whole set of rows";
        EXPECT_TRUE(written.count(bytes) != 0) << "a version neither program wrote:\n" << bytes;
    }
    const std::optional<std::string> final = ReadFileBytes(m_strTaskFile);
    ASSERT_TRUE(final);
    EXPECT_TRUE(*final == strLastA || *final == strLastB) << "the file is not the last save of either";
    EXPECT_EQ(ListDirectory(dir.Path()), (std::vector<std::string>{"ruvelo.csv", "ruvelo.ini"}));
    EXPECT_LT(nRefused, 2 * kCommands) << "no save went through";

    // A third start reads every row of that last version.
    CTestApp env;
    CStartedMainWindow main(env);
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(ListBytes(main.List()), *final);
    std::printf("[ two      ] %d commands each, %d saves refused, %zu versions seen by the reader\n", kCommands,
                nRefused, seen.size());
}

// With the file watched, as the program runs, each program shows what the other saved within a
// second, so adding in turn loses no task and asks nothing.
TEST_F(TwoProgramsTest, WatchingProgramsAddingInTurnLoseNothing)
{
    CProgram a;
    CProgram b;
    ASSERT_TRUE(a.Run({"start watching"}).boxes.empty());
    ASSERT_TRUE(b.Run({"start watching"}).boxes.empty());
    std::string strExpected = m_strInitial;
    for (int i = 0; i < 6; ++i) {
        CProgram& adding = i % 2 == 0 ? a : b;
        CProgram& other = i % 2 == 0 ? b : a;
        const std::string strTitle = std::string(i % 2 == 0 ? "a" : "b") + std::to_string(i);
        strExpected += strTitle + "\t1\t\r\n";
        const Reply added = adding.Run({"add", strTitle});
        EXPECT_TRUE(added.boxes.empty()) << "step " << i;
        EXPECT_EQ(added.strList, strExpected);
        ASSERT_EQ(ReadFileBytes(m_strTaskFile), strExpected) << "step " << i;
        const Reply shown = other.Run({"wait for", strExpected});
        EXPECT_EQ(shown.strList, strExpected) << "not shown within a second, step " << i;
        EXPECT_TRUE(shown.boxes.empty());
    }
}

} // namespace
