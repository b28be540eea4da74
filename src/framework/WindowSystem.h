#pragma once
// The window system as the program's window logic sees it. Everything that needs real windows,
// fonts or a screen goes through this interface: the Qt layer implements it with widgets, and
// the tests with a scripted stand-in that records each call and answers from a script.

#include "framework/Afx.h"

#include <span>
#include <string_view>

class CDialog;
class CWnd;
struct LOGFONT;
struct MENUITEMTEMPLATE;

class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // Dialog windows. CreateDialogWindow makes the window of dlg's template, hidden, with its
    // controls. RunModalLoop shows it, disables its owner, and returns when EndModalLoop is called.
    virtual HWND CreateDialogWindow(CDialog& dlg, HWND hOwner) = 0;
    virtual void RunModalLoop(HWND hDlg, HWND hOwner) = 0;
    virtual void EndModalLoop(HWND hDlg) = 0;
    virtual void DestroyWindow(HWND hWnd) = 0;

    // Controls of a dialog, by id.
    virtual HWND GetDlgItem(HWND hDlg, int nID) = 0;
    // Binds a framework object to a control (DDX_Control), e.g. the task table to its view.
    virtual void BindControl(HWND hCtl, CWnd& control) = 0;
    virtual CString GetWindowText(HWND hWnd) = 0;
    virtual void SetWindowText(HWND hWnd, const CString& strText) = 0;

    // Geometry, focus and icons. Rectangles are in pixels; GetWindowRect gives the outer frame
    // in screen coordinates.
    virtual CRect GetWindowRect(HWND hWnd) = 0;
    virtual void SetWindowPos(HWND hWnd, int x, int y, int cx, int cy, UINT nFlags) = 0;
    virtual void CenterWindow(HWND hWnd, HWND hOwner) = 0;
    virtual CPoint ClientToScreen(HWND hWnd, CPoint pt) = 0;
    virtual void ShowWindow(HWND hWnd, int nCmdShow) = 0;
    virtual void SetFocus(HWND hWnd) = 0;
    virtual HICON LoadIcon(UINT nID) = 0;
    virtual void SetIcon(HWND hWnd, HICON hIcon, BOOL bBigIcon) = 0;

    // Messages. MessageBox is modal; hOwner may be none. PostMessage queues a message that
    // reaches the window's procedure once the current one is done.
    virtual int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) = 0;
    virtual void PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The platform's handling of the standard system commands (minimize, maximize, restore, close).
    virtual void DefSysCommand(HWND hWnd, UINT nID) = 0;

    // Menus. TrackPopupMenu shows the items at a screen point and returns when the menu closes;
    // a chosen item's command is posted to hOwner as WM_COMMAND.
    virtual HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) = 0;
    virtual BOOL AppendMenu(HMENU hMenu, UINT nFlags, UINT_PTR nIDNewItem, const CString& strText) = 0;
    virtual BOOL TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y, HWND hOwner) = 0;

    // Fonts. Fonts stay valid until the process ends.
    virtual HFONT GetFont(HWND hWnd) = 0;
    virtual void SetFont(HWND hWnd, HFONT hFont, BOOL bRedraw) = 0;
    virtual HFONT CreateFontIndirect(const LOGFONT& lf) = 0;
    virtual int GetDeviceCaps(int nIndex) = 0;

    // The help engine; FALSE when it cannot be started.
    virtual BOOL WinHelp(HWND hWnd, const CString& strHelpFile, UINT nCmd, DWORD dwData) = 0;
};
