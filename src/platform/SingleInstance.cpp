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

namespace {

const QByteArray RestoreRequest = QByteArrayLiteral("RESTORE\n");

// The file in the data root whose lock a running copy holds for as long as it runs; the system drops the lock
// with the process, however it ends.
const QString LockFileName = QStringLiteral(".instance.lock");

// The folder as the file system knows it: one folder reached through a link, or named by two settings files
// in two spellings, is one data root.
QString canonicalFolder(const QString &folder)
{
    QDir().mkpath(folder);
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
    return QStringLiteral("データフォルダ %1 を使う Velmora が既に起動しているため終了します").arg(root);
}

}  // namespace

TInstanceGuard::TInstanceGuard(std::unique_ptr<QLocalServer> server, int lockFile)
    : server_(std::move(server)), lockFile_(lockFile)
{
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

TInstanceGuard::~TInstanceGuard()
{
    if (lockFile_ >= 0)
        ::close(lockFile_);
}

bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataRoot,
                         bool restore)
{
    const QString root = canonicalFolder(dataRoot);
    const QString fullName = socketName(name, root);
    // The lock decides, the socket only carries the request to come forward: a socket file can be replaced, a
    // lock held by a live process cannot be taken. A root where no lock file can be made (read-only) has only
    // the socket.
    const int lockFile = ::open(QFile::encodeName(root + QLatin1Char('/') + LockFileName).constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFile >= 0 && ::flock(lockFile, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFile);
        askRunningInstance(fullName, restore);
        ReportEarlyEnd(runningElsewhere(root));
        return true;
    }
    auto server = std::make_unique<QLocalServer>();
    // A crashed instance's socket file is replaced, so it never blocks the next start.
    if (ListenPrivate(*server, fullName)) {
        guard = std::make_unique<TInstanceGuard>(std::move(server), lockFile);
        return false;
    }
    if (lockFile >= 0)
        ::close(lockFile);
    // The name is taken: another instance holds it, or it could not be made; in both cases this one ends.
    ReportEarlyEnd(askRunningInstance(fullName, restore)
                       ? runningElsewhere(root)
                       : QStringLiteral("起動の確認に使うソケット %1 を作成できないため終了します").arg(fullName));
    return true;
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
