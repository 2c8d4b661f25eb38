// The update check against an HTTP server of the test on 127.0.0.1.
#include "exchange/UpdDlg.h"

#include "TestHttpServer.h"
#include "base/FileReplace.h"
#include "TestSupport.h"
#include "core/Globals.h"
#include "core/StagedFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray sha(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }

class Update : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppFolder = app.path() + "/";
        DataFolder = data.path() + "/";
        UpdateDomain = server.Domain();
        UpdateCheckPath = QStringLiteral("/check/");
        UpdateAppPath = QStringLiteral("/app/");
        test::writeFile(AppFolder + "Dic/Kvpost.dat", "old postal data");
        test::writeFile(AppFolder + "Common/same.txt", "unchanged");
        server.Files["/app/Dic/Kvpost.dat"] = "new postal data";
        server.Files["/app/Common/new.txt"] = "a new file";
        server.Files["/app/Common/same.txt"] = "unchanged";
    }
    void list(const QByteArray &postalSum = {})
    {
        server.Files["/check/update.xml"] = "<?xml version=\"1.0\"?>\n<update>\n"
                                            + test::UpdateEntry("Dic/Kvpost.dat", 2026120701, "new postal data", postalSum)
                                            + test::UpdateEntry("Common/new.txt", 2026120701, "a new file")
                                            + test::UpdateEntry("Common/same.txt", 2026120701, "unchanged") + "</update>\n";
    }
    QStringList marked(const TUpdateDialog &d)
    {
        QStringList names;
        for (const TUpdateFile &f : d.Files())
            if (f.Marked)
                names << f.Name;
        return names;
    }
    QTemporaryDir app, data;
    test::TestHttpServer server;
    const test::MessageBoxScript boxes;
};

// The downloads wait in the data folder as the user's alone; the program's files they replace keep their mode,
// and a new one gets what the umask gives, as the program's folder is no data of the user's.
TEST_F(Update, NewerFilesAreMarkedDownloadedAndReplaced)
{
    const test::UsualUmask umask;
    test::writeFile(AppFolder + "Dic/Kvpost.dat", "old postal data");
    ASSERT_EQ(::chmod(QFile::encodeName(AppFolder + "Dic/Kvpost.dat").constData(), 0640), 0);
    list();
    TUpdateDialog d(nullptr);
    ASSERT_TRUE(d.CanConnect());
    ASSERT_TRUE(d.CheckUpdate()) << d.ErrorText().toStdString();
    ASSERT_TRUE(d.MarkNewerFiles());
    EXPECT_EQ(marked(d), QStringList({"Dic/Kvpost.dat", "Common/new.txt"}));
    EXPECT_FALSE(d.Restart);
    ASSERT_TRUE(d.DownloadFiles()) << d.ErrorText().toStdString();
    EXPECT_FALSE(server.Requests.contains("/app/Common/same.txt"));
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "old postal data");  // nothing replaced yet
    EXPECT_EQ(test::notPrivate(DataFolder + "update"), QStringList());
    ASSERT_EQ(d.RunUpdater(), 0);
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "new postal data");
    EXPECT_EQ(test::readFile(AppFolder + "Common/new.txt"), "a new file");
    EXPECT_EQ(test::modeOf(AppFolder + "Dic/Kvpost.dat"), 0640u);
    EXPECT_EQ(test::modeOf(AppFolder + "Common/new.txt"), 0644u);
    EXPECT_EQ(test::notPrivate(DataFolder + "update"), QStringList());

    // Once installed, the same list offers nothing.
    TUpdateDialog again(nullptr);
    ASSERT_TRUE(again.CheckUpdate());
    EXPECT_FALSE(again.MarkNewerFiles());
}

TEST_F(Update, WrongChecksumIsRefusedAndNothingReplaced)
{
    list(sha("something else"));
    TUpdateDialog d(nullptr);
    ASSERT_TRUE(d.CheckUpdate());
    ASSERT_TRUE(d.MarkNewerFiles());
    EXPECT_FALSE(d.DownloadFiles());
    EXPECT_FALSE(QFileInfo::exists(d.StagingFolder()));
    EXPECT_EQ(d.RunUpdater(), 1);
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "old postal data");
    EXPECT_FALSE(QFileInfo::exists(AppFolder + "Common/new.txt"));
}

