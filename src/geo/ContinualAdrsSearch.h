// TContinualAdrsSearch: one free address text to its postal code, JIS code, town code and normalised parts,
// from Kvjis.so, with the town's coordinates from Kvmatch.so on request.
#pragma once

#include "Kvjis/Kvjis.h"
#include "geo/DicLibraries.h"
#include "geo/MatchDll.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

#pragma pack(push, 1)
// Texts NUL-terminated within their fields; coordinates in 1/1000 second of arc.
struct TContinualAdrsResult {
    char PostalCode[9];
    char PrefectureReading[9];
    char Prefecture[9];
    char CityReading[37];
    char City[37];
    char TownReading[101];
    char Town[101];
    char JisCode[6];
    char TownCode[7];  // the record's KajoCode
    int32_t Latitude;
    int32_t Longitude;
};
#pragma pack(pop)
static_assert(sizeof(TContinualAdrsResult) == 324);

class EContinualAdrsSearchError : public EDicSearchError {
public:
    using EDicSearchError::EDicSearchError;
};
class EKvjisErro : public EContinualAdrsSearchError {
public:
    using EContinualAdrsSearchError::EContinualAdrsSearchError;
};

class TContinualAdrsSearch : public TDicLibrary {
public:
    // Loads libraryFolder + "Kvjis.so"; raises EKvjisErro when it cannot.
    explicit TContinualAdrsSearch(const QString &libraryFolder = {}, const QString &dataFolder = {});

    // Looks up the trimmed address: 0 matched, 1 only the municipality matched, 4 invalid, 8 not found.
    int Search(const QByteArray &address);
    // The result of the last Search. Coordinates are looked up once per search, when first asked for.
    const TContinualAdrsResult &GetResult(bool withCoordinates);

private:
    TKVJisAdrs jisAdrs_ = nullptr;
    TJisAdrsRecord record_{};
    TContinualAdrsResult result_{};
    bool resultValid_ = false;
    bool resultHasCoordinates_ = false;
    QByteArray address_;
    // Kvmatch.so, loaded by the first look-up of coordinates and kept until this object goes.
    std::optional<TMatchDllUse> match_;
};
