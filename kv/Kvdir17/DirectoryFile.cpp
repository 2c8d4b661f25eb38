#include "DirectoryFile.h"

#include <algorithm>
#include <cstring>

namespace kvdir {

namespace {

uint64_t le64(const unsigned char *p) { return kv::le32(p) | uint64_t(kv::le32(p + 4)) << 32; }

struct TNumberOrder {
    bool operator()(const TNumberRecord &r, uint64_t n) const { return r.Number < n; }
    bool operator()(uint64_t n, const TNumberRecord &r) const { return n < r.Number; }
};

}  // namespace

uint64_t NumberValue(std::string_view digits)
{
    if (digits.empty() || digits.size() > 18)
        return 0;
    uint64_t value = 1;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

TDirectoryFile::TDirectoryFile(const std::string &folder) : file_(folder + kDirectoryFileName)
{
    const unsigned char *h = file_.data();
    const uint64_t size = file_.size();
    if (!h || size < kDirectoryHeaderSize + uint64_t(kTableCount) * 16
        || std::memcmp(h, kDirectoryMagic, sizeof kDirectoryMagic) != 0 || kv::le32(h + 8) != kDirectoryVersion
        || kv::le32(h + 12) != kDirectoryHeaderSize || kv::le32(h + 16) != kTableCount || le64(h + 24) != size)
        return;
    for (uint32_t t = 0; t < kTableCount; ++t) {
        const unsigned char *d = h + kDirectoryHeaderSize + t * 16;
        const uint64_t offset = le64(d);
        const uint32_t recordSize = kv::le32(d + 8), records = kv::le32(d + 12);
        if (recordSize != kRecordSizes[t] || offset % 8 != 0 || offset > size
            || uint64_t(recordSize) * records > size - offset)
            return;
        tables_[t] = {h + offset, records};
    }
    const uint32_t listings = kv::le32(h + 32);
    if (listings != count(kListings) || listings != count(kAttributes) || count(kStrings) == 0
        || count(kPrefectures) != 47)
        return;
    stamp_ = kv::le32(h + 36);
    valid_ = true;
}

std::string_view TDirectoryFile::text(uint32_t offset) const
{
    const uint32_t pool = count(kStrings);
    if (offset >= pool)
        return {};
    const unsigned char *p = tables_[kStrings].data + offset;
    if (*p > pool - offset - 1)
        return {};
    return {reinterpret_cast<const char *>(p + 1), *p};
}

const TPrefectureRecord *TDirectoryFile::prefecture(uint32_t number) const
{
    return number >= 1 && number <= count(kPrefectures) ? records<TPrefectureRecord>(kPrefectures) + number - 1
                                                        : nullptr;
}

const TMunicipalityRecord *TDirectoryFile::municipality(uint32_t index) const
{
    return index < count(kMunicipalities) ? records<TMunicipalityRecord>(kMunicipalities) + index : nullptr;
}

const TTownRecord *TDirectoryFile::town(uint32_t index) const
{
    return index < count(kTowns) ? records<TTownRecord>(kTowns) + index : nullptr;
}

bool TDirectoryFile::area(std::string_view code, uint32_t &first, uint32_t &count) const
{
    if (code.empty()) {  // the whole country
        first = 0;
        count = listingCount();
        return count > 0;
    }
    char key[8] = {};
    if (code.size() > sizeof key)
        return false;
    std::memcpy(key, code.data(), code.size());
    const TAreaRecord *begin = records<TAreaRecord>(kAreas), *end = begin + this->count(kAreas);
    const TAreaRecord *at = std::lower_bound(begin, end, key, [](const TAreaRecord &a, const char *k) {
        return std::memcmp(a.Code, k, sizeof a.Code) < 0;
    });
    if (at == end || std::memcmp(at->Code, key, sizeof key) != 0 || at->First > listingCount()
        || at->Count > listingCount() - at->First)
        return false;
    first = at->First;
    count = at->Count;
    return true;
}

std::span<const uint32_t> TDirectoryFile::postings(TTableId table, uint32_t key) const
{
    const TRangeRecord *begin = records<TRangeRecord>(table), *end = begin + count(table);
    const TRangeRecord *at =
        std::lower_bound(begin, end, key, [](const TRangeRecord &r, uint32_t k) { return r.Key < k; });
    const uint32_t all = count(kPostings);
    if (at == end || at->Key != key || at->First > all || at->Count > all - at->First)
        return {};
    return {records<uint32_t>(kPostings) + at->First, at->Count};
}

std::span<const TNumberRecord> TDirectoryFile::numbers(uint64_t number) const
{
    const TNumberRecord *begin = records<TNumberRecord>(kNumbers), *end = begin + count(kNumbers);
    const auto [from, to] = std::equal_range(begin, end, number, TNumberOrder{});
    return {from, size_t(to - from)};
}

TListingTexts ListingTexts(const TDirectoryFile &file, uint32_t id)
{
    const TListingRecord &l = file.listing(id);
    TListingTexts t;
    t.tel = std::string_view(l.Tel, strnlen(l.Tel, sizeof l.Tel));
    t.name = file.text(l.Name);
    t.reading = file.text(l.Reading);
    t.address2 = file.text(l.Address2);
    t.address2Reading = file.text(l.Address2Reading);
    t.address3 = file.text(l.Address3);
    t.address3Reading = file.text(l.Address3Reading);
    const TTownRecord *town = file.town(l.Town);
    const TMunicipalityRecord *city = town ? file.municipality(town->Municipality) : nullptr;
    const TPrefectureRecord *prefecture = city ? file.prefecture(city->Prefecture) : nullptr;
    if (prefecture) {
        t.prefecture = file.text(prefecture->Name);
        t.prefectureReading = file.text(prefecture->Reading);
        t.city = file.text(city->Name);
        t.cityReading = file.text(city->Reading);
        t.town = file.text(town->Name);
        t.townReading = file.text(town->Reading);
        t.jis = std::string_view(city->Jis, sizeof city->Jis);
        t.townCode = std::string_view(town->Code, sizeof town->Code);
        t.postalCode = town->PostalCode;
    }
    return t;
}

}  // namespace kvdir
