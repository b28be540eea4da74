#include "QtTestEnv.h"

#include "support/TestEnv.h"

#include "framework/Cp932.h"
#include "qt/QtText.h"
#include "res/resource.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

void CScriptedQtWindowSystem::RunModalLoop(HWND hDlg, HWND hOwner)
{
    auto* pDialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
    if (pDialog == nullptr || pDialog->GetTemplateId() == IDD_MAIN) {
        CQtWindowSystem::RunModalLoop(hDlg, hOwner);
        return;
    }
    ++nModalDialogs;
    dialogTemplates.push_back(pDialog->GetTemplateId());
    // Queued before the loop starts, so it is the first thing the dialog's own loop does.
    QMetaObject::invokeMethod(
        this,
        [this, hDlg] {
            QWidget* pWidget = Widget(hDlg);
            auto* pRunning = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
            if (pWidget == nullptr || pRunning == nullptr) {
                return;
            }
            // The window manager activates a modal dialog when it appears.
            QApplication::setActiveWindow(pWidget);
            if (onModalDialog) {
                onModalDialog(hDlg, *pRunning);
            } else {
                Dispatch(hDlg, WM_COMMAND, IDCANCEL);
            }
            if (QWidget* pStill = Widget(hDlg); pStill != nullptr && pStill->isVisible()) {
                ADD_FAILURE() << "the test left dialog " << pRunning->GetTemplateId() << " open";
                Dispatch(hDlg, WM_COMMAND, IDCANCEL);
            }
        },
        Qt::QueuedConnection);
    CQtWindowSystem::RunModalLoop(hDlg, hOwner);
    // The owner is active again once its modal dialog has gone.
    if (QWidget* pOwner = Widget(hOwner)) {
        QApplication::setActiveWindow(pOwner->window());
    }
}

void CScriptedQtWindowSystem::EndModalLoop(HWND hDlg)
{
    endedModalLoops.push_back(hDlg);
    CQtWindowSystem::EndModalLoop(hDlg);
}

int CScriptedQtWindowSystem::MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType)
{
    messageBoxes.push_back({strText, strCaption, nType, hOwner != nullptr});
    if (!messageBoxAnswers.empty()) {
        const int nAnswer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return nAnswer;
    }
    return (nType & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

BOOL CScriptedQtWindowSystem::TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y,
                                             HWND hOwner)
{
    PopupMenuCall call{QPoint(x, y), nFlags, hOwner, {}};
    for (const MENUITEMTEMPLATE& item : items) {
        call.commands.push_back(item.IsSeparator() ? 0 : item.id);
    }
    popupMenus.push_back(call);
    if (bRealPopupMenus) {
        return CQtWindowSystem::TrackPopupMenu(items, nFlags, x, y, hOwner);
    }
    UINT nChosen = 0;
    if (!popupChoices.empty()) {
        nChosen = popupChoices.front();
        popupChoices.pop_front();
    }
    // A chosen command is posted, as the menu does once it has closed.
    if (nChosen != 0) {
        PostMessage(hOwner, WM_COMMAND, nChosen, 0);
    }
    return TRUE;
}

QWidget* CScriptedQtWindowSystem::Item(HWND hDlg, int nID) const
{
    return Widget(const_cast<CScriptedQtWindowSystem*>(this)->GetDlgItem(hDlg, nID));
}

QLineEdit* CScriptedQtWindowSystem::Edit(HWND hDlg, int nID) const { return qobject_cast<QLineEdit*>(Item(hDlg, nID)); }

CQtTestApp::CQtTestApp()
{
    app.SetWindowSystem(&ws);
    app.InitApplication("/opt/ruvelo2/RUVelo2");
}

CShownMainWindow::CShownMainWindow(CQtTestApp& testEnv) : env(testEnv)
{
    env.app.m_pMainWnd = &dlg;
    dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
    AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
    Window()->show();
    QApplication::setActiveWindow(Window());
    (void)QTest::qWaitForWindowExposed(Window());
    ProcessEvents();
}

CShownMainWindow::~CShownMainWindow() { Close(); }

QMainWindow* CShownMainWindow::Window() const { return qobject_cast<QMainWindow*>(env.ws.Widget(dlg.m_hWnd)); }

CTaskListView* CShownMainWindow::View() const { return qobject_cast<CTaskListView*>(env.ws.Widget(dlg.m_list.m_hWnd)); }

void CShownMainWindow::ProcessEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void CShownMainWindow::Command(UINT nID)
{
    AfxCallWndProc(&dlg, WM_COMMAND, nID, 0);
    ProcessEvents();
}

void CShownMainWindow::Key(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& strText)
{
    QWidget* pFocus = QApplication::focusWidget();
    if (pFocus == nullptr) {
        ADD_FAILURE() << "no widget has the keyboard focus";
        return;
    }
    if (strText.isEmpty()) {
        QTest::keyClick(pFocus, key, modifiers);
    } else {
        QTest::sendKeyEvent(QTest::Click, pFocus, key, strText, modifiers);
    }
    ProcessEvents();
}

void CShownMainWindow::Close()
{
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    if (dlg.m_hWnd != nullptr) {
        AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);
        dlg.DestroyWindow();
    }
    ProcessEvents();
}

