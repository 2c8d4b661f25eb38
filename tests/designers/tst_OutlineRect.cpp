// The canvas's inverted outlines set exactly the pixels QPainter::drawRect sets, solid and dotted, inside the
// device, at its edges and beyond them, clipped and moved.
#include "designers/OutlineRect.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<QRect> someRects()
{
    std::vector<QRect> rects{{5, 7, 180, 120}, {33, 41, 17, 9}, {100, 100, 1, 1}, {150, 150, 2, 5}, {60, 200, 231, 3},
                             {0, 0, 399, 299}, {0, 0, 400, 300}, {-5, -5, 50, 50}, {201, 11, 0, 0}, {300, 20, 0, 40},
                             {300, 80, 40, 0}, {10, 10, 40, 40}, {10, 10, 41, 39}, {50, 50, 2, 2}, {70, 70, 3, 3}};
    QRandomGenerator random(27);
    for (int i = 0; i < 40; ++i) {
        const int w = random.bounded(2, 120), h = random.bounded(2, 120);
        rects.emplace_back(398 - w + random.bounded(0, 3), random.bounded(0, 150), w, h);  // at the right edge
        rects.emplace_back(random.bounded(0, 200), 298 - h + random.bounded(0, 3), w, h);  // at the bottom
    }
    for (int i = 0; i < 400; ++i)
        rects.emplace_back(random.bounded(-20, 380), random.bounded(-20, 280), random.bounded(0, 220), random.bounded(0, 190));
    return rects;
}

TEST(OutlineRect, SetsThePixelsDrawRectSets)
{
    QImage base(400, 300, QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(3);
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x)
            base.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFF));
    const std::vector<QRect> rects = someRects();
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied})
        for (QPainter::CompositionMode mode : {QPainter::RasterOp_SourceXorDestination, QPainter::CompositionMode_SourceOver})
            for (Qt::PenStyle style : {Qt::SolidLine, Qt::DotLine, Qt::DashLine})
                for (bool clippedAndMoved : {false, true}) {
                    QImage expected = base.convertToFormat(format), drawn = expected;
                    for (QImage *image : {&expected, &drawn}) {
                        QPainter painter(image);
                        if (clippedAndMoved) {
                            painter.setClipRegion(QRegion(13, 17, 300, 250) - QRegion(100, 100, 50, 50));
                            painter.translate(3, -2);
                        }
                        painter.setCompositionMode(mode);
                        painter.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 1, style));
                        painter.setBrush(Qt::NoBrush);
                        for (const QRect &r : rects) {
                            if (image == &expected)
                                painter.drawRect(r);
                            else
                                DrawOutlineRect(painter, r);
                        }
                    }
                    EXPECT_TRUE(drawn == expected) << "format " << format << ", mode " << mode << ", style " << style
                                                   << (clippedAndMoved ? ", clipped and moved" : "");
                }
}

}  // namespace
