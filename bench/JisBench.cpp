// Free-form address look-ups of Kvjis.so over the shipped Dic/Geo.dic and Dic/Jis.dic, beside a plain scan of
// the same Geo.dic in the same run: every municipality's names, then every town record, for the longest names
// the address begins with. The addresses are real towns of the dictionary, a spread sample of all of them.
// Usage: bench_jis [addresses]
#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
#include "common/GeoDic.h"
#include "Kvjis/Kvjis.h"

#include "BenchSupport.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What both answer, compared after the timed loops: the municipality and the town's postal code.
using TAnswer = std::string;

// The plain scan: the address must be in the dictionary's spelling, since it compares bytes.
TAnswer scanLookUp(const kv::TGeoDic &geo, std::string_view address)
{
    uint32_t prefecture = 0;
    for (uint32_t n = 1; n <= 47 && prefecture == 0; ++n)
        if (const auto p = geo.prefecture(n); p && address.starts_with(p->name)) {
            prefecture = n;
            address.remove_prefix(p->name.size());
        }
    uint32_t city = kv::kNone;
    size_t cityLength = 0;
    for (uint32_t m = 0; m < geo.municipalityCount(); ++m) {
        const kv::TGeoMunicipality c = geo.municipality(m);
        if (prefecture != 0 && c.prefecture != prefecture)
            continue;
        for (std::string_view name : {c.name, c.shortName})
            if (name.size() > cityLength && address.starts_with(name))
                city = m, cityLength = name.size();
    }
    if (city == kv::kNone)
        return {};
    address.remove_prefix(cityLength);
    const kv::TGeoMunicipality c = geo.municipality(city);
    uint32_t town = kv::kNone;
    size_t townLength = 0;
    const kv::TGeoMunicipality last = geo.municipality(geo.municipalityCount() - 1);
    for (uint32_t t = 0; t < last.towns.first + last.towns.count; ++t) {
        const kv::TGeoTown candidate = geo.town(t);
        if (candidate.municipality == city && candidate.name.size() > townLength
            && address.starts_with(candidate.name))
            town = t, townLength = candidate.name.size();
    }
    return std::string(c.jis) + " " + (town == kv::kNone ? "" : kv::PostalDigits(geo.town(town).postalCode));
}

TAnswer libraryLookUp(TKVJisAdrs jisAdrs, const QByteArray &folder, const QByteArray &address,
                      std::vector<double> &times)
{
    TJisAdrsRecord r;
    QElapsedTimer one;
    one.start();
    const int code = jisAdrs(address.constData(), &r, folder.constData());
    times.push_back(seconds(one));
    if (code != KVJIS_MATCHED && code != KVJIS_PARTIAL)
        return {};
    return std::string(r.JisCode, 5) + " "
           + (code == KVJIS_MATCHED ? std::string(r.PostalCode, 7) : std::string());
}

QByteArray bytes(std::string_view text) { return QByteArray(text.data(), qsizetype(text.size())); }

// Full-width digits and letters as ASCII: how most people type the numbers of an address.
QString halfWidth(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(c.unicode() - 0xFEE0);
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    const int wanted = argc > 1 ? std::atoi(argv[1]) : 5000;
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    TRuntimeLibrary dll;
    if (!dll.Load(appDir, QStringLiteral("Kvjis.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(dll.ErrorString()));
        return 1;
    }
    const auto jisAdrs = reinterpret_cast<TKVJisAdrs>(dll.GetProcAddress("KVJisAdrs"));
    const QByteArray folder = QFile::encodeName(appDir + QStringLiteral("Dic/"));
    const kv::TGeoDic geo(folder.constData());
    if (!jisAdrs || !geo.valid() || wanted <= 0) {
        std::fprintf(stderr, "Kvjis.so or Dic/Geo.dic is not usable\n");
        return 1;
    }

    // A spread sample of the named towns: once as the dictionary spells them with the prefecture, once as
    // people write them (no prefecture, no county, half-width numbers, the house number in words).
    const kv::TGeoMunicipality last = geo.municipality(geo.municipalityCount() - 1);
    const uint32_t towns = last.towns.first + last.towns.count;
    const uint32_t step = std::max<uint32_t>(1, towns / uint32_t(wanted));
    std::vector<QByteArray> spelt, written;
    for (uint32_t t = 0; t < towns && spelt.size() < size_t(wanted); t += step) {
        const kv::TGeoTown town = geo.town(t);
        const kv::TGeoMunicipality city = geo.municipality(town.municipality);
        if (town.name.empty())
            continue;
        spelt.push_back(bytes(geo.prefecture(city.prefecture)->name) + bytes(city.name) + bytes(town.name) + "1-2-3");
        written.push_back(Sjis::encode(halfWidth(Sjis::decode(bytes(city.shortName) + bytes(town.name)))
                                       + QStringLiteral("３番地の４")));
    }

    printHeader("Kvjis", "plain scan");
    std::vector<double> times;
    std::vector<TAnswer> ours(spelt.size()), scanned(spelt.size()), asWritten(spelt.size());
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < spelt.size(); ++i)
        ours[i] = libraryLookUp(jisAdrs, folder, spelt[i], times);
    const double oursTime = seconds(timer);
    timer.restart();
    for (size_t i = 0; i < spelt.size(); ++i)
        scanned[i] = scanLookUp(geo, std::string_view(spelt[i].constData(), size_t(spelt[i].size())));
    const double scanTime = seconds(timer);
    timer.restart();
    for (size_t i = 0; i < written.size(); ++i)
        asWritten[i] = libraryLookUp(jisAdrs, folder, written[i], times);
    const double writtenTime = seconds(timer);

    const int count = int(spelt.size());
    print({"sample towns, dictionary spelling", oursTime, scanTime, count});
    int differ = 0, differWritten = 0;
    for (size_t i = 0; i < spelt.size(); ++i) {
        differ += ours[i] != scanned[i];
        differWritten += asWritten[i] != scanned[i];
    }
    // Single look-ups of both kinds: the slowest are the scheduler's on a shared machine, the 99th percentile
    // is what a caller meets.
    std::sort(times.begin(), times.end());
    std::printf("|   Kvjis %.0f look-ups per second (%.1f µs on average), as written %.0f per second; plain scan %.0f "
                "per second\n",
                count / oursTime, oursTime / count * 1e6, count / writtenTime, count / scanTime);
    std::printf("|   single look-ups: median %.1f µs, 99th percentile %.1f µs, slowest %.1f µs\n",
                times[times.size() / 2] * 1e6, times[times.size() * 99 / 100] * 1e6, times.back() * 1e6);
    std::printf("|   answers differing from the scan: %d of %d in the dictionary's spelling, %d as written\n", differ,
                count, differWritten);
    return 0;
}
