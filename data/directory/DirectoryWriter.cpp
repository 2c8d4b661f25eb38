#include "DirectoryWriter.h"

#include "DirectoryFile.h"
#include "Kvdir17.h"
#include "NameKey.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <unordered_map>

namespace dirsample {

namespace {

using namespace kvdir;

[[noreturn]] void fail(const std::string &why) { throw std::runtime_error(why); }

// The order of the numbers of one business: main number first, the fax last.
int kindOrder(uint8_t kind)
{
    static constexpr int order[] = {1, 3, 2, 0};  // normal, fax, telephone and fax, main
    return order[kind & 3];
}

// Every gram a key is found under (DirectoryFile.h): its characters, their pairs, and its first and last
// characters beside the ends of the key; each once.
std::vector<uint32_t> keyGrams(std::string_view key)
{
    const std::vector<uint16_t> chars = KeyChars(key);
    std::vector<uint32_t> grams;
    if (chars.empty())
        return grams;
    for (size_t i = 0; i < chars.size(); ++i) {
        grams.push_back(SingleGram(chars[i]));
        if (i + 1 < chars.size())
            grams.push_back(Gram(chars[i], chars[i + 1]));
    }
    grams.push_back(Gram(kGramStart, chars.front()));
    grams.push_back(Gram(chars.back(), kGramEnd));
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    return grams;
}

void copyCode(char *field, size_t width, std::string_view code)
{
    std::memset(field, 0, width);
    std::memcpy(field, code.data(), std::min(width, code.size()));
}

// The ranges of a list of postings lists, their listings appended to postings.
template <typename Lists>
std::vector<TRangeRecord> ranges(const Lists &lists, std::vector<uint32_t> &postings)
{
    std::vector<TRangeRecord> out;
    for (const auto &[key, ids] : lists) {
        out.push_back({key, uint32_t(postings.size()), uint32_t(ids.size())});
        postings.insert(postings.end(), ids.begin(), ids.end());
    }
    return out;
}

class TFileWriter {
public:
    explicit TFileWriter(const std::string &path) : path_(path), file_(std::fopen(path.c_str(), "wb"))
    {
        if (!file_)
            fail("cannot write " + path);
    }
    ~TFileWriter()
    {
        if (file_)
            std::fclose(file_);
    }

    void write(const void *data, size_t size)
    {
        if (size && std::fwrite(data, 1, size, file_) != size)
            fail("cannot write " + path_);
        written_ += size;
    }
    void pad()
    {
        static const char zeros[8] = {};
        write(zeros, (8 - written_ % 8) % 8);
    }
    uint64_t written() const { return written_; }
    void close()
    {
        const bool ok = std::fflush(file_) == 0 && std::fclose(file_) == 0;
        file_ = nullptr;
        if (!ok)
            fail("cannot write " + path_);
    }

private:
    std::string path_;
    FILE *file_;
    uint64_t written_ = 0;
};

// Each text of each listing against the field it is copied into (Kvdir17.h).
void checkWidths(const TDirectoryFile &file)
{
    for (uint32_t id = 0; id < file.listingCount(); ++id) {
        const TListingTexts t = ListingTexts(file, id);
        size_t address = 0;
        for (std::string_view part : t.addressParts())
            address += part.size();
        const struct {
            size_t size;
            size_t width;
            const char *field;
        } fields[] = {
            {t.tel.size(), sizeof TDirectoryHit::Tel, "Tel"},
            {t.name.size(), std::min(sizeof TDirectoryHit::Name, sizeof TDirectoryDetail::Name), "Name"},
            {address, sizeof TDirectoryHit::Address, "Address"},
            {t.reading.size(), sizeof TDirectoryDetail::NameReading, "NameReading"},
            {t.prefecture.size(), sizeof TDirectoryDetail::Prefecture, "Prefecture"},
            {t.city.size(), sizeof TDirectoryDetail::City, "City"},
            {t.town.size(), sizeof TDirectoryDetail::Address1, "Address1"},
            {t.address2.size(), sizeof TDirectoryDetail::Address2, "Address2"},
            {t.address3.size(), sizeof TDirectoryDetail::Address3, "Address3"},
            {t.prefectureReading.size(), sizeof TDirectoryDetail::PrefectureReading, "PrefectureReading"},
            {t.cityReading.size(), sizeof TDirectoryDetail::CityReading, "CityReading"},
            {t.townReading.size(), sizeof TDirectoryDetail::Address1Reading, "Address1Reading"},
            {t.address2Reading.size(), sizeof TDirectoryDetail::Address2Reading, "Address2Reading"},
            {t.address3Reading.size(), sizeof TDirectoryDetail::Address3Reading, "Address3Reading"},
            {t.jis.size() + t.townCode.size(), sizeof TDirectoryDetail::AddressCode, "AddressCode"},
        };
        for (const auto &f : fields)
            if (f.size > f.width)
                fail("listing " + std::to_string(id) + ": " + f.field + " is " + std::to_string(f.size)
                     + " bytes, its field " + std::to_string(f.width));
        if (t.prefecture.empty() || t.town.empty() || t.name.empty() || t.reading.empty())
            fail("listing " + std::to_string(id) + " lacks its name or its place");
    }
}

// The tables of the file, built one after the other from the sorted listings.
class TTables {
public:
    TTables(const kv::TGeoDic &geo, TStringPool &pool, const std::vector<TSampleListing> &listings)
        : geo_(geo), pool_(pool), listings_(listings)
    {
        makePlaces();
        makeListings();
        makeNameIndex();
    }

