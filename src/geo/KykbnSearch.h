// TKykbnSearch: a telephone number to its area from Kvphone.so: the municipalities its exchange serves, their
// towns, and a result with the hyphenated number and, on request, the town's coordinates.
#pragma once

#include "Kvphone/Kvphone.h"
#include "geo/DicLibraries.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
// Texts NUL-terminated within their fields; coordinates in 1/1000 second of arc.
struct TKykbnResult {
    char Phone[14];  // with hyphens
    char PostalCode[9];
    char PrefectureReading[9];
    char Prefecture[9];
    char CityReading[37];
    char City[37];
    char TownReading[101];
    char Town[101];
    char JisCode[6];
    char TownCode[9];
    int32_t Latitude;
    int32_t Longitude;
};
#pragma pack(pop)
static_assert(sizeof(TKykbnResult) == 340);

class EKykbnSearchError : public EDicSearchError {
public:
    using EDicSearchError::EDicSearchError;
};
class EKvphoneError : public EKykbnSearchError {
public:
    using EKykbnSearchError::EKykbnSearchError;
};

class TKykbnSearch : public TDicLibrary {
public:
    // Loads libraryFolder + "Kvphone.so"; raises EKvphoneError when it cannot.
    explicit TKykbnSearch(const QString &libraryFolder = {}, const QString &dataFolder = {});

    // Looks up the digits of number: 0 found (the city list is filled), 4 invalid, 8 unknown (lists kept).
    // hyphenated, when given, receives the number with hyphens, cut to the 13 bytes of the result field.
    int Search(const QByteArray &number, QByteArray *hyphenated = nullptr);
    // Fetches the towns of a city of the list: 0 or 1, or 8 when it has none. The current city again asks
    // nothing.
    int SelectCity(int index);

    int GetCityCount() const { return static_cast<int>(cities_.size()); }
    int GetTownCount() const { return static_cast<int>(towns_.size()); }
    // An index outside the list raises EKykbnSearchError.
    const TPhoneCityEntry &GetCity(int index) const;
    const TPhoneTownEntry &GetTown(int index) const;
    // The number, the selected city and the town (none when town is negative); coordinates only for a town.
    // Raises EKykbnSearchError when no city is selected.
    const TKykbnResult &GetResult(int town, bool withCoordinates);

private:
    QByteArray hyphenatedNumber() const;

    TKVPhonePrefix prefix_ = nullptr;
    TKVPhoneCity2 city2_ = nullptr;
    TKVPhoneTown2First townFirst_ = nullptr;
    TKVPhoneTown2Close townClose_ = nullptr;
    TKVPhoneTown2Next townNext_ = nullptr;
    std::vector<TPhoneCityEntry> cities_;
    std::vector<TPhoneTownEntry> towns_;
    TKykbnResult result_{};
    QByteArray digits_;
    int city_ = -1;
};
