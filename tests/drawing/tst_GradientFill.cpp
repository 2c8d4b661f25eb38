// Gradient fills checked at their corners and inside, at the band angles and at odd ones.
#include "drawing/GradientFill.h"

#include <gtest/gtest.h>

namespace {

const QColor First(200, 40, 10);
const QColor Second(20, 240, 130);

QImage filled(int angle, int width = 100, int height = 60)
{
    QImage bitmap(width, height, QImage::Format_RGB888);
    FillGradient(bitmap, angle, First, Second);
    return bitmap;
}

struct TExpected {
    int Angle;
    QPoint At;
    QColor Colour;
};

}  // namespace

TEST(GradientFill, CornersAndInsideAtBandAndOddAngles)
{
    // Channels truncated, the first colour starting at the side or corner the angle names; between the
    // band angles the far corner falls short of the second colour by the truncated lengths.
    const TExpected expected[] = {
        {0, {0, 0}, First},          {0, {99, 59}, Second},          {0, {37, 23}, {129, 117, 56}},
        {180, {0, 59}, First},       {180, {37, 23}, {90, 162, 83}}, {90, {0, 59}, First},
        {90, {99, 0}, Second},       {90, {37, 23}, {132, 114, 54}}, {270, {99, 0}, First},
        {270, {37, 23}, {87, 165, 85}}, {30, {0, 0}, First},         {30, {99, 0}, {111, 138, 68}},
        {30, {0, 59}, {108, 141, 71}}, {30, {99, 59}, {20, 239, 129}}, {30, {37, 23}, {131, 116, 55}},
        {45, {99, 59}, {20, 239, 129}}, {45, {37, 23}, {131, 115, 55}}, {135, {0, 59}, First},
        {135, {99, 0}, {20, 239, 129}}, {135, {37, 23}, {117, 132, 65}}, {225, {99, 59}, First},
        {225, {37, 23}, {88, 163, 84}}, {315, {99, 0}, First},       {315, {37, 23}, {103, 147, 74}},
        {359, {99, 0}, First},       {359, {0, 59}, {17, 242, 131}}, {1, {99, 59}, {17, 242, 131}},
    };
    for (const TExpected &e : expected) {
        const QImage bitmap = filled(e.Angle);
        EXPECT_EQ(bitmap.pixelColor(e.At), e.Colour) << e.Angle << " at " << e.At.x() << "," << e.At.y();
    }
    // Whole turns count for nothing.
    EXPECT_EQ(filled(360), filled(0));
    EXPECT_EQ(filled(-45), filled(315));
    EXPECT_EQ(filled(405), filled(45));
}

TEST(GradientFill, EqualColoursSingleLinesAndTheBitmapsFormat)
{
    QImage bitmap(40, 30, QImage::Format_ARGB32);
    bitmap.setDotsPerMeterX(23622);
    bitmap.setDotsPerMeterY(11811);
    FillGradient(bitmap, 45, First, First);
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB888);
    EXPECT_EQ(bitmap.size(), QSize(40, 30));
    EXPECT_EQ(bitmap.dotsPerMeterX(), 23622);
    EXPECT_EQ(bitmap.dotsPerMeterY(), 11811);
    QImage uniform(40, 30, QImage::Format_RGB888);
    uniform.fill(First);
    EXPECT_EQ(bitmap, uniform);

    const QImage line = filled(0, 50, 1);
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(line.pixelColor(x, 0), First);
    const QImage column = filled(90, 1, 20);
    EXPECT_EQ(column.pixelColor(0, 19), First);
    EXPECT_NO_THROW(filled(45, 0, 0));
}
