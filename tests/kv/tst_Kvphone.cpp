// Kvphone.so as the program loads it, over the built Dic/Phone.dic and Dic/Geo.dic: numbers of big cities and
// rural areas to their municipalities (names that exist in several prefectures placed by the area code),
// the town pages in the order the dictionary window reads them, and the codes for numbers without an area, bad
// input and missing dictionaries.
#include "TestSupport.h"

#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
#include "Kvphone/Kvphone.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kDictionaryError = 16;

template <size_t N>
QString text(const char (&field)[N])
{
    QByteArray bytes(field, qstrnlen(field, N));
    return Sjis::decode(bytes.trimmed());
}

struct TArea {
    int code = -1;
    QByteArray prefix;
    std::vector<TPhoneCityEntry> cities;
};

struct TTownPages {
    std::vector<int> codes;  // First, then every Next until the last page
    std::vector<TPhoneTownEntry> towns;
};

class Kvphone : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.Load(test::appDir(), QStringLiteral("Kvphone.dll"))) << library.ErrorString().toStdString();
        prefix = reinterpret_cast<TKVPhonePrefix>(library.GetProcAddress("KVPhonePrefix"));
        city2 = reinterpret_cast<TKVPhoneCity2>(library.GetProcAddress("KVPhoneCity2"));
        first = reinterpret_cast<TKVPhoneTown2First>(library.GetProcAddress("KVPhoneTown2First"));
        next = reinterpret_cast<TKVPhoneTown2Next>(library.GetProcAddress("KVPhoneTown2Next"));
        prev = reinterpret_cast<TKVPhoneTown2Next>(library.GetProcAddress("KVPhoneTown2Prev"));
        close = reinterpret_cast<TKVPhoneTown2Close>(library.GetProcAddress("KVPhoneTown2Close"));
        ASSERT_TRUE(prefix && city2 && first && next && prev && close);
    }

    static QByteArray dicFolder() { return QFile::encodeName(test::appDir() + QStringLiteral("Dic/")); }

    // KVPhonePrefix, then on success KVPhoneCity2 cut to the count, as the wrapper does.
    TArea search(const char *digits, const QByteArray &folder = dicFolder())
    {
        TArea a;
        char buf[KVPHONE_PREFIX_SIZE];
        int16_t count = -1;
        a.code = prefix(digits, buf, &count, folder.constData());
        if (a.code != 0)
            return a;
        a.prefix = QByteArray(buf, sizeof buf).trimmed();
        a.cities.assign(KVPHONE_MAX_CITIES, TPhoneCityEntry{});
        EXPECT_EQ(city2(digits, a.cities.data(), folder.constData()), 0) << digits;
        EXPECT_TRUE(count > 0 && count <= KVPHONE_MAX_CITIES) << digits;
        a.cities.resize(size_t(std::max<int16_t>(count, 0)));
        return a;
    }

    // Every page of a municipality's towns, fetched like the wrapper (the last page holds count - position).
    TTownPages towns(const char *digits, const TPhoneCityEntry &city)
    {
        TTownPages p;
        TPhoneTownEntry page[KVPHONE_PAGE];
        int32_t code = -1;
        void *handle = first(digits, &city, page, &code, dicFolder().constData());
        p.codes.push_back(code);
        while (handle && (code == 0 || code == 1)) {
            const size_t n = code == 1 ? KVPHONE_PAGE : std::min<size_t>(KVPHONE_PAGE, city.TownCount - p.towns.size());
            p.towns.insert(p.towns.end(), page, page + n);
            if (code == 0)
                break;
            p.codes.push_back(code = next(handle, page));
        }
        if (handle) {
            EXPECT_EQ(close(handle), 0);
        }
        return p;
    }

    const TPhoneCityEntry *find(const TArea &a, const char *jis)
    {
        for (const TPhoneCityEntry &c : a.cities)
            if (QByteArray(c.JisCode, 5) == jis)
                return &c;
        return nullptr;
    }

    TRuntimeLibrary library;
    TKVPhonePrefix prefix = nullptr;
    TKVPhoneCity2 city2 = nullptr;
    TKVPhoneTown2First first = nullptr;
    TKVPhoneTown2Next next = nullptr, prev = nullptr;
    TKVPhoneTown2Close close = nullptr;
};

