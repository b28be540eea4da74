#pragma once
// The window system on Qt Widgets: windows are made from the dialog templates, the window logic's
// messages come back to it through AfxCallWndProc, and every key pressed in one of its windows
// passes that window's PreTranslateMessage first.

#include "framework/WindowSystem.h"
#include "framework/Wnd.h"

#include <QFont>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <vector>

class QEventLoop;
class QKeyEvent;
class QWidget;
class CTaskListView;

class CQtWindowSystem : public QObject, public IWindowSystem {
    Q_OBJECT
public:
    CQtWindowSystem();
    ~CQtWindowSystem() override;

    // The widget standing for a window, and the other way round.
    [[nodiscard]] QWidget* Widget(HWND hWnd) const;
    [[nodiscard]] HWND Handle(const QWidget* pWidget) const;
    // Delivers a message to the window logic now, through its window procedure.
    void Dispatch(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // The key message that a key press stands for; message 0 when it stands for none.
    static MSG KeyMessage(HWND hWnd, const QKeyEvent& event);

    // IWindowSystem.
    HWND CreateDialogWindow(CDialog& dlg, HWND hOwner) override;
    void RunModalLoop(HWND hDlg, HWND hOwner) override;
    void EndModalLoop(HWND hDlg) override;
    void DestroyWindow(HWND hWnd) override;
    HWND GetDlgItem(HWND hDlg, int nID) override;
    void BindControl(HWND hCtl, CWnd& control) override;
    CString GetWindowText(HWND hWnd) override;
    void SetWindowText(HWND hWnd, const CString& strText) override;
    CRect GetWindowRect(HWND hWnd) override;
    void SetWindowPos(HWND hWnd, int x, int y, int cx, int cy, UINT nFlags) override;
    void CenterWindow(HWND hWnd, HWND hOwner) override;
    CPoint ClientToScreen(HWND hWnd, CPoint pt) override;
    void ShowWindow(HWND hWnd, int nCmdShow) override;
    void SetFocus(HWND hWnd) override;
    HICON LoadIcon(UINT nID) override;
    void SetIcon(HWND hWnd, HICON hIcon, BOOL bBigIcon) override;
    int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) override;
    void PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void DefSysCommand(HWND hWnd, UINT nID) override;
    HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) override;
    BOOL AppendMenu(HMENU hMenu, UINT nFlags, UINT_PTR nIDNewItem, const CString& strText) override;
    BOOL TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y, HWND hOwner) override;
    HFONT GetFont(HWND hWnd) override;
    void SetFont(HWND hWnd, HFONT hFont, BOOL bRedraw) override;
    HFONT CreateFontIndirect(const LOGFONT& lf) override;
    int GetDeviceCaps(int nIndex) override;
    BOOL WinHelp(HWND hWnd, const CString& strHelpFile, UINT nCmd, DWORD dwData) override;

    // The window menu that Alt+Space opens: the standard items and what the program appended.
    void ShowWindowMenu(HWND hWnd);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    struct SysMenuItem {
        UINT nID;  // 0 for a separator
        CString strText;
    };
    struct Window {
        QPointer<QWidget> widget;
        CDialog* pDialog = nullptr;  // for a dialog window
        HWND hParent = nullptr;      // for a control
        int nID = 0;
        std::map<int, HWND> items;
        QEventLoop* pLoop = nullptr;
        HFONT hFont = nullptr;
        std::vector<SysMenuItem> systemMenu;
        // An edit box hands back the bytes it was given while its text is unchanged.
        CString strGivenText;
        QString strGivenDecoded;
        bool bHasGivenText = false;
    };

    HWND NewHandle();
    HWND AddControl(HWND hDlg, const DLGITEMTEMPLATE& item, QWidget* pWidget);
    Window* Find(HWND hWnd);
    HFONT AddFont(const QFont& font);

    std::map<HWND, Window> m_windows;
    std::map<const QWidget*, HWND> m_handles;
    std::vector<QFont> m_fonts;  // HFONT n is m_fonts[n - 1]; fonts live as long as the program
    std::map<UINT, QIcon> m_icons;
    std::uintptr_t m_nNextHandle = 0x1000;
};
