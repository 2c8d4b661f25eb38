// The text import: reading spreadsheet text, measuring fields as the record form does, rejected lines by
// number, one transaction that a stop, a failure or a killed process leaves without a trace.
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "base/TextUtils.h"
#include "db/Table.h"
#include "exchange/TextImport.h"
#include "mainlist/RecordListing.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"

#include "ExchangeTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<TCsvRow> readAll(const QString &text, QChar separator = QLatin1Char(','))
{
    TCsvReader reader(text, separator);
    std::vector<TCsvRow> rows;
    TCsvRow row;
    while (reader.Next(row))
        rows.push_back(row);
    return rows;
}

// The columns of the spreadsheet below, as the import's column choice takes them.
const std::vector<int> SheetItems = {2, 3, 8, 9, 12, 16, 17, 1, 34};

// A spreadsheet's export: header, quoted commas and line breaks, full-width digits, 𠮷 in a name and in a
// company, an over-long company, a malformed quote, a wrong postal code, an empty line.
QString sheet()
{
    return QStringLiteral(
        "顧客コード,電話番号,〒,住所,会社名,名前,名前カナ,グループ,備考\r\n"
        "A1,０３－１２３４－５６７８,100-0001,東京都千代田区千代田1-1,\"株式会社, 山田\",山田 太郎,やまだ たろう,グループ2,\"一行目\r\n二行目\"\r\n"
        "A2,06-1111-2222,5300001,大阪府大阪市北区梅田1,\"\"\"引用\"\"商会\",𠮷田 花子,ﾖｼﾀﾞ ﾊﾅｺ,,\r\n"
        "A3,03-0000-0000,1000001,東京都港区,𠮷野家商店,鈴木,,,\r\n"
        "A4,045-000-0000,2310001,神奈川県横浜市中区,%1,佐藤,,どこにもない,\r\n"
        "A5,03-1111-1111,1000001,\"東京都\"港区,会社,田中,,,\r\n"
        "\r\n"
        "A6,03-2222-2222,12,東京都中央区,会社,高橋,,,\r\n"
        "A7,03-3333-3333,1040061,東京都中央区銀座,\"閉じない会社,伊藤,,,\r\n"
        "A8,03-4444-4444,1040061,東京都中央区銀座,最後の会社,渡辺,,,\r\n")
        .arg(QString(70, QChar(u'長')));
}

class TextImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::SetSampleGroupNames();
        book = test::OpenBookTable(dir.path() + "/");
    }
    TImportOutcome import(const QString &text, bool header = true, int limit = MaxAdrsRecords,
                          const std::function<bool(qsizetype, qsizetype)> &progress = {},
                          const std::vector<int> &items = SheetItems)
    {
        TCsvReader reader(text, QLatin1Char(','));
        const TImportConverter converter(items, DateTimeToDouble(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 600))));
        return ImportRows(*book, reader, converter, header, limit, progress);
    }
    std::vector<std::map<QString, QByteArray>> stored()
    {
        std::vector<std::map<QString, QByteArray>> rows;
        QStringList names;
        for (int c = 0; c < book->FieldCount(); ++c)
            names << book->FieldDef(c).Name;
        book->SetIndexName(QString());
        book->Scan(names, true, [&](const QVariantList &v) {
            std::map<QString, QByteArray> row;
            for (int c = 0; c < names.size(); ++c)
                row[names[c]] = v[c].toByteArray();
            rows.push_back(row);
        });
        return rows;
    }

    TDMMirvale18 dataModule;  // registers the table password
    QTemporaryDir dir;
    std::unique_ptr<TTable> book;
};

// The note of a row whose 住所 disagrees with the parts it holds.
const QString AddressSetAside =
    QStringLiteral("「住所」が都道府県・市区町村・町域・番地・建物名と食い違うため、住所を取り込まず各項目を取り込みました");

}  // namespace

TEST(CsvReader, QuotedFieldsKeepSeparatorsQuotesAndLineBreaksAndFaultsCostOneLine)
{
    const auto rows = readAll(QStringLiteral("a,\"b,c\",\"d\"\"e\"\r\n\"x\ny\",z\n1,\"2\"3,4\n5,ab\"c,6\r\"open,7\n8,9"));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].Fields, (QStringList{"a", "b,c", "d\"e"}));
    EXPECT_EQ(rows[0].Line, 1);
    EXPECT_EQ(rows[1].Fields, (QStringList{"x\ny", "z"}));
    EXPECT_EQ(rows[1].Line, 2);
    EXPECT_TRUE(rows[2].Malformed);  // a closing quote followed by more text
    EXPECT_EQ(rows[2].Line, 4);
    EXPECT_EQ(rows[2].Text, QStringLiteral("1,\"2\"3,4"));
    EXPECT_EQ(rows[3].Fields, (QStringList{"5", "ab\"c", "6"}));  // a quote inside a field is a character
    EXPECT_TRUE(rows[4].Malformed);  // never closed: only its own line is lost
    EXPECT_EQ(rows[4].Line, 6);
    EXPECT_EQ(rows[5].Fields, (QStringList{"8", "9"}));
    EXPECT_EQ(rows[5].Line, 7);
    // Tabs separate; commas are then ordinary.
    EXPECT_EQ(readAll(QStringLiteral("a,b\tc"), QLatin1Char('\t'))[0].Fields, (QStringList{"a,b", "c"}));
}

