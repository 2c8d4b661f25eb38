// The editing commands' geometry on the worked examples: paste placement, centring, alignment, even spacing,
// Z-order moves, the default layout, a new object's fit, the paper change, grid snapping, the previews' fit.
#include "designers/DesignGeometry.h"

#include <gtest/gtest.h>

namespace {

TRect sized(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

QList<int> lefts(const QList<TSpacedRect> &spaced)
{
    QList<int> out;
    for (const TSpacedRect &s : spaced)
        out.append(s.Rect.Left);
    return out;
}

}  // namespace

TEST(DesignGeometry, PastedGroupComesToTheOriginKeepingItsArrangement)
{
    const QList<TRect> placed =
        PlacePastedGroup({{500, 300, 700, 500}, {600, 400, 900, 700}}, QSize(1000, 1000));
    EXPECT_EQ(placed[0], (TRect{0, 0, 200, 200}));
    EXPECT_EQ(placed[1], (TRect{100, 100, 400, 400}));
}

TEST(DesignGeometry, PastedObjectsBeyondTheFarEdgesArePulledBack)
{
    // The group's first object sets the origin; the others end up at lefts 450 on a paper 400 wide.
    const QList<TRect> placed = PlacePastedGroup(
        {{0, 0, 10, 10}, {450, 0, 550, 10}, {450, 20, 900, 30}, {100, 500, 150, 900}}, QSize(400, 400));
    EXPECT_EQ(placed[0], (TRect{0, 0, 10, 10}));
    EXPECT_EQ(placed[1], (TRect{300, 0, 400, 10})) << "right edge on the paper's edge";
    EXPECT_EQ(placed[2], (TRect{0, 20, 450, 30})) << "wider than the paper: left edge at 0";
    EXPECT_EQ(placed[3], (TRect{100, 0, 150, 400})) << "bottom edge on the paper's edge";
    // Partly off the paper is left as it is.
    EXPECT_EQ(PlacePastedGroup({{0, 0, 10, 10}, {350, 0, 500, 10}}, QSize(400, 400))[1], (TRect{350, 0, 500, 10}));
    EXPECT_TRUE(PlacePastedGroup({}, QSize(400, 400)).isEmpty());
}

TEST(DesignGeometry, CentringOnThePaperKeepsTheSize)
{
    const TRect r = sized(10, 20, 50, 301);
    EXPECT_EQ(CentreOnPaper(r, TPaperCentring::Vertical, QSize(500, 1000)), sized(10, 349, 50, 301));
    EXPECT_EQ(CentreOnPaper(r, TPaperCentring::Horizontal, QSize(500, 1000)), sized(225, 20, 50, 301));
    EXPECT_EQ(CentreOnPaper(r, TPaperCentring::Both, QSize(500, 1000)), sized(225, 349, 50, 301));
    // Larger than the paper: a negative offset, truncated toward zero.
    EXPECT_EQ(CentreOnPaper(sized(0, 0, 10, 1001), TPaperCentring::Vertical, QSize(10, 1000)).Top, 0);
    EXPECT_EQ(CentreOnPaper(sized(0, 0, 10, 1003), TPaperCentring::Vertical, QSize(10, 1000)).Top, -1);
}

TEST(DesignGeometry, AlignmentAgainstTheReference)
{
    const TRect ref = sized(0, 100, 101, 60);
    const TRect r = sized(300, 400, 50, 20);
    EXPECT_EQ(AlignToReference(r, ref, 0), sized(300, 100, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 1), sized(300, 140, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 2), sized(51, 400, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 3), sized(0, 400, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 4), sized(300, 120, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 5), sized(25, 400, 50, 20)) << "(101 - 50) div 2";
    EXPECT_EQ(AlignToReference(r, ref, 6), sized(25, 120, 50, 20));
    EXPECT_EQ(AlignToReference(r, ref, 7), sized(300, 400, 101, 20));
    EXPECT_EQ(AlignToReference(r, ref, 8), sized(300, 400, 50, 60));
    EXPECT_EQ(AlignToReference(r, ref, 9), sized(300, 400, 101, 60));
    EXPECT_EQ(AlignToReference(r, ref, 10), r);
}

TEST(DesignGeometry, EvenSpacingOverThePaper)
{
    const QSize paper(1000, 800);
    EXPECT_EQ(lefts(SpaceEvenly({sized(600, 0, 100, 10), sized(0, 5, 100, 10), sized(300, 9, 100, 10)}, 0, paper)),
              (QList<int>{175, 450, 725}));
    // Too wide together: they overlap evenly from the left edge.
    EXPECT_EQ(lefts(SpaceEvenly({sized(0, 0, 400, 10), sized(10, 0, 400, 10), sized(20, 0, 400, 10)}, 0, paper)),
              (QList<int>{0, 300, 600}));
    // The order is by left edge, equal edges in selection order; tops stay.
    const QList<TSpacedRect> spaced =
        SpaceEvenly({sized(500, 1, 100, 10), sized(0, 2, 100, 10), sized(0, 3, 100, 10)}, 0, paper);
    EXPECT_EQ(spaced[0].Index, 1);
    EXPECT_EQ(spaced[1].Index, 2);
    EXPECT_EQ(spaced[2].Index, 0);
    EXPECT_EQ(spaced[2].Rect, sized(725, 1, 100, 10));
    EXPECT_TRUE(SpaceEvenly({sized(0, 0, 10, 10)}, 0, paper).isEmpty());
}

TEST(DesignGeometry, EvenSpacingBetweenTheOutermostObjects)
{
    EXPECT_EQ(lefts(SpaceEvenly({sized(0, 0, 100, 10), sized(50, 0, 100, 10), sized(500, 0, 100, 10)}, 2,
                                QSize(1000, 1000))),
              (QList<int>{0, 250, 500}));
    // Down: tops 0, 250, 500 and the lefts unchanged.
    const QList<TSpacedRect> down =
        SpaceEvenly({sized(7, 500, 10, 100), sized(8, 0, 10, 100), sized(9, 50, 10, 100)}, 3, QSize(1000, 1000));
    EXPECT_EQ(down[0].Rect, sized(8, 0, 10, 100));
    EXPECT_EQ(down[1].Rect, sized(9, 250, 10, 100));
    EXPECT_EQ(down[2].Rect, sized(7, 500, 10, 100));
}

TEST(DesignGeometry, EvenSpacingDownPullsTheLastOnesBackOntoThePaper)
{
    // Three objects 600 high on a paper 1000 high: gap (1000 - 1800) div 2 = -400, so tops 0, 200, 400 until
    // one would start beyond the bottom.
    QList<TSpacedRect> spaced =
        SpaceEvenly({sized(0, 0, 10, 600), sized(0, 1, 10, 600), sized(0, 2, 10, 600)}, 1, QSize(1000, 1000));
    EXPECT_EQ(spaced[0].Rect.Top, 0);
    EXPECT_EQ(spaced[1].Rect.Top, 200);
    EXPECT_EQ(spaced[2].Rect.Top, 400);
    // Two tall objects whose gap leaves the second starting below the paper: its bottom comes to the edge.
    spaced = SpaceEvenly({sized(0, 0, 10, 700), sized(0, 10, 10, 1500)}, 3, QSize(1000, 1000));
    EXPECT_EQ(spaced[1].Rect, sized(0, 700 + (1510 - 2200), 10, 1500));
    spaced = SpaceEvenly({sized(0, 0, 10, 1200), sized(0, 10, 10, 100)}, 1, QSize(1000, 1000));
    EXPECT_EQ(spaced[1].Rect, sized(0, 1200 - 300, 10, 100)) << "starts at 900: on the paper, left there";
    spaced = SpaceEvenly({sized(0, 0, 10, 1300), sized(0, 10, 10, 50)}, 1, QSize(1000, 1000));
    EXPECT_EQ(spaced[1].Rect, sized(0, 1300 - 350, 10, 50));
    // Gap (1000 - 1520) div 2 = -260: the second would start at 1240, below the paper: its bottom
    // comes to the edge, and the third follows from there.
    spaced = SpaceEvenly({sized(0, 0, 10, 1500), sized(0, 1, 10, 10), sized(0, 2, 10, 10)}, 1, QSize(1000, 1000));
    EXPECT_EQ(spaced[1].Rect, sized(0, 990, 10, 10));
    EXPECT_EQ(spaced[2].Rect, sized(0, 740, 10, 10));
}

TEST(DesignGeometry, ZOrderMoves)
{
    const QList<bool> twoAndThree{false, false, true, true, false};
    EXPECT_EQ(ApplyZOrderMoves(twoAndThree, ZOrderMoves(twoAndThree, 1)),
              (QList<bool>{false, true, true, false, false}));
    EXPECT_EQ(ApplyZOrderMoves(twoAndThree, ZOrderMoves(twoAndThree, 2)),
              (QList<bool>{false, false, false, true, true}));
    const QList<bool> spread{false, true, false, true};
    const QList<TZOrderMove> top = ZOrderMoves(spread, 0);
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0].From, 1);
    EXPECT_EQ(top[0].To, 0);
    EXPECT_EQ(top[1].From, 3);
    EXPECT_EQ(top[1].To, 1);
    EXPECT_EQ(ApplyZOrderMoves(spread, ZOrderMoves(spread, 3)), (QList<bool>{false, false, true, true}));
    // Already on top: no move, so the command records no step.
    EXPECT_TRUE(ZOrderMoves({true, true, false}, 0).isEmpty());
    EXPECT_TRUE(ZOrderMoves({false, true, true}, 3).isEmpty());
}

