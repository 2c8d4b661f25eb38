// Backup and restore: what a restore gives back, what it refuses, and what a failed backup leaves behind.
#include "exchange/BackupStore.h"
#include "exchange/RestDat.h"

#include "core/Main.h"
#include "platform/SingleInstance.h"
#include "core/StagedFile.h"
#include "core/Settings.h"

#include "BenchSupport.h"
#include "TestSupport.h"
#include "TestBook.h"
#include "ExchangeTestSupport.h"
#include "base/FileReplace.h"
#include "base/Numbers.h"
#include "db/Table.h"
#include "platform/MemIniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QCheckBox>
#include <QTest>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <limits>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/syscall.h>

namespace {

const TStepFn noStop = [](qint64, qint64) { return true; };

// Every file below folder with its bytes, backup and staging folders left out.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &rel : FilesBelow(folder))
        if (!rel.startsWith(QStringLiteral("2")) && !rel.startsWith(QLatin1Char('.')))
            files.insert(rel, test::readFile(folder + rel));
    return files;
}

void copyTree(const QString &from, const QString &to)
{
    for (const QString &rel : FilesBelow(from)) {
        QDir().mkpath(QFileInfo(to + rel).path());
        CopyFileSummed(from + rel, to + rel, nullptr, {});
    }
}

// The names a restore works under, which no data folder keeps once a restore is over.
QStringList workLeft(const QString &folder)
{
    QStringList left;
    for (const QString &sub : {QString(), QStringLiteral("Data/")})
        for (const QString &name : QDir(folder + sub).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (name.startsWith(QStringLiteral(".restore")) || name.contains(QStringLiteral(".velmora-")))
                left << sub + name;
    return left;
}

// Runs the restore process with the file-step library: killed before its killAt-th file step (0: never).
// Answers its exit code, or -1 when it was killed.
int runRestorer(const QStringList &args, int killAt)
{
    QProcess restorer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FILE_STEP_KILL));
    env.insert(QStringLiteral("VELMORA_KILL_AT_STEP"), QString::number(killAt));
    restorer.setProcessEnvironment(env);
    restorer.start(QStringLiteral(RESTORE_RUNNER), args);
    if (!restorer.waitForFinished(60000))
        return -2;
    return restorer.exitStatus() == QProcess::CrashExit ? -1 : restorer.exitCode();
}

// A copy of a backup at copy without its settings files, as a backup of a data folder that had none.
void copyWithoutSettings(const QString &backup, const QString &copy)
{
    copyTree(backup, copy);
    QByteArray manifest;
    for (const QByteArray &line : test::readFile(copy + ManifestFileName).split('\n'))
        if (!line.isEmpty() && !line.contains("\tSettings/"))
            manifest += line + '\n';
    test::writeFile(copy + ManifestFileName, manifest);
    QDir(copy + "Settings").removeRecursively();
}

// Settings just too large for the program to read, as another program may write them.
QByteArray tooLargeSettings()
{
    QByteArray big = "[BASE]\r\nAdrsName=Other\r\n";
    while (big.size() <= TMemIniFile::MaxFileBytes)
        big += "[S" + QByteArray::number(big.size()) + "]\r\nk=v\r\n";
    return big;
}

// The data root lists its one backup as damaged: shown, with no files or size, and never restored.
bool listsOneDamaged()
{
    const std::vector<TBackupInfo> listed = ListBackups(DataRootFolder);
    return listed.size() == 1 && listed[0].Damaged && listed[0].Files == 0 && listed[0].Bytes == 0;
}

class Backup : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        fillBook(*book.Module->AdrsTable, 300);
        test::writeFile(DataRootFolder + "Layout/ハガキ1.lay", QByteArray(5000, 'L'));
        test::writeFile(DataRootFolder + "History/Post.mtd", "post history");
        test::writeFile(DataFolder + SettingsFileName, "[BASE]\r\nAdrsName=Book\r\n");
    }
    test::TestBook book;
};

TEST_F(Backup, RestoreAfterDamageGivesBackEveryFile)
{
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    ASSERT_GT(before.size(), 3);
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    ASSERT_EQ(ListBackups(DataRootFolder).size(), 1u);

    // Damage: a table overwritten in the middle, a document gone, a stray file, the settings changed.
    book.Module->AdrsTable->Close();
    QFile table(AdrsFolder + "Book/Adrs.DB");
    ASSERT_TRUE(table.open(QIODevice::ReadWrite));
    table.seek(8192);
    table.write(QByteArray(4096, '\0'));
    table.close();
    QFile::remove(DataRootFolder + "Layout/ハガキ1.lay");
    test::writeFile(DataRootFolder + "Adrs/Stray/Adrs.DB", "stray");
    test::writeFile(DataFolder + SettingsFileName, "[BASE]\r\nAdrsName=Other\r\n");

    ASSERT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
    EXPECT_EQ(snapshot(DataFolder), before);
    EXPECT_FALSE(QFileInfo::exists(DataRootFolder + ".restore"));
    book.Module->AdrsTable->Open();
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 300);
}

// The directory search's tables beside the settings hold what the user named: an edited search name is data
// a restore must give back like a book.
TEST_F(Backup, EditedSearchNameSurvivesDamageAndRestore)
{
    const QString categories = DataFolder + "Category/";
    for (const QString &file : {QStringLiteral("Category.DB"), QStringLiteral("Target.DB"), QStringLiteral("Exception.DB")}) {
        QDir().mkpath(categories);
        ASSERT_TRUE(QFile::copy(test::appDir() + "Category/" + file, categories + file)) << file.toStdString();
        QFile::setPermissions(categories + file, QFile::ReadOwner | QFile::WriteOwner);
    }
    TTable table;
    table.DatabaseName = categories;
    table.TableName = QStringLiteral("Category.DB");
    auto rename = [&table](const QByteArray &kanji) {
        table.Open();
        table.First();
        table.Edit();
        table.FieldByName(QStringLiteral("Kanji")).SetAsString(kanji);
        table.Post();
        table.Close();
    };
    auto firstName = [&table] {
        table.Open();
        table.First();
        const QByteArray kanji = table.FieldByName(QStringLiteral("Kanji")).AsString();
        table.Close();
        return kanji;
    };
    const QByteArray edited("\x8e\xa9\x95\xaa no search");  // "自分 no search" in Shift-JIS
    rename(edited);
    const QByteArray targets = test::readFile(categories + "Target.DB");

    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    rename("broken");
    test::writeFile(categories + "Target.DB", "damaged");
    QFile::remove(categories + "Exception.DB");

    ASSERT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
    EXPECT_EQ(firstName(), edited);
    EXPECT_EQ(test::readFile(categories + "Target.DB"), targets);
    EXPECT_TRUE(QFileInfo::exists(categories + "Exception.DB"));
}