    // Writes the file: header, directory, tables.
    void write(const std::string &path) const
    {
        struct TTable {
            const void *data;
            uint64_t count;
        };
        const std::string &strings = pool_.bytes();
        const TTable tables[kTableCount] = {
            {strings.data(), strings.size()},           {prefectures_.data(), prefectures_.size()},
            {municipalities_.data(), municipalities_.size()}, {towns_.data(), towns_.size()},
            {areas_.data(), areas_.size()},             {records_.data(), records_.size()},
            {attributes_.data(), attributes_.size()},   {numbers_.data(), numbers_.size()},
            {grams_.data(), grams_.size()},             {categories_.data(), categories_.size()},
            {postings_.data(), postings_.size()}};
        uint64_t offsets[kTableCount];
        uint64_t at = kDirectoryHeaderSize + uint64_t(kTableCount) * 16;
        for (uint32_t t = 0; t < kTableCount; ++t) {
            if (tables[t].count > UINT32_MAX)
                fail("a table outgrows its count");
            at = (at + 7) / 8 * 8;
            offsets[t] = at;
            at += tables[t].count * kRecordSizes[t];
        }

        TFileWriter out(path);
        unsigned char header[kDirectoryHeaderSize] = {};
        std::memcpy(header, kDirectoryMagic, sizeof kDirectoryMagic);
        const uint32_t words[] = {kDirectoryVersion, kDirectoryHeaderSize, kTableCount, 0};
        std::memcpy(header + 8, words, sizeof words);
        std::memcpy(header + 24, &at, 8);
        const uint32_t count = uint32_t(records_.size()), stamp = this->stamp();
        std::memcpy(header + 32, &count, 4);
        std::memcpy(header + 36, &stamp, 4);
        out.write(header, sizeof header);
        for (uint32_t t = 0; t < kTableCount; ++t) {
            const uint32_t sizes[2] = {kRecordSizes[t], uint32_t(tables[t].count)};
            out.write(&offsets[t], 8);
            out.write(sizes, 8);
        }
        for (uint32_t t = 0; t < kTableCount; ++t) {
            out.pad();
            if (out.written() != offsets[t])
                fail("the tables are not where the directory says");
            out.write(tables[t].data, tables[t].count * kRecordSizes[t]);
        }
        out.close();
    }

private:
    // Every prefecture and municipality, and the towns that hold listings.
    void makePlaces()
    {
        for (uint32_t n = 1; n <= 47; ++n) {
            const auto p = geo_.prefecture(n);
            prefectures_.push_back({pool_.add(p->name), pool_.add(p->reading)});
        }
        for (uint32_t m = 0; m < geo_.municipalityCount(); ++m) {
            const kv::TGeoMunicipality c = geo_.municipality(m);
            TMunicipalityRecord r{};
            copyCode(r.Jis, sizeof r.Jis, c.jis);
            r.Prefecture = uint8_t(c.prefecture);
            r.Name = pool_.add(c.name);
            r.Reading = pool_.add(c.reading);
            r.WardCity = c.wardCity;
            municipalities_.push_back(r);
        }
        for (const TSampleListing &l : listings_) {
            if (!townIndex_.emplace(l.town, uint32_t(towns_.size())).second)
                continue;
            const kv::TGeoTown t = geo_.town(l.town);
            TTownRecord r{};
            r.Municipality = t.municipality;
            r.Name = pool_.add(t.name);
            r.Reading = pool_.add(t.reading);
            r.PostalCode = t.postalCode;
            copyCode(r.Code, sizeof r.Code, geo_.townCode(t));
            const std::string district = t.district != kv::kNone
                                             ? geo_.districtCode(geo_.district(t.district))
                                             : std::string(geo_.municipality(t.municipality).jis) + "000";
            copyCode(r.District, sizeof r.District, district);
            towns_.push_back(r);
            districtCodes_.push_back(district);
        }
    }