// A disk with room for the first file but not the second: the program keeps every old file, not a mix of the
// two versions, and the same download goes in whole once there is room.
TEST_F(Update, ADiskWithoutRoomForEveryFileReplacesNone)
{
    const QByteArray large(64 * 1024, 'x');
    server.Files["/app/Common/new.txt"] = large;
    server.Files["/check/update.xml"] = "<?xml version=\"1.0\"?>\n<update>\n"
                                        + test::UpdateEntry("Dic/Kvpost.dat", 2026120701, "new postal data")
                                        + test::UpdateEntry("Common/new.txt", 2026120701, large) + "</update>\n";
    TUpdateDialog d(nullptr);
    ASSERT_TRUE(d.CheckUpdate()) << d.ErrorText().toStdString();
    ASSERT_TRUE(d.MarkNewerFiles());
    ASSERT_EQ(marked(d), QStringList({"Dic/Kvpost.dat", "Common/new.txt"}));
    ASSERT_TRUE(d.DownloadFiles()) << d.ErrorText().toStdString();
    {
        const test::FullDisk full(16 * 1024);
        EXPECT_EQ(d.RunUpdater(), 1);
    }
    EXPECT_EQ(d.ErrorText(), QStringLiteral("ファイルを置き換えられません  \r\nCommon/new.txt"));
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "old postal data");
    EXPECT_EQ(test::entriesBelow(app.path()).join(' ').toStdString(), "Common/ Common/same.txt Dic/ Dic/Kvpost.dat");

    ASSERT_EQ(d.RunUpdater(), 0) << d.ErrorText().toStdString();
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "new postal data");
    EXPECT_EQ(test::readFile(AppFolder + "Common/new.txt"), large);
}

// Downloads the disk has no room for, or whose folder cannot be written, say why and where, and leave nothing
// half-downloaded to be taken for a damaged file.
TEST_F(Update, ADownloadThatCannotBeWrittenSaysWhyAndWhere)
{
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    DataFolder = disk.path() + QStringLiteral("データ 鷗外/");
    ASSERT_TRUE(QDir().mkpath(DataFolder));
    list();
    TUpdateDialog d(nullptr);
    ASSERT_TRUE(d.CheckUpdate()) << d.ErrorText().toStdString();
    ASSERT_TRUE(d.MarkNewerFiles());
    ASSERT_TRUE(disk.fill());
    EXPECT_FALSE(d.DownloadFiles());
    EXPECT_EQ(d.ErrorText(), QStringLiteral("ダウンロードしたファイルを保存できません  \r\n")
                                 + QDir::toNativeSeparators(d.StagingFolder() + "Dic/Kvpost.dat") + "\r\n\r\n" + DiskFullReason);
    EXPECT_FALSE(QFileInfo::exists(d.StagingFolder()));
    const test::ReadOnlyFolder locked(DataFolder);
    ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
    EXPECT_FALSE(d.DownloadFiles());
    EXPECT_EQ(d.ErrorText(), QDir::toNativeSeparators(d.StagingFolder()) + "\r\n\r\n" + NotWritableReason);
    EXPECT_EQ(test::readFile(AppFolder + "Dic/Kvpost.dat"), "old postal data");
}

TEST_F(Update, AFileThatNeedsARestartSetsTheRestartFlag)
{
    server.Files["/check/update.xml"] = "<update><file name=\"Dic/Kvpost.dat\" version=\"3\" size=\"15\" sha256=\""
                                        + sha("new postal data") + "\" restart=\"1\"/></update>";
    TUpdateDialog d(nullptr);
    ASSERT_TRUE(d.CheckUpdate());
    ASSERT_TRUE(d.MarkNewerFiles());
    EXPECT_TRUE(d.Restart);
    // An older version than the one installed is not offered, whatever its bytes.
    test::writeFile(DataFolder + "update/Installed.ini", "[FILES]\r\nDic/Kvpost.dat=4\r\n");
    EXPECT_FALSE(d.MarkNewerFiles());
    EXPECT_FALSE(d.Restart);
}

