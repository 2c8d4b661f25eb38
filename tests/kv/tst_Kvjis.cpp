// Kvjis.so as the program loads it, over the built Dic/Geo.dic and Dic/Jis.dic: addresses of public offices,
// stations and landmarks written as people write them, partial matches, nonsense, bad input and dictionaries
// that are missing, damaged or do not belong together.
#include "GeoTest.h"

#include "Kvjis/Kvjis.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using geotest::sjis;
using geotest::text;

struct TCase {
    const char *address;
    const char *jis;
    const char *town;
    const char *postalCode;
};

// Each with the municipality, the town as Japan Post spells it and the town's postal code.
const std::vector<TCase> RealAddresses = {
    {"東京都新宿区西新宿2-8-1", "13104", "西新宿", "1600023"},
    {"東京都千代田区永田町１－７－１", "13101", "永田町", "1000014"},
    {"千代田区丸の内一丁目", "13101", "丸の内", "1000005"},
    {"東京都千代田区霞ヶ関2-2-1", "13101", "霞が関", "1000013"},
    {"東京千代田区一ッ橋二丁目1番2号", "13101", "一ツ橋", "1000003"},
    {"東京都千代田区一番町10", "13101", "一番町", "1020082"},
    {"東京都　港区　芝公園４丁目２－８", "13103", "芝公園", "1050011"},
    {"東京都台東区浅草二丁目三番一号", "13106", "浅草", "1110032"},
    {"東京都墨田区押上一丁目1番2号", "13107", "押上", "1310045"},
    {"渋谷区道玄坂1ー2ー3", "13113", "道玄坂", "1500043"},
    {"府中市宮西町2-24", "13206", "宮西町", "1830022"},
    {"北海道札幌市中央区北３条西６丁目", "01101", "北三条西", "0600003"},
    {"札幌市中央区北1条西2丁目", "01101", "北一条西", "0600001"},
    {"北海道旭川市宮下通８丁目３番１号", "01204", "宮下通", "0700030"},
    {"秋田市山王一丁目1番1号", "05201", "山王", "0100951"},
    {"秋田県にかほ市象潟町字浜ノ田1", "05214", "象潟町浜の田", "0180113"},
    {"宮城県仙台市青葉区国分町3-7-1", "04101", "国分町", "9800803"},
    {"福島県郡山市朝日1-23-7", "07203", "朝日", "9638024"},
    {"さいたま市浦和区常盤6-4-4", "11107", "常盤", "3300061"},
    {"埼玉県鶴ケ島市大字三ツ木16-1", "11241", "三ツ木", "3502217"},
    {"千葉市中央区市場町1-1", "12101", "市場町", "2600855"},
    {"横浜市中区本町6-50-10", "14104", "本町", "2310005"},
    {"神奈川県鎌倉市御成町18-10", "14204", "御成町", "2480012"},
    {"長野県北佐久郡軽井沢町大字長倉2381-1", "20321", "長倉", "3890111"},
    {"軽井沢町長倉2381-1", "20321", "長倉", "3890111"},
    {"静岡市葵区追手町9-6", "22101", "追手町", "4200853"},
    {"名古屋市中区三の丸三丁目1番1号", "23106", "三の丸", "4600001"},
    {"三重県四日市市諏訪町1-5", "24202", "諏訪町", "5100085"},
    {"三重県伊勢市宇治舘町1", "24203", "宇治館町", "5160023"},
    {"京都市中京区寺町通御池上る上本能寺前町488", "26104", "上本能寺前町", "6040925"},
    {"京都府京都市下京区烏丸通塩小路下ル東塩小路町", "26106", "東塩小路町", "6008216"},
    {"京都府京都市上京区下立売通新町西入薮ノ内町", "26102", "藪之内町", "6028041"},
    {"大阪市北区中之島1-3-20", "27127", "中之島", "5300005"},
    {"大阪府大阪市北区梅田3丁目1番1号", "27127", "梅田", "5300001"},
    {"大阪府堺市堺区南瓦町3-1", "27141", "南瓦町", "5900078"},
    {"神戸市中央区加納町6-5-1", "28110", "加納町", "6500001"},
    {"兵庫県姫路市本町68", "28201", "本町", "6700012"},
    {"奈良市登大路町30", "29201", "登大路町", "6308213"},
    {"奈良県大和郡山市北郡山町248-4", "29203", "北郡山町", "6391160"},
    {"出雲市大社町杵築東195", "32203", "大社町杵築東", "6990701"},
    {"岡山市北区駅元町1-1", "33101", "駅元町", "7000024"},
    {"広島市中区国泰寺町1-6-34", "34101", "国泰寺町", "7300042"},
    {"広島県府中市府川町315", "34208", "府川町", "7260004"},
    {"廿日市市宮島町1-1", "34213", "宮島町", "7390501"},
    {"香川県高松市番町一丁目8番15号", "37201", "番町", "7600017"},
    {"松山市丸ノ内1", "38201", "丸之内", "7900008"},
    {"高知県高岡郡梼原町梼原1444-1", "39405", "檮原", "7850610"},
    {"福岡市中央区天神1-8-1", "40133", "天神", "8100001"},
    {"熊本市中央区本丸1-1", "43101", "本丸", "8600002"},
    {"鹿児島市山下町11-1", "46201", "山下町", "8920816"},
    {"沖縄県那覇市泉崎1-1-1", "47201", "泉崎", "9000021"},
    {"青森県西津軽郡鯵ヶ沢町本町209-2", "02321", "本町", "0382753"},
};

