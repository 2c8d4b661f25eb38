#include "TestSupport.h"
#include "common/MappedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <new>
#include <set>
#include <ftw.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace test {

QString appDir() { return QStringLiteral(VELMORA_APP_DIR); }

void readStderrUntil(QProcess &process, const QString &text, QString &said)
{
    QElapsedTimer waited;
    waited.start();
    while (!said.contains(text) && process.state() != QProcess::NotRunning && waited.elapsed() < 30000) {
        process.waitForReadyRead(200);
        said += QString::fromUtf8(process.readAllStandardError());
    }
    said += QString::fromUtf8(process.readAllStandardError());
}
QString sourceDir() { return QStringLiteral(VELMORA_SOURCE_DIR); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void replaceDictionary(const QString &path, const QByteArray &bytes)
{
    writeFile(path + QStringLiteral(".new"), bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(), QFile::encodeName(path).constData()),
              0)
        << path.toStdString();
    std::this_thread::sleep_for(kv::kStampInterval + std::chrono::milliseconds(50));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString windowName(const QWidget &window)
{
    return QStringLiteral("%1 \"%2\" titled \"%3\"")
        .arg(QString::fromLatin1(window.metaObject()->className()), window.objectName(), window.windowTitle());
}

void handlerReturned()
{
    for (int pass = 0; pass < 2; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList entriesBelow(const QString &folder)
{
    const QDir root(folder);
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << root.relativeFilePath(it.filePath()) + (it.fileInfo().isDir() ? QStringLiteral("/") : QString());
    }
    entries.sort();
    return entries;
}

bool rootLocked(const QString &root)
{
    const int file = ::open(QFile::encodeName(root + QStringLiteral(".instance.lock")).constData(), O_RDONLY | O_CLOEXEC);
    const bool held = file >= 0 && ::flock(file, LOCK_SH | LOCK_NB) != 0;
    if (file >= 0)
        ::close(file);
    return held;
}

FullDisk::FullDisk(qint64 limitBytes)
{
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    previousSoft_ = static_cast<qint64>(r.rlim_cur);
    previousHard_ = static_cast<qint64>(r.rlim_max);
    // Only the soft limit moves, so the destructor can raise it again without privileges.
    r.rlim_cur = static_cast<rlim_t>(limitBytes);
    setrlimit(RLIMIT_FSIZE, &r);
}

FullDisk::~FullDisk()
{
    const rlimit r{static_cast<rlim_t>(previousSoft_), static_cast<rlim_t>(previousHard_)};
    setrlimit(RLIMIT_FSIZE, &r);
    std::signal(SIGXFSZ, previousHandler_);
}

int RunWithAddressSpaceLimit(qint64 headroomBytes, const std::function<int()> &body)
{
    // The first field of statm is the mapped size in pages.
    qint64 pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const qint64 mapped = pages * sysconf(_SC_PAGESIZE);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // The limit is for what the body allocates. Every thread Qt's image conversions start would reserve a
        // malloc arena of its own (64 MB of address space) beside its stack, and a thread that cannot be started
        // leaves the conversion waiting for it forever: one arena for all, and small stacks.
        mallopt(M_ARENA_MAX, 1);
        QThreadPool::globalInstance()->setStackSize(256 * 1024);
        rlimit r{};
        getrlimit(RLIMIT_AS, &r);
        r.rlim_cur = static_cast<rlim_t>(mapped + headroomBytes);
        setrlimit(RLIMIT_AS, &r);
        int code;
        try {
            code = body();
        } catch (const std::bad_alloc &) {
            code = 99;
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

namespace {

// A path argument of the traced child's system call, read from its memory.
QString childString(pid_t child, quint64 address)
{
    QByteArray bytes;
    char chunk[256];
    for (quint64 at = address; bytes.size() < 4096; at += sizeof chunk) {
        iovec local{chunk, sizeof chunk};
        iovec remote{reinterpret_cast<void *>(at), sizeof chunk};
        const ssize_t got = process_vm_readv(child, &local, 1, &remote, 1, 0);
        if (got <= 0)
            break;
        const qsizetype end = QByteArrayView(chunk, got).indexOf('\0');
        bytes.append(chunk, end < 0 ? got : end);
        if (end >= 0)
            break;
    }
    return QFile::decodeName(bytes);
}

QString childLink(pid_t child, const QString &entry)
{
    return QFileInfo(QStringLiteral("/proc/%1/%2").arg(child).arg(entry)).symLinkTarget();
}

// The file a path argument names, relative ones taken from the folder of dirfd or the working folder.
QString childPath(pid_t child, quint64 dirfd, quint64 address)
{
    const QString path = childString(child, address);
    if (path.startsWith(QLatin1Char('/')))
        return path;
    const int fd = static_cast<int>(dirfd);
    return childLink(child, fd == AT_FDCWD ? QStringLiteral("cwd") : QStringLiteral("fd/%1").arg(fd)) + QLatin1Char('/')
           + path;
}

QString childFile(pid_t child, quint64 fd) { return childLink(child, QStringLiteral("fd/%1").arg(static_cast<int>(fd))); }

// The files a system call changes; empty for any other call.
QStringList changedFiles(pid_t child, const __ptrace_syscall_info &call)
{
    const __uint64_t *a = call.entry.args;
    const auto writing = [](quint64 flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; };
    switch (call.entry.nr) {
    case SYS_openat:
        return writing(a[2]) ? QStringList{childPath(child, a[0], a[1])} : QStringList{};
    case SYS_open:
        return writing(a[1]) ? QStringList{childPath(child, AT_FDCWD, a[0])} : QStringList{};
    case SYS_creat:
    case SYS_truncate:
    case SYS_unlink:
    case SYS_rmdir:
    case SYS_mkdir:
    case SYS_chmod:
        return {childPath(child, AT_FDCWD, a[0])};
    case SYS_unlinkat:
    case SYS_mkdirat:
    case SYS_fchmodat:
        return {childPath(child, a[0], a[1])};
    case SYS_rename:
    case SYS_link:
        return {childPath(child, AT_FDCWD, a[0]), childPath(child, AT_FDCWD, a[1])};
    case SYS_symlink:
        return {childPath(child, AT_FDCWD, a[1])};
    case SYS_symlinkat:
        return {childPath(child, a[1], a[2])};
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
        return {childPath(child, a[0], a[1]), childPath(child, a[2], a[3])};
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_pwritev2:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_sync_file_range:
    case SYS_ftruncate:
    case SYS_fallocate:
    case SYS_fchmod:
    case SYS_sendfile:
        return {childFile(child, a[0])};
    case SYS_copy_file_range:
        return {childFile(child, a[2])};
    default: return {};
    }
}

}  // namespace

namespace {

// Runs body in a traced child and hands each system call that changes a file below folder, or folder itself,
// to atCall at the call's entry; atCall's true kills the child there. The threads the child starts are traced
// too (work handed to a thread of its own, a removal in the background), their calls in the order they are
// made. True when the child was killed.
bool traceFileSteps(const QString &folder, const std::function<void()> &body,
                    const std::function<bool(const TFileStep &)> &atCall)
{
    const QString root = QDir(folder).canonicalPath();
    const QString below = root + QLatin1Char('/');
    // The forked child has only this thread, yet a copied thread pool still counts the parent's idle workers
    // and hands them work that never runs (Qt converts large images on the pool): end the workers first.
    QThreadPool::globalInstance()->waitForDone();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // A group of its own, so that waiting for its threads never reaps another child of the test.
        setpgid(0, 0);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        body();
        _exit(0);
    }
    int status = 0;
    EXPECT_GT(child, 0);
    if (child <= 0 || waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
        ADD_FAILURE() << "the child could not be traced";
        return false;
    }
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL | PTRACE_O_TRACECLONE);
    // Each thread starts stopped by a SIGSTOP of its own, which is the tracing's and not the child's.
    std::set<pid_t> threads{child};
    pid_t stopped = child;
    int signal = 0;
    for (;;) {
        ptrace(PTRACE_SYSCALL, stopped, nullptr, signal);
        signal = 0;
        // A thread that ended is only counted out; the child's own end is its last.
        do {
            stopped = waitpid(-child, &status, __WALL);
            if (stopped < 0 || (stopped == child && !WIFSTOPPED(status)))
                return false;
        } while (!WIFSTOPPED(status));
        if (threads.insert(stopped).second && WSTOPSIG(status) == SIGSTOP)
            continue;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            // A new thread reported by its parent, or the child's own signal, delivered as it would be untraced.
            signal = status >> 16 == PTRACE_EVENT_CLONE ? 0 : WSTOPSIG(status);
            continue;
        }
        __ptrace_syscall_info call{};
        if (ptrace(PTRACE_GET_SYSCALL_INFO, stopped, sizeof call, &call) <= 0 || call.op != PTRACE_SYSCALL_INFO_ENTRY)
            continue;
        // The calls of a thread read their paths and handles through the thread's own view.
        const TFileStep step{static_cast<long>(call.entry.nr), changedFiles(stopped, call)};
        if (std::none_of(step.Files.begin(), step.Files.end(),
                         [&](const QString &f) { return f.startsWith(below) || f == root; }))
            continue;
        if (atCall(step)) {
            // Killed at the call's entry: the call itself never runs. Every thread's end is waited for.
            kill(child, SIGKILL);
            while (waitpid(-child, &status, __WALL) > 0) {
            }
            return true;
        }
    }
}

}  // namespace

bool KillAtFileStep(const QString &folder, int step, const std::function<void()> &body)
{
    const QString below = QDir(folder).canonicalPath() + QLatin1Char('/');
    int steps = 0;
    return traceFileSteps(folder, body, [&](const TFileStep &call) {
        return std::any_of(call.Files.begin(), call.Files.end(), [&](const QString &f) { return f.startsWith(below); })
               && ++steps == step;
    });
}

std::vector<TFileStep> FileStepsOf(const QString &folder, const std::function<void()> &body)
{
    std::vector<TFileStep> steps;
    traceFileSteps(folder, body, [&](const TFileStep &call) {
        steps.push_back(call);
        return false;
    });
    return steps;
}

namespace {

bool isSync(const TFileStep &s) { return s.Call == SYS_fsync || s.Call == SYS_fdatasync; }
bool isRename(const TFileStep &s) { return s.Call == SYS_rename || s.Call == SYS_renameat || s.Call == SYS_renameat2; }
bool isRemoval(const TFileStep &s) { return s.Call == SYS_unlink || s.Call == SYS_unlinkat || s.Call == SYS_rmdir; }

// A call that writes into an open file, which the file's sync must follow.
bool writesData(const TFileStep &s)
{
    for (const long call : {SYS_write, SYS_pwrite64, SYS_writev, SYS_pwritev, SYS_pwritev2, SYS_copy_file_range,
                            SYS_sendfile, SYS_ftruncate, SYS_fallocate})
        if (s.Call == call)
            return true;
    return false;
}

// A call that makes, moves or removes an entry of a folder, which the folder's sync must follow.
bool changesEntries(const TFileStep &s)
{
    for (const long call : {SYS_open, SYS_openat, SYS_creat, SYS_mkdir, SYS_mkdirat, SYS_link, SYS_linkat,
                            SYS_symlink, SYS_symlinkat})
        if (s.Call == call)
            return true;
    return isRename(s) || isRemoval(s);
}

}  // namespace

QString DurableRenameFault(const std::vector<TFileStep> &steps, const QString &from, const QString &to,
                           const QStringList &files, size_t *durableAt)
{
    const QString source = QDir::cleanPath(from), target = QDir::cleanPath(to);
    const auto first = [&](size_t begin, size_t end, const std::function<bool(const TFileStep &)> &is) {
        const auto found = std::find_if(steps.begin() + begin, steps.begin() + end, is);
        return found == steps.begin() + end ? end : size_t(found - steps.begin());
    };
    const auto last = [&](size_t end, const std::function<bool(const TFileStep &)> &is) -> qsizetype {
        for (size_t i = end; i-- > 0;)
            if (is(steps[i]))
                return qsizetype(i);
        return -1;
    };
    // A path as the program gave it, a folder perhaps with its "/".
    const auto named = [](const TFileStep &s, int i) { return QDir::cleanPath(s.Files.value(i)); };
    const size_t rename = first(0, steps.size(), [&](const TFileStep &s) {
        return isRename(s) && named(s, 0) == source && named(s, 1) == target;
    });
    if (rename == steps.size())
        return QStringLiteral("no rename of %1 to %2").arg(source, target);
    const size_t replaces = first(0, rename, [&](const TFileStep &s) {
        return (isRename(s) || isRemoval(s)) && named(s, 0) == target;
    });
    QStringList staged, folders;
    for (const QString &file : files) {
        staged << source + QLatin1Char('/') + file;
        for (QString folder = QFileInfo(staged.last()).path(); folder.startsWith(source);
             folder = QFileInfo(folder).path())
            folders << folder;
    }
    if (files.isEmpty())
        staged << source;
    folders.removeDuplicates();
    for (const QString &file : staged) {
        const qsizetype written = last(replaces, [&](const TFileStep &s) { return writesData(s) && s.Files.value(0) == file; });
        if (first(size_t(written + 1), replaces, [&](const TFileStep &s) { return isSync(s) && s.Files.value(0) == file; })
            == replaces)
            return QStringLiteral("%1 is not synced before it replaces anything").arg(file);
    }
    for (const QString &folder : folders) {
        const qsizetype changed = last(replaces, [&](const TFileStep &s) {
            return changesEntries(s) && std::any_of(s.Files.begin(), s.Files.end(), [&](const QString &f) {
                       return QFileInfo(f).path() == folder;
                   });
        });
        if (first(size_t(changed + 1), replaces, [&](const TFileStep &s) { return isSync(s) && s.Files.value(0) == folder; })
            == replaces)
            return QStringLiteral("the entries of %1 are not synced before it replaces anything").arg(folder);
    }
    const QString holder = QFileInfo(target).path();
    const size_t synced =
        first(rename + 1, steps.size(), [&](const TFileStep &s) { return isSync(s) && s.Files.value(0) == holder; });
    if (synced == steps.size())
        return QStringLiteral("%1 is not synced after %2 took its name").arg(holder, target);
    if (durableAt)
        *durableAt = synced;
    return {};
}

SmallDisk::SmallDisk(qint64 bytes)
{
    if (!folder_.isValid()) {
        skipReason_ = QStringLiteral("no temporary folder");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs", 0, options.constData()) != 0)
        skipReason_ = QStringLiteral("a tmpfs cannot be mounted here (%1): the test needs root or CAP_SYS_ADMIN")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
    else
        mounted_ = true;
}

SmallDisk::~SmallDisk()
{
    // Lazily: a file the test still holds open must not keep the mount, nor the folder, behind.
    if (mounted_)
        ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
}

bool SmallDisk::makeReadOnly()
{
    return ::mount(nullptr, QFile::encodeName(folder_.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr)
           == 0;
}

bool SmallDisk::fill()
{
    QFile filler(path() + QStringLiteral(".filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // Pages while they go in, then single bytes for what is left of the last one.
    for (const qsizetype step : {qsizetype(4096), qsizetype(1)}) {
        const QByteArray block(step, 'x');
        while (filler.write(block) == step) {
        }
    }
    return true;
}

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : folder_(QFile::encodeName(QDir::cleanPath(folder)))
{
    if (::mount(folder_.constData(), folder_.constData(), nullptr, MS_BIND, nullptr) != 0) {
        skipReason_ = QStringLiteral("a folder cannot be bound here (%1): the test needs root or CAP_SYS_ADMIN")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    mounted_ = true;
    if (::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        skipReason_ = QStringLiteral("a bound folder cannot be made read-only here (%1)")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (mounted_)
        ::umount2(folder_.constData(), MNT_DETACH);
}


MessageBoxScript::MessageBoxScript()
{
    previous_ = SetMessageBoxHandler([this](const TMessageBoxRequest &r) {
        shown_.push_back(r);
        if (!answers_.empty()) {
            const Answer answer = answers_.front();
            answers_.pop_front();
            if (answer.whileOpen) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    answer.whileOpen();
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                    loop.quit();
                });
                loop.exec();
            }
            return answer.buttonId;
        }
        return DefaultButtonOf(r.flags);
    });
}

MessageBoxScript::~MessageBoxScript() { SetMessageBoxHandler(previous_); }

QStringList MessageBoxScript::texts() const
{
    QStringList out;
    for (const auto &r : shown_)
        out << r.text;
    return out;
}

AsUser::AsUser(const QStringList &trees) : mask_(::umask(022))
{
    if (::geteuid() != 0)
        return;
    for (const QString &tree : trees)
        ::nftw(QFile::encodeName(QDir::cleanPath(tree)).constData(),
               [](const char *path, const struct stat *, int, FTW *) { return ::lchown(path, Uid, Uid) == 0 ? 0 : 1; }, 32,
               FTW_PHYS);
    groups_.resize(static_cast<size_t>(std::max(::getgroups(0, nullptr), 0)));
    groups_.resize(static_cast<size_t>(std::max(::getgroups(static_cast<int>(groups_.size()), groups_.data()), 0)));
    // The saved ids stay root's, so the process can be root again afterwards; a user process cannot take root's
    // rights meanwhile, as the effective ids are the user's.
    switched_ = ::setgroups(0, nullptr) == 0 && ::setresgid(Uid, Uid, 0) == 0 && ::setresuid(Uid, Uid, 0) == 0;
    EXPECT_TRUE(switched_) << std::strerror(errno);
}

AsUser::~AsUser()
{
    if (switched_) {
        EXPECT_EQ(::setresuid(0, 0, 0), 0);
        EXPECT_EQ(::setresgid(0, 0, 0), 0);
        EXPECT_EQ(::setgroups(groups_.size(), groups_.data()), 0);
    }
    ::umask(mask_);
}

UsualUmask::UsualUmask() : mask_(::umask(022)) {}

UsualUmask::~UsualUmask() { ::umask(mask_); }

unsigned modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList notPrivate(const QString &folder)
{
    QStringList found;
    const auto check = [&found](const QString &path) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISLNK(st.st_mode))
            return;
        const unsigned mode = st.st_mode & 07777;
        if (mode != (S_ISDIR(st.st_mode) ? 0700u : 0600u))
            found << path + QStringLiteral(" ") + QString::number(mode, 8);
    };
    check(QDir::cleanPath(folder));
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        check(it.next());
    found.sort();
    return found;
}

}  // namespace test
