// The dictionary wrappers without the dictionaries: the postal-code form, the coordinate conversion, the texts
// of libraries that fail to load, and the calls a wrapper makes, seen through a test library that counts them.
#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
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

#include <functional>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

// A library folder holding the counting test library under the given file names.
struct TLibraryFolder {
    explicit TLibraryFolder(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            EXPECT_TRUE(QFile::copy(QStringLiteral(COUNTING_KVPOST), path() + name));
    }
    QString path() const { return dir.path() + '/'; }
    QTemporaryDir dir;
};

// Runs make and gives the message of the library error it raises, checking that it is of the wrapper's class.
template <class TLibraryError, class TArgumentError>
QString libraryError(const std::function<void()> &make)
{
    try {
        make();
    } catch (const TLibraryError &e) {
        static_assert(std::is_base_of_v<TArgumentError, TLibraryError>);
        return e.Message;
    }
    ADD_FAILURE() << "no library error";
    return {};
}

}  // namespace

TEST(DicLibraries, PostalCodesOfFiveAndSevenDigitsGetAHyphen)
{
    EXPECT_EQ(PostalCodeForm(" 1000001 "), "100-0001");
    EXPECT_EQ(PostalCodeForm("10000"), "100-00");
    EXPECT_EQ(PostalCodeForm("100000"), "100000");
    EXPECT_EQ(PostalCodeForm("10000012"), "10000012");
    EXPECT_EQ(PostalCodeForm("100-0001"), "100-0001");
}

TEST(DicLibraries, CoordinatesAreConvertedIn64BitsAndRoundedHalfAway)
{
    EXPECT_EQ(MatchCoordinate(16), 63);  // 62.5
    EXPECT_EQ(MatchCoordinate(1), 4);    // 3.90625
    // 139°45' east: the product needs more than 32 bits.
    EXPECT_EQ(MatchCoordinate((139 * 3600 + 2700) * 256), 503100000);
    EXPECT_EQ(MatchCoordinate((139 * 3600 + 2700) * 256 + 1), 503100004);
    EXPECT_EQ(MatchKey("13101", "001000"), "13101001000");
    EXPECT_EQ(MatchKey("13101", ""), "13101000000");
}

