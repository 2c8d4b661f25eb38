// The dictionary wrappers over the real libraries and Dic/ of the program folder: the look-ups the dictionary
// window and the record windows make, end to end.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "geo/AdrsSearch.h"
#include "geo/ContinualAdrsSearch.h"
#include "geo/KanaAdrsSearch.h"
#include "geo/KykbnSearch.h"
#include "geo/MatchDll.h"
#include "geo/PosSearch.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

bool isDigits(const QByteArray &text, int size)
{
    return text.size() == size && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Sample positions lie near their prefectural office (degrees given in millionths).
void expectNear(int32_t latitude, int32_t longitude, int64_t officeLatitude, int64_t officeLongitude)
{
    EXPECT_LT(std::llabs(latitude - officeLatitude * 36 / 10), 360000) << latitude;
    EXPECT_LT(std::llabs(longitude - officeLongitude * 36 / 10), 360000) << longitude;
}
void expectNearTokyo(int32_t latitude, int32_t longitude) { expectNear(latitude, longitude, 35689500, 139691700); }

// The text of a result's field by its byte offset, as the callers that copy whole records read it.
template <class TResult>
QByteArray fieldAt(const TResult &result, int offset, int width)
{
    return FieldText(reinterpret_cast<const char *>(&result) + offset, std::size_t(width));
}

template <class TError>
QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const TError &e) {
        return e.Message;
    }
    return {};
}

class DicSearches : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join('|').toStdString(); }

    const QString library = test::appDir();
    const QString data = test::appDir() + QStringLiteral("Dic/");
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(DicSearches, KanaListsPrefecturesByRegionThenCitiesAndDistricts)
{
    TKanaAdrsSearch search(library, data);
    int total = 0;
    for (int region = 0; region <= TKanaAdrsSearch::lastRegion; ++region) {
        ASSERT_EQ(search.SearchPrefectures(region), 0);
        for (int i = 0; i < search.GetPrefectureCount(); ++i)
            EXPECT_FALSE(FieldText(search.GetPrefecture(i).Name).isEmpty()) << region << ' ' << i;
        total += search.GetPrefectureCount();
    }
    EXPECT_EQ(total, 47);
    // Hokkaido and Tohoku: ten entries, the last three without a name.
    ASSERT_EQ(search.SearchPrefectures(0), 0);
    EXPECT_EQ(search.GetPrefectureCount(), 7);
    EXPECT_EQ(errorOf<EKanaAdrsSearchError>([&] { search.SearchPrefectures(6); }),
              QStringLiteral("検索地域が範囲外です"));

    ASSERT_EQ(search.SearchPrefectures(TKanaAdrsSearch::allRegions), 0);
    ASSERT_EQ(search.GetPrefectureCount(), 47);
    const TKanaPrefEntry tokyo = search.GetPrefecture(12);
    EXPECT_EQ(FieldText(tokyo.Name), sjis(QStringLiteral("東京都")));
    ASSERT_EQ(search.SearchCities(13, tokyo.CityCount), 0);
    ASSERT_EQ(search.GetCityCount(), tokyo.CityCount);
    int chiyoda = -1;
    for (int i = 0; i < search.GetCityCount(); ++i)
        if (FieldText(search.GetCity(i).Code) == "13101")
            chiyoda = i;
    ASSERT_GE(chiyoda, 0);
    const TKanaCityEntry city = search.GetCity(chiyoda);
    EXPECT_EQ(FieldText(city.Name), sjis(QStringLiteral("千代田区")));
    ASSERT_EQ(search.SearchOazas(FieldText(city.Code), city.DistrictCount, false), 0);
    std::set<QByteArray> districts;
    for (int i = 0; i < search.GetOazaCount(); ++i)
        districts.insert(FieldText(search.GetOaza(i).Name));
    EXPECT_TRUE(districts.count(sjis(QStringLiteral("丸の内"))));

    EXPECT_EQ(errorOf<EKanaAdrsSearchError>([&] { search.SearchCities(48, 10); }),
              QStringLiteral("検索都道府県が範囲外です"));
    EXPECT_EQ(errorOf<EKanaAdrsSearchError>([&] { search.SearchOazas("1310", 10, true); }),
              QStringLiteral("検索住所コードの桁数が違います"));
    EXPECT_EQ(errorOf<EKanaAdrsSearchError>([&] { search.GetOaza(search.GetOazaCount()); }),
              QStringLiteral("大字検索の結果がありません"));
    // A new prefecture search drops the cities and districts of the last one.
    ASSERT_EQ(search.SearchPrefectures(1), 0);
    EXPECT_EQ(search.GetCityCount(), 0);
    EXPECT_EQ(errorOf<EKanaAdrsSearchError>([&] { search.GetOaza(0); }),
              QStringLiteral("大字検索の結果がありません"));
}