TEST_F(Kvphone, DesignatedCitiesGiveTheirWards)
{
    const TArea sapporo = search("0112345678");
    ASSERT_EQ(sapporo.code, 0);
    EXPECT_EQ(sapporo.prefix, "011-234");
    ASSERT_EQ(sapporo.cities.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(QByteArray(sapporo.cities[i].JisCode, 6), QByteArray::number(1101 + int(i)).prepend('0') + ' ');
        EXPECT_TRUE(text(sapporo.cities[i].Name).startsWith(QStringLiteral("北海道札幌市"))) << i;
        EXPECT_GT(sapporo.cities[i].TownCount, 0u);
    }
    EXPECT_EQ(text(sapporo.cities[0].Name), QStringLiteral("北海道札幌市中央区"));

    const TArea yokohama = search("0451234567");
    ASSERT_EQ(yokohama.code, 0);
    EXPECT_EQ(yokohama.cities.size(), 18u);
}

// 東京's 23 wards and 大阪市's 24 outnumber the 20 entries of a look-up: each becomes one entry whose towns
// carry their ward, so that prefecture, municipality and town still make the address.
TEST_F(Kvphone, CrowdedAreasFoldTheirWards)
{
    const TArea tokyo = search("0312345678");
    ASSERT_EQ(tokyo.code, 0);
    EXPECT_EQ(tokyo.prefix, "03-1234");
    ASSERT_EQ(tokyo.cities.size(), 1u);
    EXPECT_EQ(QByteArray(tokyo.cities[0].JisCode, 6), "13100 ");
    EXPECT_EQ(text(tokyo.cities[0].Name), QStringLiteral("東京都"));
    const TTownPages all = towns("0312345678", tokyo.cities[0]);
    ASSERT_EQ(all.towns.size(), tokyo.cities[0].TownCount);
    QSet<QByteArray> wards;
    for (const TPhoneTownEntry &t : all.towns) {
        wards.insert(QByteArray(t.Code, 5));
        // Every name keeps its ward, even where ward and town outgrow the field (then the town's place).
        const qsizetype ward = text(t.Name).indexOf(QStringLiteral("区"));
        EXPECT_TRUE(ward >= 1 && ward <= 3 && text(t.Name).size() > ward + 1) << text(t.Name).toStdString();
    }
    EXPECT_EQ(wards.size(), 23);
    // Ward by ward in reading order: 足立区 (13121) comes first.
    EXPECT_TRUE(text(all.towns[0].Name).startsWith(QStringLiteral("足立区"))) << text(all.towns[0].Name).toStdString();
    EXPECT_EQ(QByteArray(all.towns[0].Code, 5), "13121");
    EXPECT_EQ(text(all.towns[0].Initial), QStringLiteral("ｱ"));

    const TArea osaka = search("0666661234");
    ASSERT_EQ(osaka.code, 0);
    ASSERT_EQ(osaka.cities.size(), 1u);
    EXPECT_EQ(QByteArray(osaka.cities[0].JisCode, 6), "27100 ");
    EXPECT_EQ(text(osaka.cities[0].Name), QStringLiteral("大阪府大阪市"));
    const TTownPages osakaTowns = towns("0666661234", osaka.cities[0]);
    ASSERT_EQ(osakaTowns.towns.size(), osaka.cities[0].TownCount);
    const auto umeda = std::find_if(osakaTowns.towns.begin(), osakaTowns.towns.end(), [](const TPhoneTownEntry &t) {
        return text(t.Name) == QStringLiteral("北区梅田");
    });
    ASSERT_NE(umeda, osakaTowns.towns.end());
    EXPECT_EQ(QByteArray(umeda->PostalCode, 8), "5300001 ");
    EXPECT_EQ(QByteArray(umeda->Code, 5), "27127");  // 北区
}

