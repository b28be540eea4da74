#include "framework/FileWatch.h"

#include "framework/DescriptorWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <strings.h>

namespace {

IDescriptorWatch* g_pDescriptorWatch = nullptr;

// Written and closed, or given other rights; a program that keeps the file open while it writes
// is looked at once it closes it.
constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_ATTRIB;
constexpr std::uint32_t kDirEvents = IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

} // namespace

void AfxSetDescriptorWatch(IDescriptorWatch* pWatch) { g_pDescriptorWatch = pWatch; }

IDescriptorWatch* AfxGetDescriptorWatch() { return g_pDescriptorWatch; }

CFileWatch::~CFileWatch() { Close(); }

BOOL CFileWatch::Open(const char* lpszDir, std::string_view name)
{
    Close();
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        return FALSE;
    }
    m_dirWatch = ::inotify_add_watch(m_fd, lpszDir, kDirEvents | IN_ONLYDIR);
    if (m_dirWatch < 0) {
        Close();
        return FALSE;
    }
    m_strName.assign(name);
    return TRUE;
}

void CFileWatch::WatchFile(const char* lpszPath)
{
    if (m_fd < 0) {
        return;
    }
    // A watch on the same file comes back with the same number; a new file gets a new one, and
    // the old file's watch ends by itself once the file is gone.
    const int wd = ::inotify_add_watch(m_fd, lpszPath, kFileEvents);
    if (wd >= 0 && wd != m_dirWatch) {
        m_fileWatch = wd;
    }
}

void CFileWatch::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_dirWatch = -1;
    m_fileWatch = -1;
}

BOOL CFileWatch::ReadEvents()
{
    if (m_fd < 0) {
        return FALSE;
    }
    BOOL bConcerned = FALSE;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // EAGAIN: nothing more waits
        }
        for (ssize_t nPos = 0; nPos < n;) {
            inotify_event event{};
            std::memcpy(&event, buffer + nPos, sizeof event);
            const char* pszName = buffer + nPos + sizeof event;
            nPos += static_cast<ssize_t>(sizeof event + event.len);
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                bConcerned = TRUE;  // events were lost: look
            } else if (event.wd == m_dirWatch) {
                if (event.len > 0 && ::strncasecmp(pszName, m_strName.c_str(), m_strName.size() + 1) == 0) {
                    bConcerned = TRUE;
                }
            } else if (event.wd == m_fileWatch && (event.mask & kFileEvents) != 0) {
                bConcerned = TRUE;
            }
        }
    }
    return bConcerned;
}
