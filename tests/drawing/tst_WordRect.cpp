// The frame decoration (its record, events, drawn outlines and the rectangles inside and around it) and the
// free-text object: its stream over every version, and how it sizes, wraps and places its lines at 600 dpi.
#include "ObjectTestSupport.h"

#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "drawing/WordRect.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

class WordAt600 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
};

// The layout of word at 600 dpi inside the frame it draws, with the canvas left at the final font.
struct TWordLaidOut {
    QImage Scratch = WhitePage(1, 1);
    QPainter Painter{&Scratch};
    TCanvas Canvas{Painter, 600, 600};
    QList<TWordRect::TPlacedLine> Lines;
    TRect Inner;
    QSize Size;
    explicit TWordLaidOut(const TWordRect &word)
    {
        Size = QSize(word.GetRect().Width() * 600 / 96, word.GetRect().Height() * 600 / 96);
        Inner = word.Frame.Draw(Canvas, {0, 0, Size.width(), Size.height()}, 600 / 96.0);
        Lines = word.Layout(Canvas, Size, Inner);
    }
    int Cell() { return Canvas.TextHeight(u"一"); }
};

QImage printed(TWordRect &word)
{
    QImage page = WhitePage(word.GetRect().Right * 600 / 96 + 20, word.GetRect().Bottom * 600 / 96 + 20);
    QPainter painter(&page);
    TCanvas canvas(painter, 600, 600);
    PrintObject(word, canvas);
    return page;
}

void framed(TRectFrame &frame, uint8_t doubleLine, uint8_t round, uint8_t width)
{
    frame.SetVisible(1);
    frame.SetDoubleLine(doubleLine);
    frame.SetRoundCorner(round);
    frame.SetWidthIndex(width);
}

}  // namespace

TEST(RectFrame, RecordEventsAndTheRectanglesInsideAndAround)
{
    TRectFrame frame;
    int frameEvents = 0;
    int backEvents = 0;
    frame.OnFrameChange = [&](TRectFrame *) { ++frameEvents; };
    frame.OnBackChange = [&](TRectFrame *) { ++backEvents; };
    framed(frame, 1, 0, 2);
    frame.SetColor(0x112233);
    frame.SetBackVisible(1);
    frame.SetBackColor(0x445566);
    EXPECT_EQ(frameEvents, 4);
    EXPECT_EQ(backEvents, 2);
    frame.SetWidthIndex(2);
    EXPECT_EQ(frameEvents, 4);

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TObjectStream stream(buffer);
    frame.SaveToStream(stream);
    EXPECT_EQ(buffer.data(), QByteArray::fromHex("01010100023322110066554400"));
    buffer.seek(0);
    TRectFrame copy;
    copy.LoadFromStream(stream);
    EXPECT_EQ(copy.BackColor(), 0x445566);

    TRectFrame target;
    int targetFrame = 0;
    int targetBack = 0;
    target.OnFrameChange = [&](TRectFrame *) { ++targetFrame; };
    target.OnBackChange = [&](TRectFrame *) { ++targetBack; };
    target.Assign(copy);
    EXPECT_EQ(targetFrame, 1);  // once, however many settings differed
    EXPECT_EQ(targetBack, 1);
    target.Assign(copy);
    EXPECT_EQ(targetFrame, 1);
    copy.SetBackColor(0x000000);
    target.Assign(copy);
    EXPECT_EQ(targetFrame, 1);
    EXPECT_EQ(targetBack, 2);
    target.Clear();
    EXPECT_EQ(target.Visible(), 0);
    EXPECT_EQ(targetFrame, 1);

    // Inside a frame on 200 x 100 and around content of 200 x 100.
    TRectFrame plain;
    framed(plain, 0, 1, 1);
    EXPECT_EQ(plain.GetInnerRect({0, 0, 200, 100}, 1.0), (TRect{8, 8, 192, 92}));  // 6 + (100/10 - 6)/2
    framed(plain, 1, 0, 1);
    EXPECT_EQ(plain.GetInnerRect({0, 0, 200, 100}, 1.0), (TRect{12, 12, 188, 88}));
    framed(plain, 1, 0, 0);
    EXPECT_EQ(plain.GetInnerRect({0, 0, 200, 100}, 1.0), (TRect{5, 5, 195, 95}));
    framed(plain, 0, 1, 2);
    EXPECT_EQ(plain.GetOuterRect({0, 0, 200, 100}), (TRect{-12, -12, 212, 112}));  // 10 + (110/16 - 5)
}