// Names found in several prefectures go to the one of the area code; a rural area gives its own municipality.
TEST_F(Kvphone, RuralAreasAndAmbiguousNames)
{
    struct TCase {
        const char *digits, *prefix, *jis;
        QString name;
    };
    const std::vector<TCase> cases = {
        {"0142234567", "0142-23", "01233", QStringLiteral("北海道伊達市")},         // not 福島県伊達市
        {"0847412345", "0847-41", "34208", QStringLiteral("広島県府中市")},         // not 府中町, not 東京都府中市
        {"0126723456", "01267-2", "01210", QStringLiteral("北海道岩見沢市")},       // a five-digit area code
        {"0155821234", "01558-2", "01642", QStringLiteral("北海道広尾郡広尾町")},
        {"0187541234", "0187-54", "05215", QStringLiteral("秋田県仙北市")},         // 角館, now part of 仙北市
        {"0595211234", "0595-21", "24216", QStringLiteral("三重県伊賀市")},         // 上野, not 群馬県上野村
    };
    for (const TCase &c : cases) {
        const TArea a = search(c.digits);
        ASSERT_EQ(a.code, 0) << c.digits;
        EXPECT_EQ(a.prefix, c.prefix) << c.digits;
        ASSERT_EQ(a.cities.size(), 1u) << c.digits;
        EXPECT_EQ(QByteArray(a.cities[0].JisCode, 5), c.jis) << c.digits;
        EXPECT_EQ(text(a.cities[0].Name), c.name) << c.digits;
    }
    // The area code and exchange alone are enough.
    const TArea partial = search("084741");
    ASSERT_EQ(partial.code, 0);
    EXPECT_EQ(partial.prefix, "0847-41");
    EXPECT_EQ(QByteArray(partial.cities[0].JisCode, 5), "34208");

    // Two municipalities named by one area, in JIS code order.
    const TArea pair = search("0422512345");
    ASSERT_EQ(pair.code, 0);
    ASSERT_EQ(pair.cities.size(), 2u);
    EXPECT_EQ(text(pair.cities[0].Name), QStringLiteral("東京都武蔵野市"));
    EXPECT_EQ(text(pair.cities[1].Name), QStringLiteral("東京都三鷹市"));
}

TEST_F(Kvphone, TownPagesForwardAndBack)
{
    const char *digits = "0847412345";
    const TArea fuchu = search(digits);
    ASSERT_EQ(fuchu.code, 0);
    const TPhoneCityEntry &city = fuchu.cities[0];
    ASSERT_EQ(city.TownCount, 45u);
    const TTownPages all = towns(digits, city);
    EXPECT_EQ(all.codes, std::vector<int>({1, 1, 0}));
    ASSERT_EQ(all.towns.size(), 45u);
    for (const TPhoneTownEntry &t : all.towns) {
        EXPECT_EQ(QByteArray(t.Code, 5), "34208");
        EXPECT_TRUE(QByteArray(t.PostalCode, 7).startsWith("72")) << QByteArray(t.PostalCode, 8).constData();
        EXPECT_GE(uchar(t.Initial[0]), 0xB1);  // a half-width kana letter, ｱ to ﾜ
        EXPECT_LE(uchar(t.Initial[0]), 0xDC);
    }
    // The town code is characters 6 to 11, behind the JIS code; town codes count up in the order of the pages.
    for (size_t i = 0; i < all.towns.size(); ++i)
        EXPECT_EQ(QByteArray(all.towns[i].Code + 5, 7), QByteArray::number(int(i) + 1).rightJustified(6, '0') + ' ');

    TPhoneTownEntry page[KVPHONE_PAGE];
    int32_t code = -1;
    void *handle = first(digits, &city, page, &code, dicFolder().constData());
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(code, 1);
    EXPECT_EQ(next(handle, page), 1);
    EXPECT_EQ(next(handle, page), 0);
    EXPECT_EQ(QByteArray(page[4].Name, 74), QByteArray(all.towns[44].Name, 74));
    for (int i = 5; i < KVPHONE_PAGE; ++i)  // a short last page is zeroed after its towns
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(&page[i]), sizeof page[i]), QByteArray(sizeof page[i], '\0'));
    std::memset(page, 0x55, sizeof page);
    EXPECT_EQ(next(handle, page), 8);  // past the last page: nothing, the buffer untouched
    EXPECT_EQ(uchar(page[0].Name[0]), 0x55);
    EXPECT_EQ(prev(handle, page), 1);
    EXPECT_EQ(QByteArray(page[0].Name, 74), QByteArray(all.towns[20].Name, 74));
    EXPECT_EQ(prev(handle, page), 0);
    EXPECT_EQ(QByteArray(page[0].Name, 74), QByteArray(all.towns[0].Name, 74));
    EXPECT_EQ(prev(handle, page), 8);
    EXPECT_EQ(close(handle), 0);
}

