// Start-up steps: the data folder, the installed directory data, the shipped files and the start message.
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "core/AdrsSel.h"
#include "core/DBInfo.h"
#include "core/HistoryData.h"
#include "core/Globals.h"
#include "core/InputPW.h"
#include "core/Main.h"
#include "core/Settings.h"
#include "mainlist/AdrsList.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", (dir.path() + "/share").toLocal8Bit());
        AppFolder = test::appDir();
        DataFolder = dir.path() + "/data/";
        DataRootFolder = DataFolder + "Data/";
        AdrsFolder = DataRootFolder + "Adrs/";
        HistoryFolder = DataRootFolder + "History/";
        QDir().mkpath(AdrsFolder);
        StartupPassword.clear();
        DataPathReset = 0;
        ChooseBookAtStart = 0;
        RegisterMainList();
    }
    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", savedDataHome);
        StartupPassword.clear();
    }
    QTemporaryDir dir;
    QByteArray savedDataHome;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(Startup, DataFolderIsMadeBelowTheUsersDataHome)
{
    EXPECT_EQ(FindDataFolder(), dir.path() + "/share/Oxa/Mirvale18/");
    EXPECT_TRUE(QFileInfo(dir.path() + "/share/Oxa/Mirvale18").isDir());
    // A data home that cannot hold folders leaves the program folder as the data folder.
    test::writeFile(dir.path() + "/file", "x");
    qputenv("XDG_DATA_HOME", (dir.path() + "/file").toLocal8Bit());
    EXPECT_EQ(FindDataFolder(), AppFolder);
}

// A first start under the usual umask makes everything of the user's data and settings the user's alone: the
// data home it had to make, the data folder, the data root with its lock and its folders, the settings, the
// shipped tables and histories, and the first book's table with the sender table and the histories beside it.
TEST_F(Startup, AFirstStartMakesEveryFolderAndFileTheUsersAlone)
{
    const test::UsualUmask umask;
    const QString home = dir.path() + "/share";
    DataFolder = FindDataFolder();
    ASSERT_EQ(DataFolder, home + "/Oxa/Mirvale18/");
    const std::unique_ptr<TInstanceGuard> hold =
        TakeDataRoot(InstanceName, ReadDataRootFolder(TMemIniFile(DataFolder + SettingsFileName)));
    ASSERT_TRUE(hold);
    LoadSettings(nullptr);
    ASSERT_EQ(DataRootFolder, DataFolder + "Data/");
    CopyDefaultCategoryTables();
    ASSERT_TRUE(SaveDataPath());
    CopyDefaultHistoryFiles();
    ASSERT_TRUE(ForceDirectories(OtherFolder));
    // The first book, made as the book chooser makes it, opened as the main list opens it.
    ASSERT_TRUE(ForceDirectories(AdrsFolder + "アドレス"));
    {
        TDMMirvale18 dm;
        dm.CreateDatabaseAndHistories();
        ASSERT_TRUE(dm.OpenDatabaseAndHistories());
        dm.CreateAdrsTableObject("アドレス");
        ASSERT_TRUE(dm.OpenAdrsTable());
        dm.CreateSenderTableObject();
        ASSERT_TRUE(dm.OpenSenderTable());
        dm.DptmntHistory->Insert(0, Sjis::encode(QStringLiteral("営業部 第二課")), 46000.5);
        dm.DptmntHistory->SaveToFile();
        dm.CloseSenderTable();
        dm.CloseAdrsTable();
    }
    for (const QString &made : {DataFolder + "Mirvale18.ini", DataFolder + "Category/OxaCatm.DB",
                                HistoryFolder + "Post.mtd", HistoryFolder + "Dptmnt.mtd", AdrsFolder + "アドレス/Adrs.DB",
                                OtherFolder + "Sender.DB"})
        EXPECT_TRUE(QFileInfo::exists(made)) << made.toStdString();
    EXPECT_EQ(test::notPrivate(home), QStringList());
}

