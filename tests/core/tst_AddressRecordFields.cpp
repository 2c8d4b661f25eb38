// The address record's one way in and out of a book's table: every field survives a round trip, and a row
// another program wrote with over-long, cut or non-numeric values reads into a record that fits its fields.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Hyphen.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include "TestBook.h"

#include <QDateTime>
#include <QScopeGuard>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

// A record with every field set to a value unlike its default and unlike every other field's.
TAddressRecord fullRecord()
{
    TAddressRecord r;
    r.Group = 7;
    r.CustomCode = "CUST-0001";
    r.Tel = "0312345678";  // the book keeps digits; the record read back holds them hyphenated
    r.TelDiv = 2;
    r.Fax = "0312345679";
    r.Portable1 = "09012345678";
    r.Portable2 = "08087654321";
    r.Pos = "1000001";
    r.Tdfkn = sjis(QStringLiteral("東京都"));
    r.Adrs1 = sjis(QStringLiteral("千代田区"));
    r.Adrs2 = sjis(QStringLiteral("千代田1-1"));
    r.Adrs3 = sjis(QStringLiteral("第一ビル3F"));
    r.AdrsKana = sjis(QStringLiteral("ﾁﾖﾀﾞｸ"));
    r.JisCode = "13101";
    r.KajoCode = "131010";
    r.Latitude = 128'123'456;
    r.Longitude = 503'654'321;
    r.PrivCorp = true;
    r.CorpKanji = sjis(QStringLiteral("株式会社見本商事"));
    r.CorpKana = sjis(QStringLiteral("ﾐﾎﾝｼｮｳｼﾞ"));
    r.Dptmnt = sjis(QStringLiteral("営業部"));
    r.Post = sjis(QStringLiteral("課長"));
    r.NameKanji = WideToEscapedAnsi(QStringLiteral("𠮷田 太郎"));
    r.NameKana = sjis(QStringLiteral("ﾖｼﾀﾞ ﾀﾛｳ"));
    r.Honor = sjis(QStringLiteral("様"));
    r.IgnoreName = true;
    r.URL = "https://example.jp/";
    r.EMail1 = "one@example.jp";
    r.EMail2 = "two@example.jp";
    for (int n = 0; n < 5; ++n) {
        r.Joint[n] = sjis(QStringLiteral("連名%1").arg(n + 1));
        r.JointHonor[n] = sjis(QStringLiteral("殿%1").arg(n + 1));
        r.JointPrints[n] = n % 2 == 0;
    }
    r.JointOwner = 3;
    r.JointPrint = true;
    r.PrintTarget = 1;
    r.Sender = 4;
    for (int n = 0; n < 8; ++n)
        r.Keyword[n] = sjis(QStringLiteral("キーワード%1").arg(n + 1));
    r.SymbolMark = sjis(QStringLiteral("★"));
    r.SymbolColor = 0x00FF8040;
    r.AddDateTime = DateTimeToDouble(QDateTime(QDate(2024, 3, 1), QTime(9, 30, 15)));
    r.UpdDateTime = DateTimeToDouble(QDateTime(QDate(2025, 4, 2), QTime(10, 45, 30, 250)));
    r.CodeMain = 12;
    r.CodeSub = 345;
    r.Note = QByteArrayList{sjis(QStringLiteral("一行目")), "", sjis(QStringLiteral("三行目"))};
    r.ExtFile = QByteArrayList{"/home/user/a.pdf", sjis(QStringLiteral("/home/user/見積.xlsx"))};
    return r;
}

// Field by field, so that a failure names the field.
void expectSameRecord(const TAddressRecord &a, const TAddressRecord &b)
{
#define SAME(field) EXPECT_EQ(a.field, b.field) << #field
    SAME(RecNo); SAME(Group); SAME(CustomCode); SAME(Tel); SAME(TelDiv); SAME(Fax); SAME(Portable1); SAME(Portable2);
    SAME(Pos); SAME(Tdfkn); SAME(Adrs1); SAME(Adrs2); SAME(Adrs3); SAME(AdrsKana); SAME(JisCode); SAME(KajoCode);
    SAME(Latitude); SAME(Longitude); SAME(PrivCorp); SAME(CorpKanji); SAME(CorpKana); SAME(Dptmnt); SAME(Post);
    SAME(NameKanji); SAME(NameKana); SAME(Honor); SAME(IgnoreName); SAME(URL); SAME(EMail1); SAME(EMail2);
    SAME(Joint); SAME(JointHonor); SAME(JointOwner); SAME(JointPrint); SAME(JointPrints); SAME(PrintTarget);
    SAME(Sender); SAME(Keyword); SAME(SymbolMark); SAME(SymbolColor); SAME(AddDateTime); SAME(UpdDateTime);
    SAME(CodeMain); SAME(CodeSub); SAME(Note); SAME(ExtFile);
#undef SAME
    EXPECT_TRUE(a == b);
}

