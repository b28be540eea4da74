#include "framework/Wnd.h"

#include "framework/FileException.h"
#include "framework/StringTable.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace {

CWinApp* g_pApp = nullptr;

std::unordered_map<HWND, CWnd*>& PermanentMap()
{
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// The message each window procedure call is handling, for CWnd::Default.
struct CurrentMessage {
    CWnd* pWnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
CurrentMessage g_current;

std::vector<CDialog*>& ModalStack()
{
    static std::vector<CDialog*> stack;
    return stack;
}

HWND MainWindowHandle()
{
    const CWnd* pMain = AfxGetMainWnd();
    return pMain != nullptr ? pMain->m_hWnd : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The application.

CWinApp::CWinApp(const char* lpszAppName)
{
    if (lpszAppName != nullptr) {
        m_strAppName = lpszAppName;
    }
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

void CWinApp::InitApplication(const CString& strModulePath)
{
    const std::size_t nNameStart = strModulePath.find_last_of("\\/:") == CString::npos ? 0 : strModulePath.find_last_of("\\/:") + 1;
    const std::size_t nDot = strModulePath.rfind('.');
    const std::size_t nStem = (nDot != CString::npos && nDot > nNameStart) ? nDot : strModulePath.size();
    if (m_strAppName.empty()) {
        m_strAppName = strModulePath.substr(nNameStart, nStem - nNameStart);
    }
    m_strHelpFilePath = strModulePath.substr(0, nStem) + ".HLP";
}

BOOL CWinApp::InitInstance() { return TRUE; }

IWindowSystem& CWinApp::GetWindowSystem() const
{
    if (m_pWindowSystem == nullptr) {
        throw std::logic_error("the application has no window system");
    }
    return *m_pWindowSystem;
}

BOOL CWinApp::OnCmdMsg(UINT /*nID*/) { return FALSE; }

void CWinApp::OnHelp()
{
    // The dialog holding the focus answers with its help context: its template plus the base.
    const CDialog* pDialog = CDialog::GetActiveModal();
    const DWORD dwContext = pDialog != nullptr ? HID_BASE_RESOURCE + pDialog->GetHelpId() : 0;
    WinHelp(dwContext, HELP_CONTEXT);
}

void CWinApp::WinHelp(DWORD dwData, UINT nCmd)
{
    if (!GetWindowSystem().WinHelp(MainWindowHandle(), m_strHelpFilePath, nCmd, dwData)) {
        AfxMessageBox(AFX_IDP_FAILED_TO_LAUNCH_HELP, MB_ICONEXCLAMATION);
    }
}

int CWinApp::DoMessageBox(const CString& strPrompt, UINT nType, HWND hOwner)
{
    return GetWindowSystem().MessageBox(hOwner, strPrompt, m_strAppName, nType);
}

void CWinApp::ProcessWndProcException(const CException& e)
{
    if (dynamic_cast<const CUserException*>(&e) == nullptr) {
        e.ReportError(MB_ICONSTOP);
    }
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr; }

IWindowSystem& AfxGetWindowSystem()
{
    if (g_pApp == nullptr) {
        throw std::logic_error("there is no application object");
    }
    return g_pApp->GetWindowSystem();
}

int AfxMessageBox(const CString& strText, UINT nType) { return AfxGetApp()->DoMessageBox(strText, nType, MainWindowHandle()); }

int AfxMessageBox(UINT nIDPrompt, UINT nType) { return AfxMessageBox(AfxLoadString(nIDPrompt), nType); }

int CException::ReportError(UINT nType) const { return AfxMessageBox(GetErrorMessage(), nType); }

namespace {

int g_nHandlerDepth = 0;
std::vector<std::function<void()>> g_idleWork;

void RunIdleWork()
{
    while (g_nHandlerDepth == 0 && !g_idleWork.empty()) {
        std::function<void()> fn = std::move(g_idleWork.front());
        g_idleWork.erase(g_idleWork.begin());
        ++g_nHandlerDepth;
        try {
            fn();
        } catch (const CException& e) {
            AfxGetApp()->ProcessWndProcException(e);
        }
        --g_nHandlerDepth;
    }
}

} // namespace

void AfxCallWhenIdle(std::function<void()> fn)
{
    g_idleWork.push_back(std::move(fn));
    RunIdleWork();
}

LRESULT AfxCallWndProc(CWnd* pWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (pWnd == nullptr) {
        return 0;
    }
    const CurrentMessage saved = g_current;
    g_current = {pWnd, message, wParam, lParam};
    LRESULT lResult = 0;
    // The depth covers the report of a failure too: its box is part of the handling.
    ++g_nHandlerDepth;
    try {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    } catch (const CException& e) {
        AfxGetApp()->ProcessWndProcException(e);
        lResult = message == WM_COMMAND ? TRUE : 0;
    }
    --g_nHandlerDepth;
    g_current = saved;
    RunIdleWork();
    return lResult;
}

// ---------------------------------------------------------------------------------------------
// Windows.

CWnd::~CWnd()
{
    if (m_hWnd != nullptr) {
        Detach();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    if (hWnd != nullptr) {
        PermanentMap()[hWnd] = this;
    }
}

HWND CWnd::Detach()
{
    const HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        PermanentMap().erase(hWnd);
    }
    m_hWnd = nullptr;
    return hWnd;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) { return AfxCallWndProc(this, message, wParam, lParam); }

void CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd != nullptr) {
        AfxGetWindowSystem().PostMessage(m_hWnd, message, wParam, lParam);
    }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return OnCommand(wParam, lParam) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT lResult = 0;
        return OnNotify(wParam, lParam, &lResult) ? lResult : Default();
    }
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(static_cast<UINT>(wParam),
                      CPoint{static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                             static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lParam)))});
        return 0;
    default:
        return Default();
    }
}

