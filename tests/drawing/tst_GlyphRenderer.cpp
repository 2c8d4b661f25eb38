// Text drawn through the canvas at 600 dpi: vertical columns with their vertical forms, horizontal lines, the
// recorded picture, and real text in PDF output.
#include "ObjectTestSupport.h"
#include "drawing/Canvas.h"
#include "drawing/GlyphRenderer.h"
#include "drawing/MetafileEx.h"
#include "drawing/PrintJob.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

TFont mincho(int height, bool vertical)
{
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    if (vertical)
        MakeVerticalFont(font.Log);
    font.Height = height;
    return font;
}

// Draws text as a column whose right edge is at x, from y down, 100 pixels per character at 600 dpi.
void column(TCanvas &canvas, int x, int y, const QString &text)
{
    canvas.SetFont(mincho(-100, true));
    canvas.SetFontHeight(-100);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.TextOut(x, y, text);
}

QString pdfText(const QString &file)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(u'\n');
}

class GlyphRenderer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
};

}  // namespace

TEST_F(GlyphRenderer, VerticalColumnsRunDownwardWithUprightKanjiAndVerticalForms)
{
    QImage image = WhitePage(1000, 1000);
    int cell = 0;
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 600, 600);
        column(canvas, 900, 0, QStringLiteral("東京ー「"));
        column(canvas, 700, 0, QStringLiteral("一二"));
        EXPECT_EQ(canvas.TextWidth(QStringLiteral("東京ー「")), 400);  // the length down the column
        cell = canvas.TextHeight(QStringLiteral("東"));
    }
    // The column lies left of its reference point, one cell wide; each character keeps to its 100 pixels.
    ASSERT_GE(cell, 100);
    const QRect first(900 - cell, 0, cell, 400);
    EXPECT_TRUE(InkBox(image, first).contains(InkBox(image, QRect(700, 0, 300, 1000))));
    EXPECT_FALSE(InkBox(image, QRect(900 - cell, 0, cell, 100)).isEmpty());
    EXPECT_FALSE(InkBox(image, QRect(900 - cell, 100, cell, 100)).isEmpty());
    // ー stands along the column: its ink is taller than wide.
    const QRect bar = InkBox(image, QRect(900 - cell, 200, cell, 100));
    EXPECT_GT(bar.height(), 3 * bar.width());
    // 「 takes its vertical form: the long stroke runs across the top, the short one down on the right.
    const QRect bracket = InkBox(image, QRect(900 - cell, 300, cell, 100));
    EXPECT_GT(bracket.width(), bracket.height());
    EXPECT_LT(qGray(image.pixel(bracket.right() - 2, bracket.bottom() - 2)), 128);
    // The second column stands to the left of the first, "二" under "一".
    const QRect one = InkBox(image, QRect(700 - cell, 0, cell, 100));
    const QRect two = InkBox(image, QRect(700 - cell, 100, cell, 100));
    EXPECT_GT(one.width(), 5 * one.height());
    EXPECT_GT(two.height(), one.height() * 3);
    EXPECT_TRUE(InkBox(image, QRect(0, 0, 700 - cell, 1000)).isEmpty());
    EXPECT_TRUE(InkBox(image, QRect(0, 400, 1000, 600)).isEmpty());
}

TEST_F(GlyphRenderer, HorizontalLinesLatinSidewaysInColumnsAndAdvanceArrays)
{
    QImage image = WhitePage(1000, 1000);
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 600, 600);
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.TextOut(0, 0, QStringLiteral("「一"));
        // Sideways Latin in a column: "l" lies across it.
        column(canvas, 1000, 200, QStringLiteral("l"));
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        const int dx[] = {300, 100};
        canvas.ExtTextOutW(0, 500, 0, nullptr, u"一一", dx);
    }
    const QRect bracket = InkBox(image, QRect(0, 0, 100, 100));
    EXPECT_GT(bracket.height(), bracket.width());  // horizontal 「: the long stroke runs down
    EXPECT_GT(InkBox(image, QRect(100, 0, 100, 100)).width(), 80);
    const QRect lying = InkBox(image, QRect(800, 200, 200, 100));
    EXPECT_GT(lying.width(), 2 * lying.height());
    EXPECT_FALSE(InkBox(image, QRect(300, 500, 100, 150)).isEmpty());
    EXPECT_TRUE(InkBox(image, QRect(120, 500, 160, 150)).isEmpty());
}

