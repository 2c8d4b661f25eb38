// Mirroring and quarter turns in every pixel format they handle, and the three resamplers against values worked
// out by hand from their fixed-point rules.
#include "drawing/BitmapTransform.h"
#include "drawing/Graphic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// Every byte of the picture, row padding included, filled from a fixed sequence.
QImage noise(QImage::Format format, int width, int height, unsigned seed = 7)
{
    QImage image(width, height, format);
    if (image.depth() <= 8)
        image.setColorTable(QList<QRgb>(1 << image.depth(), qRgb(1, 2, 3)));
    std::mt19937 random(seed);
    uchar *bits = image.bits();
    for (qsizetype i = 0; i < image.sizeInBytes(); ++i)
        bits[i] = uchar(random() & (format == QImage::Format_Indexed8 ? 0x0F : 0xFF));
    return image;
}

// The raw bits of one pixel.
quint32 raw(const QImage &image, int x, int y)
{
    const uchar *row = image.constScanLine(y);
    if (image.depth() == 1)
        return row[x >> 3] >> (7 - (x & 7)) & 1;
    quint32 value = 0;
    std::memcpy(&value, row + x * image.depth() / 8, image.depth() / 8);
    return value;
}

// The bits of row y after its last pixel.
std::vector<bool> padding(const QImage &image, int y)
{
    std::vector<bool> bits;
    const uchar *row = image.constScanLine(y);
    for (qsizetype b = qsizetype(image.width()) * image.depth(); b < image.bytesPerLine() * 8; ++b)
        bits.push_back(row[b / 8] >> (7 - b % 8) & 1);
    return bits;
}

QImage grey(const std::vector<std::vector<int>> &rows)
{
    QImage image(int(rows[0].size()), int(rows.size()), Bitmap24Format);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(rows[y][x], rows[y][x], rows[y][x]));
    return image;
}

std::vector<int> greyRow(const QImage &image, int y)
{
    std::vector<int> values;
    for (int x = 0; x < image.width(); ++x)
        values.push_back(qRed(image.pixel(x, y)));
    return values;
}

std::vector<int> greyColumn(const QImage &image, int x)
{
    std::vector<int> values;
    for (int y = 0; y < image.height(); ++y)
        values.push_back(qRed(image.pixel(x, y)));
    return values;
}

QImage resampled(QImage source, int width, int height, TResampleMode mode)
{
    ResampleBitmap(source, nullptr, width, height, mode);
    return source;
}

}  // namespace

TEST(MirrorAndRotate, MoveEveryPixelInEveryFormatAndLeaveRowPaddingAlone)
{
    for (const QImage::Format format : {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_RGB16,
                                        QImage::Format_RGB888, QImage::Format_RGB32}) {
        SCOPED_TRACE(format);
        const QImage source = noise(format, 13, 3);
        const int w = source.width(), h = source.height();
        struct Case {
            QImage result;
            std::function<QPoint(int, int)> place;
            bool copyOfSource;
        };
        const Case cases[] = {
            {MirrorBitmap(source, true), [&](int x, int y) { return QPoint(w - 1 - x, y); }, true},
            {MirrorBitmap(source, false), [&](int x, int y) { return QPoint(x, h - 1 - y); }, true},
            {RotateBitmap(source, 0), [&](int x, int y) { return QPoint(y, w - 1 - x); }, false},
            {RotateBitmap(source, 1), [&](int x, int y) { return QPoint(h - 1 - y, x); }, false},
            {RotateBitmap(source, 2), [&](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); }, false},
        };
        for (const Case &c : cases) {
            ASSERT_EQ(c.result.format(), format);
            EXPECT_EQ(c.result.colorTable(), source.colorTable());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(raw(c.result, c.place(x, y).x(), c.place(x, y).y()), raw(source, x, y)) << x << "," << y;
            for (int y = 0; y < c.result.height(); ++y) {
                const std::vector<bool> pad = padding(c.result, y);
                if (c.copyOfSource)
                    EXPECT_EQ(pad, padding(source, y));
                else
                    EXPECT_EQ(std::count(pad.begin(), pad.end(), true), 0);
            }
        }
    }

    // A 3 × 2 picture turned anticlockwise starts with its top-right pixel, clockwise with its bottom-left.
    const QImage small = noise(QImage::Format_RGB888, 3, 2);
    EXPECT_EQ(RotateBitmap(small, 0).size(), QSize(2, 3));
    EXPECT_EQ(RotateBitmap(small, 0).pixel(0, 0), small.pixel(2, 0));
    EXPECT_EQ(RotateBitmap(small, 1).pixel(0, 0), small.pixel(0, 1));
    EXPECT_TRUE(RotateBitmap(small, 3).isNull());
    EXPECT_TRUE(RotateBitmap(noise(QImage::Format_MonoLSB, 9, 2), 2).isNull());
    EXPECT_TRUE(MirrorBitmap(QImage(4, 4, QImage::Format_RGBA64), true).isNull());
}