TEST_F(Kvphone, NumbersWithoutAnArea)
{
    for (const char *digits : {"09012345678", "08012345678", "07012345678", "05012345678", "0120123456",
                               "08001234567", "0570123456", "0990123456", "0037612345"})
        EXPECT_EQ(search(digits).code, 8) << digits;
}

TEST_F(Kvphone, BadDigitsAreRejected)
{
    // Not digits, no leading 0, too few digits to tell the area, too many for a fixed line, no such number.
    for (const char *digits : {"", "03-1234-5678", " 0312345678", "+81312345678", "312345678", "0", "0123", "0422",
                               "031234567890", "0301234567"})
        EXPECT_EQ(search(digits).code, 4) << digits;
    char buf[KVPHONE_PREFIX_SIZE];
    int16_t count = 0;
    EXPECT_EQ(prefix(nullptr, buf, &count, dicFolder().constData()), 4);
    EXPECT_EQ(prefix("0312345678", buf, nullptr, dicFolder().constData()), 4);

    // A municipality the number's area does not serve opens nothing.
    const TArea sapporo = search("0112345678");
    ASSERT_EQ(sapporo.code, 0);
    TPhoneTownEntry page[KVPHONE_PAGE];
    int32_t code = -1;
    EXPECT_EQ(first("0312345678", &sapporo.cities[0], page, &code, dicFolder().constData()), nullptr);
    EXPECT_EQ(code, 8);
    EXPECT_EQ(first("03-1234", &sapporo.cities[0], page, &code, dicFolder().constData()), nullptr);
    EXPECT_EQ(code, 4);
}

TEST_F(Kvphone, MissingOrDamagedDictionariesAreErrors)
{
    const QByteArray phone = test::readFile(test::appDir() + QStringLiteral("Dic/Phone.dic"));
    const QByteArray geo = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    ASSERT_GT(phone.size(), 64);
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/辞書 データ/");
    const QByteArray folder8 = QFile::encodeName(folder);
    char buf[KVPHONE_PREFIX_SIZE];
    int16_t count = 0;
    EXPECT_EQ(prefix("0312345678", buf, &count, nullptr), kDictionaryError);
    EXPECT_EQ(search("0312345678", folder8).code, kDictionaryError);

    QByteArray wrongVersion = phone;
    wrongVersion[8] = 2;
    for (const QByteArray &damaged : {phone.left(phone.size() - 4), wrongVersion, phone + QByteArray(24, '\0')}) {
        test::replaceDictionary(folder + QStringLiteral("Phone.dic"), damaged);
        EXPECT_EQ(search("0312345678", folder8).code, kDictionaryError);
    }

    // The areas alone, without the towns: the area is known, its municipalities are not.
    test::replaceDictionary(folder + QStringLiteral("Phone.dic"), phone);
    EXPECT_EQ(prefix("0312345678", buf, &count, folder8.constData()), 0);
    TPhoneCityEntry cities[KVPHONE_MAX_CITIES];
    EXPECT_EQ(city2("0312345678", cities, folder8.constData()), kDictionaryError);

    test::writeFile(folder + QStringLiteral("Geo.dic"), geo);
    const TArea tokyo = search("0312345678", folder8);
    ASSERT_EQ(tokyo.code, 0);
    EXPECT_EQ(text(tokyo.cities[0].Name), QStringLiteral("東京都"));
}

TEST_F(Kvphone, TwoThreadsPageAtOnce)
{
    const TArea sapporo = search("0112345678"), fuchu = search("0847412345");
    ASSERT_EQ(sapporo.code, 0);
    ASSERT_EQ(fuchu.code, 0);
    const TTownPages expected[2] = {towns("0112345678", sapporo.cities[0]), towns("0847412345", fuchu.cities[0])};
    std::vector<int> failures(2, 0);
    auto work = [&](int id) {
        const char *digits = id == 0 ? "0112345678" : "0847412345";
        const TPhoneCityEntry &city = id == 0 ? sapporo.cities[0] : fuchu.cities[0];
        for (int i = 0; i < 200; ++i) {
            const TTownPages got = towns(digits, city);
            if (got.towns.size() != expected[id].towns.size()
                || std::memcmp(got.towns.data(), expected[id].towns.data(), got.towns.size() * sizeof(TPhoneTownEntry)))
                ++failures[id];
        }
    };
    std::thread one(work, 0), two(work, 1);
    one.join();
    two.join();
    EXPECT_EQ(failures, std::vector<int>({0, 0}));
}

}  // namespace
