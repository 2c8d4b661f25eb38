// The modes of what the program makes: its own folders and files the user's alone under the usual umask, an
// export the user's like any file, and a folder an earlier start left open narrowed to the user and no further.
#include "base/FileModes.h"
#include "base/FileReplace.h"
#include "base/Folders.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setMode(const QString &path, mode_t mode) { ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0); }

}  // namespace

TEST(FileModes, TheProgramsFoldersAndFilesAreTheUsersAloneWhateverTheUmask)
{
    const test::UsualUmask umask;
    QTemporaryDir dir;
    const QString open = dir.path() + "/共有 鷗外";
    ASSERT_TRUE(QDir().mkdir(open));
    setMode(open, 0755);

    // Each level made is the user's alone; the folder there before keeps its mode.
    ASSERT_TRUE(ForceDirectories(open + "/Oxa/Mirvale18/Data/"));
    EXPECT_EQ(test::modeOf(open), 0755u);
    for (const char *made : {"/Oxa", "/Oxa/Mirvale18", "/Oxa/Mirvale18/Data"})
        EXPECT_EQ(test::modeOf(open + made), 0700u) << made;
    ASSERT_TRUE(CreateFolderWithFullAccess(open + "/Other"));
    EXPECT_EQ(test::modeOf(open + "/Other"), 0700u);
    // A folder made at a place the user chose for an export is the user's like any of theirs.
    ASSERT_TRUE(ForceDirectories(open + "/出力/2026", TFileAccess::UsersDefault));
    EXPECT_EQ(test::modeOf(open + "/出力"), 0755u);

    // A file written whole: new, the user's alone; in place of one left open, narrowed; in place of one the user
    // narrowed further, as narrow as it was.
    const QString settings = open + "/Oxa/Mirvale18/Mirvale18.ini";
    ASSERT_TRUE(ReplaceFileWhole(settings, "[BASE]\r\n"));
    EXPECT_EQ(test::modeOf(settings), 0600u);
    setMode(settings, 0644);
    ASSERT_TRUE(ReplaceFileWhole(settings, "[BASE]\r\nAdrsName=鷗外商事\r\n"));
    EXPECT_EQ(test::modeOf(settings), 0600u);
    setMode(settings, 0640);
    ASSERT_TRUE(ReplaceFileWhole(settings, "[BASE]\r\n"));
    EXPECT_EQ(test::modeOf(settings), 0600u);
    // A rewrite or a copy of a book the user made read-only is read-only too.
    EXPECT_EQ(ReplacingFileMode(S_IFREG | 0444, TFileAccess::Private), 0400u);
    EXPECT_EQ(ReplacingFileMode(S_IFREG | 0444, TFileAccess::UsersDefault), 0444u);

    // An export: new, what the umask gives; over the user's file, that file's mode.
    const QString csv = open + "/出力/2026/得意先.csv";
    ASSERT_TRUE(ReplaceFileWhole(csv, "03-1234-5678\r\n", {}, TFileAccess::UsersDefault));
    EXPECT_EQ(test::modeOf(csv), 0644u);
    setMode(csv, 0640);
    ASSERT_TRUE(ReplaceFileWhole(csv, "06-1234-5678\r\n", {}, TFileAccess::UsersDefault));
    EXPECT_EQ(test::modeOf(csv), 0640u);

    // A file made empty for another writer to fill.
    const QString table = open + "/Oxa/Mirvale18/Data/Adrs.DB.creating";
    ASSERT_TRUE(CreatePrivateFile(table));
    EXPECT_EQ(test::modeOf(table), 0600u);
    EXPECT_FALSE(CreatePrivateFile(table));
    EXPECT_EQ(errno, EEXIST);
}

// An earlier start left its folder open: all of it that is the user's is narrowed, a folder kept (one the user
// chose) keeps its own mode while what lies in it is narrowed, and nothing is reached through a link or taken
// from another user. A folder that is no longer open is not walked again.
TEST(FileModes, AFolderLeftOpenIsNarrowedToTheUserAndNothingBeyondIt)
{
    const test::UsualUmask umask;
    QTemporaryDir dir;
    const QString top = dir.path() + "/Mirvale18", outside = dir.path() + "/外/";
    for (const char *file : {"/Mirvale18.ini", "/Data/Adrs/鷗外商事/Adrs.DB", "/Data/20260101 120000/Manifest.txt",
                             "/Chosen/Adrs/Book/Adrs.DB", "/Chosen/AdrsList.ini"})
        test::writeFile(top + file, "x");
    test::writeFile(outside + "Adrs.DB", "x");
    QDirIterator all(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        const QString path = all.next();
        setMode(path, all.fileInfo().isDir() ? 0755 : 0644);
    }
    setMode(dir.path(), 0755);
    // A link to a file and one to a folder elsewhere, and a file and a folder of another user.
    ASSERT_TRUE(QFile::link(outside + "Adrs.DB", top + "/Data/Link.DB"));
    ASSERT_TRUE(QFile::link(outside, top + "/Data/LinkedFolder"));
    const bool root = ::geteuid() == 0;
    if (root) {
        test::writeFile(top + "/Theirs/Adrs.DB", "x");
        test::writeFile(top + "/TheirFile.ini", "x");
        setMode(top + "/Theirs", 0755);
        for (const char *path : {"/Theirs", "/Theirs/Adrs.DB", "/TheirFile.ini"}) {
            setMode(top + path, QFileInfo(top + path).isDir() ? 0755 : 0644);
            ASSERT_EQ(::lchown(QFile::encodeName(top + path).constData(), test::AsUser::Uid, test::AsUser::Uid), 0);
        }
    }

    NarrowLeftOpen(top + "/", {top + "/Chosen/"});
    EXPECT_EQ(test::modeOf(top), 0700u);
    for (const char *path : {"/Data", "/Data/Adrs", "/Data/Adrs/鷗外商事", "/Data/20260101 120000", "/Chosen/Adrs",
                             "/Chosen/Adrs/Book"})
        EXPECT_EQ(test::modeOf(top + path), 0700u) << path;
    for (const char *path : {"/Mirvale18.ini", "/Data/Adrs/鷗外商事/Adrs.DB", "/Data/20260101 120000/Manifest.txt",
                             "/Chosen/Adrs/Book/Adrs.DB", "/Chosen/AdrsList.ini"})
        EXPECT_EQ(test::modeOf(top + path), 0600u) << path;
    EXPECT_EQ(test::modeOf(top + "/Chosen"), 0755u);
    EXPECT_EQ(test::modeOf(outside), 0755u);
    EXPECT_EQ(test::modeOf(outside + "Adrs.DB"), 0644u);
    EXPECT_EQ(test::modeOf(dir.path()), 0755u);
    if (root) {
        EXPECT_EQ(test::modeOf(top + "/Theirs"), 0755u);
        EXPECT_EQ(test::modeOf(top + "/Theirs/Adrs.DB"), 0644u);
        EXPECT_EQ(test::modeOf(top + "/TheirFile.ini"), 0644u);
    }

    // Closed now, the folder is not walked: a file the user opened since stays as they set it.
    setMode(top + "/Mirvale18.ini", 0644);
    NarrowLeftOpen(top);
    EXPECT_EQ(test::modeOf(top + "/Mirvale18.ini"), 0644u);
    // A folder that is itself a link to one elsewhere is not the program's to narrow.
    ASSERT_TRUE(QFile::link(outside, dir.path() + "/Linked"));
    NarrowLeftOpen(dir.path() + "/Linked/");
    EXPECT_EQ(test::modeOf(outside), 0755u);
}
