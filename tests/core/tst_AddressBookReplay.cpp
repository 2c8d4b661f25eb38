// The list of address books and the replay of pending renames and deletes at start-up.
#include "base/SjisCodec.h"
#include "core/AddressBookList.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AddressBookReplay : public ::testing::Test {
protected:
    void SetUp() override { AdrsFolder = dir.path() + "/Adrs/"; QDir().mkpath(AdrsFolder); }

    void makeBook(const QString &folder, const QByteArray &content = "table")
    {
        test::writeFile(AdrsFolder + folder + "/Adrs.DB", content);
    }
    // The file is Shift-JIS, as the program writes it.
    void writeOps(const QString &ini) { test::writeFile(AdrsFolder + "AdrsOp.ini", Sjis::encode(ini)); }
    void writeOrder(const QStringList &names)
    {
        TMemIniFile ini(AdrsFolder + "AdrsMng.ini");
        for (int i = 0; i < names.size(); ++i)
            ini.WriteString("SORT", QString::number(i + 1), names[i]);
        ini.UpdateFile();
    }
    std::vector<TAdrsFolderInfo> books() const { return AdrsBookList; }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(AddressBookReplay, OrderListFirstThenOtherBooksSorted)
{
    for (const char *name : {"delta", "Alpha", "charlie", "Bravo"})
        makeBook(name);
    QDir().mkpath(AdrsFolder + "NoTable");  // a folder without a table is no book
    writeOrder({"charlie", "gone", "DELTA"});
    LoadAddressBookList(true);
    const std::vector<TAdrsFolderInfo> expected = {
        {"charlie", "charlie", abReady}, {"delta", "delta", abReady},
        {"Alpha", "Alpha", abReady}, {"Bravo", "Bravo", abReady}};
    EXPECT_EQ(books(), expected);
    EXPECT_EQ(CurrentAdrsIndex, -1);
}

TEST_F(AddressBookReplay, PendingOperationsAreListedWithoutReplay)
{
    makeBook("Alpha");
    makeBook("Old");
    writeOps("[DELETE]\r\nCount=1\r\n1=Old\r\n[RENAME]\r\nCount=2\r\n1=Alpha/Beta\r\n2=Beta/Gamma\r\n");
    LoadAddressBookList(false);
    const std::vector<TAdrsFolderInfo> expected = {{"Gamma", "Alpha", abRenamePending}, {"", "Old", abDeletePending}};
    EXPECT_EQ(books(), expected);
    EXPECT_TRUE(QFileInfo::exists(AdrsFolder + "Old/Adrs.DB"));
}

TEST_F(AddressBookReplay, ReplayRenamesWholeFoldersAndForgetsDoneOperations)
{
    makeBook("Alpha", "alpha data");
    test::writeFile(AdrsFolder + "Alpha/Group.dat", "groups");
    makeBook("Old");
    writeOps("[DELETE]\r\nCount=1\r\n1=Old\r\n[RENAME]\r\nCount=3\r\n1=Alpha/Beta\r\n2=Beta/Gamma\r\n3=Lost/Found\r\n");
    writeOrder({"Old", "Alpha"});
    LoadAddressBookList(true);
    const std::vector<TAdrsFolderInfo> expected = {{"Gamma", "Gamma", abReady}};
    EXPECT_EQ(books(), expected);
    EXPECT_EQ(test::readFile(AdrsFolder + "Gamma/Adrs.DB"), "alpha data");
    EXPECT_EQ(test::readFile(AdrsFolder + "Gamma/Group.dat"), "groups");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Alpha"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Old"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "AdrsOp.ini"));
}

TEST_F(AddressBookReplay, ChainedRenameKeepsFinalNameWhenFirstMoveFails)
{
    makeBook("Alpha", "mine");
    makeBook("Beta", "someone else's");  // the first rename's target is taken, so it must wait
    writeOps("[RENAME]\r\nCount=2\r\n1=Alpha/Beta\r\n2=Beta/Gamma\r\n");
    LoadAddressBookList(true);
    // Neither move happened: the second belongs to the chain of the first and waits with it.
    EXPECT_EQ(test::readFile(AdrsFolder + "Alpha/Adrs.DB"), "mine");
    EXPECT_EQ(test::readFile(AdrsFolder + "Beta/Adrs.DB"), "someone else's");
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Gamma"));
    const TPendingOperations left = ReadPendingOperations(AdrsFolder);
    ASSERT_EQ(left.Renames.size(), 2u);
    EXPECT_EQ(left.Renames[0], std::make_pair(QString("Alpha"), QString("Beta")));
    EXPECT_EQ(left.Renames[1], std::make_pair(QString("Beta"), QString("Gamma")));
    const auto alpha = std::find_if(AdrsBookList.begin(), AdrsBookList.end(),
                                    [](const TAdrsFolderInfo &b) { return b.Folder == "Alpha"; });
    ASSERT_NE(alpha, AdrsBookList.end());
    EXPECT_EQ(alpha->Name, "Gamma");
    EXPECT_EQ(alpha->State, abRenamePending);
}

