// Outlines built on the canvas's path and read back, and dashed geometric strokes checked pixel by pixel.
#include "drawing/PathUtils.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);

QImage white(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage drawn(int width, int height, const std::function<void(TCanvas &)> &draw)
{
    QImage image = white(width, height);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    draw(canvas);
    return image;
}

// The path the builder leaves, flattened when asked.
TPath built(const std::function<void(TCanvas &)> &build, bool flatten = false)
{
    QImage image = white(4, 4);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    canvas.BeginPath();
    build(canvas);
    canvas.EndPath();
    if (flatten)
        canvas.FlattenPath();
    TPath path;
    path.LoadFromCanvas(canvas);
    return path;
}

bool isRed(const QImage &image, int x, int y) { return image.pixel(x, y) == Red.rgb(); }
bool isWhite(const QImage &image, int x, int y) { return image.pixel(x, y) == QColor(Qt::white).rgb(); }

}  // namespace

TEST(PathUtils, OutlinesAreBuiltOfMovesLinesAndCurvesAndReadBack)
{
    // Corners given the wrong way round make the same outline; right and bottom stay outside.
    const TPath rect = built([](TCanvas &c) { PathRectangle(c, 10, 10, 0, 0); });
    ASSERT_EQ(rect.Count, 4);
    EXPECT_EQ(rect.Points, (QList<QPoint>{{0, 0}, {9, 0}, {9, 9}, {0, 9}}));
    EXPECT_EQ(rect.Types, (QList<uint8_t>{PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE}));
    TPathPoint point;
    rect.GetPoint(3, point);
    EXPECT_EQ(point.Kind, 1);
    EXPECT_TRUE(point.Closed);
    EXPECT_THROW(rect.GetPoint(4, point), EPathError);
    EXPECT_THROW(rect.GetPoint(-1, point), EPathError);

    // An arc whose end radial is its start radial is one degenerate segment.
    QPoint start;
    const TPath arc = built([&](TCanvas &c) { PathArc(c, 0, 0, 101, 101, 100, 50, 100, 50, start); });
    EXPECT_EQ(start, QPoint(100, 50));
    EXPECT_EQ(arc.Points, (QList<QPoint>{{100, 50}, {100, 50}}));
    EXPECT_EQ(arc.Types, (QList<uint8_t>{PT_MOVETO, PT_LINETO}));

    // An ellipse is four quarter curves from its right-most point; flattened, only lines on the ellipse.
    const TPath ellipse = built([](TCanvas &c) { PathEllipse(c, 0, 0, 101, 61); });
    ASSERT_EQ(ellipse.Count, 13);
    EXPECT_EQ(ellipse.Points[0], QPoint(100, 30));
    EXPECT_EQ(ellipse.Points[3], QPoint(50, 0));
    EXPECT_EQ(ellipse.Points[12], QPoint(100, 30));
    EXPECT_EQ(ellipse.Types[1], PT_BEZIERTO);
    EXPECT_EQ(ellipse.Types[12], PT_BEZIERTO | PT_CLOSEFIGURE);
    const TPath flat = built([](TCanvas &c) { PathEllipse(c, 0, 0, 101, 61); }, true);
    ASSERT_GT(flat.Count, 20);
    for (int i = 1; i < flat.Count; ++i) {
        EXPECT_EQ(flat.Types[i] & PT_BEZIERTO, 0);
        const double dx = (flat.Points[i].x() - 50.5) / 50;
        const double dy = (flat.Points[i].y() - 30.5) / 30;
        EXPECT_NEAR(dx * dx + dy * dy, 1.0, 0.05) << i;
    }
    EXPECT_TRUE(flat.Types.last() & PT_CLOSEFIGURE);

    // Corner sizes beyond the rectangle are the rectangle's; negative ones are none.
    const auto roundRect = [](int corner) {
        return built([=](TCanvas &c) { PathRoundRect(c, 0, 0, 40, 30, corner, corner); }).Points;
    };
    EXPECT_EQ(roundRect(500), built([](TCanvas &c) { PathRoundRect(c, 0, 0, 40, 30, 40, 30); }).Points);
    EXPECT_EQ(roundRect(-5), roundRect(0));
    EXPECT_EQ(roundRect(10).first(), QPoint(5, 0));  // the top-left arc starts on the top edge

    // The pie closes back through the centre.
    const TPath pie = built([](TCanvas &c) { PathPie(c, 0, 0, 101, 101, 100, 50, 50, 0); });
    EXPECT_EQ(pie.Points.mid(pie.Count - 2), (QList<QPoint>{{50, 50}, {100, 50}}));

    // Without an ended path the count is -1 and the points are left alone.
    TPath kept = rect;
    QImage image = white(4, 4);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    canvas.BeginPath();
    canvas.MoveTo(1, 1);
    kept.LoadFromCanvas(canvas);
    EXPECT_EQ(kept.Count, -1);
    EXPECT_EQ(kept.Points, rect.Points);
}

