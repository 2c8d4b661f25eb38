// Look-ups per second of the four libraries over the shipped Dic/Geo.dic, each loaded as the program loads it,
// beside a plain scan of the same tables (mapped once, read record by record) answering the same questions in
// the same run. The inputs are real: every 97th postal row, town and municipality of the dictionary.
// Usage: bench_geo [Google Benchmark options]
#include "Kvaddr/Kvaddr.h"
#include "Kvkana/Kvkana.h"
#include "Kvmatch/Kvmatch.h"
#include "Kvpost/Kvpost.h"
#include "common/GeoDic.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string kAppDir = VELMORA_APP_DIR;
const std::string kDicDir = kAppDir + "Dic/";

void *symbol(const char *library, const char *name)
{
    void *handle = dlopen((kAppDir + library).c_str(), RTLD_NOW | RTLD_LOCAL);
    void *f = handle ? dlsym(handle, name) : nullptr;
    if (!f) {
        std::fprintf(stderr, "%s: %s missing\n", library, name);
        std::exit(1);
    }
    return f;
}

struct TInputs {
    std::vector<std::string> postalCodes;  // seven digits
    std::vector<std::string> addresses;    // prefecture, municipality and town
    std::vector<std::string> matchKeys;    // JIS and town code
    std::vector<uint32_t> prefectures;     // 1..47
    std::vector<std::string> cityCodes;    // JIS codes
};

const TInputs &inputs()
{
    static const TInputs in = [] {
        TInputs in;
        const kv::TGeoDic dic(kDicDir.c_str());
        if (!dic.valid()) {
            std::fprintf(stderr, "%sGeo.dic cannot be read\n", kDicDir.c_str());
            std::exit(1);
        }
        for (uint32_t i = 0; i < dic.postalRowCount(); i += 97)
            in.postalCodes.push_back(kv::PostalDigits(dic.postalRow(i).postalCode));
        for (uint32_t i = 0; i < dic.municipalityCount(); i += 3) {
            const kv::TGeoMunicipality m = dic.municipality(i);
            in.cityCodes.emplace_back(m.jis);
            in.prefectures.push_back(m.prefecture);
            for (uint32_t t = 0; t < m.towns.count; t += 97) {
                const kv::TGeoTown town = dic.town(m.towns.first + t);
                in.addresses.push_back(std::string(dic.prefecture(m.prefecture)->name) + std::string(m.name)
                                       + std::string(town.name));
                in.matchKeys.push_back(std::string(m.jis) + dic.townCode(town));
            }
        }
        return in;
    }();
    return in;
}

// The tables, mapped once for the scans.
const kv::TGeoDic &scanDic()
{
    static const kv::TGeoDic dic(kDicDir.c_str());
    return dic;
}

template <typename T>
const T &next(const std::vector<T> &v, size_t &i)
{
    const T &x = v[i];
    i = (i + 1) % v.size();
    return x;
}

// --- Kvpost: a whole code to its municipalities and the towns of the first --------------------------------

void PostLibrary(benchmark::State &state)
{
    static auto first = reinterpret_cast<TKVPostFirst>(symbol("Kvpost.so", "KVPostFirst"));
    static auto cityList = reinterpret_cast<TKVPostCityList>(symbol("Kvpost.so", "KVPostCityList"));
    static auto townList = reinterpret_cast<TKVPostTownList>(symbol("Kvpost.so", "KVPostTownList"));
    static auto close = reinterpret_cast<TKVPostClose>(symbol("Kvpost.so", "KVPostClose"));
    size_t i = 0;
    TPostCityEntry cities[20];
    TPostTownEntry towns[50];
    for (auto _ : state) {
        int32_t count = 0;
        int16_t code = 0;
        void *h = first(next(inputs().postalCodes, i).c_str(), &count, &code, kDicDir.c_str());
        if (h) {
            cityList(h, cities, 0, std::min(count, 20));
            townList(h, &cities[0], towns, 0, std::min<int32_t>(cities[0].TownCount, 50));
            close(h);
        }
        benchmark::DoNotOptimize(towns);
    }
    state.SetItemsProcessed(state.iterations());
}

