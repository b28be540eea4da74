#include "qt/QtWindows.h"

#include "framework/ResourceTypes.h"
#include "qt/QtText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>

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
    // A modal frame: a caption with the close box, and no minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
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
        for (const QChar c : strTyped) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                QApplication::beep();
                return;
            }
        }
        QString strAfter = text();
        const int nStart = hasSelectedText() ? selectionStart() : cursorPosition();
        const int nLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
        strAfter.replace(nStart, nLength, strTyped);
        if (!Fits(strAfter)) {
            QApplication::beep();
            return;
        }
    }
    QLineEdit::keyPressEvent(pEvent);
}
