// Another program changing the task file: a save that would overwrite the change asks first, and
// with the file watched, as the program runs, the change is loaded within a second while no
// command runs.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/PollingDescriptorWatch.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using Rows = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;
constexpr UINT kQuestion = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;

const std::string kTasks = "one\t1\ta\r\ntwo\t2\tb\r\n";
const std::string kTheirs = Sjis("theirs\t3\tc\r\n表\t4\td\r\n");

class TaskFileChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(strFile, kTasks);
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
    }

    void Add(CStartedMainWindow& main, const std::string& strTitle, int nResult = IDOK)
    {
        env.ws.dialogAnswers.push_back(Typed(nResult, strTitle, "1", ""));
        main.Command(ID_TASK_ADD);
    }

    // Another process writes the file, as an editor or a sync tool would.
    static void OtherProgram(const std::string& strCommand)
    {
        ASSERT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
    }

    std::string Question() const
    {
        return FileNameForDisplay(strFile) + Sjis(" は他のプログラムによって変更されています。上書きしますか？");
    }

    CTempDataDir dir;
    std::string strFile = dir.File("ruvelo.csv");
    CTestApp env;
};

// Yes overwrites the other program's version; No writes nothing, loads it and drops the command's
// change. Either way the box is the question, owned by the main window, captioned with the
// program's name.
TEST_F(TaskFileChangeTest, ASaveOverAnotherProgramsChangeAsks)
{
    for (const int nAnswer : {IDYES, IDNO}) {
        SCOPED_TRACE(nAnswer == IDYES ? "yes" : "no");
        WriteFileBytes(strFile, kTasks);
        CStartedMainWindow main(env);
        env.ws.messageBoxes.clear();
        Add(main, "mine");
        WriteFileBytes(strFile, kTheirs);
        main.List().SetItemState(0, kBoth, kBoth);

        env.ws.messageBoxAnswers.push_back(nAnswer);
        Add(main, "second");

        ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
        const auto& box = env.ws.messageBoxes[0];
        EXPECT_EQ(box.strText, Question());
        EXPECT_EQ(box.strCaption, "RUVelo2");
        EXPECT_EQ(box.nType, kQuestion);
        EXPECT_EQ(box.hOwner, main.dlg.m_hWnd);
        if (nAnswer == IDYES) {
            EXPECT_EQ(ReadFileBytes(strFile), kTasks + "mine\t1\t\r\nsecond\t1\t\r\n");
            EXPECT_EQ(main.Titles(), (Rows{"one", "two", "mine", "second"}));
        } else {
            EXPECT_EQ(ReadFileBytes(strFile), kTheirs);
            EXPECT_EQ(main.Titles(), (Rows{"theirs", Sjis("表")}));
            EXPECT_TRUE(main.SelectedRows().empty());
            EXPECT_EQ(main.FocusedRow(), -1);
            // The loaded version is the new start: nothing before it can be undone, and the next
            // save asks nothing.
            main.Key('Z', MK_KEYSTATE_CONTROL);
            EXPECT_EQ(main.Titles(), (Rows{"theirs", Sjis("表")}));
            Add(main, "third");
            EXPECT_EQ(ReadFileBytes(strFile), kTheirs + "third\t1\t\r\n");
            EXPECT_EQ(env.ws.messageBoxes.size(), 1u);
        }
        main.Close();
    }
}

// The program's own saves are not taken for a change, however fast they follow each other, and a
// file that is gone is simply made again.
TEST_F(TaskFileChangeTest, OwnSavesAndAFileThatWentAskNothing)
{
    CStartedMainWindow main(env);
    for (int i = 0; i < 5; ++i) {
        Add(main, "t" + std::to_string(i));
    }
    main.Key('Z', MK_KEYSTATE_CONTROL);
    ASSERT_EQ(::unlink(strFile.c_str()), 0);
    Add(main, "again");
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("RuVelo.csv")), kTasks + "t0\t1\t\r\nt1\t1\t\r\nt2\t1\t\r\nt3\t1\t\r\nagain\t1\t\r\n");
}

// A write in place that leaves the size and the time stamp as they were is still seen: the clock
// had not passed the time stamp when the file was loaded (here it lies ahead, as it does for a
// write within the same tick), so the bytes' checksum tells the two versions apart.
TEST_F(TaskFileChangeTest, ASameSizeWriteWithTheSameTimeStampIsSeenByItsBytes)
{
    timespec ahead{};
    ::clock_gettime(CLOCK_REALTIME, &ahead);
    ahead.tv_sec += 60;
    const timespec stamped[2] = {ahead, ahead};
    ASSERT_EQ(::utimensat(AT_FDCWD, strFile.c_str(), stamped, 0), 0);
    CStartedMainWindow main(env);
    struct stat before {};
    ASSERT_EQ(::stat(strFile.c_str(), &before), 0);
    std::string strSameSize = kTasks;
    strSameSize[0] = 'O';
    WriteFileBytes(strFile, strSameSize);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, strFile.c_str(), times, 0), 0);

    env.ws.messageBoxAnswers.push_back(IDNO);
    Add(main, "mine");
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, kQuestion);
    EXPECT_EQ(ReadFileBytes(strFile), strSameSize);
    EXPECT_EQ(main.Titles(), (Rows{"One", "two"}));
}

