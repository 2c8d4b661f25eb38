#include "imgview/PickerServer.h"

#include <QLocalServer>
#include <QLocalSocket>

TPickerServer::TPickerServer() : server_(std::make_unique<QLocalServer>())
{
    // Abstract-namespace sockets vanish with their process, so a picker that crashed never blocks the next.
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &TPickerServer::accept);
}

TPickerServer::~TPickerServer() = default;

bool TPickerServer::Listen()
{
    if (server_->listen(PickerServerName()))
        return true;
    QLocalSocket running;
    running.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    running.connectToServer(PickerServerName());
    if (running.waitForConnected(2000)) {
        running.write(EncodePickerMessage(PickerActivate));
        running.waitForBytesWritten(2000);
    }
    return false;
}

void TPickerServer::accept()
{
    while (QLocalSocket *client = server_->nextPendingConnection()) {
        requester_ = client;
        auto reader = std::make_shared<TPickerMessageReader>();
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        const auto readMessages = [this, client, reader] {
            reader->Append(client->readAll());
            while (std::optional<TPickerMessage> message = reader->Next()) {
                if (message->Kind == PickerActivate) {
                    requester_ = client;
                    emit ActivateRequested();
                } else if (message->Kind == PickerClose) {
                    emit CloseRequested();
                }
            }
            if (reader->Broken())
                client->abort();
        };
        connect(client, &QLocalSocket::readyRead, this, readMessages);
        // A designer that connected while the picker was still starting may have written already; no
        // readyRead comes for bytes that arrived before the socket was taken.
        if (client->bytesAvailable() > 0)
            readMessages();
    }
}

bool TPickerServer::SendChosenFile(const QByteArray &fileName)
{
    if (requester_.isNull() || requester_->state() != QLocalSocket::ConnectedState)
        return false;
    requester_->write(EncodePickerMessage(PickerChosenFile, fileName + '\0'));
    requester_->flush();
    return true;
}
