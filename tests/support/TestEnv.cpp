#include "support/TestEnv.h"

#include "framework/Cp932.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>

namespace {

int RemoveEntry(const char* path, const struct stat* /*st*/, int /*flag*/, struct FTW* /*ftw*/)
{
    ::chmod(path, 0700);  // a test may have made it read-only
    return ::remove(path);
}

} // namespace

CTempDataDir::CTempDataDir()
{
    char* pCwd = ::getcwd(nullptr, 0);
    m_strPreviousDir = pCwd != nullptr ? pCwd : "/";
    ::free(pCwd);
    const char* pBase = ::getenv("TMPDIR");
    std::string strTemplate = std::string(pBase != nullptr ? pBase : "/tmp") + "/ruvelo-test-XXXXXX";
    if (::mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = strTemplate;
    if (::chdir(m_strPath.c_str()) != 0) {
        throw std::runtime_error("chdir failed");
    }
}

CTempDataDir::~CTempDataDir()
{
    if (::chdir(m_strPreviousDir.c_str()) != 0) {
        ::chdir("/");
    }
    ::chmod(m_strPath.c_str(), 0700);
    ::nftw(m_strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFileBytes(const std::string& strPath, std::string_view bytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + strPath);
    }
}

std::optional<std::string> ReadFileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> ListDirectory(const std::string& strPath)
{
    std::vector<std::string> names;
    if (DIR* pDir = ::opendir(strPath.c_str())) {
        while (const dirent* pEntry = ::readdir(pDir)) {
            const std::string name = pEntry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(pDir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Sjis(std::string_view utf8) { return cp932::FromUtf8(utf8); }

CTestApp::CTestApp()
{
    app.SetWindowSystem(&ws);
    app.InitApplication("/opt/ruvelo2/RUVelo2");
}

CStartedMainWindow::CStartedMainWindow(CTestApp& testEnv) : env(testEnv)
{
    env.app.m_pMainWnd = &dlg;
    dlg.Attach(env.ws.CreateDialogWindow(dlg, nullptr));
    AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
    env.ws.PumpMessages();
}

CStartedMainWindow::~CStartedMainWindow() { Close(); }

void CStartedMainWindow::Command(UINT nID)
{
    AfxCallWndProc(&dlg, WM_COMMAND, nID, 0);
    env.ws.PumpMessages();
}

BOOL CStartedMainWindow::Key(UINT nVirtualKey, UINT nKeyState, UINT nMessage)
{
    MSG msg;
    msg.hwnd = dlg.m_list.m_hWnd;
    msg.message = nMessage;
    msg.wParam = nVirtualKey;
    msg.nKeyState = nKeyState;
    const BOOL bConsumed = dlg.PreTranslateMessage(&msg);
    env.ws.PumpMessages();
    return bConsumed;
}

void CStartedMainWindow::Close()
{
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    if (dlg.m_hWnd != nullptr) {
        AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);
        dlg.DestroyWindow();
    }
}

std::vector<std::string> CStartedMainWindow::Titles() const
{
    std::vector<std::string> titles;
    for (int i = 0; i < dlg.m_list.GetItemCount(); ++i) {
        titles.emplace_back(dlg.m_list.GetItemText(i, 0));
    }
    return titles;
}

std::vector<int> SelectedRows(const CListCtrl& list)
{
    std::vector<int> rows;
    for (int i = list.GetNextItem(-1, LVNI_SELECTED); i != -1; i = list.GetNextItem(i, LVNI_SELECTED)) {
        rows.push_back(i);
    }
    return rows;
}

int FocusedRow(const CListCtrl& list) { return list.GetNextItem(-1, LVNI_FOCUSED); }

std::vector<int> CStartedMainWindow::SelectedRows() const { return ::SelectedRows(dlg.m_list); }

int CStartedMainWindow::FocusedRow() const { return ::FocusedRow(dlg.m_list); }
