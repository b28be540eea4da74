#include "ui/TaskListDlg.h"

#include "framework/Cp932.h"
#include "framework/StringTable.h"
#include "res/resource.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

CTaskListDlg::CTaskListDlg(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_hIcon(AfxGetWindowSystem().LoadIcon(IDI_APP)), m_nFontSize(kDefaultFontSize)
{
}

void CTaskListDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TASK_LIST, m_list);
}

BOOL CTaskListDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (const HMENU hSysMenu = GetSystemMenu(FALSE); hSysMenu != nullptr) {
        const CString strAboutMenu = AfxLoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.empty()) {
            IWindowSystem& ws = AfxGetWindowSystem();
            ws.AppendMenu(hSysMenu, MF_SEPARATOR, 0, CString());
            ws.AppendMenu(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_hAccel = LoadAccelerators(IDR_ACCELERATORS);

    CaptureDataDirectory();
    StartWatchingTaskFile();

    try {
        LoadSettings();
    } catch (const CFileException& e) {
        // Report it and go on with the default size: stopping here would leave the list without
        // columns and tasks, and the next save would then empty the task file.
        AfxGetApp()->ProcessWndProcException(e);
        m_bStartFailed = true;
    }

    ApplyListFont();
    InsertColumns();
    LoadTasks();
    AutoSizeColumns();
    LayoutList();
    m_list.SetFocus();
    return TRUE;
}

BOOL CTaskListDlg::CheckAutoCenter() { return !m_bStartFailed && CDialog::CheckAutoCenter(); }

void CTaskListDlg::CaptureDataDirectory()
{
    const std::unique_ptr<char, decltype(&std::free)> pCwd(::getcwd(nullptr, 0), &std::free);
    m_szDataDir = pCwd != nullptr ? CString(pCwd.get()) : CString(".");
    // Only one trailing separator goes, and only a whole character: the last byte of a
    // double-byte character is never taken for one.
    std::size_t nLastChar = CString::npos;
    for (std::size_t i = 0; i < m_szDataDir.size(); i += cp932::CharLength(m_szDataDir, i)) {
        nLastChar = i;
    }
    if (nLastChar != CString::npos && nLastChar + 1 == m_szDataDir.size() && m_szDataDir[nLastChar] == '/') {
        m_szDataDir.pop_back();
    }
}

void CTaskListDlg::InsertColumns()
{
    struct ColumnEntry {
        const char* pszHeading;  // UTF-8
        int nWidth;
    };
    static constexpr ColumnEntry kColumns[] = {{"タイトル", 400}, {"重要", 60}, {"詳細", 1000}, {nullptr, 0}};

    for (int i = 0; kColumns[i].pszHeading != nullptr; ++i) {
        const CString strHeading = cp932::FromUtf8(kColumns[i].pszHeading);
        LVCOLUMN column;
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = kColumns[i].nWidth;
        column.pszText = strHeading.c_str();
        m_list.InsertColumn(i, &column);
    }
}

void CTaskListDlg::LayoutList()
{
    // The outer rectangle, frame and menu bar included, while the list sits in the client area:
    // the margins right of and below the list therefore depend on the frame. Done once, at start.
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    m_list.SetWindowPos(nullptr, 10, 10, rcWindow.Width() - 40, rcWindow.Height() - 100,
                        SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER);
}

BOOL CTaskListDlg::DestroyWindow()
{
    try {
        SaveSettings();
    } catch (const CFileException& e) {
        // No handler is running and the window is going: report it here, owned by no window.
        AfxGetApp()->DoMessageBox(e.GetErrorMessage(), MB_ICONSTOP | MB_OK, nullptr);
    }
    return CDialog::DestroyWindow();
}

void CTaskListDlg::OnAbout()
{
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CTaskListDlg::OnExit() { SendMessage(WM_CLOSE, 0, 0); }

void CTaskListDlg::OnClose() { CDialog::OnClose(); }
