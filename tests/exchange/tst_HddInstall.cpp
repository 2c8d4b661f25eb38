// The data install and uninstall, read back as the start-up reads them.
#include "exchange/HDDInst.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "core/Main.h"

#include <QDir>

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