    // The listing records and their attributes, the areas they make up, the numbers and the categories.
    void makeListings()
    {
        std::map<std::string, std::pair<uint32_t, uint32_t>> areas;  // code -> first listing, count
        std::map<uint32_t, std::vector<uint32_t>> categories;
        records_.resize(listings_.size());
        for (uint32_t id = 0; id < listings_.size(); ++id) {
            const TSampleListing &l = listings_[id];
            TListingRecord &r = records_[id];
            std::memcpy(r.Tel, l.tel, sizeof r.Tel);
            r.Kind = l.kind;
            r.LegalForm = l.legalForm;
            r.Category = l.category;
            r.Person = l.person;
            r.Town = townIndex_.at(l.town);
            r.Name = l.name;
            r.Reading = l.reading;
            r.Key = l.key;
            r.Address2 = l.address2;
            r.Address2Reading = l.address2Reading;
            r.Address3 = l.address3;
            r.Address3Reading = l.address3Reading;
            r.Latitude = l.latitude;
            r.Longitude = l.longitude;
            attributes_.push_back(Attributes(l.category, l.kind, l.legalForm));

            const kv::TGeoMunicipality m = geo_.municipality(l.municipality);
            std::vector<std::string> codes = {std::string(m.jis.substr(0, 2)), std::string(m.jis),
                                              districtCodes_[r.Town]};
            if (m.wardCity != 0) {
                const std::string city = std::to_string(m.wardCity);
                codes.push_back(std::string(5 - std::min<size_t>(5, city.size()), '0') + city);
            }
            for (const std::string &code : codes) {
                auto [it, added] = areas.try_emplace(code, id, 0);
                if (!added && it->second.first + it->second.second != id)
                    fail("the listings of area " + code + " are not one range");
                ++it->second.second;
            }
            if (const uint64_t number = NumberValue(std::string_view(l.tel, strnlen(l.tel, sizeof l.tel))))
                numbers_.push_back({number, id});
            categories[l.category / 100u].push_back(id);
            categories[l.category].push_back(id);
        }
        std::sort(numbers_.begin(), numbers_.end(), [](const TNumberRecord &a, const TNumberRecord &b) {
            return a.Number != b.Number ? a.Number < b.Number : a.Listing < b.Listing;
        });
        for (const auto &[code, range] : areas) {
            TAreaRecord a{};
            copyCode(a.Code, sizeof a.Code, code);
            a.First = range.first;
            a.Count = range.second;
            areas_.push_back(a);
        }
        categoryLists_ = std::move(categories);
    }

    // The name index, counted first so that each gram's listings go straight to their place, ascending; the
    // category lists behind it.
    void makeNameIndex()
    {
        std::unordered_map<uint32_t, uint64_t> counts;
        for (const TListingRecord &r : records_)
            for (uint32_t gram : keyGrams(pool_.at(r.Key)))
                ++counts[gram];
        for (const auto &[gram, count] : counts)
            grams_.push_back({gram, 0, uint32_t(count)});
        std::sort(grams_.begin(), grams_.end(),
                  [](const TRangeRecord &a, const TRangeRecord &b) { return a.Key < b.Key; });
        uint64_t total = 0;
        for (TRangeRecord &g : grams_) {
            g.First = uint32_t(total);
            counts[g.Key] = total;  // from here on the next free place of the gram
            total += g.Count;
        }
        if (total + records_.size() * 2 >= UINT32_MAX)
            fail("the name index outgrows its references");
        postings_.resize(total);
        for (uint32_t id = 0; id < records_.size(); ++id)
            for (uint32_t gram : keyGrams(pool_.at(records_[id].Key)))
                postings_[counts[gram]++] = id;
        categories_ = ranges(categoryLists_, postings_);
    }

