#include "ProgramWindow.h"

#include "res/resource.h"

#include <QApplication>
#include <QMainWindow>

void CAnsweringQtWindowSystem::RunModalLoop(HWND hDlg, HWND hOwner)
{
    auto* pDialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
    if (pDialog == nullptr || pDialog->GetTemplateId() == IDD_MAIN) {
        CQtWindowSystem::RunModalLoop(hDlg, hOwner);
        return;
    }
    ++nDialogs;
    if (bType && pDialog->GetTemplateId() == IDD_TASK_ENTRY) {
        SetWindowText(GetDlgItem(hDlg, IDC_TITLE), strTitle);
        SetWindowText(GetDlgItem(hDlg, IDC_IMPORTANCE), strImportance);
        SetWindowText(GetDlgItem(hDlg, IDC_DETAILS), strDetails);
    }
    // The OK button, as a click delivers it; the dialog ends inside this call.
    Dispatch(hDlg, WM_COMMAND, IDOK);
}

int CAnsweringQtWindowSystem::MessageBox(HWND /*hOwner*/, const CString& strText, const CString& /*strCaption*/,
                                         UINT nType)
{
    ++nMessageBoxes;
    if ((nType & MB_ICONMASK) == MB_ICONSTOP) {
        ++nErrorBoxes;
        strLastError = strText;
    }
    return (nType & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}

CProgramApp::CProgramApp()
{
    app.SetWindowSystem(&ws);
    app.InitApplication("/opt/ruvelo2/RUVelo2");
}

CProgramWindow::CProgramWindow(CProgramApp& programEnv) : env(programEnv)
{
    env.app.m_pMainWnd = &dlg;
    dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
    AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
    auto* pWindow = qobject_cast<QMainWindow*>(env.ws.Widget(dlg.m_hWnd));
    pWindow->show();
    QApplication::setActiveWindow(pWindow);
    ProcessEvents();
    View()->viewport()->repaint();
}

CProgramWindow::~CProgramWindow() { Close(); }

CTaskListView* CProgramWindow::View() const { return qobject_cast<CTaskListView*>(env.ws.Widget(dlg.m_list.m_hWnd)); }

void CProgramWindow::ProcessEvents()
{
    // Work posted by what the last round ran (a deferred scroll-bar update, then its paint) gets
    // its own round.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void CProgramWindow::CommandWithViewUpdate(UINT nID)
{
    AfxCallWndProc(&dlg, WM_COMMAND, nID, 0);
    // The list painted now, with what the command left; then what the command posted, which
    // paints whatever else it changed (header, scroll bars) and the list only if it changed again.
    View()->viewport()->repaint();
    ProcessEvents();
}

void CProgramWindow::Reload()
{
    dlg.m_list.DeleteAllItems();
    dlg.LoadTasks();
    dlg.AutoSizeColumns();
    if (dlg.m_list.GetItemCount() > 0) {
        dlg.m_list.EnsureVisible(0, FALSE);
    }
    ProcessEvents();
    View()->viewport()->repaint();
}

void CProgramWindow::Close()
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
