#include "geo/TelPlace.h"

#include "base/Folders.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "db/Table.h"
#include "geo/KykbnSearch.h"
#include "geo/MapRequest.h"
#include "geo/MatchDll.h"

#include <QScopeGuard>

namespace {

TDirectoryTelLookup directoryTelLookup = nullptr;

bool HasPosition(int32_t latitude, int32_t longitude) { return latitude > 0 && longitude > 0; }

bool BookPosition(const QByteArray &digits, int32_t &latitude, int32_t &longitude)
{
    TTable *table = DMMirvale18 ? DMMirvale18->AdrsTable.get() : nullptr;
    if (!table || !table->Active())
        return false;
    bool found = false;
    VisitBookRecordsWithNumber(*table, digits, [&] {
        if (found)
            return;
        const int32_t lat = table->FieldByName(QStringLiteral("Latitude")).AsInteger();
        const int32_t lon = table->FieldByName(QStringLiteral("Longitude")).AsInteger();
        if (HasPosition(lat, lon)) {
            latitude = lat;
            longitude = lon;
            found = true;
        }
    });
    return found;
}

// The directory's data lies on a disc, and the disc in the drive holds something else.
bool WrongDisc()
{
    return !HddInstalled && !FindDiscData() && DirectoryExists(DiscPath);
}

bool DirectoryPosition(const QByteArray &digits, int32_t &latitude, int32_t &longitude)
{
    if (!directoryTelLookup || digits.size() <= 1)
        return false;
    TDirectoryDetail details[KVDIR_TEL_RESULTS]{};
    int32_t count = 0;
    // Data that cannot be read is no listing: the area still tells where the number is.
    if (directoryTelLookup(digits, details, count) != 0)
        return false;
    for (int i = 0; i < std::clamp<int>(count, 0, KVDIR_TEL_RESULTS); ++i) {
        const int32_t lat = ThousandthsFrom256(int32_t(details[i].Latitude));
        const int32_t lon = ThousandthsFrom256(int32_t(details[i].Longitude));
        if (HasPosition(lat, lon)) {
            latitude = lat;
            longitude = lon;
            return true;
        }
    }
    return false;
}

bool MunicipalityPosition(const QByteArray &jisCode, const QString &dicFolder, int32_t &latitude,
                          int32_t &longitude)
{
    bool ok = false;
    const int code = jisCode.toInt(&ok);
    if (!ok || jisCode.size() != 5)
        return false;
    // A city with wards (its code 1x0 within the prefecture) has no record of its own: its first ward,
    // numbered right after it, stands for it.
    const bool wards = code % 1000 / 100 == 1 && code % 10 == 0;
    for (int candidate = code; candidate <= code + (wards ? 9 : 0); ++candidate) {
        TMatchAdrsRecord record;
        const QByteArray key = MatchKey(QByteArray::number(candidate).rightJustified(5, '0'), {});
        if (MatchAddress(key, record, dicFolder) == 0) {
            latitude = MatchCoordinate(record.Latitude);
            longitude = MatchCoordinate(record.Longitude);
            return HasPosition(latitude, longitude);
        }
    }
    return false;
}

}  // namespace

void SetDirectoryTelLookup(TDirectoryTelLookup lookup) { directoryTelLookup = lookup; }

TDirectoryTelLookup InstalledDirectoryTelLookup() { return directoryTelLookup; }

int VisitBookRecordsWithNumber(TTable &table, const QByteArray &digits, const std::function<void()> &visit)
{
    static const char *const indexes[4] = {"Tel", "Fax", "Portable1", "Portable2"};
    // The table is the main list's: its index comes back on every way out, a failed read included.
    const auto restoreIndex = qScopeGuard([&table, previousIndex = table.IndexName()] {
        table.SetIndexName(previousIndex);
    });
    for (int i = 0; i < 4; ++i) {
        const QString field = QLatin1String(indexes[i]);
        table.SetIndexName(field);
        table.FindNearest({QVariant(digits)});
        bool held = false;
        for (; !table.Eof() && TrimBlanks(table.FieldByName(field).AsString()) == digits; table.Next()) {
            held = true;
            visit();
        }
        if (held)
            return i;
    }
    return -1;
}

int FindTelPlace(const QByteArray &digits, int32_t &latitude, int32_t &longitude)
{
    if (BookPosition(digits, latitude, longitude))
        return telPlaceFound;
    const bool wrongDisc = WrongDisc();
    if (!wrongDisc && DirectoryPosition(digits, latitude, longitude))
        return telPlaceFound;
    const QString dicFolder = AppFolder + QStringLiteral("Dic/");
    TKykbnSearch area(AppFolder, dicFolder);
    const int code = area.Search(digits);
    if (code == 4)
        return telPlaceInvalid;
    if (code == 0) {
        const TMatchDllUse match(AppFolder);
        for (int i = 0; i < area.GetCityCount(); ++i)
            if (MunicipalityPosition(FieldText(area.GetCity(i).JisCode), dicFolder, latitude, longitude))
                return telPlaceNearBy;
    }
    // Nothing found: the right disc might have listed it.
    return wrongDisc ? telPlaceWrongDisc : telPlaceNoData;
}