BOOL CWnd::PreTranslateMessage(MSG* /*pMsg*/) { return FALSE; }

LRESULT CWnd::Default()
{
    if (g_current.pWnd != this) {
        return 0;
    }
    switch (g_current.message) {
    case WM_CLOSE:
        // A dialog turns a close request into Cancel; any other window is destroyed.
        if (dynamic_cast<CDialog*>(this) != nullptr) {
            return SendMessage(WM_COMMAND, IDCANCEL, 0);
        }
        DestroyWindow();
        return 0;
    case WM_SYSCOMMAND:
        if ((g_current.wParam & 0xFFF0) == SC_CLOSE) {
            return SendMessage(WM_CLOSE);
        }
        if (m_hWnd != nullptr) {
            AfxGetWindowSystem().DefSysCommand(m_hWnd, static_cast<UINT>(g_current.wParam & 0xFFF0));
        }
        return 0;
    default:
        return 0;
    }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/)
{
    const UINT nID = LOWORD(wParam);
    if (OnCmdMsg(nID)) {
        return TRUE;
    }
    // A number the window does not bind is offered to the application object.
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID);
}

BOOL CWnd::OnCmdMsg(UINT /*nID*/) { return FALSE; }

BOOL CWnd::OnNotify(WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT* /*pResult*/) { return FALSE; }

void CWnd::OnClose() { Default(); }

void CWnd::OnSysCommand(UINT /*nID*/, LPARAM /*lParam*/) { Default(); }

void CWnd::OnRButtonDown(UINT /*nFlags*/, CPoint /*point*/) { Default(); }

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
    }
    const HWND hWnd = Detach();
    AfxGetWindowSystem().DestroyWindow(hWnd);
    return TRUE;
}

BOOL CWnd::CheckAutoCenter() { return TRUE; }

void CWnd::GetWindowRect(CRect* pRect) const
{
    *pRect = m_hWnd != nullptr ? AfxGetWindowSystem().GetWindowRect(m_hWnd) : CRect{};
}