TEST(CsvReader, EncodingIsDetectedFromTheBytes)
{
    const QString text = QStringLiteral("名前,電話\r\n山田,03");
    EXPECT_EQ(DetectTextEncoding("\xEF\xBB\xBF" + text.toUtf8()), TTextEncoding::Utf8);
    EXPECT_EQ(DetectTextEncoding(text.toUtf8()), TTextEncoding::Utf8);
    EXPECT_EQ(DetectTextEncoding(Sjis::encode(text)), TTextEncoding::ShiftJis);
    EXPECT_EQ(DecodeImportText("\xEF\xBB\xBF" + text.toUtf8(), TTextEncoding::Utf8), text);
    EXPECT_EQ(DecodeImportText(Sjis::encode(text), TTextEncoding::ShiftJis), text);
    // "Unicode text": UTF-16 in the byte order its mark gives, never Shift-JIS.
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "UTF-16BE" : "UTF-16LE");
        QStringEncoder encode(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
        const QByteArray bytes = QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + QByteArray(encode(text));
        EXPECT_EQ(DetectTextEncoding(bytes), TTextEncoding::Utf16);
        EXPECT_EQ(DecodeImportText(bytes, TTextEncoding::Utf16), text);
    }
}

namespace {

// A file that comes in a few bytes at a time, as a pipe or a slow disk gives it: a character reaches the reader
// in pieces.
class TDribble : public QIODevice {
public:
    explicit TDribble(const QByteArray &bytes) : bytes_(bytes) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 size = std::min<qint64>({maxSize, 3, bytes_.size() - at_});
        std::memcpy(data, bytes_.constData() + at_, static_cast<size_t>(size));
        at_ += size;
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 at_ = 0;
};

}  // namespace

// The encoding is the whole text's, however far into it the first character beyond ASCII stands and however the
// reads cut its characters; decoded, the text tells where the first bytes its encoding cannot read stand.
TEST(CsvReader, TheEncodingIsTheWholeTextsAndBytesItCannotReadAreFound)
{
    const QByteArray latin = QByteArray("Display Name,Primary Email\r\n") + QByteArray(1 << 20, 'a') + "\r\n";
    const QString names = QStringLiteral("山田 太郎,剝 鷗 𠮷\r\n");
    EXPECT_EQ(DetectTextEncoding(latin + names.toUtf8()), TTextEncoding::Utf8);
    EXPECT_EQ(DetectTextEncoding(latin + Sjis::encode(QStringLiteral("山田 太郎,森 鴎外\r\n"))), TTextEncoding::ShiftJis);
    EXPECT_EQ(DetectTextEncoding(latin), TTextEncoding::ShiftJis);
    // Cut off inside its last character, the text is no UTF-8.
    EXPECT_EQ(DetectTextEncoding(latin + names.toUtf8().chopped(3)), TTextEncoding::ShiftJis);
    for (const QByteArray &bytes : {names.toUtf8(), names.toUtf8() + "x"}) {
        TDribble dribble(bytes);
        EXPECT_EQ(DetectTextEncoding(dribble), TTextEncoding::Utf8);
        EXPECT_TRUE(dribble.atEnd());
    }
    // A surrogate written as UTF-8 and an overlong form are no UTF-8 either.
    for (const QByteArray &broken : {QByteArray("\xED\xA0\x80"), QByteArray("\xC0\xAF"), QByteArray("\xE0\x80\xAF")}) {
        TDribble dribble(names.toUtf8() + broken);
        EXPECT_EQ(DetectTextEncoding(dribble), TTextEncoding::ShiftJis) << broken.toHex().toStdString();
    }

    struct Case {
        const char *trace;
        QByteArray bytes;
        TTextEncoding encoding;
        qsizetype unreadableAt;  // in the decoded text
        QString text;            // the text decoded, where it is all readable
    };
    QStringEncoder utf16le(QStringEncoder::Utf16LE), utf16be(QStringEncoder::Utf16BE);
    const QByteArray lone = QByteArray::fromHex("3dd8");  // the first half of a surrogate pair, little-endian
    const QList<Case> cases = {
        {"UTF-8", "a,b\r\n" + names.toUtf8(), TTextEncoding::Utf8, -1, "a,b\r\n" + names},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + names.toUtf8() + "Zo\xEB,x\r\n", TTextEncoding::Utf8, names.size() + 2, {}},
        {"UTF-8 cut off", names.toUtf8().chopped(3), TTextEncoding::Utf8, names.size() - 4, {}},
        {"Shift-JIS", Sjis::encode(QStringLiteral("山田,森 鴎外\r\n")), TTextEncoding::ShiftJis, -1, QStringLiteral("山田,森 鴎外\r\n")},
        {"UTF-8 read as Shift-JIS", QStringLiteral("x\r\n山田 太郎\r\n").toUtf8(), TTextEncoding::ShiftJis, 3 + 8, {}},
        {"Latin-1 read as Shift-JIS", "a\r\nZo\xEB M\xFCller", TTextEncoding::ShiftJis, 5, {}},
        {"Shift-JIS cut off", Sjis::encode(QStringLiteral("山田")).chopped(1), TTextEncoding::ShiftJis, 1, {}},
        {"UTF-16", "\xFF\xFE" + QByteArray(utf16le(names)), TTextEncoding::Utf16, -1, names},
        {"UTF-16 big-endian", "\xFE\xFF" + QByteArray(utf16be(names)), TTextEncoding::Utf16, -1, names},
        {"UTF-16 with half a pair", "\xFF\xFE" + QByteArray(utf16le(u"a,")) + lone + QByteArray(utf16le(u"b")), TTextEncoding::Utf16, 2, {}},
        {"UTF-16 with a byte alone", "\xFF\xFE" + QByteArray(utf16le(u"ab")) + "c", TTextEncoding::Utf16, 2, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.trace);
        qsizetype at = -2;
        const QString text = DecodeImportText(c.bytes, c.encoding, &at);
        EXPECT_EQ(at, c.unreadableAt) << text.toStdString();
        if (c.unreadableAt < 0) {
            EXPECT_EQ(text, c.text);
        }
        // The reader marks the row that holds them.
        TCsvReader reader(text, QLatin1Char(','), false, at);
        TCsvRow row;
        int unreadable = 0;
        while (reader.Next(row))
            unreadable += row.Unreadable;
        EXPECT_EQ(unreadable, c.unreadableAt < 0 ? 0 : 1);
    }
}

