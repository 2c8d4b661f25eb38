// Kvaddr.so as the program loads it, over the built Dic/Geo.dic: address texts with and without prefecture,
// county or designated city to their municipalities, then the towns and large offices the rest of the text
// names.
#include "GeoTest.h"

#include "Kvaddr/Kvaddr.h"

#include <QStringList>

#include <vector>

namespace {

using geotest::sjis;
using geotest::text;

class Kvaddr : public geotest::Library {
protected:
    Kvaddr() : Library("Kvaddr.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        jisCount = entry<TKVAddrJisCount>("KVAddrJisCount");
        jisList = entry<TKVAddrJisList>("KVAddrJisList");
        townCount = entry<TKVAddrTownCount>("KVAddrTownCount");
        townList = entry<TKVAddrTownList>("KVAddrTownList");
        largeCount = entry<TKVAddrTownCount>("KVAddrLargeCount");
        largeList = entry<TKVAddrLargeList>("KVAddrLargeList");
    }

    // The municipalities of an address ("jis name" each); code 4 or 8 as the only entry otherwise.
    QStringList cities(const QString &address, std::vector<TAddrCityEntry> *entries = nullptr)
    {
        const QByteArray a = sjis(address);
        int32_t count = -1;
        const int code = jisCount(a.constData(), &count, folder.constData());
        if (code != 0)
            return {QString::number(code)};
        std::vector<TAddrCityEntry> list(static_cast<size_t>(count));
        EXPECT_EQ(jisList(a.constData(), list.data(), count, folder.constData()), 0);
        QStringList out;
        for (const TAddrCityEntry &e : list)
            out << text(e.JisCode) + QLatin1Char(' ') + text(e.City);
        if (entries)
            *entries = list;
        return out;
    }

    // The towns of the first municipality of an address ("postal name" each).
    QStringList towns(const QString &address)
    {
        std::vector<TAddrCityEntry> city;
        cities(address, &city);
        if (city.empty())
            return {};
        const QByteArray a = sjis(address);
        int32_t count = -1;
        const int code = townCount(a.constData(), &city[0], &count, folder.constData());
        if (code != 0)
            return {QString::number(code)};
        std::vector<TAddrTownEntry> list(static_cast<size_t>(count));
        EXPECT_EQ(townList(a.constData(), &city[0], list.data(), count, folder.constData()), 0);
        QStringList out;
        for (const TAddrTownEntry &t : list)
            out << text(t.PostalCode) + QLatin1Char(' ') + text(t.Name);
        return out;
    }

