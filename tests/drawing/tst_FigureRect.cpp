// The figure object: its stream and version gates, damaged streams, which changes drop which cache, and every
// kind printed at 600 dpi (positions, line widths, dash patterns, fills, gradients cut to the shape) and into
// a PDF page read back with pdftoppm.
#include "ObjectTestSupport.h"
#include "drawing/FigureRect.h"

#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

namespace {

const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);       // 0x0000FF as a stored colour
const QColor Blue(0, 0, 255);      // 0xFF0000
constexpr int32_t RedBgr = 0x0000FF;
constexpr int32_t BlueBgr = 0xFF0000;
constexpr int32_t WhiteBgr = 0xFFFFFF;

bool near(const QColor &a, const QColor &b, int tolerance = 8)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TFigureRect everything()
{
    TFigureRect figure;
    figure.SetRect({12, 6, 108, 54});
    figure.SetKind(TFigureRect::Sector);
    figure.SetLineDirections(9);
    figure.SetCornerRadius(0, 2);
    figure.SetCornerRadius(1, 1);
    figure.SetSectorDirection(3);
    figure.SetLineStyle(4);
    figure.SetLineWidth(7);
    figure.SetFrameColor(0x123456);
    figure.SetBackFill(true);
    figure.SetGradation(true);
    figure.SetFillColor1(0x654321);
    figure.SetFillColor2(0x0A0B0C);
    figure.SetGradientAngle(-33);
    figure.Visible = 0;
    return figure;
}

// The figure printed by a 600-dpi printer onto a white page.
class FigureAt600 : public ::testing::Test {
protected:
    static constexpr TRenderTarget Printer{true, 600, 600, 0, 0};
    static QImage printed(TFigureRect &figure, int width = 800, int height = 420)
    {
        QImage page = WhitePage(width, height);
        figure.CalcPrintRect(Printer, QPoint(0, 0), true);
        figure.Prepare(Printer, true);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        figure.Print(canvas, 0, 0);
        return page;
    }
    // Layout (12, 6)-(108, 54) prints at (75, 38)-(675, 338): 600 x 300 pixels.
    static TFigureRect figure(uint8_t kind)
    {
        TFigureRect f;
        f.SetRect({12, 6, 108, 54});
        f.SetKind(kind);
        f.SetFrameColor(RedBgr);
        return f;
    }
    static const inline QRect Printed{75, 38, 600, 300};
};

// The runs of ink along a row from x0 to x1: (start, length) of each.
QList<QPair<int, int>> inkRuns(const QImage &image, int y, int x0, int x1)
{
    QList<QPair<int, int>> runs;
    for (int x = x0; x < x1; ++x) {
        if (qGray(image.pixel(x, y)) >= 128)
            continue;
        if (!runs.isEmpty() && runs.last().first + runs.last().second == x)
            ++runs.last().second;
        else
            runs.append({x, 1});
    }
    return runs;
}

}  // namespace

