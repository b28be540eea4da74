#pragma once
// Windows, dialogs and the application object: the part of the framework that the window logic
// is written against. Every operation that needs a real window goes to the IWindowSystem that
// the application holds; messages come back in through AfxCallWndProc.

#include "framework/Afx.h"
#include "framework/ResourceTypes.h"
#include "framework/WindowSystem.h"

#include <functional>
#include <span>
#include <vector>

class CWinApp;
class CDataExchange;

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    [[nodiscard]] HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandlePermanent(HWND hWnd);
    void Attach(HWND hWnd);
    HWND Detach();

    // Delivers a message at once, through the window procedure.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL DestroyWindow();
    // Whether the framework may centre this window after it initialised; see CDialog.
    virtual BOOL CheckAutoCenter();

    // Window operations.
    void GetWindowRect(CRect* pRect) const;
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void ClientToScreen(CPoint* pPoint) const;
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void SetFocus();
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HMENU GetSystemMenu(BOOL bRevert) const;
    HFONT GetFont() const;
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE);
    int MessageBox(const CString& strText, const CString* pCaption = nullptr, UINT nType = MB_OK);

protected:
    // The platform's own handling of the message being handled.
    LRESULT Default();

    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCmdMsg(UINT nID);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void OnClose();
    virtual void OnSysCommand(UINT nID, LPARAM lParam);
    virtual void OnRButtonDown(UINT nFlags, CPoint point);
};

struct DLGTEMPLATE;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL CheckAutoCenter() override;

    [[nodiscard]] UINT GetTemplateId() const { return m_nIDTemplate; }
    [[nodiscard]] UINT GetHelpId() const { return m_nIDHelp; }

    // The innermost dialog whose modal loop is running, which holds the keyboard focus.
    static CDialog* GetActiveModal();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCmdMsg(UINT nID) override;

    UINT m_nIDTemplate;
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

private:
    int m_nModalResult = -1;
    bool m_bInModalLoop = false;
};

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Fonts.
constexpr int LF_FACESIZE = 32;
constexpr unsigned char DEFAULT_CHARSET = 1;

struct LOGFONT {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0;
    int lfOrientation = 0;
    int lfWeight = 0;
    unsigned char lfItalic = 0;
    unsigned char lfUnderline = 0;
    unsigned char lfStrikeOut = 0;
    unsigned char lfCharSet = 0;
    unsigned char lfOutPrecision = 0;
    unsigned char lfClipPrecision = 0;
    unsigned char lfQuality = 0;
    unsigned char lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};

class CFont {
public:
    CFont() = default;
    explicit CFont(HFONT hFont) : m_hObject(hFont) {}

    // Makes a font of nPointSize tenths of a point on the screen. On success the object stands
    // for the new font; on failure it keeps the font it stood for.
    BOOL CreatePointFont(int nPointSize, const char* lpszFaceName);
    BOOL CreateFontIndirect(const LOGFONT* pLogFont);

    // The character height that CreatePointFont asks for: -|trunc(dpi * size / 720)|, computed
    // without overflow.
    static int PointSizeToHeight(int nPointSize, int nLogPixelsY);

    [[nodiscard]] HFONT GetSafeHandle() const { return m_hObject; }
    HFONT m_hObject = nullptr;
};

// Menus loaded from the program's resources.
class CMenu {
public:
    BOOL LoadMenu(UINT nIDResource);
    void DestroyMenu();
    // The popup at a position of the loaded menu; nullptr when there is none.
    CMenu* GetSubMenu(int nPos);
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd);
    [[nodiscard]] std::span<const MENUITEMTEMPLATE> GetItems() const { return m_items; }

private:
    std::span<const MENUITEMTEMPLATE> m_items;
    std::vector<CMenu> m_subMenus;
};

HACCEL LoadAccelerators(UINT nID);
// Applies the table to a key-down: a match sends the command to hWnd at once and returns TRUE.
BOOL TranslateAccelerator(HWND hWnd, HACCEL hAccel, const MSG* pMsg);

// The application object: there is one at a time; AfxGetApp returns it.
class CWinApp {
public:
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Derives the application name and the help file from the executable's path, as the framework
    // does at start-up.
    void InitApplication(const CString& strModulePath);
    virtual BOOL InitInstance();

    void SetWindowSystem(IWindowSystem* pWindowSystem) { m_pWindowSystem = pWindowSystem; }
    [[nodiscard]] IWindowSystem& GetWindowSystem() const;

    virtual BOOL OnCmdMsg(UINT nID);
    void OnHelp();
    void WinHelp(DWORD dwData, UINT nCmd = HELP_CONTEXT);

    // A message box captioned with the application name; owned by hOwner, which may be none.
    virtual int DoMessageBox(const CString& strPrompt, UINT nType, HWND hOwner);
    // Reports an exception that reached the window procedure.
    virtual void ProcessWndProcException(const class CException& e);

    CString m_strAppName;
    CString m_strHelpFilePath;
    CWnd* m_pMainWnd = nullptr;

private:
    IWindowSystem* m_pWindowSystem = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
IWindowSystem& AfxGetWindowSystem();
int AfxMessageBox(const CString& strText, UINT nType = MB_OK);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);

// The window procedure's entry: delivers the message and catches the file exception of any
// handler, shows its message and returns as the framework does (0 for WM_INITDIALOG, TRUE for
// WM_COMMAND), so the program goes on.
LRESULT AfxCallWndProc(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Runs fn once no message is being handled, no handler and none of the modal loops it opened:
// at once when that is so now, else when the outermost handler returns. For work that must not
// change what a running command sees.
void AfxCallWhenIdle(std::function<void()> fn);