// An earlier start left the data folder and all in it open to every local user (0755, 0644). The next start
// narrows it and all below it to the user; not the data home and "Oxa" above it, which were there for others
// too, nor a data root the user chose: what the program made in one inside the data folder is narrowed, the root
// itself keeps its mode, and one elsewhere is left to the step that narrows what the program keeps there once
// the settings are read. The program folder in the data folder's place is never narrowed.
TEST_F(Startup, TheNextStartNarrowsWhatAnEarlierOneLeftOpen)
{
    const test::UsualUmask umask;
    const QString home = dir.path() + "/share", data = home + "/Oxa/Mirvale18/", elsewhere = dir.path() + "/自分のデータ/";
    const auto earlierStart = [&](const QString &root) {
        for (const QString &file : {data + "Category/Category.DB", data + "Data/Adrs/アドレス/Adrs.DB",
                                    data + "Data/History/Post.mtd", data + "Data/backup.opt/アドレス/Adrs.DB",
                                    data + "Data/20260101 120000/Manifest.txt", data + "Chosen/Adrs/Book/Adrs.DB",
                                    elsewhere + "Adrs/Book/Adrs.DB"})
            test::writeFile(file, "x");
        test::writeFile(data + "Mirvale18.ini", "[BASE]\r\nDataPath=" + root.toUtf8() + "\r\n");
        QDirIterator all(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString path = all.next();
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), all.fileInfo().isDir() ? 0755 : 0644), 0);
        }
    };
    AppFolder = test::appDir();
    DataFolder = data;

    // The settings name the data root the program made, as they do once it was written back.
    earlierStart(data + "Data/");
    NarrowDataFolder();
    EXPECT_EQ(test::notPrivate(data), QStringList());
    EXPECT_EQ(test::modeOf(home), 0755u);
    EXPECT_EQ(test::modeOf(home + "/Oxa"), 0755u);
    EXPECT_EQ(test::modeOf(elsewhere), 0755u);

    earlierStart(data + "Chosen/");
    NarrowDataFolder();
    EXPECT_EQ(test::notPrivate(data), QStringList{data + "Chosen 755"});

    earlierStart(elsewhere);
    NarrowDataFolder();
    EXPECT_EQ(test::notPrivate(data), QStringList());
    EXPECT_EQ(test::modeOf(elsewhere + "Adrs/Book"), 0755u);
    EXPECT_EQ(test::modeOf(elsewhere + "Adrs/Book/Adrs.DB"), 0644u);

    earlierStart(data + "Data/");
    AppFolder = data;
    NarrowDataFolder();
    EXPECT_EQ(test::modeOf(data), 0755u);
    EXPECT_EQ(test::modeOf(data + "Mirvale18.ini"), 0644u);
}

TEST_F(Startup, InstalledDirectoryDataIsFoundOrReported)
{
    InstalledDataLocation();
    EXPECT_EQ(HddInstalled, 0);
    EXPECT_TRUE(HddDataFolder.isEmpty());

    QDir().mkpath(dir.path() + "/dir/Dt00");
    test::writeFile(DataFolder + "HddInst.ini", "[HDD]\r\nInstalled=1\r\nFolder=" + dir.path().toLocal8Bit() + "/dir\r\n");
    LocateInstalledData();
    EXPECT_EQ(HddInstalled, 1);
    EXPECT_EQ(HddDataFolder, dir.path() + "/dir/");
    EXPECT_TRUE(boxes.shown().empty());

    // A folder that is gone falls back to the data folder, where the data is then missing too.
    test::writeFile(DataFolder + "HddInst.ini", "[HDD]\r\nInstalled=1\r\nFolder=/no/such/folder\r\n");
    LocateInstalledData();
    EXPECT_EQ(HddDataFolder, DataFolder);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], QStringLiteral("HDDインストールしたVelmoranの電話帳データが  \r\nHDD内に見つかりません  \r\n\r\n"
                                               "CD-ROMを検索するようにします  "));
    HddInstalled = 0;
}

