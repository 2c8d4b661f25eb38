// The shared settings read at start-up: defaults, range corrections, the data root and the drive scan.
#include "core/Globals.h"
#include "core/Settings.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = dir.path() + "/data/";
        QDir().mkpath(DataFolder);
        // A disc folder keeps the no-drive message out of tests that are not about it.
        QDir().mkpath(dir.path() + "/disc");
    }
    void writeIni(const QByteArray &extra)
    {
        test::writeFile(DataFolder + "Mirvale18.ini",
                        "[HIDDEN PARAMETER]\r\nPath=" + dir.path().toLocal8Bit() + "/disc\r\n" + extra);
    }
    QTemporaryDir dir;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(SettingsTest, MissingFileGivesDefaultsAndFirstRun)
{
    QDir(dir.path() + "/disc").removeRecursively();
    HddInstalled = 1;  // installed data: no drive message either
    LoadSettings(nullptr);
    HddInstalled = 0;
    EXPECT_EQ(FirstRun, 1);
    EXPECT_EQ(DataRootFolder, DataFolder + "Data/");
    EXPECT_TRUE(QFileInfo(DataRootFolder).isDir());
    EXPECT_EQ(DataPathReset, 1);
    EXPECT_EQ(CurrentAdrsName, QStringLiteral("アドレス"));
    EXPECT_EQ(ChooseBookAtStart, 1);
    EXPECT_EQ(AdrsFolder, DataRootFolder + "Adrs/");
    EXPECT_EQ(HistoryFolder, DataRootFolder + "History/");
    EXPECT_EQ(HistoryCount, 10);
    EXPECT_EQ(ViewBGColor, 14680047);
    EXPECT_EQ(CooperateMap, 2);
    EXPECT_EQ(UpdateCheckPath, "/check/");
    EXPECT_TRUE(StartupPassword.isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(SettingsTest, OutOfRangeValuesFallBackToTheirDefaults)
{
    writeIni("[OPERATION]\r\nHisCount=31\r\n[COOPERATE]\r\nMap=10\r\nMapSearchKind=2\r\nRoot=-1\r\n"
             "[ADDRESS]\r\nSameNum=0\r\n[VIEW]\r\nBGColor=abc\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(FirstRun, 0);
    EXPECT_EQ(HistoryCount, 10);
    EXPECT_EQ(CooperateMap, 2);
    EXPECT_EQ(CooperateMapSearchKind, 0);
    EXPECT_EQ(CooperateRoot, 0);
    EXPECT_EQ(AddressSameNum, 0);
    EXPECT_EQ(ViewBGColor, 14680047);

    writeIni("[OPERATION]\r\nHisCount=0\r\n[COOPERATE]\r\nMap=9\r\nHisCount=-1\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(HistoryCount, 0);
    EXPECT_EQ(CooperateMap, 9);
    writeIni("[OPERATION]\r\nHisCount=-1\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(HistoryCount, 10);
}

TEST_F(SettingsTest, DataRootLongerThan200CharactersFallsBack)
{
    const QString base = dir.path() + "/r";
    auto folderOfLength = [&](int withDelimiter) {
        const QString path = base + QString(withDelimiter - 1 - base.size(), 'x');
        QDir().mkpath(path);
        return path;
    };
    const QString ok = folderOfLength(200), tooLong = folderOfLength(201);
    // The file is Shift-JIS: 得意先.
    writeIni("[BASE]\r\nDataPath=" + ok.toLocal8Bit() + "\r\nAdrsName=\x93\xBE\x88\xD3\x90\xE6\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(DataPathReset, 0);
    EXPECT_EQ(DataRootFolder, ok + "/");
    EXPECT_EQ(CurrentAdrsName, QStringLiteral("得意先"));

    writeIni("[BASE]\r\nDataPath=" + tooLong.toLocal8Bit() + "\r\nAdrsName=\x93\xBE\x88\xD3\x90\xE6\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(DataPathReset, 1);
    EXPECT_EQ(DataRootFolder, DataFolder + "Data/");
    EXPECT_EQ(CurrentAdrsName, QStringLiteral("アドレス"));  // the saved name belongs to the old root

    writeIni("[BASE]\r\nDataPath=relative/folder\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(DataPathReset, 1);
}

TEST_F(SettingsTest, NoDriveAndNoDiscFolderIsToldOnce)
{
    test::writeFile(DataFolder + "Mirvale18.ini", "[BASE]\r\nCD=\r\n");
    LoadSettings(nullptr);
    if (DiscDriveCount > 0)
        GTEST_SKIP() << "this machine has an optical drive mounted";
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("使用可能な CD-ROM/DVD-ROM ドライブが検出できませんでした  \r\n"
                             "ディスクを使用した検索は利用できません  "));
    EXPECT_EQ(boxes.shown()[0].caption, "Velmora");
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_TRUE(DiscPath.isEmpty());
}

TEST_F(SettingsTest, HiddenDiscFolderWinsOverDrivesAndBaseCd)
{
    writeIni("[BASE]\r\nCD=/media/elsewhere\r\n");
    LoadSettings(nullptr);
    EXPECT_EQ(DiscPath, dir.path() + "/disc");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(ListDrives, TakesTheKindsOfTheMaskInMountOrder)
{
    const QList<TMountedDrive> drives = {{"/", dkFixed}, {"/media/cdrom", dkCdRom}, {"/mnt/share", dkNetwork},
                                         {"/media/dvd", dkCdRom}};
    ListDrives(dkCdRom, drives);
    EXPECT_EQ(DiscDrives, (QStringList{"/media/cdrom", "/media/dvd"}));
    EXPECT_EQ(DiscDriveCount, 2);
    ListDrives(dkCdRom | dkNetwork, drives);
    EXPECT_EQ(DiscDrives, (QStringList{"/media/cdrom", "/mnt/share", "/media/dvd"}));
    QList<TMountedDrive> many;
    for (int i = 0; i < 30; ++i)
        many << TMountedDrive{"/media/cd" + QString::number(i), dkCdRom};
    ListDrives(dkCdRom, many);
    EXPECT_EQ(DiscDriveCount, 26);
}

// A disc put in after the start is mounted at a place of its own: the media mounted when the data are asked for
// are looked at, the first that holds the data taken; one holding something else is not, nor a network share
// unless the settings extend the search to shares.
TEST(FindDiscData, TakesTheFirstMediumMountedNowThatHoldsTheData)
{
    QTemporaryDir dir;
    const QString other = dir.path() + "/other", share = dir.path() + "/share", disc = dir.path() + "/VELMORA";
    QDir().mkpath(other);
    QDir().mkpath(share + "/Mirvale18");
    QDir().mkpath(disc + "/Mirvale18");
    DiscPath.clear();
    SearchDriveExtend = 0;
    const QList<TMountedDrive> atStart = {{"/", dkFixed}, {other, dkCdRom}, {share, dkNetwork}};
    EXPECT_FALSE(FindDiscData(atStart));
    EXPECT_TRUE(DiscPath.isEmpty());
    EXPECT_TRUE(FindDiscData(atStart + QList<TMountedDrive>{{disc, dkCdRom}}));
    EXPECT_EQ(DiscPath, disc);
    // Kept while it holds the data, whatever else is mounted.
    EXPECT_TRUE(FindDiscData({}));
    EXPECT_EQ(DiscPath, disc);
    DiscPath = other;
    SearchDriveExtend = 1;
    EXPECT_TRUE(FindDiscData(atStart));
    EXPECT_EQ(DiscPath, share);
}

TEST(CheckDataLocation, AsksForTheDataWhereverItShouldBe)
{
    test::MessageBoxScript boxes;
    QTemporaryDir dir;
    HddInstalled = 1;
    HddDataFolder = dir.path() + "/";
    EXPECT_FALSE(CheckDataLocation());
    QDir().mkpath(dir.path() + "/Dt00");
    EXPECT_TRUE(CheckDataLocation());
    HddInstalled = 0;
    DiscPath = dir.path() + "/disc";
    EXPECT_FALSE(CheckDataLocation());
    QDir().mkpath(DiscPath + "/Mirvale18");
    EXPECT_TRUE(CheckDataLocation());
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Velmora の電話帳データがHDD内に見つかりません  \r\n確認してください  "),
                                          QStringLiteral("Velmora のディスクを入れてください  ")}));
}

// A settings file larger than the program reads: the start goes on with the defaults and says why, once.
TEST_F(SettingsTest, SettingsFileTooLargeToReadStartsWithDefaultsAndSaysWhy)
{
    QByteArray extra = "[BASE]\r\nAdrsName=Book\r\n[OPERATION]\r\nHisCount=20\r\n";
    while (extra.size() <= TMemIniFile::MaxFileBytes)
        extra += "[S" + QByteArray::number(extra.size()) + "]\r\nk=v\r\n";
    writeIni(extra);
    HddInstalled = 1;  // the disc folder the file names is not read: no drive message
    LoadSettings(nullptr);
    HddInstalled = 0;
    EXPECT_EQ(FirstRun, 0);
    EXPECT_EQ(HistoryCount, 10);
    EXPECT_EQ(CurrentAdrsName, QStringLiteral("アドレス"));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("設定ファイルを読み込めません  \r\n既定の設定で起動します  \r\n\r\n")
                                    + QDir::toNativeSeparators(DataFolder + "Mirvale18.ini")
                                    + QStringLiteral("\r\nファイルが大きすぎるため読み込めませんでした"));
}
