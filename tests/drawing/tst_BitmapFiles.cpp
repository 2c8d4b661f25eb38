// Picture files and images: bitmap file images written and read back, the header variants other programs
// write, damaged and cut bitmaps and JPEGs refused, JPEG bytes kept, the resolution a picture file gives, and
// pictures placed on a page and a canvas.
#include "drawing/BitmapHelpers.h"
#include "drawing/JpegImage.h"

#include "HostileJpegs.h"
#include "ObjectTestSupport.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include <jpeglib.h>

namespace {

const char *const DocumentedMessage = "画像が読み込めませんでした  ";

template <class T> void append(QByteArray &bytes, T value)
{
    char field[sizeof(T)];
    qToLittleEndian<T>(value, field);
    bytes.append(field, sizeof(T));
}

// A bitmap file image put together field by field, as other programs write them.
struct THandMadeBitmap {
    int headerSize = 40;
    qint32 width = 0;
    qint32 height = 0;  // negative: top-down
    quint16 bitCount = 24;
    quint32 compression = 0;
    qint32 pixelsPerMetre = 3780;
    quint32 coloursUsed = 0;
    QList<quint32> masks = {};  // after a 40-byte header, or inside a larger one
    QList<QRgb> palette = {};
    int gap = 0;  // bytes between the palette and the pixels
    QList<QByteArray> rows = {};  // in file order, each padded by the caller

    QByteArray bytes() const
    {
        QByteArray info;
        const bool core = headerSize == 12;
        append<quint32>(info, headerSize);
        if (core) {
            append<quint16>(info, quint16(width));
            append<quint16>(info, quint16(height));
            append<quint16>(info, 1);
            append<quint16>(info, bitCount);
        } else {
            append<qint32>(info, width);
            append<qint32>(info, height);
            append<quint16>(info, 1);
            append<quint16>(info, bitCount);
            append<quint32>(info, compression);
            append<quint32>(info, 0);
            append<qint32>(info, pixelsPerMetre);
            append<qint32>(info, pixelsPerMetre);
            append<quint32>(info, coloursUsed);
            append<quint32>(info, 0);
            for (quint32 m : masks)
                append<quint32>(info, m);
            info.append(qMax<qsizetype>(0, headerSize - info.size()), '\0');
        }
        for (QRgb c : palette) {
            info.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (!core)
                info.append('\0');
        }
        info.append(gap, '\x55');
        QByteArray file("BM");
        const QByteArray pixels = rows.join();
        append<quint32>(file, quint32(14 + info.size() + pixels.size()));
        append<quint32>(file, 0);
        append<quint32>(file, quint32(14 + info.size()));
        return file + info + pixels;
    }
};

QImage readBitmap(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadBitmapImage(buffer);
}

QByteArray writtenBitmap(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteBitmapImage(buffer, image);
    return buffer.data();
}

void expectRefused(const QByteArray &bytes, const char *what)
{
    try {
        readBitmap(bytes);
        ADD_FAILURE() << what << ": read";
    } catch (const EInvalidGraphic &e) {
        EXPECT_STREQ(e.what(), DocumentedMessage) << what;
    }
}

QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    return image;
}

// A JPEG whose segments before the image data are exactly segments (each a marker and its body).
QByteArray jpegWithSegments(const QList<QByteArray> &segments)
{
    const QByteArray plain = JpegFileOf(photo(16, 8));
    // Drop the writer's own JFIF segment.
    qsizetype rest = 2;
    if (uchar(plain[3]) == 0xE0)
        rest = 4 + qFromBigEndian<quint16>(plain.constData() + 4);
    return plain.left(2) + segments.join() + plain.mid(rest);
}

QByteArray segment(quint16 marker, const QByteArray &body)
{
    QByteArray s(4, '\0');
    qToBigEndian<quint16>(marker, s.data());
    qToBigEndian<quint16>(quint16(body.size() + 2), s.data() + 2);
    return s + body;
}

QByteArray jfif(int units, int density)
{
    QByteArray body("JFIF\0\x01\x02", 7);
    body.append(char(units));
    body.append(char(density >> 8)).append(char(density & 0xFF));
    body.append(char(density >> 8)).append(char(density & 0xFF));
    body.append(2, '\0');
    return segment(0xFFE0, body);
}