class Kvjis : public geotest::Library {
protected:
    Kvjis() : Library("Kvjis.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        jisAdrs = entry<TKVJisAdrs>("KVJisAdrs");
    }

    // The code, with the record as the library left it (it starts filled with 0x7F, so untouched bytes show).
    int lookUp(const QByteArray &address, TJisAdrsRecord &rec, const QByteArray &folder = geotest::dicFolder())
    {
        std::memset(&rec, 0x7F, sizeof rec);
        return jisAdrs(address.constData(), &rec, folder.constData());
    }
    int lookUp(const char *address, TJisAdrsRecord &rec) { return lookUp(sjis(QString::fromUtf8(address)), rec); }

    TKVJisAdrs jisAdrs = nullptr;
};

// Everything a match tells, as one comparable text.
QString summary(int code, const TJisAdrsRecord &r)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
        .arg(code)
        .arg(text(r.JisCode), text(r.PostalCode), text(r.Prefecture), text(r.City), text(r.Town), text(r.TownCode));
}

bool isDigits(const char *field, size_t n)
{
    return std::all_of(field, field + n, [](char c) { return c >= '0' && c <= '9'; });
}

TEST_F(Kvjis, RealAddressesAsPeopleWriteThem)
{
    for (const TCase &c : RealAddresses) {
        TJisAdrsRecord r;
        EXPECT_EQ(lookUp(c.address, r), KVJIS_MATCHED) << c.address;
        EXPECT_EQ(text(r.JisCode), QLatin1String(c.jis)) << c.address;
        EXPECT_EQ(text(r.Town), QString::fromUtf8(c.town)) << c.address;
        EXPECT_EQ(text(r.PostalCode), QLatin1String(c.postalCode)) << c.address;
        EXPECT_TRUE(isDigits(r.TownCode, 6) && r.TownCode[6] == ' ') << c.address;
        EXPECT_FALSE(text(r.TownReading).isEmpty()) << c.address;
    }
}

TEST_F(Kvjis, FillsEveryFieldOfTheRecord)
{
    TJisAdrsRecord r;
    ASSERT_EQ(lookUp("東京都新宿区西新宿2-8-1", r), KVJIS_MATCHED);
    EXPECT_EQ(QByteArray(r.JisCode, 6), "13104 ");
    EXPECT_EQ(QByteArray(r.PostalCode, 10), "1600023   ");
    EXPECT_EQ(text(r.Prefecture), QStringLiteral("東京都"));
    EXPECT_EQ(text(r.PrefectureReading), QStringLiteral("ﾄｳｷﾖｳﾄ"));
    EXPECT_EQ(text(r.City), QStringLiteral("新宿区"));
    EXPECT_EQ(text(r.CityReading), QStringLiteral("ｼﾝｼﾞﾕｸｸ"));
    EXPECT_EQ(text(r.Town), QStringLiteral("西新宿"));
    EXPECT_EQ(text(r.TownReading), QStringLiteral("ﾆｼｼﾝｼﾞﾕｸ"));
    // Blank padded, not NUL terminated, as the wrappers trim them.
    EXPECT_EQ(QByteArray(r.Town + 6, 96), QByteArray(96, ' '));
    EXPECT_EQ(QByteArray(r.Reserved, 3), QByteArray(3, '\0'));

    // A county's town keeps the county in the municipality's name.
    ASSERT_EQ(lookUp("軽井沢町長倉2381-1", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.City), QStringLiteral("北佐久郡軽井沢町"));
    EXPECT_EQ(text(r.CityReading), QStringLiteral("ｷﾀｻｸｸﾞﾝｶﾙｲｻﾞﾜﾏﾁ"));
    EXPECT_EQ(text(r.Prefecture), QStringLiteral("長野県"));
}

