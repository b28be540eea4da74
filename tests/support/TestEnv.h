#pragma once
// Shared pieces of the headless tests: a fresh data directory, file helpers, and the main window
// started against the scripted window system.

#include "app/TaskApp.h"
#include "support/FakeWindowSystem.h"
#include "ui/TaskListDlg.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A new, empty directory that is the current directory while the object lives.
class CTempDataDir {
public:
    CTempDataDir();
    ~CTempDataDir();
    CTempDataDir(const CTempDataDir&) = delete;
    CTempDataDir& operator=(const CTempDataDir&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_strPath; }
    [[nodiscard]] std::string File(std::string_view name) const { return m_strPath + "/" + std::string(name); }

private:
    std::string m_strPath;
    std::string m_strPreviousDir;
};

void WriteFileBytes(const std::string& strPath, std::string_view bytes);
std::optional<std::string> ReadFileBytes(const std::string& strPath);
// Names in a directory, sorted; to see that nothing was left behind.
std::vector<std::string> ListDirectory(const std::string& strPath);

// Code page 932 bytes of a UTF-8 literal, for readable fixtures.
std::string Sjis(std::string_view utf8);

// The selected rows from the top, and the focused row (-1: none), as the table holds them.
std::vector<int> SelectedRows(const CListCtrl& list);
int FocusedRow(const CListCtrl& list);

// The application object with the scripted window system, as the program sets them up.
struct CTestApp {
    CTestApp();
    CFakeWindowSystem ws;
    CTaskApp app;
};

// The main window created and initialised as DoModal does, without its modal loop, so that a
// test can send it commands one by one. Closing sends WM_CLOSE and destroys the window, which
// writes the settings file.
class CStartedMainWindow {
public:
    explicit CStartedMainWindow(CTestApp& env);
    ~CStartedMainWindow();
    CStartedMainWindow(const CStartedMainWindow&) = delete;
    CStartedMainWindow& operator=(const CStartedMainWindow&) = delete;

    // A command as the menu bar delivers it, then the posted messages.
    void Command(UINT nID);
    // A key-down through the key filter; TRUE when consumed.
    BOOL Key(UINT nVirtualKey, UINT nKeyState = 0, UINT nMessage = WM_KEYDOWN);
    void Close();

    [[nodiscard]] CListCtrl& List() { return dlg.m_list; }
    // Each row's title, top to bottom.
    [[nodiscard]] std::vector<std::string> Titles() const;
    [[nodiscard]] std::vector<int> SelectedRows() const;
    [[nodiscard]] int FocusedRow() const;

    CTestApp& env;
    CTaskListDlg dlg;

private:
    bool m_bClosed = false;
};
