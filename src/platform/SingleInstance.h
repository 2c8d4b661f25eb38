// One running instance per user and data folder: a local socket in the user's private socket folder
// (PrivateSocket.h), named from the instance name, the user id and the data folder. A second start asks the first to restore and raise its window, then ends.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QWidget;

class TInstanceGuard : public QObject {
    Q_OBJECT
public:
    explicit TInstanceGuard(std::unique_ptr<QLocalServer> server);
    ~TInstanceGuard() override;

signals:
    // Another start asked this instance to show itself.
    void RestoreRequested();

private:
    std::unique_ptr<QLocalServer> server_;
};

// True when another instance runs (it has then been asked to restore and raise its window, when restore is
// set) or the guard cannot be made; false when this process is the only instance and now holds the guard.
bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataFolder,
                         bool restore);

// Restores a minimised window and brings it to the front.
void ForceForegroundWindow(QWidget *window);
