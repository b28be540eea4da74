// The task entry dialog as the user meets it: typing, the keys that end it, the importance box's
// filter, the mnemonics and tab order, and texts that must come back byte for byte.
#include "QtTestEnv.h"
#include "framework/Cp932.h"
#include "res/resource.h"
#include "support/TestEnv.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types text where the keyboard focus is, one key per character as the user does.
void Type(const QString& strText)
{
    for (const QChar c : strText) {
        QWidget* pFocus = QApplication::focusWidget();
        ASSERT_NE(pFocus, nullptr);
        if (c.unicode() < 0x80 && c.isLetterOrNumber()) {
            QTest::keyClick(pFocus, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, pFocus, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* pFocus = QApplication::focusWidget();
    ASSERT_NE(pFocus, nullptr);
    QTest::keyClick(pFocus, key, modifiers);
}

struct EntryBoxes {
    QLineEdit* pTitle;
    QLineEdit* pImportance;
    QLineEdit* pDetails;
    QPushButton* pOk;
    QPushButton* pCancel;
    EntryBoxes(const CScriptedQtWindowSystem& ws, HWND hDlg)
        : pTitle(ws.Edit(hDlg, IDC_TITLE)), pImportance(ws.Edit(hDlg, IDC_IMPORTANCE)),
          pDetails(ws.Edit(hDlg, IDC_DETAILS)), pOk(qobject_cast<QPushButton*>(ws.Item(hDlg, IDOK))),
          pCancel(qobject_cast<QPushButton*>(ws.Item(hDlg, IDCANCEL)))
    {
    }
    [[nodiscard]] QStringList Texts() const { return {pTitle->text(), pImportance->text(), pDetails->text()}; }
};

std::string Utf8Field(const CString& str) { return Utf8(str); }

class EntryDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("ruvelo.ini"), "120");
        WriteTaskFile(dir.File("ruvelo.csv"), {"買い物\t3\t牛乳"});
    }
    CTempDataDir dir;
};

class EnterInEachBox : public EntryDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(EnterInEachBox, ConfirmsTheDialogWithTheTypedTexts)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    bool bClosedByEnter = false;
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        const EntryBoxes boxes(env.ws, hDlg);
        Type(QStringLiteral(u"報告書 draft"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("7"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral(u"金曜まで"));
        env.ws.Item(hDlg, GetParam())->setFocus();
        Press(Qt::Key_Return);
        bClosedByEnter = !env.ws.Widget(hDlg)->isVisible();
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);

    EXPECT_TRUE(bClosedByEnter);
    EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strTitle), "報告書 draft");
    EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strImportance), "7");
    EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strDetails), "金曜まで");
    EXPECT_EQ(main.Titles(), (std::vector<std::string>{"買い物", "報告書 draft"}));
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), Sjis("買い物\t3\t牛乳\r\n報告書 draft\t7\t金曜まで\r\n"));
    // The main window takes keys again.
    EXPECT_EQ(QApplication::activeWindow(), main.Window());
}

INSTANTIATE_TEST_SUITE_P(Boxes, EnterInEachBox, ::testing::Values(IDC_TITLE, IDC_IMPORTANCE, IDC_DETAILS));

TEST_F(EntryDialogTest, EveryWayOfCancellingKeepsTheFieldsAsTheyWere)
{
    struct CancelCase {
        const char* pszName;
        std::function<void(const EntryBoxes&, QWidget*)> cancel;
    };
    const CancelCase cases[] = {
        {"Esc", [](const EntryBoxes&, QWidget*) { Press(Qt::Key_Escape); }},
        {"close box", [](const EntryBoxes&, QWidget* pDialog) { pDialog->close(); }},
        {"Cancel button", [](const EntryBoxes& boxes, QWidget*) { QTest::mouseClick(boxes.pCancel, Qt::LeftButton); }},
        // With no window manager taking the key, as under a bare X server or offscreen.
        {"Alt+F4", [](const EntryBoxes&, QWidget*) { Press(Qt::Key_F4, Qt::AltModifier); }},
        {"Enter on Cancel",
         [](const EntryBoxes& boxes, QWidget*) {
             for (int i = 0; i < 4; ++i) {
                 Press(Qt::Key_Tab);
             }
             EXPECT_EQ(QApplication::focusWidget(), boxes.pCancel);
             Press(Qt::Key_Return);
         }},
    };
    CQtTestApp env;
    CShownMainWindow main(env);
    main.dlg.m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        bool bClosed = false;
        QStringList shown;
        env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
            const EntryBoxes boxes(env.ws, hDlg);
            shown = boxes.Texts();
            Type(QStringLiteral("changed"));
            c.cancel(boxes, env.ws.Widget(hDlg));
            bClosed = !env.ws.Widget(hDlg)->isVisible();
        };
        main.Key(Qt::Key_E, Qt::ControlModifier);
        EXPECT_TRUE(bClosed);
        EXPECT_EQ(shown, (QStringList{QStringLiteral(u"買い物"), QStringLiteral("3"), QStringLiteral(u"牛乳")}));
        EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strTitle), "買い物");
        EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strImportance), "3");
        EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strDetails), "牛乳");
        EXPECT_EQ(main.Titles(), (std::vector<std::string>{"買い物"}));
    }
    EXPECT_EQ(env.ws.nModalDialogs, 5);
}

