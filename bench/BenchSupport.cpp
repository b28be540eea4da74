#include "BenchSupport.h"

#include "framework/ResourceTypes.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// The window system.

HWND CBenchWindowSystem::CreateDialogWindow(CDialog& /*dlg*/, HWND /*hOwner*/)
{
    return nullptr;
}
void CBenchWindowSystem::RunModalLoop(HWND /*hDlg*/, HWND /*hOwner*/) {}
void CBenchWindowSystem::EndModalLoop(HWND /*hDlg*/) {}
void CBenchWindowSystem::DestroyWindow(HWND /*hWnd*/) {}
HWND CBenchWindowSystem::GetDlgItem(HWND /*hDlg*/, int /*nID*/)
{
    return nullptr;
}
void CBenchWindowSystem::BindControl(HWND /*hCtl*/, CWnd& /*control*/) {}
CString CBenchWindowSystem::GetWindowText(HWND /*hWnd*/)
{
    return {};
}
void CBenchWindowSystem::SetWindowText(HWND /*hWnd*/, const CString& /*strText*/) {}
CRect CBenchWindowSystem::GetWindowRect(HWND /*hWnd*/)
{
    return CRect{0, 0, 800, 600};
}
void CBenchWindowSystem::SetWindowPos(HWND /*hWnd*/, int /*x*/, int /*y*/, int /*cx*/, int /*cy*/, UINT /*nFlags*/) {}
void CBenchWindowSystem::CenterWindow(HWND /*hWnd*/, HWND /*hOwner*/) {}
CPoint CBenchWindowSystem::ClientToScreen(HWND /*hWnd*/, CPoint pt)
{
    return pt;
}
void CBenchWindowSystem::ShowWindow(HWND /*hWnd*/, int /*nCmdShow*/) {}
void CBenchWindowSystem::SetFocus(HWND /*hWnd*/) {}
HICON CBenchWindowSystem::LoadIcon(UINT /*nID*/)
{
    return nullptr;
}
void CBenchWindowSystem::SetIcon(HWND /*hWnd*/, HICON /*hIcon*/, BOOL /*bBigIcon*/) {}

int CBenchWindowSystem::MessageBox(HWND /*hOwner*/, const CString& /*strText*/, const CString& /*strCaption*/,
                                   UINT /*nType*/)
{
    ++nMessageBoxes;
    return IDOK;
}

