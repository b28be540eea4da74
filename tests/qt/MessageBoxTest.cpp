// The toolkit's message box as the window system makes it: button labels, default and escape
// buttons, icons, and the answer that each way of closing it gives.
#include "QtTestEnv.h"
#include "framework/Cp932.h"
#include "support/TestEnv.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// TabEnter: Tab to the next button, then Enter, which presses the button with the focus.
enum class Answer { ClickFirst, ClickSecond, Enter, Esc, TabEnter };

struct BoxCase {
    const char* pszName;
    UINT nType;
    QStringList buttons;
    int nDefault;  // index into buttons
    QMessageBox::Icon icon;
    Answer answer;
    int nResult;
};

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheButtonsAndReturnsTheAnswer)
{
    const BoxCase& c = GetParam();
    CTempDataDir dir;
    WriteFileBytes(dir.File("ruvelo.ini"), "120");
    WriteFileBytes(dir.File("ruvelo.csv"), "");
    CQtTestApp env;
    CShownMainWindow main(env);

    QStringList buttons;
    QString strDefault;
    QString strText;
    QString strCaption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    const QWidget* pParent = nullptr;
    QString strFocused;
    bool bResizable = true;
    bool bMaximizeBox = true;
    CWhenShown answer("QMessageBox", [&](QWidget* pWidget) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        ASSERT_NE(pBox, nullptr);
        if (const auto* pFocus = qobject_cast<QAbstractButton*>(QApplication::focusWidget())) {
            strFocused = pFocus->text();
        }
        bResizable = pBox->minimumSize() != pBox->maximumSize();
        bMaximizeBox = pBox->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
        for (const QAbstractButton* pButton : pBox->buttons()) {
            buttons.append(pButton->text());
        }
        strDefault = pBox->defaultButton() != nullptr ? pBox->defaultButton()->text() : QString();
        strText = pBox->text();
        strCaption = pBox->windowTitle();
        icon = pBox->icon();
        pParent = pBox->parentWidget();
        switch (c.answer) {
        case Answer::ClickFirst:
            pBox->buttons().at(0)->click();
            break;
        case Answer::ClickSecond:
            pBox->buttons().at(1)->click();
            break;
        case Answer::Enter:
            QTest::keyClick(pBox, Qt::Key_Return);
            break;
        case Answer::Esc:
            QTest::keyClick(pBox, Qt::Key_Escape);
            break;
        case Answer::TabEnter:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            break;
        }
    });
    const int nResult = env.ws.CQtWindowSystem::MessageBox(main.dlg.m_hWnd, Sjis("すべてのお仕事を削除していいですか？"),
                                                           Sjis("全削除の確認"), c.nType);
    EXPECT_EQ(answer.nShown, 1);
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(strDefault, c.buttons.at(c.nDefault));
    EXPECT_EQ(strFocused, strDefault);
    EXPECT_FALSE(bResizable);
    EXPECT_FALSE(bMaximizeBox);
    EXPECT_EQ(strText, QStringLiteral(u"すべてのお仕事を削除していいですか？"));
    EXPECT_EQ(strCaption, QStringLiteral(u"全削除の確認"));
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(pParent, main.Window());
    EXPECT_EQ(nResult, c.nResult);
}

const QStringList kYesNo{QStringLiteral(u"はい(&Y)"), QStringLiteral(u"いいえ(&N)")};
const QStringList kOk{QStringLiteral("OK")};
constexpr UINT kDeleteAllQuestion = MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2;

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxTest,
    ::testing::Values(
        BoxCase{"QuestionYes", kDeleteAllQuestion, kYesNo, 1, QMessageBox::Information, Answer::ClickFirst, IDYES},
        BoxCase{"QuestionNo", kDeleteAllQuestion, kYesNo, 1, QMessageBox::Information, Answer::ClickSecond, IDNO},
        BoxCase{"QuestionEnterTakesTheDefault", kDeleteAllQuestion, kYesNo, 1, QMessageBox::Information, Answer::Enter,
                IDNO},
        BoxCase{"QuestionEsc", kDeleteAllQuestion, kYesNo, 1, QMessageBox::Information, Answer::Esc, IDNO},
        BoxCase{"QuestionEnterOnYes", kDeleteAllQuestion, kYesNo, 1, QMessageBox::Information, Answer::TabEnter, IDYES},
        BoxCase{"YesNoEnterOnNo", MB_YESNO, kYesNo, 0, QMessageBox::NoIcon, Answer::TabEnter, IDNO},
        BoxCase{"YesNoFirstDefault", MB_YESNO, kYesNo, 0, QMessageBox::NoIcon, Answer::Enter, IDYES},
        BoxCase{"FileError", MB_OK | MB_ICONSTOP, kOk, 0, QMessageBox::Critical, Answer::Esc, IDOK},
        BoxCase{"Help", MB_OK | MB_ICONEXCLAMATION, kOk, 0, QMessageBox::Warning, Answer::Enter, IDOK},
        BoxCase{"NotFound", MB_OK, kOk, 0, QMessageBox::NoIcon, Answer::ClickFirst, IDOK},
        BoxCase{"OkTabEnter", MB_OK, kOk, 0, QMessageBox::NoIcon, Answer::TabEnter, IDOK}),
    [](const ::testing::TestParamInfo<BoxCase>& param) { return std::string(param.param.pszName); });

TEST(MessageBoxOwnerTest, ABoxWithoutOwnerStandsAlone)
{
    CTempDataDir dir;
    CQtTestApp env;
    const QWidget* pParent = reinterpret_cast<const QWidget*>(1);
    CWhenShown answer("QMessageBox", [&](QWidget* pWidget) {
        pParent = pWidget->parentWidget();
        QTest::keyClick(pWidget, Qt::Key_Return);
    });
    EXPECT_EQ(env.ws.CQtWindowSystem::MessageBox(nullptr, "x", "RUVelo2", MB_ICONSTOP | MB_OK), IDOK);
    EXPECT_EQ(answer.nShown, 1);
    EXPECT_EQ(pParent, nullptr);
}

} // namespace