TEST_F(EntryDialogTest, EnterPressesTheFocusedButtonAndOkFromAnyBox)
{
    struct EnterCase {
        const char* pszName;
        int nTabs;  // from the title box
        Qt::Key key;
        bool bConfirms;
    };
    const EnterCase cases[] = {
        {"on OK", 3, Qt::Key_Return, true},
        {"on Cancel", 4, Qt::Key_Return, false},
        {"keypad Enter on Cancel", 4, Qt::Key_Enter, false},
        {"in the title box after Cancel had the focus", 5, Qt::Key_Return, true},
        {"in the details box after Cancel had the focus", 7, Qt::Key_Return, true},
    };
    for (const EnterCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CTempDataDir caseDir;
        WriteFileBytes(caseDir.File("ruvelo.ini"), "120");
        WriteTaskFile(caseDir.File("ruvelo.csv"), {"a\t1\t"});
        CQtTestApp env;
        CShownMainWindow main(env);
        bool bClosed = false;
        env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
            const EntryBoxes boxes(env.ws, hDlg);
            Type(QStringLiteral("new"));
            for (int i = 0; i < c.nTabs; ++i) {
                Press(Qt::Key_Tab);
                // The focused button shows as the default; the template's default once it leaves.
                const bool bOnCancel = QApplication::focusWidget() == boxes.pCancel;
                EXPECT_EQ(boxes.pCancel->isDefault(), bOnCancel);
                EXPECT_EQ(boxes.pOk->isDefault(), !bOnCancel);
            }
            Press(c.key);
            bClosed = !env.ws.Widget(hDlg)->isVisible();
        };
        main.Key(Qt::Key_I, Qt::ControlModifier);
        EXPECT_TRUE(bClosed);
        EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strTitle), c.bConfirms ? "new" : "");
        EXPECT_EQ(main.Titles(), c.bConfirms ? (std::vector<std::string>{"a", "new"}) : (std::vector<std::string>{"a"}));
        EXPECT_EQ(ReadFileBytes(caseDir.File("ruvelo.csv")), c.bConfirms ? "a\t1\t\r\nnew\t5\t\r\n" : "a\t1\t\r\n");
    }
}

TEST_F(EntryDialogTest, TheImportanceBoxTakesTypedDigitsOnlyUntilItIsFullButTakesAnyPastedText)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    QString strTyped;
    QString strFull;
    QString strPasted;
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        const EntryBoxes boxes(env.ws, hDlg);
        Press(Qt::Key_Tab);  // to the importance box, its "5" selected
        ASSERT_EQ(QApplication::focusWidget(), boxes.pImportance);
        // A full-width digit is taken as its ASCII digit.
        Type(QStringLiteral(u"a-1 2x+3.９"));
        strTyped = boxes.pImportance->text();

        boxes.pImportance->clear();
        Type(QString(40, QLatin1Char('9')));
        strFull = boxes.pImportance->text();

        boxes.pImportance->clear();
        QApplication::clipboard()->setText(QStringLiteral("-12abc"));
        Press(Qt::Key_V, Qt::ControlModifier);
        strPasted = boxes.pImportance->text();
        Press(Qt::Key_Return);
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);

    EXPECT_EQ(strTyped, QStringLiteral("1239"));
    EXPECT_FALSE(strFull.isEmpty());
    EXPECT_LT(strFull.size(), 40);
    EXPECT_EQ(strFull, QString(strFull.size(), QLatin1Char('9')));
    EXPECT_EQ(strPasted, QStringLiteral("-12abc"));
    EXPECT_EQ(Utf8Field(main.dlg.m_entryDlg.m_strImportance), "-12abc");
}

// What an input method sends: a commit, and the text it is still composing.
void Commit(QWidget* pBox, const QString& strCommit, const QString& strPreedit = QString())
{
    QInputMethodEvent event(strPreedit, {});
    event.setCommitString(strCommit);
    QApplication::sendEvent(pBox, &event);
}

