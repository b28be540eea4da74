#include "framework/File.h"

#include "framework/FileException.h"
#include "framework/SysCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kMaxSymlinkHops = 40;  // as the kernel allows

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CloseQuietly(int& fd) noexcept
{
    if (fd >= 0) {
        Sys().close(fd);
        fd = -1;
    }
}

// A directory that cannot be opened is a bad path when it is missing, not a missing file.
int DirectoryOpenCause(int nErrno)
{
    return nErrno == ENOENT ? CFileException::badPath : CFileException::OsErrorToException(nErrno);
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

CStdioFile::CStdioFile(const char* lpszFileName, UINT nOpenFlags) : m_strFileName(lpszFileName)
{
    const UINT access = nOpenFlags & (modeWrite | modeReadWrite);
    if (access == modeRead && (nOpenFlags & modeCreate) == 0) {
        OpenForReading();
    } else if (access == modeWrite && (nOpenFlags & modeCreate) != 0) {
        m_bWrite = true;
        OpenForWriting();
    } else {
        throw std::invalid_argument("CStdioFile supports modeRead and modeCreate | modeWrite");
    }
}

CStdioFile::~CStdioFile() { Abandon(); }

void CStdioFile::Fail(int cause, int nErrno)
{
    Abandon();
    AfxThrowFileException(cause, nErrno, m_strFileName);
}

void CStdioFile::Abandon() noexcept
{
    CloseQuietly(m_fd);
    if (m_bTempNamed && m_dirFd >= 0) {
        Sys().unlinkat(m_dirFd, m_strTempName.c_str(), 0);
        m_bTempNamed = false;
    }
    CloseQuietly(m_dirFd);
    CloseQuietly(m_lockFd);
}

namespace {

// Takes the data directory's lock for as long as the file is open.
int LockDirectory(const std::string& strDir, const CString& strFileName)
{
    const int fd = Sys().open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        const int e = errno;
        AfxThrowFileException(DirectoryOpenCause(e), e, strFileName);
    }
    if (Sys().flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        Sys().close(fd);
        AfxThrowFileException(e == EWOULDBLOCK ? CFileException::sharingViolation : CFileException::OsErrorToException(e), e,
                              strFileName);
    }
    return fd;
}

} // namespace