TEST_F(Backup, DamagedBackupIsRefusedBeforeAnythingChanges)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty());
    // The live data move on after the backup; the backup's copy of the book is damaged by one byte.
    test::writeFile(DataRootFolder + "Layout/New.lay", "after the backup");
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    QByteArray bytes = test::readFile(folder + "Data/Adrs/Book/Adrs.DB");
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
    test::writeFile(folder + "Data/Adrs/Book/Adrs.DB", bytes);

    EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("破損"))) << error.toStdString();
    EXPECT_EQ(snapshot(DataFolder), before);
    EXPECT_FALSE(QFileInfo::exists(DataRootFolder + ".restore"));

    // A manifest naming a file outside the backup is no backup's: listed as damaged, never restored.
    test::writeFile(folder + ManifestFileName,
                    "Velmora backup 1\n" + QByteArray(64, 'a') + "\t1\tData/Adrs/../../../x\n");
    EXPECT_TRUE(listsOneDamaged());

    // Nor is one whose sizes add up to more than any disk holds: listed with no total, never a negative one.
    const QByteArray huge = QByteArray::number(std::numeric_limits<qint64>::max());
    test::writeFile(folder + ManifestFileName, "Velmora backup 1\n" + QByteArray(64, 'a') + "\t" + huge + "\tData/Adrs/a\n"
                                                   + QByteArray(64, 'a') + "\t" + huge + "\tData/Adrs/b\n");
    EXPECT_TRUE(listsOneDamaged());
    EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
    // Nor one file alone of a size no disk holds, refused as a damaged manifest is.
    for (const qint64 size : {std::numeric_limits<qint64>::max(), MaxDiskBytes + 1, qint64(-1)}) {
        SCOPED_TRACE(size);
        test::writeFile(folder + ManifestFileName, "Velmora backup 1\n" + QByteArray(64, 'a') + "\t"
                                                       + QByteArray::number(size) + "\tData/Adrs/a\n");
        EXPECT_TRUE(listsOneDamaged());
        error.clear();
        EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
        EXPECT_EQ(error, QStringLiteral("バックアップの目録が読めません  "));
    }
    // Nor one naming a file with a line break.
    test::writeFile(folder + ManifestFileName, "Velmora backup 1\n" + QByteArray(64, 'a') + "\t1\tData/Adrs/a\rb\n");
    EXPECT_TRUE(listsOneDamaged());
}

// The restore window lists a backup whose manifest gives one file a size no disk holds as damaged, beside the
// sound one, and says so when it is chosen, before asking anything; nothing is restored.
TEST_F(Backup, RestoreWindowListsABackupOfAnImpossibleSizeAsDamaged)
{
    QString error;
    const QString sound = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(sound.isEmpty()) << error.toStdString();
    const QString damaged = DataRootFolder + "20990101 000000/";
    copyTree(sound, damaged);
    const QList<QByteArray> lines = test::readFile(sound + ManifestFileName).split('\n');
    ASSERT_GT(lines.size(), 2);
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    for (const qint64 size : {std::numeric_limits<qint64>::max(), MaxDiskBytes + 1, qint64(-1)}) {
        SCOPED_TRACE(size);
        QList<QByteArray> changed = lines;
        QList<QByteArray> fields = changed[1].split('\t');
        fields[1] = QByteArray::number(size);
        changed[1] = fields.join('\t');
        test::writeFile(damaged + ManifestFileName, changed.join('\n'));
        const test::MessageBoxScript boxes;
        TRestoreData dialog(nullptr);
        const auto *list = dialog.findChild<QTreeWidget *>("lvBackup");
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "2099/01/01 00:00:00");
        EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("－"));
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("破損"));
        EXPECT_EQ(list->topLevelItem(1)->text(1).toInt(), static_cast<int>(lines.size()) - 2);
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        dialog.findChild<QPushButton *>("btnOK")->click();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("バックアップデータが破損しているため復元できません  \r\nManifest.txt")});
        EXPECT_EQ(snapshot(DataFolder), before);
    }
}

TEST_F(Backup, FullDiskLeavesNoBackupToOffer)
{
    QString error;
    QString folder;
    {
        const test::FullDisk disk(20000);
        folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    }
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(ListBackups(DataRootFolder).empty());
    // Nothing half-written stays in the data root either.
    const QStringList left = QDir(DataRootFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : left)
        EXPECT_FALSE(name.startsWith(QStringLiteral("2"))) << name.toStdString();
}

TEST_F(Backup, StoppedBackupLeavesNothing)
{
    QString error;
    EXPECT_TRUE(MakeBackup(DataRootFolder, DataFolder, [](qint64 done, qint64) { return done < 1000; }, &error).isEmpty());
    EXPECT_TRUE(ListBackups(DataRootFolder).empty());
}

// The dialog restores over the open book: the book's table is open again afterwards and reads the restored rows.
TEST_F(Backup, RestoreDialogReopensTheOpenBook)
{
    QString error;
    ASSERT_FALSE(MakeBackup(DataRootFolder, DataFolder, noStop, &error).isEmpty());
    TTable &t = *book.Module->AdrsTable;
    fillBook(t, 50);
    ASSERT_EQ(t.RecordCount(), 350);
    const test::MessageBoxScript boxes;
    TRestoreData dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(0));
    EXPECT_FALSE(dialog.GetChangeDataPath());
    ASSERT_TRUE(t.Active());
    EXPECT_EQ(t.RecordCount(), 300);
}

// By keys, with 別のデータ保存フォルダーに復元する ticked: Enter on the backup list answers for 復元, which asks for
// the folder, and never for 参照 beside the folder's field.
TEST_F(Backup, RestoreEnterOnTheListPressesRestoreNotTheFolderChooser)
{
    QString error;
    ASSERT_FALSE(MakeBackup(DataRootFolder, DataFolder, noStop, &error).isEmpty());
    const test::MessageBoxScript boxes;
    TRestoreData dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    test::FileDialogCount choosers;
    auto *list = dialog.findChild<QTreeWidget *>("lvBackup");
    auto *otherFolder = dialog.findChild<QCheckBox *>("ckbChangePath");
    ASSERT_TRUE(list && otherFolder);
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    };
    list->setFocus();
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), otherFolder);
    key(Qt::Key_Space);
    ASSERT_TRUE(otherFolder->isChecked());
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), list);
    key(Qt::Key_Return);
    EXPECT_EQ(choosers.shown, 0);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("復元先のフォルダーを指定してください  ")});
}

