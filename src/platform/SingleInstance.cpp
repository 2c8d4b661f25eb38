#include "platform/SingleInstance.h"

#include "base/Folders.h"
#include "platform/EndReport.h"
#include "platform/PrivateSocket.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

const QByteArray RestoreRequest = QByteArrayLiteral("RESTORE\n");

// The file in the data root whose lock a running copy holds for as long as it runs; the system drops the lock
// with the process, however it ends.
const QString LockFileName = QStringLiteral(".instance.lock");

// The folder as the file system knows it: one folder reached through a link, or named by two settings files
// in two spellings, is one data root. A folder not made yet is known by its nearest existing ancestor, so a new
// folder below a link is placed where the link leads.
QString canonicalFolder(const QString &folder)
{
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    QString rest;
    for (QString existing = absolute;;) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + rest);
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            return QDir::cleanPath(absolute);
        rest = existing.mid(parent.size()) + rest;
        existing = parent;
    }
}

QString rootDigest(const QString &root)
{
    return QString::fromLatin1(QCryptographicHash::hash(root.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

// A copy running over other data (another data root, a test run, another session of the same user) is
// another instance: the name carries a digest of the data root as well as the user id.
QString socketName(const QString &name, const QString &dataFolder)
{
    return name + QLatin1Char('-') + QString::number(getuid()) + QLatin1Char('-') + rootDigest(dataFolder);
}

// True when inner lies below outer (both as the file system knows them).
bool liesInside(const QString &inner, const QString &outer)
{
    return inner.startsWith(outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/'));
}

// The data roots the user's running copies hold, so that a copy finds one inside or around the root it is about
// to take however the two are named: in the private folder, for each held root a symbolic link to it and an
// empty file its holder keeps locked for as long as it holds the root. The system drops that lock with the
// holder however it ends, so the entry of a copy that let go or was killed refuses nothing, and the next look
// removes it. Without a private folder nothing is kept and the root's own lock alone decides.
class THeldRoots {
public:
    // Looks and adds under a lock of the registry's folder: two copies taking nested roots at once cannot both
    // miss the other.
    THeldRoots()
    {
        const QString base = PrivateSocketFolder();
        if (base.isEmpty())
            return;
        folder_ = base + QStringLiteral("roots/");
        ::mkdir(QFile::encodeName(folder_).constData(), 0700);
        lock_ = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (lock_ < 0 || ::flock(lock_, LOCK_EX) != 0)
            folder_.clear();
    }
    ~THeldRoots()
    {
        if (lock_ >= 0)
            ::close(lock_);
    }
    THeldRoots(const THeldRoots &) = delete;
    THeldRoots &operator=(const THeldRoots &) = delete;

    // A root a running copy holds inside or around root, other than the one leaving holds; empty when none.
    QString Near(const QString &root, const TInstanceGuard *leaving)
    {
        if (folder_.isEmpty())
            return {};
        const QStringList links = QDir(folder_).entryList({QStringLiteral("*.root")}, QDir::AllEntries | QDir::System);
        for (const QString &link : links) {
            const QString entry = folder_ + link.chopped(5);
            const QString held = QFile::symLinkTarget(folder_ + link);
            if (!live(entry)) {
                remove(entry);
                continue;
            }
            if ((liesInside(root, held) || liesInside(held, root)) && !(leaving && leaving->Holds(held)))
                return held;
        }
        return {};
    }

    // Keeps root as held: the descriptor whose lock says so until it is closed, -1 when none can be had.
    int Add(const QString &root)
    {
        if (folder_.isEmpty())
            return -1;
        const QString entry = folder_ + rootDigest(root);
        const int file = ::open(QFile::encodeName(entry + QStringLiteral(".lock")).constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        const QByteArray link = QFile::encodeName(entry + QStringLiteral(".root"));
        ::unlink(link.constData());
        if (file >= 0 && ::flock(file, LOCK_EX | LOCK_NB) == 0 && ::symlink(QFile::encodeName(root).constData(), link.constData()) == 0)
            return file;
        if (file >= 0)
            ::close(file);
        return -1;
    }

private:
    static bool live(const QString &entry)
    {
        const int file = ::open(QFile::encodeName(entry + QStringLiteral(".lock")).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        const bool held = file >= 0 && ::flock(file, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (file >= 0)
            ::close(file);
        return held;
    }
    static void remove(const QString &entry)
    {
        ::unlink(QFile::encodeName(entry + QStringLiteral(".root")).constData());
        ::unlink(QFile::encodeName(entry + QStringLiteral(".lock")).constData());
    }

    QString folder_;
    int lock_ = -1;
};

bool askRunningInstance(const QString &fullName, bool restore)
{
    QLocalSocket socket;
    if (!ConnectPrivate(socket, fullName, 2000))
        return false;
    if (restore) {
        socket.write(RestoreRequest);
        socket.waitForBytesWritten(2000);
    }
    socket.disconnectFromServer();
    return true;
}

// False when the lock file was removed (a hold given up unused) between its opening and its lock.
bool stillNamed(int file, const QByteArray &path)
{
    struct stat opened {}, named {};
    return ::fstat(file, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
           && opened.st_ino == named.st_ino;
}

QString runningElsewhere(const QString &root)
{
    return QStringLiteral("データ保存フォルダー %1 を使う Velmora が既に起動しているため終了します").arg(root);
}

}  // namespace

TInstanceGuard::TInstanceGuard(const QString &root, std::unique_ptr<QLocalServer> server, int lockFile,
                               const QString &unreachable, bool madeLockFile, int heldEntry)
    : root_(root), server_(std::move(server)), lockFile_(lockFile), unreachable_(unreachable),
      madeLockFile_(madeLockFile), heldEntry_(heldEntry)
{
    serve();
}

TInstanceGuard::~TInstanceGuard()
{
    if (lockFile_ >= 0)
        ::close(lockFile_);
    if (heldEntry_ >= 0)
        ::close(heldEntry_);
}

void TInstanceGuard::Abandon(bool always)
{
    // Removed while still locked: a copy that opened the file meanwhile finds its name gone once it has the lock
    // and does not count the root as its own.
    if ((madeLockFile_ || always) && lockFile_ >= 0)
        ::unlink(QFile::encodeName(root_ + QLatin1Char('/') + LockFileName).constData());
    madeLockFile_ = false;
}

void TInstanceGuard::serve()
{
    if (!server_)
        return;
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = NextPrivateConnection(*server_)) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(RestoreRequest))
                    emit RestoreRequested();
            });
        }
    });
}

