// The main window as the toolkit shows it: the sizes from the dialog templates, the list's place,
// the columns and the header.
#include "QtTestEnv.h"
#include "qt/QtText.h"
#include "qt/QtWindows.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

// Dialog units as the window system converts them: the base width is the average width of the
// 52 Latin letters, halved with rounding up; the base height is the font's height.
struct DialogBase {
    int x;
    int y;
    explicit DialogBase(const QString& strFace, int nPoints)
    {
        QFont font(strFace);
        font.setPixelSize(static_cast<int>(std::lround(nPoints * 96 / 72.0)));
        const QFontMetrics metrics(font);
        const int nLetters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        x = (nLetters / 26 + 1) / 2;
        y = metrics.height();
    }
    [[nodiscard]] int X(int n) const { return static_cast<int>(std::lround(n * x / 4.0)); }
    [[nodiscard]] int Y(int n) const { return static_cast<int>(std::lround(n * y / 8.0)); }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteFileBytes(dir.File("ruvelo.csv"), "");
    }
    CTempDataDir dir;
};

TEST_F(MainWindowTest, ShowsTheTasksInThreeColumnsAndPlacesTheListOnce)
{
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
    EXPECT_EQ(main.View()->parentWidget(), static_cast<CMainWindowWidget*>(main.Window())->Client());
    EXPECT_EQ(rcList.topLeft(), QPoint(10, 10));
    EXPECT_EQ(rcList.size(), QSize(rcWindow.width() - 40, rcWindow.height() - 100));

    main.Window()->resize(rcWindow.width() + 200, rcWindow.height() + 100);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(main.View()->geometry(), rcList);

    // Maximized the way the window menu does it.
    main.env.ws.Dispatch(main.dlg.m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE);
    CShownMainWindow::ProcessEvents();
    EXPECT_TRUE(main.Window()->isMaximized());
    EXPECT_EQ(main.View()->geometry(), rcList);
    main.env.ws.Dispatch(main.dlg.m_hWnd, WM_SYSCOMMAND, SC_RESTORE);
    CShownMainWindow::ProcessEvents();
    EXPECT_EQ(main.View()->geometry(), rcList);
}

TEST_F(MainWindowTest, EachWindowIsItsTemplateSizeInTheTemplateFontsUnits)
{
    CQtTestApp env;
    CShownMainWindow main(env);

    const DialogBase mainUnits(QStringLiteral(u"ＭＳ ゴシック"), 14);
    EXPECT_EQ(static_cast<CMainWindowWidget*>(main.Window())->Client()->size(),
              QSize(mainUnits.X(320), mainUnits.Y(200)));

    struct DialogCase {
        UINT nCommand;
        UINT nTemplate;
        int nPoints;
        int cx, cy;
        int nControl;                // a control to check the place of, and its template rectangle
        int x, y, cxControl, cyControl;
    };
    const DialogCase cases[] = {
        {ID_TASK_ADD, IDD_TASK_ENTRY, 16, 320, 167, IDC_TITLE, 24, 32, 269, 14},
        {ID_TASK_ADD, IDD_TASK_ENTRY, 16, 320, 167, IDOK, 184, 139, 50, 14},
        {ID_VERSION_INFO, IDD_ABOUTBOX, 9, 235, 55, IDOK, 171, 16, 50, 14},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.nTemplate);
        const DialogBase units(QStringLiteral(u"ＭＳ Ｐゴシック"), c.nPoints);
        QSize size;
        QRect rcControl;
        env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
            size = env.ws.Widget(hDlg)->size();
            rcControl = env.ws.Item(hDlg, c.nControl)->geometry();
            env.ws.Dispatch(hDlg, WM_COMMAND, IDCANCEL);
        };
        main.Command(c.nCommand);
        ASSERT_EQ(env.ws.dialogTemplates.back(), c.nTemplate);
        EXPECT_EQ(size, QSize(units.X(c.cx), units.Y(c.cy)));
        EXPECT_EQ(rcControl, QRect(units.X(c.x), units.Y(c.y), units.X(c.cxControl), units.Y(c.cyControl)));
    }
}