TEST_F(Update, BadListsAndMissingServers)
{
    TUpdateDialog d(nullptr);
    EXPECT_FALSE(d.CheckUpdate());  // no list on the server
    server.Files["/check/update.xml"] = "<update><file name=\"../../etc/passwd\" version=\"1\" size=\"1\" sha256=\""
                                        + sha("x") + "\"/></update>";
    EXPECT_FALSE(d.CheckUpdate());
    server.Files["/check/update.xml"] = "<update><file name=\"a\"";
    EXPECT_FALSE(d.CheckUpdate());
    // A name with a line break or another control character names no file of ours, nor one whose version the
    // installed list cannot keep (a key with "=" or ";", a character Shift-JIS lacks).
    for (const char *name : {"Common/a&#10;b.txt", "Common/a&#13;.txt", "Common/&#x85;a.txt", "Common/a&#x2028;.txt",
                             "Common/a=b.txt", ";Common/a.txt", "Common/&#x20BB7;.txt"}) {
        server.Files["/check/update.xml"] = QByteArray("<update><file name=\"") + name + "\" version=\"1\" size=\"1\" sha256=\""
                                            + sha("x") + "\"/></update>";
        EXPECT_FALSE(d.CheckUpdate()) << name;
        EXPECT_TRUE(d.Files().empty()) << name;
    }
    // A size no disk holds is a damaged list, never listed as a negative number of kilobytes.
    for (const char *size : {"9223372036854775807", "1125899906842625"}) {
        server.Files["/check/update.xml"] = QByteArray("<update><file name=\"Common/a.txt\" version=\"1\" size=\"") + size
                                            + "\" sha256=\"" + sha("x") + "\"/></update>";
        EXPECT_FALSE(d.CheckUpdate()) << size;
        EXPECT_TRUE(d.Files().empty()) << size;
        EXPECT_EQ(d.ErrorText(), QStringLiteral("アップデート情報が正しくありません  ")) << size;
    }
    UpdateDomain = QStringLiteral("update.invalid");
    EXPECT_FALSE(d.CanConnect());
}

// The update killed before each file step of putting the downloaded files in place (the record of the copies
// under way, each copy beside its file, its rename, the installed list): every program file is the old one or the
// new one, and the next start leaves neither the staged download nor a copy beside a program file nor a hidden
// file of the installed list's write.
TEST_F(Update, AKillAtAnyStepOfTheReplacementLeavesOldOrNewFilesAndTheNextStartNoLeftover)
{
    QTemporaryDir both;
    AppFolder = both.path() + "/app/";
    DataFolder = both.path() + "/data/";
    DataRootFolder.clear();
    list();
    int step = 1, replaced = 0;
    for (;; ++step) {
        QDir(AppFolder).removeRecursively();
        QDir(DataFolder).removeRecursively();
        test::writeFile(AppFolder + "Dic/Kvpost.dat", "old postal data");
        test::writeFile(AppFolder + "Common/same.txt", "unchanged");
        // An earlier update's list, which this one's replaces.
        test::writeFile(DataFolder + "update/Installed.ini", "[FILES]\r\nCommon/same.txt=2026110101\r\n");
        TUpdateDialog d(nullptr);
        ASSERT_TRUE(d.CheckUpdate());
        ASSERT_TRUE(d.MarkNewerFiles());
        ASSERT_TRUE(d.DownloadFiles()) << d.ErrorText().toStdString();
        const bool killed = test::KillAtFileStep(both.path(), step, [&] { d.RunUpdater(); });
        const QByteArray postal = test::readFile(AppFolder + "Dic/Kvpost.dat");
        EXPECT_TRUE(postal == "old postal data" || postal == "new postal data") << "killed at step " << step;
        const bool added = QFileInfo::exists(AppFolder + "Common/new.txt");
        if (added) {
            EXPECT_EQ(test::readFile(AppFolder + "Common/new.txt"), "a new file") << "killed at step " << step;
        }
        replaced += postal == "new postal data";

        RemoveUnfinishedOutput();
        RemoveUpdateLeftovers();
        QStringList expected = {"app/", "app/Common/", "app/Common/same.txt", "app/Dic/", "app/Dic/Kvpost.dat",
                                "data/", "data/update/", "data/update/Installed.ini"};
        if (added)
            expected << "app/Common/new.txt";
        expected.sort();
        EXPECT_EQ(test::entriesBelow(both.path()).join(' ').toStdString(), expected.join(' ').toStdString()) << "killed at step " << step;
        if (!killed)
            break;
    }
    EXPECT_GT(step, 8);
    EXPECT_GE(replaced, 2);
    std::printf("%d file steps of the replacement\n", step - 1);
}

}  // namespace
