// A telephone number's place over the real libraries, Dic/ and the sample directory of the build, with an address
// book of the test's own: which source answers first, and what each kind of number or a wrong disc answers.
#include "geo/TelPlace.h"

#include "core/Globals.h"
#include "db/Table.h"
#include "directory/DirectoryDll.h"
#include "geo/DicLibraries.h"
#include "geo/MapRequest.h"

#include "SampleDirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Listed in the sample directory with a position; 03-3900-1234 is not listed.
const QByteArray Listed = "0346141502";
const QByteArray Unlisted = "0339001234";

class TelPlace : public test::SampleDirectoryTest {
protected:
    void add(const char *field, const QByteArray &number, int32_t latitude, int32_t longitude)
    {
        addRecord([&](TTable &t) {
            t.FieldByName(QLatin1String(field)).SetAsString(number);
            t.FieldByName("Latitude").SetAsInteger(latitude);
            t.FieldByName("Longitude").SetAsInteger(longitude);
        });
    }
    // The listing's own position, as the directory gives it.
    void listing(int32_t &latitude, int32_t &longitude)
    {
        TDirectoryDetail details[KVDIR_TEL_RESULTS];
        int32_t count = 0;
        ASSERT_EQ(DirectoryTelLookup(Listed, details, count), 0);
        ASSERT_GT(count, 0);
        latitude = ThousandthsFrom256(int32_t(details[0].Latitude));
        longitude = ThousandthsFrom256(int32_t(details[0].Longitude));
        ASSERT_GT(latitude, 0);
    }

    int32_t lat = 0, lon = 0;
};

}  // namespace

TEST_F(TelPlace, TheBooksRecordThenTheDirectorysListingThenTheAreasMunicipality)
{
    int32_t listedLat = 0, listedLon = 0;
    listing(listedLat, listedLon);
    EXPECT_EQ(FindTelPlace(Listed, lat, lon), telPlaceFound);
    EXPECT_EQ(lat, listedLat);
    EXPECT_EQ(lon, listedLon);
    // Without the directory the listed number is only near by.
    SetDirectoryTelLookup(nullptr);
    EXPECT_EQ(FindTelPlace(Listed, lat, lon), telPlaceNearBy);
    SetDirectoryTelLookup(DirectoryTelLookup);

    // A record holding the number without a position does not stand in the listing's way; one with a position
    // comes before it, also when the number is its fax.
    add("Tel", Listed, 0, 0);
    EXPECT_EQ(FindTelPlace(Listed, lat, lon), telPlaceFound);
    EXPECT_EQ(lat, listedLat);
    add("Tel", Listed, 124000000, 486000000);
    EXPECT_EQ(FindTelPlace(Listed, lat, lon), telPlaceFound);
    EXPECT_EQ(lat, 124000000);
    EXPECT_EQ(lon, 486000000);
    add("Fax", "0311112222", 125000000, 487000000);
    EXPECT_EQ(FindTelPlace("0311112222", lat, lon), telPlaceFound);
    EXPECT_EQ(lat, 125000000);

    // Neither the book nor the directory: near by, at the area's municipality. 03 is 東京都's wards, which stand
    // for themselves by the first of them, 千代田区 (35.69 N, 139.75 E).
    EXPECT_EQ(FindTelPlace(Unlisted, lat, lon), telPlaceNearBy);
    EXPECT_NEAR(DegreesOf(lat), 35.69, 0.03);
    EXPECT_NEAR(DegreesOf(lon), 139.75, 0.03);
    // A city of its own gives its own position: 0263 is 松本市 (36.24 N, 137.97 E).
    EXPECT_EQ(FindTelPlace("0263331234", lat, lon), telPlaceNearBy);
    EXPECT_NEAR(DegreesOf(lat), 36.24, 0.05);
    EXPECT_NEAR(DegreesOf(lon), 137.97, 0.05);
}

TEST_F(TelPlace, WrongAndUnknownNumbersAnotherDiscAndAMissingDictionary)
{
    EXPECT_EQ(FindTelPlace("0123", lat, lon), telPlaceInvalid);
    EXPECT_EQ(FindTelPlace("09012345678", lat, lon), telPlaceNoData);

    // The directory's data on a disc, and another disc in the drive: the listing is not read, the area still
    // places the number, and a number nothing places is told to need the right disc. The book is asked first.
    QTemporaryDir disc;
    HddInstalled = 0;
    DiscPath = disc.path();
    EXPECT_EQ(FindTelPlace(Listed, lat, lon), telPlaceNearBy);
    EXPECT_EQ(FindTelPlace("09012345678", lat, lon), telPlaceWrongDisc);
    EXPECT_EQ(FindTelPlace("0123", lat, lon), telPlaceInvalid);
    add("Portable1", "09012345678", 124000000, 486000000);
    EXPECT_EQ(FindTelPlace("09012345678", lat, lon), telPlaceFound);
    EXPECT_EQ(lat, 124000000);
    // No disc at all: nothing is wrong with it.
    DiscPath = disc.path() + QStringLiteral("/none");
    EXPECT_EQ(FindTelPlace("09012345679", lat, lon), telPlaceNoData);

    // Without the area dictionary the failure is the dictionary's, never "no data".
    useProgramFolderWithout(QStringLiteral("Kvphone.so"));
    ASSERT_FALSE(HasFatalFailure());
    try {
        FindTelPlace(Unlisted, lat, lon);
        ADD_FAILURE() << "no error";
    } catch (const EDicSearchError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Kvphone.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    }
}
