// Start-up steps: the data folder, the installed directory data, the shipped files and the start message.
#include "base/SjisCodec.h"
#include "core/AdrsSel.h"
#include "core/Globals.h"
#include "core/InputPW.h"
#include "core/Main.h"
#include "mainlist/AdrsList.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

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
