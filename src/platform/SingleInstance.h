// One running instance per data root: a lock on a file in the data root, and a local socket in the user's
// private socket folder (PrivateSocket.h) named from the instance name, the user id and the data root, over
// which a second start asks the first to restore and raise its window before it ends.
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
    // lockFile: the descriptor holding the data root's lock (closed with the guard), or -1.
    TInstanceGuard(std::unique_ptr<QLocalServer> server, int lockFile);
    ~TInstanceGuard() override;

signals:
    // Another start asked this instance to show itself.
    void RestoreRequested();

private:
    std::unique_ptr<QLocalServer> server_;
    int lockFile_;
};

// True when another instance runs (it has then been asked to restore and raise its window, when restore is
// set) or the guard cannot be made, which stderr is told (this process is to end); false when this process is
// the only instance and now holds the guard.
// The data root is made when missing, so that its lock can be held.
bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataRoot,
                         bool restore);

// Restores a minimised window and brings it to the front.
void ForceForegroundWindow(QWidget *window);