// A four-pixel CMYK JPEG in Adobe's inverted convention, through the library's own encoder.
QByteArray cmykJpeg(const uchar (&inverted)[4][4])
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 4;
    info.image_height = 1;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW row = const_cast<uchar *>(&inverted[0][0]);
    jpeg_write_scanlines(&info, &row, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// A grey JPEG of width x height, written row by row as a scanner writes one, progressive when asked.
QByteArray greyJpeg(int width, int height, bool progressive = false)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width), 0);
    while (info.next_scanline < info.image_height) {
        const JDIMENSION y = info.next_scanline;
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = JSAMPLE((x / 64 + y / 64) % 2 ? 40 : 210);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// The reason a picture is refused for, or "" when it is read.
template <class Read> std::string refusalReason(Read read)
{
    try {
        read();
    } catch (const EInvalidGraphic &e) {
        return e.Reason();
    }
    return "";
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST(BitmapFile, WrittenImagesReadBackWithTheirPixelsAndEndWhereTheyEnd)
{
    QImage mono(13, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(200, 0, 0), qRgb(0, 0, 90)});
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    mono.setPixel(12, 1, 1);
    QImage indexed(7, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(250, 128, 0), qRgb(9, 99, 199)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            indexed.setPixel(x, y, (x + y) % 3);
    QImage rgb32 = photo(5, 3);
    rgb32.setDotsPerMeterX(11811);
    rgb32.setDotsPerMeterY(11811);
    for (const QImage &image : {ToBitmap24(photo(5, 3)), rgb32, mono, indexed}) {
        SCOPED_TRACE(image.format());
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        WriteBitmapImage(buffer, image);
        append<quint32>(buffer.buffer(), 0xA5A5A5A5);
        buffer.seek(0);
        const QImage back = ReadBitmapImage(buffer);
        EXPECT_EQ(back.format(), image.format());
        EXPECT_EQ(back.dotsPerMeterX(), image.dotsPerMeterX());
        ASSERT_EQ(back.size(), image.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(back.pixel(x, y), image.pixel(x, y)) << x << "," << y;
        EXPECT_EQ(buffer.read(4), QByteArray(4, '\xA5'));
    }
}

TEST(BitmapFile, ReadsTheHeaderVariantsOtherProgramsWrite)
{
    // Core header, 8 bits, three-byte palette entries, bottom-up.
    THandMadeBitmap core{.headerSize = 12, .width = 2, .height = 2, .bitCount = 8};
    for (int i = 0; i < 256; ++i)
        core.palette.append(qRgb(i, 255 - i, 7));
    core.rows = {QByteArray("\x01\x02\0\0", 4), QByteArray("\x03\x04\0\0", 4)};
    QImage image = readBitmap(core.bytes());
    EXPECT_EQ(image.pixel(0, 1), qRgb(1, 254, 7));
    EXPECT_EQ(image.pixel(1, 0), qRgb(4, 251, 7));

    // 4 bits, a three-colour palette, odd width, with a gap before the pixels.
    THandMadeBitmap nibbles{.width = 3, .height = 1, .bitCount = 4, .coloursUsed = 3, .gap = 6};
    nibbles.palette = {qRgb(10, 0, 0), qRgb(0, 20, 0), qRgb(0, 0, 30)};
    nibbles.rows = {QByteArray("\x21\x00\0\0", 4)};
    image = readBitmap(nibbles.bytes());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 30));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 20, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(10, 0, 0));

    // 16 bits: 5-5-5 without masks, 5-6-5 with masks after the 40-byte header.
    THandMadeBitmap rgb555{.width = 1, .height = 1, .bitCount = 16};
    rgb555.rows = {QByteArray("\xE0\x7F\0\0", 4)};  // 0x7FE0: red and green full
    EXPECT_EQ(readBitmap(rgb555.bytes()).pixel(0, 0), qRgb(255, 255, 0));
    THandMadeBitmap rgb565{.width = 1, .height = 1, .bitCount = 16, .compression = 3,
                           .masks = {0xF800, 0x07E0, 0x001F}};
    rgb565.rows = {QByteArray("\x1F\x00\0\0", 4)};
    EXPECT_EQ(readBitmap(rgb565.bytes()).pixel(0, 0), qRgb(0, 0, 255));

    // V5 header, 32 bits with masks inside it, top-down.
    THandMadeBitmap v5{.headerSize = 124, .width = 1, .height = -2, .bitCount = 32, .compression = 3,
                       .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}};
    v5.rows = {QByteArray("\x11\x22\x33\x44", 4), QByteArray("\x55\x66\x77\x88", 4)};
    image = readBitmap(v5.bytes());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0x55, 0x66, 0x77));

    // A palette shorter than the indices: the missing colours are black, nothing is read past the table.
    THandMadeBitmap shortPalette{.width = 1, .height = 1, .bitCount = 8, .coloursUsed = 2};
    shortPalette.palette = {qRgb(9, 9, 9), qRgb(8, 8, 8)};
    shortPalette.rows = {QByteArray("\xC8\0\0\0", 4)};
    EXPECT_EQ(readBitmap(shortPalette.bytes()).pixel(0, 0), qRgb(0, 0, 0));
}