TEST(DicLibraries, LibrariesThatCannotBeLoadedNameTheirFile)
{
    QTemporaryDir empty;
    const QString folder = empty.path() + '/';
    EXPECT_EQ((libraryError<EKVKanaError, EKanaAdrsSearchError>([&] { TKanaAdrsSearch s(folder, folder); })),
              QStringLiteral("Kvkana.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ((libraryError<EKvjisErro, EContinualAdrsSearchError>([&] { TContinualAdrsSearch s(folder, folder); })),
              QStringLiteral("Kvjis.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ((libraryError<EKvphoneError, EKykbnSearchError>([&] { TKykbnSearch s(folder, folder); })),
              QStringLiteral("Kvphone.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ((libraryError<EKvpostError, EPosSearchError>([&] { TPosSearch s(folder, folder); })),
              QStringLiteral("Kvpost.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ((libraryError<EKVAddrError, EAdrsSearchError>([&] { TAdrsSearch s(folder, folder); })),
              QStringLiteral("Kvaddr.so LoadLibrary Error\r\nDLLのロードに失敗しました"));

    // A library without the wrapper's entries names the first one missing.
    const TLibraryFolder others({"Kvkana.so", "Kvjis.so", "Kvphone.so", "Kvaddr.so"});
    const QString path = others.path();
    EXPECT_EQ((libraryError<EKVKanaError, EKanaAdrsSearchError>([&] { TKanaAdrsSearch s(path, path); })),
              QStringLiteral("KVKanaTdfkn (Kvkana.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ((libraryError<EKvjisErro, EContinualAdrsSearchError>([&] { TContinualAdrsSearch s(path, path); })),
              QStringLiteral("KVJisAdrs (Kvjis.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ((libraryError<EKvphoneError, EKykbnSearchError>([&] { TKykbnSearch s(path, path); })),
              QStringLiteral("KVPhonePrefix (Kvphone.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ((libraryError<EKVAddrError, EAdrsSearchError>([&] { TAdrsSearch s(path, path); })),
              QStringLiteral("KVAddrJisCount (Kvaddr.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"));
}

TEST(DicLibraries, MatchLibraryFailuresShowTheirBoxAndCountUsersAsDocumented)
{
    test::MessageBoxScript boxes;
    QTemporaryDir empty;
    TMatchAdrsRecord record;
    EXPECT_EQ(LoadMatchDll(empty.path() + '/'), matchLibraryMissing);
    EXPECT_EQ(MatchAddress("13101001000", record, empty.path() + '/'), matchNotLoaded);
    // The failed user stays counted until it is freed, so a second user neither loads nor shows a box.
    EXPECT_EQ(LoadMatchDll(empty.path() + '/'), 0);
    FreeMatchDll();
    FreeMatchDll();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Kvmatch.so\r\nDLLのロードに失敗しました"));
    EXPECT_EQ(boxes.shown()[0].caption, QStringLiteral("Kvmatch.so LoadLibrary Error"));
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);

    // Without KVMatchAdrs the user is dropped at once: the next one tries again.
    boxes.clear();
    const TLibraryFolder lacking({"Kvmatch.so"});
    EXPECT_EQ(LoadMatchDll(lacking.path()), matchFunctionMissing);
    EXPECT_EQ(LoadMatchDll(lacking.path()), matchFunctionMissing);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("KVMatchAdrs\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ(boxes.shown()[1].caption, QStringLiteral("Kvmatch.so GetProcAddress Error"));
}

TEST(DicLibraries, TextsAreCutWithoutSplittingACharacter)
{
    // Addresses to 254 bytes.
    const QByteArray east = sjis(QStringLiteral("東"));
    EXPECT_EQ(TAdrsSearch::SearchText(east.repeated(150)), east.repeated(127));
    // A tab has no full-width form, so the characters after it start on odd bytes.
    EXPECT_EQ(TAdrsSearch::SearchText(east + '\t' + east.repeated(149)), east + '\t' + east.repeated(125));
    EXPECT_EQ(TAdrsSearch::SearchText(" 1-2 "), sjis(QStringLiteral("１－２")));

    // Result fields to their width less the terminating NUL: a character that would end on the NUL's byte
    // goes whole; half-width kana are one byte each.
    char field[9];
    PutText(field, 'a' + east.repeated(4));
    EXPECT_EQ(QByteArray(field), 'a' + east.repeated(3));
    PutText(field, east.repeated(5));
    EXPECT_EQ(QByteArray(field), east.repeated(4));
    PutText(field, sjis(QStringLiteral("ｶﾅｶﾞﾜｹﾝﾖｺﾊﾏｼ")));
    EXPECT_EQ(QByteArray(field), sjis(QStringLiteral("ｶﾅｶﾞﾜｹﾝﾖ")));
}

class CountedPostalSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(counter.Load(folder.path(), QStringLiteral("Kvpost.dll")));
        calls = reinterpret_cast<int32_t (*)(const char *)>(counter.GetProcAddress("CountingKvpostCalls"));
        ASSERT_NE(calls, nullptr);
    }

    TLibraryFolder folder{"Kvpost.so"};
    // The same library as the wrapper's, held open so its counts last for the whole test.
    TRuntimeLibrary counter;
    int32_t (*calls)(const char *) = nullptr;
    test::MessageBoxScript boxes;
};

TEST_F(CountedPostalSearch, TheSameCityAndKindAgainAsksNothing)
{
    TPosSearch search(folder.path(), folder.path());
    QByteArray text;
    EXPECT_THROW(search.Search(" - ", &text), EPosSearchError);
    EXPECT_EQ(calls("KVPostFirst"), 0);
    ASSERT_EQ(search.Search("100-0001", &text), 0);
    EXPECT_EQ(text, "100-0001");
    ASSERT_EQ(search.GetCityCount(), 1);

    EXPECT_EQ(search.SelectCity(0, placeTowns), 0);
    EXPECT_EQ(search.SelectCity(0, placeTowns), 0);
    EXPECT_EQ(calls("KVPostTownList"), 1);
    EXPECT_EQ(search.GetTownCount(), 2);
    EXPECT_EQ(search.GetLargeCount(), 0);
    EXPECT_EQ(search.SelectCity(0, placeLargeOffices), 0);
    EXPECT_EQ(search.SelectCity(0, placeLargeOffices), 0);
    EXPECT_EQ(calls("KVPostLgTownList"), 1);
    EXPECT_EQ(search.GetTownCount(), 1);
    EXPECT_EQ(FieldText(search.GetLarge(0).Name), sjis(QStringLiteral("丸の内")));

    // Indexes outside the lists are refused instead of read.
    try {
        search.SelectCity(1, placeTowns);
        ADD_FAILURE() << "city 1 selected";
    } catch (const EPosSearchError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("市区郡町村検索の結果がありません"));
    }
    EXPECT_THROW(search.GetTown(1), EPosSearchError);
    EXPECT_THROW(search.GetLarge(-1), EPosSearchError);

    // An unknown code keeps the lists; every search closes the one before.
    EXPECT_EQ(search.Search("9999999"), 8);
    EXPECT_EQ(search.GetCityCount(), 1);
    EXPECT_EQ(calls("KVPostClose"), 1);
}

// A selection becomes current only with its lists: a fetch that fails leaves the previous city current with
// its lists, and the failed city is asked again rather than taken for selected.
TEST_F(CountedPostalSearch, AFailedFetchLeavesThePreviousSelectionCurrent)
{
    TPosSearch search(folder.path(), folder.path());
    ASSERT_EQ(search.Search("1000002"), 0);
    ASSERT_EQ(search.GetCityCount(), 2);
    ASSERT_EQ(search.SelectCity(0, placeLargeOffices), 0);
    for (int kind : {placeTowns, placeLargeOffices, placeTowns})
        EXPECT_THROW(search.SelectCity(1, kind), EKvpostError) << kind;
    EXPECT_EQ(calls("KVPostTownList") + calls("KVPostLgTownList"), 4);
    EXPECT_EQ(search.GetTownCount(), 1);
    EXPECT_EQ(search.GetLargeCount(), 1);
    const TPosAdrsResult &result = search.GetResult(0, false);
    EXPECT_EQ(FieldText(result.JisCode), "13101");
    EXPECT_EQ(FieldText(result.LargeName), sjis(QStringLiteral("丸の内")));
    EXPECT_EQ(search.SelectCity(0, placeLargeOffices), 0);
    EXPECT_EQ(calls("KVPostLgTownList"), 2) << "the current selection asks nothing";
}

TEST_F(CountedPostalSearch, AResultWithoutATownHoldsTheCityAndAsksNoCoordinates)
{
    TPosSearch search(folder.path(), folder.path());
    ASSERT_EQ(search.Search("1000001"), 0);
    try {
        search.GetResult(-1, true);
        ADD_FAILURE() << "a result without a city";
    } catch (const EPosSearchError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("市区郡町村検索の結果がありません"));
    }
    ASSERT_EQ(search.SelectCity(0, placeTowns), 0);

    // The folder has no Kvmatch.so: asking it for coordinates would show its box.
    TPosAdrsResult city = search.GetResult(-1, true);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(FieldText(city.PrefectureReading), sjis(QStringLiteral("ﾄｳｷﾖｳﾄ")));
    EXPECT_EQ(FieldText(city.CityReading), sjis(QStringLiteral("ﾁﾖﾀﾞｸ")));
    EXPECT_EQ(FieldText(city.Prefecture), sjis(QStringLiteral("東京都")));
    EXPECT_EQ(FieldText(city.City), sjis(QStringLiteral("千代田区")));
    EXPECT_EQ(FieldText(city.JisCode), "13101");
    EXPECT_EQ(FieldText(city.PostalCode), "");
    EXPECT_EQ(FieldText(city.Town), "");
    EXPECT_EQ(FieldText(city.TownCode), "");

    const TPosAdrsResult &town = search.GetResult(1, true);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Kvmatch.so\r\nDLLのロードに失敗しました")});
    EXPECT_EQ(FieldText(town.PostalCode), "100-0001");
    EXPECT_EQ(FieldText(town.Town), sjis(QStringLiteral("千代田")));
    EXPECT_EQ(FieldText(town.TownCode), "001000");
    EXPECT_EQ(town.Latitude, 0);
}
