// Optimisation and index repair of a book: the rows stay, the file shrinks, the repaired flag tells the truth.
#include "core/Main.h"
#include "exchange/Maintenance.h"
#include "exchange/OptDat.h"
#include "exchange/ReprIdx.h"
#include "exchange/TableMaintenance.h"

#include "BenchSupport.h"
#include "TestBook.h"
#include "db/Collation.h"
#include "db/Table.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// Every row of the book's table as text, in RecNo order.
QByteArrayList rows(const QString &file)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement all(db, "SELECT * FROM Adrs ORDER BY RecNo");
    QByteArrayList out;
    while (all.Step()) {
        QByteArray row;
        for (int c = 0; c < all.ColumnCount(); ++c)
            row += all.ColumnText(c) + '\x1f';
        out << row;
    }
    return out;
}

class Maintenance : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AdrsBookList = {{QStringLiteral("Book"), QStringLiteral("Book")}};
        CurrentAdrsIndex = 0;
        fillBook(*book.Module->AdrsTable, 3000);
        file = AdrsFolder + "Book/Adrs.DB";
    }
    void deleteMost()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo % 10 <> 0");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    // The index on the kana name made to disagree with the rows, as a crash in the middle of a write leaves it.
    void damageIndex()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        TSqliteStatement ix(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL LIMIT 1");
        ASSERT_TRUE(ix.Step());
        const QByteArray name = ix.ColumnText(0);
        db.Exec("PRAGMA writable_schema = ON");
        db.Exec("UPDATE sqlite_master SET sql = replace(sql, '(', '(RecNo, ') WHERE name = '" + name + "'");
        db.Exec("PRAGMA writable_schema = OFF");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    // The kana-name index written while its collation ordered the other way round, as a program with another
    // collation leaves it: the rows are sound, the index entries lie in the wrong order.
    void writeIndexInTheWrongOrder()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        const auto reversed = [](void *, int n1, const void *a, int n2, const void *b) {
            return -SjisNoCaseCompare(QByteArrayView(static_cast<const char *>(a), n1),
                                      QByteArrayView(static_cast<const char *>(b), n2));
        };
        ASSERT_EQ(sqlite3_create_collation(db.Handle(), SjisNoCaseCollation, SQLITE_UTF8, nullptr, reversed), SQLITE_OK);
        db.Exec("UPDATE Adrs SET CorpKana = 'kana' || (RecNo * 7919 % 1000) WHERE RecNo % 2 = 0");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    test::TestBook book;
    QString file;
    const test::MessageBoxScript boxes;
};

// The highest record number ever given, so a record added later never takes a deleted one's number.
QByteArray lastRecNo(const QString &file)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement s(db, "SELECT seq FROM sqlite_sequence WHERE name = 'Adrs'");
    return s.Step() ? s.ColumnText(0) : QByteArray();
}

TEST_F(Maintenance, OptimizeShrinksAndKeepsTheRows)
{
    deleteMost();
    {
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo = 3000");  // the last record: its number stays used
    }
    const QByteArray last = lastRecNo(file);
    ASSERT_EQ(last, "3000");
    const QByteArrayList before = rows(file);
    ASSERT_EQ(before.size(), 299);
    const qint64 sizeBefore = QFileInfo(file).size();
    TOptimizeData dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_LT(QFileInfo(file).size(), sizeBefore / 2);
    EXPECT_EQ(rows(file), before);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_TRUE(book.Module->AdrsTable->Active());
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 299);
    EXPECT_EQ(lastRecNo(file), last);
    // The safety copy is the book as it was before.
    EXPECT_EQ(QFileInfo(DataRootFolder + "backup.opt/Book/Adrs.DB").size(), sizeBefore);
}

TEST_F(Maintenance, RepairOfAHealthyBookRepairsNothing)
{
    const QByteArray bytes = test::readFile(file);
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_FALSE(dialog.Repaired);
    EXPECT_EQ(test::readFile(file), bytes);
}

TEST_F(Maintenance, RepairRebuildsADamagedIndex)
{
    deleteMost();
    {
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo = 3000");
    }
    const QByteArrayList before = rows(file);
    damageIndex();
    ASSERT_NE(CheckTableFile(file), "ok");
    const qint64 sizeBefore = QFileInfo(file).size();
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_TRUE(dialog.Repaired);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_EQ(rows(file), before);
    EXPECT_LT(QFileInfo(file).size(), sizeBefore);
    EXPECT_EQ(lastRecNo(file), "3000");
    EXPECT_TRUE(QFileInfo::exists(DataRootFolder + "backup.rep/Book/Adrs.DB"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Book/.repairing"));
    // The rebuilt index serves the table's own look-ups again.
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 299);
}

// The program killed in the middle of an optimisation or a repair: the next start removes the half-made file
// and the repair's folder of every book, and nothing else.
TEST_F(Maintenance, TheNextStartRemovesWhatKilledMaintenanceLeft)
{
    RegisterMaintenance();
    ASSERT_TRUE(RemoveWorkLeftovers);
    book.Module->AdrsTable->Close();
    const QByteArray bytes = test::readFile(file);
    test::writeFile(file + ".optimizing", bytes.left(100000));
    test::writeFile(AdrsFolder + "Book/.repairing/Adrs.DB", bytes.left(100000));
    test::writeFile(AdrsFolder + "Other/.repairing/Adrs.DB", "x");
    for (const char *kept : {"Book/Adrs.DB.optimizing.txt", "Book/Notes.optimizing", "Book/repairing/Adrs.DB"})
        test::writeFile(AdrsFolder + kept, "the user's");
    RemoveWorkLeftovers();
    RemoveWorkLeftovers = nullptr;
    EXPECT_FALSE(QFileInfo::exists(file + ".optimizing"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Book/.repairing"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Other/.repairing"));
    for (const char *kept : {"Book/Adrs.DB.optimizing.txt", "Book/Notes.optimizing", "Book/repairing/Adrs.DB"})
        EXPECT_EQ(test::readFile(AdrsFolder + kept), "the user's") << kept;
    EXPECT_EQ(test::readFile(file), bytes);
}

TEST_F(Maintenance, RepairRebuildsAnIndexWhoseEntriesAreOutOfOrder)
{
    deleteMost();
    writeIndexInTheWrongOrder();
    ASSERT_NE(CheckTableFile(file), "ok");
    const QByteArrayList before = rows(file);
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_TRUE(dialog.Repaired);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_EQ(rows(file), before);
    // A search in kana order finds every company again.
    TTable &t = *book.Module->AdrsTable;
    t.SetIndexName("CorpKana");
    int found = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++found;
    EXPECT_EQ(found, 300);
}

}  // namespace
