#pragma once
// What the benchmarks share: a window system that does nothing, a main window with its columns
// over a data directory of its own, and a reporter that prints each figure beside its baseline.

#include "framework/ListCtrl.h"
#include "framework/WindowSystem.h"
#include "framework/Wnd.h"
#include "ui/TaskListDlg.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Answers every call at once: no windows, OK to every box. The benchmarks drive the window logic
// directly, so only the calls a command body makes along the way reach it.
class CBenchWindowSystem : public IWindowSystem {
public:
    int nMessageBoxes = 0;

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
};

// A view that follows the table as cheaply as a view can: it counts what it is told. Attached so
// that the announcements a real view receives are paid for in the figures.
class CCountingObserver : public IListCtrlObserver {
public:
    long nCalls = 0;

    void OnRowsAboutToBeInserted(int, int) override { ++nCalls; }
    void OnRowsInserted() override { ++nCalls; }
    void OnRowsAboutToBeRemoved(int, int) override { ++nCalls; }
    void OnRowsRemoved() override { ++nCalls; }
    void OnRowsAboutToBeReset() override { ++nCalls; }
    void OnRowsReset() override { ++nCalls; }
    void OnRowsAboutToBeReordered() override { ++nCalls; }
    void OnRowsReordered(std::span<const int>) override { ++nCalls; }
    void OnTextChanged(int, int) override { ++nCalls; }
    void OnStatesChanged(int, int) override { ++nCalls; }
    void OnColumnsAboutToBeInserted(int, int) override { ++nCalls; }
    void OnColumnsInserted() override { ++nCalls; }
    void OnColumnWidthChanged(int) override { ++nCalls; }
    void OnEnsureVisible(int) override { ++nCalls; }
};

// Text widths as a fixed-pitch font gives them: 8 pixels a byte plus a margin.
class CBenchTextMetrics : public IListTextMetrics {
public:
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override
    {
        return static_cast<int>(text.size()) * 8 + 12;
    }
};

// The bare baselines that figures are compared with, and what the reports share.
// The whole file's bytes; throws std::runtime_error when it cannot be read.
std::string ReadWholeFile(const std::string& strPath);
// One read() of the whole file, then its lines found with memchr: the bare minimum of a load.
// Returns the lines counted, -1 when the file cannot be opened.
long BareLoad(const std::string& strPath);
// One write() of the bytes into the file, created or emptied, then fsync: the bare minimum of a
// save. Returns false when a write fails.
bool BareWrite(const std::string& strPath, std::string_view bytes);
// 10000 as "10k", 1000000 as "1M".
std::string RowsText(long nRows);

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it.
class CBenchDir {
public:
    CBenchDir();
    ~CBenchDir();
    CBenchDir(const CBenchDir&) = delete;
    CBenchDir& operator=(const CBenchDir&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_strPath; }
    [[nodiscard]] std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

// The application object and the main window as start-up leaves them, with its columns and no
// rows, its data directory pointing at dir. Nothing is shown: the window logic is driven directly.
class CBenchMainWindow {
public:
    explicit CBenchMainWindow(const std::string& strDataDir);
    ~CBenchMainWindow();
    CBenchMainWindow(const CBenchMainWindow&) = delete;
    CBenchMainWindow& operator=(const CBenchMainWindow&) = delete;

    CBenchWindowSystem ws;
    CWinApp app{"RUVelo2"};
    CBenchTextMetrics metrics;
    CCountingObserver observer;
    std::unique_ptr<CTaskListDlg> pDlg;

    [[nodiscard]] CTaskListDlg& Dlg() { return *pDlg; }
    [[nodiscard]] CListCtrl& List() { return pDlg->m_list; }
};

// Registered pairs: a measured benchmark, the baseline it is compared with, and its goal.
struct CBenchGoal {
    enum Kind {
        ratioToBaseline,   // measured / baseline at most fLimit
        underMilliseconds, // measured below fLimit ms at the rows in nAtRows
        linearInRows,      // time per row at the largest size at most fLimit times that at the smallest
    };
    std::string strBenchmark; // family name, e.g. "LoadTasks"
    Kind kind;
    double fLimit;
    std::string strBaseline; // ratioToBaseline: the baseline family
    long nAtRows = 0;        // underMilliseconds: the size that counts; linearInRows: the smaller size (0: smallest)
};

// Prints Google Benchmark's usual lines, then a table of every figure in milliseconds beside its
// baseline, the ratio, and whether each goal is met. With repetitions the median counts.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    explicit CRatioReporter(std::vector<CBenchGoal> goals) : m_goals(std::move(goals)) {}

    void ReportRuns(const std::vector<Run>& reports) override;
    void Finalize() override;

    // Whether every goal was met; valid after Finalize.
    [[nodiscard]] bool AllMet() const { return m_bAllMet; }

private:
    // family -> rows -> milliseconds
    std::map<std::string, std::map<long, double>> m_figures;
    std::map<std::string, std::map<long, bool>> m_fromMedian;
    std::vector<CBenchGoal> m_goals;
    bool m_bAllMet = true;
    int m_nGoals = 0;
    int m_nMet = 0;
};

// Seconds since construction, for benchmarks that time only the work and not its set-up.
class CStopwatch {
public:
    CStopwatch() : m_start(std::chrono::steady_clock::now()) {}
    [[nodiscard]] double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};
