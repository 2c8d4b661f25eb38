// The drawing-object base: its stream records and their version gates, the scrambled strings, damaged
// streams, screen and print geometry, the cached picture, and the text helpers of the text objects.
#include "ObjectTestSupport.h"
#include "SampleObjects.h"
#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "drawing/DrawRect.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

// A text object as the text classes are made: its content is one line of its font.
class TSampleText : public TMetaRect {
public:
    uint8_t GetKind() const override { return 11; }
    void RenderContent(TCanvas &canvas, QSize size) override
    {
        ++renders;
        canvas.SetFont(Font());
        canvas.SetFontHeight(CanvasFontHeight(canvas));
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.TextOut(0, 0, QStringLiteral("一"));
        painted = size;
    }
    int renders = 0;
    QSize painted;
};

QByteArray scrambled(const QByteArray &text)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    WriteScrambledString(text, stream);
    return buffer.data();
}

TSampleText sample()
{
    TSampleText text;
    text.SetRect({10, 20, 110, 70});
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), 1 | 4, 14);
    font.Color = QColor(0x12, 0x34, 0x56);
    text.SetFont(font);
    text.SetDirection(1);
    text.SetTurned(1);
    text.SetSizeIndex(7);
    text.Visible = 0;
    return text;
}

class PrinterAt : public ::testing::Test {
protected:
    void printer(int dpiX, int dpiY, int offsetX = 0, int offsetY = 0)
    {
        Printer = {true, dpiX, dpiY, offsetX, offsetY};
    }
    TRenderTarget Printer;
};

}  // namespace

TEST(ObjectStream, ScrambledStringsHaveTheirDocumentedBytesAndReadBack)
{
    EXPECT_EQ(scrambled(""), QByteArray::fromHex("00000000"));
    EXPECT_EQ(scrambled("abc"), QByteArray::fromHex("030000009e9d9c"));

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TObjectStream stream(buffer);
    WriteScrambledWideString(QStringLiteral("\u3042"), stream);
    EXPECT_EQ(buffer.data(), QByteArray::fromHex("01000000bdcf"));
    WriteScrambledString("\x93\x8c\x8b\x9e", stream);  // 東京 in Shift-JIS
    buffer.seek(0);
    QString wide;
    QByteArray narrow;
    ReadScrambledWideString(stream, wide);
    ReadScrambledString(stream, narrow);
    EXPECT_EQ(wide, QStringLiteral("\u3042"));
    EXPECT_EQ(narrow, QByteArray("\x93\x8c\x8b\x9e"));
}

TEST(ObjectStream, DamagedStreamsFailTheLoadWithoutHugeAllocations)
{
    // A string count far beyond the bytes left, as a damaged document holds it.
    for (const QByteArray &bytes : {QByteArray::fromHex("f0ffffff41"), QByteArray::fromHex("ffffff7f4142")}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TObjectStream stream(buffer);
        QString wide;
        EXPECT_THROW(ReadScrambledWideString(stream, wide), EStreamError);
        EXPECT_TRUE(wide.isEmpty());
        EXPECT_TRUE(RefusedUnderMemoryLimit([&] {
            buffer.seek(0);
            QByteArray narrow;
            ReadScrambledString(stream, narrow);
        }));
        EXPECT_TRUE(RefusedUnderMemoryLimit([&] {
            buffer.seek(0);
            ReadScrambledWideString(stream, wide);
        }));
    }
    // A record cut short fails instead of leaving fields as they were.
    const QByteArray whole = SavedObject(sample());
    for (qsizetype cut : {qsizetype(3), qsizetype(17), whole.size() - 1}) {
        TSampleText text;
        EXPECT_THROW(LoadObject(text, whole.left(cut), 600), EStreamError) << cut;
    }
}