// What the window manager is told: a window whose smallest and largest sizes are one cannot be
// resized, and one without the hint has no maximize box.
struct Frame {
    bool bResizable;
    bool bMaximizeBox;
    bool bMinimizeBox;
    explicit Frame(const QWidget* pWindow)
        : bResizable(pWindow->minimumSize() != pWindow->maximumSize()),
          bMaximizeBox(pWindow->windowFlags().testFlag(Qt::WindowMaximizeButtonHint)),
          bMinimizeBox(pWindow->windowFlags().testFlag(Qt::WindowMinimizeButtonHint))
    {
    }
};

TEST_F(MainWindowTest, OnlyTheMainWindowCanBeResizedOrMaximized)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    const Frame mainFrame(main.Window());
    EXPECT_TRUE(mainFrame.bResizable);
    EXPECT_TRUE(mainFrame.bMaximizeBox);
    EXPECT_TRUE(mainFrame.bMinimizeBox);

    for (const UINT nCommand : {UINT{ID_TASK_ADD}, UINT{ID_VERSION_INFO}}) {
        SCOPED_TRACE(nCommand);
        std::optional<Frame> frame;
        QSize sizeShown;
        QSize sizeAfterResize;
        env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
            QWidget* pDialog = env.ws.Widget(hDlg);
            frame.emplace(pDialog);
            sizeShown = pDialog->size();
            pDialog->resize(sizeShown + QSize(100, 50));
            sizeAfterResize = pDialog->size();
            env.ws.Dispatch(hDlg, WM_COMMAND, IDCANCEL);
        };
        main.Command(nCommand);
        ASSERT_TRUE(frame.has_value());
        EXPECT_FALSE(frame->bResizable);
        EXPECT_FALSE(frame->bMaximizeBox);
        EXPECT_FALSE(frame->bMinimizeBox);
        EXPECT_EQ(sizeAfterResize, sizeShown);
    }
}

TEST_F(MainWindowTest, ColumnsStartAtTheirTableWidthsAndFitTheirTextsWhenThereAreRows)
{
    {
        CQtTestApp env;
        CShownMainWindow main(env);
        const QHeaderView* pHeader = main.View()->Header();
        EXPECT_EQ(pHeader->sectionSize(0), 400);
        EXPECT_EQ(pHeader->sectionSize(1), 60);
        EXPECT_EQ(pHeader->sectionSize(2), 1000);
        EXPECT_EQ(pHeader->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral(u"タイトル"));
        EXPECT_EQ(pHeader->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral(u"重要"));
        EXPECT_EQ(pHeader->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral(u"詳細"));
    }
    const QString strLongTitle = QStringLiteral(u"とても長いお仕事のタイトル WWWWWW");
    const QString strLongDetails = QStringLiteral(u"詳細はここに書く mmmmmmmm");
    WriteTaskFile(dir.File("ruvelo.csv"),
                  {"短い\t1\tx", strLongTitle.toStdString() + "\t123456789\t" + strLongDetails.toStdString()});
    CQtTestApp env;
    CShownMainWindow main(env);
    const QHeaderView* pHeader = main.View()->Header();
    const QFontMetrics metrics(main.View()->font());
    for (const auto& [nCol, strWidest] : {std::pair{0, strLongTitle}, std::pair{2, strLongDetails}}) {
        SCOPED_TRACE(nCol);
        const int nText = metrics.horizontalAdvance(strWidest);
        EXPECT_GT(pHeader->sectionSize(nCol), nText);
        EXPECT_LE(pHeader->sectionSize(nCol), nText + 2 * CTaskListView::kCellPadding + 2);
        EXPECT_EQ(pHeader->sectionSize(nCol), main.dlg.m_list.GetColumnWidth(nCol));
    }
    EXPECT_EQ(pHeader->sectionSize(1), 60);
}

TEST_F(MainWindowTest, ClickingTheHeaderSortsNothing)
{
    WriteTaskFile(dir.File("ruvelo.csv"), {"b\t1\t", "c\t9\t", "a\t5\t"});
    CQtTestApp env;
    CShownMainWindow main(env);
    QHeaderView* pHeader = main.View()->Header();
    for (int nSection = 0; nSection < 3; ++nSection) {
        const QPoint pt(pHeader->sectionViewportPosition(nSection) + 10, pHeader->height() / 2);
        QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        CShownMainWindow::ProcessEvents();
    }
    EXPECT_EQ(main.Titles(), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_FALSE(pHeader->isSortIndicatorShown());
}

} // namespace
