// A start whose data root lies inside or around the one another running copy holds: it ends before it opens
// anything and says why, naming both folders, and makes nothing in the other copy's books.
#include "core/Globals.h"
#include "core/Main.h"
#include "platform/MemIniFile.h"
#include "platform/SingleInstance.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

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