TEST(DesignGeometry, BarcodeCentredInItsDefaultRectangle)
{
    EXPECT_EQ(CentreInRect(QSize(100, 21), sized(10, 20, 301, 100)), sized(110, 59, 100, 21));
    EXPECT_EQ(CentreInRect(QSize(400, 10), sized(0, 0, 301, 10)), sized(-49, 0, 400, 10));
}

TEST(DesignGeometry, NewObjectFitsThePaper)
{
    EXPECT_EQ(FitNewObject({50, 50, 200, 300}, QSize(100, 300)), (TRect{0, 33, 100, 200}));
    EXPECT_EQ(FitNewObject({50, 50, 300, 300}, QSize(1000, 1000)), (TRect{50, 50, 300, 300}));
    // Fits but sticks out: moved only.
    EXPECT_EQ(FitNewObject({50, 50, 300, 200}, QSize(280, 170)), (TRect{30, 20, 280, 170}));
}

TEST(DesignGeometry, PaperChange)
{
    EXPECT_EQ(ScaleToPaper({100, 100, 300, 200}, QSize(1000, 500), QSize(2000, 500)), (TRect{200, 100, 600, 200}));
    EXPECT_EQ(ScaleToPaper({1, 1, 3, 3}, QSize(2, 2), QSize(3, 3)), (TRect{2, 2, 5, 5})) << "halves away from zero";
    EXPECT_EQ(BringOntoPaper({1200, 0, 1500, 10}, QSize(1000, 1000)), (TRect{700, 0, 1000, 10}));
    EXPECT_EQ(BringOntoPaper({-30, 0, 70, 10}, QSize(1000, 1000)), (TRect{0, 0, 100, 10}));
    EXPECT_EQ(BringOntoPaper({500, 900, 1700, 1100}, QSize(1000, 1000)), (TRect{0, 800, 1200, 1000}));
    EXPECT_EQ(BringOntoPaper({10, 10, 20, 20}, QSize(1000, 1000)), (TRect{10, 10, 20, 20}));
}

