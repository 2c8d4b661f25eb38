/* Preloaded into a process under test, this ends it with SIGKILL just before its Nth file-changing call
 * (VELMORA_KILL_AT_STEP=N): creating, writing, truncating, renaming, linking or removing a file or folder. A
 * kill test runs an operation once for every N until the operation finishes, so the state after a kill at
 * each of its file steps is checked. Without the variable the calls pass through untouched. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static atomic_long steps;

static void step(void)
{
    static long killAt = -1;
    if (killAt < 0) {
        const char *at = getenv("VELMORA_KILL_AT_STEP");
        killAt = at ? atol(at) : 0;
    }
    if (killAt > 0 && atomic_fetch_add(&steps, 1) + 1 == killAt)
        raise(SIGKILL);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

/* A call that changes the file system whatever its arguments: counted, then passed on. */
#define STEP(ret, name, params, args) \
    ret name params                   \
    {                                 \
        step();                       \
        return NEXT(name) args;       \
    }

STEP(ssize_t, pwrite, (int fd, const void *data, size_t size, off_t at), (fd, data, size, at))
STEP(ssize_t, pwrite64, (int fd, const void *data, size_t size, off64_t at), (fd, data, size, at))
STEP(ssize_t, copy_file_range, (int from, off64_t *fromAt, int to, off64_t *toAt, size_t size, unsigned int flags),
     (from, fromAt, to, toAt, size, flags))
STEP(int, ftruncate, (int fd, off_t size), (fd, size))
STEP(int, ftruncate64, (int fd, off64_t size), (fd, size))
STEP(int, rename, (const char *from, const char *to), (from, to))
STEP(int, renameat, (int fromDir, const char *from, int toDir, const char *to), (fromDir, from, toDir, to))
STEP(int, renameat2, (int fromDir, const char *from, int toDir, const char *to, unsigned int flags),
     (fromDir, from, toDir, to, flags))
STEP(int, link, (const char *from, const char *to), (from, to))
STEP(int, linkat, (int fromDir, const char *from, int toDir, const char *to, int flags), (fromDir, from, toDir, to, flags))
STEP(int, symlink, (const char *target, const char *path), (target, path))
STEP(int, unlink, (const char *path), (path))
STEP(int, unlinkat, (int dir, const char *path, int flags), (dir, path, flags))
STEP(int, rmdir, (const char *path), (path))
STEP(int, mkdir, (const char *path, mode_t mode), (path, mode))
STEP(int, mkdirat, (int dir, const char *path, mode_t mode), (dir, path, mode))

/* Writes to the standard streams are not the operation's. */
ssize_t write(int fd, const void *data, size_t size)
{
    if (fd > 2)
        step();
    return NEXT(write)(fd, data, size);
}

/* An open counts when it may create, truncate or write. */
#define OPEN(name, params, args)                                                                         \
    int name params                                                                                      \
    {                                                                                                    \
        va_list more;                                                                                    \
        va_start(more, flags);                                                                           \
        const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(more, int) : 0; \
        va_end(more);                                                                                    \
        if (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC))                                             \
            step();                                                                                      \
        return NEXT(name) args;                                                                          \
    }

OPEN(open, (const char *path, int flags, ...), (path, flags, mode))
OPEN(open64, (const char *path, int flags, ...), (path, flags, mode))
OPEN(openat, (int dir, const char *path, int flags, ...), (dir, path, flags, mode))
OPEN(openat64, (int dir, const char *path, int flags, ...), (dir, path, flags, mode))
