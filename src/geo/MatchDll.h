// Kvmatch.so, the coordinates and normalised address of a town, shared by every dictionary wrapper: loaded by
// its first user and freed with the last; and the step that adds its answer to a wrapper's result.
#pragma once

#include "Kvmatch/Kvmatch.h"
#include "geo/DicLibraries.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Answers of LoadMatchDll and MatchAddress besides the library's own codes.
inline constexpr int matchLibraryMissing = 101;   // Kvmatch.so cannot be loaded (the user stays counted)
inline constexpr int matchFunctionMissing = 102;  // it has no KVMatchAdrs (the user is dropped again)
inline constexpr int matchNotLoaded = 103;

// Adds one user; the first one loads folder + "Kvmatch.so" and shows an error box when that fails.
int LoadMatchDll(const QString &folder);
// Drops one user when there is one; the last one frees the library.
void FreeMatchDll();
// Zero-fills record and asks the library for the eleven-character key; matchNotLoaded without the library.
int MatchAddress(const QByteArray &key, TMatchAdrsRecord &record, const QString &dataFolder);

// The key of a town: JIS code and town code, filled up with zeros to eleven characters.
QByteArray MatchKey(const QByteArray &jisCode, const QByteArray &townCode);
// A coordinate of the library (1/256 second of arc) in 1/1000 second of arc, halves away from zero.
int32_t MatchCoordinate(uint32_t value);

// One use of the library for the lifetime of the object.
class TMatchDllUse {
public:
    explicit TMatchDllUse(const QString &folder) : code_(LoadMatchDll(folder)) {}
    ~TMatchDllUse()
    {
        if (code_ != matchFunctionMissing)
            FreeMatchDll();
    }
    TMatchDllUse(const TMatchDllUse &) = delete;
    TMatchDllUse &operator=(const TMatchDllUse &) = delete;

private:
    const int code_;
};

// Looks the result's town up. When found, the coordinates are stored and, with address, the postal code, the
// prefecture, the city and the town (both parts joined) replace the dictionary's own texts. True when found.
template <class TResult>
bool MatchResult(TResult &result, const QString &dataFolder, bool address)
{
    TMatchAdrsRecord match;
    if (MatchAddress(MatchKey(FieldText(result.JisCode), FieldText(result.TownCode)), match, dataFolder) != 0)
        return false;
    if (address) {
        PutText(result.PostalCode, PostalCodeForm(FieldText(match.PostalCode)));
        PutText(result.PrefectureReading, FieldText(match.PrefectureReading));
        PutText(result.Prefecture, FieldText(match.Prefecture));
        PutText(result.CityReading, FieldText(match.CityReading));
        PutText(result.City, FieldText(match.City));
        PutText(result.TownReading, FieldText(match.TownReading1) + FieldText(match.TownReading2));
        PutText(result.Town, FieldText(match.Town1) + FieldText(match.Town2));
    }
    result.Latitude = MatchCoordinate(match.Latitude);
    result.Longitude = MatchCoordinate(match.Longitude);
    return true;
}
