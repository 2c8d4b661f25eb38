#include "drawing/Graphic.h"

#include <QIODevice>
#include <QtEndian>

#include <bit>
#include <cstring>

EInvalidGraphic::EInvalidGraphic(const char *reason)
    : EStreamError(PictureUnreadableMessage), reason_(reason)
{
}

bool RasterFits(qint64 width, qint64 height, int bytesPerPixel)
{
    // Each side alone first, so the product cannot leave 64 bits.
    return width > 0 && height > 0 && width <= MaxBitmapBytes && height <= MaxBitmapBytes
           && width * height <= MaxBitmapBytes / bytesPerPixel;
}

QImage ToBitmap24(const QImage &image)
{
    return image.format() == Bitmap24Format ? image : image.convertToFormat(Bitmap24Format);
}

namespace {

constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_BITFIELDS = 3;
constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;

qint64 bytesLeft(const QIODevice &device)
{
    return device.isSequential() ? device.bytesAvailable() : device.size() - device.pos();
}

void readExactly(QIODevice &device, void *data, qint64 size)
{
    if (size > 0 && device.read(static_cast<char *>(data), size) != size)
        throw EInvalidGraphic("the bitmap ends early");
}

QByteArray readExactly(QIODevice &device, qint64 size)
{
    if (size > bytesLeft(device))
        throw EInvalidGraphic("the bitmap ends early");
    QByteArray bytes(size, Qt::Uninitialized);
    readExactly(device, bytes.data(), size);
    return bytes;
}

template <class T> T at(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// One colour channel of a bit-field pixel, spread over 0..255.
struct TChannel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    explicit TChannel(quint32 m) : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::popcount(m)) {}
    int operator()(quint32 pixel) const
    {
        const quint32 v = (pixel & mask) >> shift;
        if (bits == 0)
            return 0;
        if (bits >= 8)
            return int(v >> (bits - 8));
        return int(v * 255 / ((1u << bits) - 1));
    }
};

}  // namespace

