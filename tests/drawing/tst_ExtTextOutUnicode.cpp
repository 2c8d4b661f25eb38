// Per-character text output: the converter's placement along the escapement and its calls.
#include "drawing/ExtTextOutUnicode.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QList<QPoint> points(const QList<TTextOutCall> &calls)
{
    QList<QPoint> result;
    for (const TTextOutCall &call : calls)
        result.append(QPoint(call.X, call.Y));
    return result;
}

}  // namespace

TEST(ExtTextOutConverter, PiecesRunAlongTheEscapementScaledByTheResolutionRatio)
{
    const int dx[] = {10, 11, 12};
    const TExtTextOutConverter converter(100, 200, ETO_OPAQUE, nullptr, u"東aー", dx);
    ASSERT_EQ(converter.Pieces().size(), 3);
    EXPECT_EQ(converter.Pieces()[0].Text, QByteArray("\x93\x8c"));
    EXPECT_EQ(converter.Pieces()[1].Text, QByteArray("a"));
    EXPECT_EQ(converter.Pieces()[2].Offset, 21);
    EXPECT_EQ(converter.ClipRect(), TRect{});

    // First piece with the whole extent, the farthest with its own, then every piece transparent.
    const QList<TTextOutCall> flat = converter.Plan(0, 600, 600);
    ASSERT_EQ(flat.size(), 5);
    EXPECT_EQ(points(flat), (QList<QPoint>{{100, 200}, {121, 200}, {100, 200}, {110, 200}, {121, 200}}));
    EXPECT_EQ(flat[0].Advance, 33);
    EXPECT_EQ(flat[0].Options, ETO_OPAQUE);
    EXPECT_FALSE(flat[1].Transparent);
    EXPECT_EQ(flat[1].Advance, 12);
    EXPECT_TRUE(flat[2].Transparent);
    EXPECT_EQ(flat[2].Options, 0u);

    const QList<TTextOutCall> down = converter.Plan(2700, 600, 600);
    EXPECT_EQ(points(down).mid(2), (QList<QPoint>{{100, 200}, {100, 210}, {100, 221}}));
    // A device twice as fine vertically doubles the steps down; 10.5 rounds to even.
    const QList<TTextOutCall> tall = converter.Plan(2700, 300, 600);
    EXPECT_EQ(points(tall).mid(2), (QList<QPoint>{{100, 200}, {100, 220}, {100, 242}}));
    const int half[] = {21, 1};
    EXPECT_EQ(TExtTextOutConverter(0, 0, 0, nullptr, u"ab", half).Plan(2700, 400, 200)[3].Y, 10);
}

TEST(ExtTextOutConverter, FarthestPieceTiesKeepTheFirstAndEmptyOrSingleTextsDrawLittle)
{
    const int backwards[] = {30, -20, 10};  // ends at 30, 10, 20
    EXPECT_EQ(TExtTextOutConverter(0, 0, 0, nullptr, u"abc", backwards).Plan(0, 96, 96)[1].Piece, 0);
    const int tie[] = {10, 0, 5, -5};  // ends at 10, 10, 15, 10
    EXPECT_EQ(TExtTextOutConverter(0, 0, 0, nullptr, u"abcd", tie).Plan(0, 96, 96)[1].Piece, 2);
    const int equal[] = {10, 0};
    EXPECT_EQ(TExtTextOutConverter(0, 0, 0, nullptr, u"ab", equal).Plan(0, 96, 96)[1].Piece, 0);

    const int one[] = {7};
    EXPECT_EQ(TExtTextOutConverter(0, 0, 0, nullptr, u"a", one).Plan(0, 96, 96).size(), 1);
    const TExtTextOutConverter empty(0, 0, 0, nullptr, u"", nullptr);
    EXPECT_TRUE(empty.Plan(2700, 96, 96).isEmpty());

    // A character Shift-JIS lacks is drawn as the code page makes it and still advances by its width.
    const int wide[] = {9, 9};
    const TExtTextOutConverter lacking(0, 0, 0, nullptr, u"\u00e9x", wide);
    EXPECT_EQ(lacking.Pieces()[1].Offset, 9);
}

TEST(ExtTextOutConverter, DrawsThroughTheDeviceAndRestoresItsState)
{
    InstallFontSubstitutions();
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TCanvas canvas(painter, 96, 96);
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    MakeVerticalFont(font.Log);
    canvas.SetFont(font);
    canvas.SetFontHeight(-40);
    const int dx[] = {60, 60};
    TExtTextOutConverter(300, 10, 0, nullptr, u"一二", dx).Draw(canvas);
    EXPECT_EQ(canvas.BkMode(), TBkMode::Opaque);
    EXPECT_TRUE(ExtTextOutUnicode(canvas, 200, 10, 0, nullptr, QStringLiteral("一二").constData(), 2, dx));
    painter.end();
    // Both draw "二" one advance (60) further down its column.
    for (int column : {300, 200}) {
        int top = -1;
        for (int y = 0; y < 400 && top < 0; ++y)
            for (int x = column - 40; x < column; ++x)
                if (qGray(image.pixel(x, y)) < 128 && y > 70)
                    top = y;
        EXPECT_GT(top, 70) << column;
        EXPECT_LT(top, 70 + 40) << column;
    }
}
