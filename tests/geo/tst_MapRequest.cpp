// The map request's rules, the position texts and measures, and the addresses handed to the browser.
#include "geo/MapRequest.h"
#include "geo/WebLinks.h"

#include "base/SjisCodec.h"
#include "platform/MemIniFile.h"

#include <QUrlQuery>

#include <vector>

#include <gtest/gtest.h>

TEST(MapRequest, ResolutionFollowsKindPositionAndText)
{
    struct Case {
        int kind, lat, lon;
        bool text;
        int result, kindAfter;
    };
    const Case cases[] = {
        {0, 1, 1, true, mapShowByPosition, 0},   {0, 1, 1, false, mapShowByPosition, 0},
        {0, 0, 5, true, mapShowByText, 1},       {0, 0, 0, false, mapNothingByPosition, 0},
        {1, 1, 1, true, mapShowByText, 1},       {1, 0, 0, true, mapShowByText, 1},
        {1, 1, 1, false, mapShowByPosition, 0},  {1, 0, 0, false, mapNothingByText, 1},
        {0, -5, 9, false, mapNothingByPosition, 0},  // a position needs both values above 0
    };
    for (const Case &c : cases) {
        int32_t kind = c.kind;
        EXPECT_EQ(ResolveMapRequest(kind, c.lat, c.lon, c.text), c.result) << c.kind << c.lat << c.text;
        EXPECT_EQ(kind, c.kindAfter);
    }
}

TEST(MapRequest, ProgramsTheirWindowsAndMessages)
{
    EXPECT_EQ(MapProductNames[2], QStringLiteral("プロアトラスＷ～Ｗ３/SV～SV7"));
    EXPECT_EQ(MapProgramMissingText(9), QStringLiteral("グランマップがインストールされていません  "));
    EXPECT_TRUE(MapProgramMissingText(10).isEmpty());
    for (int p = 0; p < mapProgramCount; ++p) {
        EXPECT_EQ(MapProgramShowsWindow(p), p == 0 || p == 1 || p == 2 || p == 5 || p == 8) << p;
        EXPECT_EQ(MapProgramMaySavePoint(p), p == 0 || p == 1 || p == 2 || p == 5) << p;
    }
}

TEST(MapRequest, UnitConversionsRoundHalvesAwayFromZero)
{
    EXPECT_EQ(To256FromThousandths(128000000), 32768000);
    EXPECT_EQ(To256FromThousandths(2), 1);   // 0.512
    EXPECT_EQ(To256FromThousandths(-2), -1);
    EXPECT_EQ(ThousandthsFrom256(1), 4);     // 3.90625
    EXPECT_EQ(ThousandthsFrom256(32), 125);
    EXPECT_EQ(ThousandthsOf(35.5), 127800000);
}

TEST(MapRequest, DegreeMinuteSecondTextsPadThousandths)
{
    // 35°05'12.005"
    const int32_t v = 35 * 3600000 + 5 * 60000 + 12 * 1000 + 5;
    EXPECT_EQ(DegreeMinuteSecondText(v), QStringLiteral("35度05分12.005秒"));
    EXPECT_EQ(DegreeMinuteSecondText(139 * 3600000 + 59 * 60000 + 59999), QStringLiteral("139度59分59.999秒"));
    EXPECT_EQ(MapCornerText(v, 139 * 3600000, v - 1000, 139 * 3600000 + 120),
              QStringLiteral("左上 北緯 : 35度05分12.005秒  東経 : 139度00分00.000秒\r\n"
                             "右下 北緯 : 35度05分11.005秒  東経 : 139度00分00.120秒"));
}

TEST(MapRequest, DistanceAndDirectionToAStation)
{
    const int32_t lat = 35 * 3600000, lon = 139 * 3600000;
    // 3.24 seconds north is 100 m.
    EXPECT_EQ(StationDistance(lat, lon, lat + 3240, lon), 100);
    EXPECT_EQ(StationDirection(lat, lon, lat + 3240, lon), 1);
    // East-west, a second of longitude at 35° north is cos 35° of a second of latitude.
    EXPECT_EQ(StationDistance(lat, lon, lat, lon + 3240), 82);
    EXPECT_EQ(StationDirection(lat, lon, lat, lon - 3240), 7);
    // 2.6 times as many seconds east as north: 64.8° from north once scaled (北東), 69° unscaled (東).
    EXPECT_EQ(StationDirection(lat, lon, lat + 1000, lon + 2600), 2);
    EXPECT_EQ(StationDirection(lat, lon, lat - 1000, lon - 1000), 6);
    EXPECT_EQ(StationDirection(lat, lon, lat, lon), 0);
    EXPECT_EQ(DirectionWord(8), QStringLiteral("北西"));
    EXPECT_TRUE(DirectionWord(0).isEmpty());
}

TEST(WebLinks, QRMapLinkEncodesTheShiftJisAddress)
{
    TMemIniFile ini(QString{});
    const QString address = QStringLiteral("東京都 1-2");
    const QByteArray link = QRMapLink(QStringLiteral("http://host.example/link.cgi?W=D&ZM=11&ADDR=%s"), address);
    EXPECT_EQ(link, QByteArray("http://host.example/link.cgi?W=D&ZM=11&ADDR=%93%8C%8B%9E%93s+1-2"));
    EXPECT_TRUE(QRMapLinkTemplate(ini).endsWith(QStringLiteral("/link.cgi?W=D&ZM=11&ADDR=%s")));
    EXPECT_EQ(PercentEncodeBytes("a*-._@Z9~", true), QByteArray("a*-._@Z9%7E"));
}

