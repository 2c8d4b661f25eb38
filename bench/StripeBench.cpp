// Customer barcodes of Kvstripe.so for 10,000 addresses of real towns (Dic/Geo.dic) written the ways the
// designers pass them, each into a BMP file as the address designer asks for them, beside libzint making the
// same barcodes from the data strings Kvstripe.so extracted (encoding and its own BMP file), in the same run.
// Usage: bench_stripe [count]
#include "Kvstripe/Kvstripe.h"
#include "common/GeoDic.h"
#include "platform/RuntimeLibrary.h"

#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <zint.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TAddress {
    std::string postal;
    std::string address;  // Shift-JIS
};

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

// One address under every so many postal codes of towns, the number written in one of four ways.
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

}  // namespace

int main(int argc, char **argv)
{
    const size_t count = argc > 1 ? size_t(std::atol(argv[1])) : 10000;
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    TRuntimeLibrary dll;
    if (!dll.Load(appDir, QStringLiteral("Kvstripe.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(dll.ErrorString()));
        return 1;
    }
    const auto createAdrsBar = reinterpret_cast<TCreateAdrsBar>(dll.GetProcAddress("CreateAdrsBar"));
    const QByteArray dicFolder = QFile::encodeName(appDir + QStringLiteral("Dic/"));
    const kv::TGeoDic geo(dicFolder.constData());
    if (!createAdrsBar || !geo.valid()) {
        std::fprintf(stderr, "Kvstripe.so or Dic/Geo.dic is missing\n");
        return 1;
    }
    Sample s;
    const std::vector<TAddress> addresses = makeAddresses(geo, count, s);

    printHeader("Kvstripe", "libzint alone");
    // The files on disk, as the designers write them, and in memory (tmpfs), where the making itself shows.
    for (const QString &place : {QString(), QStringLiteral("/dev/shm/bench_stripe-XXXXXX")})
    for (int direction : {0, 1}) {
        const std::unique_ptr<QTemporaryDir> work(place.isEmpty() ? new QTemporaryDir : new QTemporaryDir(place));
        if (!work->isValid())
            continue;
        const QByteArray ourFile = QFile::encodeName(work->filePath(QStringLiteral("Barcode.bmp")));
        const QByteArray zintFile = QFile::encodeName(work->filePath(QStringLiteral("zint.bmp")));
        std::vector<std::string> data;
        size_t failed = 0;
        QElapsedTimer timer;
        timer.start();
        for (const TAddress &a : addresses) {
            char buffer[KVSTRIPE_BUFFER_SIZE] = {};
            if (createAdrsBar(a.postal.c_str(), a.address.c_str(), direction, buffer, "", dicFolder.constData(),
                              ourFile.constData())
                != KVSTRIPE_OK)
                ++failed;
            data.emplace_back(buffer);
        }
        const double ours = seconds(timer);

        size_t refused = 0;
        timer.restart();
        for (const std::string &d : data) {
            zint_symbol *symbol = ZBarcode_Create();
            symbol->symbology = BARCODE_JAPANPOST;
            std::snprintf(symbol->outfile, sizeof symbol->outfile, "%s", zintFile.constData());
            if (ZBarcode_Encode_and_Print(symbol, reinterpret_cast<const unsigned char *>(d.c_str()), int(d.size()),
                                          direction ? 90 : 0)
                >= ZINT_ERROR)
                ++refused;
            ZBarcode_Delete(symbol);
        }
        const double zint = seconds(timer);
        const char *what[2][2] = {{"BMP files on disk, horizontal", "BMP files on disk, vertical"},
                                  {"BMP files in memory, horizontal", "BMP files in memory, vertical"}};
        print({what[place.isEmpty() ? 0 : 1][direction], ours, zint, int(count)});
        if (failed || refused)
            std::printf("(%zu addresses made no barcode, libzint refused %zu data strings)\n", failed, refused);
    }
    return 0;
}