void CStdioFile::OpenForReading()
{
    m_lockFd = LockDirectory(DirectoryOf(m_strFileName), m_strFileName);

    // A directory, FIFO or device is refused before it is opened, so that nothing can block on it.
    struct stat st {};
    if (Sys().stat(m_strFileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        Fail(CFileException::accessDenied, EACCES);
    }
    m_fd = Sys().open(m_strFileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0);
    if (m_fd < 0) {
        const int e = errno;
        Fail(CFileException::OsErrorToException(e), e);
    }
    if (Sys().fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Fail(CFileException::accessDenied, EACCES);
    }
    m_pBuffer = std::make_unique<char[]>(kBufferSize);
}

bool CStdioFile::FillReadBuffer()
{
    for (;;) {
        const ssize_t n = Sys().read(m_fd, m_pBuffer.get(), kBufferSize);
        if (n > 0) {
            m_nBufferPos = 0;
            m_nBufferLen = static_cast<std::size_t>(n);
            // Ctrl+Z ends the file: looked for once per buffer, not once per line, and the buffer
            // is cut there so that the lines see only what comes before it.
            if (const auto* pCtrlZ = static_cast<const char*>(std::memchr(m_pBuffer.get(), 0x1A, m_nBufferLen));
                pCtrlZ != nullptr) {
                m_nBufferLen = static_cast<std::size_t>(pCtrlZ - m_pBuffer.get());
                m_bCtrlZ = true;
            }
            return true;
        }
        if (n == 0) {
            return false;
        }
        if (errno != EINTR) {
            Fail(CFileException::generic, errno);
        }
    }
}

BOOL CStdioFile::ReadString(CString& rString)
{
    rString.clear();
    bool bAnyByte = false;
    while (!m_bEndOfFile) {
        if (m_nBufferPos == m_nBufferLen && (m_bCtrlZ || !FillReadBuffer())) {
            // The bytes between the last line end and a Ctrl+Z form one more, last line.
            m_bEndOfFile = true;
            break;
        }
        const char* pStart = m_pBuffer.get() + m_nBufferPos;
        const std::size_t nAvail = m_nBufferLen - m_nBufferPos;
        const auto* pLineEnd = static_cast<const char*>(std::memchr(pStart, '\n', nAvail));
        const std::size_t nScan = pLineEnd != nullptr ? static_cast<std::size_t>(pLineEnd - pStart) : nAvail;
        rString.append(pStart, nScan);
        bAnyByte = bAnyByte || nScan != 0;
        if (pLineEnd != nullptr) {
            m_nBufferPos += nScan + 1;
            // The CR of a CR LF may have come in the previous buffer, so look at the text itself.
            if (!rString.empty() && rString.back() == '\r') {
                rString.pop_back();
            }
            return TRUE;
        }
        m_nBufferPos = m_nBufferLen;
    }
    return bAnyByte ? TRUE : FALSE;
}

void CStdioFile::OpenForWriting()
{
    m_lockFd = LockDirectory(DirectoryOf(m_strFileName), m_strFileName);

    // Replace the final target of a symbolic link, so that the link itself stays.
    std::string strTarget = m_strFileName;
    struct stat st {};
    for (int nHops = 0;; ++nHops) {
        if (Sys().lstat(strTarget.c_str(), &st) != 0) {
            const int e = errno;
            if (e != ENOENT) {
                Fail(CFileException::OsErrorToException(e), e);
            }
            m_bReplacing = false;
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            m_bReplacing = true;
            break;
        }
        if (nHops == kMaxSymlinkHops) {
            Fail(CFileException::badPath, ELOOP);
        }
        std::string strLink(PATH_MAX, '\0');
        const ssize_t n = Sys().readlink(strTarget.c_str(), strLink.data(), strLink.size());
        if (n < 0) {
            const int e = errno;
            Fail(CFileException::OsErrorToException(e), e);
        }
        strLink.resize(static_cast<std::size_t>(n));
        strTarget = (!strLink.empty() && strLink[0] == '/') ? strLink : DirectoryOf(strTarget) + "/" + strLink;
    }

    if (m_bReplacing) {
        // Not a regular file, or read-only: refused before anything is written. A rename would
        // replace even a read-only file, and root passes access(), so the mode bits count too.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || Sys().access(strTarget.c_str(), W_OK) != 0) {
            Fail(CFileException::accessDenied, EACCES);
        }
        m_nMode = st.st_mode & 07777;
        m_nUid = st.st_uid;
        m_nGid = st.st_gid;
    } else {
        m_nMode = 0666 & ~CurrentUmask();
    }

    m_strTargetName = NameOf(strTarget);
    m_strTempName = "." + m_strTargetName + ".tmp";
    m_dirFd = Sys().open(DirectoryOf(strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (m_dirFd < 0) {
        const int e = errno;
        Fail(DirectoryOpenCause(e), e);
    }

    // An unnamed temporary file leaves nothing behind if the program dies while writing it.
    m_fd = Sys().openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        // The lock keeps other savers out, so a fixed name is safe; a leftover of a crash goes first.
        Sys().unlinkat(m_dirFd, m_strTempName.c_str(), 0);
        m_fd = Sys().openat(m_dirFd, m_strTempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        m_bTempNamed = m_fd >= 0;
    }
    if (m_fd < 0) {
        const int e = errno;
        Fail(CFileException::OsErrorToException(e), e);
    }
    m_strPending.reserve(kBufferSize + 1024);
}

void CStdioFile::WriteString(std::string_view text)
{
    if (!m_bWrite || m_fd < 0) {
        throw std::logic_error("CStdioFile::WriteString on a file not open for writing");
    }
    while (!text.empty()) {
        const std::size_t nLf = text.find('\n');
        if (nLf == std::string_view::npos) {
            m_strPending.append(text);
            break;
        }
        m_strPending.append(text.substr(0, nLf));
        m_strPending.append("\r\n");
        text.remove_prefix(nLf + 1);
    }
    if (m_strPending.size() >= kBufferSize) {
        FlushWriteBuffer();
    }
}

void CStdioFile::WriteBytes(std::string_view bytes)
{
    if (!m_bWrite || m_fd < 0) {
        throw std::logic_error("CStdioFile::WriteBytes on a file not open for writing");
    }
    // A block of half the buffer or more is written from where it stands, not copied in first.
    if (bytes.size() < kBufferSize / 2 && m_strPending.size() + bytes.size() < kBufferSize) {
        m_strPending.append(bytes);
        return;
    }
    FlushWriteBuffer();
    WriteAll(bytes.data(), bytes.size());
}

void CStdioFile::FlushWriteBuffer()
{
    WriteAll(m_strPending.data(), m_strPending.size());
    m_strPending.clear();
}

void CStdioFile::WriteAll(const char* p, std::size_t nLeft)
{
    while (nLeft > 0) {
        const ssize_t n = Sys().write(m_fd, p, nLeft);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(CFileException::diskFull, errno);
        }
        if (n == 0) {
            Fail(CFileException::diskFull, ENOSPC);
        }
        p += n;
        nLeft -= static_cast<std::size_t>(n);
    }
}

void CStdioFile::Close()
{
    if (m_fd < 0) {
        return;
    }
    if (m_bWrite) {
        CommitWrite();
    } else if (Sys().close(m_fd) != 0) {
        m_fd = -1;
        Fail(CFileException::diskFull, errno);
    } else {
        m_fd = -1;
    }
    Abandon();
}

void CStdioFile::CommitWrite()
{
    FlushWriteBuffer();
    if (Sys().fsync(m_fd) != 0) {
        Fail(CFileException::diskFull, errno);
    }
    if (m_bReplacing) {
        Sys().fchown(m_fd, m_nUid, m_nGid);  // only root may give a file away; otherwise it stays ours
    }
    if (Sys().fchmod(m_fd, m_nMode) != 0) {
        Fail(CFileException::diskFull, errno);
    }
    if (!m_bTempNamed) {
        Sys().unlinkat(m_dirFd, m_strTempName.c_str(), 0);
        const std::string strProcPath = "/proc/self/fd/" + std::to_string(m_fd);
        int r = Sys().linkat(AT_FDCWD, strProcPath.c_str(), m_dirFd, m_strTempName.c_str(), AT_SYMLINK_FOLLOW);
        if (r != 0 && errno == ENOENT) {
            r = Sys().linkat(m_fd, "", m_dirFd, m_strTempName.c_str(), AT_EMPTY_PATH);  // no /proc
        }
        if (r != 0) {
            Fail(CFileException::diskFull, errno);
        }
        m_bTempNamed = true;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (Sys().close(fd) != 0) {
        Fail(CFileException::diskFull, errno);
    }

    // Swapping the two names keeps the old file until the directory is on the disk, so that a
    // failure there can still put it back.
    bool bSwapped = false;
    int r = 0;
    if (m_bReplacing) {
        r = Sys().renameat2(m_dirFd, m_strTempName.c_str(), m_dirFd, m_strTargetName.c_str(), RENAME_EXCHANGE);
        bSwapped = r == 0;
        if (r != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            r = Sys().renameat2(m_dirFd, m_strTempName.c_str(), m_dirFd, m_strTargetName.c_str(), 0);
        }
    } else {
        r = Sys().renameat2(m_dirFd, m_strTempName.c_str(), m_dirFd, m_strTargetName.c_str(), 0);
    }
    if (r != 0) {
        Fail(CFileException::diskFull, errno);
    }
    // After a swap the temporary name holds the old file, which nothing may remove yet.
    m_bTempNamed = false;

    if (Sys().fsync(m_dirFd) != 0) {
        const int e = errno;
        if (bSwapped) {
            if (Sys().renameat2(m_dirFd, m_strTempName.c_str(), m_dirFd, m_strTargetName.c_str(), RENAME_EXCHANGE) == 0) {
                m_bTempNamed = true;  // now the new content, which Abandon removes
            }
        } else if (!m_bReplacing) {
            Sys().unlinkat(m_dirFd, m_strTargetName.c_str(), 0);
        }
        Fail(CFileException::diskFull, e);
    }
    if (bSwapped) {
        // The old content; if this fails the next save removes it.
        Sys().unlinkat(m_dirFd, m_strTempName.c_str(), 0);
    }
}