TEST_F(DicSearches, AnAddressGivesItsCodesAndOnRequestItsCoordinates)
{
    TContinualAdrsSearch search(library, data);
    EXPECT_EQ(errorOf<EContinualAdrsSearchError>([&] { search.Search(" \t "); }),
              QStringLiteral("検索住所が未入力です"));
    ASSERT_EQ(search.Search(sjis(QStringLiteral(" 東京都千代田区千代田１－１ "))), 0);
    const TContinualAdrsResult plain = search.GetResult(false);
    EXPECT_EQ(FieldText(plain.JisCode), "13101");
    EXPECT_TRUE(isDigits(FieldText(plain.TownCode), 6)) << FieldText(plain.TownCode).constData();
    EXPECT_EQ(FieldText(plain.PostalCode), "100-0001");
    EXPECT_EQ(FieldText(plain.Prefecture), sjis(QStringLiteral("東京都")));
    EXPECT_EQ(FieldText(plain.City), sjis(QStringLiteral("千代田区")));
    EXPECT_EQ(FieldText(plain.Town), sjis(QStringLiteral("千代田")));
    EXPECT_EQ(plain.Latitude, 0);

    const TContinualAdrsResult &located = search.GetResult(true);
    expectNearTokyo(located.Latitude, located.Longitude);
    EXPECT_EQ(FieldText(located.TownCode), FieldText(plain.TownCode));
    EXPECT_EQ(FieldText(located.Town), sjis(QStringLiteral("千代田")));
    EXPECT_FALSE(FieldText(located.TownReading).isEmpty());
}

TEST_F(DicSearches, ATelephoneNumberGivesTokyoCitiesAndAllTheirTownsPageByPage)
{
    TKykbnSearch search(library, data);
    EXPECT_EQ(errorOf<EKykbnSearchError>([&] { search.Search("--"); }), QStringLiteral("検索電話番号が未入力です"));
    QByteArray hyphenated;
    ASSERT_EQ(search.Search("0312345678", &hyphenated), 0);
    EXPECT_EQ(hyphenated, "03-1234-5678");
    ASSERT_GT(search.GetCityCount(), 0);
    for (int i = 0; i < search.GetCityCount(); ++i)
        EXPECT_TRUE(FieldText(search.GetCity(i).Name).startsWith(sjis(QStringLiteral("東京都")))) << i;
    EXPECT_EQ(errorOf<EKykbnSearchError>([&] { search.GetResult(-1, false); }), NoCityResultText);

    // Yokohama's Aoba ward has 45 towns: pages of 20, 20 and 5.
    ASSERT_EQ(search.Search("045-123-4567"), 0);
    int city = -1;
    for (int i = 0; i < search.GetCityCount(); ++i)
        if (FieldText(search.GetCity(i).JisCode) == "14117")
            city = i;
    ASSERT_GE(city, 0);
    const TPhoneCityEntry aoba = search.GetCity(city);
    ASSERT_EQ(aoba.TownCount, 45u);
    EXPECT_EQ(search.SelectCity(city), 0);
    ASSERT_EQ(search.GetTownCount(), 45);
    std::set<QByteArray> codes;
    for (int i = 0; i < search.GetTownCount(); ++i) {
        EXPECT_FALSE(FieldText(search.GetTown(i).Name).isEmpty()) << i;
        codes.insert(QByteArray(search.GetTown(i).Code, sizeof search.GetTown(i).Code));
    }
    EXPECT_EQ(codes.size(), 45u) << "a page copied twice";
    EXPECT_EQ(errorOf<EKykbnSearchError>([&] { search.GetTown(45); }), NoTownResultText);

    const TKykbnResult &result = search.GetResult(44, true);
    EXPECT_EQ(FieldText(result.Phone), "045-123-4567");
    EXPECT_EQ(FieldText(result.Prefecture), sjis(QStringLiteral("神奈川県")));
    EXPECT_EQ(FieldText(result.City), sjis(QStringLiteral("横浜市青葉区")));
    EXPECT_EQ(FieldText(result.JisCode), "14117");
    // The town entry's code: the JIS code, then the town code the result holds (characters 6 to 11).
    EXPECT_TRUE(isDigits(FieldText(result.TownCode), 6)) << FieldText(result.TownCode).constData();
    EXPECT_EQ(QByteArray(search.GetTown(44).Code, sizeof search.GetTown(44).Code),
              "14117" + FieldText(result.TownCode) + ' ');
    EXPECT_FALSE(FieldText(result.TownReading).isEmpty()) << "readings come with the coordinates";
    expectNear(result.Latitude, result.Longitude, 35447800, 139642500);
}