TEST(PathUtils, DashesScaleWithTheWidthAndRunOnAroundCorners)
{
    const QList<double> style1{18, 6};
    const QImage image = drawn(300, 200, [&](TCanvas &c) {
        c.SetPen(Blue, 1);
        c.BeginPath();
        PathRectangle(c, 20, 20, 221, 121);
        c.EndPath();
        TPath path;
        path.LoadFromCanvas(c);
        StrokePathDashed(path, c, 2, true, style1, Red);
        // The canvas's own pen is back afterwards.
        c.Polyline({{0, 190}, {299, 190}});
    });
    // Width 2: dashes of 36, gaps of 12, from the top-left corner along the top edge.
    for (int x : {20, 40, 55, 68, 103})
        EXPECT_TRUE(isRed(image, x, 20)) << x;
    for (int x : {57, 66, 105, 115})
        EXPECT_TRUE(isWhite(image, x, 20)) << x;
    // The fifth dash (192 .. 228) turns the corner at 200 as one polyline: a round join, 28 down the side.
    EXPECT_TRUE(isRed(image, 220, 20));
    EXPECT_TRUE(isRed(image, 220, 19));
    EXPECT_TRUE(isRed(image, 220, 47));
    EXPECT_TRUE(isWhite(image, 220, 52));
    EXPECT_TRUE(isRed(image, 220, 60));
    EXPECT_EQ(image.pixel(100, 190), Blue.rgb());
    EXPECT_TRUE(isWhite(image, 100, 191));

    // Round ends reach half a width past the dash.
    const QImage round = drawn(120, 40, [&](TCanvas &c) {
        StrokePolylineDashed({{10, 20}, {110, 20}}, c, false, {10, 10}, 4, Red);
    });
    EXPECT_TRUE(isRed(round, 51, 20));
    EXPECT_TRUE(isWhite(round, 55, 20));
    const QImage flat = drawn(120, 40, [&](TCanvas &c) {
        StrokePolylineDashed({{10, 20}, {110, 20}}, c, true, {10, 10}, 4, Red);
    });
    EXPECT_TRUE(isWhite(flat, 51, 20));
}

TEST(PathUtils, RepeatedVerticesAreSkippedAndEmptyPatternsRefused)
{
    const QList<double> style3{9, 6, 3, 6};
    const auto stroke = [&](const QList<QPoint> &points) {
        return drawn(200, 120, [&](TCanvas &c) { StrokePolylineDashed(points, c, true, style3, 2, Red); });
    };
    // Vertices repeated where dashes and gaps meet, and a figure closed onto its own first point.
    const QImage clean = stroke({{20, 20}, {38, 20}, {38, 100}, {20, 100}, {20, 20}});
    const QImage repeated = stroke({{20, 20}, {20, 20}, {38, 20}, {38, 20}, {38, 20}, {38, 100}, {20, 100}, {20, 20}, {20, 20}});
    EXPECT_EQ(repeated, clean);
    TPath closed;
    closed.Count = 5;
    closed.Points = {{20, 20}, {38, 20}, {38, 100}, {20, 100}, {20, 20}};
    closed.Types = {PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE};
    EXPECT_EQ(drawn(200, 120, [&](TCanvas &c) { StrokePathDashed(closed, c, 2, true, style3, Red); }), clean);
    // A length below 0 steps back; from a repeated first vertex it must still step back along a real segment.
    const QList<double> back{4, -6, 8, 4};
    const auto strokeBack = [&](const QList<QPoint> &points) {
        return drawn(200, 120, [&](TCanvas &c) { StrokePolylineDashed(points, c, true, back, 2, Red); });
    };
    EXPECT_EQ(strokeBack({{20, 20}, {20, 20}, {180, 20}}), strokeBack({{20, 20}, {180, 20}}));
    // A figure that is one point drawn over and over draws nothing.
    EXPECT_EQ(stroke({{50, 50}, {50, 50}}), white(200, 120));

    QImage image = white(50, 50);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    const QList<QPoint> line{{0, 10}, {40, 10}};
    EXPECT_THROW(StrokePolylineDashed(line, canvas, true, {}, 2, Red), EPathError);
    EXPECT_THROW(StrokePolylineDashed(line, canvas, true, {0, 0}, 2, Red), EPathError);
    EXPECT_THROW(StrokePolylineDashed(line, canvas, true, {6, -6}, 2, Red), EPathError);
    EXPECT_THROW(StrokePolylineDashed(line, canvas, true, {18, 6}, 0, Red), EPathError);
    painter.end();
    EXPECT_EQ(image, white(50, 50));
}
