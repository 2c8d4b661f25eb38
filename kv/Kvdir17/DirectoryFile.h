// The directory data of Kvdir17.so: one file, Dt00/Directory.dat, written by data/directory and read here,
// memory-mapped, by the library (and by the tests and the benchmark that check the library against a plain
// scan of the same listings).
//
// Layout (little-endian; every table starts at a multiple of 8):
//   header, 64 bytes: magic "VMDIRDAT", u32 version, u32 header size (64), u32 table count, u32 zero,
//                     u64 file size, u32 listing count, u32 stamp (changes whenever the listings do), zero
//   directory:        per table u64 offset, u32 record size, u32 record count, in the order of TTableId
//   tables:
//     strings        the string pool: a string is referred to by the offset of its u8 length, followed by
//                    that many bytes of Shift-JIS; offset 0 is the empty string
//     prefectures    TPrefectureRecord by number (1 to 47)
//     municipalities TMunicipalityRecord in JIS code order
//     towns          TTownRecord, the towns listings lie in
//     areas          TAreaRecord sorted by code: every prefecture (2 digits), municipality and city with
//                    wards (5) and district (8) that holds listings, with its range of listings
//     listings       TListingRecord in listing order: by municipality (JIS code), district (code), reading,
//                    name, kind and number; so every area is one range of listings, and a listing's
//                    position is its reference
//     attributes     u32 per listing: what a search filters on, packed (see Attribute*)
//     numbers        TNumberRecord sorted by number, then listing: the listed numbers
//     grams          TRangeRecord sorted by gram: the listings whose name key holds a gram (kvdir::Gram*),
//                    a range of postings
//     categories     TRangeRecord sorted by code: the listings of a main category (its two-digit number)
//                    and of a sub category (main × 100 + sub), a range of postings
//     postings       u32 listing positions, ascending within each range
#pragma once

#include "common/MappedFile.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kvdir {

static_assert(std::endian::native == std::endian::little, "the directory file is read in place");

inline constexpr const char *kDirectoryFileName = "Directory.dat";
inline constexpr char kDirectoryMagic[8] = {'V', 'M', 'D', 'I', 'R', 'D', 'A', 'T'};
inline constexpr uint32_t kDirectoryVersion = 1;
inline constexpr uint32_t kDirectoryHeaderSize = 64;

enum TTableId : uint32_t {
    kStrings,
    kPrefectures,
    kMunicipalities,
    kTowns,
    kAreas,
    kListings,
    kAttributes,
    kNumbers,
    kGrams,
    kCategories,
    kPostings,
    kTableCount
};

// The kinds of a listed number, as the hits carry them.
enum TNumberKind : uint8_t { kNormal = 0, kFax = 1, kTelFax = 2, kMain = 3 };

#pragma pack(push, 1)
struct TPrefectureRecord {
    uint32_t Name, Reading;
};

struct TMunicipalityRecord {
    char Jis[5];
    uint8_t Prefecture;
    uint16_t Zero;
    uint32_t Name, Reading;  // the name with its county ("北群馬郡榛東村")
    uint32_t WardCity;       // the code of the city a ward belongs to as a number (13100, 27100), else 0
};

struct TTownRecord {
    uint32_t Municipality;
    uint32_t Name, Reading;
    uint32_t PostalCode;  // seven digits as a number
    char Code[6];         // the six-digit town code
    char District[8];     // the district code: JIS code and three characters
    uint16_t Zero;
};

struct TAreaRecord {
    char Code[8];  // zero padded
    uint32_t First, Count;
};

struct TListingRecord {
    char Tel[14];  // digits, zero padded; all zero for a listing whose number is not published
    uint8_t Kind;  // TNumberKind
    uint8_t LegalForm;  // 0 none, 1 株式, 2 有限, 3 合資, 4 合名, 5 相互, 6 財団法人, 7 社団法人
    uint16_t Category;  // main × 100 + sub
    uint8_t Person;     // 99 an individual, 0 a company
    uint8_t Zero1;
    uint32_t Town;
    uint32_t Name, Reading, Key;
    uint32_t Address2, Address2Reading, Address3, Address3Reading;
    uint32_t Latitude, Longitude;  // 1/256 second of arc
    uint32_t Zero2;
};

struct TNumberRecord {
    uint64_t Number;  // NumberValue of the digits
    uint32_t Listing;
};

struct TRangeRecord {
    uint32_t Key, First, Count;
};
#pragma pack(pop)

static_assert(sizeof(TPrefectureRecord) == 8 && sizeof(TMunicipalityRecord) == 20 && sizeof(TTownRecord) == 32
              && sizeof(TAreaRecord) == 16 && sizeof(TListingRecord) == 64 && sizeof(TNumberRecord) == 12
              && sizeof(TRangeRecord) == 12);

