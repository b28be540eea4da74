// The about box as the toolkit shows it: its texts and icon, the focus, and every way of closing
// it, none of which changes anything.
#include "QtTestEnv.h"
#include "qt/QtIcons.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteTaskFile(dir.File("ruvelo.csv"), {"b\t1\t", "c\t9\t"});
        m_nInode = FileInode(dir.File("ruvelo.csv"));
    }
    CTempDataDir dir;
    ino_t m_nInode = 0;
};

TEST_F(AboutBoxTest, ShowsTheIconTheNameAndVersionAndALineWithOkFocused)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    QString strCaption;
    QStringList texts;
    QImage icon;
    QWidget* pFocus = nullptr;
    QWidget* pOk = nullptr;
    bool bOkIsDefault = false;
    QString strOkName;
    int nOkLabels = -1;
    int nBuddies = 0;
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        QWidget* pDialog = env.ws.Widget(hDlg);
        strCaption = pDialog->windowTitle();
        for (const QLabel* pLabel : pDialog->findChildren<QLabel*>()) {
            if (!pLabel->pixmap().isNull()) {
                icon = pLabel->pixmap().toImage();
            } else {
                texts.append(pLabel->text());
            }
            nBuddies += pLabel->buddy() != nullptr ? 1 : 0;
        }
        pFocus = QApplication::focusWidget();
        pOk = env.ws.Item(hDlg, IDOK);
        bOkIsDefault = qobject_cast<QPushButton*>(pOk) != nullptr && qobject_cast<QPushButton*>(pOk)->isDefault();
        if (QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(pOk)) {
            strOkName = pAccessible->text(QAccessible::Name);
            nOkLabels = static_cast<int>(pAccessible->relations(QAccessible::Label).size());
        }
        QTest::keyClick(pFocus, Qt::Key_Return);
    };
    main.Command(ID_VERSION_INFO);

    EXPECT_EQ(strCaption, QStringLiteral(u"RUVelo2のﾊﾞｰｼﾞｮﾝ情報"));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("RUVelo Version 1.05a"));
    EXPECT_FALSE(texts[1].trimmed().isEmpty());
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32), IconImage(IDI_APP, 32));
    EXPECT_NE(pOk, nullptr);
    EXPECT_EQ(pFocus, pOk);
    EXPECT_TRUE(bOkIsDefault);
    // The lines of text have no mnemonic: they label nothing, so a screen reader reads OK as "OK".
    EXPECT_EQ(nBuddies, 0);
    EXPECT_EQ(strOkName, QStringLiteral("OK"));
    EXPECT_EQ(nOkLabels, 0);
    // The same picture is the window's icon, in both sizes.
    const QList<QSize> sizes = main.Window()->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

TEST_F(AboutBoxTest, EveryWayOfClosingItFromEitherMenuChangesNothing)
{
    struct CloseCase {
        const char* pszName;
        std::function<void(QWidget* pDialog, QWidget* pOk)> close;
    };
    const CloseCase closers[] = {
        {"OK", [](QWidget*, QWidget* pOk) { QTest::mouseClick(pOk, Qt::LeftButton); }},
        {"Enter", [](QWidget*, QWidget*) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }},
        {"Space on OK", [](QWidget*, QWidget*) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); }},
        {"Esc", [](QWidget*, QWidget*) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
        {"close box", [](QWidget* pDialog, QWidget*) { pDialog->close(); }},
        {"Alt+F4", [](QWidget*, QWidget*) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier); }},
    };
    struct OpenCase {
        const char* pszName;
        UINT message;
        WPARAM wParam;
    };
    const OpenCase openers[] = {
        {"menu bar", WM_COMMAND, ID_VERSION_INFO},
        {"window menu", WM_SYSCOMMAND, IDM_ABOUTBOX},
        {"window menu, low bits set", WM_SYSCOMMAND, IDM_ABOUTBOX | 0xF},
    };
    CQtTestApp env;
    CShownMainWindow main(env);
    main.dlg.m_list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    int nShown = 0;
    for (const OpenCase& open : openers) {
        for (const CloseCase& c : closers) {
            SCOPED_TRACE(std::string(open.pszName) + ", " + c.pszName);
            bool bClosed = false;
            env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
                QWidget* pDialog = env.ws.Widget(hDlg);
                // The main window's accelerators are not for this box.
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
                c.close(pDialog, env.ws.Item(hDlg, IDOK));
                bClosed = !pDialog->isVisible();
            };
            env.ws.Dispatch(main.dlg.m_hWnd, open.message, open.wParam);
            CShownMainWindow::ProcessEvents();
            ++nShown;
            EXPECT_TRUE(bClosed);
            EXPECT_EQ(env.ws.nModalDialogs, nShown);
            EXPECT_EQ(env.ws.dialogTemplates.back(), static_cast<UINT>(IDD_ABOUTBOX));
            EXPECT_EQ(main.Titles(), (std::vector<std::string>{"b", "c"}));
            EXPECT_EQ(main.SelectedRows(), (std::vector<int>{1}));
            EXPECT_EQ(main.FocusedRow(), 1);
            EXPECT_EQ(QApplication::focusWidget(), main.View());
            EXPECT_TRUE(main.Window()->isVisible());
        }
    }
    EXPECT_TRUE(env.ws.messageBoxes.empty());
    EXPECT_EQ(FileInode(dir.File("ruvelo.csv")), m_nInode);
}

} // namespace
