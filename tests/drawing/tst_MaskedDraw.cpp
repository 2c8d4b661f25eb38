// Pictures cut to the shipped mask shapes or with a colour left out, composed and clipped, into images and
// into PDF pages read back with pdftoppm; the regions built from masks and from rectangle lists.
#include "drawing/MaskedDraw.h"
#include "drawing/MetafileEx.h"

#include "ObjectTestSupport.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

const QColor Grey(128, 128, 128);
const QColor Red(220, 30, 30);
const QColor Green(0, 200, 0);

QString maskFile(int number)
{
    return test::appDir() + QStringLiteral("Common/Mask/Itm%1.svg").arg(number, 2, 10, QLatin1Char('0'));
}

TMetafileEx shape(int number)
{
    TMetafileEx loaded;
    EXPECT_TRUE(LoadMaskShape(maskFile(number), loaded)) << number;
    return loaded;
}

// Red with a green square in the middle, 40 x 40.
QImage picture()
{
    QImage image(40, 40, QImage::Format_RGB888);
    image.fill(Red);
    QPainter(&image).fillRect(10, 10, 20, 20, Green);
    return image;
}

// The four ways side by side on a grey page at 400 x 300 device pixels, each in a target of 160 x 120: the
// composed and the clipped cut-out by the ellipse on top, the composed and the clipped transparent green
// below.
void drawScene(TCanvas &canvas)
{
    canvas.SetBrush(Grey);
    canvas.FillRect({0, 0, 400, 300});
    const TMetafileEx ellipse = shape(1);
    const QImage image = picture();
    DrawWithMask(canvas, image, ellipse, {0, 0, 160, 120}, {20, 20, 180, 140});
    DrawClippedByMask(canvas, image, ellipse, {0, 0, 160, 120}, {220, 20, 380, 140});
    DrawWithTransparentColor(canvas, image, Green, {20, 160, 180, 280});
    DrawClippedByColor(canvas, image, Green, {220, 160, 380, 280});
}

void expectNear(const QImage &image, int x, int y, const QColor &colour)
{
    const QColor at = image.pixelColor(x, y);
    EXPECT_NEAR(at.red(), colour.red(), 8) << x << "," << y;
    EXPECT_NEAR(at.green(), colour.green(), 8) << x << "," << y;
    EXPECT_NEAR(at.blue(), colour.blue(), 8) << x << "," << y;
}

// exactEdges: the square's edges are sharp to the pixel (on images; a PDF viewer may shift by part of one).
void expectScene(const QImage &image, bool exactEdges)
{
    for (int left : {20, 220}) {
        expectNear(image, left + 80, 80, Green);   // inside the ellipse, the picture's middle
        expectNear(image, left + 80, 30, Red);     // inside the ellipse near its top
        expectNear(image, left + 4, 24, Grey);     // cut away at the corner
        expectNear(image, left + 155, 136, Grey);
        expectNear(image, left + 80, 220, Grey);   // the green left out
        expectNear(image, left + 4, 164, Red);     // the rest of the picture
        expectNear(image, left + 155, 276, Red);
        expectNear(image, left - 4, 220, Grey);    // nothing outside the target
        // Enlarged pixel for pixel: no blend of colours along the edges of the square.
        const int edge = exactEdges ? 0 : 2;
        expectNear(image, left + 39 - edge, 80, Red);
        expectNear(image, left + 40 + edge, 80, Green);
        expectNear(image, left + 39 - edge, 220, Red);
        expectNear(image, left + 40 + edge, 220, Grey);
    }
}