TEST(BitmapFile, DamagedAndCutImagesAreRefusedWithTheDocumentedMessage)
{
    const QByteArray good = writtenBitmap(photo(3, 2).convertToFormat(QImage::Format_Indexed8));
    for (qsizetype size = 0; size < good.size(); ++size)
        expectRefused(good.left(size), "cut");

    THandMadeBitmap base{.width = 2, .height = 2, .bitCount = 24};
    base.rows = {QByteArray(8, '\0'), QByteArray(8, '\0')};
    const auto damaged = [&](auto change) {
        THandMadeBitmap b = base;
        change(b);
        return b.bytes();
    };
    expectRefused(damaged([](auto &b) { b.headerSize = 20; }), "header size");
    expectRefused(damaged([](auto &b) { b.bitCount = 7; }), "bit count");
    expectRefused(damaged([](auto &b) { b.compression = 1; }), "run-length");
    expectRefused(damaged([](auto &b) { b.width = 0; }), "no width");
    expectRefused(damaged([](auto &b) { b.height = 0; }), "no height");
    expectRefused(damaged([](auto &b) { b.bitCount = 8, b.coloursUsed = 300; }), "palette");
    // Sizes that claim gigabytes from a few bytes are refused before anything is allocated.
    expectRefused(damaged([](auto &b) { b.width = 0x7FFFFFFF, b.height = -0x7FFFFFFF; }), "huge");
    expectRefused(QByteArray("GIF89a") + QByteArray(60, '\0'), "not a bitmap");
}

TEST(BitmapFile, SizesAreRefusedByTheHeaderAndTheBytesLeftBeforeAnythingIsAllocated)
{
    // Held at 24 bits in the end: 40,000 x 20,000 at 1 bit (100 MB) would become 2.4 GB; the header decides.
    THandMadeBitmap mono{.width = 40000, .height = 20000, .bitCount = 1};
    const auto read = [](const QByteArray &bytes) { return [bytes] { readBitmap(bytes); }; };
    EXPECT_EQ(refusalReason(read(mono.bytes())), "the bitmap is too large");
    THandMadeBitmap huge{.width = 0x7FFFFFFF, .height = -0x7FFFFFFF};
    EXPECT_EQ(refusalReason(read(huge.bytes())), "the bitmap is too large");
    // Within that bound, pixels the file does not hold are refused on the bytes left, before the image is
    // made: where a quarter of a gigabyte cannot be had, the reason stays the same.
    THandMadeBitmap claimed{.width = 16000, .height = 16000, .bitCount = 8};
    claimed.rows = {QByteArray(16000, '\0')};
    const QByteArray bytes = claimed.bytes();
    EXPECT_EQ(refusalReason(read(bytes)), "the bitmap ends early");
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(64) << 20,
                                             [&] { return refusalReason(read(bytes)) == "the bitmap ends early" ? 0 : 1; }),
              0);
}