TEST(ObjectStream, RecordsRoundTripByteForByteAndOlderVersionsReadTheirFields)
{
    const TSampleText original = sample();
    const QByteArray bytes = SavedObject(original);
    // 16 rectangle, 1 visible, 4 charset, 4 + 13 face, 4 size, 4 style, 4 colour, 4 size index, 1 + 1.
    ASSERT_EQ(bytes.size(), 16 + 1 + 4 + 4 + 13 + 4 + 4 + 4 + 4 + 1 + 1);
    TSampleText copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_EQ(copy.GetRect(), (TRect{10, 20, 110, 70}));
    EXPECT_EQ(copy.Visible, 0);
    EXPECT_EQ(copy.Font().Log.Font.family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(GetFontStyleBits(copy.Font().Log), 1 | 4);
    EXPECT_EQ(copy.Font().Color, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(copy.SizeIndex(), 7);
    EXPECT_EQ(copy.Turned(), 1);
    EXPECT_FALSE(copy.PictureValid());

    // From 600 the size index, from 201 the visible byte, from 200 the turned byte.
    QByteArray v500 = bytes;
    v500.remove(bytes.size() - 6, 4);
    QByteArray v200 = v500;
    v200.remove(16, 1);
    TSampleText at500, at200, at199;
    EXPECT_EQ(LoadObject(at500, v500, 500), 0);
    EXPECT_EQ(LoadObject(at200, v200, 200), 0);
    EXPECT_EQ(LoadObject(at199, v200, 199), 1);  // the turned byte is not part of this version's record
    EXPECT_EQ(at500.SizeIndex(), 0);
    EXPECT_EQ(at500.Visible, 0);
    EXPECT_EQ(at200.Visible, 1);
    EXPECT_EQ(at200.Turned(), 1);
    EXPECT_EQ(at199.Turned(), 0);
    EXPECT_EQ(at199.Direction(), 1);
    EXPECT_EQ(at199.GetRect(), (TRect{10, 20, 110, 70}));
    EXPECT_EQ(at199.Font().Log.Font.pointSize(), 14);
}

TEST(DrawRect, EdgeAndCursorHitTestsOnTheScreenRectangle)
{
    TSampleText text;
    text.SetRect({100, 200, 200, 250});
    EXPECT_EQ(text.EdgeHitTest(100, 200), (TEdgeCodes{0, 2}));
    EXPECT_EQ(text.HitTest(100, 200), Qt::SizeFDiagCursor);
    EXPECT_EQ(text.EdgeHitTest(199, 249), (TEdgeCodes{1, 3}));
    EXPECT_EQ(text.HitTest(199, 200), Qt::SizeBDiagCursor);
    EXPECT_EQ(text.EdgeHitTest(97, 225), (TEdgeCodes{0, 4}));
    EXPECT_EQ(text.HitTest(150, 249), Qt::SizeVerCursor);
    EXPECT_EQ(text.HitTest(120, 210), Qt::SizeAllCursor);
    EXPECT_EQ(text.HitTest(96, 210), Qt::ArrowCursor);
    EXPECT_FALSE(text.PtInRect(200, 210));
    text.SetRect({0, 0, 4, 4});  // narrower than the tolerance: left wins
    EXPECT_EQ(text.EdgeHitTest(2, 2), (TEdgeCodes{0, 2}));
}

TEST(DrawRect, ZoomMovesAndClipsKeepThePictureUnlessWhatIsDrawnChanges)
{
    TSampleText text;
    text.SetRect({10, 10, 60, 40});
    text.SetZoom(1.5);
    EXPECT_EQ(text.GetDispRect(), (TRect{15, 15, 90, 60}));
    text.Prepare({}, false);
    text.Prepare({}, false);
    EXPECT_EQ(text.renders, 1);
    text.SetDispRect({30, 45, 105, 90});  // moved, same size
    EXPECT_EQ(text.GetRect(), (TRect{20, 30, 70, 60}));
    EXPECT_TRUE(text.PictureValid());
    text.SetClipPos(30);
    EXPECT_TRUE(text.PictureValid());
    text.SetDispRect({30, 45, 120, 90});
    EXPECT_FALSE(text.PictureValid());
    text.SetZoom(0);
    EXPECT_EQ(text.GetDispRect(), (TRect{30, 45, 120, 90}));
}

TEST_F(PrinterAt, PrintRectangleAndPictureFollowThePrinterResolution)
{
    printer(600, 300, 50, 40);
    TSampleText text;
    text.SetRect({96, 48, 192, 240});
    text.CalcPrintRect(Printer, QPoint(254, 127), false);  // 10 mm and 5 mm
    EXPECT_EQ(text.PrintRect(), (TRect{600 + 600 - 50, 150 + 150 - 40, 1150 + 600, 260 + 600}));
    text.CalcPrintRect(Printer, QPoint(0, 0), true);
    EXPECT_EQ(text.PrintRect().Left, 600);

    text.SetClipMode(2);
    text.SetClipPos(96);
    text.Prepare(Printer, true);
    EXPECT_EQ(text.painted, QSize(600, 600));
    EXPECT_EQ(text.Picture().Width(), 600);
    EXPECT_EQ(text.Picture().Height(), 600);
    text.SetRect({});
    text.Prepare(Printer, true);
    EXPECT_TRUE(text.Picture().Empty());
    EXPECT_FALSE(text.PictureValid());
}

TEST_F(PrinterAt, PrintedPictureLandsAtThePrintRectangle)
{
    printer(600, 600);
    TSampleText text;
    text.SetRect({48, 48, 96, 96});
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    text.SetFont(font);
    QImage page(1000, 1000, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        text.CalcPrintRect(Printer, QPoint(0, 0), true);
        text.Prepare(Printer, false);
        text.Print(canvas, 0, 0);
    }
    EXPECT_EQ(text.PrintRect(), (TRect{300, 300, 600, 600}));
    int inkLeft = 1000, inkRight = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
                EXPECT_GE(y, 300);
                EXPECT_LT(y, 600);
            }
    // A 12-point "一" at the picture's 600 dpi is 100 pixels wide, drawn from the left edge.
    EXPECT_GE(inkLeft, 300);
    EXPECT_LT(inkRight, 300 + 100);
    EXPECT_GT(inkRight - inkLeft, 80);
}

TEST(Units, LengthsConvertExactlyAndRoundHalvesAwayFromZero)
{
    EXPECT_EQ(LayoutToPixels(96, 600), 600);
    EXPECT_EQ(LayoutToPixels(1, 600), 6);  // 6.25
    EXPECT_EQ(LayoutToPixels(1, 48), 1);   // 0.5
    EXPECT_EQ(LayoutToPixels(-1, 48), -1);
    EXPECT_EQ(LayoutToPixels(-3, 600), -19);  // -18.75
    EXPECT_EQ(PixelsToLayout(600, 600), 96);
    EXPECT_EQ(PixelsToLayout(3, 600), 0);  // 0.48
    EXPECT_EQ(PixelsToLayout(-25, 300), -8);
    // A postcard's 100 x 148 mm.
    EXPECT_EQ(TenthsMmToLayout(1000), 378);
    EXPECT_EQ(TenthsMmToLayout(1480), 559);
    EXPECT_EQ(TenthsMmToLayout(-1000), -378);
    EXPECT_EQ(TenthsMmToPixels(254, 600), 600);
    EXPECT_EQ(TenthsMmToPixels(127, 3), 2);  // 1.5
    EXPECT_EQ(PointsToLayout(9), 12);
    EXPECT_EQ(PointsToPixels(10.5, 600), 88);  // 87.5
    EXPECT_DOUBLE_EQ(LayoutScale(600), 6.25);
    // Sizes of damaged documents stay in range: nothing is taken as an int before it is rounded.
    EXPECT_DOUBLE_EQ(static_cast<double>(Rescaled(4490.0L * 10000, LayoutDpi, 1200)), 4490.0 * 10000 * 12.5);
}

TEST(TextHelpers, NameSpacingFitsAndSplits)
{
    QString result = QStringLiteral("kept");
    NormalizeNameSpacing(QString(), result);
    EXPECT_EQ(result, QStringLiteral("kept"));
    NormalizeNameSpacing(QStringLiteral("山田\u3000太郎"), result);
    EXPECT_EQ(result, QStringLiteral("山田 太郎"));
    NormalizeNameSpacing(QStringLiteral("山田 \u3000 太郎"), result);
    EXPECT_EQ(result, QStringLiteral("山田 太郎"));
    NormalizeNameSpacing(QStringLiteral("太郎"), result);
    EXPECT_EQ(result, QStringLiteral(" 太郎"));

    InstallFontSubstitutions();
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TCanvas canvas(painter, 600, 600);
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    canvas.SetFont(font);
    canvas.SetFontHeight(-100);
    EXPECT_EQ(TextWidthW(canvas, QStringLiteral("一二三")), 300);
    QString text = QStringLiteral("一二三四五");
    QString rest;
    SplitTextAtWidth(canvas, text, 250, rest);
    EXPECT_EQ(text, QStringLiteral("一二"));
    EXPECT_EQ(rest, QStringLiteral("三四五"));

    EXPECT_TRUE(FitFontHeight(canvas, 300, false, 200));  // fits already
    EXPECT_EQ(canvas.FontHeight(), -100);
    EXPECT_TRUE(FitFontHeight(canvas, 150, false, 200));
    EXPECT_EQ(canvas.FontHeight(), -75);
    EXPECT_TRUE(FitFontHeight(canvas, 300, true, 150));
    EXPECT_EQ(canvas.FontHeight(), -150);
    EXPECT_FALSE(FitFontHeight(canvas, 1, false, 1000));
    EXPECT_EQ(canvas.FontHeight(), -150);
}

TEST(DesignGlobals, MaskListExistsFromTheFirstNameUntilFreed)
{
    EXPECT_EQ(MaskFileList(), nullptr);
    AddMaskFileName(QStringLiteral("Common/Mask/Itm01.emf"));
    AddMaskFileName(QStringLiteral("Common/Mask/Itm02.emf"));
    ASSERT_NE(MaskFileList(), nullptr);
    EXPECT_EQ(MaskFileList()->at(1), QStringLiteral("Common/Mask/Itm02.emf"));
    FreeMaskFileList();
    EXPECT_EQ(MaskFileList(), nullptr);
    EXPECT_EQ(FontSizeList[1], 7);
    EXPECT_EQ(FontSizeList[27], 72);
}

TEST(ObjectStream, EveryKindCutAtAnyByteIsLeftAsItWas)
{
    for (const TSampleObject &sample : SampleObjects()) {
        std::unique_ptr<TDrawRect> other = sample.Make();
        other->SetRect({50, 60, 300, 400});
        other->Visible = 0;
        const QByteArray bytes = SavedObject(*other);
        const std::unique_ptr<TDrawRect> object = sample.Make();
        const QByteArray before = SavedObject(*object);
        for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
            EXPECT_THROW(LoadObject(*object, bytes.left(cut)), EStreamError) << sample.Name << " cut at " << cut;
            if (SavedObject(*object) != before) {
                ADD_FAILURE() << sample.Name << " changed by a load cut at " << cut;
                break;
            }
        }
        EXPECT_EQ(LoadObject(*object, bytes), 0) << sample.Name;
        EXPECT_EQ(SavedObject(*object), bytes) << sample.Name;
    }
}