void PostScan(benchmark::State &state)
{
    const kv::TGeoDic &dic = scanDic();
    size_t i = 0;
    std::vector<uint32_t> rows;
    for (auto _ : state) {
        const uint32_t code = uint32_t(std::stoul(next(inputs().postalCodes, i)));
        rows.clear();
        for (uint32_t r = 0; r < dic.postalRowCount(); ++r)
            if (dic.postalRow(r).postalCode == code)
                rows.push_back(r);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// --- Kvaddr: an address to its municipality and its towns ---------------------------------------------------

void AddrLibrary(benchmark::State &state)
{
    static auto jisCount = reinterpret_cast<TKVAddrJisCount>(symbol("Kvaddr.so", "KVAddrJisCount"));
    static auto jisList = reinterpret_cast<TKVAddrJisList>(symbol("Kvaddr.so", "KVAddrJisList"));
    static auto townCount = reinterpret_cast<TKVAddrTownCount>(symbol("Kvaddr.so", "KVAddrTownCount"));
    static auto townList = reinterpret_cast<TKVAddrTownList>(symbol("Kvaddr.so", "KVAddrTownList"));
    size_t i = 0;
    TAddrCityEntry cities[20];
    TAddrTownEntry towns[50];
    for (auto _ : state) {
        const char *address = next(inputs().addresses, i).c_str();
        int32_t count = 0;
        if (jisCount(address, &count, kDicDir.c_str()) == 0
            && jisList(address, cities, std::min(count, 20), kDicDir.c_str()) == 0
            && townCount(address, &cities[0], &count, kDicDir.c_str()) == 0)
            townList(address, &cities[0], towns, std::min(count, 50), kDicDir.c_str());
        benchmark::DoNotOptimize(towns);
    }
    state.SetItemsProcessed(state.iterations());
}

void AddrScan(benchmark::State &state)
{
    const kv::TGeoDic &dic = scanDic();
    size_t i = 0;
    std::vector<uint32_t> towns;
    for (auto _ : state) {
        const std::string &address = next(inputs().addresses, i);
        towns.clear();
        for (uint32_t m = 0; m < dic.municipalityCount(); ++m) {
            const kv::TGeoMunicipality city = dic.municipality(m);
            const std::string whole = std::string(dic.prefecture(city.prefecture)->name) + std::string(city.name);
            if (!std::string_view(address).starts_with(whole))
                continue;
            const std::string_view rest = std::string_view(address).substr(whole.size());
            for (uint32_t t = 0; t < city.towns.first + city.towns.count; ++t) {
                const kv::TGeoTown town = dic.town(t);
                if (town.municipality == m && town.name.starts_with(rest))
                    towns.push_back(t);
            }
        }
        benchmark::DoNotOptimize(towns.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// --- Kvkana: the municipalities of a prefecture in reading order, the districts of one ---------------------

void KanaLibrary(benchmark::State &state)
{
    static auto cityAll = reinterpret_cast<TKVKanaCityAll>(symbol("Kvkana.so", "KVKanaCityAll"));
    static auto ohaza = reinterpret_cast<TKVKanaOhazaAll>(symbol("Kvkana.so", "KVKanaOhazaAll"));
    size_t i = 0, j = 0;
    std::vector<TKanaCityEntry> cities(200);
    std::vector<TKanaOazaEntry> districts(1200);
    for (auto _ : state) {
        cityAll(int32_t(next(inputs().prefectures, i)), cities.data(), 200, kDicDir.c_str());
        ohaza(next(inputs().cityCodes, j).c_str(), districts.data(), 1200, kDicDir.c_str());
        benchmark::DoNotOptimize(districts.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void KanaScan(benchmark::State &state)
{
    const kv::TGeoDic &dic = scanDic();
    size_t i = 0, j = 0;
    std::vector<std::pair<std::string_view, uint32_t>> cities, districts;
    for (auto _ : state) {
        const uint32_t prefecture = next(inputs().prefectures, i);
        cities.clear();
        for (uint32_t m = 0; m < dic.municipalityCount(); ++m) {
            const kv::TGeoMunicipality city = dic.municipality(m);
            if (city.prefecture == prefecture)
                cities.emplace_back(city.reading, m);
        }
        std::sort(cities.begin(), cities.end());
        const uint32_t m = dic.findMunicipality(next(inputs().cityCodes, j));
        districts.clear();
        for (uint32_t t = 0; t < dic.municipality(m).districts.first + dic.municipality(m).districts.count; ++t)
            if (dic.district(t).municipality == m)
                districts.emplace_back(dic.district(t).reading, t);
        std::sort(districts.begin(), districts.end());
        benchmark::DoNotOptimize(districts.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// --- Kvmatch: a JIS and town code to the town's position and address ---------------------------------------

void MatchLibrary(benchmark::State &state)
{
    static auto match = reinterpret_cast<TKVMatchAdrs>(symbol("Kvmatch.so", "KVMatchAdrs"));
    size_t i = 0;
    TMatchAdrsRecord r;
    for (auto _ : state) {
        match(next(inputs().matchKeys, i).c_str(), &r, kDicDir.c_str());
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}

void MatchScan(benchmark::State &state)
{
    const kv::TGeoDic &dic = scanDic();
    size_t i = 0;
    for (auto _ : state) {
        const std::string &key = next(inputs().matchKeys, i);
        const std::string_view jis = std::string_view(key).substr(0, 5);
        const uint32_t number = uint32_t(std::stoul(key.substr(5)));
        uint32_t found = kv::kNone, position = 0, previous = kv::kNone;
        for (uint32_t t = 0; t < uint32_t(-1) && found == kv::kNone; ++t) {
            const kv::TGeoTown town = dic.town(t);
            if (town.index == kv::kNone)
                break;
            position = town.municipality == previous ? position + 1 : 1;
            previous = town.municipality;
            if (position == number && dic.municipality(town.municipality).jis == jis)
                found = t;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(PostLibrary);
BENCHMARK(PostScan);
BENCHMARK(AddrLibrary);
BENCHMARK(AddrScan);
BENCHMARK(KanaLibrary);
BENCHMARK(KanaScan);
BENCHMARK(MatchLibrary);
BENCHMARK(MatchScan);

BENCHMARK_MAIN();