QByteArray rectList(qint32 headerSize, const QList<QRect> &rects, qint32 count)
{
    QByteArray bytes(32, '\0');
    qToLittleEndian<qint32>(headerSize, bytes.data());
    qToLittleEndian<qint32>(1, bytes.data() + 4);
    qToLittleEndian<qint32>(count, bytes.data() + 8);
    for (const QRect &r : rects) {
        char rect[16];
        qToLittleEndian<qint32>(r.left(), rect);
        qToLittleEndian<qint32>(r.top(), rect + 4);
        qToLittleEndian<qint32>(r.left() + r.width(), rect + 8);
        qToLittleEndian<qint32>(r.top() + r.height(), rect + 12);
        bytes.append(rect, 16);
    }
    return bytes;
}

}  // namespace

TEST(MaskedDraw, ShippedMaskShapesLoadAsDistinctShapes)
{
    QList<QImage> masks;
    for (int number = 1; number <= 13; ++number) {
        const QImage mask = MaskFromShape(shape(number), {0, 0, 60, 60}, 60, 60);
        ASSERT_EQ(mask.format(), QImage::Format_Mono);
        EXPECT_EQ(qGray(mask.pixel(30, 32)), 0) << number;   // the middle belongs to the picture
        EXPECT_EQ(qGray(mask.pixel(0, 0)), 255) << number;   // the corner is cut away
        for (const QImage &other : masks)
            EXPECT_NE(mask, other) << number;
        masks.append(mask);
    }
    TMetafileEx missing = shape(1);
    EXPECT_FALSE(LoadMaskShape(maskFile(99), missing));
    EXPECT_TRUE(missing.Empty());
    // No shape: everything is cut away.
    const QImage none = MaskFromShape(missing, {0, 0, 60, 60}, 60, 60);
    EXPECT_EQ(qGray(none.pixel(30, 30)), 255);
}

TEST(MaskedDraw, CutOutsAndTransparentColourOnImagesKeepTheCanvasClip)
{
    QImage image(400, 300, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 96, 96);
        drawScene(canvas);
    }
    expectScene(image, true);

    // A clip set before the clipped drawing limits it and is there, unchanged, afterwards.
    image.fill(Grey);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    canvas.SetClipRect({0, 0, 400, 200});
    DrawClippedByColor(canvas, picture(), Green, {20, 160, 180, 280});
    DrawClippedByMask(canvas, picture(), shape(1), {0, 0, 160, 120}, {220, 20, 380, 140});
    EXPECT_EQ(canvas.ClipRect(), (TRect{0, 0, 400, 200}));
    canvas.ClearClip();
    DrawClippedByColor(canvas, picture(), Green, {220, 160, 380, 280});
    EXPECT_FALSE(canvas.HasClip());
    painter.end();
    expectNear(image, 24, 164, Red);
    expectNear(image, 24, 270, Grey);
    expectNear(image, 300, 80, Green);
    expectNear(image, 224, 270, Red);

    // A picture taller than one band of work rows: the cut-out runs on unbroken across the bands.
    QImage tall(2200, 1300, QImage::Format_RGB32);
    tall.fill(Grey);
    {
        QPainter tallPainter(&tall);
        TCanvas tallCanvas(tallPainter, 96, 96);
        DrawWithMask(tallCanvas, picture(), shape(1), {0, 0, 2100, 1200}, {50, 50, 2150, 1250});
    }
    const int seam = 50 + 8 * 1024 * 1024 / (2100 * 4);
    for (int y : {seam - 1, seam, seam + 1})
        expectNear(tall, 1100, y, Red);
    expectNear(tall, 1100, 650, Green);
    expectNear(tall, 60, 60, Grey);
}

TEST(MaskedDraw, CutOutsAndTransparentColourSurviveInPdf)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("masks.pdf"));
    {
        QPdfWriter writer(file);
        writer.setResolution(150);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(400 * 25.4 / 150, 300 * 25.4 / 150), QPageSize::Millimeter));
        QPainter painter(&writer);
        TCanvas canvas(painter, 150, 150);
        drawScene(canvas);
    }
    const QImage page = RenderedPdfPage(file, 150);
    ASSERT_FALSE(page.isNull());
    ASSERT_GE(page.width(), 399);
    ASSERT_GE(page.height(), 299);
    expectScene(page, false);

}

