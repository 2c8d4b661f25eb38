#include "TestSupport.h"
#include "common/MappedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <new>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace test {

QString appDir() { return QStringLiteral(VELMORA_APP_DIR); }
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

// Whether the system call about to run changes a file.
bool changesFile(uint64_t number, const uint64_t *args)
{
    const auto opensToWrite = [](uint64_t flags) {
        return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
    };
    const auto notStandard = [](uint64_t fd) { return fd > 2; };
    switch (number) {
    case SYS_openat: return opensToWrite(args[2]);
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_pwritev2:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_sync_file_range:
    case SYS_ftruncate:
    case SYS_fallocate: return notStandard(args[0]);
    case SYS_sendfile:
    case SYS_copy_file_range: return notStandard(number == SYS_sendfile ? args[0] : args[2]);
    case SYS_truncate:
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
    case SYS_unlinkat:
    case SYS_symlinkat:
    case SYS_mkdirat: return true;
#ifdef SYS_open
    case SYS_open: return opensToWrite(args[1]);
    case SYS_creat:
    case SYS_rename:
    case SYS_link:
    case SYS_unlink:
    case SYS_symlink:
    case SYS_mkdir:
    case SYS_rmdir: return true;
#endif
    default: return false;
    }
}

}  // namespace

bool RunKilledAtFileStep(int step, const std::function<void()> &body)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return false;
    }
    if (child == 0) {
        // Stopped until the parent traces every system call of the child.
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        try {
            body();
        } catch (...) {
            _exit(98);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int steps = 0;
    int pass = 0;
    for (;;) {
        ptrace(PTRACE_SYSCALL, child, nullptr, pass);
        pass = 0;
        if (waitpid(child, &status, 0) != child) {
            ADD_FAILURE() << "the traced child was lost";
            return false;
        }
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with status " << status;
            return false;
        }
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            pass = WSTOPSIG(status);  // a signal of the child's own, handed on
            continue;
        }
        __ptrace_syscall_info info{};
        if (ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info) <= 0 || info.op != PTRACE_SYSCALL_INFO_ENTRY ||
            !changesFile(info.entry.nr, info.entry.args))
            continue;
        if (++steps == step) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return true;
        }
    }
}

MessageBoxScript::MessageBoxScript()
{
    previous_ = SetMessageBoxHandler([this](const TMessageBoxRequest &r) {
        shown_.push_back(r);
        if (!answers_.empty()) {
            const int id = answers_.front();
            answers_.pop_front();
            return id;
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

}  // namespace test
