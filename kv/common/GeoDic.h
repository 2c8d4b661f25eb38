// Read-only access to Dic/Geo.dic, the geography dictionary written by data/geo/make_geo_dic.py (its
// docstring has the byte layout). Linked into every stand-in library that reads the geography; no Qt, no
// SQLite. A TGeoDic reads the calling thread's mapping of the file (TMappedFile) and checks its header; each
// call (or each handle) makes its own, so two threads never share one.
//
// Every accessor checks its index and the references of the record it decodes: a damaged file that passed
// the header check gives empty texts and empty ranges, never a read outside the mapping.
#pragma once

#include "MappedFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The entries a library exports; everything else stays hidden (the libraries build with hidden visibility).
#define KV_EXPORT extern "C" __attribute__((visibility("default")))

namespace kv {

// No index (a postal row without town or office, an office outside the towns).
inline constexpr uint32_t kNone = 0xFFFFFFFF;

// The code every library returns when Geo.dic is missing or damaged: none of the codes the program accepts
// (0, 1, 4, 8), so the wrappers report the failure instead of an empty result.
inline constexpr int32_t kDictionaryError = 16;

struct TGeoRange {
    uint32_t first = 0;
    uint32_t count = 0;
};

struct TGeoPrefecture {
    uint32_t number = 0;  // 1 to 47
    uint32_t region = 0;  // 0 to 5
    std::string_view name, reading;
    uint32_t latitude = 0, longitude = 0;  // the prefectural office, 1/256 second of arc
    TGeoRange municipalities;              // positions in municipalityOfPrefecture, reading order
};

struct TGeoMunicipality {
    uint32_t index = kNone;
    std::string_view jis;  // five digits
    uint32_t prefecture = 0;
    std::string_view name, reading;            // "北群馬郡榛東村"; readings are half-width kana, large letters only
    std::string_view shortName, shortReading;  // "榛東村"; equal to name and reading without a county
    TGeoRange towns;      // indexes of town() and townByName(); the town code is townBase + the position + 1
    TGeoRange districts;  // indexes of district(); the district number is the position + 1
    TGeoRange offices;    // positions in officeOfMunicipality, reading order
    TGeoRange postalRows; // positions in postalRowOfMunicipality: the towns' postal rows in town-code order
    uint32_t latitude = 0, longitude = 0;  // a sample position
    uint32_t ownPostalCode = 0;  // the code of addresses without a listed town ("以下に掲載がない場合"), or 0
    // A ward's city, whose wards number their towns as one sequence: its code as a number (13100 for Tokyo's
    // special wards, 27100 for 大阪市), 0 for a municipality that is no ward. The town codes of the ward
    // are townBase + 1 upwards.
    uint32_t wardCity = 0;
    uint32_t townBase = 0;
};

struct TGeoTown {
    uint32_t index = kNone;
    uint32_t municipality = kNone;
    std::string_view name, reading;
    uint32_t district = kNone;
    uint32_t block = 0;        // 丁目 number, 0 when none
    uint32_t postalCount = 0;  // postal codes of the town
    uint32_t postalCode = 0;   // the lowest of them, as a number (1000001)
    uint32_t latitude = 0, longitude = 0;  // a sample position
};

struct TGeoDistrict {
    uint32_t index = kNone;
    uint32_t municipality = kNone;
    std::string_view name, reading;
    TGeoRange blocks;     // indexes of block()
    uint32_t number = 0;  // 1 upwards within the municipality
};

struct TGeoBlock {
    uint32_t district = kNone;
    std::string_view name, reading;  // "本町２丁目"
    uint32_t number = 0;
};

struct TGeoOffice {
    uint32_t index = kNone;
    uint32_t postalCode = 0;
    uint32_t municipality = kNone;
    uint32_t town = kNone;  // the town it lies in, kNone when it is none of the towns
    std::string_view name, reading;
    std::string_view address, addressReading;  // the town and street ("北十条西３丁目２３－１"), the town's reading
};

struct TGeoPostalRow {
    uint32_t postalCode = 0;
    uint32_t municipality = kNone;
    uint32_t town = kNone;    // kNone: the municipality's own code ("以下に掲載がない場合")
    uint32_t office = kNone;  // set for a large office's code
};

class TGeoDic {
public:
    static constexpr const char *FileName = "Geo.dic";

