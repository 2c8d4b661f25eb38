// Another local user at the other end of one of the program's local sockets: a child process that became the
// user nobody, standing in for a foreign process that got as far as the socket file. Only a test run as root
// can become another user; the cases that need one are skipped otherwise.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <sys/types.h>

namespace test {

// XDG_RUNTIME_DIR pointed at a folder of the test while the object lives, so the program's private sockets
// sit apart from any other run's. Others may pass through it (not list it), so a ForeignPeer can reach the
// socket folder inside: that folder's own protection is what the tests look at.
class RuntimeFolder {
public:
    RuntimeFolder();
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder &) = delete;
    RuntimeFolder &operator=(const RuntimeFolder &) = delete;
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool wasSet_;
};

// The fallback socket folder "velmora-<uid>" made first by another user, open to all (mode 777), in a temporary
// folder that TMPDIR names while the object lives, with XDG_RUNTIME_DIR unset: a local user's way to keep the
// program's processes from talking. Made() is false when this process cannot give a folder away (not root).
class SquattedSocketFolder {
public:
    SquattedSocketFolder();
    ~SquattedSocketFolder();
    SquattedSocketFolder(const SquattedSocketFolder &) = delete;
    SquattedSocketFolder &operator=(const SquattedSocketFolder &) = delete;
    bool Made() const { return made_; }
    QString path() const;

private:
    QTemporaryDir temp_;
    QByteArray savedTemp_, savedRuntime_;
    bool tempSet_, runtimeSet_;
    bool made_ = false;
};

class ForeignPeer {
public:
    static constexpr uid_t Uid = 65534;
    // True when this process may become another user.
    static bool Possible();

    // Connects to the socket file path as the other user, writes message and reads until the program's end
    // hangs up. The socket file and its folder are opened to everyone first.
    static std::unique_ptr<ForeignPeer> Connect(const QString &path, const QByteArray &message);
    // Takes path as the other user before the program does (its folder is opened to everyone first), writes
    // message to the first process that connects and reads until it hangs up. Returns once it listens.
    static std::unique_ptr<ForeignPeer> Listen(const QString &path, const QByteArray &message);

    ~ForeignPeer();
    ForeignPeer(const ForeignPeer &) = delete;
    ForeignPeer &operator=(const ForeignPeer &) = delete;

    // Runs the event loop until the process ends (it gives up by itself after a few seconds). True when it
    // reached the program's end and was hung up on; Received() then holds what the program sent it.
    bool HungUpOn();
    QByteArray Received() const { return received_; }

private:
    ForeignPeer(pid_t child, int output) : child_(child), output_(output) {}

    pid_t child_;
    int output_;
    QByteArray received_;
};

}  // namespace test
