#include "GeoDic.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

constexpr char kMagic[8] = {'V', 'M', 'G', 'E', 'O', 'D', 'I', 'C'};
constexpr uint32_t kVersion = 2;
constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kTableCount = 13;

enum Table {
    kStrings,
    kPrefectures,
    kMunicipalities,
    kByPrefecture,
    kTowns,
    kTownNames,
    kDistricts,
    kBlocks,
    kOffices,
    kOfficesByMunicipality,
    kPostalRows,
    kPostalRowsByMunicipality,
    kNames,
};
constexpr uint32_t kRecordSizes[kTableCount] = {1, 28, 76, 4, 32, 4, 24, 16, 32, 4, 16, 4, 8};

uint32_t le16(const unsigned char *p) { return p[0] | p[1] << 8; }

// The number a code of exactly size ASCII digits stands for; nothing for any other text.
std::optional<uint32_t> codeNumber(std::string_view code, size_t size)
{
    if (code.size() != size)
        return std::nullopt;
    uint32_t n = 0;
    for (char c : code) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + uint32_t(c - '0');
    }
    return n;
}

}  // namespace

TGeoDic::TGeoDic(const char *folder) : file_(folder ? std::string(folder) + FileName : std::string())
{
    const unsigned char *map = file_.data();
    const size_t size = file_.size();
    if (!map || size < kHeaderSize + 12 * kTableCount || std::memcmp(map, kMagic, sizeof kMagic) != 0
        || le32(map + 8) != kVersion || le32(map + 12) != kHeaderSize || le32(map + 16) != kTableCount
        || le32(map + 20) != size)
        return;
    for (uint32_t t = 0; t < kTableCount; ++t) {
        const unsigned char *entry = map + kHeaderSize + 12 * t;
        const uint64_t offset = le32(entry), recordSize = le32(entry + 4), count = le32(entry + 8);
        if (recordSize != kRecordSizes[t] || offset % 4 != 0 || offset + recordSize * count > size)
            return;
        tables_[t] = {map + offset, uint32_t(recordSize), uint32_t(count)};
    }
    // The first string is the empty one every absent text refers to; 47 prefectures in number order.
    if (tables_[kStrings].count == 0 || tables_[kStrings].data[0] != 0 || tables_[kPrefectures].count != 47)
        return;
    valid_ = true;
}

const unsigned char *TGeoDic::record(int table, uint32_t index) const
{
    const TTable &t = tables_[table];
    return valid_ && index < t.count ? t.data + size_t(index) * t.recordSize : nullptr;
}

uint32_t TGeoDic::indexAt(int table, uint32_t position, int target) const
{
    const unsigned char *r = record(table, position);
    if (!r)
        return kNone;
    const uint32_t index = le32(r);
    return index < tables_[target].count ? index : kNone;
}

std::string_view TGeoDic::text(const unsigned char *at) const
{
    const TTable &pool = tables_[kStrings];
    const uint32_t offset = le32(at);
    if (offset >= pool.count || offset + 1 + size_t(pool.data[offset]) > pool.count)
        return {};
    return {reinterpret_cast<const char *>(pool.data + offset + 1), pool.data[offset]};
}

TGeoRange TGeoDic::range(const unsigned char *at, int table) const
{
    const uint32_t first = le32(at), count = le32(at + 4);
    if (uint64_t(first) + count > tables_[table].count)
        return {};
    return {first, count};
}

std::optional<TGeoPrefecture> TGeoDic::prefecture(uint32_t number) const
{
    const unsigned char *r = number >= 1 ? record(kPrefectures, number - 1) : nullptr;
    if (!r)
        return std::nullopt;
    TGeoPrefecture p;
    p.number = r[0];
    p.region = r[1];
    p.name = text(r + 4);
    p.reading = text(r + 8);
    p.latitude = le32(r + 12);
    p.longitude = le32(r + 16);
    p.municipalities = range(r + 20, kByPrefecture);
    return p;
}

