// What the postal-code search and the address search share: the municipality list, the towns or large offices
// of the chosen municipality, and the 448-byte result built from them.
#pragma once

#include "Kvaddr/Kvaddr.h"
#include "Kvpost/Kvpost.h"
#include "geo/DicLibraries.h"
#include "geo/MatchDll.h"

#include <QByteArray>

#include <cstdint>
#include <utility>
#include <vector>

#pragma pack(push, 1)
// Texts NUL-terminated within their fields; coordinates in 1/1000 second of arc.
struct TPosAdrsResult {
    char PostalCode[9];
    char PrefectureReading[9];
    char Prefecture[9];
    char CityReading[37];
    char City[37];
    char TownReading[101];
    char Town[101];
    char LargeReading[61];
    char LargeName[61];
    char JisCode[6];
    char TownCode[9];
    int32_t Latitude;
    int32_t Longitude;
};
#pragma pack(pop)
static_assert(sizeof(TPosAdrsResult) == 448);

// The list kinds of SelectCity.
inline constexpr int placeTowns = 0;
inline constexpr int placeLargeOffices = 1;

// The municipality fields of a result, as each library gives them.
void FillCityFields(TPosAdrsResult &result, const TPostCityEntry &city);
void FillCityFields(TPosAdrsResult &result, const TAddrCityEntry &city);

template <class TCityEntry, class TTownEntry, class TArgumentError>
class TPlaceSearch : public TDicLibrary {
public:
    using TDicLibrary::TDicLibrary;

    int GetCityCount() const { return static_cast<int>(cities_.size()); }
    int GetTownCount() const { return static_cast<int>(towns_.size()); }
    int GetLargeCount() const { return static_cast<int>(larges_.size()); }
    // An index outside the list raises the argument error.
    const TCityEntry &GetCity(int index) const { return EntryAt<TArgumentError>(cities_, index, NoCityResultText); }
    const TTownEntry &GetTown(int index) const { return EntryAt<TArgumentError>(towns_, index, NoTownResultText); }
    const TLargeOfficeEntry &GetLarge(int index) const
    {
        return EntryAt<TArgumentError>(larges_, index, NoLargeResultText);
    }

    // The selected city and the town or large office of index town (none when negative); the coordinates,
    // only for a town, replace the address too when the list holds towns. Raises the argument error when no
    // city is selected.
    const TPosAdrsResult &GetResult(int town, bool withCoordinates)
    {
        const TCityEntry &city = GetCity(city_);
        const TTownEntry *chosen = town >= 0 ? &GetTown(town) : nullptr;
        const TLargeOfficeEntry *large = chosen && kind_ == placeLargeOffices ? &GetLarge(town) : nullptr;
        result_ = {};
        if (chosen) {
            PutText(result_.PostalCode, PostalCodeForm(FieldText(chosen->PostalCode)));
            PutText(result_.TownReading, FieldText(chosen->Reading));
            PutText(result_.Town, FieldText(chosen->Name));
            PutText(result_.TownCode, FieldText(chosen->TownCode));
        }
        FillCityFields(result_, city);
        if (large) {
            PutText(result_.LargeReading, FieldText(large->Reading));
            PutText(result_.LargeName, FieldText(large->Name));
        }
        if (chosen && withCoordinates) {
            const TMatchDllUse match(LibraryFolder());
            MatchResult(result_, DataFolder(), kind_ != placeLargeOffices);
        }
        return result_;
    }

protected:
    // A new list of count municipalities, none selected.
    void ResetCities(int count)
    {
        city_ = kind_ = -1;
        towns_.clear();
        larges_.clear();
        cities_.assign(static_cast<std::size_t>(std::max(count, 0)), TCityEntry{});
    }
    // The lists of a selection, fetched before it becomes current.
    struct TLists {
        std::vector<TTownEntry> towns;
        std::vector<TLargeOfficeEntry> larges;
    };
    // count zeroed towns, and as many large offices for that kind.
    static TLists SizedLists(int count, int kind)
    {
        TLists lists;
        lists.towns.assign(static_cast<std::size_t>(std::max(count, 0)), TTownEntry{});
        if (kind == placeLargeOffices)
            lists.larges.assign(lists.towns.size(), TLargeOfficeEntry{});
        return lists;
    }
    bool IsSelected(int index, int kind) const { return index == city_ && kind == kind_; }
    // Makes a selection current with its fetched lists. A fetch that fails never gets here, so the previous
    // selection stays current with its lists, and the failed one is not taken for selected when asked again.
    void Select(int index, int kind, TLists lists)
    {
        towns_ = std::move(lists.towns);
        larges_ = std::move(lists.larges);
        city_ = index;
        kind_ = kind;
    }

    std::vector<TCityEntry> cities_;
    std::vector<TTownEntry> towns_;
    std::vector<TLargeOfficeEntry> larges_;

private:
    TPosAdrsResult result_{};
    int city_ = -1;
    int kind_ = -1;
};