TEST_F(AddressBookReplay, NewBookInTemporaryFolderWaitsForThePendingDelete)
{
    // A book A deleted and a new A made in A（1）: while the old A cannot go, the new one stays apart.
    makeBook("A", "old");
    makeBook("A（1）", "new");
    QDir().mkpath(AdrsFolder + "A/keep");  // a subfolder keeps the old folder from being removed
    writeOps("[DELETE]\r\nCount=1\r\n1=A\r\n[RENAME]\r\nCount=1\r\n1=A（1）/A\r\n");
    LoadAddressBookList(true);
    EXPECT_EQ(test::readFile(AdrsFolder + "A（1）/Adrs.DB"), "new");
    const TPendingOperations left = ReadPendingOperations(AdrsFolder);
    EXPECT_EQ(left.Deletes, QStringList{"A"});
    ASSERT_EQ(left.Renames.size(), 1u);
    const std::vector<TAdrsFolderInfo> expected = {{"A", "A（1）", abRenamePending}};
    EXPECT_EQ(books(), expected);

    QDir(AdrsFolder + "A/keep").removeRecursively();
    LoadAddressBookList(true);
    const std::vector<TAdrsFolderInfo> after = {{"A", "A", abReady}};
    EXPECT_EQ(books(), after);
    EXPECT_EQ(test::readFile(AdrsFolder + "A/Adrs.DB"), "new");
}

TEST_F(AddressBookReplay, ValuesThatAreNotPlainFolderNamesAreIgnored)
{
    // Every value below, joined onto AdrsFolder, reaches a folder that holds files: the data root with the
    // book list's settings, AdrsFolder itself, and a folder elsewhere named by an absolute path.
    QTemporaryDir outside;
    const QString abs = outside.path() + "/victim";
    test::writeFile(abs + "/Adrs.DB", "precious");
    test::writeFile(AdrsFolder + abs + "/Adrs.DB", "precious");
    test::writeFile(dir.path() + "/Mirvale18.ini", "settings");
    test::writeFile(AdrsFolder + "AdrsMng.ini", "order");
    QDir().mkpath(AdrsFolder + "a");
    makeBook("Book");
    writeOps("[DELETE]\r\nCount=8\r\n1=..\r\n2=" + abs + "\r\n3=../x\r\n4=.\r\n5=/\r\n6=a/../..\r\n7=a/..\r\n8=\r\n"
             "[RENAME]\r\nCount=2\r\n1=Book/../Stolen\r\n2=..\\x/y\r\n");
    LoadAddressBookList(true);
    EXPECT_EQ(test::readFile(abs + "/Adrs.DB"), "precious");
    EXPECT_EQ(test::readFile(AdrsFolder + abs + "/Adrs.DB"), "precious");
    EXPECT_EQ(test::readFile(dir.path() + "/Mirvale18.ini"), "settings");
    EXPECT_EQ(test::readFile(AdrsFolder + "AdrsMng.ini"), "order");
    EXPECT_EQ(test::readFile(AdrsFolder + "Book/Adrs.DB"), "table");
    EXPECT_TRUE(QFileInfo(AdrsFolder + "a").isDir());
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "AdrsOp.ini"));  // nothing in it could ever be done
    EXPECT_FALSE(IsPlainBookFolderName(".."));
    EXPECT_FALSE(IsPlainBookFolderName("a/b"));
    EXPECT_FALSE(IsPlainBookFolderName("a\\b"));
    EXPECT_TRUE(IsPlainBookFolderName(QStringLiteral("得意先（1）")));
}

TEST_F(AddressBookReplay, CountsAreBoundedByTheEntriesPresent)
{
    makeBook("Old");
    makeBook("Keep");
    writeOps("[DELETE]\r\nCount=2147483647\r\n1=Old\r\n[RENAME]\r\nCount=200000000\r\n");
    // An append numbers its entry after those present, not after the stated count.
    AppendPendingOperation("DELETE", "Keep");
    const TMemIniFile ini(AdrsFolder + "AdrsOp.ini");
    ASSERT_EQ(ini.ReadInteger("DELETE", "Count", 0), 3);
    EXPECT_EQ(ini.ReadString("DELETE", "3", ""), "Keep");
    EXPECT_EQ(ReadPendingOperations(AdrsFolder).Deletes, (QStringList{"Old", "Keep"}));

    writeOps("[DELETE]\r\nCount=2147483647\r\n1=Old\r\n[RENAME]\r\nCount=200000000\r\n1=Keep/Kept\r\n");
    LoadAddressBookList(true);
    const std::vector<TAdrsFolderInfo> expected = {{"Kept", "Kept", abReady}};
    EXPECT_EQ(books(), expected);
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Old"));
}

TEST_F(AddressBookReplay, FailedDeleteStaysPendingAndIsRewritten)
{
    makeBook("One");
    // Read-only rights cannot stop root, so a file of the book that is itself a folder does.
    QDir().mkpath(AdrsFolder + "Two/Adrs.DB/x");
    writeOps("[DELETE]\r\nCount=2\r\n1=One\r\n2=Two\r\n");
    LoadAddressBookList(true);
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "One"));
    const TMemIniFile ini(AdrsFolder + "AdrsOp.ini");
    EXPECT_EQ(ini.ReadInteger("DELETE", "Count", 0), 1);
    EXPECT_EQ(ini.ReadString("DELETE", "1", ""), "Two");
    const std::vector<TAdrsFolderInfo> expected = {{"", "Two", abDeletePending}};
    EXPECT_EQ(books(), expected);
}

TEST_F(AddressBookReplay, UnreadableOperationsFileIsLeftAlone)
{
    makeBook("Book");
    // A file that exists and opens but fails every read (EIO), whatever rights the test runs with; were it
    // taken for an empty one, the replay would remove it.
    const QString file = AdrsFolder + "AdrsOp.ini";
    ASSERT_TRUE(QFile::link("/proc/self/mem", file));
    ASSERT_TRUE(TMemIniFile(file).ReadFailed());
    LoadAddressBookList(true);
    EXPECT_EQ(QFileInfo(file).symLinkTarget(), "/proc/self/mem");
    EXPECT_THROW(AppendPendingOperation("DELETE", "Book"), EIniFileError);
    EXPECT_EQ(QFileInfo(file).symLinkTarget(), "/proc/self/mem");
    EXPECT_EQ(AdrsBookList.size(), 1u);
}
