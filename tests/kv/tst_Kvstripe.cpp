// Kvstripe.so as the program loads it, over the built Dic/Geo.dic: the data of the customer barcode for Japan
// Post's own worked examples and for real addresses written the ways people write them, the bitmap read back
// bar by bar (and compared with libzint's bars), and the codes and files of calls that must make no barcode.
#include "GeoTest.h"

#include "Kvstripe/Kvstripe.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTransform>

#include <zint.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

using geotest::sjis;

struct TCase {
    const char *postalCode;
    const char *address;
    const char *data;  // what the buffer receives: the postal code and the address number
};

// The worked examples of Japan Post's barcode manual, with the postal codes of their towns.
const std::vector<TCase> PublishedExamples = {
    {"263-0023", "千葉県千葉市稲毛区緑町3丁目30-8 郵便ビル403号", "26300233-30-8-403"},
    {"014-0113", "秋田県大仙市堀見内 南田茂木 添60-1", "014011360-1"},
    {"110-0016", "東京都台東区台東5-6-3 ABCビル10F", "11000165-6-3-10"},
    {"060-0906", "北海道札幌市東区北六条東4丁目 郵便センター6号館", "06009064-6"},
    {"065-0006", "北海道札幌市東区北六条東8丁目 郵便センター10号館", "06500068-10"},
    {"407-0033", "山梨県韮崎市龍岡町下條南割 韮崎400", "4070033400"},
    {"273-0102", "千葉県鎌ケ谷市右京塚 東3丁目-20-5 郵便・A&bコーポB604号", "27301023-20-5B604"},
    {"198-0036", "東京都青梅市河辺町十一丁目六番地一号 郵便タワー601", "198003611-6-1-601"},
    {"100-0013", "東京都千代田区霞が関1丁目3番2号 郵便プラザ503室", "10000131-3-2-503"},
    {"317-0055", "茨城県日立市宮田町6丁目7-14 ABCビル2F", "31700556-7-14-2"},
    {"623-0011", "京都府綾部市青野町出口 6-7 LプラザB 106", "62300116-7LB106"},
    // Longer than the symbol: cut at its 20th character, where a letter keeps only its control character.
    {"064-0804", "札幌市中央区南四条西29丁目1524-23 第2郵便ハウス501", "064080429-1524-23-2-"},
    {"910-0067", "福井県福井市新田塚3丁目80-25 J1ビル2-B", "91000673-80-25J1-2B"},
    // A large office's own code carries no address number.
    {"100-8792", "東京都千代田区大手町2-3-1", "1008792"},
};

