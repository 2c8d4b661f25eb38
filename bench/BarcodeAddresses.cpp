#include "BarcodeAddresses.h"

#include <QFile>

#include <cstdio>

namespace {

std::string fullWidthNumber(unsigned n)
{
    std::string out;
    for (char c : std::to_string(n)) {
        out += '\x82';
        out += char(0x4F + (c - '0'));
    }
    return out;
}

// Kanji numerals of 1 to 99 as written in addresses ("十二").
std::string kanjiNumber(unsigned n)
{
    static const char *digits[] = {"", "\x88\xEA", "\x93\xF1", "\x8E\x4F", "\x8E\x6C", "\x8C\xDC", "\x98\x5A",
                                   "\x8E\xB5", "\x94\xAA", "\x8B\xE3"};
    const std::string ten = "\x8F\x5C";
    std::string out;
    if (n >= 10)
        out += (n / 10 > 1 ? digits[n / 10] : "") + ten;
    return out + digits[n % 10];
}

}  // namespace

std::vector<TAddress> makeAddresses(const kv::TGeoDic &geo, size_t count, Sample &s)
{
    std::vector<uint32_t> rows;
    for (uint32_t i = 0; i < geo.postalRowCount(); ++i) {
        const kv::TGeoPostalRow r = geo.postalRow(i);
        if (r.town != kv::kNone && r.office == kv::kNone)
            rows.push_back(i);
    }
    const std::string chome = "\x92\x9A\x96\xDA", ban = "\x94\xD4", banchi = "\x94\xD4\x92\x6E", go = "\x8D\x86",
                      dash = "\x81\x7C", blank = "\x81\x40", building = "\x83\x72\x83\x8B",  // ビル
        room = "\x8D\x86\x8E\xBA";                                                       // 号室
    std::vector<TAddress> out;
    for (size_t i = 0; i < count; ++i) {
        const kv::TGeoPostalRow r = geo.postalRow(rows[i * rows.size() / count]);
        const kv::TGeoMunicipality m = geo.municipality(r.municipality);
        std::string a = std::string(geo.prefecture(m.prefecture)->name) + std::string(m.name)
                      + std::string(geo.town(r.town).name);
        const unsigned block = unsigned(s.between(1, 9)), lot = unsigned(s.between(1, 40)),
                       house = unsigned(s.between(1, 30));
        switch (i % 4) {
        case 0:
            a += fullWidthNumber(block) + chome + fullWidthNumber(lot) + ban + fullWidthNumber(house) + go;
            break;
        case 1:
            a += fullWidthNumber(block) + dash + fullWidthNumber(lot) + dash + fullWidthNumber(house) + blank
               + s.kana(4).toStdString() + building + fullWidthNumber(unsigned(s.between(101, 1205))) + room;
            break;
        case 2:
            a += kanjiNumber(block) + chome + kanjiNumber(lot) + banchi + kanjiNumber(house) + go;
            break;
        default:
            a += fullWidthNumber(unsigned(s.between(1, 3000))) + banchi + fullWidthNumber(house);
            break;
        }
        out.push_back({kv::PostalDigits(r.postalCode), a});
    }
    return out;
}


bool loadStripeLibrary(TStripeLibrary &stripe, size_t count, Sample &s)
{
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    if (!stripe.dll.Load(appDir, QStringLiteral("Kvstripe.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(stripe.dll.ErrorString()));
        return false;
    }
    stripe.createAdrsBar = reinterpret_cast<TCreateAdrsBar>(stripe.dll.GetProcAddress("CreateAdrsBar"));
    stripe.dicFolder = QFile::encodeName(appDir + QStringLiteral("Dic/"));
    const kv::TGeoDic geo(stripe.dicFolder.constData());
    if (!stripe.createAdrsBar || !geo.valid()) {
        std::fprintf(stderr, "Kvstripe.so or Dic/Geo.dic is missing\n");
        return false;
    }
    stripe.addresses = makeAddresses(geo, count, s);
    return true;
}
