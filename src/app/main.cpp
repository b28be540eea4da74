// RUVelo2: a to-do list. The process takes no arguments of its own; the directory it starts
// in holds its task file and its settings file.
#include "app/TaskApp.h"
#include "qt/QtApplication.h"
#include "qt/QtDescriptorWatch.h"
#include "qt/QtWindowSystem.h"

#include <QApplication>

#include <csignal>
#include <unistd.h>

#include <climits>
#include <string>

namespace {

CTaskApp theApp;

// The executable's full path, from which the application name and the help file come.
std::string ModulePath(const char* argv0)
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string(argv0 != nullptr ? argv0 : "RUVelo2");
}

} // namespace

int main(int argc, char* argv[])
{
    // A file-size limit makes a save fail with an error, reported as a full disk, instead of
    // ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    SetUpToolkit(app);
    CQtWindowSystem windowSystem;
    theApp.SetWindowSystem(&windowSystem);
    CQtDescriptorWatch descriptorWatch;
    AfxSetDescriptorWatch(&descriptorWatch);
    theApp.InitApplication(ModulePath(argc > 0 ? argv[0] : nullptr));
    theApp.InitInstance();
    AfxSetDescriptorWatch(nullptr);
    return 0;
}
