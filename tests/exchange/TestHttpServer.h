// An HTTP server of the test on 127.0.0.1 for the update check.
#pragma once

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

namespace test {

// Answers GET requests with the bytes stored for their path, 404 otherwise; counts the requests.
class TestHttpServer : public QTcpServer {
public:
    TestHttpServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    buffer_[socket] += socket->readAll();
                    if (!buffer_[socket].contains("\r\n\r\n"))
                        return;
                    const QByteArray path = buffer_[socket].split(' ').value(1);
                    Requests << path;
                    const bool found = Files.contains(path);
                    const QByteArray body = found ? Files[path] : QByteArray("not found");
                    socket->write(QByteArray(found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                                  "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString Domain() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    QMap<QByteArray, QByteArray> Files;
    QByteArrayList Requests;

private:
    QMap<QTcpSocket *, QByteArray> buffer_;
};

// The update list entry of one file with these bytes (a wrong sum when one is given).
inline QByteArray UpdateEntry(const char *name, int version, const QByteArray &bytes, const QByteArray &sum = {},
                              bool restart = false)
{
    const QByteArray sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    return QByteArray("<file name=\"") + name + "\" version=\"" + QByteArray::number(version) + "\" size=\""
           + QByteArray::number(bytes.size()) + "\" sha256=\"" + (sum.isEmpty() ? sha : sum) + "\" restart=\""
           + (restart ? "1" : "0") + "\"/>\n";
}

}  // namespace test