TEST(JpegImage, KeepsItsBytesDecodesThemAndRefusesDamage)
{
    const QImage source = photo(24, 16);
    const QByteArray bytes = JpegFileOf(source);
    TJpegImage jpeg;
    jpeg.LoadFromData(bytes);
    EXPECT_EQ(jpeg.Data(), bytes);
    ASSERT_EQ(jpeg.Bitmap().format(), Bitmap24Format);
    ASSERT_EQ(jpeg.Bitmap().size(), source.size());
    for (int y = 0; y < 16; y += 5)
        for (int x = 0; x < 24; x += 5)
            EXPECT_TRUE(near(jpeg.Bitmap().pixel(x, y), source.pixel(x, y), 16)) << x << "," << y;

    // Grey and Adobe CMYK pictures come out as colour bitmaps.
    TJpegImage other;
    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(qRgb(100, 100, 100));
    other.LoadFromData(JpegFileOf(grey));
    EXPECT_TRUE(near(other.Bitmap().pixel(3, 3), qRgb(100, 100, 100), 2));
    const uchar inks[4][4] = {{255, 255, 255, 255}, {0, 255, 255, 255}, {255, 255, 0, 255}, {255, 255, 255, 0}};
    other.LoadFromData(cmykJpeg(inks));
    EXPECT_TRUE(near(other.Bitmap().pixel(0, 0), qRgb(255, 255, 255), 8));
    EXPECT_TRUE(near(other.Bitmap().pixel(1, 0), qRgb(0, 255, 255), 8));
    EXPECT_TRUE(near(other.Bitmap().pixel(2, 0), qRgb(255, 255, 0), 8));
    EXPECT_TRUE(near(other.Bitmap().pixel(3, 0), qRgb(0, 0, 0), 8));

    // Cut anywhere, or garbled after the header, the picture is refused and the image stays as it was.
    QByteArray garbled = bytes;
    for (qsizetype i = garbled.size() / 2; i < garbled.size() - 2; ++i)
        garbled[i] = char(0x5A);
    for (const QByteArray &damaged : {QByteArray(), bytes.left(2), bytes.left(40), bytes.left(bytes.size() / 2),
                                      bytes.left(bytes.size() - 2), garbled, QByteArray("\xFF\xD8\xFF\xE1\x00", 5)}) {
        try {
            jpeg.LoadFromData(damaged);
            ADD_FAILURE() << "loaded " << damaged.size() << " bytes";
        } catch (const EInvalidGraphic &e) {
            EXPECT_STREQ(e.what(), DocumentedMessage);
        }
        EXPECT_EQ(jpeg.Data(), bytes);
        EXPECT_EQ(jpeg.Bitmap().size(), source.size());
    }
}

TEST(JpegImage, PicturesLargerThanAGigabyteAreRefusedByTheirHeader)
{
    // A real picture of 19,000 x 19,000 grey pixels, a few megabytes that would decode to 1.08 GB.
    const QByteArray large = greyJpeg(19000, 19000);
    TJpegImage jpeg;
    EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(large); }), "the JPEG image is too large");
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_TRUE(jpeg.Data().isEmpty());

    // A progressive file buffers all of its scans once its decoding starts: its header alone refuses it.
    QByteArray progressive = greyJpeg(64, 48, true);
    const qsizetype frame = progressive.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(frame, 0);
    qToBigEndian<quint16>(30000, progressive.data() + frame + 5);
    qToBigEndian<quint16>(30000, progressive.data() + frame + 7);
    EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(progressive); }), "the JPEG image is too large");
    jpeg.LoadFromData(greyJpeg(64, 48, true));
    EXPECT_EQ(jpeg.Bitmap().size(), QSize(64, 48));
}

TEST(JpegImage, ASideBeyondTheCallersBoundIsRefusedByItsHeader)
{
    TJpegImage jpeg;
    jpeg.LoadFromData(greyJpeg(1024, 8), 1024);
    EXPECT_EQ(jpeg.Bitmap().size(), QSize(1024, 8));
    EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(greyJpeg(8, 1025), 1024); }), "the JPEG image is too large");
    EXPECT_EQ(jpeg.Bitmap().size(), QSize(1024, 8));
    // A progressive picture of 18,000 pixels a side, far within a gigabyte at one byte a pixel, is refused
    // before its decoding would buffer its scans.
    QByteArray progressive = greyJpeg(64, 48, true);
    const qsizetype frame = progressive.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(frame, 0);
    qToBigEndian<quint16>(18000, progressive.data() + frame + 5);
    qToBigEndian<quint16>(18000, progressive.data() + frame + 7);
    EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(progressive, 1024); }), "the JPEG image is too large");
}

