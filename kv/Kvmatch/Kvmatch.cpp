// Kvmatch.so: the position and the normalised address of a town, from Dic/Geo.dic.
#include "Kvmatch.h"

#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <cstring>

namespace {

bool digits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Puts text into the two parts of a split field when it fits them, never splitting a character.
bool putSplit(char *first, size_t firstWidth, char *second, size_t secondWidth, std::string_view text)
{
    const size_t cut = kv::SjisFit(text, firstWidth);
    if (kv::SjisFit(text.substr(cut), secondWidth) != text.size() - cut)
        return false;
    kv::PutText(first, firstWidth, text.substr(0, cut));
    kv::PutText(second, secondWidth, text.substr(cut));
    return true;
}

}  // namespace

KV_EXPORT int32_t KVMatchAdrs(const char *key, TMatchAdrsRecord *rec, const char *data)
{
    const std::string_view k = kv::ArgumentText(key, 12);
    if (!rec || k.size() != 11 || !digits(k))
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    const std::string_view jis = k.substr(0, 5), townCode = k.substr(5);
    const uint32_t index = dic.findMunicipality(jis);
    kv::TGeoTown town;
    if (index == kv::kNone) {
        // A city with wards ("13100", "27100") and a town code of one of them: the town and its ward.
        const uint32_t t = dic.findWardCityTown(jis, townCode);
        if (t == kv::kNone)
            return 8;
        town = dic.town(t);
    } else if (townCode != "000000") {
        const uint32_t t = dic.findTown(dic.municipality(index), townCode);
        if (t == kv::kNone)
            return 8;
        town = dic.town(t);
    }
    const kv::TGeoMunicipality m = dic.municipality(index == kv::kNone ? town.municipality : index);
    const auto prefecture = dic.prefecture(m.prefecture);
    if (!prefecture)
        return kv::kDictionaryError;

    TMatchAdrsRecord r;
    std::memset(&r, ' ', sizeof r);
    const bool isTown = town.index != kv::kNone;
    r.Latitude = isTown ? town.latitude : m.latitude;
    r.Longitude = isTown ? town.longitude : m.longitude;
    const uint32_t postal = isTown ? town.postalCode : m.ownPostalCode;
    kv::PutText(r.PostalCode, postal ? kv::PostalDigits(postal) : std::string());
    kv::PutText(r.PrefectureReading, prefecture->reading);
    kv::PutText(r.Prefecture, prefecture->name);
    kv::PutText(r.CityReading, m.reading);
    kv::PutText(r.City, m.name);
    if (isTown) {
        // A name too long for the two parts (a building's floor) gives way to its block or district.
        const kv::TGeoBlock place = dic.townPlace(town);
        if (!putSplit(r.Town1, sizeof r.Town1, r.Town2, sizeof r.Town2, town.name))
            putSplit(r.Town1, sizeof r.Town1, r.Town2, sizeof r.Town2, place.name);
        if (!putSplit(r.TownReading1, sizeof r.TownReading1, r.TownReading2, sizeof r.TownReading2, town.reading))
            putSplit(r.TownReading1, sizeof r.TownReading1, r.TownReading2, sizeof r.TownReading2, place.reading);
    }
    std::memcpy(rec, &r, sizeof r);
    return 0;
}