// Restoring into another folder makes it the data folder and writes it to the settings restored with it.
TEST_F(Backup, RestoreIntoAnotherDataFolder)
{
    QString error;
    ASSERT_FALSE(MakeBackup(DataRootFolder, DataFolder, noStop, &error).isEmpty());
    QTemporaryDir other;
    const QString oldRoot = DataRootFolder;
    const test::MessageBoxScript boxes;
    TRestoreData dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(0, other.path()));
    EXPECT_TRUE(dialog.GetChangeDataPath());
    EXPECT_EQ(DataRootFolder, other.path() + "/");
    EXPECT_EQ(AdrsFolder, other.path() + "/Adrs/");
    EXPECT_EQ(test::readFile(other.path() + "/Adrs/Book/Adrs.DB"), test::readFile(oldRoot + "Adrs/Book/Adrs.DB"));
    EXPECT_TRUE(test::readFile(DataFolder + SettingsFileName).contains(QFile::encodeName(other.path())));
}

// Restored into another folder from a backup without settings, the settings in use are to name that folder; when
// the program cannot read them (it runs on its defaults beside them, and never writes over them) the restore is
// refused before anything changes, never told done while they still name the old folder.
TEST_F(Backup, RestoreIntoAnotherFolderBesideSettingsThatCannotBeReadIsRefused)
{
    const QString settings = DataFolder + SettingsFileName;
    ASSERT_TRUE(QFile::remove(settings));
    QString error;
    const QString made = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(made.isEmpty()) << error.toStdString();
    ASSERT_FALSE(QFileInfo::exists(made + "Settings"));
    const QByteArray big = tooLargeSettings();
    test::writeFile(settings, big);
    const QString oldRoot = DataRootFolder;
    QTemporaryDir work;
    const QString other = work.path() + "/新しい 鷗外/";
    ASSERT_TRUE(QDir().mkpath(other));
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    const test::MessageBoxScript boxes;
    TRestoreData dialog(nullptr);
    EXPECT_FALSE(dialog.Execute(0, other));
    EXPECT_FALSE(dialog.GetChangeDataPath());
    EXPECT_EQ(boxes.texts(), QStringList{"設定ファイルを読み込めないため復元できません  \r\n" + QDir::toNativeSeparators(settings)
                                         + "\r\nファイルが大きすぎるため読み込めませんでした"});
    EXPECT_EQ(DataRootFolder, oldRoot);
    EXPECT_TRUE(test::readFile(settings) == big);
    EXPECT_TRUE(snapshot(DataFolder) == before);
    EXPECT_EQ(test::entriesBelow(other), QStringList());
    EXPECT_TRUE(workLeft(DataFolder).isEmpty()) << workLeft(DataFolder).join(' ').toStdString();
    EXPECT_TRUE(book.Module->AdrsTable->Active());
}

// Another running copy's data folder is no restore target, nor a folder inside it or around it, where the backup
// would land in its books: nothing is restored into them, nothing of this copy is made there and nothing here
// moves. Restored into a free folder, this copy's hold goes with the data and the old folder is free.
TEST_F(Backup, RestoreIntoAnotherRunningCopysFolderIsRefused)
{
    QString error;
    ASSERT_FALSE(MakeBackup(DataRootFolder, DataFolder, noStop, &error).isEmpty());
    const QString own = DataRootFolder;
    DataRootHold = TakeDataRoot(InstanceName, own);
    ASSERT_TRUE(DataRootHold);
    const auto release = qScopeGuard([] { DataRootHold.reset(); });
    QTemporaryDir outer;
    const QString held = outer.path() + "/held";
    test::writeFile(held + "/Adrs/Book/Adrs.DB", "the other copy's book");
    const std::unique_ptr<TInstanceGuard> otherCopy = TakeDataRoot(InstanceName, held);
    ASSERT_TRUE(otherCopy);
    const QMap<QString, QByteArray> heldFiles = snapshot(held + "/");
    const QStringList before = test::entriesBelow(outer.path());
    const QByteArray settings = test::readFile(DataFolder + SettingsFileName);
    const QList<std::pair<QString, QString>> refused = {
        {held, "このデータ保存フォルダーは、起動中の別のVelmoraが使用しています"},
        {held + "/Adrs/Book", "このデータ保存フォルダーは、  \r\n起動中の別のVelmoraが使用しているフォルダーの中にあります"},
        {held + "/new/folder", "このデータ保存フォルダーは、  \r\n起動中の別のVelmoraが使用しているフォルダーの中にあります"},
        {outer.path(), "このデータ保存フォルダーの中に、  \r\n起動中の別のVelmoraが使用しているフォルダーがあります"},
    };
    for (const auto &[target, first] : refused) {
        const test::MessageBoxScript boxes;
        TRestoreData dialog(nullptr);
        EXPECT_FALSE(dialog.Execute(0, target));
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_TRUE(boxes.texts()[0].startsWith(first)) << boxes.texts()[0].toStdString();
        EXPECT_FALSE(dialog.GetChangeDataPath());
        EXPECT_EQ(test::entriesBelow(outer.path()), before) << target.toStdString();
    }
    EXPECT_EQ(snapshot(held + "/"), heldFiles);
    EXPECT_EQ(DataRootFolder, own);
    EXPECT_EQ(test::readFile(DataFolder + SettingsFileName), settings);
    EXPECT_TRUE(book.Module->AdrsTable->Active());

    QTemporaryDir free;
    const test::MessageBoxScript boxes;
    TRestoreData dialog(nullptr);
    ASSERT_TRUE(dialog.Execute(0, free.path()));
    EXPECT_EQ(DataRootFolder, free.path() + "/");
    EXPECT_TRUE(DataRootHold->Holds(free.path()));
    EXPECT_FALSE(TakeDataRoot(InstanceName, free.path()));
    EXPECT_TRUE(TakeDataRoot(InstanceName, own));
}

