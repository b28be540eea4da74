#include "app/TaskApp.h"

#include "ui/TaskListDlg.h"

BOOL CTaskApp::InitInstance()
{
    CTaskListDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    return FALSE;
}

BOOL CTaskApp::OnCmdMsg(UINT nID)
{
    if (nID == ID_HELP) {
        OnHelp();
        return TRUE;
    }
    return CWinApp::OnCmdMsg(nID);
}
