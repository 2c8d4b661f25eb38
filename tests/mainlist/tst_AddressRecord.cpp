// Reading an address-book row into the in-memory record, and releasing it.
#include "base/SjisCodec.h"
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/Table.h"
#include "mainlist/AdrsList.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AddressRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AdrsFolder = dir.path() + "/Adrs/";
        QDir().mkpath(AdrsFolder + "Book");
        dm = std::make_unique<TDMMirvale18>();
        DMMirvale18 = dm.get();
        dm->CreateAdrsTableObject("Book");
        ASSERT_TRUE(dm->OpenAdrsTable());
    }
    void TearDown() override
    {
        list.reset();
        dm->CloseAdrsTable();
        DMMirvale18 = nullptr;
    }
    int addRow(const std::function<void(TTable &)> &fill)
    {
        TTable &t = *dm->AdrsTable;
        t.Append();
        fill(t);
        t.Post();
        return t.FieldByName("RecNo").AsInteger();
    }

    QTemporaryDir dir;
    std::unique_ptr<TDMMirvale18> dm;
    std::unique_ptr<TAddressList> list = std::make_unique<TAddressList>();
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(AddressRecordTest, RowBecomesRecordWithTrimmedTextsAndMemoLines)
{
    const QByteArray corp = Sjis::encode(QString(60, QChar(0x4F1A)));  // 会 × 60: all 120 bytes of the column
    const int recNo = addRow([&](TTable &t) {
        t.FieldByName("Group").SetAsInteger(3);
        t.FieldByName("CorpKanji").SetAsString(corp);
        t.FieldByName("NameKanji").SetAsString("  @5C71@7530  ");
        t.FieldByName("SymbolMark").SetAsString(" \x81\x9C");  // kept as stored, blank included
        t.FieldByName("Joint3").SetAsString(Sjis::encode(QStringLiteral("花子")));
        t.FieldByName("JointPrint3").SetAsBoolean(true);
        t.FieldByName("Keyword8").SetAsString("last");
        t.FieldByName("Note").SetAsString("one\r\ntwo\nthree\r\n");
        t.FieldByName("AddDateTime").SetAsDateTime(46000.5);
        t.FieldByName("PrivCorp").SetAsBoolean(true);
    });
    TAddressRecord r;
    list->CurrentIndex = 5;
    ASSERT_TRUE(list->ReadRecord(recNo, &r));
    EXPECT_EQ(r.RecNo, recNo);
    EXPECT_EQ(r.Group, 3);
    EXPECT_EQ(r.CorpKanji, corp);
    EXPECT_EQ(r.NameKanji, "@5C71@7530");
    EXPECT_EQ(r.SymbolMark, " \x81\x9C");
    EXPECT_EQ(r.Joint[2], Sjis::encode(QStringLiteral("花子")));
    EXPECT_TRUE(r.JointPrints[2]);
    EXPECT_FALSE(r.JointPrints[0]);
    EXPECT_EQ(r.Keyword[7], "last");
    ASSERT_TRUE(r.Note.has_value());
    EXPECT_EQ(*r.Note, (QByteArrayList{"one", "two", "three"}));
    EXPECT_FALSE(r.ExtFile.has_value());
    EXPECT_DOUBLE_EQ(r.AddDateTime, 46000.5);
    EXPECT_TRUE(r.PrivCorp);
    EXPECT_EQ(list->CurrentIndex, -1);
}

TEST_F(AddressRecordTest, TelephoneNumbersAreHyphenatedWhenTheLibraryIsThere)
{
    const int recNo = addRow([](TTable &t) {
        t.FieldByName("Tel").SetAsString("0312345678");
        t.FieldByName("Portable1").SetAsString("09012345678");
    });
    TAddressRecord r;
    ASSERT_TRUE(list->ReadRecord(recNo, &r));
    EXPECT_EQ(r.Tel, "0312345678");  // no library: the digits as stored
    ASSERT_EQ(LoadHyphenDll(test::appDir(), test::appDir() + "Dic/"), 0);
    ASSERT_TRUE(list->ReadRecord(recNo, &r));
    FreeHyphenDll();
    EXPECT_EQ(r.Tel, "03-1234-5678");
    EXPECT_EQ(r.Portable1, "090-1234-5678");
}

TEST_F(AddressRecordTest, MissingRowIsReportedAndTheRecordKept)
{
    TAddressRecord r;
    r.CustomCode = "kept";
    EXPECT_FALSE(list->ReadRecord(999, &r));
    EXPECT_EQ(r.CustomCode, "kept");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("アドレス帳が読み出せませんでした  ")});
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
}

TEST_F(AddressRecordTest, ClearingEmptiesEverything)
{
    TAddressRecord r;
    r.RecNo = 4;
    r.Note = QByteArrayList{"a"};
    r.ExtFile = QByteArrayList{"/x"};
    r.Keyword[2] = "k";
    ClearAddressRecord(&r);
    EXPECT_EQ(r, TAddressRecord());
    EXPECT_FALSE(r.Note.has_value());
    ClearAddressRecord(nullptr);
}
