// The canvas arithmetic: the fitting zoom, grid snapping, the arrow keys' grid steps, resizing a selection
// (free, in ratio, about the centre), keeping objects on the paper and turning with the paper.
#include "designers/CanvasGeometry.h"

#include "base/Numbers.h"

#include <gtest/gtest.h>

TEST(CanvasGeometryTest, WholePaperFitsThePostcardInTheBoxAt97Percent)
{
    // A 100 x 148 mm postcard in a scroll box of 804 x 586 pixels (4 pixels of frame).
    const double zoom = FitZoom(QSize(800, 582), 378, 559);
    EXPECT_DOUBLE_EQ(zoom, std::min(760.0 / 378, 542.0 / 559));
    EXPECT_EQ(RoundHalfAway(zoom * 100), 97);
}

TEST(CanvasGeometryTest, SnapAndArrowTargets)
{
    EXPECT_EQ(SnapToGrid(37, 25), 25);
    EXPECT_EQ(SnapToGrid(38, 25), 50);
    EXPECT_EQ(SnapToGrid(-13, 25), -25);
    EXPECT_EQ(SnapToGrid(38, 0), 38);
    EXPECT_EQ(ArrowGridTarget(22, 25, true), 25);
    EXPECT_EQ(ArrowGridTarget(23, 25, true), 50);
    EXPECT_EQ(ArrowGridTarget(27, 25, false), 0);
    EXPECT_EQ(ArrowGridTarget(28, 25, false), 25);
}

TEST(CanvasGeometryTest, ConstrainedMoveFollowsTheLargerAxis)
{
    const TRect focused{10, 10, 60, 40};
    EXPECT_EQ(MoveDelta(QPoint(30, 8), focused, 0, true), QPoint(30, 0));
    EXPECT_EQ(MoveDelta(QPoint(3, -8), focused, 0, true), QPoint(0, -8));
    // With the grid the focused object lands on it.
    EXPECT_EQ(MoveDelta(QPoint(13, 6), focused, 25, false), QPoint(15, 15));
}

TEST(CanvasGeometryTest, ResizeStretchesEverySelectedRectangleWithTheUnion)
{
    const std::vector<TRect> rects{{0, 0, 100, 50}, {100, 50, 200, 100}};
    const TEdgeCodes corner{EdgeCode::Right, EdgeCode::Bottom};
    const auto free = ResizeOutlines(rects, corner, QPoint(100, 0), 0, false);
    EXPECT_EQ(free[0], (TRect{0, 0, 150, 50}));
    EXPECT_EQ(free[1], (TRect{150, 50, 300, 100}));
    // In ratio the height follows the width.
    const auto ratio = ResizeOutlines(rects, corner, QPoint(100, 0), 0, true);
    EXPECT_EQ(ratio[1], (TRect{150, 75, 300, 150}));
    // A middle handle in ratio grows the other side about the centre.
    const auto middle = ResizeOutlines({{0, 0, 100, 50}}, TEdgeCodes{EdgeCode::Right, EdgeCode::Centre},
                                       QPoint(20, 0), 0, true);
    EXPECT_EQ(middle[0], (TRect{0, -5, 120, 55}));
}

TEST(CanvasGeometryTest, OnlyObjectsWhollyOffThePaperComeBack)
{
    EXPECT_EQ(KeepOnPaper(TRect{400, 10, 450, 40}, 378, 559), (TRect{328, 10, 378, 40}));
    EXPECT_EQ(KeepOnPaper(TRect{-80, 10, -20, 40}, 378, 559), (TRect{0, 10, 60, 40}));
    EXPECT_EQ(KeepOnPaper(TRect{370, 10, 420, 40}, 378, 559), (TRect{370, 10, 420, 40}));
    EXPECT_EQ(KeepOnPaper(TRect{10, 600, 40, 1300}, 378, 559), (TRect{10, 0, 40, 700}));
    EXPECT_EQ(FinalOutline(TRect{50, 40, 45, 38}, 10), (TRect{45, 38, 55, 48}));
}

TEST(CanvasGeometryTest, TurningTwiceIsTheIdentity)
{
    const TRect r{12, 30, 80, 95};
    EXPECT_EQ(TurnedRect(r, 378, 559), (TRect{298, 464, 366, 529}));
    EXPECT_EQ(TurnedRect(TurnedRect(r, 378, 559), 378, 559), r);
}