TEST(RectFrame, DrawnOutlinesKeepAtLeastOnePixelAndLeaveTheInnerRectangle)
{
    QImage image = WhitePage(200, 200);
    TRectFrame frame;
    framed(frame, 1, 0, 2);
    TRect inner;
    {
        QPainter painter(&image);
        TCanvas canvas(painter, 96, 96);
        inner = frame.Draw(canvas, {0, 0, 100, 100}, 1.0);
        frame.SetDoubleLine(0);
        frame.SetWidthIndex(0);
        frame.Draw(canvas, {120, 120, 180, 180}, 0.25);
    }
    // Double thick line: 10 pixels, a gap of 5, then 5 pixels; the content starts inside the second.
    QString row;
    for (int x = 0; x < 25; ++x)
        row += qGray(image.pixel(x, 50)) < 128 ? u'#' : u'.';
    EXPECT_EQ(row, QStringLiteral("##########.....#####....."));
    EXPECT_EQ(inner, (TRect{20, 20, 80, 80}));
    // A thin line at a quarter of the size is still drawn, one pixel wide.
    EXPECT_LT(qGray(image.pixel(120, 150)), 128);
    EXPECT_EQ(qGray(image.pixel(121, 150)), 255);
    // A double line on a rectangle too small for the second outline draws the outer one only.
    QImage small = WhitePage(20, 20);
    framed(frame, 1, 0, 2);
    {
        QPainter painter(&small);
        TCanvas canvas(painter, 96, 96);
        EXPECT_TRUE(frame.Draw(canvas, {0, 0, 18, 18}, 1.0).IsEmpty());
    }
    EXPECT_EQ(qGray(small.pixel(9, 9)), 0);
}

TEST(WordRect, StreamRoundTripsAndReadsEveryOlderLayout)
{
    TWordRect word;
    word.SetRect({30, 330, 150, 530});
    word.SetLineCount(2);
    word.SetLine(0, QStringLiteral("寒中お見舞い"));
    word.SetLine(1, QStringLiteral("𠮷野 한"));
    word.SetLine(5, QStringLiteral("ignored"));
    EXPECT_EQ(word.GetLineCount(), 2);
    word.SetSizeIndex(9);
    word.SetVHRatio(150);
    word.SetAlignment(7);
    word.SetWordWrap(1);
    word.SetLineSpacing(4);
    framed(word.Frame, 1, 1, 2);
    word.Frame.SetBackVisible(1);
    word.Frame.SetBackColor(0x00FFEE);
    const QByteArray bytes = SavedObject(word);
    TWordRect copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_EQ(copy.GetLine(1), QStringLiteral("𠮷野 한"));
    EXPECT_EQ(copy.SizeIndex(), 9);
    EXPECT_EQ(copy.Alignment(), 7);
    EXPECT_EQ(copy.Frame.BackColor(), 0x00FFEE);

    // Older layouts, written field by field: 8-bit lines before 501 (plain or escaped), the size index after
    // the lines from 200 to 599, the ratio from 400, the spacing from 200.
    TWordRect empty;
    const QByteArray record = SavedObject(empty).chopped(27);
    const auto older = [&](int version) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        TObjectStream stream(buffer);
        stream.Write<quint32>(2);
        WriteScrambledString(QByteArray("\x8a\xa6\x92\x86"), stream);  // 寒中 in Shift-JIS
        WriteScrambledString(QByteArray("@D842@DFB7"), stream);      // 𠮷 escaped
        if (version >= 200)
            stream.Write<int32_t>(12);
        if (version >= 400)
            stream.Write<int32_t>(80);
        stream.Write<int32_t>(4);
        stream.Write<uint8_t>(1);
        if (version >= 200)
            stream.Write<uint8_t>(5);
        word.Frame.SaveToStream(stream);
        return MetaRecordAt(record, version) + buffer.data();
    };
    for (int version : {500, 399, 199}) {
        TWordRect old;
        EXPECT_EQ(LoadObject(old, older(version), version), 0) << version;
        EXPECT_EQ(old.GetLine(0), QStringLiteral("寒中"));
        EXPECT_EQ(old.GetLine(1), QStringLiteral("𠮷"));
        EXPECT_EQ(old.SizeIndex(), version >= 200 ? 12 : 0);
        EXPECT_EQ(old.VHRatio(), version >= 400 ? 80 : 100);
        EXPECT_EQ(old.LineSpacing(), version >= 200 ? 5 : 3);
        EXPECT_EQ(old.Alignment(), 4);
        EXPECT_EQ(old.Frame.RoundCorner(), 1);
    }
    // A damaged line count fails the load on the count itself, before anything is made for its lines.
    const QByteArray damaged = record + QByteArray::fromHex("f0ffffff");
    try {
        LoadObject(copy, damaged, 600);
        ADD_FAILURE() << "a count beyond the stream was read";
    } catch (const EStreamError &error) {
        EXPECT_TRUE(QByteArray(error.what()).contains("count")) << error.what();
    }
    EXPECT_TRUE(RefusedUnderMemoryLimit([&] { LoadObject(copy, damaged, 600); }));
}

