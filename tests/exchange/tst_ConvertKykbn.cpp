// The exchange-code conversion over a book and its senders.
#include "exchange/CnvKykbn.h"
#include "exchange/TableMaintenance.h"

#include "TestBook.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "db/Table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QByteArray column(const QString &file, const QByteArray &sql)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement s(db, sql);
    QByteArrayList values;
    while (s.Step())
        values << s.ColumnText(0);
    return values.join(',');
}

class KykbnConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AppFolder = test::appDir();
        AdrsBookList = {{QStringLiteral("Book"), QStringLiteral("Book")}};
        CurrentAdrsIndex = 0;
        TTable &t = *book.Module->AdrsTable;
        for (const char *tel : {"031234567", "0312345678", "061234567", "0722123456"}) {
            t.Append();
            t.FieldByName("NameKanji").SetAsString(WideToEscapedAnsi(QStringLiteral("名前")));
            t.FieldByName("Tel").SetAsString(tel);
            t.FieldByName("Fax").SetAsString(tel);
            t.Post();
        }
        ASSERT_TRUE(book.Module->OpenSenderTable());
        TTable &s = *book.Module->SenderTable;
        s.Append();
        s.FieldByName("RecNo").SetAsInteger(1);
        s.FieldByName("Name").SetAsString(WideToEscapedAnsi(QStringLiteral("差出人")));
        s.FieldByName("Tel").SetAsString("069876543");
        s.Post();
        adrs = AdrsFolder + "Book/Adrs.DB";
        senders = OtherFolder + "Sender.DB";
    }
    test::TestBook book;
    QString adrs, senders;
    const test::MessageBoxScript boxes;
};

TEST(KykbnRules, TheShippedTableRenumbersTokyoAndOsakaOnly)
{
    const std::vector<TKykbnRule> rules = LoadKykbnRules(test::appDir() + "Dic/Kykbn.tsv");
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].Date, QDate(1991, 1, 1));
    EXPECT_EQ(ConvertKykbn(rules, "031234567"), "0331234567");
    EXPECT_EQ(ConvertKykbn(rules, "03-123-4567"), "0331234567");
    EXPECT_EQ(ConvertKykbn(rules, "061234567"), "0661234567");
    EXPECT_EQ(ConvertKykbn(rules, "0331234567"), "");   // already new
    EXPECT_EQ(ConvertKykbn(rules, "0451234567"), "");   // not renumbered
    EXPECT_EQ(ConvertKykbn(rules, "09012345678"), "");  // a mobile number
    EXPECT_EQ(ConvertKykbn(rules, "03(123)4567"), "");  // not a plain number: left to the user
}

TEST_F(KykbnConversion, ListsConvertsRecordsAndSendersTogether)
{
    TConvertKykbn dialog(nullptr);
    ASSERT_EQ(dialog.Changes().size(), 5u);  // Tel and Fax of two records, Tel of the sender
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(column(adrs, "SELECT Tel FROM Adrs ORDER BY RecNo"), "0331234567,0312345678,0661234567,0722123456");
    EXPECT_EQ(column(adrs, "SELECT Fax FROM Adrs ORDER BY RecNo"), "0331234567,0312345678,0661234567,0722123456");
    EXPECT_EQ(column(senders, "SELECT Tel FROM Sender"), "0669876543");
    EXPECT_EQ(column(DataRootFolder + "backup.kyk/Book/Adrs.DB", "SELECT Tel FROM Adrs ORDER BY RecNo"),
              "031234567,0312345678,061234567,0722123456");
    EXPECT_EQ(column(DataRootFolder + "backup.kyk/Other/Sender.DB", "SELECT Tel FROM Sender"), "069876543");
    EXPECT_TRUE(book.Module->AdrsTable->Active());
}

// Names are kept in the "@" escape and companies in plain Shift-JIS; the list shows each as it reads.
TEST_F(KykbnConversion, TheListShowsNamesAsTheyRead)
{
    TTable &t = *book.Module->AdrsTable;
    t.Append();
    t.FieldByName("NameKanji").SetAsString(WideToEscapedAnsi(QStringLiteral("𠮷田　太郎")));
    t.FieldByName("Tel").SetAsString("031111111");
    t.Post();
    t.Append();
    t.FieldByName("CorpKanji").SetAsString(Sjis::encode(QStringLiteral("髙島商事")));
    t.FieldByName("Tel").SetAsString("032222222");
    t.Post();
    TTable &s = *book.Module->SenderTable;
    s.First();
    s.Edit();
    s.FieldByName("Name").SetAsString(WideToEscapedAnsi(QStringLiteral("髙橋　花子")));
    s.Post();

    TConvertKykbn dialog(nullptr);
    auto *list = dialog.findChild<QTreeWidget *>("lvChanges");
    ASSERT_NE(list, nullptr);
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    EXPECT_TRUE(names.contains(QStringLiteral("𠮷田　太郎"))) << names.join(',').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("髙島商事"))) << names.join(',').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("髙橋　花子"))) << names.join(',').toStdString();
}

