// Output written beside the file it replaces: the old file until the new one is whole, the record of jobs under
// way, and the clean-up at start that removes only the hidden files of recorded jobs.
#include "base/FileReplace.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "core/Settings.h"
#include "core/StagedFile.h"
#include "platform/MemIniFile.h"
#include "platform/SingleInstance.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <utility>

namespace {

class StagedFile : public ::testing::Test {
protected:
    void SetUp() override { DataFolder = data.path() + "/"; }
    void TearDown() override { DataFolder.clear(); }
    QStringList files() const { return QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QString list() const { return QString::fromUtf8(test::readFile(DataFolder + "Unfinished.lst")); }

    QTemporaryDir data, out;
};

TEST_F(StagedFile, TheOldFileStaysUntilTheNewOneIsCommittedWhole)
{
    const QString doc = out.path() + "/doc.pdf";
    test::writeFile(doc, "old");
    const mode_t mask = ::umask(022);
    {
        TStagedFile staged(doc);
        ASSERT_TRUE(staged.Open());
        EXPECT_TRUE(QFileInfo(staged.FileName()).fileName().startsWith(".doc.pdf.velmora-"));
        EXPECT_EQ(list(), doc + "\n");
        test::writeFile(staged.FileName(), "new");
        EXPECT_EQ(test::readFile(doc), "old");
        ASSERT_TRUE(staged.Commit());
    }
    ::umask(mask);
    EXPECT_EQ(test::readFile(doc), "new");
    EXPECT_EQ(QFileInfo(doc).permissions() & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                                          | QFileDevice::WriteUser | QFileDevice::ReadGroup
                                                          | QFileDevice::ReadOther);
    EXPECT_EQ(files(), QStringList{"doc.pdf"});
    EXPECT_FALSE(QFile::exists(DataFolder + "Unfinished.lst"));

    // A job that ends without its commit takes its hidden file and its record along; another job's stays.
    TStagedFile other(doc);
    ASSERT_TRUE(other.Open());
    {
        TStagedFile dropped(doc);
        ASSERT_TRUE(dropped.Open());
        EXPECT_EQ(list(), doc + "\n" + doc + "\n");
        test::writeFile(dropped.FileName(), "half");
    }
    EXPECT_EQ(list(), doc + "\n");
    EXPECT_EQ(files(), (QStringList{QFileInfo(other.FileName()).fileName(), "doc.pdf"}));
    EXPECT_EQ(test::readFile(doc), "new");
}

// A power loss after the rename must find the new file whole and its name in the folder: the file is synced
// before it takes the name, the folder after. A staged PDF and a settings file replaced whole alike.
TEST_F(StagedFile, TheFileIsSyncedBeforeItTakesTheNameAndTheFolderAfter)
{
    const QString folder = QDir(out.path()).canonicalPath();
    const QString pdf = folder + "/宛名印刷 剝離.pdf", ini = folder + "/Mirvale18.ini";
    const std::pair<QString, std::function<void()>> writes[] = {
        {pdf,
         [&] {
             TStagedFile staged(pdf);
             if (!staged.Open())
                 return;
             test::writeFile(staged.FileName(), "%PDF-1.4 ...");
             staged.Commit();
         }},
        {ini, [&] { ReplaceFileWhole(ini, "[Option]\r\nDataPath=/home/鷗外/\r\n"); }}};
    for (const auto &[destination, write] : writes) {
        const std::vector<test::TFileStep> steps = test::FileStepsOf(folder, write);
        EXPECT_FALSE(test::readFile(destination).isEmpty());
        const auto rename = std::find_if(steps.begin(), steps.end(), [&](const test::TFileStep &s) {
            return (s.Call == SYS_rename || s.Call == SYS_renameat || s.Call == SYS_renameat2) && s.Files.size() == 2
                   && s.Files[1] == destination;
        });
        ASSERT_NE(rename, steps.end()) << destination.toStdString();
        const auto isSync = [](const test::TFileStep &s) { return s.Call == SYS_fsync || s.Call == SYS_fdatasync; };
        // The file is synced through the handle it was made with, unnamed then ("#<inode> (deleted)"): the one
        // file below the folder the write syncs.
        EXPECT_TRUE(std::any_of(steps.begin(), rename, [&](const test::TFileStep &s) {
            return isSync(s) && s.Files.value(0).startsWith(folder + "/");
        })) << "no sync of the file before its rename: " << destination.toStdString();
        EXPECT_TRUE(std::any_of(rename + 1, steps.end(), [&](const test::TFileStep &s) {
            return isSync(s) && s.Files.value(0) == folder;
        })) << "no sync of the folder after the rename: " << destination.toStdString();
    }
}

TEST_F(StagedFile, TheNextStartRemovesOnlyTheHiddenFilesOfRecordedJobs)
{
    const QString doc = out.path() + "/doc.pdf";
    const QString bracketed = out.path() + "/[1].pdf";
    test::writeFile(DataFolder + "Unfinished.lst", (doc + "\n" + bracketed + "\n").toUtf8());
    for (const char *name : {".doc.pdf.velmora-Ab12Cd", ".[1].pdf.velmora-xY34zW", ".doc.pdf.velmora-Ab12C",
                             ".doc.pdf.velmora-Ab12Cde", ".doc.pdf.Ab12Cd", ".other.pdf.velmora-Ab12Cd", "doc.pdf",
                             ".1.pdf.velmora-xY34zW"})
        test::writeFile(out.path() + "/" + name, "x");
    RemoveUnfinishedOutput();
    EXPECT_EQ(files(), (QStringList{".1.pdf.velmora-xY34zW", ".doc.pdf.Ab12Cd", ".doc.pdf.velmora-Ab12C",
                                    ".doc.pdf.velmora-Ab12Cde", ".other.pdf.velmora-Ab12Cd", "doc.pdf"}));
    EXPECT_FALSE(QFile::exists(DataFolder + "Unfinished.lst"));
}

// The start removes the hidden files of killed writes in the program's own folders, the data folder and the data
// root, and the new data folders a kill left holding only the lock of their hold; never a write another copy has
// under way, a root another copy holds, a folder the user made, nor a file that only looks like ours.
TEST_F(StagedFile, TheStartRemovesWhatKilledWritesLeftAndNothingElse)
{
    DataFolder = out.path() + "/";
    DataRootFolder = DataFolder + "Data/";
    SetDataRootSubfolders();
    const QStringList left = {".Mirvale18.ini.velmora-Ab12Cd", "Data/.AdrsList.ini.velmora-xY34zW",
                              "Data/Adrs/Book/.Group.ini.velmora-Qw3rTy", "Data/History/.Post.mtd.velmora-Zz9Zz9"};
    const QStringList users = {"Mirvale18.ini", "Mirvale18.ini.backup", "Mirvale18.ini.Ab12Cd",
                               ".Mirvale18.ini.velmora-Ab12C", "Data/AdrsList.ini", "Data/Adrs/Book/Adrs.DB"};
    for (const QString &name : left + users)
        test::writeFile(DataFolder + name, "x");
    // A save of another copy under way: its hidden file is named and held.
    QTemporaryFile live;
    ASSERT_TRUE(OpenHiddenTemporary(live, DataFolder + "Mirvale18.ini"));
    const QString liveName = QFileInfo(live.fileName()).fileName();

    // New data folders: one a kill left with its lock alone, one left before its lock was made, one another copy
    // holds now, one the user made.
    const QString leftRoot = out.path() + "/left/", emptyRoot = out.path() + "/empty/", heldRoot = out.path() + "/held/",
                  madeRoot = out.path() + "/made/";
    for (const QString &root : {leftRoot, emptyRoot, heldRoot})
        RecordUnfinishedFolder(root);
    QDir().mkpath(emptyRoot);
    ASSERT_TRUE(TakeDataRoot(InstanceName, leftRoot) != nullptr);
    const std::unique_ptr<TInstanceGuard> held = TakeDataRoot(InstanceName, heldRoot);
    ASSERT_NE(held, nullptr);
    QDir().mkpath(madeRoot);

    RemoveUnfinishedOutput();
    QStringList expected = users + QStringList{liveName, "held/", "held/.instance.lock", "made/"};
    expected << QStringList{"Data/", "Data/Adrs/", "Data/Adrs/Book/", "Data/History/"};
    expected.sort();
    EXPECT_EQ(test::entriesBelow(out.path()).join(' ').toStdString(), expected.join(' ').toStdString());
    DataRootFolder.clear();
}

// Every name the disk takes (255 bytes here; a Japanese character takes three, one beyond 16 bits four) is
// written whole and staged beside a hidden file the disk takes too, known by its extension and removed at the next
// start after a kill; a longer name is refused before anything is written, and the reason says so.
TEST_F(StagedFile, EveryNameTheDiskTakesIsWrittenAndALongerOneIsSaidToBeTooLong)
{
    const QString beyond = QString::fromUtf8("\xF0\xA0\xAE\xB7").repeated(62) + "a.pdf";  // 62 × 4 + 5 bytes
    const QString kanji = QString(83, QChar(0x9DD7)) + "xy.csv";                            // 83 × 3 + 6 bytes
    for (const QString &name : {QString(236, 'a') + ".pdf", QString(251, 'a') + ".pdf", kanji, beyond}) {
        const QString file = out.path() + "/" + name;
        ASSERT_TRUE(ReplaceFileWhole(file, "whole")) << name.size();
        {
            TStagedFile staged(file);
            ASSERT_TRUE(staged.Open()) << name.size();
            const QString hidden = QFileInfo(staged.FileName()).fileName();
            EXPECT_TRUE(hidden.startsWith('.') && hidden.contains(name.right(4) + ".velmora-")) << hidden.toStdString();
            EXPECT_EQ(QFile::decodeName(QFile::encodeName(hidden)), hidden);  // no character cut in two
            test::writeFile(staged.FileName(), "staged");
            ASSERT_TRUE(staged.Commit());
        }
        EXPECT_EQ(test::readFile(file), "staged");
        {
            QTemporaryFile killed;  // its lock goes with it
            ASSERT_TRUE(OpenHiddenTemporary(killed, file) && !killed.fileName().isEmpty());
            killed.setAutoRemove(false);
        }
        test::writeFile(DataFolder + "Unfinished.lst", (file + "\n").toUtf8());
        RemoveUnfinishedOutput();
        EXPECT_EQ(files(), QStringList{name});
        QFile::remove(file);
    }
    for (const QString &name : {QString(252, 'a') + ".pdf", QString(86, QChar(0x9DD7)) + ".csv"}) {
        errno = 0;
        EXPECT_FALSE(ReplaceFileWhole(out.path() + "/" + name, "whole"));
        EXPECT_EQ(errno, ENAMETOOLONG);
        TStagedFile staged(out.path() + "/" + name);
        EXPECT_FALSE(staged.Open());
        EXPECT_EQ(errno, ENAMETOOLONG);
    }
    EXPECT_EQ(files(), QStringList());
    EXPECT_EQ(WriteFailureReason(ENAMETOOLONG), "\r\n\r\n" + NameTooLongReason);
}

// The data folder moved as the settings dialog and a restore into another folder move it, killed before each
// file step: the settings name the old folder or the new one, and once the next start has taken its hold and
// cleared what the kill left, nothing else is left: no hidden file of the settings' write, no list of unfinished
// work, no new folder that holds only its lock and the folders and histories the move made there.
TEST_F(StagedFile, AMoveOfTheDataFolderKilledAtAnyStepLeavesTheOldOrTheNewAndTheNextStartNoLeftover)
{
    DataFolder = out.path() + "/settings/";
    const QString oldRoot = out.path() + "/old/", newRoot = out.path() + "/new/";
    // The histories the move copies into the new folder, from a program folder of the test's own.
    QTemporaryDir program;
    const QString appFolder = std::exchange(AppFolder, program.path() + "/");
    for (const QString &history : DefaultHistoryFiles)
        test::writeFile(AppFolder + "Common/History/" + history, "the shipped " + history.toUtf8());
    int step = 1;
    for (;; ++step) {
        QDir(newRoot).removeRecursively();
        QDir(DataFolder).removeRecursively();
        test::writeFile(oldRoot + "Other/Sender.DB", "the user's senders");
        test::writeFile(DataFolder + SettingsFileName, "[BASE]\r\nDataPath=" + oldRoot.toUtf8() + "\r\nAdrsName=Book\r\n");
        const bool killed = test::KillAtFileStep(out.path(), step, [&] {
            TDataRootMove move;
            if (move.Reserve(nullptr, newRoot) && move.Prepare(nullptr) && WriteDataPath(DataFolder + SettingsFileName, newRoot))
                move.Complete();
        });
        // The next start: the settings first, then the hold on the root they name, then the clean-up.
        const TMemIniFile settings(DataFolder + SettingsFileName);
        ASSERT_FALSE(settings.ReadFailed()) << "killed at step " << step;
        EXPECT_EQ(settings.ReadString("BASE", "AdrsName", QString()), "Book") << "killed at step " << step;
        DataRootFolder = ReadDataRootFolder(settings);
        ASSERT_TRUE(DataRootFolder == oldRoot || DataRootFolder == newRoot) << "killed at step " << step;
        SetDataRootSubfolders();
        std::unique_ptr<TInstanceGuard> hold = TakeDataRoot(InstanceName, DataRootFolder);
        ASSERT_NE(hold, nullptr);
        QDir().mkpath(OtherFolder);
        RemoveUnfinishedOutput();
        const bool isNew = DataRootFolder == newRoot;
        QStringList expected = {"old/", "old/Other/", "old/Other/Sender.DB", "settings/", "settings/Mirvale18.ini"};
        expected << (isNew ? QStringList{"new/", "new/.instance.lock", "new/History/", "new/History/Honor.mtd",
                                         "new/History/Post.mtd", "new/Other/"}
                           : QStringList{"old/.instance.lock"});
        expected.sort();
        EXPECT_EQ(test::entriesBelow(out.path()).join(' ').toStdString(), expected.join(' ').toStdString()) << "killed at step " << step;
        hold.reset();
        QFile::remove(oldRoot + ".instance.lock");
        if (!killed)
            break;
    }
    // The steps were seen: the record, the new folder and its lock, the settings' write and its rename.
    EXPECT_GT(step, 5);
    std::printf("%d file steps of the move\n", step - 1);
    DataRootFolder.clear();
    AppFolder = appFolder;
}

}  // namespace