TEST_F(Startup, ShippedHistoriesAreCopiedOnlyWhenMissing)
{
    test::writeFile(HistoryFolder + "Honor.mtd", "the user's own");
    CopyDefaultHistoryFiles();
    EXPECT_EQ(test::readFile(HistoryFolder + "Post.mtd"), test::readFile(AppFolder + "Common/History/Post.mtd"));
    EXPECT_FALSE(test::readFile(HistoryFolder + "Post.mtd").isEmpty());
    EXPECT_EQ(test::readFile(HistoryFolder + "Honor.mtd"), "the user's own");
    EXPECT_FALSE(QFileInfo::exists(HistoryFolder + "Dptmnt.mtd"));
}

TEST_F(Startup, DataPathIsWrittenBackWithoutLosingOtherSettings)
{
    test::writeFile(DataFolder + "Mirvale18.ini", "[OPERATION]\r\nViewSplash=0\r\n");
    EXPECT_TRUE(SaveDataPath());
    const TMemIniFile ini(DataFolder + "Mirvale18.ini");
    EXPECT_EQ(ini.ReadString("BASE", "DataPath", ""), DataRootFolder);
    EXPECT_FALSE(ini.ReadBool("OPERATION", "ViewSplash", true));
}

TEST_F(Startup, RefusedPasswordEndsBeforeAnyBookIsTouched)
{
    test::writeFile(AdrsFolder + "Old/Adrs.DB", "data");
    test::writeFile(AdrsFolder + "AdrsOp.ini", "[DELETE]\r\nCount=1\r\n1=Old\r\n");
    StartupPassword = QString(64, '0');  // malformed: asks, accepts nothing
    boxes.answer(IDYES);  // "中止します よろしいですか？"
    TMainForm form;
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TInputPassword *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->btnCancel->click();
    });
    form.WMStartup();
    EXPECT_EQ(InputPasswordForm, nullptr);
    EXPECT_EQ(AddressList, nullptr);
    EXPECT_TRUE(QFileInfo::exists(AdrsFolder + "Old/Adrs.DB"));
    EXPECT_FALSE(QFileInfo::exists(HistoryFolder + "Post.mtd"));
}

TEST_F(Startup, StartMessageReplaysAndRunsTheMainListUntilItCloses)
{
    test::writeFile(AdrsFolder + "Old/Adrs.DB", "data");
    test::writeFile(AdrsFolder + "Kept/Adrs.DB", "data");
    test::writeFile(AdrsFolder + "AdrsOp.ini", "[DELETE]\r\nCount=1\r\n1=Old\r\n");
    CurrentAdrsName = "Gone";
    DataPathReset = 1;
    // What killed work left is removed once, before the books are read (the pending delete is still to come).
    int cleanups = 0;
    bool beforeTheBooks = false;
    RemoveWorkLeftovers = [&] {
        ++cleanups;
        beforeTheBooks = QFileInfo::exists(AdrsFolder + "Old");
    };
    const auto noCleanup = qScopeGuard([] { RemoveWorkLeftovers = nullptr; });
    TMainForm form;
    QString caption;
    // The main list asks for a book; cancelling that at start-up, and confirming, ends the run.
    boxes.answer(IDOK);
    boxes.answer(IDYES);
    QTimer::singleShot(0, [&] {
        ASSERT_NE(AddressList, nullptr);
        caption = AddressList->windowTitle();
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<TAddressSelect *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->btnCancel->click();
        });
    });
    form.WMStartup();
    EXPECT_EQ(caption, "Velmora");
    EXPECT_EQ(cleanups, 1);
    EXPECT_TRUE(beforeTheBooks);
    EXPECT_EQ(AddressList, nullptr);
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Old"));
    ASSERT_EQ(AdrsBookList.size(), 1u);
    EXPECT_EQ(CurrentAdrsName, QStringLiteral("アドレス"));
    EXPECT_EQ(ChooseBookAtStart, 1);
    EXPECT_TRUE(QFileInfo::exists(HistoryFolder + "Honor.mtd"));
    EXPECT_EQ(TMemIniFile(DataFolder + "Mirvale18.ini").ReadString("BASE", "DataPath", ""), DataRootFolder);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("データ保存フォルダーが切り替わりました  \r\n新しく開くアドレス帳を指定してください  "));
}