bool TInstanceGuard::Holds(const QString &dataRoot) const { return canonicalFolder(dataRoot) == root_; }

bool SameDataRoot(const QString &a, const QString &b) { return canonicalFolder(a) == canonicalFolder(b); }

void TInstanceGuard::TakeOver(std::unique_ptr<TInstanceGuard> next)
{
    if (lockFile_ >= 0)
        ::close(lockFile_);
    if (heldEntry_ >= 0)
        ::close(heldEntry_);
    lockFile_ = std::exchange(next->lockFile_, -1);
    heldEntry_ = std::exchange(next->heldEntry_, -1);
    madeLockFile_ = false;
    root_ = next->root_;
    unreachable_ = next->unreachable_;
    if (next->server_)
        next->server_->disconnect(next.get());
    // The old root's server goes with its socket file.
    server_ = std::move(next->server_);
    serve();
}

std::unique_ptr<TInstanceGuard> TakeDataRoot(const QString &name, const QString &dataRoot, TInstanceCheck *outcome,
                                             QString *heldRoot, const TInstanceGuard *leaving)
{
    THeldRoots heldRoots;
    // Two copies over nested roots reach each other's books (one backs up and restores the other's), so such a
    // root is refused before anything is made in it.
    const QString wanted = canonicalFolder(dataRoot);
    const QString near = heldRoots.Near(wanted, leaving);
    if (!near.isEmpty()) {
        if (outcome)
            *outcome = liesInside(wanted, near) ? TInstanceCheck::Inside : TInstanceCheck::Around;
        if (heldRoot)
            *heldRoot = near;
        return nullptr;
    }
    ForceDirectories(dataRoot);
    const QString root = canonicalFolder(dataRoot);
    // The lock decides, the socket only carries the request to come forward: a socket file can be replaced, a
    // lock held by a live process cannot be taken. A root where no lock file can be made (read-only) has only
    // the socket.
    const QByteArray lockPath = QFile::encodeName(root + QLatin1Char('/') + LockFileName);
    int lockFile = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool madeLockFile = lockFile >= 0;
    if (!madeLockFile)
        lockFile = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    TInstanceCheck check = TInstanceCheck::Only;
    std::unique_ptr<TInstanceGuard> guard;
    if (lockFile >= 0 && (::flock(lockFile, LOCK_EX | LOCK_NB) != 0 || !stillNamed(lockFile, lockPath))) {
        ::close(lockFile);
        check = TInstanceCheck::Another;
    } else {
        // A crashed instance's socket file is replaced, so it never blocks the next start.
        auto server = std::make_unique<QLocalServer>();
        QString refusal;
        const bool listening = ListenPrivate(*server, socketName(name, root), &refusal);
        // Only a copy that answers on the socket runs. Without a socket of our own (another user took the
        // folder's name first, or put something in the socket's place) no later start can reach this copy, but
        // the lock still keeps them off its books.
        if (listening || (lockFile >= 0 && !refusal.isEmpty())) {
            guard = std::make_unique<TInstanceGuard>(root, listening ? std::move(server) : nullptr, lockFile, refusal,
                                                     madeLockFile, heldRoots.Add(root));
        } else {
            if (lockFile >= 0)
                ::close(lockFile);
            check = refusal.isEmpty() ? TInstanceCheck::Another : TInstanceCheck::NoGuard;
        }
    }
    if (outcome)
        *outcome = check;
    return guard;
}