    // Maps folder + "Geo.dic" (folder ends with "/"); a null folder, a missing file or one that is not a
    // dictionary of this version leaves the object invalid.
    explicit TGeoDic(const char *folder);
    TGeoDic(const TGeoDic &) = delete;
    TGeoDic &operator=(const TGeoDic &) = delete;

    bool valid() const { return valid_; }

    // Prefecture 1 to 47; nothing for another number.
    std::optional<TGeoPrefecture> prefecture(uint32_t number) const;
    uint32_t municipalityOfPrefecture(uint32_t position) const;

    uint32_t municipalityCount() const;
    TGeoMunicipality municipality(uint32_t index) const;
    // The municipality of a five-digit JIS code, kNone when there is none.
    uint32_t findMunicipality(std::string_view jis) const;

    // Municipality names and short names in byte order, for prefix searches.
    uint32_t nameCount() const;
    std::string_view name(uint32_t position) const;
    uint32_t nameMunicipality(uint32_t position) const;
    // Positions of the names that start with prefix.
    TGeoRange namesStartingWith(std::string_view prefix) const;

    TGeoTown town(uint32_t index) const;
    // The town of a municipality by its six-digit code, kNone when there is none ("000000" is none).
    uint32_t findTown(const TGeoMunicipality &m, std::string_view townCode) const;
    // The town of a city with wards by the city's five-digit code ("13100") and a six-digit town code, which
    // is unique across its wards; kNone when the code is no such city's or the town none of its wards'.
    uint32_t findWardCityTown(std::string_view cityCode, std::string_view townCode) const;
    // The six-digit code of a town.
    std::string townCode(const TGeoTown &t) const;
    // The place of a town in the narrower fields: its block ("本町２丁目") or its district ("丸の内" of a
    // building's floor). Both always fit 40 bytes.
    TGeoBlock townPlace(const TGeoTown &t) const;
    // Towns of a municipality ordered by the bytes of their names: position i of m.towns gives a town index.
    uint32_t townByName(uint32_t position) const;
    // Positions (within m.towns) of the towns whose names start with prefix.
    TGeoRange townsStartingWith(const TGeoMunicipality &m, std::string_view prefix) const;

    TGeoDistrict district(uint32_t index) const;
    // The eight-character district code: JIS code and three characters of the district number.
    std::string districtCode(const TGeoDistrict &d) const;
    // The district of an eight-character district code, kNone when there is none.
    uint32_t findDistrict(std::string_view code) const;
    TGeoBlock block(uint32_t index) const;

    uint32_t officeCount() const;
    TGeoOffice office(uint32_t index) const;
    uint32_t officeOfMunicipality(uint32_t position) const;

    uint32_t postalRowCount() const;
    TGeoPostalRow postalRow(uint32_t index) const;
    uint32_t postalRowOfMunicipality(uint32_t position) const;
    // The postal rows whose seven-digit code starts with digits (1 to 7 ASCII digits).
    TGeoRange postalRowsStartingWith(std::string_view digits) const;

private:
    struct TTable {
        const unsigned char *data = nullptr;
        uint32_t recordSize = 0;
        uint32_t count = 0;
    };
    const unsigned char *record(int table, uint32_t index) const;
    // The position of the first municipality whose JIS code is not below jis.
    uint32_t municipalityLowerBound(std::string_view jis) const;
    uint32_t indexAt(int table, uint32_t position, int target) const;
    std::string_view text(const unsigned char *at) const;
    TGeoRange range(const unsigned char *at, int table) const;

    TMappedFile file_;
    bool valid_ = false;
    TTable tables_[13];
};

// Seven digits of a postal code stored as a number.
std::string PostalDigits(uint32_t postalCode);

}  // namespace kv
