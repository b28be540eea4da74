#pragma once
// What a file was when the program last read or wrote it, to tell whether another program has
// changed it since. Device, inode, size and modification time tell most changes apart at the cost
// of one stat; a checksum of the bytes covers the one case they cannot: another write within the
// same tick of the file system's clock, of the same size, in place.

#include <sys/types.h>

#include <cstdint>
#include <ctime>

class CFileStamp {
public:
    // The file as it is now; a file that cannot be examined counts as missing.
    static CFileStamp Take(const char* lpszPath);

    [[nodiscard]] bool Exists() const { return m_bExists; }
    // Whether the file at lpszPath has changed since this stamp was taken. A file that is gone
    // is no change (the next save makes it again); a file that came is.
    [[nodiscard]] bool ChangedOnDisk(const char* lpszPath) const;

private:
    bool m_bExists = false;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    off_t m_size = 0;
    timespec m_mtime{};
    // A later write could leave the same size and time stamp: the bytes' checksum tells then.
    bool m_bAmbiguous = false;
    std::uint64_t m_nChecksum = 0;
};

// A checksum of a file's bytes; nullopt-like false when it cannot be read.
bool ChecksumFile(const char* lpszPath, std::uint64_t* pChecksum);