TEST(ObjectStream, EveryKindRefusesCoordinatesBeyondThePapersReachAndFontsNoCanvasDraws)
{
    for (const TSampleObject &sample : SampleObjects()) {
        const QByteArray bytes = SavedObject(*sample.Make());
        EXPECT_EQ(LoadObject(*sample.Make(), bytes), 0) << sample.Name;
        // Extreme corners, whose width and height overflow 32 bits, and a corner far beyond any paper.
        for (const auto &[offset, value] : std::initializer_list<std::pair<int, qint32>>{
                 {0, INT32_MIN}, {8, INT32_MAX}, {4, -2147483000}, {12, 10000000}, {8, PaperReach + 1}}) {
            QByteArray damaged = bytes;
            qToLittleEndian<qint32>(value, damaged.data() + offset);
            EXPECT_THROW(LoadObject(*sample.Make(), damaged), EStreamError) << sample.Name << " " << value;
        }
        QByteArray farthest = bytes;
        qToLittleEndian<qint32>(-PaperReach, farthest.data());
        EXPECT_EQ(LoadObject(*sample.Make(), farthest), 0) << sample.Name;
    }

    // A font size times a resolution must stay in range: sizes beyond any font dialog's are refused, and the
    // canvas holds a font it is handed to the largest of them.
    const QByteArray text = SavedObject(sample());
    QByteArray huge = text;
    const qsizetype size = huge.indexOf(QByteArray::fromHex("0e000000"), 17 + 4 + 4);  // 14 points
    ASSERT_GT(size, 0);
    qToLittleEndian<qint32>(INT32_MAX, huge.data() + size);
    TSampleText loaded;
    EXPECT_THROW(LoadObject(loaded, huge, 600), EStreamError);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TCanvas canvas(painter, 2400, 2400);
    TFont font;
    font.Log.Font.setPointSize(INT32_MAX);
    canvas.SetFont(font);
    EXPECT_EQ(canvas.FontHeight(), -MaxFontPoints * 2400 / 72);
}
