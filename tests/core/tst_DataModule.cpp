// The data module: reference-counted opens, creation of missing tables, histories and the shipped tables.
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

class DataModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = dir.path() + "/";
        DataRootFolder = DataFolder + "Data/";
        AdrsFolder = DataRootFolder + "Adrs/";
        OtherFolder = DataRootFolder + "Other/";
        HistoryFolder = DataRootFolder + "History/";
        CategoryFolder = DataFolder + "Category/";
        for (const QString &f : {AdrsFolder + "Book", OtherFolder, HistoryFolder, CategoryFolder})
            QDir().mkpath(f);
    }
    QTemporaryDir dir;
    TDMMirvale18 dm;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(DataModule, OpensAreCountedAndTheLastCloseCloses)
{
    dm.CreateAdrsTableObject("Book");
    EXPECT_TRUE(dm.OpenAdrsTable());
    EXPECT_TRUE(QFileInfo::exists(AdrsFolder + "Book/Adrs.DB"));  // made on the first open
    EXPECT_TRUE(dm.OpenAdrsTable());
    dm.CloseAdrsTable();
    EXPECT_TRUE(dm.AdrsTable->Active());
    dm.CloseAdrsTable();
    EXPECT_FALSE(dm.AdrsTable->Active());
    dm.CloseAdrsTable();
    EXPECT_EQ(dm.AdrsRefCount, 0);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(DataModule, FailedFirstOpenIsNeverReportedAsOpenLater)
{
    dm.CreateAdrsTableObject("Missing/Deeper");  // a folder that does not exist: the file cannot be made
    EXPECT_FALSE(dm.OpenAdrsTable());
    EXPECT_FALSE(dm.OpenAdrsTable());
    EXPECT_EQ(boxes.texts(), QStringList(2, QStringLiteral("アドレス帳ファイルがオープンできませんでした  ")));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
    // Once the folder exists the next open works, and the counts still pair up.
    QDir().mkpath(AdrsFolder + "Missing/Deeper");
    EXPECT_TRUE(dm.OpenAdrsTable());
    EXPECT_EQ(dm.AdrsRefCount, 3);
    for (int i = 0; i < 3; ++i)
        dm.CloseAdrsTable();
    EXPECT_FALSE(dm.AdrsTable->Active());
}

TEST_F(DataModule, DamagedTableIsReportedAndLeftAlone)
{
    test::writeFile(OtherFolder + "Sender.DB", "not a table at all");
    dm.CreateSenderTableObject();
    EXPECT_FALSE(dm.OpenSenderTable());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("差出人ファイルがオープンできませんでした  \r\n\r\n"
                                                        "ファイルが壊れています  \r\nバックアップから復元してください  ")});
    EXPECT_EQ(test::readFile(OtherFolder + "Sender.DB"), "not a table at all");
    dm.CloseSenderTable();
}

// The first book on a disk with 64 KB free, or on one mounted read-only: the open names the book's folder and
// says why the file could not be made, and leaves nothing half made. A book that opens on a read-only disk says
// the same when a record is stored.
TEST_F(DataModule, ABookThatCannotBeMadeOrWrittenNamesItsFolderAndWhy)
{
    const QString failed = QStringLiteral("アドレス帳ファイルがオープンできませんでした  \r\n\r\n");
    {
        test::SmallDisk disk(64 * 1024);
        if (!disk.mounted())
            GTEST_SKIP() << disk.skipReason().toStdString();
        AdrsFolder = disk.path() + "Adrs/";
        const QString book = AdrsFolder + "得意先 剝離/";
        ASSERT_TRUE(QDir().mkpath(book));
        dm.CreateAdrsTableObject("得意先 剝離");
        EXPECT_FALSE(dm.OpenAdrsTable());
        EXPECT_EQ(boxes.texts(), QStringList{failed + QDir::toNativeSeparators(book) + "\r\n" + DiskFullReason});
        EXPECT_EQ(test::entriesBelow(book), QStringList());
        dm.CloseAdrsTable();
        dm.FreeAdrsTableObject();
    }
    boxes.clear();
    {
        test::SmallDisk disk(1024 * 1024);
        ASSERT_TRUE(disk.mounted());
        AdrsFolder = disk.path() + "Adrs/";
        const QString book = AdrsFolder + "鷗外/", made = AdrsFolder + "Book/";
        ASSERT_TRUE(QDir().mkpath(book) && QDir().mkpath(made));
        dm.CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm.OpenAdrsTable());
        dm.CloseAdrsTable();
        ASSERT_TRUE(disk.makeReadOnly()) << std::strerror(errno);
        dm.CreateAdrsTableObject("鷗外");
        EXPECT_FALSE(dm.OpenAdrsTable());
        EXPECT_EQ(boxes.texts(), QStringList{failed + QDir::toNativeSeparators(book) + "\r\n" + NotWritableReason});
        dm.CloseAdrsTable();

        dm.CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm.OpenAdrsTable());
        TTable &t = *dm.AdrsTable;
        try {
            t.StartTransaction();
            t.Append();
            t.FieldByName("NameKanji").SetAsString(Sjis::encode(QStringLiteral("山田 太郎")));
            t.Post();
            t.Commit();
            ADD_FAILURE() << "a record was stored on a read-only disk";
        } catch (const EDatabaseError &e) {
            t.Cancel();
            t.Rollback();
            EXPECT_EQ(DatabaseErrorText("データを登録できませんでした  ", e),
                      "データを登録できませんでした  \r\n\r\n" + QDir::toNativeSeparators(made) + "\r\n" + NotWritableReason);
        }
        dm.CloseAdrsTable();
        dm.FreeAdrsTableObject();
    }
}

