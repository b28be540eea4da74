// The main window as the toolkit shows it.
#include "QtTestEnv.h"
#include "support/TestEnv.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(MainWindowTest, ShowsTheTasksInThreeColumnsAndPlacesTheListOnce)
{
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteTaskFile(dir.File("ruvelo.csv"), {"買い物\t3\t牛乳", "report\t10\t"});
    CQtTestApp env;
    CShownMainWindow main(env);

    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(main.Window()->windowTitle(), QStringLiteral("RUVelo"));
    ASSERT_NE(main.View(), nullptr);
    EXPECT_EQ(main.View()->Header()->count(), 3);
    // The frame is not known before the window is first shown, so the outer rectangle at start
    // is the window's own: its client area and menu bar.
    const QRect rcWindow = main.Window()->geometry();
    const QRect rcList = main.View()->geometry();
    EXPECT_EQ(rcList.topLeft(), QPoint(10, 10));
    EXPECT_EQ(rcList.size(), QSize(rcWindow.width() - 40, rcWindow.height() - 100));

    main.Window()->resize(rcWindow.width() + 200, rcWindow.height() + 100);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(main.View()->geometry(), rcList);
}

} // namespace
