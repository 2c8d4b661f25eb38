// One running instance per data root: a lock on a file in the data root, and a local socket in the user's
// private socket folder (PrivateSocket.h) named from the instance name, the user id and the data root, over
// which a second start asks the first to restore and raise its window before it ends. No copy takes a root
// inside or around another running copy's: the held roots are kept beside the sockets.
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
    // root: the data root as the file system knows it; server: null when the user has no private socket
    // of the root (the lock alone then keeps other copies off the root), unreachable then telling why;
    // lockFile: the descriptor holding the data root's lock (closed with the guard), or -1, madeLockFile when
    // taking the root made the file; heldEntry: the locked descriptor of the root's entry among the roots the
    // user's copies hold, or -1.
    TInstanceGuard(const QString &root, std::unique_ptr<QLocalServer> server, int lockFile,
                   const QString &unreachable, bool madeLockFile, int heldEntry);
    ~TInstanceGuard() override;

    // True when dataRoot, however it is named, is the root this guard holds.
    bool Holds(const QString &dataRoot) const;
    // False when a second start cannot reach this copy (no private socket); WhyUnreachable then holds the
    // lines that tell why.
    bool Reachable() const { return server_ != nullptr; }
    QString WhyUnreachable() const { return unreachable_; }
    // The hold moves to next's data root: its lock and socket become this guard's, and the root held so far is
    // free for another copy.
    void TakeOver(std::unique_ptr<TInstanceGuard> next);
    // A hold taken and then given up unused (the move to its root failed): the root's lock file goes when this
    // hold made it, or whoever made it with always (a root that was never this copy's to run on: a move to it a
    // kill cut short, undone at the next start), so that a folder made for the move can be removed whole once the
    // guard is gone and nothing of this copy is left in one the user made.
    void Abandon(bool always = false);

signals:
    // Another start asked this instance to show itself.
    void RestoreRequested();

private:
    void serve();

    QString root_;
    std::unique_ptr<QLocalServer> server_;
    int lockFile_;
    QString unreachable_;
    bool madeLockFile_;
    int heldEntry_;
};

enum class TInstanceCheck {
    Only,      // this process now holds the data root
    Another,   // another running copy holds it (and, where asked to, has come forward)
    NotAsked,  // another running copy holds it and could not be reached
    NoGuard,   // neither the root's lock nor a private socket can be had
    Inside,    // the root lies inside a root another running copy holds
    Around,    // a root another running copy holds lies inside this one
};

// The hold on dataRoot for this process, asking no other copy: null when another running copy holds the root,
// or one inside or around it (heldRoot then names that root), or no guard of it can be made (outcome says
// which). A root inside or around the one leaving holds is no other copy's: the hold is moving from there. The
// data root is made when missing, so that its lock can be held; a root refused for another's inside or around it
// is left untouched.
std::unique_ptr<TInstanceGuard> TakeDataRoot(const QString &name, const QString &dataRoot,
                                             TInstanceCheck *outcome = nullptr, QString *heldRoot = nullptr,
                                             const TInstanceGuard *leaving = nullptr);

// True when another instance runs (it has then been asked to restore and raise its window, when restore is
// set, and the root is its own), or one runs inside or around the root, or the guard cannot be made; false when
// this process is the only instance and now holds the guard. A guard already held is a hold moving to dataRoot:
// its root is no other copy's, and it is let go once the new one is taken.
bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataRoot,
                         bool restore, TInstanceCheck *outcome = nullptr, QString *heldRoot = nullptr);

// One start at a time over a data folder, which holds the settings naming the data root and the journal of a
// restore: held while a start settles what a killed run left there and takes the data root the settings then name,
// so that two starts at once never both settle it, nor one take a root the other is about to move its hold to. A
// start under way is waited for. It is the lock of the folder itself, which the system drops with the process
// however it ends; where the folder cannot be locked the start goes on without.
class TStartTurn {
public:
    explicit TStartTurn(const QString &dataFolder);
    ~TStartTurn();
    TStartTurn(const TStartTurn &) = delete;
    TStartTurn &operator=(const TStartTurn &) = delete;

private:
    int folder_ = -1;
};

// True when the two folders are one data root as the file system knows it (a link, another spelling).
bool SameDataRoot(const QString &a, const QString &b);

// Removes folder when it holds nothing but a data root's lock file that no running copy holds and the entries made
// lists (paths below it, folders ending with "/"), all of which go with it: what a move onto a new folder leaves
// when the program is killed before the settings name it.
void RemoveUnusedDataRoot(const QString &folder, const QStringList &made);

// Restores a minimised window and brings it to the front.
void ForceForegroundWindow(QWidget *window);