TEST_F(DataModule, UnreadableHistoryIsReportedAndTheBookStillOpens)
{
    test::writeFile(HistoryFolder + "Post.mtd", QByteArray("\x05\x00\x00\x00\x0B", 5));  // cut short
    dm.CreateDatabaseAndHistories();
    EXPECT_TRUE(dm.OpenDatabaseAndHistories());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].endsWith(QStringLiteral("データが読み込めませんでした")));
    EXPECT_EQ(dm.PostHistory->GetCount(), 0);
    EXPECT_THROW(dm.PostHistory->SaveToFile(), EHistoryDataError);  // never written over
    EXPECT_EQ(test::readFile(HistoryFolder + "Post.mtd").size(), 5);
    EXPECT_EQ(dm.HonorHistory->GetCount(), 0);
    dm.CloseDatabaseAndHistories();
    EXPECT_FALSE(dm.HonorHistory->IsLoaded());
}

TEST_F(DataModule, SharedTablesAreMadeWithTheirSchemas)
{
    dm.CreateSharedTableObjects();
    EXPECT_TRUE(dm.OpenExceptionTable());
    EXPECT_TRUE(dm.OpenOriginalTable());
    ASSERT_EQ(dm.ExceptionTable->FieldCount(), 5);
    EXPECT_EQ(dm.ExceptionTable->FieldDef(4).Name, "Show");
    ASSERT_EQ(dm.OriginalTable->FieldCount(), 6);
    EXPECT_EQ(dm.OriginalTable->FieldDef(4).Name, "Flag");
    dm.CloseExceptionTable();
    dm.CloseOriginalTable();
}

TEST_F(DataModule, SubTableIsExclusive)
{
    dm.CreateAdrsTableObject("Book");
    ASSERT_TRUE(dm.OpenAdrsTable());
    dm.CloseAdrsTable();
    EXPECT_TRUE(dm.OpenSubAdrsTable("Book"));
    TTable other;
    other.DatabaseName = AdrsFolder + "Book/";
    other.TableName = "Adrs.DB";
    EXPECT_THROW(other.Open(), EDatabaseError);
    dm.CloseSubAdrsTable();
    EXPECT_FALSE(dm.OpenSubAdrsTable("Nowhere"));
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("アドレス帳ファイルがオープンできませんでした（サブ）  "));
    dm.CloseSubAdrsTable();
}

TEST_F(DataModule, ShippedCategoryTreeLinksEverySubToItsMain)
{
    CategoryFolder = test::appDir() + "Category/";
    dm.CreateSharedTableObjects();
    ASSERT_TRUE(dm.OpenOxaCatmTable());
    ASSERT_TRUE(dm.OpenOxaCatsTable());
    TTable &mains = *dm.OxaCatmTable, &subs = *dm.OxaCatsTable;
    EXPECT_GE(mains.RecordCount(), 20);
    EXPECT_TRUE(mains.FindKey({16}));
    EXPECT_EQ(Sjis::decode(mains.FieldByName("Name").AsString()), QStringLiteral("医療"));
    for (subs.First(); !subs.Eof(); subs.Next()) {
        const int main = subs.FieldByName("CatMainNo").AsInteger();
        EXPECT_EQ(subs.FieldByName("CatNo").AsInteger() / 100, main);
        EXPECT_TRUE(mains.FindKey({main}));
    }
    subs.SetFilter("CatMainNo=16");
    subs.SetFiltered(true);
    EXPECT_GE(subs.RecordCount(), 10);
    dm.CloseOxaCatmTable();
    dm.CloseOxaCatsTable();
    for (const char *file : {"Category.DB", "Target.DB", "Exception.DB"})
        EXPECT_TRUE(QFileInfo::exists(CategoryFolder + file));
}