// A backup replaces the folders it holds and no other: the target's own designs and histories stay.
TEST_F(Backup, FoldersTheBackupDoesNotHoldStayAsTheyWere)
{
    QDir(DataRootFolder + "History").removeRecursively();
    QDir(DataRootFolder + "Design").removeRecursively();
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    QTemporaryDir other;
    const QString root = other.path() + "/";
    test::writeFile(root + "Design/Mine.gpd", "my design");
    test::writeFile(root + "History/Post.mtd", "my history");
    test::writeFile(root + "Layout/Old.lay", "replaced");

    ASSERT_TRUE(RestoreBackup(folder, root, DataFolder, noStop, &error)) << error.toStdString();
    EXPECT_EQ(test::readFile(root + "Design/Mine.gpd"), "my design");
    EXPECT_EQ(test::readFile(root + "History/Post.mtd"), "my history");
    EXPECT_FALSE(QFileInfo::exists(root + "Layout/Old.lay"));
    EXPECT_EQ(test::readFile(root + "Layout/ハガキ1.lay"), QByteArray(5000, 'L'));
    EXPECT_EQ(test::readFile(root + "Adrs/Book/Adrs.DB"), test::readFile(DataRootFolder + "Adrs/Book/Adrs.DB"));
}

// Links planted as the restore's working folders point out of the data root: the restore neither empties what
// they point to nor moves the book there.
TEST_F(Backup, PlantedWorkingFolderLinksAreNotFollowed)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    QTemporaryDir outside;
    const QString staged = outside.path() + "/staged/", old = outside.path() + "/old/";
    test::writeFile(staged + "keep.txt", "not the restore's");
    test::writeFile(old + "keep.txt", "not the restore's either");
    ASSERT_TRUE(QFile::link(staged, DataRootFolder + ".restore"));
    ASSERT_TRUE(QFile::link(old, DataRootFolder + ".restore.old"));
    book.Module->AdrsTable->Close();

    ASSERT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
    EXPECT_EQ(QDir(staged).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"keep.txt"});
    EXPECT_EQ(QDir(old).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"keep.txt"});
    EXPECT_EQ(test::readFile(staged + "keep.txt"), "not the restore's");
    EXPECT_EQ(test::readFile(old + "keep.txt"), "not the restore's either");
    book.Module->AdrsTable->Open();
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 300);
}

// A backup's settings are the data folder's settings files: a manifest naming any other file there (a
// "Category" file would stand where the directory search's tables go) is refused before anything changes.
TEST_F(Backup, SettingsOtherThanSettingsFilesAreRefused)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    const QByteArray manifest = test::readFile(folder + ManifestFileName);
    test::writeFile(DataFolder + "Category/Category.DB", "live table");
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    for (const char *const name : {"Category", ".hidden.ini", "Adrs.DB"}) {
        test::writeFile(folder + "Settings/" + name, "planted");
        test::writeFile(folder + ManifestFileName, manifest + FileSum(folder + "Settings/" + name) + "\t7\tSettings/" + name + "\n");
        EXPECT_TRUE(listsOneDamaged()) << name;
        EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << name;
        EXPECT_EQ(snapshot(DataFolder), before) << name;
    }
    // Any case of the settings files' extension is one a backup takes.
    test::writeFile(folder + ManifestFileName, manifest + FileSum(folder + "Settings/Category") + "\t7\tSettings/Extra.INI\n");
    QFile::copy(folder + "Settings/Category", folder + "Settings/Extra.INI");
    EXPECT_EQ(ListBackups(DataRootFolder).size(), 1u);
}

// A settings file larger than the program reads (planted in a backup, its manifest made to match) is refused
// before anything changes: restored, it would leave the program on its defaults at every start.
TEST_F(Backup, SettingsTooLargeToReadAreRefusedBeforeAnythingChanges)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    const QString planted = folder + "Settings/" + SettingsFileName;
    const QByteArray big = tooLargeSettings();
    test::writeFile(planted, big);
    QList<QByteArray> lines = test::readFile(folder + ManifestFileName).split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith("\tSettings/" + SettingsFileName.toUtf8()))
            line = FileSum(planted) + "\t" + QByteArray::number(big.size()) + "\tSettings/" + SettingsFileName.toUtf8();
    test::writeFile(folder + ManifestFileName, lines.join('\n'));
    ASSERT_EQ(ListBackups(DataRootFolder).size(), 1u);

    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
    EXPECT_EQ(error, QStringLiteral("バックアップの設定ファイルが大きすぎるため復元できません  \r\nSettings/") + SettingsFileName);
    EXPECT_EQ(snapshot(DataFolder), before);
    EXPECT_TRUE(workLeft(DataFolder).isEmpty()) << workLeft(DataFolder).join(' ').toStdString();
}

// Restored into another data folder, the restored settings name that folder from the moment they are in place:
// nothing is left for a later write that a kill could stop.
TEST_F(Backup, SettingsRestoredIntoAnotherFolderNameIt)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    QTemporaryDir other;
    const QString root = other.path() + "/";
    ASSERT_TRUE(RestoreBackup(folder, root, DataFolder, noStop, &error, true)) << error.toStdString();
    const TMemIniFile settings(DataFolder + SettingsFileName);
    EXPECT_EQ(settings.ReadString("BASE", "DataPath", QString()), root);
    EXPECT_EQ(settings.ReadString("BASE", "AdrsName", QString()), "Book");
}

// What killed backups and restores leave in the data root goes at the next start; complete backups stay, and so
// does everything while a journal still records a restore to settle.
TEST_F(Backup, LeftoversOfKilledWorkAreRemoved)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    const QStringList leftovers = {"20261207 101010.partial/Data/Adrs/Book/Adrs.DB", ".restore/Data/Adrs/Book/Adrs.DB",
                                   ".restore.old/Adrs/Book/Adrs.DB", "..restore.journal.velmora-Ab12Cd"};
    for (const QString &left : leftovers)
        test::writeFile(DataRootFolder + left, "left");
    test::writeFile(DataRootFolder + ".restore.journal", "Velmora restore 1\nswapping\n");
    RemoveBackupLeftovers(DataRootFolder, DataFolder);
    for (const QString &left : leftovers)
        EXPECT_TRUE(QFileInfo::exists(DataRootFolder + left)) << left.toStdString();

    QFile::remove(DataRootFolder + ".restore.journal");
    RemoveBackupLeftovers(DataRootFolder, DataFolder);
    EXPECT_EQ(QDir(DataRootFolder).entryList({"*.partial", ".restore*", "..restore*"}, QDir::AllEntries | QDir::Hidden), QStringList());
    EXPECT_EQ(ListBackups(DataRootFolder).size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(folder + ManifestFileName));
}