BOOL CWnd::SetWindowPos(const CWnd* /*pWndInsertAfter*/, int x, int y, int cx, int cy, UINT nFlags)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    AfxGetWindowSystem().SetWindowPos(m_hWnd, x, y, cx, cy, nFlags);
    return TRUE;
}

void CWnd::ClientToScreen(CPoint* pPoint) const
{
    if (m_hWnd != nullptr) {
        *pPoint = AfxGetWindowSystem().ClientToScreen(m_hWnd, *pPoint);
    }
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    if (m_hWnd != nullptr) {
        AfxGetWindowSystem().CenterWindow(m_hWnd, pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : nullptr);
    }
}

void CWnd::SetFocus()
{
    if (m_hWnd != nullptr) {
        AfxGetWindowSystem().SetFocus(m_hWnd);
    }
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    if (m_hWnd != nullptr) {
        AfxGetWindowSystem().SetIcon(m_hWnd, hIcon, bBigIcon);
    }
    return nullptr;
}

HMENU CWnd::GetSystemMenu(BOOL bRevert) const
{
    return m_hWnd != nullptr ? AfxGetWindowSystem().GetSystemMenu(m_hWnd, bRevert) : nullptr;
}

HFONT CWnd::GetFont() const { return m_hWnd != nullptr ? AfxGetWindowSystem().GetFont(m_hWnd) : nullptr; }

void CWnd::SetFont(HFONT hFont, BOOL bRedraw)
{
    if (m_hWnd != nullptr) {
        AfxGetWindowSystem().SetFont(m_hWnd, hFont, bRedraw);
    }
}

int CWnd::MessageBox(const CString& strText, const CString* pCaption, UINT nType)
{
    const CString strCaption = pCaption != nullptr ? *pCaption : AfxGetApp()->m_strAppName;
    return AfxGetWindowSystem().MessageBox(m_hWnd, strText, strCaption, nType);
}

// ---------------------------------------------------------------------------------------------
// Dialogs.

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog* CDialog::GetActiveModal() { return ModalStack().empty() ? nullptr : ModalStack().back(); }

INT_PTR CDialog::DoModal()
{
    IWindowSystem& ws = AfxGetWindowSystem();
    // A dialog without a parent is owned by the main window, unless it is the main window.
    CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    const HWND hOwner = (pOwner != nullptr && pOwner != this) ? pOwner->m_hWnd : nullptr;

    m_nModalResult = -1;
    Attach(ws.CreateDialogWindow(*this, hOwner));
    ModalStack().push_back(this);
    AfxCallWndProc(this, WM_INITDIALOG, 0, 0);
    if (m_nModalResult == -1) {
        m_bInModalLoop = true;
        ws.RunModalLoop(m_hWnd, hOwner);
        m_bInModalLoop = false;
    }
    ws.ShowWindow(m_hWnd, SW_HIDE);
    ModalStack().erase(std::find(ModalStack().begin(), ModalStack().end(), this));
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bInModalLoop && m_hWnd != nullptr) {
        AfxGetWindowSystem().EndModalLoop(m_hWnd);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange* /*pDX*/) {}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCmdMsg(UINT nID)
{
    switch (nID) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG) {
        return CWnd::WindowProc(message, wParam, lParam);
    }
    // The framework centres a dialog that initialised without moving itself. An exception out of
    // OnInitDialog skips this, which leaves the window at its template's place.
    CRect rcBefore;
    GetWindowRect(&rcBefore);
    const BOOL bResult = OnInitDialog();
    CRect rcAfter;
    GetWindowRect(&rcAfter);
    if (rcBefore.left == rcAfter.left && rcBefore.top == rcAfter.top && CheckAutoCenter()) {
        CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
        CenterWindow(pOwner != this ? pOwner : nullptr);
    }
    return bResult;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // F1 alone asks for help; the main window passes the help command to the application.
    constexpr UINT kModifiers = MK_KEYSTATE_SHIFT | MK_KEYSTATE_CONTROL | MK_KEYSTATE_ALT;
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1 && (pMsg->nKeyState & kModifiers) == 0) {
        CWnd* pMain = AfxGetMainWnd();
        (pMain != nullptr ? pMain : this)->SendMessage(WM_COMMAND, ID_HELP, 0);
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::CheckAutoCenter() { return TRUE; }

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    IWindowSystem& ws = AfxGetWindowSystem();
    const HWND hCtl = ws.GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = ws.GetWindowText(hCtl);
    } else {
        ws.SetWindowText(hCtl, value);
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr) {
        return;
    }
    IWindowSystem& ws = AfxGetWindowSystem();
    const HWND hCtl = ws.GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    rControl.Attach(hCtl);
    ws.BindControl(hCtl, rControl);
}

