// The picture panel on the offscreen platform: which part of its bitmap it shows, its bevels and border, the
// paint handler, the caption and the size it takes from a bitmap.
#include "geo/PaintPanel.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Column x in its own colour.
QImage columns(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, 255 - x, 7));
    return image;
}

QColor column(int x) { return QColor(x, 255 - x, 7); }

QImage shown(TPaintPanel &panel) { return panel.grab().toImage(); }

}  // namespace

TEST(PaintPanel, ShowsTheMiddleOrTheCornerOfItsBitmap)
{
    TPaintPanel panel;
    panel.SetBevelOuter(TPaintPanel::TBevel::None);
    panel.resize(100, 100);
    panel.SetColor(Qt::white);
    panel.SetImage(columns(200, 100));
    panel.SetCenter(true);
    QImage image = shown(panel);
    EXPECT_EQ(image.pixelColor(0, 50), column(50));
    EXPECT_EQ(image.pixelColor(99, 0), column(149));
    EXPECT_EQ(image.pixelColor(99, 99), column(149));

    panel.SetCenter(false);
    image = shown(panel);
    EXPECT_EQ(image.pixelColor(0, 10), column(0));
    EXPECT_EQ(image.pixelColor(99, 10), column(99));

    // A smaller bitmap stands at the corner at its own size; the rest is the panel.
    panel.SetImage(columns(50, 40));
    image = shown(panel);
    EXPECT_EQ(image.pixelColor(49, 39), column(49));
    EXPECT_EQ(image.pixelColor(50, 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 40), QColor(Qt::white));
}

TEST(PaintPanel, BevelsBorderPaintHandlerCaptionAndAutoSize)
{
    TPaintPanel panel;
    panel.resize(120, 80);
    panel.SetColor(Qt::white);
    panel.SetBevelOuter(TPaintPanel::TBevel::Raised);
    panel.SetBevelWidth(2);
    panel.SetBorderWidth(3);
    panel.SetBevelInner(TPaintPanel::TBevel::Lowered);
    QRect handed;
    panel.OnPaint = [&](TPaintPanel &, QPainter &painter, const QRect &inner) {
        handed = inner;
        painter.fillRect(inner.left(), inner.top(), 10, 10, Qt::red);
    };
    // Without a bitmap: the panel and the handler alone.
    QImage image = shown(panel);
    const QRgb light = panel.palette().color(QPalette::Light).rgb();
    const QRgb dark = panel.palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(handed, QRect(7, 7, 106, 66));
    EXPECT_EQ(panel.InnerRect(), handed);
    EXPECT_EQ(image.pixel(1, 40), light);
    EXPECT_EQ(image.pixel(118, 40), dark);
    EXPECT_EQ(image.pixel(60, 1), light);
    EXPECT_EQ(image.pixel(60, 78), dark);
    EXPECT_EQ(image.pixelColor(3, 40), QColor(Qt::white));
    EXPECT_EQ(image.pixel(6, 40), dark);
    EXPECT_EQ(image.pixel(113, 40), light);
    EXPECT_EQ(image.pixelColor(7, 7), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(17, 17), QColor(Qt::white));

    // The caption on the middle line, at the left.
    panel.OnPaint = nullptr;
    panel.SetCaption(QStringLiteral("WWW"));
    panel.SetAlignment(Qt::AlignLeft);
    image = shown(panel);
    QRect ink;
    for (int y = 7; y < 73; ++y)
        for (int x = 7; x < 113; ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.left(), 12);
    EXPECT_LT(ink.right(), 80);
    EXPECT_NEAR(ink.center().y(), 40, 4);

    // A bitmap sizes an auto-sized panel to itself and the frames, where it stands.
    panel.move(30, 20);
    panel.SetAutoSize(true);
    panel.SetImage(columns(200, 100));
    EXPECT_EQ(panel.geometry(), QRect(30, 20, 214, 114));
    EXPECT_EQ(shown(panel).pixelColor(7, 7), column(0));
}
