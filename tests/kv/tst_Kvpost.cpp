// Kvpost.so as the program loads it, over the built Dic/Geo.dic: whole postal codes of towns, of a
// municipality without a town, of a large office and of codes several towns or municipalities share, a
// three-digit prefix read page by page, and the codes for bad input.
#include "GeoTest.h"

#include "Kvpost/Kvpost.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using geotest::text;

struct TPostResult {
    int code = -1;
    std::vector<TPostCityEntry> cities;
};

class Kvpost : public geotest::Library {
protected:
    Kvpost() : Library("Kvpost.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        first = entry<TKVPostFirst>("KVPostFirst");
        cityList = entry<TKVPostCityList>("KVPostCityList");
        townList = entry<TKVPostTownList>("KVPostTownList");
        largeList = entry<TKVPostLgTownList>("KVPostLgTownList");
        close = entry<TKVPostClose>("KVPostClose");
        post = entry<TPost>("KVPostPost");
    }

    void TearDown() override
    {
        if (handle)
            close(handle);
    }

    // Opens a search (kept in handle until the next one) and reads its whole city list.
    TPostResult search(const char *digits, const QByteArray &folder = geotest::dicFolder())
    {
        if (handle)
            close(handle);
        TPostResult r;
        int32_t count = -1;
        int16_t code = -1;
        handle = first(digits, &count, &code, folder.constData());
        r.code = code;
        EXPECT_EQ(handle != nullptr, code == 0) << digits;
        if (code == 0) {
            r.cities.resize(static_cast<size_t>(count));
            EXPECT_EQ(cityList(handle, r.cities.data(), 0, count), 0);
        }
        return r;
    }

    std::vector<TPostTownEntry> towns(const TPostCityEntry &city)
    {
        std::vector<TPostTownEntry> list(size_t(city.TownCount));
        EXPECT_EQ(townList(handle, &city, list.data(), 0, city.TownCount), 0);
        return list;
    }

    TKVPostFirst first = nullptr;
    TKVPostCityList cityList = nullptr;
    TKVPostTownList townList = nullptr;
    TKVPostLgTownList largeList = nullptr;
    TKVPostClose close = nullptr;
    using TPost = int32_t (*)(const char *, const char *, char *, const char *);
    TPost post = nullptr;
    void *handle = nullptr;
};

TEST_F(Kvpost, WholeCodeOfATownAndBackFromItsTownCode)
{
    const TPostResult r = search("1000001");
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.cities.size(), 1u);
    const TPostCityEntry &city = r.cities[0];
    EXPECT_EQ(QByteArray(city.JisCode, 6), QByteArray("13101 "));
    EXPECT_EQ(text(city.Name), QStringLiteral("東京都千代田区"));
    EXPECT_EQ(text(city.Reading), QStringLiteral("ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸ"));
    EXPECT_EQ(city.TownCount, 1);
    EXPECT_EQ(city.LargeCount, 0);

    const std::vector<TPostTownEntry> list = towns(city);
    EXPECT_EQ(text(list[0].PostalCode), QStringLiteral("1000001"));
    EXPECT_EQ(text(list[0].Name), QStringLiteral("千代田"));
    EXPECT_EQ(text(list[0].Reading), QStringLiteral("ﾁﾖﾀﾞ"));
    const QByteArray townCode(list[0].TownCode, 7);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{6} $")).match(QString::fromLatin1(townCode)).hasMatch());

    char postal[8] = {};
    EXPECT_EQ(post("13101", townCode.left(6).constData(), postal, geotest::dicFolder().constData()), 0);
    EXPECT_EQ(QByteArray(postal), QByteArray("1000001"));
}

TEST_F(Kvpost, MunicipalityCodeWithoutTown)
{
    const TPostResult r = search("0600000");
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.cities.size(), 1u);
    EXPECT_EQ(text(r.cities[0].Name), QStringLiteral("北海道札幌市中央区"));
    const std::vector<TPostTownEntry> list = towns(r.cities[0]);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(text(list[0].Name), QString());
    EXPECT_EQ(QByteArray(list[0].TownCode, 7), QByteArray("000000 "));

    char postal[8] = {};
    EXPECT_EQ(post("01101", "000000", postal, geotest::dicFolder().constData()), 0);
    EXPECT_EQ(QByteArray(postal), QByteArray("0600000"));
}