// A city becomes current only with its towns: when the dictionary fails under the fetch of another city, the
// previous one stays current with its towns, and the failed one is asked again rather than taken for selected.
TEST_F(DicSearches, AFailedFetchLeavesThePreviousSelectionCurrent)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/");
    for (const QString &name : {QStringLiteral("Phone.dic"), QStringLiteral("Geo.dic")})
        ASSERT_TRUE(QFile::copy(data + name, folder + name));
    TKykbnSearch phone(library, folder);
    ASSERT_EQ(phone.Search("0451234567"), 0);
    ASSERT_GE(phone.GetCityCount(), 2);
    ASSERT_EQ(phone.SelectCity(0), 0);
    const int phoneTowns = phone.GetTownCount();
    const QByteArray phoneTown = FieldText(phone.GetTown(phoneTowns - 1).Name);
    TAdrsSearch address(library, folder);
    ASSERT_EQ(address.Search(sjis(QStringLiteral("神奈川県横浜市"))), 0);
    ASSERT_GE(address.GetCityCount(), 2);
    ASSERT_EQ(address.SelectCity(0, placeTowns), 0);
    const int addressTowns = address.GetTownCount();
    ASSERT_GT(addressTowns, 0);

    const QString geo = folder + QStringLiteral("Geo.dic");
    test::replaceDictionary(geo, test::readFile(geo).left(24));
    for (int again = 0; again < 2; ++again) {
        EXPECT_THROW(phone.SelectCity(1), EKvphoneError) << again;
        EXPECT_THROW(address.SelectCity(1, placeTowns), EKVAddrError) << again;
    }
    EXPECT_EQ(phone.GetTownCount(), phoneTowns);
    EXPECT_EQ(FieldText(phone.GetTown(phoneTowns - 1).Name), phoneTown);
    EXPECT_EQ(phone.SelectCity(0), 0);
    EXPECT_EQ(address.GetTownCount(), addressTowns);
    EXPECT_EQ(FieldText(address.GetResult(0, false).JisCode), FieldText(address.GetCity(0).JisCode));
}