TEST_F(WordAt600, AutomaticSizeFillsTheFrameAndPlacesLinesByAlignment)
{
    TWordRect word;
    word.SetRect({0, 0, 200, 120});
    word.SetDirection(1);
    word.SetLineCount(3);
    word.SetLine(0, QStringLiteral("謹賀新年"));
    word.SetLine(1, QStringLiteral("本年も"));
    word.SetLine(2, QStringLiteral("よろしく"));
    framed(word.Frame, 0, 0, 1);
    TWordLaidOut laid(word);
    ASSERT_EQ(laid.Lines.size(), 3);
    // The frame's 6/96 inch (37.5 pixels, rounded up) is wider than the 4/96 inch margin; the lines spread
    // over the whole height.
    const int m = 38;
    EXPECT_EQ(laid.Inner, (TRect{m, m, laid.Size.width() - m, laid.Size.height() - m}));
    const int h1 = laid.Cell();
    const int H = laid.Size.height() - 2 * m;
    EXPECT_EQ(laid.Lines[0].At.y(), m);
    EXPECT_GE(laid.Lines[2].At.y() + h1, m + H - 1);
    EXPECT_LE(laid.Lines[2].At.y() + h1, m + H);
    // Alignment 0: each line ends at the right edge.
    EXPECT_EQ(laid.Lines[1].At.x(), laid.Size.width() - m);
    EXPECT_EQ(laid.Lines[1].Align, TA_RIGHT | TA_TOP);
    const QImage page = printed(word);
    const QRect ink = InkBox(page, QRect(m + 2, m + 2, laid.Size.width() - 2 * m - 4, H - 4));
    EXPECT_GT(ink.right(), laid.Size.width() - m - 30);

    // Vertical, centred both ways: columns right to left around the middle, each centred down the frame.
    word.SetDirection(0);
    word.SetAlignment(4);
    word.SetRect({0, 0, 120, 200});
    TWordLaidOut columns(word);
    ASSERT_EQ(columns.Lines.size(), 3);
    EXPECT_GT(columns.Lines[0].At.x(), columns.Lines[1].At.x());
    EXPECT_EQ(columns.Lines[0].Align, TA_CENTER | TA_TOP);
    EXPECT_EQ(columns.Lines[0].At.y(), columns.Size.height() / 2);
    const QImage upright = printed(word);
    const QRect first = InkBox(upright, QRect(columns.Lines[1].At.x(), m + 2, columns.Size.width(), columns.Size.height() - 2 * m - 4));
    const QRect third = InkBox(upright, QRect(m + 2, m + 2, columns.Lines[1].At.x() - columns.Cell() - m, columns.Size.height() - 2 * m - 4));
    EXPECT_GT(first.height(), 3 * first.width());  // 謹賀新年 down the right column
    EXPECT_LT(std::abs(first.center().y() - columns.Size.height() / 2), 20);
    EXPECT_GT(first.left(), third.right());
}