// With the watch running: another process rewrites the file in place, then replaces it by a
// rename; each time the list shows the new rows within a second, and the next Add keeps them.
TEST_F(TaskFileChangeTest, AChangeByAnotherProcessIsShownWithinASecond)
{
    CPollingDescriptorWatch watch;
    CStartedMainWindow main(env);
    ASSERT_TRUE(watch.IsWatching());
    Add(main, "mine");
    main.List().SetItemState(0, kBoth, kBoth);

    struct Way {
        const char* name;
        std::string strCommand;
        Rows expected;
    };
    const std::string strQuoted = "'" + strFile + "'";
    for (const Way& way :
         {Way{"in place", "printf 'a\\t1\\t\\r\\nb\\t2\\t\\r\\n' > " + strQuoted, Rows{"a", "b"}},
          Way{"by rename", "printf 'c\\t3\\t\\r\\n' > " + strQuoted + ".new && mv " + strQuoted + ".new " + strQuoted,
              Rows{"c"}}}) {
        SCOPED_TRACE(way.name);
        OtherProgram(way.strCommand);
        EXPECT_TRUE(watch.RunUntil([&] { return main.Titles() == way.expected; }, 1s)) << "not shown within a second";
        EXPECT_TRUE(main.SelectedRows().empty());
    }
    main.Key('Z', MK_KEYSTATE_CONTROL);
    EXPECT_EQ(main.Titles(), Rows{"c"}) << "a loaded version cannot be undone";
    Add(main, "next");
    EXPECT_EQ(ReadFileBytes(strFile), "c\t3\t\r\nnext\t1\t\r\n");
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    // The program's own save is no change to load: the rows stay as they are, selection included.
    watch.RunReady(200);
    EXPECT_EQ(main.SelectedRows(), std::vector<int>{1});
}

// While a dialog is open the change waits: the command's save asks about it, and No loads it.
TEST_F(TaskFileChangeTest, AChangeWhileADialogIsOpenWaitsForTheSave)
{
    CPollingDescriptorWatch watch;
    CStartedMainWindow main(env);
    CFakeWindowSystem::DialogAnswer answer = Typed(IDOK, "mine", "1", "");
    bool bLoadedWhileOpen = true;
    answer.whileOpen = [&](CDialog&) {
        WriteFileBytes(strFile, kTheirs);
        watch.RunReady(300);
        bLoadedWhileOpen = main.List().GetItemCount() != 2 || main.Titles()[0] != "one";
    };
    env.ws.dialogAnswers.push_back(answer);
    env.ws.messageBoxAnswers.push_back(IDNO);
    main.Command(ID_TASK_ADD);
    EXPECT_FALSE(bLoadedWhileOpen);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, kQuestion);
    EXPECT_EQ(main.Titles(), (Rows{"theirs", Sjis("表")}));
    EXPECT_EQ(ReadFileBytes(strFile), kTheirs);
}

// A file that cannot be read whole is reported once; the list stays and saves are refused, until
// a reload reads the file whole again.
TEST_F(TaskFileChangeTest, AnUnreadableChangeIsReportedOnceAndRefusesSavesUntilReadAgain)
{
    CPollingDescriptorWatch watch;
    CStartedMainWindow main(env);
    const std::string strAside = dir.File("aside");
    ASSERT_EQ(::mkdir(strAside.c_str(), 0755), 0);
    ASSERT_EQ(::rename(strFile.c_str(), (strAside + "/kept").c_str()), 0);
    ASSERT_EQ(::mkdir(strFile.c_str(), 0755), 0);  // not a regular file: refused when read
    watch.RunUntil([&] { return !env.ws.messageBoxes.empty(); }, 1s);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(main.Titles(), (Rows{"one", "two"}));

    ::utimensat(AT_FDCWD, strFile.c_str(), nullptr, 0);  // another event, same failure: no second box
    watch.RunReady(300);
    Add(main, "refused");
    ASSERT_EQ(env.ws.messageBoxes.size(), 2u);
    EXPECT_EQ(env.ws.messageBoxes[1].strText, env.ws.messageBoxes[0].strText);

    ASSERT_EQ(::rmdir(strFile.c_str()), 0);
    WriteFileBytes(strFile, kTheirs);
    EXPECT_TRUE(watch.RunUntil([&] { return main.Titles() == Rows{"theirs", Sjis("表")}; }, 1s));
    Add(main, "saved");
    EXPECT_EQ(ReadFileBytes(strFile), kTheirs + "saved\t1\t\r\n");
    EXPECT_EQ(env.ws.messageBoxes.size(), 2u);
}

} // namespace
