// What the fuzz targets feed their input through, one function per reader: each answers whether the input
// was accepted, and draws, prints and saves what it accepted, so the bounds on work and memory are exercised
// too. Refusals (EStreamError and its picture error) are the expected answer to a damaged input; anything
// else (a crash, a sanitizer report, a hang, gigabytes) is a finding. The tests feed the seed corpus through
// the same functions, so every seed is known to be accepted.
#pragma once

#include "FuzzInput.h"

#include "../tests/drawing/SampleObjects.h"
#include "drawing/BackImage.h"
#include "drawing/DesignGlobals.h"
#include "drawing/Graphic.h"
#include "drawing/JpegImage.h"
#include "drawing/JpegOrientation.h"
#include "drawing/PrinterInfo.h"
#include "platform/MemIniFile.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// The stream versions the documents carry; the second byte of an object or background input picks one.
inline constexpr std::array<int, 12> StreamVersions{150, 199, 200, 201, 299, 300, 301, 400, 500, 501, 599, 600};

// Loads stream at the version the byte picks; restores the current version afterwards.
template <class Load> bool loadAt(uint8_t versionByte, const QByteArray &stream, Load load)
{
    StreamVersion = StreamVersions[versionByte % StreamVersions.size()];
    QBuffer buffer;
    buffer.setData(stream);
    buffer.open(QIODevice::ReadOnly);
    TObjectStream objects(buffer);
    bool loaded = true;
    try {
        load(objects);
    } catch (const EStreamError &) {
        loaded = false;
    }
    StreamVersion = CurrentStreamVersion;
    return loaded;
}

// Byte 0 picks the kind of object (SampleObjects' order), byte 1 the stream version; the rest is its stream.
inline bool ObjectStream(const uint8_t *data, size_t size)
{
    static const std::vector<TSampleObject> kinds = SampleObjects();
    if (size < 2)
        return false;
    std::unique_ptr<TDrawRect> object = kinds[data[0] % kinds.size()].Make();
    if (!loadAt(data[1], bytesOf(data + 2, size - 2), [&](TObjectStream &s) { object->LoadFromStream(s); }))
        return false;
    PaperScale = 1480;
    QImage page(64, 64, QImage::Format_RGB32);
    {
        QPainter painter(&page);
        TCanvas screen(painter, 96, 96);
        object->SetZoom(1.0);
        object->Draw(screen, 0, 0);
        if (auto *text = dynamic_cast<TMetaRect *>(object.get()))
            text->UpdateFontHeight();
        TCanvas printer(painter, 600, 600);
        object->CalcPrintRect(printer.Target(), QPoint(0, 0), true);
        object->Prepare(printer.Target(), true);
        object->Print(printer, 0, 0);
    }
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    TObjectStream out(saved);
    object->SaveToStream(out);
    return true;
}

// Byte 0 picks the reader: a bitmap file image, a JPEG file and its EXIF orientation (byte 1 the pixels it must
// cover, in sixteens), or a letter background's stream (byte 1 its version); the rest is the input.
inline bool Pictures(const uint8_t *data, size_t size)
{
    if (size < 2)
        return false;
    const QByteArray input = bytesOf(data + 2, size - 2);
    try {
        switch (data[0] % 3) {
        case 0: {
            QBuffer buffer;
            buffer.setData(input);
            buffer.open(QIODevice::ReadOnly);
            return !ToBitmap24(ReadBitmapImage(buffer)).isNull();
        }
        case 1: {
            // Byte 1 asks for the pixels the picture must cover (0 at full size): the scaled decodings too. The
            // EXIF orientation is read from the same header and turns what was decoded.
            const int orientation = JpegOrientation(input);
            TJpegImage jpeg;
            jpeg.LoadFromData(input, std::numeric_limits<int>::max(), data[1] * 16);
            return !jpeg.Empty() && !ExifUpright(jpeg.Bitmap(), orientation).isNull();
        }
        default: break;
        }
    } catch (const EStreamError &) {
        return false;
    }
    TBackImage background;
    if (!loadAt(data[1], input, [&](TObjectStream &s) { background.LoadFromStream(s); }))
        return false;
    // A postcard, shown at half size and printed at 600 dpi onto a corner of the page.
    background.SetExtent(QPoint(1000, 1480));
    background.SetRect({0, 0, 378, 559});
    background.SetZoom(0.5);
    QImage page(64, 64, QImage::Format_RGB32);
    QPainter painter(&page);
    TCanvas screen(painter, 96, 96);
    background.Draw(screen, 0, 0);
    TCanvas printer(painter, 600, 600);
    background.Print(printer.Target(), QPoint(0, 0), true, 0, QSize(2362, 3496));
    background.PaintTo(printer, 0, 0);
    return true;
}

// A ".pi" printer record.
inline bool PrinterRecord(const uint8_t *data, size_t size)
{
    TPrinterSetting setting;
    if (DecodePrinterSetting(bytesOf(data, size), setting) != TPrinterFileState::Loaded)
        return false;
    const TPrinterMetrics metrics = MetricsOf(setting);
    return metrics.PageWidth > 0 && !EncodePrinterSetting(setting).isEmpty();
}

// An INI file's content, every value read in every way.
inline bool IniFile(const uint8_t *data, size_t size)
{
    TMemIniFile ini(QString{});
    ini.SetText(bytesOf(data, size));
    for (const QString &section : ini.ReadSections()) {
        for (const QString &key : ini.ReadSection(section)) {
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
            ini.ReadCount(section, key);
            ini.ReadString(section, key, QString());
        }
    }
    // Written back: a value Shift-JIS cannot hold (a byte the reader took as no character) is refused, as
    // when the file is saved.
    try {
        return !ini.GetText().isNull();
    } catch (const EIniFileError &) {
        return false;
    }
}

}  // namespace fuzz
