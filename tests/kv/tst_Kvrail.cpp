// Kvrail.so as the program loads it, over the built sample Dic/Rail.dat: the nearest stations with their
// distances and directions, the lines of a station, stations by name and by kana, and the codes.
#include "GeoTest.h"

#include "Kvrail/Kvrail.h"

#include "base/SjisCodec.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using geotest::text;

class Kvrail : public geotest::Library {
protected:
    Kvrail() : Library("Kvrail.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        nearest = entry<TStationSearchFromPoint>("StationSearchFromPoint");
        lines = entry<TLineList>("LineList");
        list = entry<TStationListEx>("StationListEx");
    }
    std::vector<TRailStation> stations(const QByteArray &key, int *code = nullptr)
    {
        int32_t count = 0;
        int c = list(key.constData(), &count, nullptr, folder.constData());
        std::vector<TRailStation> out(size_t(std::max(count, 0)));
        if (c == 0)
            c = list(key.constData(), &count, out.data(), folder.constData());
        if (code)
            *code = c;
        return out;
    }

    const QByteArray folder = geotest::dicFolder();
    TStationSearchFromPoint nearest = nullptr;
    TLineList lines = nullptr;
    TStationListEx list = nullptr;
};

int32_t units(double degrees) { return int32_t(std::lround(degrees * 3600 * 256)); }

}  // namespace

TEST_F(Kvrail, NearestStationsWithDistanceAndDirection)
{
    TRailStation r[4];
    // The middle of Tokyo's 千代田区.
    ASSERT_EQ(nearest(units(35.694), units(139.754), r, folder.constData()), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(r[i].Latitude, 0) << i;
        EXPECT_GT(r[i].StationNo, 0);
        EXPECT_LE(r[i].Distance, 10000);
        EXPECT_GE(r[i].Direction, 1);
        EXPECT_LE(r[i].Direction, 8);
    }
    EXPECT_LE(r[0].Distance, r[1].Distance);
    EXPECT_LE(r[1].Distance, r[2].Distance);
    EXPECT_EQ(r[3].Latitude, 0) << "the fourth entry is the caller's";
    EXPECT_EQ(text(r[0].Name), QStringLiteral("千代田"));
    EXPECT_EQ(text(r[0].Reading), QStringLiteral("ﾁﾖﾀﾞ"));

    // A point 1 km due east of a station sees it at about 1 km to the west: the longitude difference counts
    // for cos(latitude).
    const int32_t east = int32_t(std::lround(1000 * 32.4 * 256 / 1000 / std::cos(r[0].Latitude / 921600.0 * M_PI / 180)));
    TRailStation again[4];
    ASSERT_EQ(nearest(r[0].Latitude, r[0].Longitude + east, again, folder.constData()), 0);
    bool seen = false;
    for (const TRailStation &s : again)
        if (s.StationNo == r[0].StationNo) {
            seen = true;
            EXPECT_NEAR(s.Distance, 1000, 2);
            EXPECT_EQ(s.Direction, 7);
        }
    EXPECT_TRUE(seen);

    // The open sea far from any station.
    EXPECT_EQ(nearest(units(30.0), units(145.0), r, folder.constData()), 8);
    EXPECT_EQ(r[0].Latitude, 0);
}

TEST_F(Kvrail, LinesOfAStation)
{
    TRailStation r[4];
    ASSERT_EQ(nearest(units(35.694), units(139.754), r, folder.constData()), 0);
    int32_t count = 0;
    ASSERT_EQ(lines(r[0].StationNo, &count, nullptr, folder.constData()), 0);
    ASSERT_EQ(count, 2);
    std::vector<TRailLine> names(2);
    ASSERT_EQ(lines(r[0].StationNo, &count, names.data(), folder.constData()), 0);
    for (const TRailLine &l : names)
        EXPECT_TRUE(text(l.Name).startsWith(QStringLiteral("東京"))) << text(l.Name).toStdString();
    EXPECT_EQ(lines(0, &count, nullptr, folder.constData()), 8);
    EXPECT_EQ(lines(1000000, &count, nullptr, folder.constData()), 8);
}

TEST_F(Kvrail, StationsByTheStartOfTheirNameOrReading)
{
    int code = -1;
    const auto byName = stations(Sjis::encode(QStringLiteral("千代田")), &code);
    EXPECT_EQ(code, 0);
    ASSERT_GE(byName.size(), 1u);
    for (const TRailStation &s : byName)
        EXPECT_TRUE(text(s.Name).startsWith(QStringLiteral("千代田")));
    // The kana row letter ﾜ (0xDC) and the voiced readings starting with ｶ.
    for (const char *key : {"\xDC", "\xB6"}) {
        const auto byKana = stations(QByteArray(key), &code);
        EXPECT_EQ(code, 0) << int(uint8_t(key[0]));
        ASSERT_FALSE(byKana.empty());
        for (const TRailStation &s : byKana)
            EXPECT_EQ(uint8_t(s.Reading[0]), uint8_t(key[0]));
    }
    // No station's reading starts with ｦ: 8 and a count of 0.
    EXPECT_TRUE(stations(QByteArray("\xA6"), &code).empty());
    EXPECT_EQ(code, 8);
    EXPECT_TRUE(stations(Sjis::encode(QStringLiteral("存在しない駅名")), &code).empty());
    EXPECT_EQ(code, 8);
}

TEST_F(Kvrail, MissingDataAndBadArguments)
{
    TRailStation r[4];
    int32_t count = 0;
    EXPECT_EQ(nearest(1, 1, r, "/nonexistent/"), 16);
    EXPECT_EQ(lines(1, nullptr, nullptr, folder.constData()), 4);
    EXPECT_EQ(list("", &count, nullptr, folder.constData()), 4);
    EXPECT_EQ(list("x", &count, nullptr, "/nonexistent/"), 16);
}