    // A stamp of the listings, so that a resume context of other listings is refused.
    uint32_t stamp() const
    {
        uint64_t hash = 1469598103934665603ull;
        for (const TListingRecord &r : records_) {
            uint64_t words[sizeof r / 8];
            std::memcpy(words, &r, sizeof r);
            for (uint64_t w : words)
                hash = (hash ^ w) * 1099511628211ull;
        }
        return uint32_t(hash ^ hash >> 32);
    }

    const kv::TGeoDic &geo_;
    TStringPool &pool_;
    const std::vector<TSampleListing> &listings_;
    std::vector<TPrefectureRecord> prefectures_;
    std::vector<TMunicipalityRecord> municipalities_;
    std::unordered_map<uint32_t, uint32_t> townIndex_;  // Geo.dic's town -> its record
    std::vector<TTownRecord> towns_;
    std::vector<std::string> districtCodes_;  // of each town record
    std::vector<TAreaRecord> areas_;
    std::vector<TListingRecord> records_;
    std::vector<uint32_t> attributes_;
    std::vector<TNumberRecord> numbers_;
    std::map<uint32_t, std::vector<uint32_t>> categoryLists_;
    std::vector<TRangeRecord> grams_, categories_;
    std::vector<uint32_t> postings_;
};

// Sorts the listings into listing order, and writes their texts again in that order, so that a page of hits
// reads few pages of the file. The listings of one business stand side by side then and share their texts
// as before.
void sortListings(TStringPool &pool, std::vector<TSampleListing> &listings)
{
    std::sort(listings.begin(), listings.end(), [&](const TSampleListing &a, const TSampleListing &b) {
        if (a.municipality != b.municipality)
            return a.municipality < b.municipality;
        if (a.district != b.district)
            return a.district < b.district;
        if (const int c = pool.at(a.reading).compare(pool.at(b.reading)); c != 0)
            return c < 0;
        if (const int c = pool.at(a.name).compare(pool.at(b.name)); c != 0)
            return c < 0;
        if (kindOrder(a.kind) != kindOrder(b.kind))
            return kindOrder(a.kind) < kindOrder(b.kind);
        return std::memcmp(a.tel, b.tel, sizeof a.tel) < 0;
    });
    TStringPool ordered;
    uint32_t before[7] = {}, after[7] = {};
    for (TSampleListing &l : listings) {
        uint32_t *fields[7] = {&l.name, &l.key, &l.reading, &l.address2, &l.address2Reading, &l.address3,
                               &l.address3Reading};
        for (size_t i = 0; i < 7; ++i) {
            if (*fields[i] != before[i]) {
                before[i] = *fields[i];
                after[i] = ordered.add(pool.at(*fields[i]));
            }
            *fields[i] = after[i];
        }
    }
    pool = std::move(ordered);
}

}  // namespace

void WriteDirectory(const kv::TGeoDic &geo, TStringPool &pool, std::vector<TSampleListing> &listings,
                    const std::string &folder, const std::function<void(const kvdir::TDirectoryFile &)> &check)
{
    if (listings.size() >= UINT32_MAX)
        fail("too many listings");
    sortListings(pool, listings);
    const TTables tables(geo, pool, listings);

    // Written and checked in a folder of its own, then moved over the old file in one step.
    const std::string writing = folder + "writing/";
    std::filesystem::create_directories(writing);
    try {
        tables.write(writing + kDirectoryFileName);
        const TDirectoryFile file(writing);
        if (!file.valid() || file.listingCount() != listings.size())
            fail("the written directory cannot be read back");
        checkWidths(file);
        if (check)
            check(file);
    } catch (...) {
        std::filesystem::remove_all(writing);
        throw;
    }
    std::filesystem::rename(writing + kDirectoryFileName, folder + kDirectoryFileName);
    std::filesystem::remove_all(writing);
}

}  // namespace dirsample
