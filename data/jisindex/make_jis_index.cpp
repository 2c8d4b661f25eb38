// Writes Dic/Jis.dic (layout in kv/Kvjis/JisIndex.h): the prefecture, municipality and town names of a built
// Geo.dic in the matching form of Kvjis.so. It is a program of its own, not a script, so that the names are
// folded by the very code that folds the addresses they are matched against.
//
// usage: make_jis_index DIC_FOLDER/ OUTPUT
#include "AdrsNormalizer.h"
#include "JisIndex.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using TKeys = std::vector<std::pair<std::string, uint32_t>>;

std::string matchingForm(std::string_view name)
{
    std::string key;
    if (!kvjis::NormalizeAddress(name, key))
        throw std::runtime_error("Geo.dic holds a name that is not Shift-JIS");
    return key;
}

void add(TKeys &keys, std::string_view name, uint32_t number)
{
    if (std::string key = matchingForm(name); !key.empty())
        keys.emplace_back(std::move(key), number);
}

class TWriter {
public:
    uint32_t pooled(const std::string &key)
    {
        if (key.size() > 255)
            throw std::runtime_error("a name is longer than a key can be: " + key);
        const auto [it, added] = offsets_.emplace(key, uint32_t(pool_.size()));
        if (added) {
            pool_ += char(key.size());
            pool_ += key;
        }
        return it->second;
    }

    std::string &pool() { return pool_; }

private:
    std::string pool_ = std::string(1, '\0');  // offset 0: the empty key
    std::unordered_map<std::string, uint32_t> offsets_;
};

void put32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char(value >> (8 * i) & 0xFF);
}

void set32(std::string &out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char(value >> (8 * i) & 0xFF);
}

std::string build(const kv::TGeoDic &geo)
{
    TKeys prefectures, municipalities, towns;
    for (uint32_t n = 1; n <= 47; ++n) {
        const auto p = geo.prefecture(n);
        if (!p)
            throw std::runtime_error("Geo.dic lacks a prefecture");
        add(prefectures, p->name, n);
        // People also write "東京" and "大阪"; 北海道 is never shortened.
        static constexpr std::string_view suffixes[] = {"\x93\x73", "\x95\x7B", "\x8C\xA7"};  // 都 府 県
        for (std::string_view suffix : suffixes)
            if (p->name.size() > suffix.size() && p->name.ends_with(suffix))
                add(prefectures, p->name.substr(0, p->name.size() - suffix.size()), n);
    }
    std::vector<std::pair<uint32_t, uint32_t>> townRanges;
    for (uint32_t m = 0; m < geo.municipalityCount(); ++m) {
        const kv::TGeoMunicipality city = geo.municipality(m);
        add(municipalities, city.name, m);
        add(municipalities, city.shortName, m);
        const size_t first = towns.size();
        for (uint32_t t = city.towns.first; t < city.towns.first + city.towns.count; ++t)
            add(towns, geo.town(t).name, t);
        std::sort(towns.begin() + first, towns.end());
        townRanges.emplace_back(uint32_t(first), uint32_t(towns.size() - first));
    }
    std::sort(prefectures.begin(), prefectures.end());
    std::sort(municipalities.begin(), municipalities.end());
    // A municipality without a county has its short name equal to its name.
    municipalities.erase(std::unique(municipalities.begin(), municipalities.end()), municipalities.end());

    TWriter writer;
    std::string tables[kvjis::kIndexTableCount];
    auto entries = [&](const TKeys &keys, std::string &out) {
        for (const auto &[key, number] : keys) {
            put32(out, writer.pooled(key));
            put32(out, number);
        }
    };
    entries(prefectures, tables[kvjis::kPrefectureKeys]);
    entries(municipalities, tables[kvjis::kMunicipalityKeys]);
    entries(towns, tables[kvjis::kTownKeys]);
    for (const auto &[first, count] : townRanges) {
        put32(tables[kvjis::kTownKeyRanges], first);
        put32(tables[kvjis::kTownKeyRanges], count);
    }
    tables[kvjis::kKeyPool] = writer.pool();

    const kv::TGeoMunicipality last = geo.municipality(geo.municipalityCount() - 1);
    std::string out(kvjis::kIndexMagic, sizeof kvjis::kIndexMagic);
    put32(out, kvjis::kIndexVersion);
    put32(out, kvjis::kIndexHeaderSize);
    put32(out, kvjis::kIndexTableCount);
    put32(out, 0);  // the file size, set below
    put32(out, geo.municipalityCount());
    put32(out, last.towns.first + last.towns.count);
    const size_t directory = out.size();
    out.resize(directory + 12 * kvjis::kIndexTableCount);
    for (uint32_t t = 0; t < kvjis::kIndexTableCount; ++t) {
        out.resize((out.size() + 3) / 4 * 4, '\0');
        set32(out, directory + 12 * t, uint32_t(out.size()));
        set32(out, directory + 12 * t + 4, kvjis::kIndexRecordSizes[t]);
        set32(out, directory + 12 * t + 8, uint32_t(tables[t].size() / kvjis::kIndexRecordSizes[t]));
        out += tables[t];
    }
    set32(out, 20, uint32_t(out.size()));
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_jis_index DIC_FOLDER/ OUTPUT\n");
        return 2;
    }
    const kv::TGeoDic geo(argv[1]);
    if (!geo.valid() || geo.municipalityCount() == 0) {
        std::fprintf(stderr, "make_jis_index: %sGeo.dic is missing or damaged\n", argv[1]);
        return 1;
    }
    try {
        const std::string index = build(geo);
        // Written aside and renamed, so an interrupted build never leaves half an index behind.
        const std::string temporary = std::string(argv[2]) + ".part";
        std::FILE *file = std::fopen(temporary.c_str(), "wb");
        const bool written = file && std::fwrite(index.data(), 1, index.size(), file) == index.size();
        if (!file || std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), argv[2]) != 0) {
            std::remove(temporary.c_str());
            throw std::runtime_error(std::string("cannot write ") + argv[2]);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_jis_index: %s\n", e.what());
        return 1;
    }
    return 0;
}