// A restore that runs out of disk space says so, not that the backup is damaged, and changes nothing.
TEST_F(Backup, FullDiskDuringARestoreIsToldAsSuch)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    ASSERT_GT(QFileInfo(AdrsFolder + "Book/Adrs.DB").size(), 20000);
    book.Module->AdrsTable->Close();
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    bool restored = true;
    {
        const test::FullDisk disk(20000);
        restored = RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error);
    }
    EXPECT_FALSE(restored);
    EXPECT_EQ(error, "ディスクの空き容量が不足しているため復元できません  \r\n" + QDir::toNativeSeparators(DataRootFolder));
    EXPECT_EQ(snapshot(DataFolder), before);
    EXPECT_EQ(workLeft(DataFolder), QStringList());
    // With room again, the same backup restores.
    EXPECT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
}

// A power loss after a backup took its name finds every file of it whole: each copy, and the folders holding
// them, are on the disk before the folder takes its name, the data root after.
TEST_F(Backup, ABackupIsOnTheDiskBeforeItTakesItsName)
{
    const std::vector<test::TFileStep> steps = test::FileStepsOf(DataFolder, [] {
        QString error;
        MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    });
    const std::vector<TBackupInfo> made = ListBackups(DataRootFolder);
    ASSERT_EQ(made.size(), 1u);
    std::vector<TBackupFile> files;
    qint64 bytes = 0;
    ASSERT_TRUE(ReadManifest(made[0].Folder, &files, &bytes));
    QStringList copied;
    for (const TBackupFile &f : files)
        copied << f.Path;
    ASSERT_GT(copied.size(), 3);
    const QString folder = QDir::cleanPath(made[0].Folder);
    EXPECT_EQ(test::DurableRenameFault(steps, folder + ".partial", folder, copied).toStdString(), "");
}

// A restore killed before any one of its file steps: the next start leaves the data as they were or as the
// backup has them, never a mixture, and no working folder behind. The data root lies inside the data folder, as
// by default, so data and settings are swapped on their own.
class KilledRestore : public Backup {
protected:
    void SetUp() override
    {
        Backup::SetUp();
        test::writeFile(DataFolder + "Category/Category.DB", "search names of the backup");
        QString error;
        const QString made = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
        ASSERT_FALSE(made.isEmpty()) << error.toStdString();
        backup = work.path() + "/backup/";
        copyTree(made, backup);
        // The data the restore replaces, and what the backup does not hold, which stays.
        old = work.path() + "/old/";
        test::writeFile(old + "Data/Adrs/Book/Adrs.DB", "the book since");
        test::writeFile(old + "Data/Adrs/Newer/Adrs.DB", "a book made since");
        test::writeFile(old + "Data/Layout/New.lay", "a layout made since");
        test::writeFile(old + "Data/History/Post.mtd", "history since");
        test::writeFile(old + "Data/Design/Mine.gpd", "not in the backup");
        test::writeFile(old + SettingsFileName, "[BASE]\r\nAdrsName=Newer\r\n");
        test::writeFile(old + "Category/Category.DB", "search names since");
        test::writeFile(old + "Category/Target.DB", "not in the backup");
        folder = work.path() + "/live/";
        copyTree(old, folder);
        ASSERT_EQ(runRestorer({"restore", backup, folder + "Data/", folder}, 0), 0);
        ASSERT_EQ(nextStart(), TRestoreRecovery::None);
        restored = snapshot(folder);
        ASSERT_NE(restored, snapshot(old));
        ASSERT_EQ(restored.value("Data/Design/Mine.gpd"), "not in the backup");
        ASSERT_TRUE(workLeft(folder).isEmpty()) << workLeft(folder).join(' ').toStdString();
    }
    void reset()
    {
        QDir(folder).removeRecursively();
        copyTree(old, folder);
    }
    // Leaves the data folder as a kill in the middle of the swap leaves it, some items moved in and others not
    // yet, and answers a copy of it; empty when no kill left that.
    QString halfSwapped()
    {
        const QString half = work.path() + "/half/";
        for (int step = 1;; ++step) {
            reset();
            if (runRestorer({"restore", backup, folder + "Data/", folder}, step) != -1)
                return {};
            const QMap<QString, QByteArray> now = snapshot(folder);
            if (now.value("Data/Adrs/Book/Adrs.DB") == restored.value("Data/Adrs/Book/Adrs.DB")
                && now.value("Data/Layout/ハガキ1.lay") != restored.value("Data/Layout/ハガキ1.lay")) {
                copyTree(folder, half);
                return half;
            }
        }
    }
    // The start after a kill: settles the restore, then removes leftovers once the settings are read.
    TRestoreRecovery nextStart()
    {
        QString stuck;
        const TRestoreRecovery found = RecoverRestore(folder, &stuck);
        RemoveBackupLeftovers(folder + "Data/", folder);
        return found;
    }
    // How the starts after the kills of a restore into another folder found it.
    struct TStarts {
        int OnOld = 0, OnNew = 0, ToldDone = 0;
    };
    TStarts intoAnotherFolderAtEveryStep(const QString &from, const QString &addressedTo);
    QTemporaryDir work;
    QString backup, old, folder;
    QMap<QString, QByteArray> restored;
};

TEST_F(KilledRestore, EveryFileStepLeavesTheOldOrTheRestoredData)
{
    const QMap<QString, QByteArray> before = snapshot(old);
    int kills = 0, undone = 0, kept = 0, completed = 0;
    for (int step = 1;; ++step) {
        reset();
        const int code = runRestorer({"restore", backup, folder + "Data/", folder}, step);
        if (code == 0)
            break;
        ASSERT_EQ(code, -1) << "step " << step;
        ASSERT_LT(step, 2000);
        ++kills;
        const TRestoreRecovery found = nextStart();
        ASSERT_NE(found, TRestoreRecovery::Failed) << "step " << step;
        const QMap<QString, QByteArray> after = snapshot(folder);
        EXPECT_TRUE(after == before || after == restored) << "step " << step;
        EXPECT_EQ(after == restored, found == TRestoreRecovery::Completed) << "step " << step;
        EXPECT_TRUE(workLeft(folder).isEmpty()) << "step " << step << ": " << workLeft(folder).join(' ').toStdString();
        undone += found == TRestoreRecovery::Undone;
        kept += found == TRestoreRecovery::NotStarted || found == TRestoreRecovery::None;
        completed += found == TRestoreRecovery::Completed;
    }
    // The kills fell in each part: staging, the swap and the removal of the replaced data.
    EXPECT_GT(kept, 10);
    EXPECT_GT(undone, 5);
    EXPECT_GT(completed, 5);
    std::printf("%d kills: %d before the swap, %d undone, %d completed\n", kills, kept, undone, completed);
}