int32_t appendRecord(TTable &t, const TAddressRecord &r)
{
    t.Append();
    SetAddressRecordFields(t, r);
    t.Post();
    return t.FieldByName(QStringLiteral("RecNo")).AsInteger();
}

TAddressRecord readBack(TTable &t, int32_t recNo)
{
    t.SetIndexName(QString());
    EXPECT_TRUE(t.FindKey({recNo}));
    return GetAddressRecordFields(t);
}

}  // namespace

TEST(AddressRecordFields, EveryFieldSurvivesARoundTripThroughTheBook)
{
    test::TestBook book;
    ASSERT_NO_FATAL_FAILURE(book.Open());
    TTable &t = *book.Module->AdrsTable;
    const TAddressRecord written = fullRecord();
    const int32_t recNo = appendRecord(t, written);
    TAddressRecord expected = written;
    expected.RecNo = recNo;
    ASSERT_EQ(LoadHyphenDll(test::appDir(), test::appDir() + "Dic/"), 0);
    const auto unload = qScopeGuard([] { FreeHyphenDll(); });
    for (QByteArray *phone : {&expected.Tel, &expected.Fax, &expected.Portable1, &expected.Portable2})
        *phone = HyphenatePhone(*phone);
    ASSERT_EQ(expected.Tel, "03-1234-5678");
    expectSameRecord(readBack(t, recNo), expected);

    // Kept: the row's own time of adding, whatever the record holds; an empty note and file list read as absent.
    TAddressRecord edited = written;
    edited.AddDateTime = 1.0;
    edited.Note.reset();
    edited.ExtFile = QByteArrayList();
    edited.CodeSub = 678;
    t.Edit();
    SetAddressRecordFields(t, edited, TAddedTime::Keep);
    t.Post();
    expected.Note.reset();
    expected.ExtFile.reset();
    expected.CodeSub = 678;
    expectSameRecord(readBack(t, recNo), expected);
}

TEST(AddressRecordFields, TruncatedAndCorruptValuesReadIntoTheirFields)
{
    test::TestBook book;
    ASSERT_NO_FATAL_FAILURE(book.Open());
    TTable &t = *book.Module->AdrsTable;
    const int32_t recNo = appendRecord(t, fullRecord());
    t.Close();
    {
        // Another program's writing, past the fields' capacities and the columns' types.
        TSqliteDatabase db;
        db.Open(t.FileName(), TablePassword, false);
        const QByteArray a = sjis(QStringLiteral("あ"));
        TSqliteStatement update(db, "UPDATE Adrs SET CorpKanji = ?1, CustomCode = ?2, NameKana = ?3, Pos = ?4, "
                                    "\"Group\" = 'abc', Latitude = 'north', SymbolColor = '', "
                                    "AddDateTime = 'yesterday', PrivCorp = 'no', Tel = ?5 WHERE RecNo = ?6");
        update.BindText(1, "  " + a.repeated(70) + "  ");  // 140 bytes within the blanks, 120 fit
        update.BindText(2, "A" + a.repeated(10));            // 21 bytes: the 20th is a first byte
        update.BindText(3, sjis(QStringLiteral("ﾀﾛｳ")) + a.left(1));  // ends in half a character
        update.BindText(4, QByteArray("1000001") + char(0x82));       // 8 bytes, the last half a character
        update.BindText(5, "03-1234-5678-9999");
        update.BindInt(6, recNo);
        update.Step();
    }
    t.Open();
    const TAddressRecord r = readBack(t, recNo);
    const QByteArray a = sjis(QStringLiteral("あ"));
    EXPECT_EQ(r.CorpKanji, a.repeated(60));
    EXPECT_EQ(r.CustomCode, "A" + a.repeated(9));
    EXPECT_EQ(r.NameKana, sjis(QStringLiteral("ﾀﾛｳ")) + a.left(1));  // fits, kept as it is
    EXPECT_EQ(r.Pos, "1000001");
    EXPECT_LE(r.Tel.size(), TAddressRecord::TelCapacity);
    EXPECT_TRUE(r.Tel.startsWith("03-1234-5678")) << r.Tel.constData();
    EXPECT_EQ(r.Group, 0);
    EXPECT_EQ(r.Latitude, 0);
    EXPECT_EQ(r.SymbolColor, 0);
    EXPECT_EQ(r.AddDateTime, 0.0);
    EXPECT_FALSE(r.PrivCorp);
    // The fields nobody spoiled read as written.
    const TAddressRecord full = fullRecord();
    EXPECT_EQ(r.Longitude, full.Longitude);
    EXPECT_EQ(r.Adrs2, full.Adrs2);
    EXPECT_EQ(r.Note, full.Note);
}