TEST(FigureRect, StreamRoundTripsOlderVersionsAndDamage)
{
    const TFigureRect source = everything();
    const QByteArray bytes = SavedObject(source);
    ASSERT_EQ(bytes.size(), 17 + 5 + 4 + 1 + 1 + 5 * 4);
    // Corner radii then two reserved zero bytes, then the sector direction and line style.
    EXPECT_EQ(bytes.mid(22, 6), QByteArray::fromHex("020100000304"));

    TFigureRect loaded;
    EXPECT_EQ(LoadObject(loaded, bytes, CurrentStreamVersion), 0);
    EXPECT_EQ(SavedObject(loaded), bytes);
    EXPECT_EQ(loaded.GetKind(), 12);
    EXPECT_EQ(loaded.SectorDirection(), 3);
    EXPECT_EQ(loaded.GradientAngle(), -33);
    EXPECT_FALSE(loaded.PictureValid() || loaded.FillBitmapValid() || loaded.RegionValid());
    TFigureRect copy;
    copy.Assign(source);
    EXPECT_EQ(SavedObject(copy), bytes);

    // Before version 300 there is no sector direction: the line style is the byte after the corner radii
    // (and version 200 has no visible byte either).
    for (int version : {299, 200}) {
        QByteArray older = bytes;
        older.remove(26, 1);
        if (version <= 200)
            older.remove(16, 1);
        TFigureRect old;
        old.SetSectorDirection(2);
        EXPECT_EQ(LoadObject(old, older, version), 0) << version;
        EXPECT_EQ(old.SectorDirection(), 0);
        EXPECT_EQ(old.LineStyle(), 4);
        EXPECT_EQ(old.LineWidth(), 7);
        EXPECT_EQ(old.GradientAngle(), -33);
    }

    // Cut anywhere, the stream is refused.
    for (int cut = 0; cut < bytes.size(); ++cut) {
        TFigureRect damaged;
        EXPECT_THROW(LoadObject(damaged, bytes.left(cut), CurrentStreamVersion), EStreamError) << cut;
    }
}

TEST(FigureRect, SettersKeepTheRulesAndDropOnlyTheirCaches)
{
    TFigureRect line;
    EXPECT_TRUE(line.FrameVisible());
    line.SetFrameVisible(false);
    EXPECT_TRUE(line.FrameVisible());
    line.SetKind(TFigureRect::Circle);
    line.SetFrameVisible(false);
    EXPECT_FALSE(line.FrameVisible());
    line.SetKind(TFigureRect::Line);
    EXPECT_TRUE(line.FrameVisible());
    line.SetLineStyle(5);
    EXPECT_EQ(line.LineStyle(), 0);

    TFigureRect figure = everything();
    figure.SetZoom(1.0);
    figure.Prepare({}, false);
    ASSERT_TRUE(figure.PictureValid() && figure.FillBitmapValid() && figure.RegionValid());
    figure.SetFillColor1(0x111111);
    EXPECT_FALSE(figure.PictureValid());
    EXPECT_FALSE(figure.FillBitmapValid());
    EXPECT_TRUE(figure.RegionValid());
    figure.Prepare({}, false);
    figure.SetSectorDirection(1);
    EXPECT_FALSE(figure.RegionValid());
    EXPECT_TRUE(figure.FillBitmapValid());
    figure.Prepare({}, false);
    // With the gradient off, a fill colour concerns the picture alone.
    figure.SetGradation(false);
    figure.Prepare({}, false);
    const bool bitmapValid = figure.FillBitmapValid();
    const bool regionValid = figure.RegionValid();
    figure.SetFillColor1(0x222222);
    EXPECT_FALSE(figure.PictureValid());
    EXPECT_EQ(figure.FillBitmapValid(), bitmapValid);
    EXPECT_EQ(figure.RegionValid(), regionValid);
    // A moved clip cuts the picture elsewhere.
    figure.Prepare({}, false);
    figure.SetClipMode(1);
    EXPECT_FALSE(figure.PictureValid());
}