// Real places; the numbers after the town as people write them.
const std::vector<TCase> RealAddresses = {
    // One address however it is written: digits of either width, kanji numerals, 丁目/番/号, の and every
    // hyphen (full-width, minus, dash, bar, the long-vowel mark after a digit), with or without prefecture
    // and municipality, ヶ for が.
    {"1000013", "東京都千代田区霞が関１丁目３番２号", "10000131-3-2"},
    {"1000013", "東京都千代田区霞が関一丁目三番二号", "10000131-3-2"},
    {"1000013", "東京都千代田区霞ヶ関1-3-2", "10000131-3-2"},
    {"1000013", "千代田区霞が関１－３－２", "10000131-3-2"},
    {"1000013", "霞が関1‐3‐2", "10000131-3-2"},
    {"1000013", "霞が関1―3―2", "10000131-3-2"},
    {"1000013", "霞が関1─3─2", "10000131-3-2"},
    {"1000013", "霞が関1−3−2", "10000131-3-2"},
    {"1000013", "霞が関1ー3ー2", "10000131-3-2"},
    {"1000013", "霞が関1ｰ3ｰ2", "10000131-3-2"},
    {"1000013", "霞が関1の3の2", "10000131-3-2"},
    {"1000013", "東京都　千代田区　霞が関　１－３－２", "10000131-3-2"},
    // Buildings, rooms, floors and letters; the town's name again in the building's.
    {"1000013", "東京都千代田区霞が関1-3-2 霞が関ビル1203号室", "10000131-3-2-1203"},
    {"1000013", "東京都千代田区霞が関1-3-2 郵便ビル5F", "10000131-3-2-5"},
    {"1000013", "東京都千代田区霞が関1-3-2-405", "10000131-3-2-405"},
    {"1000013", "霞が関3丁目A棟", "10000133A"},
    {"1000013", "東京都千代田区霞が関1-3-2 b棟", "10000131-3-2B"},
    {"1000013", "東京都千代田区霞が関1-3-2 ＡＢＣハイツ", "10000131-3-2"},
    {"5400005", "大阪府大阪市中央区上町A-7", "5400005A7"},
    // Kanji numerals count only before 丁目, 丁, 番地, 番, 号, 地割, 線, の, ノ.
    {"1000013", "東京都千代田区霞が関1-3-2 第二ビル六〇一", "10000131-3-2"},
    {"1000013", "東京都千代田区霞が関百一番地", "1000013101"},
    {"0270203", "岩手県宮古市津軽石第三地割一〇三番地", "02702033-103"},
    {"0287111", "岩手県八幡平市大更第35地割62", "028711135-62"},
    {"5900074", "大阪府堺市堺区北花田口町3丁2-6", "59000743-2-6"},
    // Numbers that belong to the town's name, in kanji or in digits.
    {"1600004", "東京都新宿区四谷一丁目6番1号", "16000041-6-1"},
    {"1020082", "東京都千代田区一番町10-2", "102008210-2"},
    {"9800811", "宮城県仙台市青葉区一番町四丁目7-17", "98008114-7-17"},
    {"4600001", "名古屋市中区三の丸三丁目1番1号", "46000013-1-1"},
    {"7600017", "香川県高松市番町一丁目8番15号", "76000171-8-15"},
    {"3440006", "埼玉県春日部市八丁目123", "3440006123"},
    {"0030001", "札幌市白石区東札幌1条3丁目5-1", "00300013-5-1"},
    // A town Japan Post lists block by block keeps the block in the number.
    {"9480082", "新潟県十日町市本町2丁目123", "94800822-123"},
    // Codes without towns: the whole municipality, or a municipality whose numbers follow its name.
    {"1000301", "東京都利島村248", "1000301248"},
    {"4150001", "静岡県下田市2丁目4-26", "41500012-4-26"},
    // Kyoto: street, crossing and direction (上る, 下ル, 西入, 東入) before the town, numbers in them too.
    {"6040925", "京都市中京区寺町通御池上る上本能寺前町488", "6040925488"},
    {"6008216", "京都府京都市下京区烏丸通塩小路下ル東塩小路町721-1", "6008216721-1"},
    {"6028041", "京都府京都市上京区下立売通新町西入薮ノ内町5", "60280415"},
    {"6008002", "京都府京都市下京区四条通寺町東入二丁目御旅町35", "600800235"},
    {"6050933", "京都府京都市東山区大和大路通正面下る大和大路2丁目537", "60509332-537"},
};

// The symbol characters in the manual's notation and their bars: L long, U upper half, D lower half, T timing.
const std::map<QString, QString> Characters = {
    {"1", "LLT"}, {"2", "LDU"}, {"3", "DLU"}, {"4", "LUD"}, {"5", "LTL"}, {"6", "DUL"},
    {"7", "ULD"}, {"8", "UDL"}, {"9", "TLL"}, {"0", "LTT"}, {"-", "TLT"}, {"CC1", "DUT"},
    {"CC2", "DTU"}, {"CC3", "UDT"}, {"CC4", "TDU"}, {"CC5", "UTD"}, {"CC6", "TUD"}, {"CC7", "TTL"},
    {"CC8", "LLL"},
};

class Kvstripe : public geotest::Library {
protected:
    Kvstripe() : Library("Kvstripe.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        createAdrsBar = entry<TCreateAdrsBar>("CreateAdrsBar");
        ASSERT_TRUE(dir.isValid());
    }

    struct TResult {
        int code;
        QByteArray data;  // the buffer up to its NUL
        bool operator==(const TResult &) const = default;
    };

    TResult make(const QByteArray &postal, const QByteArray &address, const QString &file, int direction = 0,
                 const QByteArray &folder = geotest::dicFolder())
    {
        char buffer[KVSTRIPE_BUFFER_SIZE + 4];
        std::memset(buffer, 0, KVSTRIPE_BUFFER_SIZE);
        std::memset(buffer + KVSTRIPE_BUFFER_SIZE, 0x7F, 4);
        const QByteArray path = QFile::encodeName(file);
        const int code = createAdrsBar(postal.constData(), address.constData(), direction, buffer, "",
                                       folder.constData(), path.constData());
        EXPECT_EQ(QByteArray(buffer + KVSTRIPE_BUFFER_SIZE, 4), QByteArray(4, 0x7F));
        return {code, QByteArray(buffer, qstrnlen(buffer, KVSTRIPE_BUFFER_SIZE))};
    }
    TResult make(const TCase &c) { return make(c.postalCode, sjis(QString::fromUtf8(c.address)), bmp()); }