bool CheckSingleInstance(std::unique_ptr<TInstanceGuard> &guard, const QString &name, const QString &dataRoot,
                         bool restore, TInstanceCheck *outcome, QString *heldRoot)
{
    TInstanceCheck check = TInstanceCheck::Only;
    std::unique_ptr<TInstanceGuard> taken = TakeDataRoot(name, dataRoot, &check, heldRoot, guard.get());
    if (check == TInstanceCheck::Another) {
        if (askRunningInstance(socketName(name, canonicalFolder(dataRoot)), restore))
            ReportEarlyEnd(runningElsewhere(dataRoot));
        else
            check = TInstanceCheck::NotAsked;
    }
    if (outcome)
        *outcome = check;
    if (!taken)
        return true;
    guard = std::move(taken);
    return false;
}

TStartTurn::TStartTurn(const QString &dataFolder)
    : folder_(::open(QFile::encodeName(dataFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    int locked;
    do
        locked = folder_ >= 0 ? ::flock(folder_, LOCK_EX) : 0;
    while (locked != 0 && errno == EINTR);
}

TStartTurn::~TStartTurn()
{
    if (folder_ >= 0)
        ::close(folder_);
}

void RemoveUnusedDataRoot(const QString &folder, const QStringList &made)
{
    const QDir dir(folder);
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const bool folderEntry = it.fileInfo().isDir() && !it.fileInfo().isSymLink();
        entries << dir.relativeFilePath(it.filePath()) + (folderEntry ? QStringLiteral("/") : QString());
    }
    const bool locked = entries.removeOne(LockFileName);
    for (const QString &entry : entries)
        if (!made.contains(entry))
            return;
    const QByteArray lockFile = QFile::encodeName(dir.filePath(LockFileName));
    const int lock = locked ? ::open(lockFile.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : -1;
    // Held while the folder goes: a copy that opened the lock meanwhile finds the root taken, one that opens it
    // after makes a new lock file, which keeps the folder. Killed before its lock file was made, it is held by none.
    if (locked && (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0)) {
        if (lock >= 0)
            ::close(lock);
        return;
    }
    // Sorted, a folder comes before what it holds: backwards, what it holds goes first.
    entries.sort();
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        const QByteArray path = QFile::encodeName(dir.filePath(*entry));
        entry->endsWith(QLatin1Char('/')) ? ::rmdir(path.constData()) : ::unlink(path.constData());
    }
    if (!locked || ::unlink(lockFile.constData()) == 0)
        ::rmdir(QFile::encodeName(dir.absolutePath()).constData());
    if (lock >= 0)
        ::close(lock);
}

void ForceForegroundWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