TEST_F(Kvjis, OneAddressHoweverItIsWritten)
{
    TJisAdrsRecord r;
    ASSERT_EQ(lookUp("東京都千代田区丸の内1-9-1", r), KVJIS_MATCHED);
    ASSERT_EQ(text(r.Town), QStringLiteral("丸の内"));
    ASSERT_EQ(text(r.PostalCode), QStringLiteral("1000005"));
    const QString expected = summary(KVJIS_MATCHED, r);
    for (const char *address : {
             "東京都千代田区丸の内１丁目９番１号", "千代田区丸の内一丁目九番一号", "東京都 千代田区 丸の内 1丁目9-1",
             "東京都千代田区丸ノ内１－９－１", "東京千代田区丸の内1ｰ9ｰ1", "千代田区丸の内１‐９‐１", "千代田区丸の内1―9―1",
             "千代田区丸の内1−9−1", "千代田区丸の内１の９の１", "千代田区　丸の内　一の九の一",
         })
        EXPECT_EQ(summary(lookUp(address, r), r), expected) << address;
}

TEST_F(Kvjis, TownsListedByTheirBlockNumber)
{
    // Where Japan Post lists the blocks of a town one by one, "5-1-1" is the fifth block.
    const std::vector<TCase> blocks = {
        {"福島県伊達市保原町5-1-1", "07213", "保原町５丁目", "9600615"},
        {"伊達市保原町五丁目1番地", "07213", "保原町５丁目", "9600615"},
        {"伊達市保原町10-1", "07213", "保原町１０丁目", "9600607"},
        {"十日町市本町2-1", "15210", "本町二丁目", "9480082"},
        {"十日町市本町二丁目1", "15210", "本町二丁目", "9480082"},
        {"十日町市本町2丁1", "15210", "本町二丁目", "9480082"},
        {"喜多方市1-4624", "07208", "１丁目", "9660819"},
        // Numerals that are part of the town's name, not a block.
        {"埼玉県春日部市八丁目123", "11214", "八丁目", "3440006"},
        {"花巻市東十二丁目1", "03205", "東十二丁目", "0250015"},
        {"伊達市保原町舟橋180", "07213", "保原町舟橋", "9600663"},
    };
    for (const TCase &c : blocks) {
        TJisAdrsRecord r;
        EXPECT_EQ(lookUp(c.address, r), KVJIS_MATCHED) << c.address;
        EXPECT_EQ(text(r.JisCode), QLatin1String(c.jis)) << c.address;
        EXPECT_EQ(text(r.Town), QString::fromUtf8(c.town)) << c.address;
        EXPECT_EQ(text(r.PostalCode), QLatin1String(c.postalCode)) << c.address;
    }
}

TEST_F(Kvjis, PrefectureDecidesBetweenNamesakes)
{
    TJisAdrsRecord r;
    // Two cities named 府中市, two named 伊達市: the prefecture, or failing it the town, tells them apart.
    EXPECT_EQ(lookUp("東京都府中市府川町315", r), KVJIS_PARTIAL);
    EXPECT_EQ(text(r.JisCode), QStringLiteral("13206"));
    EXPECT_EQ(lookUp("府中市府川町315", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.JisCode), QStringLiteral("34208"));
    EXPECT_EQ(lookUp("伊達市梅本町", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.JisCode), QStringLiteral("01233"));
    EXPECT_EQ(lookUp("福島県伊達市梅本町", r), KVJIS_PARTIAL);
    EXPECT_EQ(text(r.JisCode), QStringLiteral("07213"));

    // Cities that begin like their prefecture, with and without it.
    for (const char *address : {"京都市中京区寺町通御池上る上本能寺前町488", "京都府京都市中京区寺町通御池上る上本能寺前町488"}) {
        EXPECT_EQ(lookUp(address, r), KVJIS_MATCHED) << address;
        EXPECT_EQ(text(r.JisCode), QStringLiteral("26104")) << address;
    }
    for (const char *address : {"大阪市北区梅田3-1-1", "大阪府大阪市北区梅田3-1-1", "大阪大阪市北区梅田3-1-1"}) {
        EXPECT_EQ(lookUp(address, r), KVJIS_MATCHED) << address;
        EXPECT_EQ(text(r.JisCode), QStringLiteral("27127")) << address;
    }
}