    QString bmp() const { return dir.filePath(QStringLiteral("Barcode.bmp")); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }

    void expectData(const std::vector<TCase> &cases)
    {
        for (const TCase &c : cases) {
            const TResult r = make(c);
            EXPECT_EQ(r.code, KVSTRIPE_OK) << c.address;
            EXPECT_EQ(r.data, QByteArray(c.data)) << c.address;
        }
    }

    QTemporaryDir dir;
    TCreateAdrsBar createAdrsBar = nullptr;
};

// The bars of a horizontal bitmap from left to right, read as the kinds L, U, D, T.
QString readBars(const QImage &image)
{
    QString bars;
    const int h = image.height();
    auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    for (int x = 0; x < image.width(); ++x) {
        int top = -1, bottom = -1;
        for (int y = 0; y < h; ++y)
            if (black(x, y)) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        if (top < 0 || (x > 0 && black(x - 1, top)))
            continue;  // no bar, or a column of the bar already read
        bars += top == 0 && bottom == h - 1 ? 'L' : top == 0 ? 'U' : bottom == h - 1 ? 'D' : 'T';
    }
    return bars;
}

// The characters between start and stop in the manual's notation; empty when a start, stop or character
// is not one of the symbol's.
QStringList decode(const QString &bars)
{
    if (bars.size() != 67 || !bars.startsWith(QLatin1String("LD")) || !bars.endsWith(QLatin1String("DL")))
        return {};
    QStringList out;
    for (int i = 2; i + 3 <= 65; i += 3) {
        const QString triple = bars.mid(i, 3);
        auto it = std::find_if(Characters.begin(), Characters.end(), [&](const auto &c) { return c.second == triple; });
        if (it == Characters.end())
            return {};
        out << it->first;
    }
    return out;
}

// libzint's bars for the same data, as the same letters.
QString zintBars(const QByteArray &data)
{
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = BARCODE_JAPANPOST;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()))
        >= ZINT_ERROR)
        return {};
    auto set = [&](int row, int column) { return (symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1; };
    QString bars;
    for (int x = 0; x < symbol->width; x += 2)
        bars += set(0, x) && set(2, x) ? 'L' : set(0, x) ? 'U' : set(2, x) ? 'D' : 'T';
    return bars;
}

TEST_F(Kvstripe, PublishedExamples) { expectData(PublishedExamples); }

TEST_F(Kvstripe, RealAddressesAsPeopleWriteThem) { expectData(RealAddresses); }

TEST_F(Kvstripe, BitmapReadsBackBarByBar)
{
    struct TSymbol {
        const char *postalCode;
        const char *address;
        const char *characters;  // the 20 data characters and the check character, by the manual's table
        bool zint;               // whether libzint takes the data (it refuses to end on a control character)
    };
    const std::vector<TSymbol> symbols = {
        // The manual's check digit example: the sum 109 is made a multiple of 19 by 5.
        {"2630023", "千葉県千葉市稲毛区緑町3丁目30-8 郵便ビル403号", "2 6 3 0 0 2 3 3 - 3 0 - 8 - 4 0 3 CC4 CC4 CC4 5", true},
        {"6230011", "京都府綾部市青野町出口 6-7 LプラザB 106", "6 2 3 0 0 1 1 6 - 7 CC2 1 CC1 1 1 0 6 CC4 CC4 CC4 4", true},
        {"1000013", "霞が関1-3-2Z", "1 0 0 0 0 1 3 1 - 3 - 2 CC3 5 CC4 CC4 CC4 CC4 CC4 CC4 0", true},
        {"0640804", "札幌市中央区南四条西29丁目1524-23 第2郵便ハウス501", "0 6 4 0 8 0 4 2 9 - 1 5 2 4 - 2 3 - 2 - 3", false},
        {"9100067", "福井県福井市新田塚3丁目80-25 J1ビル2-B", "9 1 0 0 0 6 7 3 - 8 0 - 2 5 CC1 9 1 - 2 CC1 9", false},
    };
    for (const TSymbol &s : symbols) {
        const TResult r = make(s.postalCode, sjis(QString::fromUtf8(s.address)), bmp());
        ASSERT_EQ(r.code, KVSTRIPE_OK) << s.address;
        const QImage horizontal(bmp());
        EXPECT_EQ(horizontal.size(), QSize(KVSTRIPE_BMP_LONG, KVSTRIPE_BMP_SHORT));
        const QString bars = readBars(horizontal);
        EXPECT_EQ(decode(bars).join(' '), QLatin1String(s.characters)) << s.address;
        if (s.zint) {
            EXPECT_EQ(bars, zintBars(r.data)) << s.address;
        }

        ASSERT_EQ(make(s.postalCode, sjis(QString::fromUtf8(s.address)), bmp(), 1).code, KVSTRIPE_OK);
        const QImage vertical(bmp());
        EXPECT_EQ(vertical.size(), QSize(KVSTRIPE_BMP_SHORT, KVSTRIPE_BMP_LONG));
        // Turned back, the vertical barcode is the horizontal one: it reads from the top, its top at the right.
        EXPECT_EQ(vertical.transformed(QTransform().rotate(-90)).convertToFormat(horizontal.format()), horizontal);
    }
    EXPECT_EQ(files(), QStringList{QStringLiteral("Barcode.bmp")});
}

