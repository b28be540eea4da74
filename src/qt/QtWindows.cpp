#include "qt/QtWindows.h"

#include "framework/ResourceTypes.h"
#include "qt/QtText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

void CClientArea::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::RightButton) {
        emit rightButtonDown(pEvent->modifiers(), pEvent->position().toPoint());
        return;
    }
    QWidget::mousePressEvent(pEvent);
}

CMainWindowWidget::CMainWindowWidget(QWidget* pParent) : QMainWindow(pParent), m_pClient(new CClientArea(this))
{
    setCentralWidget(m_pClient);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void CMainWindowWidget::SetMenuBar(const MENUTEMPLATE& menu, std::function<void(UINT)> onCommand)
{
    QMenuBar* pBar = menuBar();
    for (const MENUITEMTEMPLATE& popupItem : menu.items) {
        QMenu* pPopup = pBar->addMenu(FromResource(popupItem.text));
        for (const MENUITEMTEMPLATE& item : popupItem.popup) {
            if (item.IsSeparator()) {
                pPopup->addSeparator();
                continue;
            }
            QAction* pAction = pPopup->addAction(FromResource(item.text));
            const UINT nID = item.id;
            // Queued, as a menu's command is posted: it runs once the menu has closed.
            connect(pAction, &QAction::triggered, this, [onCommand, nID] { onCommand(nID); }, Qt::QueuedConnection);
        }
    }
}

void CMainWindowWidget::closeEvent(QCloseEvent* pEvent)
{
    // The window logic decides; it ends the modal loop, and the window goes with the dialog.
    pEvent->ignore();
    emit closeRequested();
}

CDialogWidget::CDialogWidget(QWidget* pParent) : QDialog(pParent)
{
    // A modal frame: a caption with the close box, no minimize or maximize, and no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void CDialogWidget::EndFromWindowLogic()
{
    m_bEnding = true;
    QDialog::done(0);
    m_bEnding = false;
}

void CDialogWidget::done(int nResult)
{
    if (m_bEnding) {
        QDialog::done(nResult);
        return;
    }
    emit cancelRequested();
}

CSingleLineEdit::CSingleLineEdit(QWidget* pParent) : QLineEdit(pParent)
{
    // textEdited comes before textChanged, so m_strBefore still holds the text before the edit.
    // The text itself is read here, not the signal's copy, which is stale after OnTextEdited.
    connect(this, &QLineEdit::textChanged, this, [this] { m_strBefore = text(); });
    connect(this, &QLineEdit::textEdited, this, &CSingleLineEdit::OnTextEdited);
}

void CSingleLineEdit::OnTextEdited(const QString& strNow)
{
    const auto isBreak = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    if (std::none_of(strNow.begin(), strNow.end(), isBreak)) {
        m_strBefore = strNow;
        return;
    }
    // What the edit put in is what lies between the text kept before it and the text kept after it.
    const QString& strBefore = m_strBefore;
    qsizetype nPrefix = 0;
    while (nPrefix < strBefore.size() && nPrefix < strNow.size() && strBefore[nPrefix] == strNow[nPrefix]) {
        ++nPrefix;
    }
    qsizetype nSuffix = 0;
    while (nSuffix < strBefore.size() - nPrefix && nSuffix < strNow.size() - nPrefix &&
           strBefore[strBefore.size() - 1 - nSuffix] == strNow[strNow.size() - 1 - nSuffix]) {
        ++nSuffix;
    }
    QString strInserted = strNow.mid(nPrefix, strNow.size() - nPrefix - nSuffix);
    strInserted.truncate(std::find_if(strInserted.begin(), strInserted.end(), isBreak) - strInserted.begin());
    const QString strKept = strNow.left(nPrefix) + strInserted + strNow.right(nSuffix);
    setText(strKept);
    setCursorPosition(static_cast<int>(nPrefix + strInserted.size()));
}

CNumberEdit::CNumberEdit(QWidget* pParent) : CSingleLineEdit(pParent)
{
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

QVariant CNumberEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return inputMethodQuery(query, QVariant());
}

QVariant CNumberEdit::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const
{
    // A line edit answers this from its enabled and read-only states alone, ignoring the
    // attribute: without this answer the input method would compose into the box.
    if (query == Qt::ImEnabled) {
        return false;
    }
    return CSingleLineEdit::inputMethodQuery(query, std::move(argument));
}

std::optional<QString> CNumberEdit::TypedDigits(const QString& strTyped) const
{
    QString strDigits;
    for (const QChar c : strTyped) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            strDigits += c;
        } else if (c >= QChar(u'\uFF10') && c <= QChar(u'\uFF19')) {
            // A full-width digit, as a Japanese keyboard or input method gives it.
            strDigits += QChar(static_cast<char16_t>(u'0' + (c.unicode() - u'\uFF10')));
        } else {
            QApplication::beep();
            return std::nullopt;
        }
    }
    QString strAfter = text();
    const int nStart = hasSelectedText() ? selectionStart() : cursorPosition();
    const int nLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    strAfter.replace(nStart, nLength, strDigits);
    if (!Fits(strAfter)) {
        QApplication::beep();
        return std::nullopt;
    }
    return strDigits;
}

bool CNumberEdit::Fits(const QString& strText) const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect rcContents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    // The frame's own text margin, as QLineEdit lays its text out.
    return fontMetrics().horizontalAdvance(strText) <= rcContents.width() - 4;
}

void CNumberEdit::keyPressEvent(QKeyEvent* pEvent)
{
    const QString strTyped = pEvent->text();
    const bool bPrintable = !strTyped.isEmpty() && strTyped.at(0).isPrint() &&
                            (pEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (bPrintable) {
        const std::optional<QString> strDigits = TypedDigits(strTyped);
        if (!strDigits) {
            return;
        }
        if (*strDigits != strTyped) {
            insert(*strDigits);
            return;
        }
    }
    QLineEdit::keyPressEvent(pEvent);
}

void CNumberEdit::inputMethodEvent(QInputMethodEvent* pEvent)
{
    // Nothing is composed here: a commit is taken as typed text, and a preedit is not shown.
    if (!pEvent->commitString().isEmpty()) {
        if (const std::optional<QString> strDigits = TypedDigits(pEvent->commitString())) {
            insert(*strDigits);
        }
    }
    pEvent->accept();
}