// ---------------------------------------------------------------------------------------------
// Fonts, menus and accelerators.

int CFont::PointSizeToHeight(int nPointSize, int nLogPixelsY)
{
    // 64 bits: a size from the settings file may be anything, and dpi times it must not wrap.
    const std::int64_t y = static_cast<std::int64_t>(nLogPixelsY) * nPointSize / 720;
    const std::int64_t magnitude = y < 0 ? -y : y;
    return -static_cast<int>(std::min<std::int64_t>(magnitude, INT_MAX));
}

BOOL CFont::CreatePointFont(int nPointSize, const char* lpszFaceName)
{
    LOGFONT lf;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = PointSizeToHeight(nPointSize, AfxGetWindowSystem().GetDeviceCaps(LOGPIXELSY));
    std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONT* pLogFont)
{
    const HFONT hFont = AfxGetWindowSystem().CreateFontIndirect(*pLogFont);
    if (hFont == nullptr) {
        return FALSE;
    }
    m_hObject = hFont;
    return TRUE;
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    const MENUTEMPLATE* pMenu = res::FindMenu(nIDResource);
    if (pMenu == nullptr) {
        return FALSE;
    }
    m_items = pMenu->items;
    m_subMenus.assign(m_items.size(), CMenu());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        m_subMenus[i].m_items = m_items[i].popup;
    }
    return TRUE;
}

void CMenu::DestroyMenu()
{
    m_items = {};
    m_subMenus.clear();
}

CMenu* CMenu::GetSubMenu(int nPos)
{
    if (nPos < 0 || static_cast<std::size_t>(nPos) >= m_items.size() || !m_items[static_cast<std::size_t>(nPos)].IsPopup()) {
        return nullptr;
    }
    return &m_subMenus[static_cast<std::size_t>(nPos)];
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd)
{
    return AfxGetWindowSystem().TrackPopupMenu(m_items, nFlags, x, y, pWnd != nullptr ? pWnd->m_hWnd : nullptr);
}

HACCEL LoadAccelerators(UINT nID) { return res::FindAccelerators(nID); }

BOOL TranslateAccelerator(HWND hWnd, HACCEL hAccel, const MSG* pMsg)
{
    if (hAccel == nullptr || (pMsg->message != WM_KEYDOWN && pMsg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const bool bCtrl = (pMsg->nKeyState & MK_KEYSTATE_CONTROL) != 0;
    const bool bShift = (pMsg->nKeyState & MK_KEYSTATE_SHIFT) != 0;
    const bool bAlt = (pMsg->nKeyState & MK_KEYSTATE_ALT) != 0;
    for (const ACCEL& accel : hAccel->entries) {
        // Every modifier must be as the entry says: an entry without Shift does not fire with Shift.
        if ((accel.fVirt & FVIRTKEY) == 0 || accel.key != pMsg->wParam || ((accel.fVirt & FCONTROL) != 0) != bCtrl ||
            ((accel.fVirt & FSHIFT) != 0) != bShift || ((accel.fVirt & FALT) != 0) != bAlt) {
            continue;
        }
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd); pWnd != nullptr) {
            pWnd->SendMessage(WM_COMMAND, static_cast<WPARAM>(accel.cmd) | (1u << 16), 0);
        }
        return TRUE;
    }
    return FALSE;
}
