// Dic/Jis.dic: the names of Dic/Geo.dic in their matching form (AdrsNormalizer.h), sorted for prefix searches.
// Written at build time by data/jisindex from the built Geo.dic; Kvjis.so reads both through the calling
// thread's mappings.
//
// Layout (little-endian; every table starts at a multiple of 4):
//   header, 32 bytes: magic "VMJISIDX", u32 version (1), u32 header size (32), u32 table count (5),
//                     u32 file size, u32 municipality count and u32 town count of the Geo.dic it was made from
//   directory:        per table u32 offset, u32 record size, u32 record count, in the order of TIndexTable
//   tables:
//    0 keys                 record size 1: the key pool; a key is referred to by the offset of its u8 length,
//                           followed by that many bytes
//    1 prefecture keys      8 bytes: u32 key, u32 prefecture number; the names with and without 都/府/県
//    2 municipality keys    8 bytes: u32 key, u32 municipality; names and names without the county
//    3 town keys            8 bytes: u32 key, u32 town; grouped by municipality
//    4 town key ranges      8 bytes: u32 first, u32 count (into 3), one per municipality of Geo.dic
// Tables 1 and 2 and each group of 3 are ordered by the bytes of the key, then by the number they give.
#pragma once

#include "common/FixedField.h"
#include "common/GeoDic.h"
#include "common/MappedFile.h"

#include <cstdint>
#include <string_view>

namespace kvjis {

inline constexpr const char *kIndexFileName = "Jis.dic";
inline constexpr char kIndexMagic[8] = {'V', 'M', 'J', 'I', 'S', 'I', 'D', 'X'};
inline constexpr uint32_t kIndexVersion = 1;
inline constexpr uint32_t kIndexHeaderSize = 32;

enum TIndexTable { kKeyPool, kPrefectureKeys, kMunicipalityKeys, kTownKeys, kTownKeyRanges, kIndexTableCount };
inline constexpr uint32_t kIndexRecordSizes[kIndexTableCount] = {1, 8, 8, 8, 8};

// The index of the dictionary folder, checked against the Geo.dic it is used with.
class TJisIndex {
public:
    TJisIndex(const char *folder, const kv::TGeoDic &geo);

    bool valid() const { return valid_; }

    // All entries of a key table, or the town keys of one municipality.
    kv::TGeoRange entries(TIndexTable table) const;
    kv::TGeoRange townKeys(uint32_t municipality) const;

    // Calls found(key length, number) for every entry of range whose key text starts with, shortest first.
    template <class F>
    void forEachPrefix(TIndexTable table, kv::TGeoRange range, std::string_view text, F found) const
    {
        for (size_t length = 0; length < text.size();) {
            length += kv::IsSjisLead(static_cast<unsigned char>(text[length])) && length + 1 < text.size() ? 2 : 1;
            const std::string_view start = text.substr(0, length);
            uint32_t at = lowerBound(table, range, start);
            // No key begins with these bytes, so none begins with a longer start either.
            if (at == range.first + range.count || !key(table, at).starts_with(start))
                return;
            for (; at < range.first + range.count && key(table, at) == start; ++at)
                found(length, number(table, at));
        }
    }

private:
    const unsigned char *record(TIndexTable table, uint32_t position) const;
    std::string_view key(TIndexTable table, uint32_t position) const;
    uint32_t number(TIndexTable table, uint32_t position) const;
    uint32_t lowerBound(TIndexTable table, kv::TGeoRange range, std::string_view text) const;

    kv::TMappedFile file_;
    struct TTable {
        const unsigned char *data = nullptr;
        uint32_t count = 0;
    } tables_[kIndexTableCount];
    bool valid_ = false;
};

}  // namespace kvjis