TEST(Resample, CubicWeightsTruncateTowardZero)
{
    EXPECT_EQ(CubicWeights(1, 65536), (std::array<int, 4>{0, 65536, 0, 0}));
    // O(1.5) = −0.125: −8192 + 0.5 truncates to −8191, not −8192.
    EXPECT_EQ(CubicWeights(1.5L, 65536), (std::array<int, 4>{-8191, 40960, 40960, -8191}));
}

TEST(Resample, EachFilterGivesTheValuesOfItsFixedPointRules)
{
    // Bilinear: 2 → 6 columns has one leading and two trailing border columns; both ends take two.
    EXPECT_EQ(greyRow(resampled(grey({{0, 125}}), 6, 1, TResampleMode::Bilinear), 0),
              (std::vector<int>{0, 0, 42, 83, 125, 125}));
    EXPECT_EQ(greyRow(resampled(grey({{0, 255}}), 4, 1, TResampleMode::Bilinear), 0),
              (std::vector<int>{0, 64, 191, 255}));
    // Bicubic, enlarging along a row and down a column (the column goes through the row buffer), and shrinking.
    const std::vector<int> cubic{0, 20, 61, 137, 173, 227, 242, 250};
    EXPECT_EQ(greyRow(resampled(grey({{0, 100, 200, 250}}), 8, 1, TResampleMode::Bicubic), 0), cubic);
    EXPECT_EQ(greyColumn(resampled(grey({{0}, {100}, {200}, {250}}), 1, 8, TResampleMode::Bicubic), 0), cubic);
    EXPECT_EQ(greyRow(resampled(grey({{0, 100, 200, 250, 10, 90}}), 4, 1, TResampleMode::Bicubic), 0),
              (std::vector<int>{20, 173, 193, 59}));
    // Area average of 3 × 2 → 2 × 1: the middle column is shared half and half.
    EXPECT_EQ(greyRow(resampled(grey({{10, 20, 30}, {40, 50, 60}}), 2, 1, TResampleMode::Automatic), 0),
              (std::vector<int>{29, 42}));
    // 300 × 600 white into one pixel: the span sum times the inverse needs more than 32 bits.
    QImage white(300, 600, Bitmap24Format);
    white.fill(Qt::white);
    EXPECT_EQ(resampled(white, 1, 1, TResampleMode::Automatic).pixel(0, 0), qRgb(254, 254, 254));
    // A palette picture is resampled through its colours.
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(0, 0, 255)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    const QImage fromPalette = resampled(indexed, 4, 1, TResampleMode::Bilinear);
    EXPECT_EQ(fromPalette.format(), Bitmap24Format);
    EXPECT_EQ(fromPalette.pixel(2, 0), qRgb(0, 0, 191));
}

TEST(Resample, ModesRectanglesTargetsAndEmptySizes)
{
    const QImage photo = ToBitmap24(noise(QImage::Format_RGB32, 30, 20, 11));
    // Automatic averages areas only when both sides shrink.
    EXPECT_NE(resampled(photo, 10, 10, TResampleMode::Automatic), resampled(photo, 10, 10, TResampleMode::Bicubic));
    EXPECT_EQ(resampled(photo, 45, 30, TResampleMode::Automatic), resampled(photo, 45, 30, TResampleMode::Bicubic));
    EXPECT_EQ(resampled(photo, 10, 30, TResampleMode::Automatic), resampled(photo, 10, 30, TResampleMode::Bicubic));

    // A rectangle inside the scaled picture computes just that part, at the offset of a given target.
    const TRect part{5, 4, 17, 13};
    for (const auto &[mode, width, height] : {std::tuple{TResampleMode::Bicubic, 45, 31},
                                              std::tuple{TResampleMode::Automatic, 21, 15},
                                              std::tuple{TResampleMode::Bilinear, 50, 40}}) {
        QImage source = photo;
        QImage target(part.Width() + 3, part.Height() + 2, QImage::Format_RGB32);
        target.fill(Qt::magenta);
        ResampleBitmapRect(source, &target, width, mode, QPoint(3, 2), part, height);
        EXPECT_EQ(target.copy(3, 2, part.Width(), part.Height()),
                  resampled(photo, width, height, mode).copy(part.ToQRect()));
        EXPECT_EQ(target.pixel(2, 1), QColor(Qt::magenta).rgb());
    }

    // The picture's own size copies the rectangle as it is.
    QImage same = photo;
    ResampleBitmapRect(same, nullptr, 30, TResampleMode::Bicubic, QPoint(0, 0), TRect{2, 3, 9, 8}, 20);
    EXPECT_EQ(same, photo.copy(2, 3, 7, 5));

    // A target too small for the part, or a scaled size of 0, leaves the target as it was.
    QImage source = photo;
    QImage small(4, 4, Bitmap24Format);
    small.fill(Qt::green);
    const QImage before = small;
    ResampleBitmap(source, &small, 5, 5, TResampleMode::Bilinear);
    ResampleBitmap(source, &small, 0, 4, TResampleMode::Automatic);
    EXPECT_EQ(small, before);
    ResampleBitmap(source, nullptr, 0, 0, TResampleMode::Automatic);
    EXPECT_TRUE(source.isNull());
}