std::vector<std::string> CShownMainWindow::Titles() const
{
    std::vector<std::string> titles;
    for (int i = 0; i < dlg.m_list.GetItemCount(); ++i) {
        titles.push_back(Utf8(dlg.m_list.GetItemText(i, 0)));
    }
    return titles;
}

std::vector<int> CShownMainWindow::SelectedRows() const { return ::SelectedRows(dlg.m_list); }

int CShownMainWindow::FocusedRow() const { return ::FocusedRow(dlg.m_list); }

ModalRun RunMainWindowModally(CQtTestApp& env, CTaskListDlg& dlg, const std::function<void()>& inLoop)
{
    env.app.m_pMainWnd = &dlg;
    bool bEndedInside = false;
    QMetaObject::invokeMethod(
        &env.ws,
        [&] {
            const HWND hMain = dlg.m_hWnd;
            if (QWidget* pWindow = env.ws.Widget(hMain)) {
                QApplication::setActiveWindow(pWindow);
            }
            const std::size_t nEndedBefore = env.ws.endedModalLoops.size();
            inLoop();
            CShownMainWindow::ProcessEvents();
            const auto& ended = env.ws.endedModalLoops;
            bEndedInside =
                std::find(ended.begin() + static_cast<std::ptrdiff_t>(nEndedBefore), ended.end(), hMain) != ended.end();
            if (!bEndedInside && dlg.m_hWnd != nullptr) {
                env.ws.Dispatch(dlg.m_hWnd, WM_CLOSE);
            }
        },
        Qt::QueuedConnection);
    const INT_PTR nResult = dlg.DoModal();
    CShownMainWindow::ProcessEvents();
    return {nResult, bEndedInside};
}

CWhenShown::CWhenShown(const char* pszClassName, std::function<void(QWidget*)> onShown)
    : m_pszClassName(pszClassName), m_onShown(std::move(onShown))
{
    qApp->installEventFilter(this);
}

CWhenShown::~CWhenShown() { qApp->removeEventFilter(this); }

bool CWhenShown::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::Show || !pWatched->isWidgetType() || !pWatched->inherits(m_pszClassName)) {
        return false;
    }
    auto* pWidget = static_cast<QWidget*>(pWatched);
    if (!pWidget->isWindow()) {
        return false;
    }
    ++nShown;
    // The show happens inside exec() before its loop runs: the answer is queued for that loop.
    QPointer<QWidget> pWasActive = QApplication::activeWindow();
    QMetaObject::invokeMethod(
        pWidget,
        [this, pWidget, pWasActive] {
            // Let the popup's own activation happen first, so that giving it back below sticks.
            QCoreApplication::processEvents();
            m_onShown(pWidget);
            if (pWidget->isVisible()) {
                ADD_FAILURE() << "the test left a " << m_pszClassName << " open";
                if (auto* pDialog = qobject_cast<QDialog*>(pWidget)) {
                    pDialog->reject();
                } else {
                    pWidget->hide();
                }
            }
            // The window system gives the activation back to the window that had it.
            if (pWasActive != nullptr) {
                QApplication::setActiveWindow(pWasActive);
            }
        },
        Qt::QueuedConnection);
    return false;
}

void WriteTaskFile(const std::string& strPath, const std::vector<std::string>& utf8Lines)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    for (const std::string& line : utf8Lines) {
        out << cp932::FromUtf8(line) << "\r\n";
    }
}

ino_t FileInode(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::string Utf8(std::string_view bytes) { return ToQString(bytes).toStdString(); }
