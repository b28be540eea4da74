// The task file watched from Qt's event loop, as the program runs: another process's change is
// shown within a second while no command runs, and waits while a dialog is open.
#include "QtTestEnv.h"

#include "qt/QtDescriptorWatch.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cstdlib>

namespace {

using Rows = std::vector<std::string>;

class TaskFileWatchTest : public ::testing::Test {
protected:
    TaskFileWatchTest() { AfxSetDescriptorWatch(&watch); }
    ~TaskFileWatchTest() override { AfxSetDescriptorWatch(nullptr); }

    void SetUp() override
    {
        WriteTaskFile(strFile, {"一つ\t1\ta", "two\t2\tb"});
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
    }

    void OtherProgram(const std::string& strCommand) const
    {
        ASSERT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
    }

    CTempDataDir dir;
    std::string strFile = dir.File("ruvelo.csv");
    std::string strQuoted = "'" + strFile + "'";
    CQtDescriptorWatch watch;
    CQtTestApp env;
};

TEST_F(TaskFileWatchTest, AnotherProcesssChangeIsShownWithinASecond)
{
    CShownMainWindow main(env);
    ASSERT_EQ(main.Titles(), (Rows{"一つ", "two"}));
    OtherProgram("printf 'a\\t1\\t\\r\\nb\\t2\\t\\r\\n' > " + strQuoted);
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.Titles() == Rows{"a", "b"}; }, 1000));
    OtherProgram("printf 'c\\t3\\t\\r\\n' > " + strQuoted + ".new && mv " + strQuoted + ".new " + strQuoted);
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.Titles() == Rows{"c"}; }, 1000));
    EXPECT_TRUE(main.SelectedRows().empty());
    EXPECT_TRUE(env.ws.messageBoxes.empty());
}

TEST_F(TaskFileWatchTest, AChangeWaitsWhileADialogIsOpen)
{
    CShownMainWindow main(env);
    bool bChangedWhileOpen = true;
    env.ws.onModalDialog = [&](HWND /*hDlg*/, CDialog& dlg) {
        OtherProgram("printf 'theirs\\t3\\t\\r\\n' > " + strQuoted);
        QTest::qWait(300);
        bChangedWhileOpen = main.Titles() != Rows{"一つ", "two"};
        dlg.EndDialog(IDCANCEL);
    };
    env.ws.messageBoxAnswers.push_back(IDNO);
    main.Command(ID_TASK_ADD);  // cancelled, and still saved: the save asks first
    EXPECT_FALSE(bChangedWhileOpen);
    ASSERT_EQ(env.ws.messageBoxes.size(), 1u);
    EXPECT_EQ(env.ws.messageBoxes[0].nType, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_EQ(main.Titles(), Rows{"theirs"});
    EXPECT_EQ(ReadFileBytes(strFile), "theirs\t3\t\r\n");
}

} // namespace
