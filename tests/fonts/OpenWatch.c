/* LD_PRELOAD shim: writes the path of every file or folder the process opens, one a line, to the
 * file that KE_OPEN_LOG names. Opening goes on as usual. The log is written with raw system calls,
 * so that writing it is not itself a logged open. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

static void note (const char* path)
{
    const char* log = getenv ("KE_OPEN_LOG");
    if (log == NULL || path == NULL)
        return;
    const int fd = (int) syscall (SYS_openat, AT_FDCWD, log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    char line[4200];
    const size_t n = strlen (path) < sizeof (line) - 1 ? strlen (path) : sizeof (line) - 2;
    memcpy (line, path, n);
    line[n] = '\n';
    /* One write with O_APPEND: lines of different threads do not mix. */
    (void) !syscall (SYS_write, fd, line, n + 1);
    syscall (SYS_close, fd);
}

typedef int (*OpenFn) (const char*, int, ...);
typedef int (*OpenAtFn) (int, const char*, int, ...);
typedef int (*Open2Fn) (const char*, int);
typedef int (*OpenAt2Fn) (int, const char*, int);
typedef FILE* (*FopenFn) (const char*, const char*);
typedef DIR* (*OpendirFn) (const char*);

int __open_2 (const char*, int);
int __open64_2 (const char*, int);
int __openat_2 (int, const char*, int);
int __openat64_2 (int, const char*, int);

/* The next definition of the function in the search order: the C library's. */
#define REAL(name, type) static type real = NULL; if (real == NULL) real = (type) dlsym (RTLD_NEXT, name)

static mode_t modeOf (int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? (mode_t) va_arg (args, int) : 0;
}

/* open and openat take a mode only when they create a file. */
#define WATCH_OPEN(name) \
    int name (const char* path, int flags, ...) \
    { \
        REAL (#name, OpenFn); \
        va_list args; \
        va_start (args, flags); \
        const mode_t mode = modeOf (flags, args); \
        va_end (args); \
        note (path); \
        return real (path, flags, mode); \
    }

#define WATCH_OPENAT(name) \
    int name (int dir, const char* path, int flags, ...) \
    { \
        REAL (#name, OpenAtFn); \
        va_list args; \
        va_start (args, flags); \
        const mode_t mode = modeOf (flags, args); \
        va_end (args); \
        note (path); \
        return real (dir, path, flags, mode); \
    }

WATCH_OPEN (open)
WATCH_OPEN (open64)
WATCH_OPENAT (openat)
WATCH_OPENAT (openat64)

/* The forms that _FORTIFY_SOURCE builds call. */
int __open_2 (const char* path, int flags)
{
    REAL ("__open_2", Open2Fn);
    note (path);
    return real (path, flags);
}

int __open64_2 (const char* path, int flags)
{
    REAL ("__open64_2", Open2Fn);
    note (path);
    return real (path, flags);
}

int __openat_2 (int dir, const char* path, int flags)
{
    REAL ("__openat_2", OpenAt2Fn);
    note (path);
    return real (dir, path, flags);
}

int __openat64_2 (int dir, const char* path, int flags)
{
    REAL ("__openat64_2", OpenAt2Fn);
    note (path);
    return real (dir, path, flags);
}

/* The C library opens these through calls of its own that no shim sees. */
FILE* fopen (const char* path, const char* mode)
{
    REAL ("fopen", FopenFn);
    note (path);
    return real (path, mode);
}

FILE* fopen64 (const char* path, const char* mode)
{
    REAL ("fopen64", FopenFn);
    note (path);
    return real (path, mode);
}

DIR* opendir (const char* path)
{
    REAL ("opendir", OpendirFn);
    note (path);
    return real (path);
}
