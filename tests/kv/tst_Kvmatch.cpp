// Kvmatch.so as the program loads it, over the built Dic/Geo.dic: the sample positions lie in the town's
// prefecture, the normalised address parts, long town names split or replaced, and the codes for bad keys.
#include "GeoTest.h"

#include "Kvmatch/Kvmatch.h"

#include <cstring>

namespace {

using geotest::text;

class Kvmatch : public geotest::Library {
protected:
    Kvmatch() : Library("Kvmatch.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        match = entry<TKVMatchAdrs>("KVMatchAdrs");
    }

    int find(const char *key, TMatchAdrsRecord &r)
    {
        std::memset(&r, 0, sizeof r);
        return match(key, &r, folder.constData());
    }

    static double degrees(uint32_t units) { return units / (3600.0 * 256.0); }

    const QByteArray folder = geotest::dicFolder();
    TKVMatchAdrs match = nullptr;
};

TEST_F(Kvmatch, TownWithItsAddressAndPosition)
{
    TMatchAdrsRecord r;
    ASSERT_EQ(find("13101000001", r), 0);
    EXPECT_EQ(text(r.Prefecture), QStringLiteral("東京都"));
    EXPECT_EQ(text(r.PrefectureReading), QStringLiteral("ﾄｳｷﾖｳﾄ"));
    EXPECT_EQ(text(r.City), QStringLiteral("千代田区"));
    EXPECT_EQ(text(r.CityReading), QStringLiteral("ﾁﾖﾀﾞｸ"));
    EXPECT_EQ(text(r.Town1), QStringLiteral("飯田橋"));
    EXPECT_EQ(text(r.Town2), QString());
    EXPECT_EQ(text(r.TownReading1), QStringLiteral("ｲｲﾀﾞﾊﾞｼ"));
    EXPECT_EQ(text(r.PostalCode), QStringLiteral("1020072"));
}

TEST_F(Kvmatch, PositionsLieInTheirPrefecture)
{
    struct TBox {
        const char *key;
        double south, north, west, east;
    };
    // Boxes well inside the prefectures (the 23 wards of Tokyo, the Ishikari plain, the south of Okinawa
    // island, the city of Fukuoka): a sample that strays to a neighbour or into the sea falls out of them.
    for (const TBox &b : {TBox{"13101000001", 35.55, 35.80, 139.60, 139.90}, TBox{"13101000000", 35.55, 35.80, 139.60, 139.90},
                          TBox{"01101000002", 42.95, 43.15, 141.20, 141.45}, TBox{"47201000001", 26.15, 26.30, 127.65, 127.75},
                          TBox{"40131000001", 33.50, 33.70, 130.35, 130.50}}) {
        TMatchAdrsRecord r;
        ASSERT_EQ(find(b.key, r), 0) << b.key;
        EXPECT_GT(degrees(r.Latitude), b.south) << b.key;
        EXPECT_LT(degrees(r.Latitude), b.north) << b.key;
        EXPECT_GT(degrees(r.Longitude), b.west) << b.key;
        EXPECT_LT(degrees(r.Longitude), b.east) << b.key;
    }
    // Towns of one municipality lie apart, so a map shows them as different places.
    TMatchAdrsRecord a, b;
    find("13101000001", a);
    find("13101000002", b);
    EXPECT_NE(std::make_pair(a.Latitude, a.Longitude), std::make_pair(b.Latitude, b.Longitude));
}

TEST_F(Kvmatch, MunicipalitiesLieAtTheirOwnPlaceNotAtThePrefecturalOffice)
{
    // 函館市 is 150 km from Sapporo, 八丈町 an island 290 km south of Tokyo; Yokohama's 中区 and Osaka's
    // wards lie near their city's point.
    struct TPlace {
        const char *key;
        double latitude, longitude, tolerance;
    };
    for (const TPlace &p : {TPlace{"01202000000", 41.77, 140.73, 0.1}, TPlace{"13401000000", 33.11, 139.79, 0.1},
                            TPlace{"14104000000", 35.44, 139.64, 0.1}, TPlace{"27100000001", 34.70, 135.50, 0.1}}) {
        TMatchAdrsRecord r;
        ASSERT_EQ(find(p.key, r), 0) << p.key;
        EXPECT_NEAR(degrees(r.Latitude), p.latitude, p.tolerance) << p.key;
        EXPECT_NEAR(degrees(r.Longitude), p.longitude, p.tolerance) << p.key;
    }
}

TEST_F(Kvmatch, MunicipalityItselfHasItsOwnPostalCodeAndNoTown)
{
    TMatchAdrsRecord r;
    ASSERT_EQ(find("01101000000", r), 0);
    EXPECT_EQ(text(r.City), QStringLiteral("札幌市中央区"));
    EXPECT_EQ(text(r.PostalCode), QStringLiteral("0600000"));
    EXPECT_EQ(text(r.Town1), QString());
    EXPECT_NE(r.Latitude, 0u);
}

// Tokyo's 23 wards number their towns as one sequence, ward by ward in JIS-code order: every town code of the
// ward area "13100" is a town of exactly one ward, and the same code with that ward's own JIS code gives the
// very same answer, the ward as the municipality.
TEST_F(Kvmatch, WardAreaKeysGiveTheTownOfItsWard)
{
    QStringList wards;
    int towns = 0;
    for (int n = 1;; ++n) {
        const QByteArray code = QByteArray::number(n).rightJustified(6, '0');
        TMatchAdrsRecord area;
        const int rc = find(("13100" + code).constData(), area);
        if (rc == 8)
            break;
        ASSERT_EQ(rc, 0) << code.constData();
        if (wards.isEmpty() || wards.last() != text(area.City))
            wards << text(area.City);
        const QByteArray ward = QByteArray::number(13100 + wards.size());  // 13101 千代田区 to 13123 江戸川区
        TMatchAdrsRecord own;
        ASSERT_EQ(find((ward + code).constData(), own), 0) << code.constData();
        ASSERT_EQ(std::memcmp(&area, &own, sizeof area), 0) << code.constData();
        towns = n;
    }
    ASSERT_EQ(wards.size(), 23) << wards.join(' ').toStdString();
    EXPECT_EQ(wards.first(), QStringLiteral("千代田区"));
    EXPECT_EQ(wards.at(16), QStringLiteral("北区"));
    EXPECT_EQ(wards.last(), QStringLiteral("江戸川区"));
    EXPECT_GT(towns, 3000);
    TMatchAdrsRecord r;
    EXPECT_EQ(find("13101000484", r), 8) << "千代田区's codes end where 中央区's begin";
    EXPECT_EQ(find("13102000484", r), 0);
    EXPECT_EQ(text(r.City), QStringLiteral("中央区"));
    EXPECT_EQ(find("13102000001", r), 8);

    // A designated city's code answers with the ward as Japan Post names it; the city has no record of its own.
    ASSERT_EQ(find("27100000001", r), 0);
    EXPECT_EQ(text(r.City), QStringLiteral("大阪市都島区"));
    EXPECT_EQ(text(r.CityReading), QStringLiteral("ｵｵｻｶｼﾐﾔｺｼﾞﾏｸ"));
    EXPECT_EQ(find("27100000000", r), 8);
    EXPECT_EQ(find("13100000000", r), 8);
    EXPECT_EQ(find(("13100" + QByteArray::number(towns + 1).rightJustified(6, '0')).constData(), r), 8);
}

TEST_F(Kvmatch, LongTownNamesAreSplitBetweenTheTwoParts)
{
    // Every town of Tokyo's wards (the floors of 渋谷区's buildings are the longest names): the parts joined
    // give the name back, or its district when the name does not fit.
    int split = 0;
    for (int n = 1;; ++n) {
        const QByteArray key = "13100" + QByteArray::number(n).rightJustified(6, '0');
        TMatchAdrsRecord r;
        const int rc = find(key.constData(), r);
        if (rc == 8)
            break;
        ASSERT_EQ(rc, 0);
        const QString town = text(r.Town1) + text(r.Town2);
        EXPECT_FALSE(town.contains(QChar::ReplacementCharacter)) << key.constData();
        if (!text(r.Town2).isEmpty())
            ++split;
    }
    EXPECT_GT(split, 0);
}

TEST_F(Kvmatch, InvalidAndUnknownKeys)
{
    TMatchAdrsRecord r;
    for (const char *key : {"", "1310100000", "131010000011", "1310100000x", "13101 00001"})
        EXPECT_EQ(find(key, r), 4) << key;
    EXPECT_EQ(match(nullptr, &r, folder.constData()), 4);
    EXPECT_EQ(match("13101000001", nullptr, folder.constData()), 4);
    EXPECT_EQ(find("99999000001", r), 8);
    EXPECT_EQ(find("13101999999", r), 8);
}

}  // namespace
