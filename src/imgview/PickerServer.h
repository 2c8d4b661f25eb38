// The picker's end of the socket to the designers: it answers the designers that look for it, comes forward
// or closes when asked, and hands a chosen picture to the designer that asked last.
#pragma once

#include "platform/PickerChannel.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <memory>

class QLocalServer;
class QLocalSocket;

class TPickerServer : public QObject {
    Q_OBJECT
public:
    TPickerServer();
    ~TPickerServer() override;

    // False when another picker already serves this user and data location (it has then been asked to come
    // forward) or the name cannot be taken.
    bool Listen();
    // Sends file to the designer that asked last (the last to connect or to ask the picker forward). False
    // when no designer is connected.
    bool SendChosenFile(const QByteArray &fileName);
    bool HasDesigner() const { return !requester_.isNull(); }

signals:
    void ActivateRequested();
    void CloseRequested();

private:
    void accept();

    std::unique_ptr<QLocalServer> server_;
    QPointer<QLocalSocket> requester_;
};