    const QByteArray folder = geotest::dicFolder();
    TKVAddrJisCount jisCount = nullptr;
    TKVAddrJisList jisList = nullptr;
    TKVAddrTownCount townCount = nullptr;
    TKVAddrTownList townList = nullptr;
    TKVAddrTownCount largeCount = nullptr;
    TKVAddrLargeList largeList = nullptr;
};

TEST_F(Kvaddr, AddressesToTheirMunicipalities)
{
    EXPECT_EQ(cities(QStringLiteral("東京都千代田区")), QStringList{QStringLiteral("13101 千代田区")});
    EXPECT_EQ(cities(QStringLiteral("千代田区丸の内")), QStringList{QStringLiteral("13101 千代田区")});
    EXPECT_EQ(cities(QStringLiteral("横浜市中区山下町")), QStringList{QStringLiteral("14104 横浜市中区")});
    // Without the county, and with it.
    EXPECT_EQ(cities(QStringLiteral("群馬県榛東村")), QStringList{QStringLiteral("10344 北群馬郡榛東村")});
    EXPECT_EQ(cities(QStringLiteral("北群馬郡榛東村新井")), QStringList{QStringLiteral("10344 北群馬郡榛東村")});
    // One name in two prefectures; the prefecture chooses.
    EXPECT_EQ(cities(QStringLiteral("府中市")),
              (QStringList{QStringLiteral("13206 府中市"), QStringLiteral("34208 府中市")}));
    EXPECT_EQ(cities(QStringLiteral("広島県府中市")), QStringList{QStringLiteral("34208 府中市")});
    // A text that only begins to name: every ward of the city, every municipality of the prefecture.
    const QStringList yokohama = cities(QStringLiteral("横浜市"));
    EXPECT_EQ(yokohama.size(), 18);
    EXPECT_EQ(yokohama.first(), QStringLiteral("14101 横浜市鶴見区"));
    EXPECT_EQ(cities(QStringLiteral("東京都")).size(), 62);
    EXPECT_TRUE(cities(QStringLiteral("千代")).contains(QStringLiteral("13101 千代田区")));
}

TEST_F(Kvaddr, CityEntryCarriesPrefectureAndReadings)
{
    std::vector<TAddrCityEntry> list;
    cities(QStringLiteral("札幌市中央区"), &list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(QByteArray(list[0].JisCode, 6), QByteArray("01101 "));
    EXPECT_EQ(text(list[0].Prefecture), QStringLiteral("北海道"));
    EXPECT_EQ(text(list[0].PrefectureReading), QStringLiteral("ﾎﾂｶｲﾄﾞｳ"));
    EXPECT_EQ(text(list[0].CityReading), QStringLiteral("ｻﾂﾎﾟﾛｼﾁﾕｳｵｳｸ"));
}

TEST_F(Kvaddr, TownsTheRestOfTheTextNames)
{
    EXPECT_EQ(towns(QStringLiteral("横浜市中区山下町")), QStringList{QStringLiteral("2310023 山下町")});
    // An address number after the town still finds the town.
    EXPECT_EQ(towns(QStringLiteral("横浜市中区山下町２７９")), QStringList{QStringLiteral("2310023 山下町")});
    // A town with two postal codes gives both.
    EXPECT_EQ(towns(QStringLiteral("札幌市中央区大通西")),
              (QStringList{QStringLiteral("0600042 大通西"), QStringLiteral("0640820 大通西")}));
    // The start of a name finds every town it begins, the building floors of 丸の内 among them.
    const QStringList marunouchi = towns(QStringLiteral("東京都千代田区丸の内"));
    EXPECT_GT(marunouchi.size(), 50);
    EXPECT_EQ(marunouchi.first(), QStringLiteral("1000005 丸の内"));
    // No town named: all of them, in reading order.
    const QStringList all = towns(QStringLiteral("千代田区"));
    EXPECT_GT(all.size(), 400);
    EXPECT_EQ(all.first(), QStringLiteral("1020072 飯田橋"));
    EXPECT_EQ(towns(QStringLiteral("千代田区存在しない町")), QStringList{QStringLiteral("8")});
}

TEST_F(Kvaddr, LargeOfficesOfATown)
{
    std::vector<TAddrCityEntry> city;
    cities(QStringLiteral("札幌市北区北二十九条西"), &city);
    ASSERT_EQ(city.size(), 1u);
    const QByteArray a = sjis(QStringLiteral("札幌市北区北二十九条西"));
    int32_t count = 0;
    ASSERT_EQ(largeCount(a.constData(), &city[0], &count, folder.constData()), 0);
    std::vector<TAddrTownEntry> towns(static_cast<size_t>(count));
    std::vector<TLargeOfficeEntry> offices(static_cast<size_t>(count));
    ASSERT_EQ(largeList(a.constData(), &city[0], towns.data(), offices.data(), count, folder.constData()), 0);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(text(towns[i].Name).startsWith(QStringLiteral("北二十九条西")));
        names << text(offices[i].Name);
    }
    EXPECT_TRUE(names.contains(QStringLiteral("学校法人　創成学園　札幌創成高等学校"))) << names.join(',').toStdString();
}

TEST_F(Kvaddr, InvalidAndUnknownAddresses)
{
    EXPECT_EQ(cities(QString()), QStringList{QStringLiteral("4")});
    EXPECT_EQ(cities(QStringLiteral("存在しない市")), QStringList{QStringLiteral("8")});
    int32_t count = 0;
    EXPECT_EQ(jisCount(nullptr, &count, folder.constData()), 4);
    EXPECT_EQ(jisCount("x", nullptr, folder.constData()), 4);
    EXPECT_EQ(townCount("x", nullptr, &count, folder.constData()), 4);

    TAddrCityEntry unknown;
    std::memset(&unknown, ' ', sizeof unknown);
    std::memcpy(unknown.JisCode, "99999", 5);
    EXPECT_EQ(townCount(sjis(QStringLiteral("千代田区")).constData(), &unknown, &count, folder.constData()), 8);
}

}  // namespace