// A restore into another folder killed before any one of its file steps (the new folder's hold, the restore with
// the settings naming the folder) from the backup at from, then the next start as the program makes it: the
// restore settled and told, the hold taken on the root the settings then name, the clean-up. The start says the
// restore was done only when it runs on the new folder and holds it, the folder holding the backup's data whole
// and the settings naming it otherwise as addressedTo has them (the backup's, or those from before when it holds
// none). Otherwise it says the restore was undone or not begun, or nothing, and runs on the old data, untouched,
// the new folder gone. No working folder nor hidden file is left.
KilledRestore::TStarts KilledRestore::intoAnotherFolderAtEveryStep(const QString &from, const QString &addressedTo)
{
    const QString other = work.path() + "/other/";
    const QMap<QString, QByteArray> before = snapshot(old);
    std::vector<TBackupFile> files;
    qint64 bytes = 0;
    EXPECT_TRUE(ReadManifest(from, &files, &bytes));
    // What the new data root holds once restored, and the data folder beside it: the old one with the backup's
    // tables in, the settings compared apart.
    QMap<QString, QByteArray> brought, beside = before;
    for (const TBackupFile &f : files) {
        if (f.Path.startsWith("Data/"))
            brought.insert(f.Path.mid(5), test::readFile(from + f.Path));
        else if (f.Path.startsWith("Category/"))
            beside.insert(f.Path, test::readFile(from + f.Path));
    }
    beside.remove(SettingsFileName);
    const QString dataFolder = DataFolder, dataRoot = DataRootFolder;
    const auto putBack = qScopeGuard([&] {
        DataFolder = dataFolder;
        DataRootFolder = dataRoot;
        SetDataRootSubfolders();
    });
    const QString undone = "前回の復元は途中で終了したため、復元前のデータに戻しました  ",
                  unchanged = "前回の復元は途中で終了したため、データは復元前のままです  ",
                  done = "前回の復元は完了しています  ";
    TStarts starts;
    for (int step = 1;; ++step) {
        reset();
        QDir(other).removeRecursively();
        const int code = runRestorer({"restore-into", from, other, folder}, step);
        EXPECT_TRUE(code == 0 || code == -1) << "step " << step;
        if (!(code == 0 || code == -1) || step >= 2000)
            break;
        DataFolder = folder;
        const QString told = RecoverInterruptedRestore().text;
        DataRootFolder = ReadDataRootFolder(TMemIniFile(folder + SettingsFileName));
        SetDataRootSubfolders();
        const std::unique_ptr<TInstanceGuard> hold = TakeDataRoot(InstanceName, DataRootFolder);
        EXPECT_NE(hold, nullptr) << "step " << step;
        QDir().mkpath(OtherFolder);
        RemoveBackupLeftovers(DataRootFolder, DataFolder);
        RemoveUnfinishedOutput();
        if (DataRootFolder == other) {
            ++starts.OnNew;
            starts.ToldDone += told == done;
            EXPECT_TRUE(told == done || told.isEmpty()) << "step " << step << ": " << told.toStdString();
            EXPECT_TRUE(test::rootLocked(other)) << "step " << step;
            EXPECT_TRUE(snapshot(other) == brought) << "step " << step << ": " << test::entriesBelow(other).join(' ').toStdString();
            EXPECT_EQ(TMemIniFile(folder + SettingsFileName).ReadString("BASE", "AdrsName", ""), addressedTo) << "step " << step;
            QMap<QString, QByteArray> now = snapshot(folder);
            now.remove(SettingsFileName);
            EXPECT_TRUE(now == beside) << "step " << step;
        } else {
            ++starts.OnOld;
            EXPECT_TRUE(told == undone || told == unchanged || told.isEmpty()) << "step " << step << ": " << told.toStdString();
            EXPECT_EQ(DataRootFolder, folder + "Data/") << "step " << step;
            EXPECT_TRUE(test::rootLocked(DataRootFolder)) << "step " << step;
            QMap<QString, QByteArray> now = snapshot(folder);
            now.remove("Data/.instance.lock");
            EXPECT_TRUE(now == before) << "step " << step;
            EXPECT_FALSE(QFileInfo::exists(other)) << "step " << step << ": " << test::entriesBelow(other).join(' ').toStdString();
        }
        EXPECT_TRUE(workLeft(folder).isEmpty()) << "step " << step << ": " << workLeft(folder).join(' ').toStdString();
        EXPECT_TRUE(workLeft(other).isEmpty()) << "step " << step << ": " << workLeft(other).join(' ').toStdString();
        if (code == 0) {
            EXPECT_EQ(DataRootFolder, other) << "the restore that ran to its end left the program on the old folder";
            break;
        }
    }
    return starts;
}

// From a backup that holds the settings, which the restore swaps in naming the new folder.
TEST_F(KilledRestore, IntoAnotherFolderEveryFileStepLeavesTheOldOrTheNewFolderAndNothingElse)
{
    const TStarts starts = intoAnotherFolderAtEveryStep(backup, "Book");
    EXPECT_GT(starts.OnOld, 10);
    EXPECT_GE(starts.ToldDone, 2);
    std::printf("%d kills of a restore into another folder: %d left the old folder, %d the new one, %d of them told done\n",
                starts.OnOld + starts.OnNew - 1, starts.OnOld, starts.OnNew - 1, starts.ToldDone);
}

// From a backup without settings: those in use, which name the old folder, are swapped in naming the new one
// with the rest of the restore, so that no kill has the next start call the restore done on the old folder.
TEST_F(KilledRestore, IntoAnotherFolderFromABackupWithoutSettingsIsDoneOnTheNewFolderOrUndoneWhole)
{
    const QString bare = work.path() + "/bare/";
    copyWithoutSettings(backup, bare);
    std::vector<TBackupFile> files;
    qint64 bytes = 0;
    ASSERT_TRUE(ReadManifest(bare, &files, &bytes));
    ASSERT_GT(files.size(), 3u);
    const TStarts starts = intoAnotherFolderAtEveryStep(bare, "Newer");
    EXPECT_GT(starts.OnOld, 10);
    EXPECT_GE(starts.ToldDone, 2);
}

