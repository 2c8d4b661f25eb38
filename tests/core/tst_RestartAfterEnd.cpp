// The restart an update asks for: the new copy starts once this copy has let go of the data root, so that it
// does not hand off to this copy and end with it; a copy that cannot be started is said.
#include "core/Globals.h"
#include "core/Main.h"
#include "platform/Process.h"
#include "platform/SingleInstance.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString CannotStart = QStringLiteral("アップデート後のアプリケーションを起動できませんでした  \r\nもう一度起動してください  ");

class RestartAfterEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", (dir.path() + "/share").toLocal8Bit());
        root = dir.path() + "/root/";
        QDir().mkpath(root);
        test::writeFile(dir.path() + "/share/Oxa/Mirvale18/Mirvale18.ini",
                        "[BASE]\r\nDataPath=" + root.toLocal8Bit() + "\r\n[OPERATION]\r\nViewSplash=0\r\n");
    }
    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", savedDataHome);
        StartNewCopy = starter;
        MakeMainList = nullptr;
        AppFolder = test::appDir();
    }
    // Runs the program with a main window that, as an update needing a restart does, asks for one and closes.
    void runUpdatedProgram()
    {
        MakeMainList = [] {
            auto list = std::make_unique<QWidget>();
            QTimer::singleShot(0, list.get(), [window = list.get()] {
                ::RestartAfterEnd();
                window->close();
            });
            return list;
        };
        RunVelmora(*qApp);
    }

    QTemporaryDir dir;
    QString root;
    QByteArray savedDataHome;
    test::MessageBoxScript boxes;
    const std::function<bool(const QString &)> starter = StartNewCopy;
};

}  // namespace

TEST_F(RestartAfterEnd, TheNewCopyStartsOnceTheDataRootIsFree)
{
    QStringList started;
    bool rootFree = false;
    StartNewCopy = [&](const QString &program) {
        started << program;
        std::unique_ptr<TInstanceGuard> newCopy;
        rootFree = !CheckSingleInstance(newCopy, InstanceName, root, false);
        return true;
    };
    runUpdatedProgram();
    EXPECT_EQ(started, QStringList{QCoreApplication::applicationFilePath()});
    EXPECT_TRUE(rootFree);
    EXPECT_FALSE(boxes.texts().contains(CannotStart));

    // Asked once, started once: a later end of the program starts nothing.
    StartAskedRestart();
    EXPECT_EQ(started.size(), 1);
}

TEST_F(RestartAfterEnd, ACopyThatCannotStartIsSaid)
{
    StartNewCopy = [](const QString &) { return false; };
    runUpdatedProgram();
    // The program folder of the test lacks the shipped files, which other boxes say first.
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_EQ(boxes.texts().last(), CannotStart);
    EXPECT_EQ(boxes.shown().back().flags, MB_ICONERROR);
}