TEST_F(FigureAt600, OutlinesKeepTheirWidthInsideTheRectangle)
{
    // Width 5 at 96 dpi is 31 pixels at 600, all of it inside the printed rectangle on every side.
    TFigureRect rect = figure(TFigureRect::Rectangle);
    const QImage page = printed(rect);
    EXPECT_EQ(InkBox(page), Printed);
    EXPECT_EQ(inkRuns(page, 188, 0, 800), (QList<QPair<int, int>>{{75, 31}, {644, 31}}));
    QImage turned = page.transformed(QTransform().rotate(90));
    EXPECT_EQ(inkRuns(turned, 375, 0, 420), (QList<QPair<int, int>>{{420 - 338, 31}, {420 - 69, 31}}));
    EXPECT_EQ(page.pixelColor(80, 40), Red);

    for (uint8_t kind : {TFigureRect::RoundRectangle, TFigureRect::Circle, TFigureRect::Sector, TFigureRect::Diamond}) {
        TFigureRect f = figure(kind);
        const QImage shape = printed(f);
        EXPECT_TRUE(Printed.contains(InkBox(shape))) << int(kind);
        EXPECT_GE(InkBox(shape).width(), 598) << int(kind);
        EXPECT_GE(InkBox(shape).height(), 298) << int(kind);
    }
    // A circle is thickest where it meets the sides: a full line width at the left and the top.
    TFigureRect circle = figure(TFigureRect::Circle);
    const QImage round = printed(circle);
    EXPECT_EQ(inkRuns(round, 188, 0, 400), (QList<QPair<int, int>>{{75, 31}}));
    EXPECT_TRUE(near(round.pixelColor(375, 188), Qt::white));

    // The diagonals and middle lines of a line figure stop at the rectangle.
    TFigureRect lines = figure(TFigureRect::Line);
    lines.SetLineDirections(15);
    lines.SetLineWidth(10);
    const QImage crossed = printed(lines);
    EXPECT_EQ(InkBox(crossed), Printed);
    EXPECT_EQ(inkRuns(crossed, 100, 370, 380).size(), 1);  // the vertical line through the middle
    EXPECT_EQ(inkRuns(crossed, 350, 0, 800).size(), 0);

    // The clip keeps the part left of its position.
    TFigureRect clipped = figure(TFigureRect::Rectangle);
    clipped.SetClipMode(1);
    clipped.SetClipPos(60);
    EXPECT_EQ(InkBox(printed(clipped)), QRect(75, 38, 300, 300));
}

TEST_F(FigureAt600, DashPatternsInLineWidths)
{
    // Width 1 at 96 dpi is 6 pixels at 600: dashed 108/36, dotted 18/18, dash-dot 54/36/18/36,
    // dash-dot-dot 54/18/18/18/18/18, from the left end of the horizontal line.
    const QList<QList<QPair<int, int>>> expected = {
        {{75, 108}, {219, 108}, {363, 108}, {507, 108}, {651, 24}},
        {{75, 18}, {111, 18}, {147, 18}, {183, 18}},
        {{75, 54}, {165, 18}, {219, 54}, {309, 18}},
        {{75, 54}, {147, 18}, {183, 18}, {219, 54}},
    };
    for (uint8_t style = 1; style <= 4; ++style) {
        TFigureRect line = figure(TFigureRect::Line);
        line.SetLineWidth(1);
        line.SetLineStyle(style);
        const QImage page = printed(line);
        const auto runs = inkRuns(page, 38 + 150, 0, 800);
        const auto &want = expected[style - 1];
        ASSERT_GE(runs.size(), want.size()) << int(style);
        for (qsizetype i = 0; i < want.size(); ++i)
            EXPECT_EQ(runs[i], want[i]) << int(style) << " dash " << i;
        EXPECT_EQ(inkRuns(page, 38 + 150 - 3, 0, 800), runs) << int(style);
        EXPECT_TRUE(inkRuns(page, 38 + 150 + 3, 0, 800).isEmpty()) << int(style);
    }
    // A width of 0 from a damaged document draws the thinnest line instead of failing.
    TFigureRect zero = figure(TFigureRect::Circle);
    zero.SetLineWidth(0);
    zero.SetLineStyle(2);
    EXPECT_EQ(InkBox(printed(zero)), Printed);
}

