#include "imgview/PickerServer.h"

#include "platform/PrivateSocket.h"

#include <QLocalServer>
#include <QLocalSocket>

TPickerServer::TPickerServer() : server_(std::make_unique<QLocalServer>())
{
    connect(server_.get(), &QLocalServer::newConnection, this, &TPickerServer::accept);
}

TPickerServer::~TPickerServer() = default;

bool TPickerServer::Listen()
{
    // A picker that crashed left its socket file behind; that file is replaced, so it never blocks the next.
    if (ListenPrivate(*server_, PickerServerName()))
        return true;
    QLocalSocket running;
    if (ConnectPrivate(running, PickerServerName(), 2000)) {
        running.write(EncodePickerMessage(PickerActivate));
        running.waitForBytesWritten(2000);
    }
    return false;
}

void TPickerServer::accept()
{
    while (QLocalSocket *client = NextPrivateConnection(*server_)) {
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