TEST_F(GlyphRenderer, RecordedPictureReplaysInsideItsRectangleAndKeepsRealTextInPdf)
{
    TMetafileEx picture;
    {
        TCanvas recorder(picture, 600, 600);
        picture.SetSize(600, 600);
        recorder.SetBrush(QColor(230, 230, 230));
        recorder.FillRect({0, 0, 600, 600});
        recorder.SetClipRect({0, 0, 600, 300});
        column(recorder, 600, 0, QStringLiteral("東京都港区"));
    }
    QImage image = WhitePage(1200, 1200);
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 600, 600);
        canvas.StretchDraw({300, 300, 900, 900}, picture);
    }
    // The clip of the recording keeps the lower part empty; everything stays inside the grown rectangle.
    EXPECT_EQ(InkBox(image, QRect(0, 0, 1200, 1200)), InkBox(image, QRect(300, 300, 601, 301)));
    EXPECT_EQ(qGray(image.pixel(300, 300)), 230);
    EXPECT_EQ(qGray(image.pixel(900, 900)), 230);  // grown by one to the right and bottom
    EXPECT_EQ(qGray(image.pixel(901, 901)), 255);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter writer(file);
        writer.setResolution(600);
        QPainter painter(&writer);
        TCanvas canvas(painter, writer);
        canvas.StretchDraw({300, 300, 900, 900}, picture);
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        canvas.TextOut(1000, 300, QStringLiteral("様御中"));
    }
    const QString text = pdfText(file);
    EXPECT_TRUE(text.contains(QStringLiteral("東京都"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("様御中"))) << text.toStdString();
}

TEST_F(GlyphRenderer, SmallKanaInAColumnTakeTheirVerticalFormsInTheUpperRightOfTheirCells)
{
    // The horizontal forms of small kana sit low and left in their cells; the vertical forms stand nearer the
    // right edge than the left one and clear of the cell's foot, where a column reader expects them.
    QImage image = WhitePage(1000, 1000);
    int cell = 0;
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 600, 600);
        column(canvas, 900, 0, QStringLiteral("っゃょ"));
        cell = canvas.TextHeight(QStringLiteral("っ"));
    }
    ASSERT_GE(cell, 100);
    const int emLeft = 900 - cell / 2 - 50;  // the 100-pixel character box centred across the column
    for (int i = 0; i < 3; ++i) {
        const QRect ink = InkBox(image, QRect(900 - cell, 100 * i, cell, 100));
        ASSERT_FALSE(ink.isEmpty()) << i;
        EXPECT_LT(emLeft + 100 - (ink.right() + 1), ink.left() - emLeft) << i;
        EXPECT_GE(100 * (i + 1) - (ink.bottom() + 1), 15) << i;
    }
}

