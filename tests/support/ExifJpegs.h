// JPEG files as cameras and phones write them: pictures stored as the sensor saw them, with an EXIF block that
// says how to turn them upright, and pictures whose corners are marked so a test sees which way they show.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <cstdlib>

namespace test {

// The marks of CornerMarkedPicture: its top-left corner red, its top-right one blue, the rest pale grey.
inline const QColor TopLeftMark(220, 20, 20);
inline const QColor TopRightMark(20, 40, 220);

// An upright picture of size with the top-left and top-right marks, a sixth of its width each.
inline QImage CornerMarkedPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(200, 200, 200));
    const int side = size.width() / 6;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            picture.setPixelColor(x, y, TopLeftMark);
            picture.setPixelColor(size.width() - 1 - x, y, TopRightMark);
        }
    return picture;
}

// The pixels a camera stores for the upright picture when it writes EXIF orientation 1 to 8: row 0 of the
// stored picture is the upright one's top (1 to 4) or its left or right column (5 to 8), as the standard
// lists them.
inline QImage StoredForOrientation(const QImage &upright, int orientation)
{
    const int w = upright.width(), h = upright.height();
    const bool across = orientation >= 5;
    QImage stored(across ? h : w, across ? w : h, upright.format());
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x) {
            QPoint from;
            switch (orientation) {
            case 2: from = {w - 1 - x, y}; break;
            case 3: from = {w - 1 - x, h - 1 - y}; break;
            case 4: from = {x, h - 1 - y}; break;
            case 5: from = {y, x}; break;
            case 6: from = {w - 1 - y, x}; break;
            case 7: from = {w - 1 - y, h - 1 - x}; break;
            case 8: from = {y, h - 1 - x}; break;
            default: from = {x, y}; break;
            }
            stored.setPixel(x, y, upright.pixel(from));
        }
    return stored;
}

inline QByteArray EncodedJpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes;
}

// jpeg with an APP1 EXIF block: the camera's make, then the orientation, in the first image's directory, in
// Motorola (big-endian) or Intel byte order; right after the start of the file, as cameras put it, or after
// the JFIF segment, as editors that add one leave it.
inline QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation, bool intel = false,
                                      bool afterJfif = false)
{
    QByteArray tiff(intel ? "II" : "MM");
    const auto u16 = [&](quint16 v) {
        char b[2];
        intel ? qToLittleEndian(v, b) : qToBigEndian(v, b);
        tiff.append(b, 2);
    };
    const auto u32 = [&](quint32 v) {
        char b[4];
        intel ? qToLittleEndian(v, b) : qToBigEndian(v, b);
        tiff.append(b, 4);
    };
    u16(42);
    u32(8);
    u16(2);
    // Make: ASCII, 8 bytes, past the directory (8 + 2 + 2 * 12 + 4 = 38).
    u16(0x010F), u16(2), u32(8), u32(38);
    // Orientation: SHORT, one, left in its value's four bytes.
    u16(0x0112), u16(3), u32(1), u16(quint16(orientation)), u16(0);
    u32(0);
    tiff.append("Velmora", 8);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    char length[2];
    qToBigEndian(quint16(payload.size() + 2), length);
    segment.append(length, 2).append(payload);
    qsizetype at = 2;
    if (afterJfif && jpeg.mid(2, 2) == QByteArray("\xFF\xE0", 2))
        at = 4 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    return jpeg.left(at) + segment + jpeg.mid(at);
}

// Whether colour is within tolerance of expected in each channel.
inline bool NearColour(QColor colour, QColor expected, int tolerance = 24)
{
    return std::abs(colour.red() - expected.red()) <= tolerance && std::abs(colour.green() - expected.green()) <= tolerance
           && std::abs(colour.blue() - expected.blue()) <= tolerance;
}

}  // namespace test