TEST_F(FigureAt600, FillsInsideTheShape)
{
    // A sector with its apex at the top right is the lower-left quarter of that ellipse.
    TFigureRect sector = figure(TFigureRect::Sector);
    sector.SetSectorDirection(2);
    sector.SetFrameVisible(false);
    sector.SetBackFill(true);
    sector.SetFillColor1(BlueBgr);
    const QImage quarter = printed(sector);
    EXPECT_EQ(quarter.pixelColor(75 + 540, 38 + 30), Blue);
    EXPECT_EQ(quarter.pixelColor(75 + 300, 38 + 150), Blue);
    EXPECT_EQ(quarter.pixelColor(75 + 60, 38 + 270), QColor(Qt::white));
    EXPECT_TRUE(Printed.contains(InkBox(quarter)));
    EXPECT_GE(InkBox(quarter).width(), 599);
    EXPECT_GE(InkBox(quarter).height(), 298);

    // A wide diamond filled in one colour with its frame on is filled inside only.
    TFigureRect diamond = figure(TFigureRect::Diamond);
    diamond.SetBackFill(true);
    diamond.SetFillColor1(BlueBgr);
    diamond.SetLineWidth(2);
    const QImage filled = printed(diamond);
    EXPECT_EQ(filled.pixelColor(375, 188), Blue);
    EXPECT_EQ(filled.pixelColor(80, 43), QColor(Qt::white));
    EXPECT_EQ(filled.pixelColor(670, 333), QColor(Qt::white));
    EXPECT_EQ(filled.pixelColor(78, 188), Red);
    EXPECT_EQ(filled.pixelColor(375, 40), Red);
    EXPECT_TRUE(Printed.contains(InkBox(filled)));

    // A rounded rectangle of 200 x 100 at 96 dpi, large across and small down: corners 50 wide, 20 high.
    TFigureRect rounded;
    rounded.SetRect({0, 0, 200, 100});
    rounded.SetKind(TFigureRect::RoundRectangle);
    rounded.SetCornerRadius(0, 2);
    rounded.SetCornerRadius(1, 0);
    rounded.SetFrameVisible(false);
    rounded.SetBackFill(true);
    QImage screen = WhitePage(220, 120);
    {
        QPainter painter(&screen);
        TCanvas canvas(painter, 96, 96);
        rounded.Draw(canvas, 0, 0);
    }
    const auto top = inkRuns(screen, 0, 0, 220);
    ASSERT_EQ(top.size(), 1);
    // The curve meets the top edge 25 in, tangentially, so the top row starts a little before.
    EXPECT_NEAR(top[0].first, 15, 3);
    EXPECT_NEAR(top[0].first + top[0].second, 186, 3);
    QImage column = screen.transformed(QTransform().rotate(90));
    const auto left = inkRuns(column, 0, 0, 120);
    ASSERT_EQ(left.size(), 1);
    EXPECT_NEAR(120 - (left[0].first + left[0].second), 9, 3);
    EXPECT_NEAR(120 - left[0].first, 92, 3);
}