TEST_F(KykbnConversion, ASenderThatCannotBeWrittenLeavesTheRecordsUnchanged)
{
    const std::vector<TFieldChange> changes =
        FindKykbnChanges(adrs, senders, LoadKykbnRules(test::appDir() + "Dic/Kykbn.tsv"));
    book.Module->AdrsTable->Close();
    book.Module->SenderTable->Close();
    TSqliteDatabase reader;
    reader.Open(senders, TablePassword, false);
    reader.Exec("BEGIN");
    reader.Exec("SELECT count(*) FROM Sender");
    QString error;
    EXPECT_FALSE(ApplyFieldChanges(adrs, senders, changes, &error));
    reader.Exec("COMMIT");
    EXPECT_EQ(column(adrs, "SELECT Tel FROM Adrs ORDER BY RecNo"), "031234567,0312345678,061234567,0722123456");
}

TEST_F(KykbnConversion, AFullDiskChangesNothingAndSaysSoInWords)
{
    TConvertKykbn dialog(nullptr);
    ASSERT_EQ(dialog.Changes().size(), 5u);
    // The book's journal on a device that is always full: the first page the change saves finds no room.
    ASSERT_TRUE(QFile::link("/dev/full", adrs + "-journal"));
    EXPECT_FALSE(dialog.Execute());
    QFile::remove(adrs + "-journal");
    ASSERT_EQ(boxes.texts().size(), 1);
    const QString text = boxes.texts().first();
    EXPECT_TRUE(text.contains(QStringLiteral("ディスクの空き容量が足りません"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("データは変換前のままです"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("UPDATE"))) << text.toStdString();
    EXPECT_EQ(column(adrs, "SELECT Tel FROM Adrs ORDER BY RecNo"), "031234567,0312345678,061234567,0722123456");
    EXPECT_EQ(column(senders, "SELECT Tel FROM Sender"), "069876543");
    EXPECT_EQ(CheckTableFile(adrs), "ok");
}

// No room for the safety copy: nothing is converted, the full disk is named, and no copy is left: not of the
// book when it did not fit, nor of the book alone when the sender table, copied after it, did not.
TEST_F(KykbnConversion, NoRoomForTheSafetyCopyNamesTheFullDiskAndLeavesNoCopy)
{
    const QString fullDisk = QStringLiteral("変換できませんでした  \r\nデータは変換前のままです  \r\n\r\n"
                                            "安全のためのコピーを作成できません  \r\n")
                             + QDir::toNativeSeparators(DataRootFolder + SafetyKykbn + "/")
                             + QStringLiteral("\r\n\r\nディスクの空き容量が足りません  \r\n"
                                              "空き容量を増やしてからもう一度お試しください  ");
    const qint64 bookSize = QFileInfo(adrs).size();
    const auto convertWithRoomFor = [&](qint64 limit) {
        TConvertKykbn dialog(nullptr);
        EXPECT_FALSE(dialog.Changes().empty());
        const QByteArray bookBefore = test::readFile(adrs), sendersBefore = test::readFile(senders);
        bool done = true;
        {
            const test::FullDisk disk(limit);
            done = dialog.Execute();
        }
        EXPECT_FALSE(done);
        EXPECT_EQ(boxes.texts().value(boxes.texts().size() - 1), fullDisk);
        EXPECT_FALSE(QFileInfo::exists(DataRootFolder + SafetyKykbn));
        EXPECT_EQ(test::readFile(adrs), bookBefore);
        EXPECT_EQ(test::readFile(senders), sendersBefore);
    };
    {
        SCOPED_TRACE("no room for the book");
        convertWithRoomFor(1024);
    }
    {
        SCOPED_TRACE("room for the book, not for the senders");
        TSqliteDatabase db;
        db.Open(senders, TablePassword, false);
        db.Exec("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                "INSERT INTO Sender (RecNo, Name) SELECT i, hex(randomblob(200)) FROM n");
        db.Close();
        ASSERT_GT(QFileInfo(senders).size(), bookSize);
        convertWithRoomFor(bookSize);
    }
}

}  // namespace
