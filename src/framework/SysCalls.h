#pragma once
// The POSIX calls that the file classes make, gathered in one table so that a test can make any
// one of them fail at a chosen moment. Production code always goes through Sys().

#include <sys/stat.h>
#include <sys/types.h>

struct SysCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*openat)(int dirfd, const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buf, size_t count);
    ssize_t (*write)(int fd, const void* buf, size_t count);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*fstat)(int fd, struct stat* st);
    int (*stat)(const char* path, struct stat* st);
    int (*lstat)(const char* path, struct stat* st);
    int (*flock)(int fd, int operation);
    int (*fchmod)(int fd, mode_t mode);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    int (*linkat)(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags);
    int (*renameat2)(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags);
    int (*unlinkat)(int dirfd, const char* path, int flags);
    int (*access)(const char* path, int mode);
    ssize_t (*readlink)(const char* path, char* buf, size_t size);
};

// The calls in use; tests may replace entries and must restore them (tests/support/SysFault.h).
SysCalls& Sys();

// The real calls, for a test that wraps them.
const SysCalls& RealSysCalls();