// Whether the box lets an input method compose into it, asked as the platform's input context asks.
bool InputMethodEnabled(QWidget* pBox)
{
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QApplication::sendEvent(pBox, &query);
    QVariant byName;
    QMetaObject::invokeMethod(pBox, "inputMethodQuery", Qt::DirectConnection, Q_RETURN_ARG(QVariant, byName),
                              Q_ARG(Qt::InputMethodQuery, Qt::ImEnabled), Q_ARG(QVariant, QVariant()));
    EXPECT_EQ(query.value(Qt::ImEnabled).toBool(), byName.toBool());
    return query.value(Qt::ImEnabled).toBool();
}

TEST_F(EntryDialogTest, TheImportanceBoxHasNoInputMethodAndTakesOnlyDigitsFromOne)
{
    struct CommitCase {
        const char16_t* pszCommit;
        const char16_t* pszPreedit;
        const char* pszExpected;  // the box held "5", selected
    };
    const CommitCase cases[] = {
        {u"７", u"", "7"},
        {u"１２", u"", "12"},
        {u"3", u"", "3"},
        {u"a", u"", "5"},
        {u"七", u"", "5"},
        {u"１a", u"", "5"},
        {u"－１", u"", "5"},
        {u" ", u"", "5"},
        {u"", u"なな", "5"},
        {u"９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９９", u"", "5"},
    };
    CQtTestApp env;
    CShownMainWindow main(env);
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        const EntryBoxes boxes(env.ws, hDlg);
        EXPECT_TRUE(InputMethodEnabled(boxes.pTitle));
        EXPECT_FALSE(InputMethodEnabled(boxes.pImportance));
        EXPECT_TRUE(InputMethodEnabled(boxes.pDetails));
        for (const CommitCase& c : cases) {
            const QString strCommit = QString::fromUtf16(c.pszCommit);
            SCOPED_TRACE(strCommit.toStdString() + "|" + QString::fromUtf16(c.pszPreedit).toStdString());
            Press(Qt::Key_J, Qt::AltModifier);
            ASSERT_EQ(QApplication::focusWidget(), boxes.pImportance);
            boxes.pImportance->setText(QStringLiteral("5"));
            boxes.pImportance->selectAll();
            Commit(boxes.pImportance, strCommit, QString::fromUtf16(c.pszPreedit));
            EXPECT_EQ(boxes.pImportance->text().toStdString(), c.pszExpected);
            Press(Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), boxes.pDetails);
        }
        // The other boxes take what the input method composed, as it is.
        Press(Qt::Key_T, Qt::AltModifier);
        Commit(boxes.pTitle, QStringLiteral(u"買い物"));
        Press(Qt::Key_Tab);
        Commit(boxes.pImportance, QStringLiteral(u"８"));
        Press(Qt::Key_Tab);
        Commit(boxes.pDetails, QStringLiteral(u"牛乳１本"));
        Press(Qt::Key_Return);
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), Sjis("買い物\t3\t牛乳\r\n買い物\t8\t牛乳１本\r\n"));
}

TEST_F(EntryDialogTest, TheTitleBoxHasTheFocusFirstAndMnemonicsAndTabMoveItInTemplateOrder)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        const EntryBoxes boxes(env.ws, hDlg);
        QWidget* pDialog = env.ws.Widget(hDlg);
        EXPECT_EQ(pDialog->windowTitle(), QStringLiteral(u"ダイアログ"));
        EXPECT_EQ(boxes.pOk->text(), QStringLiteral("OK"));
        EXPECT_EQ(boxes.pCancel->text(), QStringLiteral(u"ｷｬﾝｾﾙ"));
        EXPECT_TRUE(boxes.pOk->isDefault());
        EXPECT_FALSE(boxes.pCancel->isDefault());
        EXPECT_TRUE(pDialog->isModal());

        // Each label with a mnemonic is its box's label, and names it to a screen reader.
        const std::pair<QLineEdit*, const char16_t*> labels[] = {
            {boxes.pTitle, u"タイトル(&T)"}, {boxes.pImportance, u"重要度(&J) 0～9の数字"}, {boxes.pDetails, u"詳細(&S)"}};
        for (const auto& [pBox, pszLabel] : labels) {
            const QString strLabel = QString::fromUtf16(pszLabel);
            QStringList buddyOf;
            for (const QLabel* pLabel : pDialog->findChildren<QLabel*>()) {
                if (pLabel->buddy() == pBox) {
                    buddyOf.append(pLabel->text());
                }
            }
            EXPECT_EQ(buddyOf, QStringList{strLabel});
            EXPECT_EQ(QAccessible::queryAccessibleInterface(pBox)->text(QAccessible::Name),
                      QString(strLabel).remove(QLatin1Char('&')));
        }

        EXPECT_EQ(QApplication::focusWidget(), boxes.pTitle);
        const std::pair<Qt::Key, QWidget*> mnemonics[] = {{Qt::Key_S, boxes.pDetails},
                                                          {Qt::Key_J, boxes.pImportance},
                                                          {Qt::Key_T, boxes.pTitle},
                                                          {Qt::Key_S, boxes.pDetails}};
        for (const auto& [key, pExpected] : mnemonics) {
            Press(key, Qt::AltModifier);
            EXPECT_EQ(QApplication::focusWidget(), pExpected) << "Alt+" << QKeySequence(key).toString().toStdString();
        }
        boxes.pTitle->setFocus();
        const QWidget* order[] = {boxes.pImportance, boxes.pDetails, boxes.pOk, boxes.pCancel, boxes.pTitle};
        for (const QWidget* pExpected : order) {
            Press(Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), pExpected);
        }
        Press(Qt::Key_Escape);
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(env.ws.nModalDialogs, 1);
}

