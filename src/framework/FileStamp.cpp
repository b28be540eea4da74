#include "framework/FileStamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::int64_t Nanoseconds(const timespec& ts) { return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec; }

// Whether a write from now on could leave the same time stamp as mtime. The kernel stamps files
// from its coarse clock: a later write gets a later stamp once that clock has passed mtime. A
// time stamp without nanoseconds comes from a file system that keeps whole seconds (or two, as
// FAT does), where writes up to two seconds apart may share it.
bool LaterWriteMayShareStamp(const timespec& mtime)
{
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) {
        return true;
    }
    if (mtime.tv_nsec == 0) {
        return Nanoseconds(now) - Nanoseconds(mtime) < 2'000'000'000;
    }
    return Nanoseconds(now) <= Nanoseconds(mtime);
}

// Four independent lanes of multiply and rotate over 8-byte words: a few gigabytes a second, and
// any change of a byte changes the result with overwhelming likelihood.
class CChecksum {
public:
    void Add(const char* p, std::size_t n)
    {
        m_nLength += n;
        while (n > 0 && m_nPending > 0) {
            AddByte(static_cast<unsigned char>(*p++));
            --n;
        }
        for (; n >= 32; p += 32, n -= 32) {
            for (int i = 0; i < 4; ++i) {
                std::uint64_t w = 0;
                std::memcpy(&w, p + 8 * i, 8);
                Mix(m_anLane[i], w);
            }
        }
        while (n-- > 0) {
            AddByte(static_cast<unsigned char>(*p++));
        }
    }
    [[nodiscard]] std::uint64_t Result() const
    {
        std::uint64_t h = m_nLength * 0x9E3779B97F4A7C15ULL;
        for (std::uint64_t lane : m_anLane) {
            Mix(h, lane);
        }
        Mix(h, m_nTail ^ (static_cast<std::uint64_t>(m_nPending) << 56));
        return h ^ (h >> 29);
    }

private:
    static void Mix(std::uint64_t& h, std::uint64_t w)
    {
        h ^= w * 0x87C37B91114253D5ULL;
        h = (h << 31) | (h >> 33);
        h *= 0x4CF5AD432745937FULL;
    }
    // Bytes that do not fill a block of 32 are gathered 8 at a time into the first lane, so that
    // the result does not depend on how the input was cut into calls.
    void AddByte(unsigned char c)
    {
        m_nTail |= static_cast<std::uint64_t>(c) << (8 * m_nPending);
        if (++m_nPending == 8) {
            Mix(m_anLane[m_nLane], m_nTail);
            m_nLane = (m_nLane + 1) % 4;
            m_nTail = 0;
            m_nPending = 0;
        }
    }

    std::uint64_t m_anLane[4] = {1, 2, 3, 4};
    std::uint64_t m_nTail = 0;
    unsigned m_nPending = 0;
    unsigned m_nLane = 0;
    std::uint64_t m_nLength = 0;
};

} // namespace

bool ChecksumFile(const char* lpszPath, std::uint64_t* pChecksum)
{
    const int fd = ::open(lpszPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    // Read in pieces that stay in the cache; a task file is usually small, and a buffer of its
    // size would be fresh memory for every check.
    char buffer[64 * 1024];
    CChecksum sum;
    bool bOk = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            bOk = false;
            break;
        }
        if (n == 0) {
            break;
        }
        sum.Add(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (bOk) {
        *pChecksum = sum.Result();
    }
    return bOk;
}

CFileStamp CFileStamp::Take(const char* lpszPath)
{
    CFileStamp stamp;
    struct stat st {};
    if (::stat(lpszPath, &st) != 0) {
        return stamp;
    }
    stamp.m_bExists = true;
    stamp.m_dev = st.st_dev;
    stamp.m_ino = st.st_ino;
    stamp.m_size = st.st_size;
    stamp.m_mtime = st.st_mtim;
    if (S_ISREG(st.st_mode) && LaterWriteMayShareStamp(st.st_mtim)) {
        stamp.m_bAmbiguous = ChecksumFile(lpszPath, &stamp.m_nChecksum);
    }
    return stamp;
}

bool CFileStamp::ChangedOnDisk(const char* lpszPath) const
{
    struct stat st {};
    if (::stat(lpszPath, &st) != 0) {
        return false;  // gone: the next save makes it again
    }
    if (!m_bExists) {
        return true;
    }
    if (st.st_dev != m_dev || st.st_ino != m_ino || st.st_size != m_size || st.st_mtim.tv_sec != m_mtime.tv_sec ||
        st.st_mtim.tv_nsec != m_mtime.tv_nsec) {
        return true;
    }
    if (!m_bAmbiguous) {
        return false;
    }
    std::uint64_t nNow = 0;
    return !ChecksumFile(lpszPath, &nNow) || nNow != m_nChecksum;
}
