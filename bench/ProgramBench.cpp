// The whole program at scale: for task files of each size, start-up to the first painted window
// (the real program as a process), every command end to end in the real window offscreen with
// its view update, each saving command's file write on its own, and bare baselines of the same
// work measured in the same run. Each figure is the median of several runs.
//
//   ruvelo_bench_program [--repetitions=N] [--startup-runs=N] [--only=FIGURE,...] [--platform=NAME] [rows ...]
//
// Rows default to 10000 100000 1000000; --only measures the named figures alone (e.g. --only="add"),
// for a profiler run. --platform runs both the benchmark and the probe on another platform than
// offscreen, such as xcb with its accessibility bridge (bench/run-program.sh --accessibility).
// The start-up probe (ruvelo_startup_probe) is taken from the directory of this executable.
#include "BenchSupport.h"
#include "ProgramWindow.h"
#include "TaskFileGenerator.h"

#include "framework/Cp932.h"
#include "qt/QtApplication.h"
#include "res/resource.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> samples)
{
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

[[noreturn]] void Fail(const std::string& strWhat)
{
    std::fprintf(stderr, "ruvelo_bench_program: %s\n", strWhat.c_str());
    std::exit(1);
}

void WriteWholeFile(const std::string& strPath, std::string_view bytes)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), pFile) != bytes.size() || std::fclose(pFile) != 0) {
        Fail("cannot write " + strPath);
    }
}

// ---------------------------------------------------------------------------------------------
// Start-up: the probe as a process, timed from its spawning to the line it prints once the list
// has been painted.

struct CStartup {
    double fMs = 0;
    long nPeakKiB = 0;
    long nPeakAfterKiB = 0; // after the command given to the probe
};

// nThenCommand, when not 0, is a command the probe runs after the first paint.
CStartup RunProbe(const std::string& strProbe, const std::string& strDataDir, UINT nThenCommand = 0)
{
    // The toolkit's chatter goes to a file beside the data directory, shown only if the probe fails.
    const std::string strErrors = strDataDir + ".stderr";
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        Fail("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, strErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, strDataDir.c_str());
    std::string strCommand = std::to_string(nThenCommand);
    std::vector<char*> argv = {const_cast<char*>("RUVelo2"), nThenCommand != 0 ? strCommand.data() : nullptr, nullptr};
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, strProbe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (nSpawn != 0) {
        Fail("cannot start " + strProbe);
    }
    std::string strOut;
    double fMs = -1;
    char buf[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) {
        strOut.append(buf, static_cast<std::size_t>(n));
        if (fMs < 0 && strOut.find('\n') != std::string::npos) {
            fMs = MsSince(start);
        }
    }
    ::close(pipeFds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    CStartup result;
    const bool bOk = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 &&
                     (nThenCommand == 0 ? std::sscanf(strOut.c_str(), "painted %ld", &result.nPeakKiB) == 1
                                        : std::sscanf(strOut.c_str(), "painted %ld after %ld", &result.nPeakKiB,
                                                      &result.nPeakAfterKiB) == 2);
    const std::string strErrorText = std::filesystem::exists(strErrors) ? ReadWholeFile(strErrors) : std::string();
    std::filesystem::remove(strErrors);
    if (!bOk) {
        Fail("the start-up probe did not report its first paint in " + strDataDir + ":\n" + strErrorText);
    }
    result.fMs = fMs;
    return result;
}

std::string ProbePath()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        Fail("cannot find the own executable");
    }
    return (std::filesystem::path(std::string(path, static_cast<std::size_t>(n))).parent_path() / "ruvelo_startup_probe")
        .string();
}

// ---------------------------------------------------------------------------------------------
// Figures and goals.

enum class Goal {
    none,
    startupBeyondLoad, // at most fLimit ms more than the bare load
    ratio,             // at most fLimit times the baseline
    underMs,           // below fLimit ms
};

struct CFigure {
    std::string strName;
    double fMs = 0;
    double fWriteMs = -1; // the command's file write alone (SaveTasks), for saving commands
    // The median of the ratios of runs measured one right after the other, where the disk's
    // state changes from run to run; < 0: the ratio of the two medians.
    double fPairedRatio = -1;
    std::string strBaseline;
    double fBaselineMs = 0;
    std::string strUnit = "ms";
    Goal goal = Goal::none;
    double fLimit = 0;
    bool bSaving = false;
};

