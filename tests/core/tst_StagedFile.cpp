// Output written beside the file it replaces: the old file until the new one is whole, the record of jobs under
// way, and the clean-up at start that removes only the hidden files of recorded jobs.
#include "core/Globals.h"
#include "core/StagedFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