// The canvases of a thread answer repeated measurements from what any of them measured before; every change
// of the font that the extent depends on must measure anew, as a canvas that never measured before does.
TEST_F(GlyphRenderer, MeasurementsFollowEveryChangeOfTheFont)
{
    // Each measured by a canvas alone on the thread, so with nothing measured before it.
    const auto fresh = [&](const std::function<void(TCanvas &)> &set, QStringView text) {
        QImage other = WhitePage(100, 100);
        QPainter otherPainter(&other);
        TCanvas first(otherPainter, 600, 600);
        set(first);
        return first.TextExtent(text);
    };
    const QString texts[] = {QStringLiteral("一"), QStringLiteral("東京都千代田区"), QStringLiteral("Velmora 1-2")};
    const std::function<void(TCanvas &)> settings[] = {
        [](TCanvas &c) { c.SetFont(mincho(-100, false)); c.SetFontHeight(-100); },
        [](TCanvas &c) { c.SetFont(mincho(-100, false)); c.SetFontHeight(-61); },
        [](TCanvas &c) { c.SetFont(mincho(-47, true)); c.SetFontHeight(-47); },
        [](TCanvas &c) {
            TFont gothic = mincho(-83, false);
            SetFontSpec(&gothic.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), 0, 12);
            c.SetFont(gothic);
            c.SetFontHeight(-83);
        },
        [](TCanvas &c) { c.SetFont(mincho(-83, false)); c.SetFontHeight(-83); },
        [](TCanvas &c) { c.SetFont(mincho(-83, false)); c.SetFontHeight(-83); c.SetFontWidthRatio(0.5); },
        [](TCanvas &c) { c.SetFont(mincho(0, false)); c.SetFontPixelsPerInch(96); c.SetFontHeight(0); },
        [](TCanvas &c) { c.SetFont(mincho(0, false)); c.SetFontPixelsPerInch(300); c.SetFontHeight(0); },
    };
    const size_t count = std::size(settings);
    std::vector<std::vector<QSize>> expected(count);
    for (size_t i = 0; i < count; ++i)
        for (const QString &text : texts)
            expected[i].push_back(fresh(settings[i], text));

    // Two canvases alive together, each measuring in the font after the other's.
    QImage image = WhitePage(100, 100);
    QPainter painter(&image);
    TCanvas canvas(painter, 600, 600);
    TCanvas next(painter, 600, 600);
    // Twice round, so the second round finds texts measured in other fonts since.
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < count; ++i) {
            settings[i](canvas);
            settings[(i + 1) % count](next);
            for (size_t t = 0; t < std::size(texts); ++t) {
                EXPECT_EQ(canvas.TextExtent(texts[t]), expected[i][t]) << texts[t].toStdString() << " round " << round;
                EXPECT_EQ(next.TextExtent(texts[t]), expected[(i + 1) % count][t]) << texts[t].toStdString();
            }
        }
    // Each setting measures differently from the one before it, so a stale answer could not pass unnoticed.
    for (size_t i = 1; i < count; ++i)
        EXPECT_NE(expected[i], expected[i - 1]) << "setting " << i;
}

// A picture keeps the pieces a layout draws one after another in one font as one text where it can (the
// columns of an address, the parts of a name, Latin lying in a column between them); played back, every
// piece stands where it was drawn.
TEST_F(GlyphRenderer, PiecesRecordedInOneFontPlayBackWhereTheyWereDrawn)
{
    const auto draw = [](TCanvas &canvas) {
        column(canvas, 900, 0, QStringLiteral("東京都"));
        column(canvas, 900, 400, QStringLiteral("港区"));
        column(canvas, 700, 50, QStringLiteral("ab一"));  // lying Latin between upright kanji
        column(canvas, 500, 300, QStringLiteral("芝公園"));
        column(canvas, 300, 0, QStringLiteral("pq"));  // lying Latin alone, in two columns
        column(canvas, 200, 300, QStringLiteral("rs"));
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        canvas.TextOut(0, 800, QStringLiteral("様"));
        canvas.TextOut(150, 850, QStringLiteral("御中"));
        const int dx[] = {150, 100};
        canvas.ExtTextOutW(0, 650, 0, nullptr, u"一二", dx);
    };
    QImage direct = WhitePage(1000, 1000);
    {
        QPainter painter(&direct);
        TCanvas canvas(painter, 600, 600);
        draw(canvas);
    }
    TMetafileEx picture;
    {
        TCanvas recorder(picture, 600, 600);
        picture.SetSize(1000, 1000);
        draw(recorder);
    }
    QImage played = WhitePage(1000, 1000);
    {
        QPainter painter(&played);
        TCanvas canvas(painter, 600, 600);
        canvas.PlayPicture(picture, QRectF(0, 0, 1000, 1000));
    }
    ASSERT_FALSE(InkBox(direct, QRect(0, 0, 1000, 1000)).isEmpty());
    for (int y = 0; y < 1000; y += 100)
        for (int x = 0; x < 1000; x += 100) {
            const QRect cell(x, y, 100, 100);
            const QRect a = InkBox(direct, cell), b = InkBox(played, cell);
            EXPECT_EQ(a.isEmpty(), b.isEmpty()) << x << "," << y;
            if (!a.isEmpty() && !b.isEmpty()) {
                EXPECT_LE((a.topLeft() - b.topLeft()).manhattanLength() + (a.bottomRight() - b.bottomRight()).manhattanLength(), 2)
                    << x << "," << y;
            }
        }
}

