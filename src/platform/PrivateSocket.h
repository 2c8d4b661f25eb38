// Local sockets only this user can reach, for the program's own processes talking to each other (the single
// instance, the image picker). The socket file lives in a folder of ours that only the user may enter:
// "velmora/" in $XDG_RUNTIME_DIR, or "velmora-<uid>/" in the temporary folder when there is no runtime folder
// of this user. A folder that another user owns, or a link in its place, is never used. Both ends also check
// the user behind the other end (SO_PEERCRED), so a peer of another user is dropped whatever the folder allowed.
#pragma once

#include <QString>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

// The private folder, ending in "/": made when missing, narrowed to the user when it is ours and wider. Empty
// when no folder can be trusted; refused then names the folder that was not.
QString PrivateSocketFolder(QString *refused = nullptr);

// True when the process at the other end of the connected socket descriptor runs as user.
bool SocketPeerIsUser(qintptr descriptor, uid_t user);

// Listens on name in the private folder. A socket file nobody answers on any more (its process ended) is
// replaced. False when a server of this user answers on the name, or when the name cannot be had; refusal then
// holds the lines that tell why: no private folder, or an entry in the name's place that answers nothing and
// cannot be replaced (a folder another user put there while the private folder was open to others).
bool ListenPrivate(QLocalServer &server, const QString &name, QString *refusal = nullptr);
// Connects socket to name in the private folder, waiting up to timeoutMs; a server of another user is dropped
// and counts as none.
bool ConnectPrivate(QLocalSocket &socket, const QString &name, int timeoutMs);
// The server's next pending connection from this user; connections of other users are dropped on the way.
QLocalSocket *NextPrivateConnection(QLocalServer &server);

// The lines that tell the user why the program's processes cannot talk: the folder refused (PrivateSocketFolder)
// belongs to another user or is a link.
QString PrivateSocketRefusalText(const QString &refused);
