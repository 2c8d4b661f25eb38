#include "platform/SingleInstance.h"

#include "platform/EndReport.h"
#include "platform/PrivateSocket.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

namespace {

const QByteArray RestoreRequest = QByteArrayLiteral("RESTORE\n");

// The file in the data root whose lock a running copy holds for as long as it runs; the system drops the lock
// with the process, however it ends.
const QString LockFileName = QStringLiteral(".instance.lock");

// The folder as the file system knows it: one folder reached through a link, or named by two settings files
// in two spellings, is one data root.
QString canonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

// A copy running over other data (another data root, a test run, another session of the same user) is
// another instance: the name carries a digest of the data root as well as the user id.
QString socketName(const QString &name, const QString &dataFolder)
{
    const QByteArray digest = QCryptographicHash::hash(dataFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return name + QLatin1Char('-') + QString::number(getuid()) + QLatin1Char('-') +
           QString::fromLatin1(digest.left(16));
}

bool askRunningInstance(const QString &fullName, bool restore)
{
    QLocalSocket socket;
    if (!ConnectPrivate(socket, fullName, 2000))
        return false;
    if (restore) {
        socket.write(RestoreRequest);
        socket.waitForBytesWritten(2000);
    }
    socket.disconnectFromServer();
    return true;
}

QString runningElsewhere(const QString &root)
{
    return QStringLiteral("データ保存フォルダー %1 を使う Velmora が既に起動しているため終了します").arg(root);
}

}  // namespace

TInstanceGuard::TInstanceGuard(const QString &root, std::unique_ptr<QLocalServer> server, int lockFile,
                               const QString &unreachable)
    : root_(root), server_(std::move(server)), lockFile_(lockFile), unreachable_(unreachable)
{
    serve();
}

TInstanceGuard::~TInstanceGuard()
{
    if (lockFile_ >= 0)
        ::close(lockFile_);
}

void TInstanceGuard::serve()
{
    if (!server_)
        return;
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = NextPrivateConnection(*server_)) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(RestoreRequest))
                    emit RestoreRequested();
            });
        }
    });
}

bool TInstanceGuard::Holds(const QString &dataRoot) const { return canonicalFolder(dataRoot) == root_; }

bool SameDataRoot(const QString &a, const QString &b) { return canonicalFolder(a) == canonicalFolder(b); }

void TInstanceGuard::TakeOver(std::unique_ptr<TInstanceGuard> next)
{
    if (lockFile_ >= 0)
        ::close(lockFile_);
    lockFile_ = std::exchange(next->lockFile_, -1);
    root_ = next->root_;
    unreachable_ = next->unreachable_;
    if (next->server_)
        next->server_->disconnect(next.get());
    // The old root's server goes with its socket file.
    server_ = std::move(next->server_);
    serve();
}

std::unique_ptr<TInstanceGuard> TakeDataRoot(const QString &name, const QString &dataRoot, TInstanceCheck *outcome)
{
    QDir().mkpath(dataRoot);
    const QString root = canonicalFolder(dataRoot);
    // The lock decides, the socket only carries the request to come forward: a socket file can be replaced, a
    // lock held by a live process cannot be taken. A root where no lock file can be made (read-only) has only
    // the socket.
    const int lockFile = ::open(QFile::encodeName(root + QLatin1Char('/') + LockFileName).constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    TInstanceCheck check = TInstanceCheck::Only;
    std::unique_ptr<TInstanceGuard> guard;
    if (lockFile >= 0 && ::flock(lockFile, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFile);
        check = TInstanceCheck::Another;
    } else {
        // A crashed instance's socket file is replaced, so it never blocks the next start.
        auto server = std::make_unique<QLocalServer>();
        QString refusal;
        const bool listening = ListenPrivate(*server, socketName(name, root), &refusal);
        // Only a copy that answers on the socket runs. Without a socket of our own (another user took the
        // folder's name first, or put something in the socket's place) no later start can reach this copy, but
        // the lock still keeps them off its books.
        if (listening || (lockFile >= 0 && !refusal.isEmpty())) {
            guard = std::make_unique<TInstanceGuard>(root, listening ? std::move(server) : nullptr, lockFile, refusal);
        } else {
            if (lockFile >= 0)
                ::close(lockFile);
            check = refusal.isEmpty() ? TInstanceCheck::Another : TInstanceCheck::NoGuard;
        }
    }
    if (outcome)
        *outcome = check;
    return guard;
}

bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataRoot,
                         bool restore, TInstanceCheck *outcome)
{
    TInstanceCheck check = TInstanceCheck::Only;
    std::unique_ptr<TInstanceGuard> taken = TakeDataRoot(name, dataRoot, &check);
    if (check == TInstanceCheck::Another) {
        if (askRunningInstance(socketName(name, canonicalFolder(dataRoot)), restore))
            ReportEarlyEnd(runningElsewhere(dataRoot));
        else
            check = TInstanceCheck::NotAsked;
    }
    if (outcome)
        *outcome = check;
    if (!taken)
        return true;
    guard = std::move(taken);
    return false;
}

void ForceForegroundWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