// A row starts as a new record in the record form does, so a person comes in with his name printed on the
// postcard; what the file gives wins.
TEST(ImportConverter, ARowHasTheDefaultsOfANewRecordUnlessTheFileGivesTheField)
{
    const TImportConverter converter({11, 16, 35}, DateTimeToDouble(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))));
    TAddressRecord record;
    QStringList errors, notes;
    ASSERT_TRUE(converter.Convert({QStringLiteral("個人"), QStringLiteral("山田 太郎"), QString()}, &record, &errors, &notes));
    EXPECT_TRUE(record.PrivCorp);
    EXPECT_TRUE(record.JointPrint);
    EXPECT_EQ(record.SymbolColor, 0x7FDF3F);
    TAddressRecord expected = NewAddressRecord();
    expected.PrivCorp = true;
    expected.NameKanji = WideToEscapedAnsi(QStringLiteral("山田 太郎"));
    expected.AddDateTime = record.AddDateTime;
    expected.UpdDateTime = record.UpdDateTime;
    EXPECT_EQ(record, expected);

    ASSERT_TRUE(converter.Convert({QStringLiteral("会社"), QString(), QStringLiteral("★,$0000FF")}, &record, &errors, &notes));
    EXPECT_FALSE(record.PrivCorp);
    EXPECT_TRUE(record.JointPrint);
    EXPECT_EQ(record.SymbolMark, Sjis::encode(QStringLiteral("★")));
    EXPECT_EQ(record.SymbolColor, 0xFF);
}

