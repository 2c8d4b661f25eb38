// The program's start when another local user made its socket folder first: the copy still starts, kept alone
// on its books by the data root's lock, and a second start over the same books does not end in silence.
#include "ForeignPeer.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(Startup, ASocketFolderOfAnotherUserNeitherStopsTheProgramNorSilencesASecondStart)
{
    const test::SquattedSocketFolder squatted;
    if (!squatted.Made())
        GTEST_SKIP() << "only a test run as root can give a folder to another user";
    QTemporaryDir xdg;
    const QString data = xdg.path() + "/Oxa/Mirvale18/";
    ASSERT_TRUE(QDir().mkpath(data + "disc"));
    // A disc folder keeps the no-drive message away, and no splash waits.
    test::writeFile(data + "Mirvale18.ini",
                    QFile::encodeName("[HIDDEN PARAMETER]\r\nPath=" + data + "disc\r\n[OPERATION]\r\nViewSplash=0\r\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", xdg.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString program = test::appDir() + "velmora";

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    QString firstSaid;
    test::readStderrUntil(first, "プログラム間の通信に使うフォルダー", firstSaid);
    EXPECT_TRUE(firstSaid.contains(squatted.path())) << firstSaid.toStdString();
    // Started, not ended: it still runs once its books are open.
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(data + "Data/History/Post.mtd") && waited.elapsed() < 30000 && first.state() == QProcess::Running)
        QTest::qWait(100);
    EXPECT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForStarted());
    QString secondSaid;
    test::readStderrUntil(second, "起動中の別のVelmoraが使用しています", secondSaid);
    EXPECT_TRUE(secondSaid.contains("起動中の別のVelmoraが使用しています")) << secondSaid.toStdString();
    // Its box waits for an answer no one gives here; an end without one would not be the user's.
    if (second.state() == QProcess::NotRunning) {
        EXPECT_NE(second.exitCode(), 0);
    }
    second.kill();
    second.waitForFinished();
    first.kill();
    first.waitForFinished();
}
