// The local sockets between the program's own processes: a socket file in a folder only the user can enter,
// never an abstract name anyone can take, and a peer of another user dropped by either end.
#include "platform/PrivateSocket.h"
#include "platform/SingleInstance.h"

#include "ForeignPeer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// What a process that crashed while listening leaves behind: a socket file nobody answers on.
void leaveStaleSocket(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), name.size());
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(s, 1), 0);
    ::close(s);
}

QString uniqueName(const char *what)
{
    return QStringLiteral("velmora-test-%1-%2").arg(QLatin1String(what)).arg(QCoreApplication::applicationPid());
}

}  // namespace

TEST(PrivateSocket, FolderIsTheUsersAloneAndNeverAnotherUsers)
{
    const test::RuntimeFolder runtime;
    const QString folder = runtime.path() + "/velmora/";
    EXPECT_EQ(PrivateSocketFolder(), folder);
    EXPECT_TRUE(S_ISDIR(modeOf(folder)));
    EXPECT_EQ(modeOf(folder) & 0777, 0700u);
    // Left open to others: narrowed again.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    EXPECT_EQ(PrivateSocketFolder(), folder);
    EXPECT_EQ(modeOf(folder) & 0777, 0700u);
    // A link in its place is not followed: no socket at all rather than one in a folder of someone's choosing.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtime.path() + "/velmora"));
    EXPECT_EQ(PrivateSocketFolder(), QString());
    QLocalServer server;
    EXPECT_FALSE(ListenPrivate(server, uniqueName("link")));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());

    // Without a runtime folder: a folder of the user's own in the temporary folder.
    QTemporaryDir temp;
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    const QString fallback = temp.path() + "/velmora-" + QString::number(::geteuid()) + "/";
    EXPECT_EQ(PrivateSocketFolder(), fallback);
    EXPECT_EQ(modeOf(fallback) & 0777, 0700u);
    if (test::ForeignPeer::Possible()) {
        // Made beforehand by another user: refused.
        ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), test::ForeignPeer::Uid, test::ForeignPeer::Uid), 0);
        EXPECT_EQ(PrivateSocketFolder(), QString());
        // A runtime folder of another user (carried over by su) is passed over for the temporary folder.
        ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), ::geteuid(), ::getegid()), 0);
        ASSERT_EQ(::chown(QFile::encodeName(runtime.path()).constData(), test::ForeignPeer::Uid, test::ForeignPeer::Uid), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        EXPECT_EQ(PrivateSocketFolder(), fallback);
    }
    savedTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp);
}

TEST(PrivateSocket, ServerIsASocketFileThatOutlivesACrashNotAnAbstractName)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("server");
    QLocalServer server;
    ASSERT_TRUE(ListenPrivate(server, name));
    const QString path = PrivateSocketFolder() + name;
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));
    EXPECT_EQ(modeOf(PrivateSocketFolder()) & 0777, 0700u);
    QLocalSocket abstract;
    abstract.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    abstract.connectToServer(name);
    EXPECT_FALSE(abstract.waitForConnected(300));

    QLocalSocket client;
    ASSERT_TRUE(ConnectPrivate(client, name, 1000));
    ASSERT_TRUE(server.waitForNewConnection(1000));
    EXPECT_NE(NextPrivateConnection(server), nullptr);
    // The name stays taken while its server lives.
    QLocalServer second;
    EXPECT_FALSE(ListenPrivate(second, name));
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));

    // A file left by a process that ended is replaced.
    client.abort();
    server.close();
    leaveStaleSocket(path);
    ASSERT_TRUE(S_ISSOCK(modeOf(path)));
    QLocalSocket none;
    EXPECT_FALSE(ConnectPrivate(none, name, 300));
    EXPECT_TRUE(ListenPrivate(second, name));
    EXPECT_TRUE(ConnectPrivate(none, name, 1000));
}