TEST_F(Kvjis, OldAndVariantSpellings)
{
    TJisAdrsRecord r;
    // The dictionary spells 龍ケ崎, 鰺ヶ沢, 檜原, 檮原, 藪; people write 竜ヶ崎, 鯵ヶ沢, 桧原, 梼原, 薮, and the reverse.
    EXPECT_EQ(lookUp("竜ケ崎市寺後", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.City), QStringLiteral("龍ケ崎市"));
    EXPECT_EQ(text(r.Town), QStringLiteral("寺後"));
    EXPECT_EQ(lookUp("東京都西多摩郡桧原村本宿", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.City), QStringLiteral("西多摩郡檜原村"));
    EXPECT_EQ(text(r.PostalCode), QStringLiteral("1900214"));
    EXPECT_EQ(lookUp("三重県伊勢市宇治舘町1", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.Town), QStringLiteral("宇治館町"));
    EXPECT_EQ(lookUp("埼玉県鶴ヶ島市三ツ木16-1", r), KVJIS_MATCHED);
    EXPECT_EQ(lookUp("埼玉県鶴が島市三ッ木16-1", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.City), QStringLiteral("鶴ヶ島市"));
}

TEST_F(Kvjis, StreetNamesAreNoTowns)
{
    TJisAdrsRecord r;
    // 丸太町 is a town of 中京区 too, but here it names the street; the town itself is not of this ward.
    EXPECT_EQ(lookUp("京都市中京区丸太町通河原町西入ル高島町", r), KVJIS_PARTIAL);
    EXPECT_EQ(text(r.JisCode), QStringLiteral("26104"));
    EXPECT_EQ(text(r.Town), QString());
    EXPECT_EQ(lookUp("京都市中京区丸太町", r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.Town), QStringLiteral("丸太町"));
}

TEST_F(Kvjis, MunicipalityWithoutTownIsPartial)
{
    TJisAdrsRecord r;
    for (const char *address : {"東京都千代田区存在しない町1-1", "千代田区", "東京都千代田区"}) {
        EXPECT_EQ(lookUp(address, r), KVJIS_PARTIAL) << address;
        EXPECT_EQ(QByteArray(r.JisCode, 6), "13101 ") << address;
        // The municipality's own postal code; the town fields stay blank.
        EXPECT_EQ(text(r.PostalCode), QStringLiteral("1000000")) << address;
        EXPECT_EQ(QByteArray(r.Town, sizeof r.Town), QByteArray(sizeof r.Town, ' ')) << address;
        EXPECT_EQ(QByteArray(r.TownReading, sizeof r.TownReading), QByteArray(sizeof r.TownReading, ' '));
        EXPECT_EQ(QByteArray(r.TownCode, sizeof r.TownCode), QByteArray(sizeof r.TownCode, ' '));
        EXPECT_EQ(text(r.City), QStringLiteral("千代田区"));
    }
    // The city hall of 龍ケ崎 has a lot number and no town.
    EXPECT_EQ(lookUp("茨城県竜ヶ崎市3710番地", r), KVJIS_PARTIAL);
    EXPECT_EQ(summary(KVJIS_PARTIAL, r), QStringLiteral("1 08208 3010000 茨城県 龍ケ崎市  "));
}

TEST_F(Kvjis, NothingFoundLeavesTheRecordAlone)
{
    for (const char *address : {"あいうえお", "東京都", "東京都ＸＹＺ市", "1000005", "丸の内1-9-1", "ABC"}) {
        TJisAdrsRecord r;
        EXPECT_EQ(lookUp(address, r), KVJIS_NOT_FOUND) << address;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(&r), sizeof r), QByteArray(sizeof r, 0x7F)) << address;
    }
}

