#include "platform/SingleInstance.h"

#include "platform/PrivateSocket.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <unistd.h>

namespace {

const QByteArray RestoreRequest = QByteArrayLiteral("RESTORE\n");

// A copy running over other data (another XDG data folder, a test run, another session of the same user) is
// another instance: the name carries a digest of the data folder as well as the user id.
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

}  // namespace

TInstanceGuard::TInstanceGuard(std::unique_ptr<QLocalServer> server) : server_(std::move(server))
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

TInstanceGuard::~TInstanceGuard() = default;

bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataFolder,
                         bool restore)
{
    const QString fullName = socketName(name, dataFolder);
    auto server = std::make_unique<QLocalServer>();
    // A crashed instance's socket file is replaced, so it never blocks the next start.
    if (ListenPrivate(*server, fullName)) {
        guard = std::make_unique<TInstanceGuard>(std::move(server));
        return false;
    }
    // The name is taken: another instance holds it, or it could not be made; in both cases this one ends.
    askRunningInstance(fullName, restore);
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