TEST_F(EntryDialogTest, FindOpensWithTheTextsOfTheLastConfirmedUse)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    QStringList shownByFind;
    env.ws.onModalDialog = [&](HWND, CDialog&) {
        Type(QStringLiteral(u"牛乳"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("12"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral(u"スーパー"));
        Press(Qt::Key_Return);
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        shownByFind = EntryBoxes(env.ws, hDlg).Texts();
        Press(Qt::Key_Escape);
    };
    main.Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(shownByFind, (QStringList{QStringLiteral(u"牛乳"), QStringLiteral("12"), QStringLiteral(u"スーパー")}));
}

// Bytes that do not survive decoding and encoding again: a lead byte cut off at the end, a byte
// that is no character, and NEC and IBM duplicates that encode to their preferred codes; and a CR
// that the file put in a title, which a box must not take for a line break to cut at.
class UnchangedBytes : public EntryDialogTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(UnchangedBytes, AnEditConfirmedWithoutChangeKeepsThemExactly)
{
    const std::string strRecord = GetParam() + "\t3\t" + GetParam() + "x\r\n";
    WriteFileBytes(dir.File("ruvelo.csv"), strRecord);
    CQtTestApp env;
    CShownMainWindow main(env);
    main.dlg.m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    env.ws.onModalDialog = [&](HWND, CDialog&) { Press(Qt::Key_Return); };
    main.Key(Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(env.ws.nModalDialogs, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), strRecord);
}

INSTANTIATE_TEST_SUITE_P(Texts, UnchangedBytes,
                         ::testing::Values(std::string("abc\x82"), std::string("\x80"), std::string("\xED\x40"),
                                           std::string("\x87\x90"), std::string("\xFA\x54"), std::string("a\rb")));

TEST_F(EntryDialogTest, AChangedTextKeepsWhatCodePage932HoldsAndWritesAQuestionMarkForTheRest)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    main.dlg.m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    env.ws.onModalDialog = [&](HWND, CDialog&) {
        Press(Qt::Key_End);
        Type(QStringLiteral(u"é①～"));
        Press(Qt::Key_Return);
    };
    main.Key(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(main.dlg.m_entryDlg.m_strTitle, Sjis("買い物") + "?\x87\x40\x81\x60");
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), Sjis("買い物") + "?\x87\x40\x81\x60" + Sjis("\t3\t牛乳\r\n"));
}

TEST_F(EntryDialogTest, PastingSeveralLinesKeepsTheFirstLineOfThePasteAndTheTextAroundIt)
{
    CQtTestApp env;
    CShownMainWindow main(env);
    QString strTitle;
    env.ws.onModalDialog = [&](HWND hDlg, CDialog&) {
        const EntryBoxes boxes(env.ws, hDlg);
        Type(QStringLiteral("XY"));
        Press(Qt::Key_Left);
        QApplication::clipboard()->setText(QStringLiteral("ab\r\ncd\nef"));
        Press(Qt::Key_V, Qt::ControlModifier);
        strTitle = boxes.pTitle->text();
        Press(Qt::Key_Return);
    };
    main.Key(Qt::Key_I, Qt::ControlModifier);

    // A line break would split the task in two when the file is next read.
    EXPECT_EQ(strTitle, QStringLiteral("XabY"));
    EXPECT_EQ(ReadFileBytes(dir.File("ruvelo.csv")), Sjis("買い物\t3\t牛乳\r\n") + "XabY\t5\t\r\n");
}

} // namespace