TEST_F(Kvstripe, CodesThatGetNoBarcode)
{
    const QByteArray address = sjis(QStringLiteral("東京都千代田区千代田1-1"));
    test::writeFile(bmp(), "before");
    const struct {
        const char *postalCode;
        int code;
    } cases[] = {
        {"1000000", KVSTRIPE_NO_BARCODE},  // 千代田区's representative code
        {"0000000", KVSTRIPE_UNKNOWN_POSTAL_CODE},
        {"", KVSTRIPE_BAD_POSTAL_CODE},
        {"100001", KVSTRIPE_BAD_POSTAL_CODE},
        {"10000011", KVSTRIPE_BAD_POSTAL_CODE},
        {"1000-001", KVSTRIPE_BAD_POSTAL_CODE},
        {"１００－０００１", KVSTRIPE_BAD_POSTAL_CODE},
        {"100-000A", KVSTRIPE_BAD_POSTAL_CODE},
    };
    for (const auto &c : cases) {
        const TResult r = make(c.postalCode, address, bmp());
        EXPECT_EQ(r.code, c.code) << c.postalCode;
        EXPECT_TRUE(r.data.isEmpty()) << c.postalCode;
    }
    EXPECT_EQ(createAdrsBar(nullptr, address.constData(), 0, nullptr, "", geotest::dicFolder().constData(),
                            QFile::encodeName(bmp()).constData()),
              KVSTRIPE_BAD_POSTAL_CODE);
    EXPECT_EQ(make("1000001", "\x82", bmp()).code, KVSTRIPE_BAD_ADDRESS);
    EXPECT_EQ(createAdrsBar("1000001", nullptr, 0, nullptr, "", geotest::dicFolder().constData(),
                            QFile::encodeName(bmp()).constData()),
              KVSTRIPE_BAD_ADDRESS);
    EXPECT_EQ(make("1000001", address, bmp(), 0, QFile::encodeName(dir.filePath("none/"))).code,
              geotest::kDictionaryError);
    // None of them touched the file at the path.
    EXPECT_EQ(test::readFile(bmp()), "before");
    EXPECT_EQ(files(), QStringList{QStringLiteral("Barcode.bmp")});

    // Blanks around the code and the hyphen are how the record keeps it.
    EXPECT_EQ(make(" 100-0001 ", address, bmp()), (TResult{KVSTRIPE_OK, "10000011-1"}));
}

TEST_F(Kvstripe, FileThatCannotBeWrittenLeavesNothing)
{
    const QByteArray address = sjis(QStringLiteral("東京都千代田区霞が関1-3-2"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    for (const QString &path : {dir.filePath(QStringLiteral("missing/Barcode.bmp")), dir.filePath(QStringLiteral("folder")),
                                dir.filePath(QStringLiteral("folder/")), QString()}) {
        const TResult r = make("1000013", address, path);
        EXPECT_EQ(r.code, KVSTRIPE_FILE_ERROR) << path.toStdString();
        // The data were made before the file failed.
        EXPECT_EQ(r.data, "10000131-3-2") << path.toStdString();
    }
    EXPECT_EQ(createAdrsBar("1000013", address.constData(), 0, nullptr, "", geotest::dicFolder().constData(), nullptr),
              KVSTRIPE_FILE_ERROR);
    EXPECT_EQ(files(), QStringList{QStringLiteral("folder")});
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("folder"))).isEmpty());

    // A file already at the path is replaced whole.
    test::writeFile(bmp(), QByteArray(10000, 'x'));
    ASSERT_EQ(make("1000013", address, bmp()).code, KVSTRIPE_OK);
    EXPECT_FALSE(QImage(bmp()).isNull());
    EXPECT_EQ(files(), (QStringList{QStringLiteral("Barcode.bmp"), QStringLiteral("folder")}));
}

}  // namespace