TEST(MaskedDraw, RegionsFromMasksAndRectangleLists)
{
    // An all-white mask is an empty region, not a failure.
    QImage mask(70, 5, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(1);
    std::optional<QRegion> region = RegionFromMask(mask);
    ASSERT_TRUE(region);
    EXPECT_TRUE(region->isEmpty());
    // A row black from a column to its end is one rectangle reaching the width.
    for (int x = 33; x < 70; ++x)
        mask.setPixel(x, 2, 0);
    region = RegionFromMask(mask);
    ASSERT_TRUE(region);
    EXPECT_TRUE((*region ^ QRegion(33, 2, 37, 1)).isEmpty());

    // 9000 runs go in chunks of 4000, 4000 and 1000 and cover exactly the black pixels.
    QImage runs(200, 90, QImage::Format_Mono);
    runs.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // the other way round: 1 is black here
    runs.fill(0);
    for (int y = 0; y < 90; ++y)
        for (int x = y % 2; x < 200; x += 2)
            runs.setPixel(x, y, 1);
    region = RegionFromMask(runs);
    ASSERT_TRUE(region);
    QImage covered(200, 90, QImage::Format_Grayscale8);
    covered.fill(0);
    for (const QRect &rect : *region)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                covered.scanLine(y)[x] += 1;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(covered.constScanLine(y)[x], (x + y) % 2 == 0 ? 1 : 0) << x << "," << y;

    // Rectangles in any order make the same region.
    QBuffer unordered;
    unordered.setData(rectList(32, {{50, 10, 5, 5}, {0, 0, 10, 10}, {5, 5, 10, 10}}, 3));
    unordered.open(QIODevice::ReadOnly);
    region = RegionFromRectList(unordered);
    ASSERT_TRUE(region);
    EXPECT_TRUE((*region ^ (QRegion(50, 10, 5, 5) + QRegion(0, 0, 10, 10) + QRegion(5, 5, 10, 10))).isEmpty());
}

TEST(MaskedDraw, RefusedOrShortRectangleListsFailWithoutReadingOn)
{
    // The second chunk holds a rectangle turned inside out; what follows the list is not read.
    QList<QRect> rects;
    for (int i = 0; i < 4000; ++i)
        rects.append(QRect(i % 100, i / 100, 1, 1));
    QByteArray list = rectList(32, rects, 4001);
    char inverted[16];
    qToLittleEndian<qint32>(10, inverted);
    qToLittleEndian<qint32>(0, inverted + 4);
    qToLittleEndian<qint32>(5, inverted + 8);
    qToLittleEndian<qint32>(1, inverted + 12);
    list.append(inverted, 16);
    const qint64 end = list.size();
    list.append(rectList(32, {{0, 0, 3, 3}}, 1).repeated(300));
    QBuffer stream(&list);
    stream.open(QIODevice::ReadOnly);
    EXPECT_FALSE(RegionFromRectList(stream));
    EXPECT_EQ(stream.pos(), end);

    // A count beyond the rectangles present, a header of another size, a stream shorter than a header.
    QBuffer shortList;
    shortList.setData(rectList(32, {{0, 0, 2, 2}, {4, 0, 2, 2}, {8, 0, 2, 2}}, 10));
    shortList.open(QIODevice::ReadOnly);
    EXPECT_FALSE(RegionFromRectList(shortList));
    QBuffer otherHeader;
    otherHeader.setData(rectList(40, {{0, 0, 2, 2}}, 1));
    otherHeader.open(QIODevice::ReadOnly);
    EXPECT_FALSE(RegionFromRectList(otherHeader));
    QBuffer cut;
    cut.setData(QByteArray(20, '\0'));
    cut.open(QIODevice::ReadOnly);
    EXPECT_FALSE(RegionFromRectList(cut));
}