TEST(DesignGeometry, DirectionChangeAndReach)
{
    EXPECT_EQ(SwapExtent({10, 20, 110, 420}), (TRect{10, 20, 410, 120}));
    EXPECT_EQ(KeepInReach({-300, -200, -100, -50}), (TRect{0, 0, 200, 150}));
    EXPECT_EQ(KeepInReach({-300, 5, 10, 50}), (TRect{-300, 5, 10, 50})) << "partly on the paper stays";
}

TEST(DesignGeometry, GridSnapping)
{
    EXPECT_EQ(SnapToGrid({30, 30, 180, 280}, 25), (TRect{25, 25, 200, 300}));
    EXPECT_EQ(SnapToGrid({25, 50, 75, 100}, 25), (TRect{25, 50, 75, 100})) << "on the grid already";
    EXPECT_EQ(SnapToGrid({30, 30, 180, 280}, 0), (TRect{30, 30, 180, 280}));
    EXPECT_EQ(SnapCornerToGrid({30, 64, 180, 280}, 15), (TRect{30, 60, 0, 0}));
}

TEST(DesignGeometry, PreviewFitAndDiagonal)
{
    // An object 100 wide and 400 high in a panel 239 square: zoom 239 x 0.9 / 400, centred.
    const TPreviewFit fit = FitInPreview({50, 60, 150, 460}, QSize(239, 239));
    EXPECT_DOUBLE_EQ(fit.Zoom, 239 * 0.9 / 400);
    EXPECT_EQ(fit.Rect, sized((444 - 100) / 2, (444 - 400) / 2, 100, 400));
    const TRect turned = ReflectInDiagonal(fit.Rect);
    EXPECT_EQ(turned, sized(22, 172, 400, 100)) << "400 wide and 100 high, still centred";
}