TEST_F(Kvpost, LargeOfficeHasItsOwnCode)
{
    const TPostResult r = search("0018501");
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.cities.size(), 1u);
    const TPostCityEntry &city = r.cities[0];
    EXPECT_EQ(text(city.Name), QStringLiteral("北海道札幌市北区"));
    EXPECT_EQ(city.TownCount, 0);
    ASSERT_EQ(city.LargeCount, 1);

    TPostTownEntry town[2];
    TLargeOfficeEntry office[2];
    std::memset(office, 0x7F, sizeof office);
    EXPECT_EQ(townList(handle, &city, town, 0, 1), 8);
    EXPECT_EQ(largeList(handle, &city, town, office, 0, 1), 0);
    EXPECT_EQ(text(office[0].Name), QStringLiteral("学校法人　創成学園　札幌創成高等学校"));
    EXPECT_TRUE(text(office[0].Reading).startsWith(QStringLiteral("ｶﾞﾂｺｳﾎｳｼﾞﾝ"))) << text(office[0].Reading).toStdString();
    EXPECT_EQ(text(town[0].PostalCode), QStringLiteral("0018501"));
    EXPECT_EQ(text(town[0].Name), QStringLiteral("北二十九条西２丁目１番１号"));
    EXPECT_EQ(text(town[0].Reading), QStringLiteral("ｷﾀ29ｼﾞﾖｳﾆｼ"));
    EXPECT_EQ(office[1].Name[0], 0x7F) << "only the entries asked for are written";
}

TEST_F(Kvpost, CodesSharedByTownsAndByMunicipalities)
{
    // Two towns of 深川市 share 074-1271; they come in reading order.
    TPostResult r = search("0741271");
    ASSERT_EQ(r.cities.size(), 1u);
    std::vector<TPostTownEntry> list = towns(r.cities[0]);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(text(list[0].Name), QStringLiteral("音江町"));
    EXPECT_EQ(text(list[1].Name), QStringLiteral("広里町"));

    // 190-0100 belongs to two municipalities, listed in JIS code order.
    r = search("1900100");
    ASSERT_EQ(r.cities.size(), 2u);
    EXPECT_EQ(text(r.cities[0].JisCode), QStringLiteral("13228"));
    EXPECT_EQ(text(r.cities[1].JisCode), QStringLiteral("13305"));
    EXPECT_EQ(text(r.cities[1].Name), QStringLiteral("東京都西多摩郡日の出町"));
}

TEST_F(Kvpost, PrefixListsEveryMunicipalityPageByPage)
{
    const TPostResult r = search("100");
    ASSERT_EQ(r.code, 0);
    ASSERT_GT(r.cities.size(), 10u);
    int townCount = 0;
    for (size_t i = 0; i < r.cities.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(text(r.cities[i - 1].JisCode), text(r.cities[i].JisCode));
        }
        townCount += r.cities[i].TownCount;
    }
    EXPECT_GT(townCount, 30);

    // The same list read four entries at a time, and one town list in pages of three.
    std::vector<TPostCityEntry> paged(r.cities.size());
    for (size_t at = 0; at < paged.size(); at += 4)
        EXPECT_EQ(cityList(handle, paged.data() + at, int32_t(at), int32_t(std::min<size_t>(4, paged.size() - at))), 0);
    EXPECT_EQ(std::memcmp(paged.data(), r.cities.data(), paged.size() * sizeof(TPostCityEntry)), 0);

    const TPostCityEntry &chiyoda = *std::find_if(r.cities.begin(), r.cities.end(), [](const TPostCityEntry &c) {
        return text(c.JisCode) == QStringLiteral("13101");
    });
    const std::vector<TPostTownEntry> whole = towns(chiyoda);
    for (const TPostTownEntry &t : whole)
        EXPECT_TRUE(text(t.PostalCode).startsWith(QStringLiteral("100"))) << text(t.PostalCode).toStdString();
    std::vector<TPostTownEntry> pages(whole.size());
    for (size_t at = 0; at < pages.size(); at += 3)
        townList(handle, &chiyoda, pages.data() + at, int32_t(at), int32_t(std::min<size_t>(3, pages.size() - at)));
    EXPECT_EQ(std::memcmp(pages.data(), whole.data(), whole.size() * sizeof(TPostTownEntry)), 0);
    EXPECT_EQ(townList(handle, &chiyoda, pages.data(), int32_t(whole.size()), 1), 8) << "beyond the last town";
}

TEST_F(Kvpost, InvalidAndUnknownCodes)
{
    for (const char *digits : {"", "12", "12345678", "10a", "１００"})
        EXPECT_EQ(search(digits).code, 4) << digits;
    int32_t count = 0;
    int16_t code = -1;
    EXPECT_EQ(first(nullptr, &count, &code, geotest::dicFolder().constData()), nullptr);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(search("9999999").code, 8);
    EXPECT_EQ(search("000").code, 8);

    char postal[8] = {};
    const QByteArray folder = geotest::dicFolder();
    EXPECT_EQ(post("1310", "000001", postal, folder.constData()), 4);
    EXPECT_EQ(post("13101", "00001x", postal, folder.constData()), 4);
    EXPECT_EQ(post("13101", "999999", postal, folder.constData()), 8);
    EXPECT_EQ(post("99999", "000001", postal, folder.constData()), 8);
    EXPECT_EQ(close(nullptr), 4);
}

}  // namespace
