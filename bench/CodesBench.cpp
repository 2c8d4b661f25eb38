// The customer barcode and QR-code objects making 10,000 codes each, beside the libraries alone in the same
// run: CreateAdrsBar called in a loop on the same addresses and file (the object adds the full-width mapping,
// the cut, reading the BMP file back and removing it), and QRcode_encodeString on the same texts (the object
// adds the text of its kind and the image at the screen's or the printer's resolution).
// Usage: bench_codes [count]
#include "base/SjisCodec.h"
#include "drawing/BarcodeRect.h"
#include "drawing/QRCodeRect.h"

#include "BarcodeAddresses.h"

#include <QElapsedTimer>
#include <QFile>
#include "BenchSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <qrencode.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Phone-book entries as the QR settings dialog fills them: a name, its reading, a telephone, a mail address.
struct TEntry {
    QByteArray name, reading, tel, mail;
};

std::vector<TEntry> makeEntries(size_t count, Sample &s)
{
    static const char16_t *families[] = {u"佐藤", u"鈴木", u"高橋", u"田中", u"伊藤", u"渡辺", u"山本", u"中村"};
    static const char16_t *givens[] = {u"太郎", u"花子", u"一郎", u"恵子", u"健太", u"美咲"};
    std::vector<TEntry> out;
    for (size_t i = 0; i < count; ++i) {
        const QString name =
            QString::fromUtf16(families[s.between(0, 7)]) + u' ' + QString::fromUtf16(givens[s.between(0, 5)]);
        out.push_back({Sjis::encode(name), s.kana(4) + ' ' + s.kana(3), s.digits(11),
                       "user" + QByteArray::number(i) + "@example.jp"});
    }
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    const size_t count = argc > 1 ? size_t(std::atol(argv[1])) : 10000;
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    const QString dicDir = appDir + QStringLiteral("Dic/");
    Sample s;
    TStripeLibrary stripe;
    if (!loadStripeLibrary(stripe, count, s))
        return 1;
    const std::vector<TAddress> &addresses = stripe.addresses;

    printHeader("object", "library alone");
    // The files on disk, as the designers write them, and in memory (tmpfs), where the making itself shows.
    for (const QString &place : {QString(), QStringLiteral("/dev/shm/bench_codes-XXXXXX")}) {
        const std::unique_ptr<QTemporaryDir> work(place.isEmpty() ? new QTemporaryDir : new QTemporaryDir(place));
        if (!work->isValid())
            continue;
        const QString workFolder = work->path() + QLatin1Char('/');
        size_t empty = 0;
        QElapsedTimer timer;
        timer.start();
        {
            TBarcodeRect barcode;
            for (const TAddress &a : addresses) {
                barcode.MakeBarcode(QByteArray::fromStdString(a.postal), QByteArray::fromStdString(a.address), appDir,
                                    dicDir, workFolder);
                empty += barcode.GetImage().isNull();
            }
        }
        const double ours = seconds(timer);
        const QByteArray file = QFile::encodeName(workFolder + QStringLiteral("Barcode.bmp"));
        size_t failed = 0;
        timer.restart();
        for (const TAddress &a : addresses) {
            char buffer[KVSTRIPE_BUFFER_SIZE] = {};
            failed += stripe.createAdrsBar(a.postal.c_str(), a.address.c_str(), 0, buffer, "",
                                           stripe.dicFolder.constData(), file.constData())
                   != KVSTRIPE_OK;
        }
        const double raw = seconds(timer);
        print({place.isEmpty() ? "customer barcodes, files on disk" : "customer barcodes, files in memory", ours, raw,
               int(count)});
        if (empty || failed)
            std::printf("(the object made %zu empty images, the library alone failed %zu times)\n", empty, failed);
    }

    const std::vector<TEntry> entries = makeEntries(count, s);
    std::vector<QByteArray> texts;
    {
        TQRCodeRect code;
        code.SetKind(TQRCodeRect::MeCard);
        for (const TEntry &e : entries) {
            code.SetName(e.name);
            code.SetNameKana(e.reading);
            code.SetTel(0, e.tel);
            code.SetMail(0, e.mail);
            texts.push_back(code.EncodedText());
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &text : texts)
        QRcode_free(QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_KANJI, 1));
    const double raw = seconds(timer);
    for (const int dpi : {0, 600}) {
        TQRCodeRect code;
        code.SetKind(TQRCodeRect::MeCard);
        timer.restart();
        for (const TEntry &e : entries) {
            code.SetName(e.name);
            code.SetNameKana(e.reading);
            code.SetTel(0, e.tel);
            code.SetMail(0, e.mail);
            if (dpi != 0)
                code.CalcPrintRect({true, dpi, dpi}, QPoint(0, 0), true);
            else
                code.Prepare({}, false);
        }
        print({dpi != 0 ? "QR codes (MECARD), printer 600 dpi" : "QR codes (MECARD), screen 96 dpi", seconds(timer),
               raw, int(count)});
    }
    return 0;
}
