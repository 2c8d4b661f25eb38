#include "JisIndex.h"

#include <cstring>
#include <string>

namespace kvjis {

using kv::le32;

TJisIndex::TJisIndex(const char *folder, const kv::TGeoDic &geo)
    : file_(folder ? std::string(folder) + kIndexFileName : std::string())
{
    const unsigned char *map = file_.data();
    const size_t size = file_.size();
    if (!geo.valid() || !map || size < kIndexHeaderSize + 12 * kIndexTableCount
        || std::memcmp(map, kIndexMagic, sizeof kIndexMagic) != 0 || le32(map + 8) != kIndexVersion
        || le32(map + 12) != kIndexHeaderSize || le32(map + 16) != kIndexTableCount || le32(map + 20) != size)
        return;
    // Made from another Geo.dic: its numbers would name other places.
    const uint32_t municipalities = geo.municipalityCount();
    const kv::TGeoMunicipality last = geo.municipality(municipalities - 1);
    if (le32(map + 24) != municipalities || last.index == kv::kNone
        || le32(map + 28) != last.towns.first + last.towns.count)
        return;
    for (uint32_t t = 0; t < kIndexTableCount; ++t) {
        const unsigned char *entry = map + kIndexHeaderSize + 12 * t;
        const uint64_t offset = le32(entry), recordSize = le32(entry + 4), count = le32(entry + 8);
        if (recordSize != kIndexRecordSizes[t] || offset % 4 != 0 || offset + recordSize * count > size)
            return;
        tables_[t] = {map + offset, uint32_t(count)};
    }
    if (tables_[kKeyPool].count == 0 || tables_[kTownKeyRanges].count != municipalities)
        return;
    valid_ = true;
}

kv::TGeoRange TJisIndex::entries(TIndexTable table) const
{
    return valid_ ? kv::TGeoRange{0, tables_[table].count} : kv::TGeoRange{};
}

kv::TGeoRange TJisIndex::townKeys(uint32_t municipality) const
{
    const unsigned char *r = record(kTownKeyRanges, municipality);
    if (!r)
        return {};
    const uint32_t first = le32(r), count = le32(r + 4);
    if (uint64_t(first) + count > tables_[kTownKeys].count)
        return {};
    return {first, count};
}

const unsigned char *TJisIndex::record(TIndexTable table, uint32_t position) const
{
    return valid_ && position < tables_[table].count ? tables_[table].data + size_t(position) * 8 : nullptr;
}

std::string_view TJisIndex::key(TIndexTable table, uint32_t position) const
{
    const unsigned char *r = record(table, position);
    if (!r)
        return {};
    const TTable &pool = tables_[kKeyPool];
    const uint32_t offset = le32(r);
    if (offset >= pool.count || offset + 1 + size_t(pool.data[offset]) > pool.count)
        return {};
    return {reinterpret_cast<const char *>(pool.data + offset + 1), pool.data[offset]};
}

uint32_t TJisIndex::number(TIndexTable table, uint32_t position) const
{
    const unsigned char *r = record(table, position);
    return r ? le32(r + 4) : kv::kNone;
}

uint32_t TJisIndex::lowerBound(TIndexTable table, kv::TGeoRange range, std::string_view text) const
{
    uint32_t low = range.first, high = range.first + range.count;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (key(table, mid) < text)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

}  // namespace kvjis