uint32_t TGeoDic::municipalityOfPrefecture(uint32_t position) const
{
    return indexAt(kByPrefecture, position, kMunicipalities);
}

uint32_t TGeoDic::municipalityCount() const { return valid_ ? tables_[kMunicipalities].count : 0; }

TGeoMunicipality TGeoDic::municipality(uint32_t index) const
{
    TGeoMunicipality m;
    const unsigned char *r = record(kMunicipalities, index);
    if (!r)
        return m;
    m.index = index;
    m.jis = {reinterpret_cast<const char *>(r), 5};
    m.prefecture = r[5];
    m.name = text(r + 8);
    m.reading = text(r + 12);
    m.shortName = text(r + 16);
    m.shortReading = text(r + 20);
    m.towns = range(r + 24, kTowns);
    m.districts = range(r + 32, kDistricts);
    m.offices = range(r + 40, kOfficesByMunicipality);
    m.postalRows = range(r + 48, kPostalRowsByMunicipality);
    m.latitude = le32(r + 56);
    m.longitude = le32(r + 60);
    m.ownPostalCode = le32(r + 64);
    m.wardCity = le32(r + 68);
    m.townBase = le32(r + 72);
    return m;
}

uint32_t TGeoDic::municipalityLowerBound(std::string_view jis) const
{
    const TTable &t = tables_[kMunicipalities];
    uint32_t low = 0, high = valid_ ? t.count : 0;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (std::string_view(reinterpret_cast<const char *>(t.data + size_t(mid) * t.recordSize), 5) < jis)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

uint32_t TGeoDic::findMunicipality(std::string_view jis) const
{
    if (jis.size() != 5)
        return kNone;
    const uint32_t at = municipalityLowerBound(jis);
    return at < municipalityCount() && municipality(at).jis == jis ? at : kNone;
}

uint32_t TGeoDic::nameCount() const { return valid_ ? tables_[kNames].count : 0; }

std::string_view TGeoDic::name(uint32_t position) const
{
    const unsigned char *r = record(kNames, position);
    return r ? text(r) : std::string_view();
}

uint32_t TGeoDic::nameMunicipality(uint32_t position) const
{
    const unsigned char *r = record(kNames, position);
    return r && le32(r + 4) < tables_[kMunicipalities].count ? le32(r + 4) : kNone;
}

namespace {

// [first, last) of the sorted positions [0, count) whose key starts with prefix.
template <typename Key>
TGeoRange prefixRange(uint32_t count, std::string_view prefix, Key key)
{
    auto lower = [&](bool upper) {
        uint32_t low = 0, high = count;
        while (low < high) {
            const uint32_t mid = low + (high - low) / 2;
            std::string_view k = key(mid);
            if (upper)
                k = k.substr(0, prefix.size());
            if (upper ? k <= prefix : k < prefix)
                low = mid + 1;
            else
                high = mid;
        }
        return low;
    };
    const uint32_t first = lower(false), last = lower(true);
    return {first, last > first ? last - first : 0};
}

}  // namespace

TGeoRange TGeoDic::namesStartingWith(std::string_view prefix) const
{
    return prefixRange(nameCount(), prefix, [&](uint32_t i) { return name(i); });
}

TGeoTown TGeoDic::town(uint32_t index) const
{
    TGeoTown t;
    const unsigned char *r = record(kTowns, index);
    if (!r)
        return t;
    t.index = index;
    t.municipality = le32(r) < tables_[kMunicipalities].count ? le32(r) : kNone;
    t.name = text(r + 4);
    t.reading = text(r + 8);
    t.district = le32(r + 12) < tables_[kDistricts].count ? le32(r + 12) : kNone;
    t.block = le16(r + 16);
    t.postalCount = le16(r + 18);
    t.postalCode = le32(r + 20);
    t.latitude = le32(r + 24);
    t.longitude = le32(r + 28);
    return t;
}

uint32_t TGeoDic::findTown(const TGeoMunicipality &m, std::string_view townCode) const
{
    const std::optional<uint32_t> n = codeNumber(townCode, 6);
    return n && *n > m.townBase && *n - m.townBase <= m.towns.count ? m.towns.first + (*n - m.townBase - 1) : kNone;
}

uint32_t TGeoDic::findWardCityTown(std::string_view cityCode, std::string_view townCode) const
{
    const std::optional<uint32_t> city = codeNumber(cityCode, 5);
    if (!city || *city == 0 || !codeNumber(townCode, 6))
        return kNone;
    // The wards stand together from where the city's code would be, their town codes in ascending ranges.
    for (uint32_t i = municipalityLowerBound(cityCode); i < municipalityCount(); ++i) {
        const TGeoMunicipality ward = municipality(i);
        if (ward.wardCity != *city)
            break;
        if (const uint32_t town = findTown(ward, townCode); town != kNone)
            return town;
    }
    return kNone;
}

std::string TGeoDic::townCode(const TGeoTown &t) const
{
    const TGeoMunicipality m = municipality(t.municipality);
    if (t.index == kNone || t.index < m.towns.first || t.index - m.towns.first >= m.towns.count)
        return "000000";
    std::string code = std::to_string(uint64_t(m.townBase) + (t.index - m.towns.first) + 1);
    return code.size() > 6 ? "000000" : std::string(6 - code.size(), '0') + code;
}

uint32_t TGeoDic::townByName(uint32_t position) const { return indexAt(kTownNames, position, kTowns); }

TGeoRange TGeoDic::townsStartingWith(const TGeoMunicipality &m, std::string_view prefix) const
{
    return prefixRange(m.towns.count, prefix,
                       [&](uint32_t i) { return town(townByName(m.towns.first + i)).name; });
}

TGeoDistrict TGeoDic::district(uint32_t index) const
{
    TGeoDistrict d;
    const unsigned char *r = record(kDistricts, index);
    if (!r)
        return d;
    d.index = index;
    d.municipality = le32(r) < tables_[kMunicipalities].count ? le32(r) : kNone;
    d.name = text(r + 4);
    d.reading = text(r + 8);
    const uint32_t first = le32(r + 12), count = le16(r + 16);
    if (uint64_t(first) + count <= tables_[kBlocks].count)
        d.blocks = {first, count};
    d.number = le16(r + 18);
    return d;
}

std::string TGeoDic::districtCode(const TGeoDistrict &d) const
{
    std::string code(municipality(d.municipality).jis);
    if (code.empty() || d.number < 1 || d.number > 999 + 2600)
        return {};
    char suffix[4];
    if (d.number <= 999) {
        suffix[0] = char('0' + d.number / 100);
        suffix[1] = char('0' + d.number / 10 % 10);
        suffix[2] = char('0' + d.number % 10);
    } else {
        const uint32_t rest = d.number - 1000;
        suffix[0] = char('A' + rest / 100);
        suffix[1] = char('0' + rest / 10 % 10);
        suffix[2] = char('0' + rest % 10);
    }
    return code.append(suffix, 3);
}

uint32_t TGeoDic::findDistrict(std::string_view code) const
{
    if (code.size() != 8)
        return kNone;
    const uint32_t m = findMunicipality(code.substr(0, 5));
    const char a = code[5], b = code[6], c = code[7];
    if (m == kNone || b < '0' || b > '9' || c < '0' || c > '9')
        return kNone;
    uint32_t number;
    if (a >= '0' && a <= '9')
        number = uint32_t(a - '0') * 100 + uint32_t(b - '0') * 10 + uint32_t(c - '0');
    else if (a >= 'A' && a <= 'Z')
        number = 1000 + uint32_t(a - 'A') * 100 + uint32_t(b - '0') * 10 + uint32_t(c - '0');
    else
        return kNone;
    const TGeoRange districts = municipality(m).districts;
    return number >= 1 && number <= districts.count ? districts.first + number - 1 : kNone;
}

TGeoBlock TGeoDic::townPlace(const TGeoTown &t) const
{
    const TGeoDistrict d = district(t.district);
    for (uint32_t i = 0; t.block != 0 && i < d.blocks.count; ++i) {
        const TGeoBlock b = block(d.blocks.first + i);
        if (b.number == t.block)
            return b;
    }
    return {t.district, d.name, d.reading, 0};
}

TGeoBlock TGeoDic::block(uint32_t index) const
{
    TGeoBlock b;
    const unsigned char *r = record(kBlocks, index);
    if (!r)
        return b;
    b.district = le32(r) < tables_[kDistricts].count ? le32(r) : kNone;
    b.name = text(r + 4);
    b.reading = text(r + 8);
    b.number = le16(r + 12);
    return b;
}

uint32_t TGeoDic::officeCount() const { return valid_ ? tables_[kOffices].count : 0; }

TGeoOffice TGeoDic::office(uint32_t index) const
{
    TGeoOffice o;
    const unsigned char *r = record(kOffices, index);
    if (!r)
        return o;
    o.index = index;
    o.postalCode = le32(r);
    o.municipality = le32(r + 4) < tables_[kMunicipalities].count ? le32(r + 4) : kNone;
    o.town = le32(r + 8) < tables_[kTowns].count ? le32(r + 8) : kNone;
    o.name = text(r + 12);
    o.reading = text(r + 16);
    o.address = text(r + 20);
    o.addressReading = text(r + 24);
    return o;
}

uint32_t TGeoDic::officeOfMunicipality(uint32_t position) const
{
    return indexAt(kOfficesByMunicipality, position, kOffices);
}

uint32_t TGeoDic::postalRowCount() const { return valid_ ? tables_[kPostalRows].count : 0; }

TGeoPostalRow TGeoDic::postalRow(uint32_t index) const
{
    TGeoPostalRow row;
    const unsigned char *r = record(kPostalRows, index);
    if (!r)
        return row;
    row.postalCode = le32(r);
    row.municipality = le32(r + 4) < tables_[kMunicipalities].count ? le32(r + 4) : kNone;
    row.town = le32(r + 8) < tables_[kTowns].count ? le32(r + 8) : kNone;
    row.office = le32(r + 12) < tables_[kOffices].count ? le32(r + 12) : kNone;
    return row;
}

uint32_t TGeoDic::postalRowOfMunicipality(uint32_t position) const
{
    return indexAt(kPostalRowsByMunicipality, position, kPostalRows);
}

TGeoRange TGeoDic::postalRowsStartingWith(std::string_view digits) const
{
    if (!valid_ || digits.empty() || digits.size() > 7
        || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    uint32_t low = 0, scale = 1;
    for (char c : digits)
        low = low * 10 + uint32_t(c - '0');
    for (size_t i = digits.size(); i < 7; ++i)
        scale *= 10;
    low *= scale;
    const uint32_t high = low + scale;  // codes in [low, high)
    const TTable &t = tables_[kPostalRows];
    auto lowerBound = [&](uint32_t code) {
        uint32_t a = 0, b = t.count;
        while (a < b) {
            const uint32_t mid = a + (b - a) / 2;
            if (le32(t.data + size_t(mid) * t.recordSize) < code)
                a = mid + 1;
            else
                b = mid;
        }
        return a;
    };
    const uint32_t first = lowerBound(low), last = lowerBound(high);
    return {first, last > first ? last - first : 0};
}

std::string PostalDigits(uint32_t postalCode)
{
    std::string digits(7, '0');
    for (size_t i = 7; i-- > 0; postalCode /= 10)
        digits[i] = char('0' + postalCode % 10);
    return digits;
}

}  // namespace kv