// A character the layout's face lacks is drawn from a face that has it, in rows and in columns alike, and the
// line keeps the face's own metrics; one that no installed face has keeps the face's box.
TEST_F(GlyphRenderer, CharactersTheFaceLacksComeFromAFaceThatHasThem)
{
    TLogFont log = mincho(-100, false).Log;
    log.Font.setPixelSize(100);
    const QRawFont own = QRawFont::fromFont(log.Font);
    ASSERT_TRUE(own.isValid());
    ASSERT_FALSE(own.supportsCharacter(0x20BB7u)) << "the test needs a face without 𠮷";
    for (const bool vertical : {false, true}) {
        SCOPED_TRACE(vertical ? "column" : "row");
        const QString text = QStringLiteral("吉𠮷野");
        const TShapedLine line = ShapeLine(own, text, vertical);
        ASSERT_EQ(line.Fallbacks.size(), 1);
        EXPECT_TRUE(line.Fallbacks[0].supportsCharacter(0x20BB7u));
        EXPECT_DOUBLE_EQ(line.Fallbacks[0].pixelSize(), own.pixelSize());
        ASSERT_EQ(line.Glyphs.size(), 3);
        EXPECT_EQ(line.Glyphs[0].Fallback, -1);
        EXPECT_EQ(line.Glyphs[1].Fallback, 0);
        EXPECT_EQ(line.Glyphs[1].Cluster, 1);
        EXPECT_NE(line.Glyphs[1].Index, 0u);
        EXPECT_EQ(line.Glyphs[2].Fallback, -1);
        EXPECT_EQ(line.Glyphs[2].Cluster, 3);
        EXPECT_NEAR(line.Advances[1], 100, 1) << "a full-width cell like its neighbours";
        EXPECT_EQ(line.Ascent, int(std::lround(own.ascent())));
        const QList<double> starts{0, 100, 100, 200};
        // A run for each face in the order of the text, which is the order a PDF's text reads in.
        const QList<TPlacedRun> runs = PlaceLine(line, text, starts, 1);
        ASSERT_EQ(runs.size(), 3);
        EXPECT_EQ(runs[0].Run.rawFont(), own);
        EXPECT_EQ(runs[1].Run.rawFont(), line.Fallbacks[0]);
        EXPECT_EQ(runs[2].Run.rawFont(), own);
        // Each glyph stands for its character, the one beyond the basic plane whole.
        EXPECT_EQ(runs[0].Texts, QStringList{QStringLiteral("吉")});
        EXPECT_EQ(runs[1].Texts, QStringList{QStringLiteral("𠮷")});
        EXPECT_EQ(runs[2].Texts, QStringList{QStringLiteral("野")});
    }
    // A cluster of as many glyphs as characters gives each its own; else the first glyph stands for the whole.
    EXPECT_EQ(ClusterGlyphTexts(u"ｶﾞ", 2), (QStringList{QStringLiteral("ｶ"), QStringLiteral("ﾞ")}));
    EXPECT_EQ(ClusterGlyphTexts(u"が", 1), QStringList{QStringLiteral("が")});
    EXPECT_EQ(ClusterGlyphTexts(u"ffi", 2), (QStringList{QStringLiteral("ffi"), QString()}));
    EXPECT_EQ(ClusterGlyphTexts(u"𠮷‍", 2), (QStringList{QStringLiteral("𠮷"), QStringLiteral("‍")}));
    // Drawn, the character is not the face's empty box.
    const auto drawn = [](const std::function<void(TCanvas &, QPainter &)> &draw) {
        QImage image = WhitePage(300, 200);
        QPainter painter(&image);
        TCanvas canvas(painter, 600, 600);
        draw(canvas, painter);
        painter.end();
        return image;
    };
    const QImage character = drawn([](TCanvas &canvas, QPainter &) {
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        canvas.TextOut(50, 50, QStringLiteral("𠮷"));
    });
    const QImage box = drawn([&own](TCanvas &, QPainter &painter) {
        QGlyphRun notdef;
        notdef.setRawFont(own);
        notdef.setGlyphIndexes({0});
        notdef.setPositions({QPointF(50, 50 + own.ascent())});
        painter.drawGlyphRun(QPointF(0, 0), notdef);
    });
    EXPECT_FALSE(InkBox(character).isEmpty());
    EXPECT_NE(character, box);
    // In a PDF the face that stood in is embedded beside the layout's, and the text reads back as drawn.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fallback.pdf"));
    QPdfWriter writer(file);
    writer.setResolution(600);
    const TDrawnText record(writer);
    {
        QPainter painter(&writer);
        TCanvas canvas(painter, writer);
        canvas.SetFont(mincho(-100, false));
        canvas.SetFontHeight(-100);
        canvas.TextOut(300, 300, QStringLiteral("𠮷野家"));
        canvas.SetFont(mincho(-100, true));
        canvas.SetFontHeight(-100);
        canvas.TextOut(3000, 600, QStringLiteral("𠮷田"));
    }
    CorrectPdfText(file, record);
    const QString text = pdfText(file);
    EXPECT_TRUE(text.contains(QStringLiteral("𠮷野家"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("𠮷田"))) << text.toStdString();
    // A joined sequence stays in one face: the joiner goes with what it joins.
    const TShapedLine joined = ShapeLine(own, QStringLiteral("𠮷\u200D𠮷"), false);
    for (const TShapedGlyph &glyph : joined.Glyphs)
        EXPECT_EQ(glyph.Fallback, 0);
}

// A face is made ready for shaping once and kept for the run, also after the faces a thread used last have moved
// on to others: the first of nine faces shapes a line again as it did before the other eight, and every face is
// still held when the program ends, where a sanitized build looks for leaks.
TEST_F(GlyphRenderer, AFaceShapesAlikeAfterEightOthersAndIsKeptForTheRun)
{
    std::vector<QRawFont> faces;
    for (const QString &family : QFontDatabase::families()) {
        QFont font(family);
        font.setPixelSize(100);
        const QRawFont face = QRawFont::fromFont(font);
        const auto same = [&face](const QRawFont &f) { return f.familyName() == face.familyName(); };
        if (face.isValid() && face.supportsCharacter(u'V') && std::none_of(faces.begin(), faces.end(), same))
            faces.push_back(face);
        if (faces.size() == 9)
            break;
    }
    ASSERT_EQ(faces.size(), 9u) << "the test needs nine installed faces";
    const auto glyphs = [](const QRawFont &face) {
        QList<quint32> indexes;
        for (const TShapedGlyph &g : ShapeLine(face, u"Velmora 03-1234-5678 info@velmora.example", false).Glyphs)
            indexes << g.Index;
        return indexes;
    };
    const QList<quint32> first = glyphs(faces[0]);
    for (size_t i = 1; i < faces.size(); ++i)
        EXPECT_FALSE(glyphs(faces[i]).isEmpty());
    EXPECT_EQ(glyphs(faces[0]), first);
}
