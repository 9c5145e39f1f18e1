// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a test's own process to stand for file systems the machine
// lacks: with TAVRIN_SHIM_NO_LOCKS set every POSIX lock fails as on a network
// home without a lock service, and with TAVRIN_SHIM_NFS set statfs reports NFS.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/statfs.h>

static int IsLockCommand(int cmd) {
    return cmd == F_SETLK || cmd == F_SETLKW || cmd == F_GETLK || cmd == F_OFD_SETLK ||
           cmd == F_OFD_SETLKW || cmd == F_OFD_GETLK;
}

static int Forward(const char* name, int fd, int cmd, void* arg) {
    int (*real)(int, int, ...) = (int (*)(int, int, ...))dlsym(RTLD_NEXT, name);
    if (getenv("TAVRIN_SHIM_NO_LOCKS") && IsLockCommand(cmd)) {
        errno = ENOLCK;
        return -1;
    }
    return real(fd, cmd, arg);
}

int fcntl(int fd, int cmd, ...) {
    va_list args;
    va_start(args, cmd);
    void* arg = va_arg(args, void*);
    va_end(args);
    return Forward("fcntl", fd, cmd, arg);
}

int fcntl64(int fd, int cmd, ...) {
    va_list args;
    va_start(args, cmd);
    void* arg = va_arg(args, void*);
    va_end(args);
    return Forward("fcntl64", fd, cmd, arg);
}

int statfs(const char* path, struct statfs* buf) {
    int (*real)(const char*, struct statfs*) =
        (int (*)(const char*, struct statfs*))dlsym(RTLD_NEXT, "statfs");
    const int result = real(path, buf);
    if (result == 0 && getenv("TAVRIN_SHIM_NFS")) buf->f_type = 0x6969;
    return result;
}

int statfs64(const char* path, struct statfs64* buf) {
    int (*real)(const char*, struct statfs64*) =
        (int (*)(const char*, struct statfs64*))dlsym(RTLD_NEXT, "statfs64");
    const int result = real(path, buf);
    if (result == 0 && getenv("TAVRIN_SHIM_NFS")) buf->f_type = 0x6969;
    return result;
}
