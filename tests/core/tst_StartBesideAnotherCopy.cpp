// A start whose data root lies inside or around the one another running copy holds: it ends before it opens
// anything and says why, naming both folders, and makes nothing in the other copy's books. A start beside one
// that is settling a restore a kill cut short waits for it and then hands over to it.
#include "core/Globals.h"
#include "core/Main.h"
#include "platform/MemIniFile.h"
#include "platform/SingleInstance.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <optional>

#include <gtest/gtest.h>

TEST(Start, ADataRootInsideOrAroundAnotherRunningCopysEndsTheStartAndSaysWhy)
{
    QTemporaryDir dir;
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/share"));
    const auto restore = qScopeGuard([&savedDataHome] {
        qputenv("XDG_DATA_HOME", savedDataHome);
        MakeMainList = nullptr;
        AppFolder = test::appDir();
    });
    const QString held = QFileInfo(dir.path()).canonicalFilePath() + "/A";
    ASSERT_TRUE(QDir().mkpath(held + "/Adrs/アドレス"));
    const std::unique_ptr<TInstanceGuard> otherCopy = TakeDataRoot(InstanceName, held);
    ASSERT_TRUE(otherCopy);
    bool opened = false;
    // A start that went through would close its window at once rather than wait for a user.
    MakeMainList = [&opened] {
        opened = true;
        auto list = std::make_unique<QWidget>();
        QTimer::singleShot(0, list.get(), &QWidget::close);
        return list;
    };
    const QStringList before = test::entriesBelow(held);
    const QList<std::pair<QString, QString>> refused = {
        {held + "/Adrs/アドレス/", "このデータ保存フォルダーは、  \r\n起動中の別のVelmoraが使用しているフォルダーの中にあります  \r\n"},
        {dir.path() + "/", "このデータ保存フォルダーの中に、  \r\n起動中の別のVelmoraが使用しているフォルダーがあります  \r\n"},
    };
    for (const auto &[root, first] : refused) {
        TMemIniFile settings(dir.path() + "/share/Oxa/Mirvale18/Mirvale18.ini");
        settings.WriteString("BASE", "DataPath", root);
        settings.WriteBool("OPERATION", "ViewSplash", false);
        settings.UpdateFile();
        const test::MessageBoxScript boxes;
        EXPECT_EQ(RunVelmora(*qApp), 1) << root.toStdString();
        EXPECT_FALSE(opened);
        EXPECT_FALSE(DataRootHold);
        EXPECT_EQ(boxes.texts(), QStringList{first + root + "\r\n\r\n使用中のフォルダー：" + held});
        EXPECT_EQ(test::entriesBelow(held), before) << root.toStdString();
    }
}

namespace {

// Whether process waits for a lock of the file or folder at path (the system's table of locks lists it behind
// an arrow).
bool waitsForLock(qint64 process, const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pid = ' ' + QByteArray::number(process) + ' ', inode = ':' + QByteArray::number(qulonglong(info.st_ino)) + ' ';
    for (const QByteArray &line : locks.readAll().split('\n'))
        if (line.contains("-> ") && line.contains(pid) && line.contains(inode))
            return true;
    return false;
}

}  // namespace

// Two starts at once after a restore into another folder was cut short: the first holds the folder the settings
// name, puts back the settings from before the restore, which name the old folder, and moves its hold there. A
// second start in those moments must neither settle the restore again nor take the old folder the first is about
// to run on: it waits for the first's turn, then finds the old folder held and hands over to the first.
TEST(Start, ASecondStartWaitsWhileTheFirstSettlesARestoreAndThenHandsOver)
{
    QTemporaryDir dir;
    const QString dataFolder = dir.path() + "/share/Oxa/Mirvale18/", old = dataFolder + "Data/", other = dir.path() + "/other/";
    ASSERT_TRUE(QDir().mkpath(old + "Adrs/アドレス") && QDir().mkpath(other));
    const auto nameRoot = [&](const QString &root) {
        TMemIniFile settings(dataFolder + "Mirvale18.ini");
        settings.WriteString("BASE", "DataPath", root);
        settings.WriteBool("OPERATION", "ViewSplash", false);
        settings.UpdateFile();
    };
    // The first start holds the folder the cut restore's settings name, and has put the old settings back.
    nameRoot(other);
    std::optional<TStartTurn> turn(std::in_place, dataFolder);
    std::unique_ptr<TInstanceGuard> first = TakeDataRoot(InstanceName, other);
    ASSERT_TRUE(first);
    nameRoot(old);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dir.path() + "/share");
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(VELMORA_PROGRAM), {});
    ASSERT_TRUE(second.waitForStarted(30000));
    const auto end = qScopeGuard([&second] {
        second.kill();
        second.waitForFinished(30000);
    });
    (void)QTest::qWaitFor([&] { return waitsForLock(second.processId(), dataFolder) || test::rootLocked(old)
                                       || second.state() == QProcess::NotRunning; },
                          60000);
    ASSERT_FALSE(test::rootLocked(old)) << "the second start took the old folder while the first was settling";
    ASSERT_TRUE(waitsForLock(second.processId(), dataFolder)) << "the second start did not wait for the first";

    // The first moves its hold to the old folder and ends its turn.
    std::unique_ptr<TInstanceGuard> moved = TakeDataRoot(InstanceName, old, nullptr, nullptr, first.get());
    ASSERT_TRUE(moved);
    first = std::move(moved);
    bool askedForward = false;
    QObject::connect(first.get(), &TInstanceGuard::RestoreRequested, [&askedForward] { askedForward = true; });
    turn.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 60000))
        << "the second start runs beside the first";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    // Its request may be read after it has gone.
    EXPECT_TRUE(QTest::qWaitFor([&askedForward] { return askedForward; }, 30000));
}