TEST_F(DicSearches, APostalCodeGivesItsTownAndItsLargeOffices)
{
    TPosSearch search(library, data);
    QByteArray text;
    ASSERT_EQ(search.Search("1000001", &text), 0);
    EXPECT_EQ(text, "100-0001");
    ASSERT_EQ(search.GetCityCount(), 1);
    ASSERT_EQ(search.SelectCity(0, placeTowns), 0);
    ASSERT_GE(search.GetTownCount(), 1);
    const TPosAdrsResult plain = search.GetResult(0, false);
    // The dictionary's readings have the large letters of the program's own prefecture readings, so the
    // prefecture is split off the city's reading.
    EXPECT_EQ(fieldAt(plain, 9, 9), sjis(QStringLiteral("ﾄｳｷﾖｳﾄ")));
    EXPECT_EQ(fieldAt(plain, 27, 37), sjis(QStringLiteral("ﾁﾖﾀﾞｸ")));
    EXPECT_EQ(plain.Latitude, 0);
    const TPosAdrsResult &town = search.GetResult(0, true);
    EXPECT_EQ(FieldText(town.PostalCode), "100-0001");
    EXPECT_EQ(FieldText(town.Prefecture), sjis(QStringLiteral("東京都")));
    EXPECT_EQ(FieldText(town.City), sjis(QStringLiteral("千代田区")));
    EXPECT_EQ(FieldText(town.Town), sjis(QStringLiteral("千代田")));
    EXPECT_EQ(FieldText(town.JisCode), "13101");
    EXPECT_TRUE(isDigits(FieldText(town.TownCode), 6));
    expectNearTokyo(town.Latitude, town.Longitude);

    // The first digits of a code find the large offices with codes of their own.
    ASSERT_EQ(search.Search("100"), 0);
    int city = -1;
    for (int i = 0; i < search.GetCityCount() && city < 0; ++i)
        if (search.GetCity(i).LargeCount > 0)
            city = i;
    ASSERT_GE(city, 0);
    ASSERT_EQ(search.SelectCity(city, placeLargeOffices), 0);
    ASSERT_EQ(search.GetLargeCount(), search.GetCity(city).LargeCount);
    const TPosAdrsResult &office = search.GetResult(0, true);
    EXPECT_EQ(FieldText(office.LargeName), FieldText(search.GetLarge(0).Name));
    EXPECT_FALSE(FieldText(office.LargeName).isEmpty());
    EXPECT_EQ(FieldText(office.PostalCode), PostalCodeForm(FieldText(search.GetTown(0).PostalCode)));
    EXPECT_EQ(FieldText(office.Town), FieldText(search.GetTown(0).Name)) << "an office's address is the dictionary's";

    EXPECT_EQ(search.Search("0000000"), 8);
    EXPECT_EQ(search.GetLargeCount(), search.GetCity(city).LargeCount) << "lists are kept";
}

TEST_F(DicSearches, EveryPrefectureReadingOfTheDictionariesIsTheProgramsOwn)
{
    // The program splits a postal city reading with its own table of prefecture readings; one prefecture
    // the dictionaries spell otherwise ("ﾄｳｷｮｳﾄ" for "ﾄｳｷﾖｳﾄ") would keep its prefecture in the city reading.
    TKanaAdrsSearch kana(library, data);
    ASSERT_EQ(kana.SearchPrefectures(TKanaAdrsSearch::allRegions), 0);
    TAdrsSearch address(library, data);
    for (int i = 0; i < kana.GetPrefectureCount(); ++i) {
        const QByteArray name = FieldText(kana.GetPrefecture(i).Name);
        ASSERT_EQ(address.Search(name), 0) << i;
        const TAddrCityEntry &city = address.GetCity(0);
        QByteArray prefecture, rest;
        EXPECT_TRUE(SplitPrefectureKana(FieldText(city.PrefectureReading) + FieldText(city.CityReading), prefecture,
                                        rest)) << i;
        EXPECT_EQ(prefecture, FieldText(city.PrefectureReading)) << i;
        EXPECT_EQ(rest, FieldText(city.CityReading)) << i;
    }
}

TEST_F(DicSearches, AnAddressGivesItsCitiesThenTheTownsItNames)
{
    TAdrsSearch search(library, data);
    EXPECT_EQ(errorOf<EAdrsSearchError>([&] { search.Search("   "); }), QStringLiteral("検索住所が未入力です"));
    ASSERT_EQ(search.Search(sjis(QStringLiteral("東京都千代田区千代"))), 0);
    ASSERT_EQ(search.GetCityCount(), 1);
    EXPECT_EQ(FieldText(search.GetCity(0).JisCode), "13101");
    ASSERT_EQ(search.SelectCity(0, placeTowns), 0);
    ASSERT_GE(search.GetTownCount(), 1);
    for (int i = 0; i < search.GetTownCount(); ++i)
        EXPECT_TRUE(FieldText(search.GetTown(i).Name).startsWith(sjis(QStringLiteral("千代")))) << i;
    const TPosAdrsResult &result = search.GetResult(0, false);
    EXPECT_EQ(FieldText(result.Prefecture), sjis(QStringLiteral("東京都")));
    EXPECT_EQ(FieldText(result.CityReading), sjis(QStringLiteral("ﾁﾖﾀﾞｸ")));
    EXPECT_EQ(FieldText(result.JisCode), "13101");
    EXPECT_EQ(result.Latitude, 0);
}

