// The telephone look-ups of Kvphone.so over the shipped Dic/Phone.dic and Dic/Geo.dic, as the dictionary window
// makes them (the area, its municipalities, the town pages of one), beside a plain scan of the same files held
// in memory doing the same steps, in the same run.
// Usage: bench_phone
#include "base/RuntimeLibrary.h"
#include "common/GeoDic.h"
#include "Kvphone/Kvphone.h"

#include "BenchSupport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

uint32_t le32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return u[0] | u[1] << 8 | u[2] << 16 | uint32_t(u[3]) << 24;
}
uint16_t le16(const char *p) { return uint16_t(uchar(p[0]) | uchar(p[1]) << 8); }

// Phone.dic as read once and Geo.dic mapped once; every look-up walks all their records (Phone.dic's layout in
// data/phone, Geo.dic's through kv/common, the library's own reader of it).
struct TScan {
    QByteArray phone;
    const kv::TGeoDic &geo;

    // The record of the longest prefix, or null when none fits or a longer one leads elsewhere.
    const char *area(const std::string &digits) const
    {
        const uint32_t prefixes = le32(phone.constData() + 16);
        const char *best = nullptr;
        size_t bestLength = 0;
        for (uint32_t i = 0; i < prefixes; ++i) {
            const char *r = phone.constData() + 32 + 16 * i;
            const std::string_view p(r, uchar(r[9]));
            if (digits.compare(0, p.size(), p) == 0 && p.size() > bestLength)
                best = r, bestLength = p.size();
        }
        for (uint32_t i = 0; best && i < prefixes; ++i) {
            const char *r = phone.constData() + 32 + 16 * i;
            const std::string_view p(r, uchar(r[9]));
            if (p.size() > digits.size() && p.substr(0, digits.size()) == digits && r[10] != 0
                && std::memcmp(r + 12, best + 12, 4) != 0)
                return nullptr;
        }
        return best && best[10] != 0 && digits.size() <= 10 ? best : nullptr;
    }

    int cities(const std::string &digits, TPhoneCityEntry *buf) const
    {
        const char *r = area(digits);
        if (!r)
            return 0;
        const char *entries = phone.constData() + 32 + 16 * le32(phone.constData() + 16);
        const char *items = entries + 52 * le32(phone.constData() + 20);
        const char *members = items + (le32(phone.constData() + 24) * 2 + 3) / 4 * 4;
        const int n = le16(r + 14);
        std::memset(buf, 0, sizeof(TPhoneCityEntry) * KVPHONE_MAX_CITIES);
        for (int i = 0; i < n; ++i) {
            const char *e = entries + 52 * le16(items + 2 * (le16(r + 12) + i));
            std::memcpy(buf[i].JisCode, e, 46);
            for (int k = 0; k < le16(e + 48); ++k) {
                const std::string_view jis(members + 24 * (le16(e + 46) + k), 5);
                for (uint32_t j = 0; j < geo.municipalityCount(); ++j)
                    if (const kv::TGeoMunicipality m = geo.municipality(j); m.jis == jis)
                        buf[i].TownCount += m.towns.count;
            }
        }
        return n;
    }

    // The towns of one municipality (JIS code) with their names and postal codes.
    size_t towns(const char *jis, std::vector<TPhoneTownEntry> &out) const
    {
        uint32_t index = 0;
        while (index < geo.municipalityCount() && geo.municipality(index).jis != std::string_view(jis, 5))
            ++index;
        out.clear();
        const kv::TGeoMunicipality last = geo.municipality(geo.municipalityCount() - 1);
        for (uint32_t i = 0; i < last.towns.first + last.towns.count; ++i) {
            const kv::TGeoTown t = geo.town(i);
            if (t.municipality != index)
                continue;
            TPhoneTownEntry e;
            std::memset(&e, ' ', sizeof e);
            std::memcpy(e.Name, t.name.data(), std::min(t.name.size(), sizeof e.Name));
            std::snprintf(e.PostalCode, sizeof e.PostalCode, "%07u", t.postalCode);
            out.push_back(e);
        }
        return out.size();
    }
};

struct TLibrary {
    TKVPhonePrefix prefix = nullptr;
    TKVPhoneCity2 city2 = nullptr;
    TKVPhoneTown2First first = nullptr;
    TKVPhoneTown2Next next = nullptr;
    TKVPhoneTown2Close close = nullptr;
    QByteArray folder;

    int cities(const std::string &digits, TPhoneCityEntry *buf) const
    {
        char text[KVPHONE_PREFIX_SIZE];
        int16_t n = 0;
        if (prefix(digits.c_str(), text, &n, folder.constData()) != 0)
            return 0;
        return city2(digits.c_str(), buf, folder.constData()) == 0 ? n : 0;
    }

