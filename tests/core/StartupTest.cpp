// Start-up and shutdown of the main window against the scripted window system.
#include "framework/FileException.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

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

} // namespace
