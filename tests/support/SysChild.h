#pragma once
// Runs a piece of a test in a forked child, for what must not touch the test process itself:
// another user's rights, a private mount, a second holder of a lock. The child reports back one
// text: empty for success, "SKIP: why" when the machine cannot run the check, else what failed.

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <functional>
#include <string>

struct CChildResult {
    bool bExited = false; // exited normally (not killed by a signal)
    std::string strReport;

    [[nodiscard]] bool Ok() const { return bExited && strReport.empty(); }
    [[nodiscard]] bool Skipped() const { return bExited && strReport.rfind("SKIP:", 0) == 0; }
};

inline CChildResult RunInChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        return {false, "pipe failed"};
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {false, "fork failed"};
    }
    if (pid == 0) {
        ::close(fds[0]);
        std::string strReport;
        try {
            strReport = body();
        } catch (const std::exception& e) {
            strReport = std::string("exception: ") + e.what();
        } catch (...) {
            strReport = "unknown exception";
        }
        const char* p = strReport.data();
        std::size_t nLeft = strReport.size();
        while (nLeft > 0) {
            const ssize_t n = ::write(fds[1], p, nLeft);
            if (n <= 0) {
                break;
            }
            p += n;
            nLeft -= static_cast<std::size_t>(n);
        }
        ::_exit(0); // no destructors or atexit handlers of the test process run twice
    }
    ::close(fds[1]);
    CChildResult result;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n > 0) {
            result.strReport.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.bExited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!result.bExited && result.strReport.empty()) {
        result.strReport = "child ended abnormally";
    }
    return result;
}
