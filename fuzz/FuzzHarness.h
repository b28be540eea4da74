#pragma once
// What the fuzz targets share: a window system that needs no test framework, a data directory
// per process, and the main window started and closed as the program does it.

#include "app/TaskApp.h"
#include "framework/ListCtrl.h"
#include "framework/ResourceTypes.h"
#include "framework/WindowSystem.h"
#include "framework/Wnd.h"
#include "res/resource.h"
#include "ui/TaskListDlg.h"

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace fuzz {

// A failed check ends the run with a message, which libFuzzer reports as a crash.
[[noreturn]] inline void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "check failed: %s\n", pszWhat);
    std::abort();
}

inline void Check(bool bOk, const char* pszWhat)
{
    if (!bOk) {
        Fail(pszWhat);
    }
}

// Windows are numbers; controls remember their text; every message box is recorded and answered
// with its first button; dialogs other than the main window are cancelled.
class CWindowSystem : public IWindowSystem, private IListTextMetrics {
public:
    struct Box {
        HWND hOwner;
        CString strText;
        UINT nType;
    };
    std::vector<Box> boxes;
    std::vector<int> fontHeights;

    HWND CreateDialogWindow(CDialog& dlg, HWND /*hOwner*/) override
    {
        const HWND hDlg = New();
        m_dialogs[hDlg] = &dlg;
        if (const DLGTEMPLATE* pTemplate = res::FindDialog(dlg.GetTemplateId())) {
            for (const DLGITEMTEMPLATE& item : pTemplate->items) {
                m_items[{hDlg, item.id}] = New();
            }
        }
        return hDlg;
    }
    void RunModalLoop(HWND hDlg, HWND /*hOwner*/) override { AfxCallWndProc(m_dialogs[hDlg], WM_COMMAND, IDCANCEL, 0); }
    void EndModalLoop(HWND /*hDlg*/) override {}
    void DestroyWindow(HWND hWnd) override
    {
        if (const auto it = m_bound.find(hWnd); it != m_bound.end()) {
            it->second->SetTextMetrics(nullptr);
            it->second->Detach();
        }
        m_dialogs.erase(hWnd);
    }
    HWND GetDlgItem(HWND hDlg, int nID) override
    {
        const auto it = m_items.find({hDlg, nID});
        return it == m_items.end() ? nullptr : it->second;
    }
    void BindControl(HWND hCtl, CWnd& control) override
    {
        if (auto* pList = dynamic_cast<CListCtrl*>(&control)) {
            pList->SetTextMetrics(this);
            m_bound[hCtl] = pList;
        }
    }
    CString GetWindowText(HWND hWnd) override { return m_texts[hWnd]; }
    void SetWindowText(HWND hWnd, const CString& strText) override { m_texts[hWnd] = strText; }
    CRect GetWindowRect(HWND /*hWnd*/) override { return CRect{0, 0, 656, 458}; }
    void SetWindowPos(HWND, int, int, int, int, UINT) override {}
    void CenterWindow(HWND, HWND) override {}
    CPoint ClientToScreen(HWND, CPoint pt) override { return pt; }
    void ShowWindow(HWND, int) override {}
    void SetFocus(HWND) override {}
    HICON LoadIcon(UINT nID) override { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x10000 + nID)); }
    void SetIcon(HWND, HICON, BOOL) override {}
    int MessageBox(HWND hOwner, const CString& strText, const CString& /*strCaption*/, UINT nType) override
    {
        boxes.push_back({hOwner, strText, nType});
        return (nType & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    }
    void PostMessage(HWND, UINT, WPARAM, LPARAM) override {}
    void DefSysCommand(HWND, UINT) override {}
    HMENU GetSystemMenu(HWND hWnd, BOOL) override { return reinterpret_cast<HMENU>(hWnd); }
    BOOL AppendMenu(HMENU, UINT, UINT_PTR, const CString&) override { return TRUE; }
    BOOL TrackPopupMenu(std::span<const MENUITEMTEMPLATE>, UINT, int, int, HWND) override { return TRUE; }
    HFONT GetFont(HWND) override { return reinterpret_cast<HFONT>(1); }
    void SetFont(HWND, HFONT, BOOL) override {}
    HFONT CreateFontIndirect(const LOGFONT& lf) override
    {
        fontHeights.push_back(lf.lfHeight);
        return reinterpret_cast<HFONT>(fontHeights.size() + 1);
    }
    int GetDeviceCaps(int nIndex) override { return nIndex == LOGPIXELSY ? 96 : 0; }
    BOOL WinHelp(HWND, const CString&, UINT, DWORD) override { return FALSE; }

private:
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override
    {
        return static_cast<int>(text.size()) * 8 + 12;
    }
    HWND New() { return reinterpret_cast<HWND>(m_nNext++); }

    std::uintptr_t m_nNext = 0x100;
    std::map<HWND, CDialog*> m_dialogs;
    std::map<std::pair<HWND, int>, HWND> m_items;
    std::map<HWND, CString> m_texts;
    std::map<HWND, CListCtrl*> m_bound;
};

// The application with that window system, set up before any window object exists.
struct CApp {
    CApp()
    {
        app.SetWindowSystem(&ws);
        app.InitApplication("/opt/ruvelo2/RUVelo2");
    }
    CWindowSystem ws;
    CTaskApp app;
};

// The main window created and initialised as DoModal does; destroying the object closes the
// window, which writes the settings file.
class CProgram {
public:
    CProgram() : ws(m_env.ws)
    {
        m_env.app.m_pMainWnd = &dlg;
        dlg.Attach(ws.CreateDialogWindow(dlg, nullptr));
        AfxCallWndProc(&dlg, WM_INITDIALOG, 0, 0);
    }
    ~CProgram() { Close(); }
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    void Command(UINT nID) { AfxCallWndProc(&dlg, WM_COMMAND, nID, 0); }
    void Close()
    {
        if (dlg.m_hWnd != nullptr) {
            AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);
            dlg.DestroyWindow();
        }
    }

private:
    CApp m_env;

public:
    CWindowSystem& ws;
    CTaskListDlg dlg;
};

// One fresh directory per process under TMPDIR, else on a memory file system when there is one,
// as the current directory; inputs reuse it. libFuzzer may end without exit handlers, so run.sh
// also removes the TMPDIR it gives.
void RemoveDataDirectory();

inline const std::string& DataDirectory()
{
    static const std::string s_strDir = [] {
        const char* pszTmp = std::getenv("TMPDIR");
        const char* pszBase = pszTmp != nullptr ? pszTmp : (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        std::string strTemplate = std::string(pszBase) + "/ruvelo-fuzz-XXXXXX";
        Check(::mkdtemp(strTemplate.data()) != nullptr, "mkdtemp");
        Check(::chdir(strTemplate.c_str()) == 0, "chdir");
        std::atexit(RemoveDataDirectory);
        return strTemplate;
    }();
    return s_strDir;
}

inline void RemoveDataDirectory()
{
    const std::string& strDir = DataDirectory();
    if (::chdir("/") == 0) {
        ::nftw(strDir.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 8,
               FTW_DEPTH | FTW_PHYS);
    }
}

inline void WriteFile(const std::string& strName, std::string_view bytes)
{
    std::ofstream out(DataDirectory() + "/" + strName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(out.good(), "writing an input file");
}

inline std::optional<std::string> ReadFile(const std::string& strName)
{
    std::ifstream in(DataDirectory() + "/" + strName, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace fuzz