// The offset of the entropy data of scan number (from 1) in a hand-made JPEG, whose scan headers are 10 bytes.
qsizetype scanData(const QByteArray &jpeg, int number)
{
    qsizetype at = -1;
    for (int i = 0; i < number; ++i)
        at = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at + 1);
    return at < 0 ? at : at + 10;
}

TEST(JpegImage, AFileOfMoreScansOrPassesThanEncodersMakeIsRefusedAtTheFirstScanPastTheLimit)
{
    const std::string damaged = "the JPEG image is damaged or cut short";
    const std::string tooMany = "the JPEG image has too many scans";
    // most has lastScan scans, past one more: every scan of most is decoded, so a cut in its last is damage;
    // the one past the limit is refused as its header is read, before its data, so a cut there changes nothing.
    const auto refusedAfter = [&](const QByteArray &most, const QByteArray &past, int lastScan, QSize size) {
        TJpegImage jpeg;
        jpeg.LoadFromData(most);
        EXPECT_EQ(jpeg.Bitmap().size(), size);
        EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(most.left(scanData(most, lastScan) + 1)); }), damaged);
        EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(past); }), tooMany);
        EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(past.left(scanData(past, lastScan + 1) + 1)); }), tooMany);
        EXPECT_THROW(jpeg.LoadFromData(past), EJpegRefused);
        EXPECT_EQ(jpeg.Data(), most) << "a refused picture leaves the image as it was";
    };
    // Grey, each scan passes over the whole picture: the passes are the limit.
    refusedAfter(ProgressiveJpeg(64, 64, MaxJpegPasses - 1), ProgressiveJpeg(64, 64, MaxJpegPasses), MaxJpegPasses,
                 QSize(64, 64));
    // Three DC scans, then scans of the blue difference alone, 1/18 of the blocks each: the scans are the limit.
    refusedAfter(ProgressiveJpeg(256, 256, MaxJpegScans - 3, true),
                 ProgressiveJpeg(256, 256, MaxJpegScans - 2, true), MaxJpegScans, QSize(256, 256));

    // A thumbnail-sized picture repeating an empty scan 100,000 times (1.3 MB) is refused the same way.
    TJpegImage jpeg;
    EXPECT_EQ(refusalReason([&] { jpeg.LoadFromData(ProgressiveJpeg(1024, 1024, 100000), 1024); }), tooMany);
}

