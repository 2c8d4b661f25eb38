// The data install and uninstall, read back as the start-up reads them.
#include "exchange/HDDInst.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "base/FileReplace.h"

#include <QDir>

#include <algorithm>
#include <sys/syscall.h>

#include <gtest/gtest.h>

TEST(HddInstall, InstallIsVerifiedRecordedAndUninstalled)
{
    QTemporaryDir disc, data, target;
    DataFolder = data.path() + "/";
    test::writeFile(disc.path() + "/Mirvale18/Dt01.dat", QByteArray(300000, 'd'));
    test::writeFile(disc.path() + "/Mirvale18/sub/Ix.dat", "index");
    QString error;
    const TStepFn stopEarly = [](qint64 done, qint64) { return done < 1000; };
    EXPECT_FALSE(InstallDirectoryData(disc.path() + "/Mirvale18/", target.path(), stopEarly, &error));
    EXPECT_TRUE(QDir(target.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    ASSERT_TRUE(InstallDirectoryData(disc.path() + "/Mirvale18/", target.path(), [](qint64, qint64) { return true; },
                                     &error))
        << error.toStdString();
    EXPECT_EQ(test::readFile(target.path() + "/Dt00/sub/Ix.dat"), "index");
    EXPECT_EQ(test::readFile(target.path() + "/Dt00/Dt01.dat").size(), 300000);
    HddInstalled = 0;
    HddDataFolder.clear();
    InstalledDataLocation();
    EXPECT_EQ(HddInstalled, 1);
    EXPECT_EQ(HddDataFolder, target.path() + "/");

    ASSERT_TRUE(UninstallDirectoryData(&error));
    EXPECT_FALSE(QFileInfo::exists(target.path() + "/Dt00"));
    InstalledDataLocation();
    EXPECT_EQ(HddInstalled, 0);
    EXPECT_TRUE(HddDataFolder.isEmpty());
}

// A power loss after a new install finds the data whole: the copies and their folders are on the disk before they
// take the place of the data installed before, the folder holding them after; only then do the old data go.
TEST(HddInstall, TheNewDataAreOnTheDiskBeforeTheOldGo)
{
    QTemporaryDir disc, data, target;
    DataFolder = data.path() + "/";
    const QString root = QDir(target.path()).canonicalPath() + "/";
    test::writeFile(disc.path() + "/Mirvale18/Dt01.dat", QByteArray(300000, 'd'));
    test::writeFile(disc.path() + "/Mirvale18/sub/Ix.dat", "index");
    test::writeFile(root + "Dt00/Dt01.dat", "the data installed before");
    const std::vector<test::TFileStep> steps = test::FileStepsOf(root, [&] {
        QString error;
        InstallDirectoryData(disc.path() + "/Mirvale18/", root, [](qint64, qint64) { return true; }, &error);
    });
    EXPECT_EQ(test::readFile(root + "Dt00/sub/Ix.dat"), "index");
    size_t durable = 0;
    EXPECT_EQ(test::DurableRenameFault(steps, root + "Dt00.installing", root + "Dt00", {"Dt01.dat", "sub/Ix.dat"}, &durable)
                  .toStdString(),
              "");
    const auto oldGone = std::find_if(steps.begin(), steps.end(), [&](const test::TFileStep &s) {
        return (s.Call == SYS_unlink || s.Call == SYS_unlinkat) && s.Files.value(0) == root + "Dt00.old/Dt01.dat";
    });
    ASSERT_NE(oldGone, steps.end());
    EXPECT_GT(size_t(oldGone - steps.begin()), durable);
    HddInstalled = 0;
    HddDataFolder.clear();
}

// An install or uninstall whose place cannot be recorded (the data folder cannot be written) says which file and
// why, and the start finds what was recorded before.
TEST(HddInstall, APlaceThatCannotBeRecordedSaysWhy)
{
    QTemporaryDir disc, data, target;
    DataFolder = data.path() + "/";
    test::writeFile(disc.path() + "/Mirvale18/Dt01.dat", "data");
    const test::ReadOnlyFolder locked(DataFolder);
    if (!locked.mounted())
        GTEST_SKIP() << locked.skipReason().toStdString();
    const QString why = QStringLiteral("インストール先を記録できません  \r\n") + DataFolder
                        + QStringLiteral("HddInst.ini\r\nファイルに書き込めませんでした\r\n\r\n") + NotWritableReason;
    QString error;
    EXPECT_FALSE(InstallDirectoryData(disc.path() + "/Mirvale18/", target.path(), [](qint64, qint64) { return true; },
                                      &error));
    EXPECT_EQ(error, why);
    HddInstalled = 1;
    HddDataFolder = target.path() + "/";
    error.clear();
    EXPECT_FALSE(UninstallDirectoryData(&error));
    EXPECT_EQ(error, why);
    InstalledDataLocation();
    EXPECT_EQ(HddInstalled, 0);
    HddDataFolder.clear();
}
