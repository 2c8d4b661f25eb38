#include "ForeignPeer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

RuntimeFolder::RuntimeFolder() : saved_(qgetenv("XDG_RUNTIME_DIR")), wasSet_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
{
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                           QFile::ExeOther);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
}

RuntimeFolder::~RuntimeFolder()
{
    if (wasSet_)
        qputenv("XDG_RUNTIME_DIR", saved_);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

SquattedSocketFolder::SquattedSocketFolder()
    : savedTemp_(qgetenv("TMPDIR")), savedRuntime_(qgetenv("XDG_RUNTIME_DIR")),
      tempSet_(qEnvironmentVariableIsSet("TMPDIR")), runtimeSet_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
{
    qputenv("TMPDIR", QFile::encodeName(temp_.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    const QByteArray folder = QFile::encodeName(path());
    made_ = ForeignPeer::Possible() && ::mkdir(folder.constData(), 0777) == 0 && ::chmod(folder.constData(), 0777) == 0
            && ::chown(folder.constData(), ForeignPeer::Uid, ForeignPeer::Uid) == 0;
}

SquattedSocketFolder::~SquattedSocketFolder()
{
    tempSet_ ? qputenv("TMPDIR", savedTemp_) : qunsetenv("TMPDIR");
    runtimeSet_ ? qputenv("XDG_RUNTIME_DIR", savedRuntime_) : qunsetenv("XDG_RUNTIME_DIR");
}

QString SquattedSocketFolder::path() const { return temp_.path() + "/velmora-" + QString::number(::geteuid()); }

namespace {

// How the child ended.
enum : int { HungUp = 0, Unreachable = 1, KeptOpen = 2, NoOtherUser = 3 };

// The child was forked from a process with threads: from here on only plain system calls.
void becomeOtherUser()
{
    std::signal(SIGPIPE, SIG_IGN);
    // Gives up by itself should the program neither hang up nor close.
    alarm(10);
    if (setgroups(0, nullptr) != 0 || setgid(ForeignPeer::Uid) != 0 || setuid(ForeignPeer::Uid) != 0)
        _exit(NoOtherUser);
}

sockaddr_un addressOf(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::min<size_t>(path.size(), sizeof address.sun_path - 1));
    return address;
}

// Writes message, then hands everything read to out until the program's end hangs up.
[[noreturn]] void talk(int s, const QByteArray &message, int out)
{
    timeval patience{5, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    if (!message.isEmpty() && write(s, message.constData(), message.size()) < 0 && errno != EPIPE)
        _exit(KeptOpen);
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(s, buffer, sizeof buffer);
        if (n > 0) {
            if (write(out, buffer, n) != n)
                _exit(KeptOpen);
            continue;
        }
        _exit(n == 0 || errno == ECONNRESET ? HungUp : KeptOpen);
    }
}

void openToEveryone(const QString &path)
{
    chmod(QFile::encodeName(path).constData(), 0777);
}

}  // namespace

bool ForeignPeer::Possible() { return geteuid() == 0; }

std::unique_ptr<ForeignPeer> ForeignPeer::Connect(const QString &path, const QByteArray &message)
{
    openToEveryone(QFileInfo(path).path());
    openToEveryone(path);
    const sockaddr_un address = addressOf(QFile::encodeName(path));
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return nullptr;
    const pid_t child = fork();
    if (child == 0) {
        becomeOtherUser();
        const int s = socket(AF_UNIX, SOCK_STREAM, 0);
        if (s < 0 || connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            _exit(Unreachable);
        talk(s, message, output[1]);
    }
    close(output[1]);
    return std::unique_ptr<ForeignPeer>(new ForeignPeer(child, output[0]));
}

std::unique_ptr<ForeignPeer> ForeignPeer::Listen(const QString &path, const QByteArray &message)
{
    openToEveryone(QFileInfo(path).path());
    const sockaddr_un address = addressOf(QFile::encodeName(path));
    int output[2], ready[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(ready, O_CLOEXEC) != 0)
        return nullptr;
    const pid_t child = fork();
    if (child == 0) {
        becomeOtherUser();
        umask(0);
        const int s = socket(AF_UNIX, SOCK_STREAM, 0);
        if (s < 0 || bind(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 || listen(s, 4) != 0)
            _exit(Unreachable);
        if (write(ready[1], "L", 1) != 1)
            _exit(Unreachable);
        const int peer = accept(s, nullptr, nullptr);
        if (peer < 0)
            _exit(KeptOpen);
        talk(peer, message, output[1]);
    }
    close(output[1]);
    close(ready[1]);
    // Nothing comes from ready when the child could not listen: its end closes with it.
    char listening = 0;
    while (read(ready[0], &listening, 1) < 0 && errno == EINTR) {
    }
    close(ready[0]);
    return std::unique_ptr<ForeignPeer>(new ForeignPeer(child, output[0]));
}

ForeignPeer::~ForeignPeer()
{
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    close(output_);
}

bool ForeignPeer::HungUpOn()
{
    int status = 0;
    pid_t ended = 0;
    QDeadlineTimer deadline(15000);
    while (child_ > 0 && (ended = waitpid(child_, &status, WNOHANG)) == 0 && !deadline.hasExpired())
        QTest::qWait(20);
    if (child_ <= 0 || ended != child_)
        return false;
    child_ = 0;
    char buffer[4096];
    ssize_t n;
    while ((n = read(output_, buffer, sizeof buffer)) > 0)
        received_.append(buffer, n);
    return WIFEXITED(status) && WEXITSTATUS(status) == HungUp;
}

}  // namespace test
