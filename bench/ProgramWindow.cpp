#include "ProgramWindow.h"

#include "res/resource.h"

#include <QApplication>
#include <QEvent>
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

namespace {

class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(int& nPaints) : m_nPaints(nPaints) {}

protected:
    bool eventFilter(QObject* /*pWatched*/, QEvent* pEvent) override
    {
        m_nPaints += pEvent->type() == QEvent::Paint ? 1 : 0;
        return false;
    }

private:
    int& m_nPaints;
};

} // namespace

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
    m_pPaintCounter = std::make_unique<CPaintCounter>(m_nPaints);
    View()->viewport()->installEventFilter(m_pPaintCounter.get());
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
    const int nPaintsBefore = m_nPaints;
    AfxCallWndProc(&dlg, WM_COMMAND, nID, 0);
    ProcessEvents();
    // A command that left nothing for the event loop to paint still pays for one paint of the list.
    if (m_nPaints == nPaintsBefore) {
        View()->viewport()->repaint();
    }
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