CFigure MakeFigure(std::string strName, double fMs, std::string strBaseline = {}, double fBaselineMs = 0,
                   std::string strUnit = "ms")
{
    CFigure figure;
    figure.strName = std::move(strName);
    figure.fMs = fMs;
    figure.strBaseline = std::move(strBaseline);
    figure.fBaselineMs = fBaselineMs;
    figure.strUnit = std::move(strUnit);
    return figure;
}

struct CSizeResult {
    long nRows = 0;
    std::size_t nFileBytes = 0;
    std::vector<CFigure> figures;
    [[nodiscard]] const CFigure* Find(const std::string& strName) const
    {
        for (const CFigure& f : figures) {
            if (f.strName == strName) {
                return &f;
            }
        }
        return nullptr;
    }
};

bool g_bAccessibilityActive = false;

constexpr long k100k = 100000;
constexpr long k1M = 1000000;

struct COptions {
    std::string strPlatform = "offscreen";
    int nRepetitions = 5;
    int nStartupRuns = 5;
    std::vector<long> sizes;
    std::vector<std::string> only; // the figures to measure; empty: all
    [[nodiscard]] bool Wanted(const std::string& strName) const
    {
        return only.empty() || std::find(only.begin(), only.end(), strName) != only.end();
    }
};

// ---------------------------------------------------------------------------------------------
// One size.

class CSizeBench {
public:
    CSizeBench(const COptions& options, CProgramApp& env, const std::string& strProbe, long nRows)
        : m_options(options), m_env(env), m_strProbe(strProbe)
    {
        m_result.nRows = nRows;
        m_result.nFileBytes = WriteTaskFile(m_pristine.File("ruvelo.csv"), static_cast<std::size_t>(nRows));
        WriteWholeFile(m_pristine.File("ruvelo.ini"), "120");
    }

    CSizeResult Run()
    {
        MeasureStartup();
        MeasureCommands();
        return m_result;
    }

private:
    [[nodiscard]] int Reps() const { return m_options.nRepetitions; }
    [[nodiscard]] bool Is100k() const { return m_result.nRows == k100k; }
    [[nodiscard]] bool Is1M() const { return m_result.nRows == k1M; }

    void Add(CFigure figure) { m_result.figures.push_back(std::move(figure)); }

    void MeasureStartup()
    {
        if (!m_options.Wanted("start-up")) {
            return;
        }
        std::vector<double> load;
        for (int i = 0; i < Reps(); ++i) {
            const Clock::time_point start = Clock::now();
            if (BareLoad(m_pristine.File("ruvelo.csv")) != m_result.nRows) {
                Fail("the bare load counted the wrong number of lines");
            }
            load.push_back(MsSince(start));
        }
        std::vector<double> startup;
        long nPeakKiB = 0;
        for (int i = 0; i < m_options.nStartupRuns; ++i) {
            const CStartup run = RunProbe(m_strProbe, m_pristine.Path());
            startup.push_back(run.fMs);
            nPeakKiB = std::max(nPeakKiB, run.nPeakKiB);
        }
        CFigure figure = MakeFigure("start-up", Median(startup), "bare load", Median(load));
        if (Is100k()) {
            figure.goal = Goal::startupBeyondLoad;
            figure.fLimit = 500;
        } else if (Is1M()) {
            figure.goal = Goal::underMs;
            figure.fLimit = 3000;
        }
        Add(figure);
        const double fFileMiB = static_cast<double>(m_result.nFileBytes) / (1024.0 * 1024.0);
        CFigure memory = MakeFigure("peak memory", static_cast<double>(nPeakKiB) / 1024.0, "task file", fFileMiB, "MiB");
        if (Is1M()) {
            memory.goal = Goal::ratio;
            memory.fLimit = 3;
        }
        Add(memory);
        // The command that needs the most memory of its own: a sort, with its array of keys and
        // the rows in their new order.
        const CStartup sorted = RunProbe(m_strProbe, m_pristine.Path(), ID_SORT_TITLE);
        CFigure sortMemory = MakeFigure("peak, sorted", static_cast<double>(sorted.nPeakAfterKiB) / 1024.0, "task file",
                                        fFileMiB, "MiB");
        if (Is1M()) {
            sortMemory.goal = Goal::ratio;
            sortMemory.fLimit = 3;
        }
        Add(sortMemory);
    }

