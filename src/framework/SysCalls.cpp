#include "framework/SysCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int OpenReal(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int OpenatReal(int dirfd, const char* path, int flags, mode_t mode) { return ::openat(dirfd, path, flags, mode); }
int Renameat2Real(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned flags)
{
    return ::renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
}

const SysCalls kReal = {
    OpenReal, OpenatReal, ::read,  ::write,  ::fsync,  ::close,    ::fstat,  ::stat,   ::lstat,
    ::flock,  ::fchmod,   ::fchown, ::linkat, Renameat2Real, ::unlinkat, ::access, ::readlink,
};

SysCalls g_calls = kReal;

} // namespace

SysCalls& Sys() { return g_calls; }

const SysCalls& RealSysCalls() { return kReal; }
