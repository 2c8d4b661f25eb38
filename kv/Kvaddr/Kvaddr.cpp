// Kvaddr.so: address searches over Dic/Geo.dic. Every call works from the text alone (the count and the list
// calls find the same rows), so nothing is kept between calls.
#include "Kvaddr.h"

#include "common/AddressMatch.h"
#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The longest address the program hands over is 254 bytes; more is no address of ours.
constexpr size_t kMaxAddress = 1024;

// What the count and list calls share: the text, the mapped dictionary and the chosen municipality.
struct TAddressCall {
    TAddressCall(const char *address, const TAddrCityEntry *city, const char *data)
        : text(kv::ArgumentText(address, kMaxAddress + 1)), dic(data)
    {
        if (text.empty() || text.size() > kMaxAddress)
            code = 4;
        else if (!dic.valid())
            code = kv::kDictionaryError;
        else if (city) {
            const uint32_t index = dic.findMunicipality(kv::FieldText(city->JisCode));
            if (index == kv::kNone)
                code = 8;
            else {
                municipality = dic.municipality(index);
                rest = kv::RestAfterMunicipality(dic, municipality, text);
            }
        }
    }

    std::string_view text;
    kv::TGeoDic dic;
    int32_t code = 0;
    kv::TGeoMunicipality municipality;
    std::string_view rest;  // the text after the municipality: the start of a town or an office address
};

// The postal rows of the towns the rest names: every town when it names none, else the towns whose names
// start with it or, failing those, the towns with the longest name it starts with ("丸の内１－１").
std::vector<uint32_t> townRows(const TAddressCall &call)
{
    const kv::TGeoDic &dic = call.dic;
    const kv::TGeoMunicipality &m = call.municipality;
    std::vector<uint32_t> towns;
    if (!call.rest.empty()) {
        const kv::TGeoRange named = dic.townsStartingWith(m, call.rest);
        for (uint32_t i = named.first; i < named.first + named.count; ++i)
            towns.push_back(dic.townByName(m.towns.first + i));
        for (size_t length = call.rest.size(); towns.empty() && length > 0; --length) {
            const std::string_view start = call.rest.substr(0, length);
            const kv::TGeoRange exact = dic.townsStartingWith(m, start);
            for (uint32_t i = exact.first; i < exact.first + exact.count; ++i) {
                const uint32_t t = dic.townByName(m.towns.first + i);
                if (dic.town(t).name == start)
                    towns.push_back(t);
            }
        }
        if (towns.empty())
            return {};
        std::sort(towns.begin(), towns.end());
    }
    std::vector<uint32_t> rows;
    for (uint32_t i = 0; i < m.postalRows.count; ++i) {
        const uint32_t r = dic.postalRowOfMunicipality(m.postalRows.first + i);
        if (call.rest.empty() || std::binary_search(towns.begin(), towns.end(), dic.postalRow(r).town))
            rows.push_back(r);
    }
    return rows;
}

// The large offices whose address starts with the rest, or that the rest starts with; all without a rest.
std::vector<uint32_t> officeRows(const TAddressCall &call)
{
    const kv::TGeoDic &dic = call.dic;
    std::vector<uint32_t> offices;
    for (uint32_t i = 0; i < call.municipality.offices.count; ++i) {
        const uint32_t o = dic.officeOfMunicipality(call.municipality.offices.first + i);
        const std::string_view address = dic.office(o).address;
        if (call.rest.empty() || address.starts_with(call.rest) || (!address.empty() && call.rest.starts_with(address)))
            offices.push_back(o);
    }
    return offices;
}

void putTown(const kv::TGeoDic &dic, uint32_t postalCode, const kv::TGeoTown &town, std::string_view reading,
             std::string_view name, TAddrTownEntry &e)
{
    std::memset(&e, ' ', sizeof e);
    kv::PutText(e.PostalCode, kv::PostalDigits(postalCode));
    kv::PutText(e.Reading, reading);
    kv::PutText(e.Name, name);
    kv::PutText(e.TownCode, (town.index != kv::kNone ? dic.townCode(town) : std::string("000000")) + ' ');
}