bool isRename(const test::TFileStep &s) { return s.Call == SYS_rename || s.Call == SYS_renameat || s.Call == SYS_renameat2; }

// A power loss after a restore said it was done finds the restored data whole: each staged copy, and the folders
// holding it, are on the disk before it replaces anything, the folder it moved into after; only then do the data
// it replaced go. An undone swap is on the disk before the journal says that only working folders are left.
TEST_F(KilledRestore, ARestoreAndItsUndoAreOnTheDiskBeforeWhatTheyReplacedGoes)
{
    const QString root = folder + "Data/";
    const std::vector<test::TFileStep> steps = test::FileStepsOf(folder, [&] {
        QString error;
        if (RestoreBackup(backup, root, folder, noStop, &error))
            while (QFileInfo::exists(folder + ".restore.journal"))
                QThread::msleep(1);
    });
    ASSERT_EQ(snapshot(folder), restored);
    std::vector<TBackupFile> files;
    qint64 bytes = 0;
    ASSERT_TRUE(ReadManifest(backup, &files, &bytes));
    // Each item swapped, with the files below it when it is a data folder.
    QMap<QString, QStringList> items;
    for (const TBackupFile &f : files) {
        const QString item = f.Path.startsWith("Data/") ? f.Path.section('/', 0, 1) : f.Path;
        items[item] << f.Path.mid(item.size() + 1);
    }
    ASSERT_GE(items.size(), 5);
    size_t durable = 0;
    for (auto item = items.cbegin(); item != items.cend(); ++item) {
        const bool data = item.key().startsWith("Data/");
        const QString staged = (data ? root : folder) + ".restore/" + item.key();
        const QString live = data                                 ? root + item.key().mid(5)
                             : item.key().startsWith("Settings/") ? folder + item.key().mid(9)
                                                                  : folder + item.key();
        const QStringList below = data ? item.value() : QStringList{};
        size_t at = 0;
        EXPECT_EQ(test::DurableRenameFault(steps, staged, live, below, &at).toStdString(), "");
        durable = std::max(durable, at);
    }
    int removed = 0, early = 0;
    for (size_t i = 0; i < steps.size(); ++i)
        if ((steps[i].Call == SYS_unlink || steps[i].Call == SYS_unlinkat || steps[i].Call == SYS_rmdir)
            && (steps[i].Files[0].startsWith(root + ".restore.old/") || steps[i].Files[0].startsWith(folder + ".restore.old/"))) {
            ++removed;
            early += i < durable;
        }
    EXPECT_GT(removed, 5);
    EXPECT_EQ(early, 0) << "of " << removed << " removals of the replaced data";

    // The undo of a swap a kill stopped half way: each name put back is synced before the journal is rewritten.
    ASSERT_FALSE(halfSwapped().isEmpty()) << "no swap found";
    const std::vector<test::TFileStep> undo = test::FileStepsOf(folder, [&] {
        QString stuck;
        RecoverRestore(folder, &stuck);
    });
    EXPECT_EQ(snapshot(folder), snapshot(old));
    const QString journal = QDir::cleanPath(folder + ".restore.journal");
    int putBack = 0;
    for (auto step = undo.begin(); step != undo.end(); ++step) {
        if (!isRename(*step) || step->Files.value(1).contains("/.restore") || step->Files.value(1) == journal)
            continue;
        ++putBack;
        const auto marked = std::find_if(step, undo.end(), [&](const test::TFileStep &s) {
            return isRename(s) && s.Files.value(1) == journal;
        });
        EXPECT_TRUE(std::any_of(step, marked, [&](const test::TFileStep &s) {
            return s.Call == SYS_fsync && s.Files.value(0) == QFileInfo(step->Files[1]).path();
        })) << "the folder of " << step->Files[1].toStdString() << " is not synced before the journal is rewritten";
    }
    EXPECT_GE(putBack, 1);
}

// The undo is itself killed at each of its steps: the start after that still puts the old data back.
TEST_F(KilledRestore, AnUndoKilledAtAnyStepIsFinishedByTheNextStart)
{
    const QMap<QString, QByteArray> before = snapshot(old);
    const QString halfSwapped = this->halfSwapped();
    ASSERT_FALSE(halfSwapped.isEmpty()) << "no swap found";
    ASSERT_TRUE(snapshot(halfSwapped) != before);
    // The start says what it did.
    {
        const QString dataFolder = DataFolder;
        DataFolder = folder;
        const TMessageBoxRequest told = RecoverInterruptedRestore();
        DataFolder = dataFolder;
        EXPECT_EQ(told.text, "前回の復元は途中で終了したため、復元前のデータに戻しました  ");
        EXPECT_EQ(told.flags, MB_ICONINFORMATION);
        EXPECT_TRUE(snapshot(folder) == before);
    }
    int kills = 0;
    for (int step = 1;; ++step) {
        QDir(folder).removeRecursively();
        copyTree(halfSwapped, folder);
        const int code = runRestorer({"recover", folder}, step);
        if (code == 0)
            break;
        ASSERT_EQ(code, -1) << "step " << step;
        ++kills;
        const TRestoreRecovery found = nextStart();
        EXPECT_TRUE(found == TRestoreRecovery::Undone || found == TRestoreRecovery::NotStarted) << "step " << step;
        EXPECT_TRUE(snapshot(folder) == before) << "step " << step;
        EXPECT_TRUE(workLeft(folder).isEmpty()) << "step " << step;
    }
    EXPECT_GT(kills, 5);
}

}  // namespace