TEST(WebLinks, WebSearchAddressesByEngineAndEncoding)
{
    TMemIniFile ini(QString{});
    auto engines = WebSearchEngines(ini);
    EXPECT_EQ(engines[1].Label, QStringLiteral("Yahoo! JAPAN"));
    EXPECT_TRUE(engines[1].Prefix.startsWith(QStringLiteral("https://")));
    EXPECT_EQ(WebSearchUrl(engines[1], QStringLiteral(" ab c ")), engines[1].Prefix.toUtf8() + "ab+c");
    EXPECT_EQ(WebSearchUrl(engines[3], QStringLiteral("a b")), engines[3].Prefix.toUtf8() + "%61%20%62");
    EXPECT_EQ(WebSearchUrl(engines[0], QStringLiteral("株")), engines[0].Prefix.toUtf8() + "%E6%A0%AA");

    // A Shift-JIS engine from the settings.
    ini.SetText("[WEB SEARCH]\r\nUrl2=http://s.example/search.gw?search=\r\nEncoding2=Shift_JIS\r\n");
    engines = WebSearchEngines(ini);
    EXPECT_EQ(WebSearchUrl(engines[2], QStringLiteral("株 A")), QByteArray("http://s.example/search.gw?search=%8A%94+A"));
}

TEST(WebLinks, TemplateValuesCannotChangeTheAddress)
{
    TUrlFields f;
    f.Latitude = 35 * 3600000 + 1800000;
    f.Longitude = 139 * 3600000;
    f.Address = QStringLiteral("東京都 \"a\"&b=c#d?e/f");
    const QUrl url = FillUrlTemplate(QStringLiteral("https://map.example/search?q={address}&at={lat},{lon}&z={zoom}"), f);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.host(), QStringLiteral("map.example"));
    EXPECT_TRUE(url.fragment().isEmpty());
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), f.Address);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("at")), QStringLiteral("35.500000,139.000000"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("z")), QStringLiteral("16"));

    f.Date = QStringLiteral("20240401");
    f.From = QStringLiteral("東京");
    f.To = QStringLiteral("新宿");
    const QUrl route = FillUrlTemplate(QStringLiteral("https://r.example/?from={from}&to={to}&y={yyyy}&m={mm}&d={dd}"), f);
    EXPECT_EQ(QUrlQuery(route).queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded), QStringLiteral("新宿"));
    EXPECT_EQ(QUrlQuery(route).queryItemValue(QStringLiteral("m")), QStringLiteral("04"));
}

// A planner's own words for a condition come from the template, by the condition's value; the default planner
// gets transfers, limited expresses and flights, and nothing of the others.
TEST(WebLinks, RouteTemplatesCarryConditionsInThePlannersWords)
{
    TUrlFields f;
    f.From = QStringLiteral("東京");
    f.To = QStringLiteral("新宿");
    f.Date = QStringLiteral("20240401");
    const QString own = QStringLiteral("https://r.example/?from={from}&sort={Transfers:time,time,transfer}&air={Airway:yes,,no}&c={conditions}");
    f.Conditions = QStringLiteral("0020001");
    QUrlQuery query(FillUrlTemplate(own, f));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("sort")), QStringLiteral("transfer"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("air")), QString());
    EXPECT_EQ(query.queryItemValue(QStringLiteral("c")), f.Conditions);
    f.Conditions.clear();  // the second route program has none: the first option's words
    query = QUrlQuery(FillUrlTemplate(own, f));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("sort")), QStringLiteral("time"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("air")), QStringLiteral("yes"));

    const QString planner = RoutePlannerTemplate(TMemIniFile(QString{}));
    f.Conditions = QStringLiteral("0020022");
    const QUrl url = FillUrlTemplate(planner, f);
    ASSERT_TRUE(url.isValid());
    query = QUrlQuery(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded), QStringLiteral("新宿"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("s")), QStringLiteral("2"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("ex")), QStringLiteral("0"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("shin")), QStringLiteral("0"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("al")), QStringLiteral("0"));
    f.Conditions = QStringLiteral("1111111");
    query = QUrlQuery(FillUrlTemplate(planner, f));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("s")), QStringLiteral("0"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("ex")), QStringLiteral("1"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("al")), QStringLiteral("1"));

    std::vector<bool> carried;
    for (size_t i = 0; i < RouteConditionKeys.size(); ++i)
        carried.push_back(UrlTemplateCarries(planner, i));
    EXPECT_EQ(carried, (std::vector<bool>{false, false, true, false, false, true, true}));
    EXPECT_TRUE(UrlTemplateCarries(QStringLiteral("https://r.example/?c={conditions}"), 0));
    EXPECT_FALSE(UrlTemplateCarries(QStringLiteral("https://r.example/?from={from}"), 6));
}

TEST(WebLinks, OpenerReceivesTheUrl)
{
    QList<QUrl> opened;
    TUrlOpener previous = SetUrlOpener([&](const QUrl &u) { opened << u; return true; });
    EXPECT_TRUE(OpenWebUrl(QUrl(QStringLiteral("https://x.example/"))));
    EXPECT_FALSE(OpenWebUrl(QUrl()));
    SetUrlOpener(previous);
    ASSERT_EQ(opened.size(), 1);
}
