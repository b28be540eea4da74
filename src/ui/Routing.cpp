// How commands reach the main window: the routing table, the key filter, the context menu and
// the window menu.
#include "framework/Cp932.h"
#include "res/resource.h"
#include "ui/TaskListDlg.h"

// The menu bar's numbers go straight to their handlers; the accelerators' and the context menu's
// go through forwarding members of their own.
const CTaskListDlg::CommandEntry CTaskListDlg::s_commands[] = {
    {ID_TASK_ADD, &CTaskListDlg::OnTaskAdd},
    {ID_TASK_DELETE, &CTaskListDlg::OnTaskDelete},
    {ID_TASK_EDIT, &CTaskListDlg::OnTaskEdit},
    {ID_SORT_IMPORTANCE, &CTaskListDlg::OnSortImportance},
    {ID_SORT_TITLE, &CTaskListDlg::OnSortTitle},
    {ID_FONT_LARGER, &CTaskListDlg::OnFontLarger},
    {ID_VERSION_INFO, &CTaskListDlg::OnAbout},
    {ID_TASK_FIND, &CTaskListDlg::OnTaskFind},
    {ID_TASK_DELETE_ALL, &CTaskListDlg::OnTaskDeleteAll},
    {ID_QUIT, &CTaskListDlg::OnExit},
    {ID_ACCEL_ADD, &CTaskListDlg::OnAccelAdd},
    {ID_FONT_SMALLER, &CTaskListDlg::OnFontSmaller},
    {ID_ACCEL_EDIT, &CTaskListDlg::OnAccelEdit},
    {ID_ACCEL_DELETE, &CTaskListDlg::OnAccelDelete},
    {ID_ACCEL_SORT_IMPORTANCE, &CTaskListDlg::OnAccelSortImportance},
    {ID_ACCEL_SORT_TITLE, &CTaskListDlg::OnAccelSortTitle},
    {ID_ACCEL_FIND, &CTaskListDlg::OnAccelFind},
    {ID_ACCEL_DELETE2, &CTaskListDlg::OnAccelDelete2},
    {ID_POPUP_SORT_IMPORTANCE, &CTaskListDlg::OnPopupSortImportance},
    {ID_POPUP_SORT_TITLE, &CTaskListDlg::OnPopupSortTitle},
    {ID_POPUP_ADD, &CTaskListDlg::OnPopupAdd},
    {ID_POPUP_EDIT, &CTaskListDlg::OnAccelEdit},
    {ID_POPUP_DELETE, &CTaskListDlg::OnAccelDelete},
    {ID_POPUP_FONT_LARGER, &CTaskListDlg::OnPopupFontLarger},
    {ID_POPUP_FONT_SMALLER, &CTaskListDlg::OnPopupFontSmaller},
    {ID_ACCEL_UNDO, &CTaskListDlg::OnEditUndo},
    {ID_ACCEL_REDO, &CTaskListDlg::OnEditRedo},
    {ID_ACCEL_REDO2, &CTaskListDlg::OnEditRedo},
};

BOOL CTaskListDlg::OnCmdMsg(UINT nID)
{
    for (const CommandEntry& entry : s_commands) {
        if (entry.nID == nID) {
            (this->*entry.pfn)();
            return TRUE;
        }
    }
    return CDialog::OnCmdMsg(nID);
}

void CTaskListDlg::OnAccelAdd() { OnTaskAdd(); }
void CTaskListDlg::OnAccelEdit() { OnTaskEdit(); }
void CTaskListDlg::OnAccelDelete() { OnTaskDelete(); }
void CTaskListDlg::OnAccelDelete2() { OnTaskDelete(); }
void CTaskListDlg::OnAccelSortImportance() { OnSortImportance(); }
void CTaskListDlg::OnAccelSortTitle() { OnSortTitle(); }
void CTaskListDlg::OnAccelFind() { OnTaskFind(); }
void CTaskListDlg::OnPopupSortImportance() { OnSortImportance(); }
void CTaskListDlg::OnPopupSortTitle() { OnSortTitle(); }
void CTaskListDlg::OnPopupAdd() { OnTaskAdd(); }
void CTaskListDlg::OnPopupFontLarger() { OnFontLarger(); }
void CTaskListDlg::OnPopupFontSmaller() { OnFontSmaller(); }

BOOL CTaskListDlg::PreTranslateMessage(MSG* pMsg)
{
    // Esc and Enter would end the dialog, and with it the program.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_RETURN)) {
        return TRUE;
    }
    // The command has run to its end, modal dialogs included, when this returns. A keystroke that
    // fired a command goes no further, so the list never sees Ctrl+Delete as a key of its own.
    MSG msg = *pMsg;
    if (TranslateAccelerator(m_hWnd, m_hAccel, &msg)) {
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CTaskListDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR != nullptr && pNMHDR->idFrom == IDC_TASK_LIST && pNMHDR->code == NM_RCLICK) {
        OnRClickTaskList(pNMHDR, pResult);
        return TRUE;
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

void CTaskListDlg::OnRClickTaskList(NMHDR* /*pNMHDR*/, LRESULT* pResult)
{
    // The menu opens at the client area's top-left corner, wherever the pointer is.
    SendMessage(WM_RBUTTONDOWN, 0, 0);
    *pResult = 0;
}

void CTaskListDlg::OnRButtonDown(UINT nFlags, CPoint point)
{
    CMenu menu;
    menu.LoadMenu(IDR_POPUP_MENU);
    if (CMenu* pPopup = menu.GetSubMenu(0); pPopup != nullptr) {
        CPoint ptScreen = point;
        ClientToScreen(&ptScreen);
        pPopup->TrackPopupMenu(TPM_RIGHTBUTTON, ptScreen.x, ptScreen.y, AfxGetMainWnd());
    }
    CDialog::OnRButtonDown(nFlags, point);
    menu.DestroyMenu();
}

void CTaskListDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}
