// Peak resident memory after start-up has loaded a task file, as a multiple of the file's size.
// Each size is loaded in a process of its own, so that one size's peak cannot hide in another's:
// the parent generates the files and starts itself once per file with --load.
#include "BenchSupport.h"
#include "TaskFileGenerator.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// A line of /proc/self/status such as "VmHWM:  123 kB", in bytes.
long StatusBytes(const char* pszField)
{
    std::ifstream status("/proc/self/status");
    std::string strLine;
    const std::size_t nField = std::strlen(pszField);
    while (std::getline(status, strLine)) {
        if (strLine.compare(0, nField, pszField) == 0 && strLine.size() > nField && strLine[nField] == ':') {
            return std::atol(strLine.c_str() + nField + 1) * 1024;
        }
    }
    return -1;
}

// The child: load the data directory's task file as start-up does and print the peak before
// and after.
int LoadAndReport(const char* pszDataDir)
{
    const long nBefore = StatusBytes("VmHWM");
    CBenchMainWindow main(pszDataDir);
    main.Dlg().LoadTasks();
    main.Dlg().AutoSizeColumns();
    const long nAfter = StatusBytes("VmHWM");
    std::printf("%d %ld %ld %zu\n", main.List().GetItemCount(), nBefore, nAfter, main.List().GetTextBytes());
    return 0;
}

struct CChildResult {
    long nRows = 0;
    long nBefore = 0;
    long nAfter = 0;
    long nTextBytes = 0;
};

bool RunChild(const std::string& strDataDir, CChildResult& result)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string strSelf = "/proc/self/exe";
    std::vector<char*> argv = {const_cast<char*>("ruvelo_bench_memory"), const_cast<char*>("--load"),
                               const_cast<char*>(strDataDir.c_str()), nullptr};
    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, strSelf.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (nSpawn != 0) {
        ::close(pipeFds[0]);
        return false;
    }
    std::string strOut;
    char buf[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) {
        strOut.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 &&
           std::sscanf(strOut.c_str(), "%ld %ld %ld %ld", &result.nRows, &result.nBefore, &result.nAfter,
                       &result.nTextBytes) == 4;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        return LoadAndReport(argv[2]);
    }
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atol(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {10000, 100000, 1000000};
    }
    constexpr double kGoal = 3.0;
    constexpr long kGoalRows = 1000000;
    constexpr double kMiB = 1024.0 * 1024.0;
    bool bAllMet = true;
    std::printf("%-8s %10s %10s %10s %10s %9s %9s  %s\n", "rows", "file MiB", "start MiB", "peak MiB", "texts MiB",
                "peak/file", "grow/file", "goal");
    for (const long nRows : sizes) {
        const CBenchDir dir;
        const std::size_t nFileBytes = WriteTaskFile(dir.File("ruvelo.csv"), static_cast<std::size_t>(nRows));
        CChildResult r;
        if (!RunChild(dir.Path(), r) || r.nRows != nRows) {
            std::fprintf(stderr, "loading %ld tasks failed\n", nRows);
            return 1;
        }
        const double fFile = static_cast<double>(nFileBytes);
        const double fPeak = static_cast<double>(r.nAfter) / fFile;
        const double fGrowth = static_cast<double>(r.nAfter - r.nBefore) / fFile;
        std::string strGoal;
        if (nRows == kGoalRows) {
            const bool bMet = fPeak <= kGoal;
            bAllMet = bAllMet && bMet;
            strGoal = std::string("peak <= 3x file: ") + (bMet ? "yes" : "NO");
        }
        std::printf("%-8ld %10.1f %10.1f %10.1f %10.1f %8.2fx %8.2fx  %s\n", nRows, fFile / kMiB,
                    static_cast<double>(r.nBefore) / kMiB, static_cast<double>(r.nAfter) / kMiB,
                    static_cast<double>(r.nTextBytes) / kMiB, fPeak, fGrowth, strGoal.c_str());
    }
    return bAllMet ? 0 : 2;
}
