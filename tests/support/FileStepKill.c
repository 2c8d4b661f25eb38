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

static int changes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; }

static mode_t modeOf(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (changes(flags))
        step();
    return NEXT(open)(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (changes(flags))
        step();
    return NEXT(open64)(path, flags, mode);
}

int openat(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (changes(flags))
        step();
    return NEXT(openat)(dir, path, flags, mode);
}

int openat64(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (changes(flags))
        step();
    return NEXT(openat64)(dir, path, flags, mode);
}

ssize_t write(int fd, const void *data, size_t size)
{
    if (fd > 2)
        step();
    return NEXT(write)(fd, data, size);
}

ssize_t pwrite(int fd, const void *data, size_t size, off_t at)
{
    step();
    return NEXT(pwrite)(fd, data, size, at);
}

ssize_t pwrite64(int fd, const void *data, size_t size, off64_t at)
{
    step();
    return NEXT(pwrite64)(fd, data, size, at);
}

ssize_t copy_file_range(int from, off64_t *fromAt, int to, off64_t *toAt, size_t size, unsigned int flags)
{
    step();
    return NEXT(copy_file_range)(from, fromAt, to, toAt, size, flags);
}

int ftruncate(int fd, off_t size)
{
    step();
    return NEXT(ftruncate)(fd, size);
}

int ftruncate64(int fd, off64_t size)
{
    step();
    return NEXT(ftruncate64)(fd, size);
}

int rename(const char *from, const char *to)
{
    step();
    return NEXT(rename)(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    step();
    return NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    step();
    return NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int link(const char *from, const char *to)
{
    step();
    return NEXT(link)(from, to);
}

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    step();
    return NEXT(linkat)(fromDir, from, toDir, to, flags);
}

int symlink(const char *target, const char *path)
{
    step();
    return NEXT(symlink)(target, path);
}

int unlink(const char *path)
{
    step();
    return NEXT(unlink)(path);
}

int unlinkat(int dir, const char *path, int flags)
{
    step();
    return NEXT(unlinkat)(dir, path, flags);
}

int rmdir(const char *path)
{
    step();
    return NEXT(rmdir)(path);
}

int mkdir(const char *path, mode_t mode)
{
    step();
    return NEXT(mkdir)(path, mode);
}

int mkdirat(int dir, const char *path, mode_t mode)
{
    step();
    return NEXT(mkdirat)(dir, path, mode);
}
