// Kvphone.so: a telephone number to the municipalities of its area (Dic/Phone.dic, layout in
// data/phone/make_phone_dic.py) and their towns (Dic/Geo.dic through kv/common), over the calling thread's
// mappings of both; an open town list keeps the Geo.dic it was opened on until it is closed.
#include "Kvphone.h"

#include "common/FixedField.h"
#include "common/GeoDic.h"
#include "common/MappedFile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char *kFileName = "Phone.dic";
constexpr char kMagic[8] = {'V', 'M', 'P', 'H', 'O', 'N', 'T', 'B'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32, kPrefixSize = 16, kEntrySize = 52, kMemberSize = 24;
constexpr size_t kMaxPrefix = 9;
// A geographic number has ten digits: "0", the area code, the exchange and the subscriber.
constexpr size_t kNumberDigits = 10;

constexpr int32_t kFound = 0, kMorePages = 1, kInvalid = 4, kNotFound = 8;

uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }

std::string_view bytes(const unsigned char *p, size_t n) { return {reinterpret_cast<const char *>(p), n}; }

// One prefix record: the digits it covers, where the area code and exchange end, its municipalities.
struct TPrefix {
    std::string_view digits;
    size_t areaCode = 0;  // 0: no number of the plan starts with these digits
    size_t exchange = 0;
    uint32_t firstItem = 0, itemCount = 0;
};

// A member of an entry: a municipality of Geo.dic, with the ward name its towns carry in a folded entry.
struct TMember {
    std::string_view jis, ward, initial;
};

// The mapped Phone.dic; every reference a record makes is checked before it is followed.
class TPhoneTable {
public:
    explicit TPhoneTable(const char *folder) : file_(std::string(folder ? folder : "") + kFileName)
    {
        const unsigned char *h = file_.data();
        if (!folder || !h || file_.size() < kHeaderSize || std::memcmp(h, kMagic, sizeof kMagic) != 0
            || kv::le32(h + 8) != kVersion || kv::le32(h + 12) != kHeaderSize)
            return;
        prefixCount_ = kv::le32(h + 16);
        entryCount_ = kv::le32(h + 20);
        itemCount_ = kv::le32(h + 24);
        memberCount_ = kv::le32(h + 28);
        const uint64_t items = (uint64_t(itemCount_) * 2 + 3) / 4 * 4;
        const uint64_t size = kHeaderSize + uint64_t(prefixCount_) * kPrefixSize + uint64_t(entryCount_) * kEntrySize
                              + items + uint64_t(memberCount_) * kMemberSize;
        if (size != file_.size())
            return;
        prefixes_ = h + kHeaderSize;
        entries_ = prefixes_ + size_t(prefixCount_) * kPrefixSize;
        items_ = entries_ + size_t(entryCount_) * kEntrySize;
        members_ = items_ + items;
        valid_ = true;
    }

    bool valid() const { return valid_; }

    TPrefix prefix(uint32_t i) const
    {
        const unsigned char *r = prefixes_ + size_t(i) * kPrefixSize;
        TPrefix p;
        p.digits = bytes(r, std::min<size_t>(r[9], kMaxPrefix));
        p.areaCode = r[10];
        p.exchange = r[11];
        p.firstItem = le16(r + 12);
        p.itemCount = le16(r + 14);
        return p;
    }

