// The program as main() starts it, stopped once its window is first painted: a benchmark runs it
// as a process and times it from the start of the process to the line it prints then.
//   ruvelo_startup_probe [COMMAND]
// run in the data directory, prints "painted <peak resident KiB>"; with a command number it then
// runs that command as the menu bar delivers it and prints "after <peak resident KiB>".
#include "app/TaskApp.h"
#include "qt/QtApplication.h"
#include "qt/QtWindowSystem.h"
#include "qt/TaskListView.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

CTaskApp theApp;

long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Ends the process once the list has been painted for the first time: that paint is the end of
// the start-up as the user sees it.
class CFirstPaintWatcher : public QObject {
public:
    UINT nThenCommand = 0;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint && !m_bSeen) {
            auto* pWidget = qobject_cast<QWidget*>(pWatched);
            if (pWidget != nullptr && qobject_cast<CTaskListView*>(pWidget->parentWidget()) != nullptr) {
                m_bSeen = true;
                // After this paint has finished.
                QTimer::singleShot(0, [this] {
                    std::printf("painted %ld\n", PeakResidentKiB());
                    std::fflush(stdout);
                    if (nThenCommand != 0) {
                        AfxCallWndProc(AfxGetMainWnd(), WM_COMMAND, nThenCommand, 0);
                        std::printf("after %ld\n", PeakResidentKiB());
                        std::fflush(stdout);
                    }
                    ::_exit(0);
                });
            }
        }
        return false;
    }

private:
    bool m_bSeen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    SetUpToolkit(app);
    CFirstPaintWatcher watcher;
    watcher.nThenCommand = argc > 1 ? static_cast<UINT>(std::strtoul(argv[1], nullptr, 10)) : 0;
    app.installEventFilter(&watcher);
    CQtWindowSystem windowSystem;
    theApp.SetWindowSystem(&windowSystem);
    theApp.InitApplication("/opt/ruvelo2/RUVelo2");
    theApp.InitInstance();
    return 0;
}