inline constexpr uint32_t kRecordSizes[kTableCount] = {1,  sizeof(TPrefectureRecord), sizeof(TMunicipalityRecord),
                                                      sizeof(TTownRecord), sizeof(TAreaRecord),
                                                      sizeof(TListingRecord), 4, sizeof(TNumberRecord),
                                                      sizeof(TRangeRecord), sizeof(TRangeRecord), 4};

// The attributes word of a listing: the category, the number kind and the legal form.
inline constexpr uint32_t Attributes(uint16_t category, uint8_t kind, uint8_t legalForm)
{
    return uint32_t(category & 0x3FFF) | uint32_t(kind & 3) << 14 | uint32_t(legalForm & 7) << 16;
}
inline constexpr uint32_t AttributeCategory(uint32_t a) { return a & 0x3FFF; }
inline constexpr uint32_t AttributeKind(uint32_t a) { return a >> 14 & 3; }
inline constexpr uint32_t AttributeLegalForm(uint32_t a) { return a >> 16 & 7; }

// A gram of the name index: two characters of a key (KeyChars), or one character with the start or the end of
// the key beside it (the first and last characters, for prefix, suffix and exact searches), or one character
// alone (for fuzzy searches of a single character).
inline constexpr uint16_t kGramStart = 1, kGramEnd = 2;
inline constexpr uint32_t Gram(uint16_t first, uint16_t second) { return uint32_t(first) << 16 | second; }
inline constexpr uint32_t SingleGram(uint16_t c) { return c; }

// Listed digits as a sortable number that keeps leading zeros ("03..." and "3..." differ): the digits behind
// a 1. Zero for text that is not 1 to 18 digits.
uint64_t NumberValue(std::string_view digits);

// Read-only view of Dt00/Directory.dat over the calling thread's mapping of it (kv::TMappedFile), kept
// between that thread's calls while the file stays the same one: mapping a file of a gigabyte and touching
// its pages afresh would cost each search more than the search itself. Everything a record refers to is
// checked before it is followed: a damaged file gives empty texts and empty ranges, never a read outside it.
class TDirectoryFile {
public:
    // Maps folder + "Directory.dat" (folder ends with "/"); invalid when missing or not of this version.
    explicit TDirectoryFile(const std::string &folder);
    TDirectoryFile(const TDirectoryFile &) = delete;
    TDirectoryFile &operator=(const TDirectoryFile &) = delete;

    bool valid() const { return valid_; }
    uint32_t stamp() const { return stamp_; }
    uint32_t listingCount() const { return count(kListings); }

    // The listing at a position below listingCount().
    const TListingRecord &listing(uint32_t id) const { return records<TListingRecord>(kListings)[id]; }
    uint32_t attributes(uint32_t id) const { return records<uint32_t>(kAttributes)[id]; }
    // The name key of a listing (the bytes NameKey makes of its name).
    std::string_view key(uint32_t id) const { return text(listing(id).Key); }

    std::string_view text(uint32_t offset) const;
    // Null for a number or index outside the tables.
    const TPrefectureRecord *prefecture(uint32_t number) const;
    const TMunicipalityRecord *municipality(uint32_t index) const;
    const TTownRecord *town(uint32_t index) const;

    // The listings of an area code ("" the whole country, "13", "13101", "13100", "13101001"); false when no
    // listing lies there.
    bool area(std::string_view code, uint32_t &first, uint32_t &count) const;
    // The listings whose key holds a gram, and those of a category, ascending; empty when there are none.
    std::span<const uint32_t> gramPostings(uint32_t gram) const { return postings(kGrams, gram); }
    std::span<const uint32_t> categoryPostings(uint32_t category) const { return postings(kCategories, category); }
    // The listings of a number, by position.
    std::span<const TNumberRecord> numbers(uint64_t number) const;

private:
    uint32_t count(TTableId t) const { return tables_[t].count; }
    template <typename T>
    const T *records(TTableId t) const
    {
        return reinterpret_cast<const T *>(tables_[t].data);
    }
    std::span<const uint32_t> postings(TTableId table, uint32_t key) const;

    struct TTable {
        const unsigned char *data = nullptr;
        uint32_t count = 0;
    };
    kv::TMappedFile file_;
    bool valid_ = false;
    uint32_t stamp_ = 0;
    TTable tables_[kTableCount];
};

// A listing's texts as the hits and the details carry them; the generator of the data checks with it that
// every one fits its field.
struct TListingTexts {
    std::string_view tel, name, reading, prefecture, prefectureReading, city, cityReading, town, townReading,
        address2, address2Reading, address3, address3Reading;
    std::string_view jis, townCode;  // the address code: the JIS code, then the town code
    uint32_t postalCode = 0;

    // The parts of the address of a hit, joined without separators.
    std::array<std::string_view, 5> addressParts() const { return {prefecture, city, town, address2, address3}; }
};
TListingTexts ListingTexts(const TDirectoryFile &file, uint32_t id);

}  // namespace kvdir