TEST(JpegImage, APictureIsDecodedAtTheSmallestScaleThatCoversWhatTheCallerNeeds)
{
    // 18,000 pixels a side, 972 MB decoded at full size: an eighth, a quarter, or as large as the bound allows.
    const QByteArray huge = BaselineJpeg(18000, 18000);
    const auto decoded = [](const QByteArray &bytes, int cover) {
        TJpegImage jpeg;
        jpeg.LoadFromData(bytes, std::numeric_limits<int>::max(), cover);
        EXPECT_EQ(jpeg.Data(), bytes);
        return jpeg.Bitmap().size();
    };
    EXPECT_EQ(decoded(huge, 1), QSize(2250, 2250));
    EXPECT_EQ(decoded(huge, 2250), QSize(2250, 2250));
    EXPECT_EQ(decoded(huge, 2251), QSize(4500, 4500));
    EXPECT_EQ(decoded(huge, TJpegImage::LargestCover), QSize(11250, 11250)) << "13,500² would hold 547 MB";
    // A cover whose scale holds more than the bound is refused for the picture's size, never met by a smaller
    // scale that would print blurred: 13,500² for a cover of 12,000.
    TJpegImage refused;
    try {
        refused.LoadFromData(huge, std::numeric_limits<int>::max(), 12000);
        ADD_FAILURE() << "decoded at " << refused.Bitmap().width();
    } catch (const EJpegTooLarge &e) {
        EXPECT_EQ(e.PictureSize(), QSize(18000, 18000));
        EXPECT_STREQ(e.Reason(), "the JPEG image is too large");
    }
    EXPECT_TRUE(refused.Empty());
    // Both sides reach the cover, so the picture prints sharp turned either way; a picture smaller than the
    // cover is decoded whole.
    EXPECT_EQ(decoded(BaselineJpeg(16000, 2000), 1000), QSize(8000, 1000));
    EXPECT_EQ(decoded(BaselineJpeg(300, 200), 1000), QSize(300, 200));

    // The bound is on the decoding: within a quarter of a gigabyte more than the process has, the picture
    // comes out at the scale asked; at full size it is refused before anything is allocated.
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(256) << 20, [&] { return decoded(huge, 3000) == QSize(4500, 4500) ? 0 : 1; }),
              0);
    TJpegImage full;
    EXPECT_EQ(refusalReason([&] { full.LoadFromData(huge); }), "the JPEG image is too large");
    EXPECT_THROW(full.LoadFromData(huge), EJpegRefused);

    // A picture of more than a gigapixel is refused by its header, at any scale: walking its blocks alone
    // would keep whoever shows it waiting for seconds. A gigapixel is still decoded.
    EXPECT_EQ(decoded(BaselineJpeg(32768, 32768), 1), QSize(4096, 4096));
    for (const QSize side : {QSize(32768, 32769), QSize(65500, 65500)}) {
        const QByteArray larger = BaselineJpeg(side.width(), side.height());
        EXPECT_EQ(refusalReason([&] { full.LoadFromData(larger, std::numeric_limits<int>::max(), 1); }),
                  "the JPEG image is too large");
        full.KeepRefused(larger);
        EXPECT_EQ(full.PictureSize(), side);
    }
}

TEST(JpegImage, AProgressiveFileIsRefusedWhenTheCoefficientsItBuffersExceedTheBound)
{
    // A progressive file buffers two bytes for every coefficient of the picture, whatever scale it is
    // decoded at: 648 MB for 18,000² grey, with 0.6 MB of data. It is refused before that is allocated.
    const QByteArray huge = ProgressiveJpeg(18000, 18000, 1);
    TJpegImage jpeg;
    const auto refusedTooLarge = [&] {
        return refusalReason([&] { jpeg.LoadFromData(huge, std::numeric_limits<int>::max(), 1); })
                       == "the JPEG image is too large"
                   ? 0
                   : 1;
    };
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(256) << 20, refusedTooLarge), 0);
    // One within the bound is decoded at the scale asked.
    jpeg.LoadFromData(ProgressiveJpeg(4096, 4096, 3), std::numeric_limits<int>::max(), 1000);
    EXPECT_EQ(jpeg.Bitmap().size(), QSize(1024, 1024));

    // Read as a document's picture is read, the refusal is kept with the picture's size, which the user is told
    // rather than that the picture cannot be read; damage stays damage.
    jpeg.LoadOrKeep(huge, 1);
    EXPECT_TRUE(jpeg.Refused());
    EXPECT_TRUE(jpeg.TooLarge());
    EXPECT_EQ(jpeg.PictureSize(), QSize(18000, 18000));
    EXPECT_EQ(jpeg.Data(), huge);
    EXPECT_EQ(PictureTooLargeMessage(jpeg.PictureSize()),
              QStringLiteral("画像が大きすぎるため扱えません  \r\n(18000 × 18000 ピクセル)"));
    jpeg.LoadOrKeep(ProgressiveJpeg(64, 64, MaxJpegScans), 1);
    EXPECT_TRUE(jpeg.Refused());
    EXPECT_FALSE(jpeg.TooLarge());
    jpeg.LoadOrKeep(ProgressiveJpeg(64, 64, 3), 1);
    EXPECT_FALSE(jpeg.Refused());
    EXPECT_FALSE(jpeg.TooLarge());
}