TEST(PrivateSocket, APeerOfAnotherUserIsDroppedByEitherEnd)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("peer");
    QLocalServer server;
    ASSERT_TRUE(ListenPrivate(server, name));
    QLocalSocket client;
    ASSERT_TRUE(ConnectPrivate(client, name, 1000));
    ASSERT_TRUE(server.waitForNewConnection(1000));
    QLocalSocket *accepted = NextPrivateConnection(server);
    ASSERT_NE(accepted, nullptr);
    EXPECT_TRUE(SocketPeerIsUser(client.socketDescriptor(), ::geteuid()));
    EXPECT_TRUE(SocketPeerIsUser(accepted->socketDescriptor(), ::geteuid()));
    EXPECT_FALSE(SocketPeerIsUser(accepted->socketDescriptor(), ::geteuid() + 1));
    EXPECT_FALSE(SocketPeerIsUser(-1, ::geteuid()));

    if (!test::ForeignPeer::Possible())
        GTEST_SKIP() << "only a test run as root can become another user";
    // A process of another user that reached the server is hung up on before a byte of it is read.
    auto intruder = test::ForeignPeer::Connect(PrivateSocketFolder() + name, "RESTORE\n");
    ASSERT_TRUE(intruder);
    int accepts = 0;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (NextPrivateConnection(server))
            ++accepts;
    });
    EXPECT_TRUE(intruder->HungUpOn());
    EXPECT_EQ(accepts, 0);

    // A server of another user holding the name is not talked to, and does not keep ours from starting.
    server.close();
    const QByteArray planted("planted");
    auto squatter = test::ForeignPeer::Listen(PrivateSocketFolder() + name, planted);
    QLocalSocket victim;
    EXPECT_FALSE(ConnectPrivate(victim, name, 1000));
    EXPECT_TRUE(squatter->HungUpOn());
    EXPECT_TRUE(ListenPrivate(server, name));
    EXPECT_TRUE(ConnectPrivate(victim, name, 1000));
}

TEST(SingleInstance, HeldInThePrivateFolderAndDeafToOtherUsers)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("instance");
    const QString data = "/tmp/velmora-c/Oxa/Mirvale18/";
    std::unique_ptr<TInstanceGuard> first;
    ASSERT_FALSE(CheckSingleInstance(first, name, data, true));
    const QStringList sockets = QDir(PrivateSocketFolder()).entryList({name + "-*"}, QDir::System);
    ASSERT_EQ(sockets.size(), 1);
    const QString path = PrivateSocketFolder() + sockets[0];
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));

    if (test::ForeignPeer::Possible()) {
        QSignalSpy restored(first.get(), &TInstanceGuard::RestoreRequested);
        auto intruder = test::ForeignPeer::Connect(path, "RESTORE\n");
        EXPECT_TRUE(intruder->HungUpOn());
        EXPECT_TRUE(restored.isEmpty());
    }

    // An instance that crashed leaves its socket file behind; the next start is not kept out by it.
    first.reset();
    leaveStaleSocket(path);
    std::unique_ptr<TInstanceGuard> next;
    EXPECT_FALSE(CheckSingleInstance(next, name, data, false));
    EXPECT_TRUE(next);
}

// Another local user made the fallback socket folder first: the copy still starts, held off the books of another
// copy by the data root's lock alone, and a second start learns that a copy runs that it cannot reach.
TEST(SingleInstance, ASocketFolderOfAnotherUserLeavesTheLockToDecide)
{
    const test::SquattedSocketFolder squatted;
    if (!squatted.Made())
        GTEST_SKIP() << "only a test run as root can give a folder to another user";
    QTemporaryDir data;
    QString refused;
    ASSERT_EQ(PrivateSocketFolder(&refused), QString());
    EXPECT_EQ(refused, squatted.path());

    const QString name = uniqueName("squatted");
    std::unique_ptr<TInstanceGuard> first;
    TInstanceCheck check = TInstanceCheck::Another;
    ASSERT_FALSE(CheckSingleInstance(first, name, data.path(), true, &check));
    EXPECT_EQ(check, TInstanceCheck::Only);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->Reachable());
    EXPECT_TRUE(QDir(squatted.path()).isEmpty());

    std::unique_ptr<TInstanceGuard> second;
    EXPECT_TRUE(CheckSingleInstance(second, name, data.path(), true, &check));
    EXPECT_EQ(check, TInstanceCheck::NotAsked);
    EXPECT_FALSE(second);

    first.reset();
    EXPECT_FALSE(CheckSingleInstance(second, name, data.path(), true, &check));
}

