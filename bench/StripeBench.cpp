// Customer barcodes of Kvstripe.so for 10,000 addresses of real towns (Dic/Geo.dic) written the ways the
// designers pass them, each into a BMP file as the address designer asks for them, beside libzint making the
// same barcodes from the data strings Kvstripe.so extracted (encoding and its own BMP file), in the same run.
// Usage: bench_stripe [count]
#include "BarcodeAddresses.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <zint.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const size_t count = argc > 1 ? size_t(std::atol(argv[1])) : 10000;
    Sample s;
    TStripeLibrary stripe;
    if (!loadStripeLibrary(stripe, count, s))
        return 1;
    const auto createAdrsBar = stripe.createAdrsBar;
    const QByteArray &dicFolder = stripe.dicFolder;
    const std::vector<TAddress> &addresses = stripe.addresses;

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