    size_t towns(const std::string &digits, const TPhoneCityEntry &city, std::vector<TPhoneTownEntry> &out) const
    {
        TPhoneTownEntry page[KVPHONE_PAGE];
        int32_t code = 8;
        void *handle = first(digits.c_str(), &city, page, &code, folder.constData());
        out.clear();
        while (handle && (code == 0 || code == 1)) {
            out.insert(out.end(), page, page + std::min<size_t>(KVPHONE_PAGE, city.TownCount - out.size()));
            if (code == 0)
                break;
            code = next(handle, page);
        }
        if (handle)
            close(handle);
        return out.size();
    }
};

// Times one kind of look-up through both; prints the totals and the library's slowest single look-up.
void measure(const char *what, size_t count, const std::function<size_t(size_t)> &ours,
             const std::function<size_t(size_t)> &scan)
{
    double slowest = 0;
    int differ = 0;
    QElapsedTimer total;
    total.start();
    for (size_t i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        ours(i);
        slowest = std::max(slowest, seconds(one));
    }
    const double oursTime = seconds(total);
    total.restart();
    for (size_t i = 0; i < count; ++i)
        scan(i);
    const double scanTime = seconds(total);
    for (size_t i = 0; i < count; ++i)  // answers compared outside the timed loops
        differ += ours(i) != scan(i);
    print({what, oursTime, scanTime, int(count)});
    std::printf("|   %.0f look-ups per second, %.1f µs on average, %.1f µs at most; plain scan %.0f per second%s\n",
                count / oursTime, oursTime / count * 1e6, slowest * 1e6, count / scanTime,
                differ ? " -- ANSWERS DIFFER" : "");
}

}  // namespace

int main()
{
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    TRuntimeLibrary dll;
    if (!dll.Load(appDir, QStringLiteral("Kvphone.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(dll.ErrorString()));
        return 1;
    }
    TLibrary library;
    library.folder = QFile::encodeName(appDir + QStringLiteral("Dic/"));
    library.prefix = reinterpret_cast<TKVPhonePrefix>(dll.GetProcAddress("KVPhonePrefix"));
    library.city2 = reinterpret_cast<TKVPhoneCity2>(dll.GetProcAddress("KVPhoneCity2"));
    library.first = reinterpret_cast<TKVPhoneTown2First>(dll.GetProcAddress("KVPhoneTown2First"));
    library.next = reinterpret_cast<TKVPhoneTown2Next>(dll.GetProcAddress("KVPhoneTown2Next"));
    library.close = reinterpret_cast<TKVPhoneTown2Close>(dll.GetProcAddress("KVPhoneTown2Close"));
    const kv::TGeoDic geo(library.folder.constData());
    QFile file(appDir + QStringLiteral("Dic/Phone.dic"));
    if (!geo.valid() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Phone.dic or Geo.dic of %s cannot be read\n", library.folder.constData());
        return 1;
    }
    const TScan scan{file.readAll(), geo};

    // A full number under every prefix of the table, and numbers of every kind without an area.
    std::vector<std::string> numbers;
    for (uint32_t i = 0; i < le32(scan.phone.constData() + 16); ++i) {
        const char *r = scan.phone.constData() + 32 + 16 * i;
        numbers.push_back((std::string(r, uchar(r[9])) + "5555555555").substr(0, 10));
    }
    for (const char *none : {"09012345678", "08012345678", "07012345678", "05012345678", "0120123456", "0570123456"})
        numbers.push_back(none);
    // The first municipality of every area, for the town pages.
    struct TChoice {
        std::string digits;
        TPhoneCityEntry city;
    };
    std::vector<TChoice> choices;
    TPhoneCityEntry cities[KVPHONE_MAX_CITIES];
    for (const std::string &n : numbers)
        if (library.cities(n, cities) > 0 && QByteArray(cities[0].JisCode, 2) != "13"
            && QByteArray(cities[0].JisCode, 5) != "27100")
            choices.push_back({n, cities[0]});

    TPhoneCityEntry ours[KVPHONE_MAX_CITIES], theirs[KVPHONE_MAX_CITIES];
    std::vector<TPhoneTownEntry> ourTowns, theirTowns;
    printHeader("Kvphone", "plain scan");
    measure("area and municipalities", numbers.size(),
            [&](size_t i) {
                const int n = library.cities(numbers[i], ours);
                return size_t(n) * 1000 + (n ? ours[0].TownCount : 0);
            },
            [&](size_t i) {
                const int n = scan.cities(numbers[i], theirs);
                return size_t(n) * 1000 + (n ? theirs[0].TownCount : 0);
            });
    measure("every town page of one", choices.size(),
            [&](size_t i) { return library.towns(choices[i].digits, choices[i].city, ourTowns); },
            [&](size_t i) { return scan.towns(choices[i].city.JisCode, theirTowns); });
    return 0;
}
