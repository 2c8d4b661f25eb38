// Kvkana.so: the lists of the area choosers (prefectures by region, municipalities and districts in reading
// order), from Dic/Geo.dic.
#include "Kvkana.h"

#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

void putPrefecture(TKanaPrefEntry &e, const kv::TGeoPrefecture &p)
{
    std::memset(&e, 0, sizeof e);
    e.Number = p.number;
    kv::PutText(e.Name, p.name);
    e.CityCount = uint16_t(std::min<uint32_t>(p.municipalities.count, UINT16_MAX));
}

// The reading's first letter, the heading the choosers group rows under.
void putInitial(char (&initial)[2], std::string_view reading) { kv::PutText(initial, reading.substr(0, 1)); }

void putDistrict(TKanaOazaEntry &e, const std::string &code, std::string_view name, std::string_view reading,
                 uint32_t number)
{
    std::memset(&e, 0, sizeof e);
    kv::PutText(e.Code, code);
    putInitial(e.Initial, reading);
    kv::PutText(e.Name, name);
    e.Number = uint16_t(number);
}

bool fiveDigits(std::string_view code)
{
    return code.size() == 5 && std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Put behind the name of a district that has blocks, so that a chooser shows which districts go on to a
// block list. Geo.dic's build checks that every district name with the mark fits TKanaOazaEntry.Name.
constexpr std::string_view kBlockMark = "\x81\x69\x92\x9A\x96\xDA\x81\x6A";  // （丁目）

// The districts of a municipality in reading order, one entry each; with markBlocks a district that has
// blocks carries the mark.
int32_t listDistricts(const char *code, TKanaOazaEntry *buf, int32_t count, const char *data, bool markBlocks)
{
    const std::string_view jis = kv::ArgumentText(code, 6);
    if (!buf || count < 0 || !fiveDigits(jis))
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    const uint32_t index = dic.findMunicipality(jis);
    if (index == kv::kNone)
        return 8;
    const kv::TGeoMunicipality m = dic.municipality(index);
    if (m.districts.count == 0)
        return 8;
    for (uint32_t i = 0; i < m.districts.count && i < uint32_t(count); ++i) {
        const kv::TGeoDistrict d = dic.district(m.districts.first + i);
        std::string name(d.name);
        if (markBlocks && d.blocks.count > 0)
            name.append(kBlockMark);
        putDistrict(buf[i], dic.districtCode(d), name, d.reading, d.number);
    }
    return 0;
}

}  // namespace

KV_EXPORT int32_t KVKanaTdfkn(TKanaPrefEntry *buf, const char *data)
{
    if (!buf)
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    for (uint32_t n = 1; n <= KVKANA_PREFECTURES; ++n)
        putPrefecture(buf[n - 1], *dic.prefecture(n));
    return 0;
}

KV_EXPORT int32_t KVKanaTdfknPart(int32_t region, TKanaPrefEntry *buf, const char *data)
{
    if (!buf || region < 0 || region > 5)
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    TKanaPrefEntry entries[KVKANA_REGION_SIZE] = {};
    int n = 0;
    for (uint32_t number = 1; number <= KVKANA_PREFECTURES; ++number) {
        const kv::TGeoPrefecture p = *dic.prefecture(number);
        if (p.region == uint32_t(region) && n < KVKANA_REGION_SIZE)
            putPrefecture(entries[n++], p);
    }
    std::memcpy(buf, entries, sizeof entries);
    return n > 0 ? 0 : 8;
}

KV_EXPORT int32_t KVKanaCityAll(int32_t prefecture, TKanaCityEntry *buf, int32_t count, const char *data)
{
    if (!buf || count < 0 || prefecture < 1 || prefecture > KVKANA_PREFECTURES)
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    const kv::TGeoPrefecture p = *dic.prefecture(uint32_t(prefecture));
    if (p.municipalities.count == 0)
        return 8;
    for (uint32_t i = 0; i < p.municipalities.count && i < uint32_t(count); ++i) {
        const kv::TGeoMunicipality m = dic.municipality(dic.municipalityOfPrefecture(p.municipalities.first + i));
        TKanaCityEntry &e = buf[i];
        std::memset(&e, 0, sizeof e);
        kv::PutText(e.Code, m.jis, '\0');
        putInitial(e.Initial, m.reading);
        kv::PutText(e.Name, m.name);
        e.DistrictCount = int16_t(std::min<uint32_t>(m.districts.count, INT16_MAX));
    }
    return 0;
}

KV_EXPORT int32_t KVKanaOhazaAll(const char *code, TKanaOazaEntry *buf, int32_t count, const char *data)
{
    return listDistricts(code, buf, count, data, false);
}

KV_EXPORT int32_t KVKanaOhazaAll_Chome(const char *code, TKanaOazaEntry *buf, int32_t count, const char *data)
{
    return listDistricts(code, buf, count, data, true);
}

KV_EXPORT int32_t KVKanaAzaAll(const char *districtCode, TKanaOazaEntry *buf, int32_t count, const char *data)
{
    const std::string_view code = kv::ArgumentText(districtCode, 9);
    if (!buf || count < 0 || code.size() != 8 || !fiveDigits(code.substr(0, 5)))
        return 4;
    const kv::TGeoDic dic(data);
    if (!dic.valid())
        return kv::kDictionaryError;
    const uint32_t index = dic.findDistrict(code);
    if (index == kv::kNone)
        return 8;
    const kv::TGeoDistrict d = dic.district(index);
    if (d.blocks.count == 0)
        return 8;
    for (uint32_t b = 0; b < d.blocks.count && b < uint32_t(count); ++b) {
        const kv::TGeoBlock block = dic.block(d.blocks.first + b);
        putDistrict(buf[b], std::string(code), block.name, block.reading, d.number);
    }
    return 0;
}