// 東京都's wards come folded into one telephone entry "東京都" (13100); the town codes of the ward area run on
// across the wards, so that entry's code with a town's code finds the town, its ward and its position, and
// every dictionary gives the town the same code.
TEST_F(DicSearches, AWardTownHasOneCodeInEveryDictionary)
{
    TKykbnSearch phone(library, data);
    ASSERT_EQ(phone.Search("0339001234"), 0);
    ASSERT_EQ(FieldText(phone.GetCity(0).JisCode), "13100");
    ASSERT_EQ(phone.SelectCity(0), 0);
    int town = -1;
    for (int i = 0; i < phone.GetTownCount() && town < 0; ++i)
        if (FieldText(phone.GetTown(i).Name) == sjis(QStringLiteral("北区王子本町")))
            town = i;
    ASSERT_GE(town, 0);
    const TKykbnResult &located = phone.GetResult(town, true);
    const QByteArray code = fieldAt(located, 323, 9);
    EXPECT_TRUE(isDigits(code, 6)) << code.constData();
    EXPECT_EQ(fieldAt(located, 317, 6), "13100");
    EXPECT_EQ(fieldAt(located, 32, 9), sjis(QStringLiteral("東京都")));
    EXPECT_EQ(fieldAt(located, 78, 37), sjis(QStringLiteral("北区")));
    EXPECT_EQ(fieldAt(located, 41, 37), sjis(QStringLiteral("ｷﾀｸ")));
    EXPECT_EQ(fieldAt(located, 216, 101), sjis(QStringLiteral("王子本町")));
    EXPECT_EQ(fieldAt(located, 14, 9), "114-0022");
    expectNearTokyo(located.Latitude, located.Longitude);

    TPosSearch post(library, data);
    ASSERT_EQ(post.Search("1140022"), 0);
    ASSERT_EQ(post.SelectCity(0, placeTowns), 0);
    EXPECT_EQ(FieldText(post.GetCity(0).JisCode), "13117");
    EXPECT_EQ(FieldText(post.GetResult(0, false).TownCode), code);

    TAdrsSearch address(library, data);
    ASSERT_EQ(address.Search(sjis(QStringLiteral("東京都北区王子本町"))), 0);
    ASSERT_EQ(address.SelectCity(0, placeTowns), 0);
    EXPECT_EQ(FieldText(address.GetResult(0, false).TownCode), code);

    TContinualAdrsSearch continual(library, data);
    ASSERT_EQ(continual.Search(sjis(QStringLiteral("東京都北区王子本町１－１５－２２"))), 0);
    const TContinualAdrsResult &fromText = continual.GetResult(true);
    EXPECT_EQ(FieldText(fromText.JisCode), "13117");
    EXPECT_EQ(FieldText(fromText.TownCode), code);
    // Packed records: the coordinates are copied out, never bound by reference.
    EXPECT_EQ(std::make_pair(int32_t(fromText.Latitude), int32_t(fromText.Longitude)),
              std::make_pair(int32_t(located.Latitude), int32_t(located.Longitude)));

    // The ward's own code and the ward area's code name the same town.
    const TMatchDllUse match(library);
    TMatchAdrsRecord byWard, byArea;
    ASSERT_EQ(MatchAddress(MatchKey("13117", code), byWard, data), 0);
    ASSERT_EQ(MatchAddress(MatchKey("13100", code), byArea, data), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(&byWard), sizeof byWard),
              QByteArray(reinterpret_cast<const char *>(&byArea), sizeof byArea));
}
