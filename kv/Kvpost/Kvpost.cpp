// Kvpost.so: postal-code searches over Dic/Geo.dic. A search handle keeps the dictionary it was opened on and
// the rows of its code, grouped by municipality, until it is closed.
#include "Kvpost.h"

#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TCityRows {
    uint32_t municipality = kv::kNone;
    std::vector<uint32_t> towns;    // postal rows of towns (and the municipality's own code), code order
    std::vector<uint32_t> offices;  // postal rows of large offices, code order
};

struct TPostSearch {
    explicit TPostSearch(const char *data) : dic(data) {}
    kv::TGeoDic dic;
    std::vector<TCityRows> cities;  // JIS code order

    const TCityRows *find(const TPostCityEntry *city) const
    {
        if (!city)
            return nullptr;
        const uint32_t m = dic.findMunicipality(kv::FieldText(city->JisCode));
        for (const TCityRows &c : cities)
            if (c.municipality == m && m != kv::kNone)
                return &c;
        return nullptr;
    }
};

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string withBlank(std::string_view digits) { return std::string(digits) + ' '; }

// A postal row as a town entry: the town, the municipality's own code (no town), or a large office's town.
void putTown(const kv::TGeoDic &dic, const kv::TGeoPostalRow &row, TPostTownEntry &e)
{
    std::memset(&e, ' ', sizeof e);
    kv::PutText(e.PostalCode, kv::PostalDigits(row.postalCode));
    const kv::TGeoTown town = dic.town(row.town);
    if (row.office != kv::kNone) {
        const kv::TGeoOffice office = dic.office(row.office);
        kv::PutText(e.Reading, office.addressReading);
        kv::PutText(e.Name, office.address);
    } else if (town.index != kv::kNone) {
        kv::PutText(e.Reading, town.reading);
        kv::PutText(e.Name, town.name);
    }
    kv::PutText(e.TownCode, withBlank(town.index != kv::kNone ? dic.townCode(town) : "000000"));
}

// The start and length of a page of count entries from start out of size; false for bad arguments.
bool page(int32_t start, int32_t count, size_t size, size_t &first, size_t &n)
{
    if (start < 0 || count < 0)
        return false;
    first = std::min(size_t(start), size);
    n = std::min(size_t(count), size - first);
    return true;
}

}  // namespace

KV_EXPORT void *KVPostFirst(const char *digits, int32_t *cityCount, int16_t *code, const char *data)
{
    if (!code)
        return nullptr;
    const std::string_view text = kv::ArgumentText(digits, 8);
    if (!cityCount || text.size() < 3 || text.size() > 7 || !allDigits(text)) {
        *code = 4;
        return nullptr;
    }
    auto search = std::make_unique<TPostSearch>(data);
    if (!search->dic.valid()) {
        *code = kv::kDictionaryError;
        return nullptr;
    }
    const kv::TGeoRange rows = search->dic.postalRowsStartingWith(text);
    for (uint32_t i = rows.first; i < rows.first + rows.count; ++i) {
        const kv::TGeoPostalRow row = search->dic.postalRow(i);
        if (row.municipality == kv::kNone)
            continue;
        auto &cities = search->cities;
        auto at = std::lower_bound(cities.begin(), cities.end(), row.municipality,
                                   [](const TCityRows &c, uint32_t m) { return c.municipality < m; });
        if (at == cities.end() || at->municipality != row.municipality)
            at = cities.insert(at, TCityRows{row.municipality, {}, {}});
        (row.office != kv::kNone ? at->offices : at->towns).push_back(i);
    }
    if (search->cities.empty()) {
        *code = 8;
        return nullptr;
    }
    *cityCount = int32_t(search->cities.size());
    *code = 0;
    return search.release();
}

KV_EXPORT int32_t KVPostCityList(void *handle, TPostCityEntry *buf, int32_t start, int32_t count)
{
    const auto *search = static_cast<const TPostSearch *>(handle);
    size_t first, n;
    if (!search || !buf || !page(start, count, search->cities.size(), first, n))
        return 4;
    for (size_t i = 0; i < n; ++i) {
        const TCityRows &c = search->cities[first + i];
        const kv::TGeoMunicipality m = search->dic.municipality(c.municipality);
        const auto prefecture = search->dic.prefecture(m.prefecture);
        TPostCityEntry &e = buf[i];
        std::memset(&e, ' ', sizeof e);
        kv::PutText(e.JisCode, withBlank(m.jis));
        kv::PutText(e.Reading, std::string(prefecture ? prefecture->reading : "") + std::string(m.reading));
        kv::PutText(e.Name, std::string(prefecture ? prefecture->name : "") + std::string(m.name));
        e.TownCount = int16_t(std::min<size_t>(c.towns.size(), INT16_MAX));
        e.LargeCount = int16_t(std::min<size_t>(c.offices.size(), INT16_MAX));
    }
    return n > 0 ? 0 : 8;
}

KV_EXPORT int32_t KVPostTownList(void *handle, const TPostCityEntry *city, TPostTownEntry *buf, int32_t start,
                                 int32_t count)
{
    const auto *search = static_cast<const TPostSearch *>(handle);
    if (!search || !city || !buf || start < 0 || count < 0)
        return 4;
    const TCityRows *rows = search->find(city);
    size_t first, n;
    if (!rows || !page(start, count, rows->towns.size(), first, n) || n == 0)
        return 8;
    for (size_t i = 0; i < n; ++i)
        putTown(search->dic, search->dic.postalRow(rows->towns[first + i]), buf[i]);
    return 0;
}

KV_EXPORT int32_t KVPostLgTownList(void *handle, const TPostCityEntry *city, TPostTownEntry *towns,
                                   TLargeOfficeEntry *offices, int32_t start, int32_t count)
{
    const auto *search = static_cast<const TPostSearch *>(handle);
    if (!search || !city || !towns || !offices || start < 0 || count < 0)
        return 4;
    const TCityRows *rows = search->find(city);
    size_t first, n;
    if (!rows || !page(start, count, rows->offices.size(), first, n) || n == 0)
        return 8;
    for (size_t i = 0; i < n; ++i) {
        const kv::TGeoPostalRow row = search->dic.postalRow(rows->offices[first + i]);
        putTown(search->dic, row, towns[i]);
        const kv::TGeoOffice office = search->dic.office(row.office);
        std::memset(&offices[i], ' ', sizeof offices[i]);
        kv::PutText(offices[i].Reading, office.reading);
        kv::PutText(offices[i].Name, office.name);
    }
    return 0;
}

KV_EXPORT int32_t KVPostClose(void *handle)
{
    if (!handle)
        return 4;
    delete static_cast<TPostSearch *>(handle);
    return 0;
}

KV_EXPORT int32_t KVPostPost(const char *jisCode, const char *townCode, char *postal8, const char *data)
{
    const std::string_view jis = kv::ArgumentText(jisCode, 6), town = kv::ArgumentText(townCode, 7);
    if (!postal8 || jis.size() != 5 || town.size() != 6 || !allDigits(jis) || !allDigits(town))
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    const uint32_t index = dic.findMunicipality(jis);
    if (index == kv::kNone)
        return 8;
    const kv::TGeoMunicipality m = dic.municipality(index);
    const uint32_t postal = town == "000000" ? m.ownPostalCode : dic.town(dic.findTown(m, town)).postalCode;
    if (postal == 0)
        return 8;
    std::memcpy(postal8, kv::PostalDigits(postal).c_str(), 8);
    return 0;
}