TEST_F(Kvjis, InvalidInput)
{
    TJisAdrsRecord r;
    // Empty or blank, a lead byte without its trail byte, bytes that begin no character, control characters.
    for (const QByteArray &address :
         {QByteArray(), QByteArray("   "), sjis(QStringLiteral("　\t　")), QByteArray("\x93\x8C\x8B\x9E\x93"),
          QByteArray("\x81"), QByteArray("\xFF\xFE"), QByteArray("\x80\x41"), QByteArray("\xA0"),
          QByteArray("\x93\x8C\x8B\x9E\x01")}) {
        EXPECT_EQ(lookUp(address, r), KVJIS_INVALID) << address.toHex().constData();
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(&r), sizeof r), QByteArray(sizeof r, 0x7F));
    }
    EXPECT_EQ(jisAdrs(nullptr, &r, geotest::dicFolder().constData()), KVJIS_INVALID);
    // The longest text taken is matched by its beginning, however many numerals follow; a longer one is refused.
    QByteArray longest = sjis(QStringLiteral("千代田区丸の内"));
    while (longest.size() < KVJIS_MAX_ADDRESS)
        longest += sjis(QStringLiteral("一"));
    ASSERT_EQ(longest.size(), KVJIS_MAX_ADDRESS);
    EXPECT_EQ(lookUp(longest, r), KVJIS_MATCHED);
    EXPECT_EQ(text(r.Town), QStringLiteral("丸の内"));
    EXPECT_EQ(lookUp(longest + "1", r), KVJIS_INVALID);
    EXPECT_EQ(jisAdrs(sjis(QStringLiteral("千代田区")).constData(), nullptr, geotest::dicFolder().constData()),
              KVJIS_INVALID);
}

TEST_F(Kvjis, DictionariesMissingDamagedOrNotBelongingTogether)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/辞書 データ/");
    const QByteArray folder8 = QFile::encodeName(folder);
    const QByteArray address = sjis(QStringLiteral("千代田区丸の内1-9-1"));
    const QByteArray index = test::readFile(test::appDir() + QStringLiteral("Dic/Jis.dic"));
    ASSERT_GT(index.size(), 1000);
    TJisAdrsRecord r;

    EXPECT_EQ(jisAdrs(address.constData(), &r, nullptr), KVJIS_DICTIONARY_ERROR);
    EXPECT_EQ(lookUp(address, r, folder8), KVJIS_DICTIONARY_ERROR);
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(test::appDir() + QStringLiteral("Dic/Geo.dic"), folder + QStringLiteral("Geo.dic")));
    EXPECT_EQ(lookUp(address, r, folder8), KVJIS_DICTIONARY_ERROR) << "no Jis.dic";

    QByteArray wrongMagic = index;
    wrongMagic[0] = 'X';
    QByteArray otherGeography = index;
    otherGeography[24] = char(otherGeography[24] + 1);  // made from a Geo.dic with one municipality more
    QByteArray tableBeyondTheEnd = index;
    tableBeyondTheEnd[32 + 12 * 3 + 11] = char(0x7F);  // the top byte of the town keys' count
    const std::vector<std::pair<const char *, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"header cut", index.left(20)},
        {"cut", index.left(index.size() - 8)},
        {"wrong magic", wrongMagic},
        {"other geography", otherGeography},
        {"table beyond the end", tableBeyondTheEnd},
    };
    for (const auto &[what, bytes] : damaged) {
        test::replaceDictionary(folder + QStringLiteral("Jis.dic"), bytes);
        EXPECT_EQ(lookUp(address, r, folder8), KVJIS_DICTIONARY_ERROR) << what;
    }

    test::replaceDictionary(folder + QStringLiteral("Jis.dic"), index);
    EXPECT_EQ(lookUp(address, r, folder8), KVJIS_MATCHED);
    EXPECT_EQ(text(r.Town), QStringLiteral("丸の内"));
}

TEST_F(Kvjis, TwoThreadsLookUpAtOnce)
{
    std::vector<QByteArray> addresses;
    for (const TCase &c : RealAddresses)
        addresses.push_back(sjis(QString::fromUtf8(c.address)));
    const QByteArray folder = geotest::dicFolder();
    std::vector<int> failures(2, 0);
    auto work = [&](int id) {
        for (int i = 0; i < 1000; ++i) {
            const size_t k = (i + id * 7) % addresses.size();
            TJisAdrsRecord r;
            if (jisAdrs(addresses[k].constData(), &r, folder.constData()) != KVJIS_MATCHED
                || QByteArray(r.JisCode, 5) != RealAddresses[k].jis
                || QByteArray(r.PostalCode, 7) != RealAddresses[k].postalCode)
                ++failures[id];
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures, std::vector<int>({0, 0}));
}

}  // namespace