    // Checks what a command must have done; a file error or a wrong result ends the benchmark.
    void Expect(bool bOk, const std::string& strWhat) const
    {
        if (m_env.ws.nErrorBoxes != 0) {
            Fail(strWhat + ": a file error was reported: " + m_env.ws.strLastError);
        }
        if (!bOk) {
            Fail(strWhat + " did not do what it should at " + std::to_string(m_result.nRows) + " rows");
        }
    }

    // The task file and the list as start-up leaves them.
    void Restore(CProgramWindow& window)
    {
        std::filesystem::copy_file(m_pristine.File("ruvelo.csv"), m_work.File("ruvelo.csv"),
                                   std::filesystem::copy_options::overwrite_existing);
        window.Reload();
        Expect(window.List().GetItemCount() == m_result.nRows, "reloading");
    }

    static void SelectOnly(CProgramWindow& window, int nRow)
    {
        CListCtrl& list = window.List();
        list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetItemState(nRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetSelectionMark(nRow);
        list.EnsureVisible(nRow, FALSE);
        CProgramWindow::ProcessEvents();
    }

    // Times a command end to end; before runs first, outside the timing, and check after it.
    double TimeCommand(CProgramWindow& window, UINT nID, const std::function<void()>& before,
                       const std::function<bool()>& check, const std::string& strName)
    {
        if (before) {
            before();
        }
        m_env.ws.nMessageBoxes = 0;
        const Clock::time_point start = Clock::now();
        window.CommandWithViewUpdate(nID);
        const double fMs = MsSince(start);
        Expect(check(), strName);
        return fMs;
    }

    void NonSaving(CProgramWindow& window, const std::string& strName, UINT nID, const std::function<void()>& before,
                   const std::function<bool()>& check, const std::function<void()>& after = {})
    {
        if (!m_options.Wanted(strName)) {
            return;
        }
        std::vector<double> samples;
        for (int i = 0; i < Reps(); ++i) {
            samples.push_back(TimeCommand(window, nID, before, check, strName));
            if (after) {
                after();
            }
        }
        CFigure figure = MakeFigure(strName, Median(samples));
        if (Is100k()) {
            figure.goal = Goal::underMs;
            figure.fLimit = 50;
        } else if (Is1M()) {
            figure.goal = Goal::underMs;
            figure.fLimit = 500;
        }
        Add(figure);
    }

    // A saving command, then on the list it leaves: SaveTasks alone, and the bare write of the
    // bytes that the save wrote.
    void Saving(CProgramWindow& window, const std::string& strName, UINT nID, const std::function<void()>& before,
                const std::function<bool()>& check)
    {
        if (!m_options.Wanted(strName)) {
            return;
        }
        std::vector<double> command;
        std::vector<double> save;
        std::vector<double> bare;
        std::vector<double> ratios;
        for (int i = 0; i < Reps(); ++i) {
            command.push_back(TimeCommand(window, nID, before, check, strName));
            const Clock::time_point start = Clock::now();
            try {
                window.dlg.SaveTasks();
            } catch (const CFileException& e) {
                Fail("SaveTasks failed: " + e.GetErrorMessage());
            }
            save.push_back(MsSince(start));
            const std::string strBytes = ReadWholeFile(m_work.File("ruvelo.csv"));
            const Clock::time_point bareStart = Clock::now();
            if (!BareWrite(m_work.File("bare.csv"), strBytes)) {
                Fail("the bare write failed");
            }
            bare.push_back(MsSince(bareStart));
            ratios.push_back(command.back() / bare.back());
        }
        CFigure figure = MakeFigure(strName, Median(command), "bare write", Median(bare));
        figure.fWriteMs = Median(save);
        figure.fPairedRatio = Median(ratios);
        figure.bSaving = true;
        if (Is100k() || Is1M()) {
            figure.goal = Goal::ratio;
            figure.fLimit = 2;
        }
        Add(figure);
    }

    // With a screen reader listening (bench/run-program.sh --accessibility=reader): the Down key
    // until the reader has read the newly focused row back from the program, the event loop
    // serving its questions meanwhile. The reader adds a line to its log after each such read.
    void MeasureKeyDownRead(CProgramWindow& window)
    {
        const char* pszLog = std::getenv("RUVELO_BENCH_READER_LOG");
        if (pszLog == nullptr || *pszLog == '\0') {
            return;
        }
        const auto logSize = [pszLog] {
            std::error_code error;
            const auto nSize = std::filesystem::file_size(pszLog, error);
            return error ? std::uintmax_t{0} : nSize;
        };
        const int n = static_cast<int>(m_result.nRows);
        std::vector<double> samples;
        for (int i = 0; i < Reps(); ++i) {
            SelectOnly(window, n / 2 + 2 * i);
            // Let the reader read the row that was focused above, outside the timing.
            for (const Clock::time_point settle = Clock::now(); MsSince(settle) < 300;) {
                QCoreApplication::processEvents();
                ::usleep(200);
            }
            const std::uintmax_t nBefore = logSize();
            const Clock::time_point start = Clock::now();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(window.View(), &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(window.View(), &release);
            while (logSize() == nBefore) {
                if (MsSince(start) > 10000) {
                    Fail("the screen reader did not read the focused row within 10 s");
                }
                QCoreApplication::processEvents();
                ::usleep(100);
            }
            samples.push_back(MsSince(start));
        }
        CFigure figure = MakeFigure("key down, read", Median(samples));
        if (Is100k() || Is1M()) {
            figure.goal = Goal::underMs;
            figure.fLimit = Is100k() ? 50 : 500;
        }
        Add(figure);
    }

    void MeasureCommands()
    {
        std::filesystem::copy_file(m_pristine.File("ruvelo.csv"), m_work.File("ruvelo.csv"));
        std::filesystem::copy_file(m_pristine.File("ruvelo.ini"), m_work.File("ruvelo.ini"));
        if (::chdir(m_work.Path().c_str()) != 0) {
            Fail("cannot enter " + m_work.Path());
        }
        CProgramWindow window(m_env);
        CListCtrl& list = window.List();
        const int n = static_cast<int>(m_result.nRows);
        CAnsweringQtWindowSystem& ws = m_env.ws;
        Expect(list.GetItemCount() == n, "start-up");
        g_bAccessibilityActive = g_bAccessibilityActive || QAccessible::isActive();

        // The sorts, each from the file's order, beside a plain sort of the same titles.
        std::vector<std::string> titles;
        titles.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            titles.emplace_back(list.GetItemText(i, 0));
        }
        std::vector<double> plain;
        for (int i = 0; i < Reps() && (m_options.Wanted("sort importance") || m_options.Wanted("sort title")); ++i) {
            std::vector<std::string> sorted = titles;
            const Clock::time_point start = Clock::now();
            std::sort(sorted.begin(), sorted.end());
            plain.push_back(MsSince(start));
        }
        titles = {};
        const auto restore = [&] { Restore(window); };
        const auto unchangedRows = [&] { return list.GetItemCount() == n && ws.nMessageBoxes == 0; };
        for (const auto& [strName, nID] : {std::pair{"sort importance", ID_SORT_IMPORTANCE}, std::pair{"sort title", ID_SORT_TITLE}}) {
            if (!m_options.Wanted(strName)) {
                continue;
            }
            NonSaving(window, strName, nID, restore, unchangedRows);
            CFigure& figure = m_result.figures.back();
            figure.strBaseline = "plain sort";
            figure.fBaselineMs = Median(plain);
        }
        Restore(window);

        // Find, from a cleared selection, with the search text typed into the dialog.
        ws.bType = true;
        ws.strImportance = "5";
        ws.strDetails.clear();
        const auto clearSelection = [&] {
            list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            list.EnsureVisible(0, FALSE);
            CProgramWindow::ProcessEvents();
        };
        ws.strTitle = CTaskFileGenerator::CommonTitleWord();
        NonSaving(window, "find many", ID_TASK_FIND, clearSelection,
                  [&] { return list.GetSelectedCount() > static_cast<UINT>(n / 20) && ws.nMessageBoxes == 0; });
        ws.strTitle = CTaskFileGenerator::AbsentText();
        NonSaving(window, "find none", ID_TASK_FIND, clearSelection,
                  [&] { return list.GetSelectedCount() == 0 && ws.nMessageBoxes == 1; });

        // The Down key in the list: the focus and the selection move one row, as a screen reader's
        // user moves through the list.
        if (m_options.Wanted("key down")) {
            std::vector<double> samples;
            for (int i = 0; i < Reps(); ++i) {
                SelectOnly(window, n / 2);
                const Clock::time_point start = Clock::now();
                // As the toolkit delivers a key to the focused list; the list repaints the two rows.
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(window.View(), &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(window.View(), &release);
                CProgramWindow::ProcessEvents();
                samples.push_back(MsSince(start));
                Expect(list.GetNextItem(-1, LVNI_FOCUSED) == n / 2 + 1 && list.GetSelectedCount() == 1, "key down");
            }
            CFigure figure = MakeFigure("key down", Median(samples));
            if (Is100k() || Is1M()) {
                figure.goal = Goal::underMs;
                figure.fLimit = Is100k() ? 50 : 500;
            }
            Add(figure);
            MeasureKeyDownRead(window);
        }

        // The font, two points larger, then back.
        const int nFontSize = window.dlg.m_nFontSize;
        std::vector<double> smaller;
        const bool bFont = m_options.Wanted("font larger");
        NonSaving(
            window, "font larger", ID_FONT_LARGER, {}, [&] { return window.dlg.m_nFontSize == nFontSize + 20; },
            [&] {
                const Clock::time_point start = Clock::now();
                window.CommandWithViewUpdate(ID_FONT_SMALLER);
                smaller.push_back(MsSince(start));
                Expect(window.dlg.m_nFontSize == nFontSize, "font smaller");
            });
        if (bFont) {
            CFigure figure = m_result.figures.back();
            figure.strName = "font smaller";
            figure.fMs = Median(smaller);
            Add(figure);
        }

        // The saving commands. Add types a generated task; Edit changes the middle row's title.
        const CGeneratedTask task = CTaskFileGenerator(7).Next();
        ws.strTitle = task.strTitle;
        ws.strImportance = std::to_string(task.nImportance);
        ws.strDetails = task.strDetails;
        Saving(window, "add", ID_TASK_ADD, {}, [&] {
            return ws.nMessageBoxes == 0 && list.GetItemText(list.GetItemCount() - 1, 0) == ws.strTitle;
        });
        Restore(window);

        ws.strTitle = CTaskFileGenerator(11).Next().strTitle;
        Saving(
            window, "edit", ID_TASK_EDIT, [&] { SelectOnly(window, n / 2); },
            [&] { return list.GetItemCount() == n && list.GetItemText(n - 1, 0) == ws.strTitle && ws.nMessageBoxes == 0; });
        ws.bType = false;

        int nBefore = 0;
        Saving(
            window, "delete one", ID_TASK_DELETE,
            [&] {
                nBefore = list.GetItemCount();
                SelectOnly(window, nBefore / 2);
            },
            [&] { return list.GetItemCount() == nBefore - 1 && ws.nMessageBoxes == 0; });

        Saving(
            window, "delete half", ID_TASK_DELETE,
            [&] {
                Restore(window);
                for (int i = 0; i < n; i += 2) {
                    list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
                }
                list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
                CProgramWindow::ProcessEvents();
            },
            [&] { return list.GetItemCount() == n / 2 && ws.nMessageBoxes == 0; });

        Saving(window, "delete all", ID_TASK_DELETE_ALL, restore,
               [&] { return list.GetItemCount() == 0 && ws.nMessageBoxes == 2; });

        window.Close();
        if (::chdir("/") != 0) {
            Fail("cannot leave " + m_work.Path());
        }
    }

    const COptions& m_options;
    CProgramApp& m_env;
    std::string m_strProbe;
    CBenchDir m_pristine;
    CBenchDir m_work;
    CSizeResult m_result;
};

// ---------------------------------------------------------------------------------------------
// The report.

struct CVerdict {
    std::string strGoal;
    bool bMet = true;
    bool bHasGoal = false;
};

double Ratio(const CFigure& f)
{
    if (f.fPairedRatio >= 0) {
        return f.fPairedRatio;
    }
    return f.fBaselineMs > 0 ? f.fMs / f.fBaselineMs : 0.0;
}

CVerdict Judge(const CFigure& f)
{
    char sz[64];
    switch (f.goal) {
    case Goal::none:
        return {};
    case Goal::startupBeyondLoad:
        std::snprintf(sz, sizeof sz, "<= bare load + %.0f ms", f.fLimit);
        return {sz, f.fMs - f.fBaselineMs <= f.fLimit, true};
    case Goal::ratio:
        std::snprintf(sz, sizeof sz, "<= %.0fx %s", f.fLimit, f.strBaseline.c_str());
        return {sz, Ratio(f) <= f.fLimit, true};
    case Goal::underMs:
        std::snprintf(sz, sizeof sz, "< %.0f ms", f.fLimit);
        return {sz, f.fMs < f.fLimit, true};
    }
    return {};
}

int PrintReport(const std::vector<CSizeResult>& results)
{
    int nGoals = 0;
    int nMet = 0;
    std::printf("%-16s %6s %11s %11s  %-11s %11s %8s  %-24s %s\n", "figure", "rows", "value", "write ms", "baseline",
                "base value", "ratio", "goal", "met");
    for (const CSizeResult& r : results) {
        std::printf("-- %s tasks, task file %.1f MiB\n", RowsText(r.nRows).c_str(),
                    static_cast<double>(r.nFileBytes) / (1024.0 * 1024.0));
        for (const CFigure& f : r.figures) {
            char szValue[32];
            char szWrite[32] = "";
            char szBase[32] = "";
            char szRatio[32] = "";
            std::snprintf(szValue, sizeof szValue, "%.1f %s", f.fMs, f.strUnit.c_str());
            if (f.fWriteMs >= 0) {
                std::snprintf(szWrite, sizeof szWrite, "%.1f", f.fWriteMs);
            }
            if (!f.strBaseline.empty()) {
                std::snprintf(szBase, sizeof szBase, "%.1f %s", f.fBaselineMs, f.strUnit.c_str());
                std::snprintf(szRatio, sizeof szRatio, "%.2fx", Ratio(f));
            }
            const CVerdict verdict = Judge(f);
            if (verdict.bHasGoal) {
                ++nGoals;
                nMet += verdict.bMet ? 1 : 0;
            }
            std::printf("%-16s %6s %11s %11s  %-11s %11s %8s  %-24s %s\n", f.strName.c_str(), RowsText(r.nRows).c_str(),
                        szValue, szWrite, f.strBaseline.c_str(), szBase, szRatio, verdict.strGoal.c_str(),
                        verdict.bHasGoal ? (verdict.bMet ? "yes" : "NO") : "");
        }
    }

    // Nothing quadratic: the time per row at 1M over that at 100k (1 is linear; 10 would be quadratic).
    const CSizeResult* pSmall = nullptr;
    const CSizeResult* pLarge = nullptr;
    for (const CSizeResult& r : results) {
        pSmall = r.nRows == k100k ? &r : pSmall;
        pLarge = r.nRows == k1M ? &r : pLarge;
    }
    if (pSmall != nullptr && pLarge != nullptr) {
        constexpr double kGrowthLimit = 2.0;
        std::printf("\nGrowth from 100k to 1M tasks, per row (1 is linear, 10 quadratic; goal <= %.0f):\n", kGrowthLimit);
        for (const CFigure& large : pLarge->figures) {
            const CFigure* pSmallFigure = pSmall->Find(large.strName);
            if (pSmallFigure == nullptr || pSmallFigure->fMs <= 0 || large.strUnit != "ms") {
                continue;
            }
            const double fGrowth = (large.fMs / pSmallFigure->fMs) / 10.0;
            const bool bMet = fGrowth <= kGrowthLimit;
            ++nGoals;
            nMet += bMet ? 1 : 0;
            std::printf("  %-16s %10.1f ms -> %10.1f ms  per row x%.2f  %s\n", large.strName.c_str(), pSmallFigure->fMs,
                        large.fMs, fGrowth, bMet ? "yes" : "NO");
        }
    }
    std::printf("\nvalue: median of the runs; write ms: SaveTasks alone on the list the command left; ratio: value over\n"
                "base value, for a saving command the median of its runs' ratios to the bare write that followed each.\n");
    std::printf("goals met: %d of %d\n", nMet, nGoals);
    std::fflush(stdout);
    return nMet == nGoals ? 0 : 2;
}

COptions ParseOptions(int argc, char** argv)
{
    COptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg.rfind("--repetitions=", 0) == 0) {
            options.nRepetitions = std::max(1, std::atoi(strArg.c_str() + 14));
        } else if (strArg.rfind("--startup-runs=", 0) == 0) {
            options.nStartupRuns = std::max(1, std::atoi(strArg.c_str() + 15));
        } else if (strArg.rfind("--platform=", 0) == 0) {
            options.strPlatform = strArg.substr(11);
        } else if (strArg.rfind("--only=", 0) == 0) {
            // Names separated by commas, as the report prints them: --only="add,sort title".
            std::string strList = strArg.substr(7);
            for (std::size_t nPos = 0; nPos <= strList.size();) {
                const std::size_t nComma = std::min(strList.find(',', nPos), strList.size());
                options.only.push_back(strList.substr(nPos, nComma - nPos));
                nPos = nComma + 1;
            }
        } else if (!strArg.empty() && strArg[0] != '-' && std::atol(strArg.c_str()) > 0) {
            options.sizes.push_back(std::atol(strArg.c_str()));
        } else {
            Fail("usage: ruvelo_bench_program [--repetitions=N] [--startup-runs=N] [--only=FIGURE,...] [--platform=NAME] "
                 "[rows ...]");
        }
    }
    if (options.sizes.empty()) {
        options.sizes = {10000, k100k, k1M};
    }
    return options;
}

