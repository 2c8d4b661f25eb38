#include "platform/PrivateSocket.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder that only this user can enter: made when missing; one that exists must be a real folder (never a
// link) owned by this user, and is narrowed when it was left open to others.
bool ownPrivateFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}

// XDG_RUNTIME_DIR is the user's own by definition, but a switched user (su) may carry another user's.
bool runtimeFolderIsOurs(const QString &runtime)
{
    struct stat st {};
    return QDir::isAbsolutePath(runtime) && ::stat(QFile::encodeName(runtime).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

QString PrivateSocketFolder(QString *refused)
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    const QString folder = runtimeFolderIsOurs(runtime)
                               ? QDir(runtime).filePath(QStringLiteral("velmora"))
                               : QDir(QDir::tempPath()).filePath(QStringLiteral("velmora-") + QString::number(::geteuid()));
    if (ownPrivateFolder(QFile::encodeName(folder)))
        return folder + QLatin1Char('/');
    if (refused)
        *refused = folder;
    return QString();
}

bool SocketPeerIsUser(qintptr descriptor, uid_t user)
{
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return descriptor >= 0 && ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == user;
}

bool ListenPrivate(QLocalServer &server, const QString &name, QString *refusal)
{
    QString refused;
    const QString folder = PrivateSocketFolder(&refused);
    if (folder.isEmpty()) {
        if (refusal)
            *refusal = PrivateSocketRefusalText(refused);
        return false;
    }
    const QString path = folder + name;
    // Two starts at once must not both take a left-over file for dead and remove each other's live socket: the
    // folder itself is the lock, so no lock file is left behind.
    const int lock = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    bool listening = false;
    bool answered = false;
    if (lock >= 0 && ::flock(lock, LOCK_EX) == 0) {
        listening = server.listen(path);
        if (!listening && server.serverError() == QAbstractSocket::AddressInUseError) {
            // Only a server of this user that answers is a running process of ours; whatever else holds the name
            // (another user's socket or folder, a file) is replaced where it can be.
            QLocalSocket running;
            answered = ConnectPrivate(running, name, 1000);
            if (!answered) {
                QLocalServer::removeServer(path);
                listening = server.listen(path);
            }
        }
    }
    if (lock >= 0)
        ::close(lock);
    if (!listening && !answered && refusal)
        *refusal = QStringLiteral("プログラム間の通信に使うファイルを作成できないため、使用できません  \r\n") +
                   QDir::toNativeSeparators(path);
    return listening;
}

bool ConnectPrivate(QLocalSocket &socket, const QString &name, int timeoutMs)
{
    const QString folder = PrivateSocketFolder();
    if (folder.isEmpty())
        return false;
    socket.connectToServer(folder + name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (SocketPeerIsUser(socket.socketDescriptor(), ::geteuid()))
        return true;
    socket.abort();
    return false;
}

QLocalSocket *NextPrivateConnection(QLocalServer &server)
{
    while (QLocalSocket *client = server.nextPendingConnection()) {
        if (SocketPeerIsUser(client->socketDescriptor(), ::geteuid()))
            return client;
        client->abort();
        client->deleteLater();
    }
    return nullptr;
}

QString PrivateSocketRefusalText(const QString &refused)
{
    return QStringLiteral("プログラム間の通信に使うフォルダーが他のユーザーのものかリンクのため、使用できません  \r\n")
           + QDir::toNativeSeparators(refused);
}
