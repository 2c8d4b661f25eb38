// The address and postal-code conversion over a book and its senders, with the real postal dictionary.
#include "exchange/CnvAdPos.h"

#include "TestBook.h"
#include "db/Table.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

QString column(const QString &file, const QByteArray &sql)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement s(db, sql);
    QStringList values;
    while (s.Step())
        values << Sjis::decode(s.ColumnText(0));
    return values.join(',');
}

TEST(ConvertAdrsPos, RenamesTheMunicipalityWhereTheTownConfirmsThePlace)
{
    test::TestBook book;
    book.Open(QStringLiteral("Book"));
    AppFolder = test::appDir();
    AdrsBookList = {{QStringLiteral("Book"), QStringLiteral("Book")}};
    CurrentAdrsIndex = 0;
    TTable &t = *book.Module->AdrsTable;
    struct R {
        const char *pos;
        QString city, town;
    };
    // An old name of the place, the present name, a town the code does not have, no code at all.
    for (const R &r : {R{"1140022", QStringLiteral("王子市"), QStringLiteral("王子本町１－１５－２２")},
                       R{"1140022", QStringLiteral("北区"), QStringLiteral("王子本町１－１")},
                       R{"1140022", QStringLiteral("王子市"), QStringLiteral("どこか町１")},
                       R{"", QStringLiteral("王子市"), QStringLiteral("王子本町１")}}) {
        t.Append();
        t.FieldByName("NameKanji").SetAsString(WideToEscapedAnsi(QStringLiteral("𠮷田　太郎")));
        t.FieldByName("Pos").SetAsString(r.pos);
        t.FieldByName("Tdfkn").SetAsString(sjis(QStringLiteral("東京都")));
        t.FieldByName("Adrs1").SetAsString(sjis(r.city));
        t.FieldByName("Adrs2").SetAsString(sjis(r.town));
        t.FieldByName("JisCode").SetAsString(r.city == QStringLiteral("北区") ? "13117" : "");
        t.Post();
    }
    ASSERT_TRUE(book.Module->OpenSenderTable());
    TTable &s = *book.Module->SenderTable;
    s.Append();
    s.FieldByName("RecNo").SetAsInteger(1);
    s.FieldByName("Name").SetAsString(WideToEscapedAnsi(QStringLiteral("髙橋　花子")));
    s.FieldByName("Pos").SetAsString("1140022");
    s.FieldByName("Tdfkn").SetAsString(sjis(QStringLiteral("東京都")));
    s.FieldByName("Adrs1").SetAsString(sjis(QStringLiteral("王子市")));
    s.FieldByName("Adrs2").SetAsString(sjis(QStringLiteral("王子本町３")));
    s.Post();

    const test::MessageBoxScript boxes;
    TConvertAdrsPos dialog(nullptr);
    ASSERT_EQ(dialog.Changes().size(), 3u);  // the first record's city and code, the sender's city
    // Names are listed as they read, not in the "@" escape they are kept in.
    EXPECT_EQ(dialog.Changes()[0].Name, QStringLiteral("𠮷田　太郎"));
    EXPECT_EQ(dialog.Changes()[2].Name, QStringLiteral("髙橋　花子"));
    ASSERT_TRUE(dialog.Execute());
    const QString adrs = AdrsFolder + "Book/Adrs.DB";
    EXPECT_EQ(column(adrs, "SELECT Adrs1 FROM Adrs ORDER BY RecNo"), QStringLiteral("北区,北区,王子市,王子市"));
    EXPECT_EQ(column(adrs, "SELECT JisCode FROM Adrs ORDER BY RecNo"), QStringLiteral("13117,13117,,"));
    EXPECT_EQ(column(OtherFolder + "Sender.DB", "SELECT Adrs1 FROM Sender"), QStringLiteral("北区"));
    EXPECT_EQ(column(DataRootFolder + "backup.cap/Book/Adrs.DB", "SELECT Adrs1 FROM Adrs ORDER BY RecNo"),
              QStringLiteral("王子市,北区,王子市,王子市"));
}

}  // namespace