    // Index of the first record not less than digits.
    uint32_t lowerBound(std::string_view digits) const
    {
        uint32_t lo = 0, hi = prefixCount_;
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            if (prefix(mid).digits < digits)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    uint32_t prefixCount() const { return prefixCount_; }

    // The entry index of item i of a prefix's list; entryCount() for a reference out of the file.
    uint32_t item(const TPrefix &p, uint32_t i) const
    {
        const uint32_t at = p.firstItem + i;
        if (i >= p.itemCount || at >= itemCount_)
            return entryCount_;
        const uint32_t entry = le16(items_ + size_t(at) * 2);
        return entry < entryCount_ ? entry : entryCount_;
    }

    uint32_t entryCount() const { return entryCount_; }
    const unsigned char *entry(uint32_t i) const { return entries_ + size_t(i) * kEntrySize; }

    // The members of an entry; empty when its range leaves the file.
    std::vector<TMember> members(uint32_t i) const
    {
        const unsigned char *e = entry(i);
        const uint32_t first = le16(e + 46), count = le16(e + 48);
        std::vector<TMember> out;
        if (uint64_t(first) + count > memberCount_)
            return out;
        for (uint32_t m = first; m < first + count; ++m) {
            const unsigned char *r = members_ + size_t(m) * kMemberSize;
            out.push_back({kv::FieldText(reinterpret_cast<const char *>(r), 6),
                           kv::FieldText(reinterpret_cast<const char *>(r + 6), 14),
                           kv::FieldText(reinterpret_cast<const char *>(r + 20), 2)});
        }
        return out;
    }

private:
    kv::TMappedFile file_;
    const unsigned char *prefixes_ = nullptr, *entries_ = nullptr, *items_ = nullptr, *members_ = nullptr;
    uint32_t prefixCount_ = 0, entryCount_ = 0, itemCount_ = 0, memberCount_ = 0;
    bool valid_ = false;
};

// The area of a number: the record of its longest prefix, once the digits settle which area it is.
struct TLookup {
    int32_t code = kNotFound;
    TPrefix prefix;
};

// Digits are a number dialled within Japan ("0" first), only ASCII digits.
bool wellFormed(std::string_view digits)
{
    return !digits.empty() && digits.size() < 64 && digits[0] == '0'
           && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TLookup lookUp(const TPhoneTable &table, std::string_view digits)
{
    TLookup result;
    for (size_t k = std::min(digits.size(), kMaxPrefix); k > 0 && result.prefix.digits.empty(); --k) {
        const uint32_t i = table.lowerBound(digits.substr(0, k));
        if (i < table.prefixCount() && table.prefix(i).digits == digits.substr(0, k))
            result.prefix = table.prefix(i);
    }
    // Records below the digits that lead to another area: the digits are too few to tell which it is.
    const bool found = !result.prefix.digits.empty();
    for (uint32_t i = table.lowerBound(digits); i < table.prefixCount(); ++i) {
        const TPrefix below = table.prefix(i);
        if (below.digits.substr(0, digits.size()) != digits)
            break;
        if (below.areaCode == 0 || below.digits == result.prefix.digits)
            continue;
        if (!found || below.firstItem != result.prefix.firstItem || below.itemCount != result.prefix.itemCount) {
            result.code = kInvalid;
            return result;
        }
    }
    if (!found)
        result.code = kNotFound;
    else if (result.prefix.areaCode == 0 || digits.size() > kNumberDigits)
        result.code = kInvalid;  // no such number in the plan
    else
        result.code = result.prefix.itemCount > 0 ? kFound : kNotFound;
    return result;
}

// "AA-EEEE": the area code and as much of the exchange as the digits have.
std::string areaAndExchange(std::string_view digits, const TPrefix &p)
{
    std::string text(digits.substr(0, p.areaCode));
    if (digits.size() > p.areaCode)
        text.append("-").append(digits.substr(p.areaCode, p.exchange));
    return text;
}

// Towns of each member, one after the other: the list KVPhoneTown2First opens.
struct TSegment {
    kv::TGeoRange towns;
    std::string jis, ward, initial;
};

struct TTownList {
    explicit TTownList(const char *data) : dic(data) {}
    kv::TGeoDic dic;
    std::vector<TSegment> segments;
    uint32_t total = 0;
    uint32_t position = 0;  // the first town of the page last given

    void fill(TPhoneTownEntry *page) const
    {
        std::memset(page, 0, sizeof(TPhoneTownEntry) * KVPHONE_PAGE);
        uint32_t n = position, s = 0, start = 0;
        for (int i = 0; i < KVPHONE_PAGE && n < total; ++i, ++n) {
            while (n - start >= segments[s].towns.count)
                start += segments[s++].towns.count;
            const TSegment &seg = segments[s];
            const kv::TGeoTown t = dic.town(seg.towns.first + (n - start));
            TPhoneTownEntry &e = page[i];
            std::memset(&e, ' ', sizeof e);
            // Geo.dic's readings have large letters only, so the first is the letter the town is listed under.
            const std::string_view initial = seg.initial.empty() ? t.reading : seg.initial;
            e.Initial[0] = initial.empty() ? ' ' : initial[0];
            kv::PutText(e.PostalCode, t.postalCode ? kv::PostalDigits(t.postalCode) : std::string());
            kv::PutText(e.Code, seg.jis + dic.townCode(t));
            // A name too long for the field gives its place (district or block), as every narrow field does.
            std::string name = seg.ward + std::string(t.name);
            if (!kv::PutText(e.Name, name))
                kv::PutText(e.Name, seg.ward + std::string(dic.townPlace(t).name));
        }
    }
};

}  // namespace

KV_EXPORT int32_t KVPhonePrefix(const char *digits, char *prefix14, int16_t *cityCount, const char *data)
{
    const std::string_view number = kv::ArgumentText(digits, 64);
    if (!prefix14 || !cityCount || !wellFormed(number))
        return kInvalid;
    const TPhoneTable table(data);
    if (!table.valid())
        return kv::kDictionaryError;
    const TLookup area = lookUp(table, number);
    if (area.code != kFound)
        return area.code;
    kv::PutText(prefix14, KVPHONE_PREFIX_SIZE, areaAndExchange(number, area.prefix));
    *cityCount = int16_t(std::min<uint32_t>(area.prefix.itemCount, KVPHONE_MAX_CITIES));
    return kFound;
}

KV_EXPORT int32_t KVPhoneCity2(const char *digits, TPhoneCityEntry *buf, const char *data)
{
    const std::string_view number = kv::ArgumentText(digits, 64);
    if (!buf || !wellFormed(number))
        return kInvalid;
    const TPhoneTable table(data);
    const kv::TGeoDic dic(data);
    if (!table.valid() || !dic.valid())
        return kv::kDictionaryError;
    const TLookup area = lookUp(table, number);
    if (area.code != kFound)
        return area.code;
    std::memset(buf, 0, sizeof(TPhoneCityEntry) * KVPHONE_MAX_CITIES);
    for (uint32_t i = 0; i < area.prefix.itemCount && i < KVPHONE_MAX_CITIES; ++i) {
        const uint32_t index = table.item(area.prefix, i);
        if (index >= table.entryCount())
            return kv::kDictionaryError;
        TPhoneCityEntry &e = buf[i];
        std::memcpy(e.JisCode, table.entry(index), sizeof e.JisCode);
        std::memcpy(e.Name, table.entry(index) + sizeof e.JisCode, sizeof e.Name);
        std::memset(e.Reserved, ' ', sizeof e.Reserved);
        for (const TMember &m : table.members(index))
            e.TownCount += dic.municipality(dic.findMunicipality(m.jis)).towns.count;
    }
    return kFound;
}

KV_EXPORT void *KVPhoneTown2First(const char *digits, const TPhoneCityEntry *city, TPhoneTownEntry *page,
                                  int32_t *code, const char *data)
{
    if (!code)
        return nullptr;
    const std::string_view number = kv::ArgumentText(digits, 64);
    if (!city || !page || !wellFormed(number)) {
        *code = kInvalid;
        return nullptr;
    }
    const TPhoneTable table(data);
    auto list = std::make_unique<TTownList>(data);
    if (!table.valid() || !list->dic.valid()) {
        *code = kv::kDictionaryError;
        return nullptr;
    }
    const TLookup area = lookUp(table, number);
    if (area.code != kFound) {
        *code = area.code;
        return nullptr;
    }
    // The chosen municipality must be one the number's area serves.
    const std::string_view jis = kv::FieldText(city->JisCode);
    for (uint32_t i = 0; i < area.prefix.itemCount && list->segments.empty(); ++i) {
        const uint32_t index = table.item(area.prefix, i);
        if (index >= table.entryCount() || kv::FieldText(reinterpret_cast<const char *>(table.entry(index)), 6) != jis)
            continue;
        for (const TMember &m : table.members(index)) {
            const kv::TGeoMunicipality found = list->dic.municipality(list->dic.findMunicipality(m.jis));
            list->segments.push_back({found.towns, std::string(m.jis), std::string(m.ward), std::string(m.initial)});
            list->total += found.towns.count;
        }
    }
    if (list->total == 0) {
        *code = kNotFound;
        return nullptr;
    }
    list->fill(page);
    *code = list->total > KVPHONE_PAGE ? kMorePages : kFound;
    return list.release();
}

KV_EXPORT int32_t KVPhoneTown2Next(void *handle, TPhoneTownEntry *page)
{
    auto *list = static_cast<TTownList *>(handle);
    if (!list || !page)
        return kInvalid;
    if (list->position + KVPHONE_PAGE >= list->total)
        return kNotFound;
    list->position += KVPHONE_PAGE;
    list->fill(page);
    return list->position + KVPHONE_PAGE < list->total ? kMorePages : kFound;
}

KV_EXPORT int32_t KVPhoneTown2Prev(void *handle, TPhoneTownEntry *page)
{
    auto *list = static_cast<TTownList *>(handle);
    if (!list || !page)
        return kInvalid;
    if (list->position == 0)
        return kNotFound;
    list->position -= KVPHONE_PAGE;
    list->fill(page);
    return list->position > 0 ? kMorePages : kFound;
}

KV_EXPORT int32_t KVPhoneTown2Close(void *handle)
{
    if (!handle)
        return kInvalid;
    delete static_cast<TTownList *>(handle);
    return kFound;
}