QImage ReadBitmapImage(QIODevice &device)
{
    const QByteArray fileHeader = readExactly(device, FileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw EInvalidGraphic("not a bitmap file");
    const quint32 bitsOffset = at<quint32>(fileHeader, 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(readExactly(device, 4).constData());
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        throw EInvalidGraphic("unknown bitmap header");
    // The header with its size field in front, so offsets read as the format gives them.
    const QByteArray header = QByteArray(4, '\0') + readExactly(device, headerSize - 4);
    qint64 consumed = FileHeaderSize + headerSize;

    qint64 width, height;
    int bitCount;
    quint32 compression = BI_RGB, coloursUsed = 0;
    qint32 pixelsPerMetreX = 0, pixelsPerMetreY = 0;
    if (core) {
        width = at<quint16>(header, 4);
        height = at<quint16>(header, 6);
        bitCount = at<quint16>(header, 10);
    } else {
        width = at<qint32>(header, 4);
        height = at<qint32>(header, 8);
        bitCount = at<quint16>(header, 14);
        compression = at<quint32>(header, 16);
        pixelsPerMetreX = at<qint32>(header, 24);
        pixelsPerMetreY = at<qint32>(header, 28);
        coloursUsed = at<quint32>(header, 32);
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height == 0)
        throw EInvalidGraphic("the bitmap is empty");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        throw EInvalidGraphic("unknown pixel format");
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
        throw EInvalidGraphic("compressed bitmaps are not read");
    // Every picture is held at 24 bits in the end, whatever the file's depth: a small 1-bit file can stand
    // for gigabytes.
    if (!RasterFits(width, height, 3))
        throw EInvalidGraphic("the bitmap is too large");

    quint32 masks[4] = {0, 0, 0, 0};
    if (bitCount == 16)
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    else if (bitCount == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (compression == BI_BITFIELDS) {
        QByteArray fields = header;
        if (headerSize == InfoHeaderSize) {
            fields += readExactly(device, 12);
            consumed += 12;
        }
        for (int i = 0; i < 3; ++i)
            masks[i] = at<quint32>(fields, 40 + 4 * i);
    }

    // Palette: every index a pixel can hold resolves to a colour, so a file with a short palette draws
    // black instead of reading past the table.
    QList<QRgb> palette;
    const int entrySize = core ? 3 : 4;
    const quint32 maxColours = bitCount <= 8 ? 1u << bitCount : 0;
    const quint32 paletteEntries = bitCount <= 8 ? (coloursUsed ? coloursUsed : maxColours) : coloursUsed;
    if (bitCount <= 8 && paletteEntries > maxColours)
        throw EInvalidGraphic("the palette is larger than the pixels can use");
    const QByteArray table = readExactly(device, qint64(paletteEntries) * entrySize);
    consumed += table.size();
    if (bitCount <= 8) {
        palette.fill(qRgb(0, 0, 0), maxColours);
        for (quint32 i = 0; i < paletteEntries; ++i) {
            const uchar *e = reinterpret_cast<const uchar *>(table.constData()) + i * entrySize;
            palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }
    if (bitsOffset > consumed)
        readExactly(device, bitsOffset - consumed);

    const qint64 stride = (width * bitCount + 31) / 32 * 4;
    if (stride > bytesLeft(device) / height)
        throw EInvalidGraphic("the bitmap ends early");

    QImage::Format format = bitCount == 1   ? QImage::Format_Mono
                            : bitCount <= 8 ? QImage::Format_Indexed8
                            : bitCount == 24 ? Bitmap24Format
                                             : QImage::Format_RGB32;
    QImage image(int(width), int(height), format);
    if (image.isNull())
        throw EInvalidGraphic("the bitmap is too large");
    if (bitCount <= 8)
        image.setColorTable(palette);
    if (pixelsPerMetreX > 0 && pixelsPerMetreY > 0) {
        image.setDotsPerMeterX(pixelsPerMetreX);
        image.setDotsPerMeterY(pixelsPerMetreY);
    }

    const TChannel red(masks[0]), green(masks[1]), blue(masks[2]);
    QByteArray rowBytes(stride, Qt::Uninitialized);
    const uchar *row = reinterpret_cast<const uchar *>(rowBytes.constData());
    for (qint64 fileRow = 0; fileRow < height; ++fileRow) {
        readExactly(device, rowBytes.data(), stride);
        uchar *out = image.scanLine(int(topDown ? fileRow : height - 1 - fileRow));
        switch (bitCount) {
        case 1:
            std::memcpy(out, row, std::min<qint64>(stride, image.bytesPerLine()));
            break;
        case 4:
            for (qint64 x = 0; x < width; ++x)
                out[x] = x & 1 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
            break;
        case 8:
            std::memcpy(out, row, width);
            break;
        case 24:
            for (qint64 x = 0; x < width; ++x) {
                out[3 * x] = row[3 * x + 2];
                out[3 * x + 1] = row[3 * x + 1];
                out[3 * x + 2] = row[3 * x];
            }
            break;
        default: {
            QRgb *pixels = reinterpret_cast<QRgb *>(out);
            for (qint64 x = 0; x < width; ++x) {
                const quint32 v = bitCount == 16 ? qFromLittleEndian<quint16>(row + 2 * x)
                                                 : qFromLittleEndian<quint32>(row + 4 * x);
                pixels[x] = qRgb(red(v), green(v), blue(v));
            }
        }
        }
    }
    return image;
}

namespace {

void writeBytes(QIODevice &device, const void *data, qint64 size)
{
    if (size > 0 && device.write(static_cast<const char *>(data), size) != size)
        throw EStreamError("The bitmap could not be written.");
}

template <class T> void put(QByteArray &bytes, int offset, T value)
{
    qToLittleEndian<T>(value, bytes.data() + offset);
}

}  // namespace

void WriteBitmapImage(QIODevice &device, const QImage &image)
{
    QImage source;
    int bitCount;
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_Indexed8:
        source = image;
        bitCount = image.depth();
        break;
    case QImage::Format_MonoLSB:
        source = image.convertToFormat(QImage::Format_Mono);
        bitCount = 1;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        source = image;
        bitCount = 32;
        break;
    default:
        source = ToBitmap24(image);
        bitCount = 24;
    }
    QList<QRgb> palette = source.colorTable();
    if (bitCount <= 8 && palette.isEmpty())
        palette.append(qRgb(0, 0, 0));
    const qint64 width = source.width(), height = source.height();
    const qint64 stride = (width * bitCount + 31) / 32 * 4;
    const qint64 bitsOffset = FileHeaderSize + InfoHeaderSize + palette.size() * 4;

    QByteArray header(bitsOffset, '\0');
    header[0] = 'B';
    header[1] = 'M';
    put<quint32>(header, 2, quint32(bitsOffset + stride * height));
    put<quint32>(header, 10, quint32(bitsOffset));
    put<quint32>(header, 14, InfoHeaderSize);
    put<qint32>(header, 18, qint32(width));
    put<qint32>(header, 22, qint32(height));
    put<quint16>(header, 26, 1);
    put<quint16>(header, 28, quint16(bitCount));
    put<quint32>(header, 34, quint32(stride * height));
    put<qint32>(header, 38, source.dotsPerMeterX());
    put<qint32>(header, 42, source.dotsPerMeterY());
    put<quint32>(header, 46, bitCount <= 8 ? quint32(palette.size()) : 0);
    for (qsizetype i = 0; i < palette.size(); ++i)
        put<quint32>(header, int(FileHeaderSize + InfoHeaderSize + 4 * i), palette[i] & 0xFFFFFF);
    writeBytes(device, header.constData(), header.size());

    QByteArray rowBytes(stride, '\0');
    uchar *row = reinterpret_cast<uchar *>(rowBytes.data());
    for (qint64 y = height - 1; y >= 0; --y) {
        const uchar *in = source.constScanLine(int(y));
        if (bitCount == 24) {
            for (qint64 x = 0; x < width; ++x) {
                row[3 * x] = in[3 * x + 2];
                row[3 * x + 1] = in[3 * x + 1];
                row[3 * x + 2] = in[3 * x];
            }
        } else if (bitCount == 32) {
            const QRgb *pixels = reinterpret_cast<const QRgb *>(in);
            for (qint64 x = 0; x < width; ++x)
                qToLittleEndian<quint32>(source.format() == QImage::Format_RGB32 ? pixels[x] & 0xFFFFFF : pixels[x],
                                         row + 4 * x);
        } else {
            std::memcpy(row, in, std::min<qint64>(stride, source.bytesPerLine()));
        }
        writeBytes(device, row, stride);
    }
}
