// The sample listings of the business directory: businesses and people over the real geography of Geo.dic,
// named from the category tree with the words of vocabulary.txt, numbered in the telephone areas of
// Phone.dic. Nothing public lists businesses, so the generator makes listings that look like a directory's:
// legal forms before or after the name, readings as the directory spells them, every number kind, numbers
// shared by several listings and listings whose number is not published. The same arguments always give
// the same listings.
#pragma once

#include "common/GeoDic.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dirsample {

// The texts of the listings, each stored once and referred to by the offset of its u8 length; offset 0 is
// the empty text. It becomes the string table of the directory file.
class TStringPool {
public:
    uint32_t add(std::string_view text);
    std::string_view at(uint32_t offset) const;
    const std::string &bytes() const { return bytes_; }

private:
    std::string bytes_ = std::string(1, '\0');
};

struct TSampleListing {
    uint32_t municipality = 0;  // of Geo.dic
    uint32_t district = 0;      // its number within the municipality, 0 when the town has none
    uint32_t town = 0;          // of Geo.dic
    uint32_t name = 0, reading = 0, key = 0, address2 = 0, address2Reading = 0, address3 = 0, address3Reading = 0;
    char tel[14] = {};  // digits; empty when the number is not published
    uint8_t kind = 0, legalForm = 0, person = 0;
    uint16_t category = 0;
    uint32_t latitude = 0, longitude = 0;
};

struct TSampleOptions {
    std::string dicFolder;        // Geo.dic, Phone.dic and NameReading.dic, ending with "/"
    QString vocabulary;           // vocabulary.txt
    uint32_t listings = 0;        // how many
    std::vector<uint32_t> prefectures;  // the prefectures the listings lie in (1 to 47)
    uint64_t seed = 1;
};

// Makes the listings (in no particular order) and their texts; throws std::runtime_error on bad input.
void MakeSampleListings(const kv::TGeoDic &geo, const TSampleOptions &options, TStringPool &pool,
                        std::vector<TSampleListing> &listings);

// Text of a data file (UTF-8) as Shift-JIS; throws when a character has no Shift-JIS form.
std::string SjisText(const QString &text);

}  // namespace dirsample