TEST_F(WordAt600, FixedSizesWrapRatiosAndWhatCannotBeDrawn)
{
    // A fixed size too large for one line across draws nothing, not even part of a line.
    TWordRect word;
    word.SetRect({0, 0, 200, 30});
    word.SetDirection(1);
    word.SetLineCount(1);
    word.SetLine(0, QStringLiteral("謹賀新年"));
    word.SetSizeIndex(27);  // 72 points
    EXPECT_TRUE(TWordLaidOut(word).Lines.isEmpty());
    EXPECT_TRUE(InkBox(printed(word)).isEmpty());

    // A fixed size with wrapping breaks the line into pieces that fit, as many as fit across.
    const QString line = QStringLiteral("本年も変わらぬお引き立てのほどよろしくお願い申し上げます");
    word.SetRect({0, 0, 200, 120});
    word.SetLine(0, line);
    word.SetSizeIndex(18);  // 24 points, 200 pixels
    word.SetWordWrap(1);
    {
        TWordLaidOut laid(word);
        EXPECT_EQ(laid.Canvas.FontHeight(), -200);
        ASSERT_GE(laid.Lines.size(), 2);
        QString joined;
        for (const auto &piece : laid.Lines) {
            EXPECT_LE(laid.Canvas.TextWidth(piece.Text), laid.Size.width() - 50);
            joined += piece.Text;
        }
        EXPECT_TRUE(line.startsWith(joined));
        EXPECT_LE(laid.Lines.size() * laid.Cell(), laid.Size.height() - 50);
    }
    // Automatic size with wrapping finds a size at which the pieces fit both ways, and keeps every character.
    word.SetSizeIndex(0);
    {
        TWordLaidOut laid(word);
        QString joined;
        for (const auto &piece : laid.Lines) {
            EXPECT_LE(laid.Canvas.TextWidth(piece.Text), laid.Size.width() - 50);
            joined += piece.Text;
        }
        EXPECT_EQ(joined, line);
        EXPECT_LE(laid.Lines.size() * laid.Cell(), laid.Size.height() - 50);
        EXPECT_GE(laid.Lines.size(), 2);
    }

    // A height-to-width ratio of 50 in horizontal writing halves the width of each character.
    word.SetWordWrap(0);
    word.SetLine(0, QStringLiteral("田"));
    word.SetRect({0, 0, 100, 100});
    const QRect natural = InkBox(printed(word));
    word.SetVHRatio(50);
    const QRect narrow = InkBox(printed(word));
    EXPECT_NEAR(narrow.width() * 2.0 / narrow.height(), natural.width() * 1.0 / natural.height(), 0.1);
}

TEST(WordRect, ARatioBeyondAHundredfoldIsRefused)
{
    TWordRect word;
    word.SetRect({30, 330, 150, 530});
    word.SetLineCount(1);
    word.SetLine(0, QStringLiteral("寒中"));
    word.SetVHRatio(10000);
    QByteArray bytes = SavedObject(word);
    TWordRect copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    // The ratio, then the alignment, wrap and spacing bytes and the 13-byte frame.
    const qsizetype ratioAt = bytes.size() - 13 - 1 - 1 - 4 - 4;
    ASSERT_EQ(qFromLittleEndian<qint32>(bytes.constData() + ratioAt), 10000);
    qToLittleEndian<qint32>(INT32_MAX, bytes.data() + ratioAt);
    EXPECT_THROW(LoadObject(copy, bytes, 600), EStreamError);
    qToLittleEndian<qint32>(-5, bytes.data() + ratioAt);  // draws the face's own shape, as before
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
}

// A text no size shrinks into its frame prints what fits at the smallest size a text is given, not nothing.
TEST_F(WordAt600, ATextTooLargeForItsFramePrintsWhatFits)
{
    QString text;
    while (text.size() < 10000)
        text += QStringLiteral("本年も変わらぬお引き立てのほどよろしくお願い申し上げます");
    text.truncate(10000);
    TWordRect word;
    word.SetRect({0, 0, 200, 120});
    word.SetDirection(1);
    word.SetLineCount(2);
    word.SetLine(0, text);
    word.SetLine(1, text);
    TWordLaidOut laid(word);
    EXPECT_EQ(laid.Canvas.FontHeight(), -PointsToPixels(FontSizeList[1], 600));
    ASSERT_EQ(laid.Lines.size(), 2);
    for (const auto &piece : laid.Lines) {
        EXPECT_GT(piece.Text.size(), 10);
        EXPECT_TRUE(text.startsWith(piece.Text));
        EXPECT_LE(laid.Canvas.TextWidth(piece.Text), laid.Size.width());
    }
    EXPECT_FALSE(InkBox(printed(word)).isEmpty());
}