TEST_F(FigureAt600, GradientsAtOddAnglesCutToTheShape)
{
    TFigureRect circle = figure(TFigureRect::Circle);
    circle.SetFrameVisible(false);
    circle.SetBackFill(true);
    circle.SetGradation(true);
    circle.SetFillColor1(RedBgr);
    circle.SetFillColor2(BlueBgr);
    circle.SetGradientAngle(30);
    const QImage page = printed(circle);
    EXPECT_EQ(InkBox(page, QRect(0, 0, 800, 420)).isNull(), false);
    // Outside the ellipse, inside its rectangle: nothing.
    for (QPoint corner : {QPoint(78, 41), QPoint(672, 41), QPoint(78, 335), QPoint(672, 335)})
        EXPECT_EQ(page.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
    // The first colour starts at the top left, the second is reached at the bottom right.
    const QColor upperLeft = page.pixelColor(75 + 120, 38 + 60);
    const QColor middle = page.pixelColor(375, 188);
    const QColor lowerRight = page.pixelColor(675 - 120, 338 - 60);
    EXPECT_GT(upperLeft.red(), middle.red());
    EXPECT_GT(middle.red(), lowerRight.red());
    EXPECT_LT(upperLeft.blue(), middle.blue());
    EXPECT_LT(middle.blue(), lowerRight.blue());
    EXPECT_TRUE(near(middle, QColor(128, 0, 127), 12)) << middle.name().toStdString();
    // The fill ends at the ellipse: its leftmost point at the middle row, white one pixel out.
    EXPECT_EQ(page.pixelColor(74, 188), QColor(Qt::white));
    EXPECT_NE(page.pixelColor(77, 188), QColor(Qt::white));
    circle.FreePrintCache();
}

TEST_F(FigureAt600, AFigureInAPdfPage)
{
    TFigureRect rect;
    rect.SetRect({12, 6, 108, 54});  // (19, 9)-(169, 84) at 150 dpi
    rect.SetKind(TFigureRect::Rectangle);
    rect.SetLineStyle(1);
    rect.SetLineWidth(3);           // 5 pixels: dashes of 90, gaps of 30
    rect.SetFrameColor(RedBgr);
    rect.SetBackFill(true);
    rect.SetGradation(true);
    rect.SetFillColor1(WhiteBgr);
    rect.SetFillColor2(BlueBgr);
    rect.SetGradientAngle(90);      // white at the left, blue at the right

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("figure.pdf"));
    {
        QPdfWriter writer(file);
        writer.setResolution(150);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(200 * 25.4 / 150, 100 * 25.4 / 150), QPageSize::Millimeter));
        QPainter painter(&writer);
        TCanvas canvas(painter, 150, 150);
        rect.CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
        rect.Prepare(canvas.Target(), true);
        rect.Print(canvas, 0, 0);
    }
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                                                QStringLiteral("-singlefile"), file, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(pdftoppm.waitForFinished(60000));
    ASSERT_EQ(pdftoppm.exitCode(), 0) << pdftoppm.readAllStandardError().toStdString();
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    // The top edge: a dash from the left corner, then a gap showing the gradient.
    EXPECT_TRUE(near(page.pixelColor(40, 11), Red, 40));
    EXPECT_FALSE(near(page.pixelColor(124, 11), Red, 60));
    EXPECT_TRUE(near(page.pixelColor(150, 11), Red, 40));
    EXPECT_TRUE(near(page.pixelColor(30, 46), Qt::white, 40));
    EXPECT_TRUE(near(page.pixelColor(160, 46), Blue, 60));
    EXPECT_TRUE(near(page.pixelColor(10, 46), Qt::white, 8));
    EXPECT_TRUE(near(page.pixelColor(180, 46), Qt::white, 8));
}

TEST(FigureRect, HostileSizesAndLineWidthsAreRefusedAndGradientsStayBounded)
{
    const QByteArray bytes = SavedObject(everything());
    // A 60,000-unit gradient figure, a dashed outline round a 10,000,000-unit square, a line of any width.
    for (const auto &[offset, value] : std::initializer_list<std::pair<int, qint32>>{
             {8, 60000}, {12, 60000}, {8, 10000000}, {28, INT32_MAX}, {28, -5}}) {
        QByteArray damaged = bytes;
        qToLittleEndian<qint32>(value, damaged.data() + offset);
        TFigureRect figure;
        EXPECT_THROW(LoadObject(figure, damaged), EStreamError) << offset << " " << value;
    }
    // Set by hand to the paper's whole reach, its gradient at 600 dpi would take 2.2 GB: it is not painted.
#if defined(VELMORA_SANITIZE)
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine, resident beyond the bound measured here";
#endif
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(3) << 30, [] {
                  TFigureRect figure = everything();
                  figure.SetGradation(true);
                  figure.SetBackFill(true);
                  figure.SetRect({-PaperReach, -PaperReach, PaperReach, PaperReach});
                  rusage before{}, after{};
                  getrusage(RUSAGE_SELF, &before);
                  figure.CalcPrintRect(test::PrinterAt(600), QPoint(0, 0), true);
                  getrusage(RUSAGE_SELF, &after);
                  return after.ru_maxrss - before.ru_maxrss > 512 * 1024 ? 1 : 0;  // kilobytes
              }),
              0);
}