int32_t count(int32_t code, size_t n, int32_t *out)
{
    if (code != 0)
        return code;
    *out = int32_t(n);
    return n > 0 ? 0 : 8;
}

}  // namespace

KV_EXPORT int32_t KVAddrJisCount(const char *address, int32_t *count, const char *data)
{
    const TAddressCall call(address, nullptr, data);
    if (!count)
        return 4;
    return ::count(call.code, call.code == 0 ? kv::MatchMunicipalities(call.dic, call.text).size() : 0, count);
}

KV_EXPORT int32_t KVAddrJisList(const char *address, TAddrCityEntry *buf, int32_t count, const char *data)
{
    const TAddressCall call(address, nullptr, data);
    if (!buf || count < 0)
        return 4;
    if (call.code != 0)
        return call.code;
    const std::vector<uint32_t> found = kv::MatchMunicipalities(call.dic, call.text);
    if (found.empty())
        return 8;
    for (size_t i = 0; i < found.size() && i < size_t(count); ++i) {
        const kv::TGeoMunicipality m = call.dic.municipality(found[i]);
        const auto prefecture = call.dic.prefecture(m.prefecture);
        TAddrCityEntry &e = buf[i];
        std::memset(&e, ' ', sizeof e);
        kv::PutText(e.JisCode, std::string(m.jis) + ' ');
        kv::PutText(e.PrefectureReading, prefecture ? prefecture->reading : "");
        kv::PutText(e.Prefecture, prefecture ? prefecture->name : "");
        kv::PutText(e.CityReading, m.reading);
        kv::PutText(e.City, m.name);
    }
    return 0;
}

KV_EXPORT int32_t KVAddrTownCount(const char *address, const TAddrCityEntry *city, int32_t *count, const char *data)
{
    const TAddressCall call(address, city, data);
    if (!city || !count)
        return 4;
    return ::count(call.code, call.code == 0 ? townRows(call).size() : 0, count);
}

KV_EXPORT int32_t KVAddrTownList(const char *address, const TAddrCityEntry *city, TAddrTownEntry *buf,
                                 int32_t count, const char *data)
{
    const TAddressCall call(address, city, data);
    if (!city || !buf || count < 0)
        return 4;
    if (call.code != 0)
        return call.code;
    const std::vector<uint32_t> rows = townRows(call);
    if (rows.empty())
        return 8;
    for (size_t i = 0; i < rows.size() && i < size_t(count); ++i) {
        const kv::TGeoPostalRow row = call.dic.postalRow(rows[i]);
        const kv::TGeoTown town = call.dic.town(row.town);
        putTown(call.dic, row.postalCode, town, town.reading, town.name, buf[i]);
    }
    return 0;
}

KV_EXPORT int32_t KVAddrLargeCount(const char *address, const TAddrCityEntry *city, int32_t *count, const char *data)
{
    const TAddressCall call(address, city, data);
    if (!city || !count)
        return 4;
    return ::count(call.code, call.code == 0 ? officeRows(call).size() : 0, count);
}

KV_EXPORT int32_t KVAddrLargeList(const char *address, const TAddrCityEntry *city, TAddrTownEntry *towns,
                                  TLargeOfficeEntry *offices, int32_t count, const char *data)
{
    const TAddressCall call(address, city, data);
    if (!city || !towns || !offices || count < 0)
        return 4;
    if (call.code != 0)
        return call.code;
    const std::vector<uint32_t> found = officeRows(call);
    if (found.empty())
        return 8;
    for (size_t i = 0; i < found.size() && i < size_t(count); ++i) {
        const kv::TGeoOffice office = call.dic.office(found[i]);
        putTown(call.dic, office.postalCode, call.dic.town(office.town), office.addressReading, office.address,
                towns[i]);
        std::memset(&offices[i], ' ', sizeof offices[i]);
        kv::PutText(offices[i].Reading, office.reading);
        kv::PutText(offices[i].Name, office.name);
    }
    return 0;
}