QtMessageHandler g_pfnDefaultMessageHandler = nullptr;

// The offscreen platform warns each time a window is shown; nothing else is held back.
void QuietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& strMessage)
{
    if (type == QtWarningMsg && strMessage.contains(QLatin1String("propagateSizeHints"))) {
        return;
    }
    g_pfnDefaultMessageHandler(type, context, strMessage);
}

} // namespace

int main(int argc, char** argv)
{
    const COptions options = ParseOptions(argc, argv);
    // The probe inherits the environment: both draw on the same platform, offscreen unless asked.
    ::setenv("QT_QPA_PLATFORM", options.strPlatform.c_str(), 1);
    g_pfnDefaultMessageHandler = qInstallMessageHandler(QuietMessageHandler);
    QApplication qapp(argc, argv);
    SetUpToolkit(qapp);
    const std::string strProbe = ProbePath();

    std::vector<CSizeResult> results;
    if (options.Wanted("start-up")) {
        // The fixed cost of starting: the program over an empty task file.
        CBenchDir empty;
        WriteWholeFile(empty.File("ruvelo.csv"), "");
        WriteWholeFile(empty.File("ruvelo.ini"), "120");
        std::vector<double> startup;
        long nPeakKiB = 0;
        for (int i = 0; i < options.nStartupRuns; ++i) {
            const CStartup run = RunProbe(strProbe, empty.Path());
            startup.push_back(run.fMs);
            nPeakKiB = std::max(nPeakKiB, run.nPeakKiB);
        }
        CSizeResult r;
        r.figures.push_back(MakeFigure("start-up", Median(startup)));
        r.figures.push_back(MakeFigure("peak memory", static_cast<double>(nPeakKiB) / 1024.0, {}, 0, "MiB"));
        results.push_back(r);
    }
    CProgramApp env;
    for (const long nRows : options.sizes) {
        CSizeBench bench(options, env, strProbe, nRows);
        results.push_back(bench.Run());
        std::fprintf(stderr, "measured %ld tasks\n", nRows);
    }
    const int nStatus = PrintReport(results);
    // Whether a screen reader could have listened: the platform's accessibility bridge was on.
    std::printf("platform %s, accessibility %s\n", options.strPlatform.c_str(), g_bAccessibilityActive ? "active" : "inactive");
    return nStatus;
}