// A disk of its own with too little room, as a USB stick that is nearly full, the backup on the normal disk: the
// copy across file systems goes through short writes that carry no error code. A restore onto it names that
// disk and says it is full, never that the good backup is damaged; one onto a disk mounted read-only says it
// cannot be written; a backup onto a full disk names the disk it was made on, not the user's book.
TEST_F(Backup, AFullOrReadOnlyDiskIsNamedAndNeverTakenForADamagedBackup)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    ASSERT_GT(QFileInfo(AdrsFolder + "Book/Adrs.DB").size(), 100 * 1024);
    {
        test::SmallDisk stick(100 * 1024);
        if (!stick.mounted())
            GTEST_SKIP() << stick.skipReason().toStdString();
        const QString root = stick.path() + "データ 剝離/";
        ASSERT_TRUE(QDir().mkpath(root));
        EXPECT_FALSE(RestoreBackup(folder, root, DataFolder, noStop, &error, true));
        EXPECT_EQ(error, "ディスクの空き容量が不足しているため復元できません  \r\n" + QDir::toNativeSeparators(root));
        EXPECT_EQ(test::entriesBelow(stick.path()), QStringList{"データ 剝離/"});
        EXPECT_EQ(ListBackups(DataRootFolder).size(), 1u);
    }
    {
        test::SmallDisk locked(1024 * 1024);
        if (!locked.mounted())
            GTEST_SKIP() << locked.skipReason().toStdString();
        ASSERT_TRUE(QDir().mkpath(locked.path() + "鷗外/"));
        ASSERT_TRUE(locked.makeReadOnly()) << std::strerror(errno);
        const QString root = locked.path() + "鷗外/";
        EXPECT_FALSE(RestoreBackup(folder, root, DataFolder, noStop, &error, true));
        EXPECT_EQ(error, "復元用の作業フォルダを作成できません  \r\n" + QDir::toNativeSeparators(root + ".restore/")
                             + "\r\n\r\n" + NotWritableReason);
    }
    {
        // The data root itself on a disk that holds the data with little room to spare.
        qint64 bytes = 0;
        for (const QString &sub : BackupDataFolders)
            for (const QString &rel : FilesBelow(DataRootFolder + sub + "/"))
                bytes += (QFileInfo(DataRootFolder + sub + "/" + rel).size() + 4095) / 4096 * 4096;
        test::SmallDisk disk(bytes + 64 * 1024);
        ASSERT_TRUE(disk.mounted());
        const QString root = disk.path() + "Velmora/";
        for (const QString &sub : BackupDataFolders)
            copyTree(DataRootFolder + sub + "/", root + sub + "/");
        EXPECT_TRUE(MakeBackup(root, DataFolder, noStop, &error).isEmpty());
        EXPECT_EQ(error, "ファイルをバックアップできません  \r\n" + QDir::toNativeSeparators(root) + "\r\n\r\n" + DiskFullReason);
        EXPECT_TRUE(ListBackups(root).empty());
    }
}

// A backup and a restore under the usual umask make their folders and files the user's alone, as a first start
// does, whatever the data an earlier start left open: the dated backup and its manifest, the staged copies and
// the data and settings they restore. A history the user made read-only is kept and restored read-only.
TEST_F(Backup, BackupAndRestoreMakeTheirFoldersAndFilesTheUsersAlone)
{
    const test::UsualUmask umask;
    QDirIterator all(DataFolder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        const QString path = all.next();
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), all.fileInfo().isDir() ? 0755 : 0644), 0);
    }
    const QString history = HistoryFolder + "Post.mtd";
    ASSERT_EQ(::chmod(QFile::encodeName(history).constData(), 0444), 0);
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    EXPECT_EQ(test::notPrivate(folder), QStringList{folder + "Data/History/Post.mtd 400"});

    book.Module->AdrsTable->Close();
    ASSERT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
    // The folders the backup holds: those it does not hold stay as they are.
    for (const QString &sub : QStringList{"Adrs", "History", "Layout"})
        EXPECT_EQ(test::notPrivate(DataRootFolder + sub), sub == "History" ? QStringList{history + " 400"} : QStringList())
            << sub.toStdString();
    EXPECT_EQ(test::modeOf(DataFolder + SettingsFileName), 0600u);
    book.Module->AdrsTable->Open();
}

// A backup the user may not read is said to be so, with why, and never taken for a damaged one: a file of it,
// and its manifest, which the restore window lists as unreadable. Once the user may read it again it restores.
TEST_F(Backup, ABackupTheUserMayNotReadIsSaidUnreadableNotDamaged)
{
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
    ASSERT_FALSE(folder.isEmpty()) << error.toStdString();
    book.Module->AdrsTable->Close();
    const QMap<QString, QByteArray> before = snapshot(DataFolder);
    const QString file = folder + "Data/Adrs/Book/Adrs.DB", manifest = folder + ManifestFileName;
    const auto setMode = [](const QString &path, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    };
    setMode(file, 0);
    {
        const test::AsUser user({DataFolder});
        EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
    }
    EXPECT_EQ(error, QStringLiteral("バックアップデータを読み込めないため復元できません  \r\n") + QDir::toNativeSeparators(file)
                         + "\r\n\r\n" + NotReadableReason);
    EXPECT_EQ(snapshot(DataFolder), before);

    setMode(file, 0600);
    setMode(manifest, 0);
    {
        const test::AsUser user({DataFolder});
        const test::MessageBoxScript boxes;
        const std::vector<TBackupInfo> listed = ListBackups(DataRootFolder);
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_FALSE(listed[0].Damaged);
        EXPECT_EQ(listed[0].ReadError, EACCES);
        TRestoreData dialog(nullptr);
        const auto *list = dialog.findChild<QTreeWidget *>("lvBackup");
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("読込不可"));
        dialog.findChild<QPushButton *>("btnOK")->click();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("バックアップデータを読み込めないため復元できません  \r\n")
                                             + QDir::toNativeSeparators(manifest) + "\r\n\r\n" + NotReadableReason});
        EXPECT_FALSE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error));
        EXPECT_EQ(error, boxes.texts().value(0));
    }
    EXPECT_EQ(snapshot(DataFolder), before);

    setMode(manifest, 0600);
    {
        const test::AsUser user({DataFolder});
        EXPECT_TRUE(RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) << error.toStdString();
    }

    // A file of the data the user may not read is named by the backup, with why.
    const QString layout = DataRootFolder + "Layout/ハガキ1.lay";
    setMode(layout, 0);
    {
        const test::AsUser user({DataFolder});
        EXPECT_TRUE(MakeBackup(DataRootFolder, DataFolder, noStop, &error).isEmpty());
    }
    EXPECT_EQ(error, QStringLiteral("ファイルをバックアップできません  \r\n") + QDir::toNativeSeparators(layout) + "\r\n\r\n"
                         + NotReadableReason);
    book.Module->AdrsTable->Open();
}