TEST(LoadPictureFile, ContentDecidesTheKindAndTheFileGivesTheResolution)
{
    QTemporaryDir dir;
    int resolution = 0;
    const auto load = [&](const QString &name, const QByteArray &content) {
        test::writeFile(dir.filePath(name), content);
        resolution = -5;
        return LoadPictureFile(dir.filePath(name), resolution);
    };
    const auto bitmapAt = [](int headerSize, qint32 pixelsPerMetre) {
        THandMadeBitmap b{.headerSize = headerSize, .width = 1, .height = 1, .pixelsPerMetre = pixelsPerMetre};
        b.rows = {QByteArray(4, '\x40')};
        return b.bytes();
    };
    EXPECT_EQ(PictureKindOfFile(QStringLiteral("a/Photo.JpEg")), 2);
    EXPECT_EQ(PictureKindOfFile(QStringLiteral("x.bmp")), 1);
    EXPECT_EQ(PictureKindOfFile(QStringLiteral("dir.jpg/x")), -1);

    struct Case {
        const char *what;
        QByteArray content;
        int dpi;
    };
    const Case bitmaps[] = {{"3780 pixels a metre", bitmapAt(40, 3780), 96},
                            {"no pixels a metre", bitmapAt(40, 0), 72},
                            {"core header", bitmapAt(12, 0), 72},
                            {"V5 header", bitmapAt(124, 3780), 96}};
    for (const Case &c : bitmaps) {
        const auto graphic = load(QStringLiteral("p.bmp"), c.content);
        ASSERT_TRUE(graphic) << c.what;
        EXPECT_EQ(graphic->Extension(), "bmp");
        EXPECT_EQ(graphic->Bitmap().format(), Bitmap24Format);
        EXPECT_EQ(resolution, c.dpi) << c.what;
    }

    const QByteArray exif = segment(0xFFE1, QByteArray("Exif\0\0", 6) + QByteArray(30, '\x01'));
    const Case jpegs[] = {{"dots per inch", jpegWithSegments({jfif(1, 300)}), 300},
                          {"dots per centimetre", jpegWithSegments({jfif(2, 118)}), 300},
                          {"density 0", jpegWithSegments({jfif(1, 0)}), 72},
                          {"aspect ratio only", jpegWithSegments({jfif(0, 1)}), 72},
                          {"after another segment", jpegWithSegments({exif, jfif(1, 200)}), 200},
                          {"no JFIF segment", jpegWithSegments({exif}), 72}};
    for (const Case &c : jpegs) {
        const auto graphic = load(QStringLiteral("p.jpg"), c.content);
        ASSERT_TRUE(graphic) << c.what;
        EXPECT_EQ(dynamic_cast<const TJpegImage &>(*graphic).Data(), c.content);
        EXPECT_EQ(resolution, c.dpi) << c.what;
    }

    // A segment length below 2 is damage: the walk stops there rather than take the length for the next
    // marker and the two bytes after it for a length.
    EXPECT_TRUE(load(QStringLiteral("p.jpg"),
                     jpegWithSegments({QByteArray("\xFF\xE1\x00\x00\x00\x02", 6), jfif(1, 300)})));
    EXPECT_EQ(resolution, 72);
    EXPECT_FALSE(load(QStringLiteral("p.jpg"), QByteArray("\xFF\xD8\xFF\xE1\x00\x01", 6)));
    EXPECT_EQ(load(QStringLiteral("named.bmp"), jpegWithSegments({jfif(1, 150)}))->Extension(), "jpg");
    EXPECT_EQ(load(QStringLiteral("named.jpg"), bitmapAt(40, 3780))->Extension(), "bmp");
    EXPECT_FALSE(load(QStringLiteral("p.gif"), bitmapAt(40, 3780)));
    EXPECT_EQ(resolution, -5);
    // A PNG becomes a bitmap at its own resolution, what is transparent in it white.
    QImage png(2, 1, QImage::Format_ARGB32);
    png.setPixel(0, 0, qRgba(255, 0, 0, 255));
    png.setPixel(1, 0, qRgba(0, 0, 255, 0));
    png.setDotsPerMeterX(11811);
    png.setDotsPerMeterY(11811);
    QByteArray pngBytes;
    QBuffer pngBuffer(&pngBytes);
    pngBuffer.open(QIODevice::WriteOnly);
    png.save(&pngBuffer, "PNG");
    const auto fromPng = load(QStringLiteral("p.png"), pngBytes);
    ASSERT_TRUE(fromPng);
    EXPECT_EQ(fromPng->Extension(), "bmp");
    EXPECT_EQ(fromPng->Bitmap().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(fromPng->Bitmap().pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(resolution, 300);
    EXPECT_EQ(PictureKindOfFile(QStringLiteral("Scan.PNG")), 3);
    EXPECT_FALSE(load(QStringLiteral("p.bmp"), QByteArray("GIF89a")));
    EXPECT_FALSE(load(QStringLiteral("p.bmp"), bitmapAt(40, 3780).left(50)));
    EXPECT_THROW(LoadPictureFile(dir.filePath(QStringLiteral("missing.bmp")), resolution), EStreamError);
}

TEST(DrawPicture, CentredAndTiledAtThePhysicalSize)
{
    const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
    QImage picture(300, 150, Bitmap24Format);
    picture.fill(red);
    QImage page(400, 300, Bitmap24Format);
    page.fill(white);
    // 300 pixels at 150 dots per inch are 192 on the page: (400 − 192) / 2 = 104.
    DrawPictureCentred(picture, 150, page, 1.0);
    EXPECT_EQ(page.pixel(104, 102), red);
    EXPECT_EQ(page.pixel(295, 197), red);
    EXPECT_EQ(page.pixel(103, 102), white);
    EXPECT_EQ(page.pixel(296, 197), white);
    EXPECT_EQ(page.pixel(104, 198), white);
    // Without a resolution the picture counts as 72 dots per inch: 300 → 400.
    page.fill(white);
    DrawPictureCentred(picture, 0, page, 1.0);
    EXPECT_EQ(page.pixel(0, 100), red);
    EXPECT_EQ(page.pixel(399, 100), red);

    // Tiles of 200 × 100 with a blue top-left pixel over 500 × 250: three columns, the last cut.
    QImage tile(200, 100, Bitmap24Format);
    tile.fill(red);
    tile.setPixel(0, 0, blue);
    QImage wall(500, 250, Bitmap24Format);
    wall.fill(white);
    DrawPictureTiled(tile, 96, wall, false, 1.0);
    for (const QPoint p : {QPoint(0, 0), QPoint(200, 0), QPoint(400, 200)})
        EXPECT_EQ(wall.pixel(p), blue) << p.x() << "," << p.y();
    EXPECT_EQ(wall.pixel(499, 249), red);
    wall.fill(white);
    DrawPictureTiled(tile, 96, wall, true, 1.0);
    for (const QPoint p : {QPoint(300, 150), QPoint(100, 50), QPoint(100, 150)})
        EXPECT_EQ(wall.pixel(p), blue) << p.x() << "," << p.y();
    EXPECT_EQ(wall.pixel(0, 0), red);
    // A tile smaller than a pixel draws nothing.
    wall.fill(white);
    DrawPictureTiled(tile, 96, wall, false, 0.001);
    EXPECT_EQ(wall.pixel(0, 0), white);
}

TEST(PrintBitmap, StretchesTheWholeBitmapWithTheRasterOperation)
{
    QImage page(20, 20, QImage::Format_RGB32);
    page.fill(qRgb(0, 200, 0));
    QImage bitmap(2, 2, Bitmap24Format);
    bitmap.setPixel(0, 0, qRgb(255, 0, 0));
    bitmap.setPixel(1, 0, qRgb(0, 0, 255));
    bitmap.setPixel(0, 1, qRgb(255, 255, 255));
    bitmap.setPixel(1, 1, qRgb(0, 0, 0));
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 96, 96);
        PrintBitmap(canvas, bitmap, TRect{2, 2, 6, 6}, SRCCOPY);
        PrintBitmap(canvas, bitmap, TRect{10, 10, 14, 14}, SRCAND);
    }
    EXPECT_EQ(page.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(3, 3), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(5, 3), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(page.pixel(6, 6), qRgb(0, 200, 0));
    // AND: white keeps the page, black clears it, red keeps only the page's red.
    EXPECT_EQ(page.pixel(10, 12), qRgb(0, 200, 0));
    EXPECT_EQ(page.pixel(12, 12), qRgb(0, 0, 0));
    EXPECT_EQ(page.pixel(10, 10), qRgb(0, 0, 0));
}
