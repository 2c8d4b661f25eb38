#include "TileServer.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTcpSocket>

TileServer::TileServer()
{
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                const QByteArray request = socket->readAll();
                static const QRegularExpression path(QStringLiteral("^GET /(\\d+)/(\\d+)/(\\d+)\\.png"));
                const auto match = path.match(QString::fromLatin1(request));
                QByteArray body, status = "404 Not Found";
                if (match.hasMatch()) {
                    QImage tile(256, 256, QImage::Format_RGB32);
                    tile.fill(colourOf(match.captured(1).toInt()));
                    QBuffer buffer(&body);
                    buffer.open(QIODevice::WriteOnly);
                    tile.save(&buffer, "PNG");
                    status = "200 OK";
                    ++requests;
                }
                socket->write("HTTP/1.1 " + status + "\r\nContent-Type: image/png\r\nContent-Length: "
                              + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        }
    });
}

QString TileServer::urlTemplate() const
{
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(serverPort());
}