// The socket folder is the user's own but was left open to all, and something that answers nothing holds the
// socket's name: a folder another user put there, which the user cannot remove, or one of the user's own. The
// folder is narrowed and the entry is no running copy: the copy starts, unreachable and saying why, and a second
// start learns that a copy runs that it cannot reach. A plain file in that place is replaced.
TEST(SingleInstance, AnEntryInTheSocketsPlaceThatAnswersNothingIsNoRunningCopy)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("planted");
    QTemporaryDir data;
    std::unique_ptr<TInstanceGuard> copy;
    ASSERT_FALSE(CheckSingleInstance(copy, name, data.path(), false));
    const QString folder = PrivateSocketFolder();
    const QStringList sockets = QDir(folder).entryList({name + "-*"}, QDir::System);
    ASSERT_EQ(sockets.size(), 1);
    const QString path = folder + sockets[0];
    // The socket file goes with its server.
    copy.reset();
    ASSERT_FALSE(QFileInfo::exists(path));

    std::vector<uid_t> owners{::geteuid()};
    if (test::ForeignPeer::Possible())
        owners.push_back(test::ForeignPeer::Uid);
    for (const uid_t owner : owners) {
        SCOPED_TRACE(owner);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        ASSERT_TRUE(QDir().mkdir(path));
        QFile inside(path + "/kept");
        ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
        inside.close();
        ASSERT_EQ(::chown(QFile::encodeName(inside.fileName()).constData(), owner, owner), 0);
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, owner), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0700), 0);

        TInstanceCheck check = TInstanceCheck::Another;
        ASSERT_FALSE(CheckSingleInstance(copy, name, data.path(), true, &check));
        EXPECT_EQ(check, TInstanceCheck::Only);
        ASSERT_TRUE(copy);
        EXPECT_FALSE(copy->Reachable());
        EXPECT_TRUE(copy->WhyUnreachable().endsWith(path)) << copy->WhyUnreachable().toStdString();
        EXPECT_EQ(modeOf(folder) & 0777, 0700u);
        EXPECT_TRUE(S_ISDIR(modeOf(path)));

        std::unique_ptr<TInstanceGuard> second;
        EXPECT_TRUE(CheckSingleInstance(second, name, data.path(), true, &check));
        EXPECT_EQ(check, TInstanceCheck::NotAsked);
        EXPECT_FALSE(second);
        copy.reset();
        ASSERT_TRUE(QDir(path).removeRecursively());
    }

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_FALSE(CheckSingleInstance(copy, name, data.path(), false));
    EXPECT_TRUE(copy->Reachable());
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));
}

// The hold follows the data root: taken on the new root beside the old, it then replaces it; a root held by
// another copy, under any name, cannot be taken; and the copy is still asked to come forward on its new root.
TEST(SingleInstance, TheHoldMovesToAnotherDataRoot)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("move");
    QTemporaryDir dir;
    const QString r1 = dir.path() + "/r1", r2 = dir.path() + "/r2", r3 = dir.path() + "/r3";
    std::unique_ptr<TInstanceGuard> copyA, copyB;
    ASSERT_FALSE(CheckSingleInstance(copyA, name, r1, false));
    ASSERT_FALSE(CheckSingleInstance(copyB, name, r2, false));
    ASSERT_TRUE(QFile::link(r1, dir.path() + "/link"));
    TInstanceCheck check = TInstanceCheck::Only;
    for (const QString &other : {r1, dir.path() + "/link/", r1 + "/../r1"}) {
        EXPECT_FALSE(TakeDataRoot(name, other, &check)) << other.toStdString();
        EXPECT_EQ(check, TInstanceCheck::Another);
    }
    EXPECT_TRUE(copyB->Holds(dir.path() + "/./r2/"));
    EXPECT_FALSE(copyB->Holds(r1));

    std::unique_ptr<TInstanceGuard> next = TakeDataRoot(name, r3, &check);
    ASSERT_TRUE(next);
    EXPECT_FALSE(TakeDataRoot(name, r2));
    copyB->TakeOver(std::move(next));
    EXPECT_TRUE(copyB->Holds(r3));
    std::unique_ptr<TInstanceGuard> freed = TakeDataRoot(name, r2);
    EXPECT_TRUE(freed);
    freed.reset();

    QSignalSpy restored(copyB.get(), &TInstanceGuard::RestoreRequested);
    std::unique_ptr<TInstanceGuard> late;
    EXPECT_TRUE(CheckSingleInstance(late, name, r3, true, &check));
    EXPECT_EQ(check, TInstanceCheck::Another);
    EXPECT_TRUE(restored.count() == 1 || restored.wait(3000));
}