void CBenchWindowSystem::PostMessage(HWND /*hWnd*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {}
void CBenchWindowSystem::DefSysCommand(HWND /*hWnd*/, UINT /*nID*/) {}
HMENU CBenchWindowSystem::GetSystemMenu(HWND /*hWnd*/, BOOL /*bRevert*/)
{
    return nullptr;
}
BOOL CBenchWindowSystem::AppendMenu(HMENU /*hMenu*/, UINT /*nFlags*/, UINT_PTR /*nIDNewItem*/,
                                    const CString& /*strText*/)
{
    return TRUE;
}
BOOL CBenchWindowSystem::TrackPopupMenu(std::span<const MENUITEMTEMPLATE> /*items*/, UINT /*nFlags*/, int /*x*/,
                                        int /*y*/, HWND /*hOwner*/)
{
    return FALSE;
}
HFONT CBenchWindowSystem::GetFont(HWND /*hWnd*/)
{
    return nullptr;
}
void CBenchWindowSystem::SetFont(HWND /*hWnd*/, HFONT /*hFont*/, BOOL /*bRedraw*/) {}
HFONT CBenchWindowSystem::CreateFontIndirect(const LOGFONT& /*lf*/)
{
    return nullptr;
}
int CBenchWindowSystem::GetDeviceCaps(int /*nIndex*/)
{
    return 96;
}
BOOL CBenchWindowSystem::WinHelp(HWND /*hWnd*/, const CString& /*strHelpFile*/, UINT /*nCmd*/, DWORD /*dwData*/)
{
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// The data directory and the main window.

namespace {

int RemoveEntry(const char* path, const struct stat* /*st*/, int /*flag*/, struct FTW* /*ftw*/)
{
    return ::remove(path);
}

} // namespace

CBenchDir::CBenchDir()
{
    const char* pBase = ::getenv("TMPDIR");
    std::string strTemplate = std::string(pBase != nullptr ? pBase : "/tmp") + "/ruvelo-bench-XXXXXX";
    if (::mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = strTemplate;
}

CBenchDir::~CBenchDir()
{
    ::nftw(m_strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

CBenchMainWindow::CBenchMainWindow(const std::string& strDataDir)
{
    app.SetWindowSystem(&ws);
    pDlg = std::make_unique<CTaskListDlg>();
    pDlg->m_szDataDir = strDataDir;
    pDlg->InsertColumns();
    pDlg->m_list.SetTextMetrics(&metrics);
    pDlg->m_list.AddObserver(&observer);
}

CBenchMainWindow::~CBenchMainWindow()
{
    pDlg->m_list.RemoveObserver(&observer);
    pDlg.reset();
}

// ---------------------------------------------------------------------------------------------
// The report.

namespace {

double ToMilliseconds(double fTime, benchmark::TimeUnit unit)
{
    switch (unit) {
    case benchmark::kNanosecond:
        return fTime / 1e6;
    case benchmark::kMicrosecond:
        return fTime / 1e3;
    case benchmark::kMillisecond:
        return fTime;
    case benchmark::kSecond:
        return fTime * 1e3;
    }
    return fTime;
}

} // namespace

std::string RowsText(long nRows)
{
    if (nRows >= 1000000 && nRows % 1000000 == 0) {
        return std::to_string(nRows / 1000000) + "M";
    }
    if (nRows >= 1000 && nRows % 1000 == 0) {
        return std::to_string(nRows / 1000) + "k";
    }
    return std::to_string(nRows);
}

std::string ReadWholeFile(const std::string& strPath)
{
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + strPath);
    }
    struct stat st {};
    ::fstat(fd, &st);
    std::string strBytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const ssize_t n = ::read(fd, strBytes.data() + nDone, strBytes.size() - nDone);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot read " + strPath);
        }
        nDone += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return strBytes;
}

long BareLoad(const std::string& strPath)
{
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    ::fstat(fd, &st);
    const auto nSize = static_cast<std::size_t>(st.st_size);
    const auto pBuffer = std::make_unique_for_overwrite<char[]>(nSize);
    std::size_t nDone = 0;
    while (nDone < nSize) { // one call, unless the kernel gives less
        const ssize_t n = ::read(fd, pBuffer.get() + nDone, nSize - nDone);
        if (n <= 0) {
            break;
        }
        nDone += static_cast<std::size_t>(n);
    }
    ::close(fd);
    long nLines = 0;
    const char* p = pBuffer.get();
    const char* const pEnd = p + nDone;
    while (p < pEnd) {
        const auto* pLf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p)));
        ++nLines;
        p = pLf != nullptr ? pLf + 1 : pEnd;
    }
    return nLines;
}

bool BareWrite(const std::string& strPath, std::string_view bytes)
{
    const int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + nDone, bytes.size() - nDone);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        nDone += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    return true;
}

void CRatioReporter::ReportRuns(const std::vector<Run>& reports)
{
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.error_occurred) {
            continue;
        }
        const bool bMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !bMedian) {
            continue;
        }
        const std::string& strFamily = run.run_name.function_name;
        const long nRows = std::stol(run.run_name.args.empty() ? "0" : run.run_name.args);
        // A median, once there is one, stands for all the repetitions it summarises.
        if (!bMedian && m_fromMedian[strFamily][nRows]) {
            continue;
        }
        m_figures[strFamily][nRows] = ToMilliseconds(run.GetAdjustedRealTime(), run.time_unit);
        m_fromMedian[strFamily][nRows] = bMedian;
    }
}

void CRatioReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::FILE* out = stdout;
    std::fprintf(out, "\n%-22s %6s %12s %12s %9s  %-26s %s\n", "figure", "rows", "ms", "baseline ms", "ratio", "goal",
                 "met");
    m_bAllMet = true;
    m_nGoals = 0;
    m_nMet = 0;
    for (const CBenchGoal& goal : m_goals) {
        const auto it = m_figures.find(goal.strBenchmark);
        if (it == m_figures.end()) {
            continue; // filtered out of this run
        }
        const std::map<long, double>& sizes = it->second;
        auto report = [&](long nRows, double fMs, const char* pszBaseline, const char* pszRatio,
                          const std::string& strGoal, bool bMet) {
            std::fprintf(out, "%-22s %6s %12.3f %12s %9s  %-26s %s\n", goal.strBenchmark.c_str(),
                         RowsText(nRows).c_str(), fMs, pszBaseline, pszRatio, strGoal.c_str(), bMet ? "yes" : "NO");
            m_bAllMet = m_bAllMet && bMet;
            ++m_nGoals;
            m_nMet += bMet ? 1 : 0;
        };
        char szBaseline[32];
        char szRatio[32];
        char szGoal[64];
        switch (goal.kind) {
        case CBenchGoal::ratioToBaseline: {
            const auto itBase = m_figures.find(goal.strBaseline);
            for (const auto& [nRows, fMs] : sizes) {
                if (itBase == m_figures.end() || itBase->second.count(nRows) == 0) {
                    continue;
                }
                const double fBase = itBase->second.at(nRows);
                const double fRatio = fMs / fBase;
                std::snprintf(szBaseline, sizeof szBaseline, "%.3f", fBase);
                std::snprintf(szRatio, sizeof szRatio, "%.2fx", fRatio);
                std::snprintf(szGoal, sizeof szGoal, "<= %.1fx %s", goal.fLimit, goal.strBaseline.c_str());
                report(nRows, fMs, szBaseline, szRatio, szGoal, fRatio <= goal.fLimit);
            }
            break;
        }
        case CBenchGoal::underMilliseconds: {
            const auto itSize = sizes.find(goal.nAtRows);
            if (itSize == sizes.end()) {
                break;
            }
            std::snprintf(szGoal, sizeof szGoal, "< %.0f ms at %s rows", goal.fLimit, RowsText(goal.nAtRows).c_str());
            report(goal.nAtRows, itSize->second, "", "", szGoal, itSize->second < goal.fLimit);
            break;
        }
        case CBenchGoal::linearInRows: {
            if (sizes.size() < 2) {
                break;
            }
            const auto itSmall = goal.nAtRows != 0 ? sizes.find(goal.nAtRows) : sizes.begin();
            if (itSmall == sizes.end()) {
                break;
            }
            const auto& [nSmall, fSmall] = *itSmall;
            const auto& [nLarge, fLarge] = *sizes.rbegin();
            // Time per row at the larger size over time per row at the smaller: 1 is exactly linear.
            const double fGrowth = (fLarge / static_cast<double>(nLarge)) / (fSmall / static_cast<double>(nSmall));
            std::snprintf(szBaseline, sizeof szBaseline, "%.3f@%s", fSmall, RowsText(nSmall).c_str());
            std::snprintf(szRatio, sizeof szRatio, "%.2fx", fLarge / fSmall);
            std::snprintf(szGoal, sizeof szGoal, "per row x%.2f <= %.1f", fGrowth, goal.fLimit);
            report(nLarge, fLarge, szBaseline, szRatio, szGoal, fGrowth <= goal.fLimit);
            break;
        }
        }
    }
    std::fprintf(out, "goals met: %d of %d\n", m_nMet, m_nGoals);
    std::fflush(out);
}
