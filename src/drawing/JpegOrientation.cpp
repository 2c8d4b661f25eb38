#include "drawing/JpegOrientation.h"

#include "drawing/BitmapTransform.h"

#include <QFile>

#include <cstdint>

namespace {

// An EXIF block sits in an APP1 segment of at most 64 KiB, after at most a few small ones.
constexpr qint64 FileHeadBytes = qint64(1) << 17;
constexpr uint16_t OrientationTag = 0x0112;
constexpr uint16_t ShortType = 3;

class TExifReader {
public:
    TExifReader(const char *data, qint64 size, bool bigEndian) : data_(data), size_(size), big_(bigEndian) {}
    bool Has(qint64 at, qint64 bytes) const { return at >= 0 && bytes >= 0 && at <= size_ - bytes; }
    uint16_t U16(qint64 at) const
    {
        const auto b = [&](qint64 i) { return uint16_t(uint8_t(data_[at + i])); };
        return big_ ? uint16_t(b(0) << 8 | b(1)) : uint16_t(b(1) << 8 | b(0));
    }
    uint32_t U32(qint64 at) const
    {
        return big_ ? uint32_t(U16(at)) << 16 | U16(at + 2) : uint32_t(U16(at + 2)) << 16 | U16(at);
    }

private:
    const char *data_;
    qint64 size_;
    bool big_;
};

// The orientation in the TIFF structure of an EXIF block (after its "Exif\0\0"): the tag of the first
// image's directory, 0 when there is none.
int tiffOrientation(const char *tiff, qint64 size)
{
    if (size < 8)
        return 0;
    const QByteArray order(tiff, 2);
    if (order != "II" && order != "MM")
        return 0;
    const TExifReader read(tiff, size, order == "MM");
    if (read.U16(2) != 42)
        return 0;
    const qint64 directory = read.U32(4);
    if (!read.Has(directory, 2))
        return 0;
    const int entries = read.U16(directory);
    for (int i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + qint64(i) * 12;
        if (!read.Has(entry, 12))
            return 0;
        if (read.U16(entry) == OrientationTag)
            return read.U16(entry + 2) == ShortType && read.U32(entry + 4) >= 1 ? read.U16(entry + 8) : 0;
    }
    return 0;
}

}  // namespace

int JpegOrientation(const QByteArray &data)
{
    const auto byte = [&](qint64 at) { return uint8_t(data[at]); };
    if (data.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return 1;
    qint64 at = 2;
    while (at + 4 <= data.size()) {
        if (byte(at) != 0xFF)
            return 1;
        const uint8_t marker = byte(at + 1);
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return 1;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const qint64 length = qint64(byte(at + 2)) << 8 | byte(at + 3);
        if (length < 2 || at + 2 + length > data.size())
            return 1;
        static const QByteArray exif("Exif\0\0", 6);
        if (marker == 0xE1 && length >= 2 + 6 && data.mid(at + 4, 6) == exif) {
            const int orientation = tiffOrientation(data.constData() + at + 10, length - 2 - 6);
            if (orientation >= 1 && orientation <= 8)
                return orientation;
        }
        at += 2 + length;
    }
    return 1;
}

int JpegFileOrientation(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? JpegOrientation(file.read(FileHeadBytes)) : 1;
}

TExifTurn ExifTurn(int orientation)
{
    // 2 and 4 mirror the stored pixels, 5 and 7 mirror them across a diagonal: a mirror left to right
    // followed by the turn that completes each.
    switch (orientation) {
    case 2: return {true, 0};
    case 3: return {false, 2};
    case 4: return {true, 2};
    case 5: return {true, 3};
    case 6: return {false, 1};
    case 7: return {true, 1};
    case 8: return {false, 3};
    default: return {};
    }
}

QSize ExifUprightSize(QSize size, int orientation)
{
    return ExifTurn(orientation).Quarters % 2 ? size.transposed() : size;
}

QImage ExifUpright(const QImage &image, int orientation)
{
    const TExifTurn turn = ExifTurn(orientation);
    QImage upright = image;
    const auto take = [&upright](const QImage &changed) {
        if (!changed.isNull())
            upright = changed;
    };
    if (turn.Mirrored)
        take(MirrorBitmap(upright, true));
    if (turn.TurnMode() >= 0)
        take(RotateBitmap(upright, turn.TurnMode()));
    return upright;
}