namespace {

// Another copy in a process of its own, holding root until it is killed (SIGKILL: nothing of it runs after).
pid_t holdInAnotherProcess(const QString &name, const QString &root)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const std::unique_ptr<TInstanceGuard> held = TakeDataRoot(name, root);
        const char said = held ? 'y' : 'n';
        (void)!::write(ready[1], &said, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char said = 'n';
    const bool holds = ::read(ready[0], &said, 1) == 1 && said == 'y';
    ::close(ready[0]);
    if (child > 0 && !holds) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

}  // namespace

// Two copies over nested roots reach each other's books, so a root inside or around one another copy holds is
// refused like that root itself, however either is named, and nothing is made in it; the holder itself may move
// inward or outward; and a copy that was killed refuses nothing.
TEST(SingleInstance, ARootInsideOrAroundAnotherCopysIsRefused)
{
    const test::RuntimeFolder runtime;
    const QString name = uniqueName("nested");
    QTemporaryDir dir;
    const QString top = QFileInfo(dir.path()).canonicalFilePath() + "/top";
    const QString r1 = top + "/r1";
    const QString book = r1 + "/Adrs/アドレス";
    ASSERT_TRUE(QDir().mkpath(book));
    std::unique_ptr<TInstanceGuard> copyA;
    ASSERT_FALSE(CheckSingleInstance(copyA, name, r1 + "/", false));
    ASSERT_TRUE(QFile::link(r1, dir.path() + "/link"));
    const QStringList before = test::entriesBelow(dir.path());

    const QList<std::pair<QString, TInstanceCheck>> refused = {
        {book, TInstanceCheck::Inside},
        {book + "/", TInstanceCheck::Inside},
        {dir.path() + "/link/Adrs/アドレス", TInstanceCheck::Inside},
        {dir.path() + "/link/new/folder/", TInstanceCheck::Inside},
        {r1 + "/../r1/Adrs", TInstanceCheck::Inside},
        {top, TInstanceCheck::Around},
        {dir.path() + "/./top/", TInstanceCheck::Around},
        {dir.path(), TInstanceCheck::Around},
    };
    for (const auto &[root, expected] : refused) {
        TInstanceCheck check = TInstanceCheck::Only;
        QString heldRoot;
        EXPECT_FALSE(TakeDataRoot(name, root, &check, &heldRoot)) << root.toStdString();
        EXPECT_EQ(check, expected) << root.toStdString();
        EXPECT_EQ(heldRoot, r1) << root.toStdString();
        // The start is refused too, under any instance name: the roots' books overlap whichever copy runs there.
        std::unique_ptr<TInstanceGuard> start;
        EXPECT_TRUE(CheckSingleInstance(start, name + "x", root, false, &check)) << root.toStdString();
        EXPECT_EQ(check, expected) << root.toStdString();
    }
    EXPECT_EQ(test::entriesBelow(dir.path()), before);
    // A neighbour whose name begins like the held root's is no part of it.
    EXPECT_TRUE(TakeDataRoot(name, r1 + "0"));

    // The holder moves into its own book and back out: neither root is another copy's.
    std::unique_ptr<TInstanceGuard> inward = TakeDataRoot(name, book, nullptr, nullptr, copyA.get());
    ASSERT_TRUE(inward);
    copyA->TakeOver(std::move(inward));
    TInstanceCheck check = TInstanceCheck::Only;
    EXPECT_FALSE(TakeDataRoot(name, r1, &check));
    EXPECT_EQ(check, TInstanceCheck::Around);
    std::unique_ptr<TInstanceGuard> outward = TakeDataRoot(name, r1, nullptr, nullptr, copyA.get());
    ASSERT_TRUE(outward);
    copyA->TakeOver(std::move(outward));
    EXPECT_TRUE(TakeDataRoot(name, top + "/r2"));
    copyA.reset();
    EXPECT_TRUE(TakeDataRoot(name, book));

    // A copy killed while it holds a root leaves nothing that refuses a root inside it, and the next look removes
    // its entry.
    const QString k = QFileInfo(dir.path()).canonicalFilePath() + "/killed";
    const pid_t other = holdInAnotherProcess(name, k);
    ASSERT_GT(other, 0);
    EXPECT_FALSE(TakeDataRoot(name, k + "/inner", &check));
    EXPECT_EQ(check, TInstanceCheck::Inside);
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    EXPECT_TRUE(TakeDataRoot(name, k + "/inner", &check));
    EXPECT_EQ(check, TInstanceCheck::Only);
    const QString registry = PrivateSocketFolder() + "roots/";
    for (const QString &entry : QDir(registry).entryList({"*.root"}, QDir::AllEntries | QDir::System))
        EXPECT_NE(QFile::symLinkTarget(registry + entry), k);
}