// A whole address beside its parts, as files of other programs and edited exports give them: a part the row
// holds is stored as it stands; the address fills the parts the row leaves empty where it reads as the parts
// held with their text between (with or without a prefecture or building the row gives apart), and is set
// aside, and said so, where it says something else.
TEST(ImportConverter, AWholeAddressFillsOnlyThePartsTheRowLeavesEmpty)
{
    const TImportConverter converter({9, ipPrefecture, ipMunicipality, ipTown, ipBuilding}, 46000.0);
    struct Case {
        QStringList row, parts;
        bool setAside;
    };
    const Case cases[] = {
        // The town alone held: the address gives the prefecture and the municipality before it.
        {{"東京都港区芝公園4-2-8", "", "", "芝公園4-2-8", ""}, {"東京都", "港区", "芝公園4-2-8", ""}, false},
        // A building after the parts held.
        {{"東京都千代田区丸の内2-6-1 丸の内パークビルディング 12F", "東京都", "千代田区", "丸の内2-6-1", ""},
         {"東京都", "千代田区", "丸の内2-6-1", "丸の内パークビルディング 12F"}, false},
        // Blanks between the parts; the address without the prefecture held apart; or without the building.
        {{"東京都 千代田区　丸の内2-6-1", "東京都", "千代田区", "丸の内2-6-1", ""}, {"東京都", "千代田区", "丸の内2-6-1", ""}, false},
        {{"横浜市中区本町1-2-3", "神奈川県", "", "", ""}, {"神奈川県", "", "横浜市中区本町1-2-3", ""}, false},
        {{"大阪府大阪市北区梅田3-1-1", "", "", "", "グランフロント大阪 タワーA"},
         {"大阪府", "", "大阪市北区梅田3-1-1", "グランフロント大阪 タワーA"}, false},
        // Another prefecture than the one held.
        {{"大阪府大阪市北区梅田3-1-1", "東京都", "", "", ""}, {"東京都", "", "", ""}, true},
        // A new building where the record has no town: the address's old building is not the town.
        {{"福岡県福岡市博多区博多駅前シティビル 8F", "福岡県", "福岡市博多区", "", "博多駅前シティビル 9F"},
         {"福岡県", "福岡市博多区", "", "博多駅前シティビル 9F"}, true},
        // The address rewritten beside parts left as they were.
        {{"東京都港区芝公園４－２－８", "東京都", "千代田区", "丸の内２－４－１", "丸の内ビルディング　１２Ｆ"},
         {"東京都", "千代田区", "丸の内２－４－１", "丸の内ビルディング　１２Ｆ"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row.join(u'|').toStdString());
        TAddressRecord record;
        QStringList errors, notes;
        ASSERT_TRUE(converter.Convert(c.row, &record, &errors, &notes)) << errors.join(u'、').toStdString();
        EXPECT_EQ((QStringList{Sjis::decode(record.Tdfkn), Sjis::decode(record.Adrs1), Sjis::decode(record.Adrs2),
                               Sjis::decode(record.Adrs3)}),
                  c.parts);
        EXPECT_EQ(notes, c.setAside ? QStringList{AddressSetAside} : QStringList());
    }
}

// The address as people type it beside its parts: without its prefecture, after a postal code, with half-width
// digits or blanks of either width. Where it reads as the parts the row holds it fills only the empty ones, no
// part beginning or ending with a blank; where it says another address it goes into no part, however it begins,
// and is set aside and said.
TEST(ImportConverter, AnAddressTypedWithoutItsPrefectureOrAfterItsCodeAgreesOrIsSetAsideNeverGluedOntoAPart)
{
    const TImportConverter converter({8, 9, ipPrefecture, ipMunicipality, ipTown, ipBuilding}, 46000.0);
    struct Case {
        QStringList row, stored;  // 〒 and the four parts as stored
        bool setAside;
    };
    const QString umeda = QStringLiteral("梅田三丁目１番３号");
    const Case cases[] = {
        // Another town without a prefecture: not a building.
        {{"", "大阪市北区芝田一丁目１番４号", "大阪府", "大阪市北区", umeda, ""}, {"", "大阪府", "大阪市北区", umeda, ""}, true},
        // Another municipality where the row has no town, and a town alone beside another.
        {{"", "大阪市中央区本町一丁目", "大阪府", "大阪市北区", "", ""}, {"", "大阪府", "大阪市北区", "", ""}, true},
        {{"", "芝田一丁目１番４号", "大阪府", "大阪市北区", "", "梅田ビル５階"}, {"", "大阪府", "大阪市北区", "", "梅田ビル５階"}, true},
        // The same address without its prefecture, with a building; or from its town on.
        {{"", "大阪市北区" + umeda, "大阪府", "大阪市北区", umeda, ""}, {"", "大阪府", "大阪市北区", umeda, ""}, false},
        {{"", umeda + "　梅田ビル５階", "大阪府", "大阪市北区", umeda, ""}, {"", "大阪府", "大阪市北区", umeda, "梅田ビル５階"}, false},
        // A full-width blank before the building: it parts the building, it is not in it.
        {{"", "大阪府大阪市北区" + umeda + "　梅田ビル５階", "大阪府", "大阪市北区", umeda, ""},
         {"", "大阪府", "大阪市北区", umeda, "梅田ビル５階"}, false},
        // A postal code in front and half-width digits: the code fills the row's empty 〒.
        {{"", "〒530-0001 大阪府大阪市北区梅田3-1-3", "大阪府", "大阪市北区", "梅田３－１－３", ""},
         {"5300001", "大阪府", "大阪市北区", "梅田３－１－３", ""}, false},
        {{"530-0001", "〒５３０－０００１　大阪市北区梅田３ー１ー３ 梅田ビル5F", "大阪府", "", "", ""},
         {"5300001", "大阪府", "", "大阪市北区梅田３ー１ー３", "梅田ビル5F"}, false},
        // The code of another place, or the same address written in other words (三丁目 for 3-).
        {{"5300002", "〒530-0001 大阪府大阪市北区梅田3-1-3", "大阪府", "大阪市北区", "梅田3-1-3", ""},
         {"5300002", "大阪府", "大阪市北区", "梅田3-1-3", ""}, true},
        {{"", "〒530-0001 大阪府大阪市北区梅田3-1-3", "大阪府", "大阪市北区", umeda, ""}, {"", "大阪府", "大阪市北区", umeda, ""}, true},
        // Characters the book holds as others read as what it holds.
        {{"", "東京都千代田区剝町1-1 鷗ビル", "東京都", "千代田区", "剥町1-1", ""}, {"", "東京都", "千代田区", "剥町1-1", "鴎ビル"}, false},
        // Blanks of either width at the ends of the parts, and after the prefecture of the address alone.
        {{"", "", "　大阪府", "大阪市北区　", "", "　梅田ビル５階 "}, {"", "大阪府", "大阪市北区", "", "梅田ビル５階"}, false},
        {{"", "大阪府　大阪市北区梅田3-1-3　", "", "", "", ""}, {"", "大阪府", "", "大阪市北区梅田3-1-3", ""}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row.join(u'|').toStdString());
        TAddressRecord record;
        QStringList errors, notes;
        ASSERT_TRUE(converter.Convert(c.row, &record, &errors, &notes)) << errors.join(u'、').toStdString();
        EXPECT_EQ((QStringList{QString::fromLatin1(record.Pos), Sjis::decode(record.Tdfkn), Sjis::decode(record.Adrs1),
                               Sjis::decode(record.Adrs2), Sjis::decode(record.Adrs3)}),
                  c.stored);
        EXPECT_EQ(notes.contains(AddressSetAside), c.setAside) << notes.join(u'、').toStdString();
    }
}

// A whole address alone, as the export writes it: the building after the half-width blank the list sets before
// it, the municipality as far as the address dictionary names it (with or without its county), the town
// between. Without the dictionary the municipality stays with the town, which the list joins as it stands.
TEST(ImportConverter, AWholeAddressAloneComesBackIntoItsParts)
{
    TImportConverter converter({9, ipPrefecture}, 46000.0);
    converter.SetMunicipalities(DictionaryMunicipalities(test::appDir(), test::appDir() + QStringLiteral("Dic/")));
    TImportConverter withoutDictionary({9, ipPrefecture}, 46000.0);
    withoutDictionary.SetMunicipalities(DictionaryMunicipalities(QStringLiteral("/nonexistent/"), QString()));
    struct Case {
        QStringList row, parts, partsWithoutDictionary;
    };
    const Case cases[] = {
        {{"大阪府大阪市北区梅田3-1-3 5F", ""}, {"大阪府", "大阪市北区", "梅田3-1-3", "5F"}, {"大阪府", "", "大阪市北区梅田3-1-3", "5F"}},
        {{"東京都千代田区丸の内１－９－１ グラントウキョウノースタワー １２階", ""},
         {"東京都", "千代田区", "丸の内１－９－１", "グラントウキョウノースタワー １２階"},
         {"東京都", "", "千代田区丸の内１－９－１", "グラントウキョウノースタワー １２階"}},
        // No town: the building right after the municipality; no municipality either: after the prefecture.
        {{"福岡県福岡市博多区 博多駅前シティビル 8F", ""}, {"福岡県", "福岡市博多区", "", "博多駅前シティビル 8F"},
         {"福岡県", "", "福岡市博多区", "博多駅前シティビル 8F"}},
        {{"北海道 JRタワー", ""}, {"北海道", "", "", "JRタワー"}, {"北海道", "", "", "JRタワー"}},
        // The municipality without its county; the prefecture the row holds apart.
        {{"神奈川県山北町中川 ビレッジ鷗 3F", ""}, {"神奈川県", "山北町", "中川", "ビレッジ鴎 3F"},
         {"神奈川県", "", "山北町中川", "ビレッジ鴎 3F"}},
        {{"横浜市中区本町1-2-3", "神奈川県"}, {"神奈川県", "横浜市中区", "本町1-2-3", ""}, {"神奈川県", "", "横浜市中区本町1-2-3", ""}},
        // A full-width blank is kept as written.
        {{"大阪府大阪市北区梅田３－１－３　梅田ビル５階", ""}, {"大阪府", "大阪市北区", "梅田３－１－３　梅田ビル５階", ""},
         {"大阪府", "", "大阪市北区梅田３－１－３　梅田ビル５階", ""}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row.join(u'|').toStdString());
        for (const bool dictionary : {true, false}) {
            TAddressRecord record;
            QStringList errors, notes;
            ASSERT_TRUE((dictionary ? converter : withoutDictionary).Convert(c.row, &record, &errors, &notes));
            EXPECT_EQ((QStringList{Sjis::decode(record.Tdfkn), Sjis::decode(record.Adrs1), Sjis::decode(record.Adrs2),
                                   Sjis::decode(record.Adrs3)}),
                      dictionary ? c.parts : c.partsWithoutDictionary);
            EXPECT_FALSE(notes.contains(AddressSetAside));
        }
    }
}

// Columns chosen for one item, as files of other programs split them (姓 and 名, a reading in two, two
// departments, an address in two lines, a town apart from its block number): joined in their order by a blank as
// a name is written, an empty one adding nothing, within the item's size and a cut said as any cut is.
TEST(ImportConverter, ColumnsChosenForOneItemAreJoinedInTheirOrder)
{
    const TImportConverter converter({16, 16, 17, 17, 14, 2, 14, 9, 9, ipTown, ipTown, 21, 21}, 46000.0);
    TAddressRecord record;
    QStringList errors, notes;
    TRowChanges changes;
    ASSERT_TRUE(converter.Convert({"山田", "太郎", "やまだ", "たろう", "営業本部", "K-1", "第二営業部", "大阪府大阪市北区梅田3-1-3",
                                   "梅田ビル 5F", "", "", "森", "鷗外"},
                                  &record, &errors, &notes, &changes));
    EXPECT_EQ(EscapedAnsiToWide(record.NameKanji), QStringLiteral("山田 太郎"));
    EXPECT_EQ(Sjis::decode(record.NameKana), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    EXPECT_EQ(Sjis::decode(record.Dptmnt), QStringLiteral("営業本部 第二営業部"));
    EXPECT_EQ(record.CustomCode, "K-1");
    EXPECT_EQ((QStringList{Sjis::decode(record.Tdfkn), Sjis::decode(record.Adrs2), Sjis::decode(record.Adrs3)}),
              (QStringList{"大阪府", "大阪市北区梅田3-1-3", "梅田ビル 5F"}));
    EXPECT_EQ(EscapedAnsiToWide(record.Joint[0]), QStringLiteral("森 鷗外"));
    EXPECT_TRUE(notes.isEmpty()) << notes.join(u'、').toStdString();
    EXPECT_FALSE(changes.Cut);

    // One of them empty: the other alone. A town apart from its block number reads against the address.
    ASSERT_TRUE(converter.Convert({"", "花子", "", "", "", "", "", "大阪府大阪市北区梅田3-1-3", "", "梅田", "3-1-3", "", ""},
                                  &record, &errors, &notes, &changes));
    EXPECT_EQ(EscapedAnsiToWide(record.NameKanji), QStringLiteral("花子"));
    EXPECT_EQ(Sjis::decode(record.Adrs1) + "|" + Sjis::decode(record.Adrs2), QStringLiteral("大阪市北区|梅田 3-1-3"));
    EXPECT_TRUE(notes.isEmpty()) << notes.join(u'、').toStdString();

    // Joined beyond the name edit's 15 characters: cut there, and said.
    ASSERT_TRUE(converter.Convert({"勅使河原", "左衛門三郎兵衛之丞忠次", "", "", "", "", "", "", "", "", "", "", ""}, &record, &errors,
                                  &notes, &changes));
    EXPECT_EQ(EscapedAnsiToWide(record.NameKanji), QStringLiteral("勅使河原 左衛門三郎兵衛之丞忠"));
    EXPECT_EQ(notes, QStringList{QStringLiteral("「名前」を15文字に切り詰めました")});
    EXPECT_TRUE(changes.Cut);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'、').toStdString();
}

TEST_F(TextImportTest, SpreadsheetRowsAreStoredFieldByFieldAndRejectedLinesReportedByNumber)
{
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8 with BOM" : "Shift-JIS");
        book = nullptr;
        QFile::remove(dir.path() + "/Adrs.DB");
        book = test::OpenBookTable(dir.path() + "/");
        // Shift-JIS has no 𠮷: that file carries 吉 where the UTF-8 one has it.
        const QString text = utf8 ? sheet() : QString(sheet()).replace(QStringLiteral("𠮷"), QStringLiteral("吉"));
        const QByteArray bytes = utf8 ? "\xEF\xBB\xBF" + text.toUtf8() : Sjis::encode(text);
        const TTextEncoding encoding = DetectTextEncoding(bytes);
        EXPECT_EQ(encoding, utf8 ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis);
        const TImportOutcome outcome = import(DecodeImportText(bytes, encoding));
        ASSERT_TRUE(outcome.Failure.isEmpty());
        const auto rows = stored();
        ASSERT_EQ(outcome.Added, utf8 ? 4 : 5) << QString::fromUtf8(ImportReport(outcome)).toStdString();
        ASSERT_EQ(static_cast<int>(rows.size()), outcome.Added);

        const auto &a1 = rows[0];
        EXPECT_EQ(a1.at("CustomCode"), "A1");
        EXPECT_EQ(a1.at("Tel"), "0312345678");  // full-width digits and dash
        EXPECT_EQ(a1.at("Pos"), "1000001");
        EXPECT_EQ(a1.at("Tdfkn"), Sjis::encode(QStringLiteral("東京都")));
        EXPECT_EQ(a1.at("Adrs2"), Sjis::encode(QStringLiteral("千代田区千代田1-1")));
        EXPECT_EQ(a1.at("CorpKanji"), Sjis::encode(QStringLiteral("株式会社, 山田")));
        EXPECT_EQ(EscapedAnsiToWide(a1.at("NameKanji")), QStringLiteral("山田 太郎"));
        EXPECT_EQ(a1.at("NameKana"), Sjis::encode(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ")));  // readings half-width
        EXPECT_EQ(a1.at("Group"), "2");
        EXPECT_EQ(a1.at("Note"), Sjis::encode(QStringLiteral("一行目\r\n二行目")));
        EXPECT_EQ(DoubleToDateTime(a1.at("AddDateTime").toDouble()), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));

        const auto &a2 = rows[1];
        EXPECT_EQ(a2.at("CorpKanji"), Sjis::encode(QStringLiteral("\"引用\"商会")));
        EXPECT_EQ(EscapedAnsiToWide(a2.at("NameKanji")), utf8 ? QStringLiteral("𠮷田 花子") : QStringLiteral("吉田 花子"));
        EXPECT_EQ(a2.at("Tdfkn"), Sjis::encode(QStringLiteral("大阪府")));

        // A4: the company cut to the record form's 112 bytes, the unknown group left empty, both noted.
        const auto &a4 = rows[utf8 ? 2 : 3];
        EXPECT_EQ(a4.at("CustomCode"), "A4");
        EXPECT_EQ(a4.at("CorpKanji"), Sjis::encode(QString(56, QChar(u'長'))));
        EXPECT_EQ(a4.at("Group"), "0");
        // A8 follows the unclosed quote of A7, which costs only its own line.
        EXPECT_EQ(rows.back().at("CustomCode"), "A8");

        std::vector<std::pair<int, bool>> problems;
        for (const TImportProblem &p : outcome.Problems)
            problems.emplace_back(p.Line, p.Rejected);
        std::vector<std::pair<int, bool>> expected;
        if (utf8)
            expected.emplace_back(5, true);  // 𠮷 in the company name
        // A5 ("東京都"港区: text after a closing quote) is refused rather than guessed at.
        expected.insert(expected.end(), {{6, false}, {7, true}, {9, true}, {10, true}});
        EXPECT_EQ(problems, expected);
        const QString report = QString::fromUtf8(ImportReport(outcome).mid(3));
        EXPECT_TRUE(report.contains(QStringLiteral("9行目: 取り込めませんでした（正しい桁数の郵便番号を入力してください）"))) << report.toStdString();
        EXPECT_TRUE(report.contains(QStringLiteral("10行目: 取り込めませんでした（引用符")));
        EXPECT_TRUE(report.contains(QStringLiteral("6行目: 取り込みました（「会社名」を112バイトに切り詰めました、グループ「どこにもない」")));
        if (utf8) {
            EXPECT_TRUE(report.contains(QStringLiteral("5行目: 取り込めませんでした（「会社名」にShift-JISで表せない文字があります（𠮷）")));
        }
    }
}

TEST_F(TextImportTest, ControlCodesAreRefusedAndSignsStoredAsTheyLook)
{
    const QString text = QStringLiteral(
        "A1,03-1111-1111,1000001,東京都港区,会社%1名,田中,,,\r\n"
        "A2,03-2222-2222,1000001,東京都港区%2,会社,高橋,,,\r\n"
        "A3,03-3333-3333,1000001,東京都港区,会社,伊%3藤,,,\r\n"
        "A4,03-4444-4444,1000001,東京都港区,¥100‾鷗商会,渡辺,,,\"一行目\t\r\n二行目\"\r\n")
        .arg(QChar(0), QChar(0x7F), QChar(0x85));
    const TImportOutcome outcome = import(text, false);
    ASSERT_TRUE(outcome.Failure.isEmpty());
    const auto rows = stored();
    // A NUL in a company, DEL in an address and a C1 code in a name would be stored inside the text.
    ASSERT_EQ(rows.size(), 1u) << QString::fromUtf8(ImportReport(outcome)).toStdString();
    const QString report = QString::fromUtf8(ImportReport(outcome).mid(3));
    EXPECT_TRUE(report.contains(QStringLiteral("1行目: 取り込めませんでした（「会社名」に制御文字があります")));
    EXPECT_TRUE(report.contains(QStringLiteral("2行目: 取り込めませんでした（「住所」に制御文字があります")));
    EXPECT_TRUE(report.contains(QStringLiteral("3行目: 取り込めませんでした（「名前」に制御文字があります")));
    // ¥ and ‾ would come back as a backslash and a tilde: they are kept as the full-width signs, and said; so is
    // a character Shift-JIS writes as a look-alike.
    EXPECT_EQ(Sjis::decode(rows[0].at("CorpKanji")), QStringLiteral("￥100￣鴎商会"));
    EXPECT_TRUE(report.contains(QStringLiteral("「会社名」の「鷗」を「鴎」にしました"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("「会社名」の「¥」を「￥」にしました"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("「会社名」の「‾」を「￣」にしました")));
    // The memo keeps its line breaks and tabs.
    EXPECT_EQ(rows[0].at("Note"), Sjis::encode(QStringLiteral("一行目\t\r\n二行目")));
}

// An address longer than the town's field is split where no blank is lost or added: every reader trims each
// field before joining them and the list sets a blank of its own before the building only.
TEST_F(TextImportTest, ALongAddressIsSplitWhereNoBlankIsLost)
{
    const QString street = QString(49, QChar(u'町')) + QStringLiteral("1B 5F");
    for (const QString &rest : {street, QString(street).replace(u' ', QStringLiteral("　"))}) {
        book = nullptr;
        QFile::remove(dir.path() + "/Adrs.DB");
        book = test::OpenBookTable(dir.path() + "/");
        const TImportOutcome outcome = import(QStringLiteral("A1,03-1111-1111,1000001,東京都%1,会社,田中,,,\r\n").arg(rest), false);
        ASSERT_EQ(outcome.Added, 1);
        const auto rows = stored();
        const QByteArray adrs1 = rows[0].at("Adrs1"), adrs2 = rows[0].at("Adrs2"), adrs3 = rows[0].at("Adrs3");
        EXPECT_LE(adrs1.size(), 32);
        EXPECT_LE(adrs2.size(), 100);
        EXPECT_EQ(Sjis::decode(JoinAddressParts<QByteArray>({QByteArray(), adrs1, adrs2, adrs3})), rest);
    }
}

// A file that keeps the address in parts puts each into the record's own field, in whatever order its columns
// come; a building beside a whole address follows it; the list joins them back into the file's address.
TEST_F(TextImportTest, AnAddressInPartsLandsEachPartInItsFieldAndTheListJoinsThemBack)
{
    const std::vector<int> items = {2, ipBuilding, ipTown, 9, ipMunicipality, ipPrefecture};
    const QString longBuilding = QString(58, QChar(u'棟')) + QStringLiteral("5F");
    const QString text = QStringLiteral("A1,○○ビル 5F,千代田1-1,,千代田区,東京都\r\n"  // every part
                                        "A2,,,大阪府大阪市北区梅田1-2,,\r\n"           // the whole address alone
                                        "A3,梅田ビル 3F,,大阪府大阪市北区梅田1-3,,\r\n"  // and with its building
                                        "A4,%1,本町1,,,\r\n"                           // a building too long
                                        "A5,,,,横浜市中区,神奈川県\r\n")               // the first parts alone
                             .arg(longBuilding);
    const TImportOutcome outcome = import(text, false, MaxAdrsRecords, {}, items);
    ASSERT_TRUE(outcome.Failure.isEmpty());
    ASSERT_EQ(outcome.Added, 5) << QString::fromUtf8(ImportReport(outcome)).toStdString();
    const auto rows = stored();
    const auto fields = [&rows](int row) {
        QStringList parts;
        for (const char *name : {"Tdfkn", "Adrs1", "Adrs2", "Adrs3"})
            parts << Sjis::decode(rows[row].at(name));
        return parts;
    };
    EXPECT_EQ(fields(0), (QStringList{"東京都", "千代田区", "千代田1-1", "○○ビル 5F"}));
    EXPECT_EQ(fields(1), (QStringList{"大阪府", "", "大阪市北区梅田1-2", ""}));
    EXPECT_EQ(fields(2), (QStringList{"大阪府", "", "大阪市北区梅田1-3", "梅田ビル 3F"}));
    EXPECT_EQ(fields(3), (QStringList{"", "", "本町1", QString(58, QChar(u'棟'))}));
    EXPECT_EQ(fields(4), (QStringList{"神奈川県", "横浜市中区", "", ""}));
    const QString report = QString::fromUtf8(ImportReport(outcome).mid(3));
    EXPECT_TRUE(report.contains(QStringLiteral("4行目: 取り込みました（「建物名」を116バイトに切り詰めました）"))) << report.toStdString();

    const QStringList addresses{QStringLiteral("東京都千代田区千代田1-1 ○○ビル 5F"), QStringLiteral("大阪府大阪市北区梅田1-2"),
                                QStringLiteral("大阪府大阪市北区梅田1-3 梅田ビル 3F"), QStringLiteral("本町1 ") + fields(3)[3],
                                QStringLiteral("神奈川県横浜市中区")};
    QStringList listed;
    TListCells cells(*book, [](int32_t, int32_t) { return QByteArray(); });
    book->First();
    for (int row = 0; !book->Eof(); book->Next(), ++row)
        listed << cells.Text(9, row);
    EXPECT_EQ(listed, addresses);
}

TEST_F(TextImportTest, AStopOrTheRecordLimitLeavesTheRestOut)
{
    test::AddSampleRecords(*book, 3, false);
    // Stopped at the first question: nothing of the file is in the book.
    QString many = sheet();
    for (int i = 0; i < 2000; ++i)
        many += QStringLiteral("B%1,03-5555-%2,1000001,東京都港区,会社,名前,,,\r\n").arg(i).arg(i % 10000, 4, 10, QLatin1Char('0'));
    const TImportOutcome stopped = import(many, true, MaxAdrsRecords, [](qsizetype, qsizetype) { return false; });
    // Small imports may finish before the first question; then nothing was stopped.
    if (stopped.Stopped) {
        EXPECT_EQ(book->RecordCount(), 3);
    }
    // Two places left under a limit of 5: the third good row is rejected for the limit.
    book = nullptr;
    QFile::remove(dir.path() + "/Adrs.DB");
    book = test::OpenBookTable(dir.path() + "/");
    test::AddSampleRecords(*book, 3, false);
    const TImportOutcome limited = import(sheet(), true, 5);
    EXPECT_EQ(limited.Added, 2);
    EXPECT_EQ(book->RecordCount(), 5);
    ASSERT_FALSE(limited.Problems.empty());
    EXPECT_TRUE(std::any_of(limited.Problems.begin(), limited.Problems.end(),
                            [](const TImportProblem &p) { return p.Reason.contains(QStringLiteral("最大登録件数")); }));
}

TEST_F(TextImportTest, AProcessKilledInTheMiddleLeavesTheBookAsBefore)
{
    test::AddSampleRecords(*book, 10, false);
    QString many;
    for (int i = 0; i < 300000; ++i)
        many += QStringLiteral("K%1,03-5555-0000,1000001,東京都港区,会社%1,名前,,,\r\n").arg(i);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child imports and tells the parent once rows are being written; the parent kills it then.
        close(ready[0]);
        bool told = false;
        import(many, true, 1000000, [&](qsizetype, qsizetype) {
            if (!told) {
                told = true;
                const char c = 1;
                (void)!write(ready[1], &c, 1);
            }
            return true;
        });
        _exit(0);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    usleep(200000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    ASSERT_TRUE(WIFSIGNALED(status));
    book = nullptr;
    book = test::OpenBookTable(dir.path() + "/");
    EXPECT_EQ(book->RecordCount(), 10);
    EXPECT_EQ(stored().back().at("CustomCode"), "C9");
}
