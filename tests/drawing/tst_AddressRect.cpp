// The address object: its stream and kind, how it segments, joins, fits, cuts and places its lines in vertical
// and horizontal writing with the real fonts at 600 dpi, and what it prints; and a whole address side.
#include "ObjectTestSupport.h"

#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/WordRect.h"

#include <gtest/gtest.h>

namespace {

class AddressAt600 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
    void SetUp() override { PaperScale = 1480; }
    void TearDown() override { PaperScale = 0; }
};

void fill(TAddressRect &address, const TRect &rect, const QStringList &lines)
{
    address.SetRect(rect);
    for (int i = 0; i < 3; ++i)
        address.SetLine(i, lines.value(i));
    address.UpdateFontHeight();
}


// The layout of address in content of its size at 600 dpi, and the canvas it leaves at the final font.
struct TLaidOut {
    QImage Scratch = WhitePage(1, 1);
    QPainter Painter{&Scratch};
    TCanvas Canvas{Painter, 600, 600};
    QList<TAddressRect::TPlacedText> Pieces;
    int Mx = 25;  // 4/96 inch at 600 dpi
    int W = 0;
    int H = 0;
    TLaidOut(const TAddressRect &address)
    {
        const TRect r = address.GetRect();
        const QSize size(r.Width() * 600 / 96, r.Height() * 600 / 96);
        W = size.width() - 2 * Mx;
        H = size.height() - 2 * Mx;
        Pieces = address.Layout(Canvas, size);
    }
    QList<int> ColumnsX() const
    {
        QList<int> xs;
        for (const auto &piece : Pieces)
            if (piece.Vertical && !xs.contains(piece.At.x()))
                xs.append(piece.At.x());
        return xs;
    }
    int Cell() { return Canvas.TextHeight(u"一"); }
    int Length(const QString &text) { return Canvas.TextWidth(text); }
};

QImage printed(TAddressRect &address)
{
    QImage page = WhitePage(address.GetRect().Right * 600 / 96 + 50, address.GetRect().Bottom * 600 / 96 + 50);
    QPainter painter(&page);
    TCanvas canvas(painter, 600, 600);
    PrintObject(address, canvas);
    return page;
}

QRect printRect(const TAddressRect &address) { return address.PrintRect().ToQRect(); }

}  // namespace

TEST(AddressRect, StreamKeepsSizeStepAndFixedSizeAndReadsOlderVersions)
{
    TAddressRect address;
    address.SetRect({250, 70, 352, 480});
    address.SizeStep = 5;
    address.SetSizeIndex(18);
    address.SetDirection(1);
    address.SetLine(0, QStringLiteral("東京都"));  // lines are filled from the record, not stored
    const QByteArray bytes = SavedObject(address);
    TAddressRect copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_EQ(copy.SizeStep, 5);
    EXPECT_EQ(copy.SizeIndex(), 18);  // a stored fixed size survives loading
    EXPECT_EQ(copy.GetLine(0), QString());
    EXPECT_EQ(copy.Direction(), 1);

    // Before 600 no size index, before 500 no size step.
    QByteArray v499 = bytes.left(bytes.size() - 4);
    v499.remove(v499.size() - 6, 4);
    TAddressRect old;
    old.SizeStep = 1;
    EXPECT_EQ(LoadObject(old, v499, 499), 0);
    EXPECT_EQ(old.SizeStep, 3);
    EXPECT_EQ(old.SizeIndex(), 0);
    EXPECT_THROW(LoadObject(old, bytes.left(bytes.size() - 1), 600), EStreamError);

    // Kind and size row by style; the sender block's parts take the recipient row.
    PaperScale = 1480;
    EXPECT_EQ(copy.GetKind(), 1);
    copy.UpdateFontHeight();
    EXPECT_EQ(copy.FontHeight(), -40);
    copy.SenderStyle = 1;
    EXPECT_EQ(copy.GetKind(), 5);
    copy.UpdateFontHeight();
    EXPECT_EQ(copy.FontHeight(), -30);
    copy.MainSizeRow = 1;
    copy.UpdateFontHeight();
    EXPECT_EQ(copy.FontHeight(), -40);
    copy.SizeStep = 77;  // a damaged document
    copy.UpdateFontHeight();
    EXPECT_EQ(copy.FontHeight(), -40);
    PaperScale = 0;
}

TEST(AddressRect, ShortDigitRunsAreSetAcrossTheColumnInHalfWidth)
{
    const auto segments = TAddressRect::SegmentLine(QStringLiteral("芝公園４丁目１２番地１２３４５号"), false);
    QList<int> kinds;
    QStringList texts;
    for (const auto &segment : segments) {
        kinds.append(segment.Kind);
        texts.append(segment.Text);
    }
    EXPECT_EQ(kinds, (QList<int>{0, 1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("芝公園"), QStringLiteral("4"), QStringLiteral("丁目"),
                                  QStringLiteral("12"), QStringLiteral("番地"), QStringLiteral("１２３４５"),
                                  QStringLiteral("号")}));
    const auto upright = TAddressRect::SegmentLine(QStringLiteral("芝公園４丁目"), true);
    ASSERT_EQ(upright.size(), 1);
    EXPECT_EQ(upright[0].Kind, 0);
}

TEST_F(AddressAt600, VerticalLinesJoinFitAndStandInColumnsFromTheRight)
{
    const QString second = QStringLiteral("港区芝公園四丁目二番八号東京タワー");
    // A first line of six bytes keeps its column when the two do not fit one column.
    TAddressRect address;
    fill(address, {0, 0, 100, 250}, {QStringLiteral("東京都"), second});
    {
        TLaidOut laid(address);
        const QList<int> xs = laid.ColumnsX();
        ASSERT_EQ(xs.size(), 2);
        // Columns centred across with a tenth of a cell between them, the first at the right; the first starts
        // at the top, the second ends at the bottom.
        const int h1 = laid.Cell();
        const int g = h1 / 10;
        const int x1 = laid.Mx + (laid.W - 2 * h1 - g) / 2;
        EXPECT_EQ(xs[0], x1 + h1 + g + h1);
        EXPECT_EQ(xs[1], x1 + h1);
        EXPECT_EQ(laid.Pieces[0].At.y(), laid.Mx);
        EXPECT_EQ(laid.Pieces[1].At.y(), laid.Mx + laid.H - laid.Length(second));
        // Shrunk so that the longer column and one more cell fit the height.
        EXPECT_LE(laid.Length(second) + h1, laid.H);
        EXPECT_GT(laid.Canvas.FontHeight(), -175);
    }
    // A first line of four bytes joins the next before any fitting: one column.
    address.SetLine(0, QStringLiteral("港区"));
    EXPECT_EQ(TLaidOut(address).ColumnsX().size(), 1);

    // Three lines that each fit keep three columns when the first two would not fit one.
    fill(address, {0, 0, 160, 250},
         {QStringLiteral("東京都千代田区神田駿河台"), QStringLiteral("二丁目十二番三号"),
          QStringLiteral("駿河台センタービル五階")});
    {
        TLaidOut laid(address);
        const QList<int> xs = laid.ColumnsX();
        ASSERT_EQ(xs.size(), 3);
        EXPECT_GT(xs[0], xs[1]);
        EXPECT_GT(xs[1], xs[2]);
        const int h1 = laid.Cell();
        EXPECT_EQ(xs[0] - xs[1], h1 + h1 / 10);
        // The third column ends at the bottom unless that would start it below the end of the second.
        const int y1 = laid.Pieces[1].At.y();
        const int y2 = laid.Pieces[2].At.y();
        const int len1 = laid.Length(address.GetLine(1));
        const int len2 = laid.Length(address.GetLine(2));
        EXPECT_EQ(y2, std::min(laid.Mx + laid.H - len2, y1 + len1 - h1));
        EXPECT_LE(y2 + len2, laid.Mx + laid.H + 1);
    }

    // A rectangle of 8/96 inch leaves nothing to draw in.
    fill(address, {0, 0, 8, 300}, {QStringLiteral("東京都港区")});
    EXPECT_TRUE(TLaidOut(address).Pieces.isEmpty());
}

TEST_F(AddressAt600, FixedSizeCutsTheColumnInsteadOfShrinking)
{
    TAddressRect address;
    fill(address, {0, 0, 60, 150}, {QStringLiteral("東京都港区芝公園四丁目二番八号東京タワー")});
    address.SetSizeIndex(18);  // 24 points
    TLaidOut laid(address);
    EXPECT_EQ(laid.Canvas.FontHeight(), -200);
    ASSERT_EQ(laid.Pieces.size(), 1);
    const QString kept = laid.Pieces[0].Text;
    EXPECT_TRUE(QStringLiteral("東京都港区芝公園四丁目二番八号東京タワー").startsWith(kept));
    EXPECT_LE(laid.Length(kept), laid.H);
    EXPECT_GT(laid.Length(kept) + 200, laid.H);

    const QImage page = printed(address);
    const QRect ink = InkBox(page);
    EXPECT_TRUE(printRect(address).contains(ink));
    EXPECT_GT(ink.width(), 150);  // 24-point glyphs, not shrunk
}

TEST_F(AddressAt600, PrintedColumnsRunRightToLeftWithVerticalFormsAndDigitRunsAcross)
{
    TAddressRect address;
    fill(address, {0, 0, 120, 420}, {QStringLiteral("東京都港区芝公園四丁目"), QStringLiteral("センタービル十二階")});
    QImage page = printed(address);
    const QRect area = printRect(address);
    const QRect ink = InkBox(page);
    EXPECT_TRUE(area.contains(ink));
    {
        TLaidOut laid(address);
        ASSERT_EQ(laid.ColumnsX().size(), 2);
        const int cell = laid.Cell();
        const int second = laid.ColumnsX()[1];
        const QRect firstInk = InkBox(page, QRect(second, 0, page.width() - second, page.height()));
        const QRect secondInk = InkBox(page, QRect(0, 0, second, page.height()));
        EXPECT_GT(firstInk.left(), secondInk.right());  // right to left
        // ー, the fourth character of the second column, stands along the column.
        const int step = laid.Length(QStringLiteral("一"));
        const QRect bar = InkBox(page, QRect(second - cell, laid.Pieces[1].At.y() + 3 * step + 5, cell, step - 10));
        EXPECT_GT(bar.height(), 3 * bar.width());
    }

    // Turned by 180 degrees, the same ink stands mirrored through the object's centre.
    TAddressRect turned;
    fill(turned, {0, 0, 120, 420}, {address.GetLine(0), address.GetLine(1)});
    turned.SetTurned(1);
    const QRect turnedInk = InkBox(printed(turned));
    const QPoint centre(area.left() + area.right() + 1, area.top() + area.bottom() + 1);
    EXPECT_LE(std::abs(turnedInk.left() - (centre.x() - ink.right())), 3);
    EXPECT_LE(std::abs(turnedInk.top() - (centre.y() - ink.bottom())), 3);
    EXPECT_LE(std::abs(turnedInk.width() - ink.width()), 3);

    // Two digits read across the column, upright and centred on it; five stay in the column one by one.
    fill(address, {0, 0, 60, 420}, {QStringLiteral("芝公園１２番地１２３４５")});
    page = printed(address);
    TLaidOut laid(address);
    ASSERT_EQ(laid.Pieces.size(), 4);
    const int cell = laid.Cell();
    const auto across = laid.Pieces[1];
    EXPECT_EQ(across.Text, QStringLiteral("12"));
    EXPECT_FALSE(across.Vertical);
    const int column = laid.Pieces[0].At.x();
    const QRect digits = InkBox(page, QRect(0, across.At.y(), page.width(), cell));
    EXPECT_GT(digits.width(), digits.height());
    EXPECT_LT(std::abs(digits.center().x() - (column - cell / 2)), cell / 8);
    const QRect kanji = InkBox(page, QRect(0, laid.Pieces[0].At.y(), page.width(), 3 * cell));
    EXPECT_LT(std::abs(kanji.center().x() - (column - cell / 2)), cell / 8);
    const int step = laid.Length(QStringLiteral("一"));
    const QRect five = InkBox(page, QRect(0, laid.Pieces[3].At.y(), page.width(), 5 * step));
    EXPECT_GT(five.height(), 4 * five.width());
    // With the digits upright, "１２" stands in the column one above the other.
    address.SetDigitsUpright(1);
    page = printed(address);
    const QRect upright = InkBox(page, QRect(0, across.At.y(), page.width(), 2 * step - 10));
    EXPECT_GT(upright.height(), upright.width());
}

namespace {

// Whether any dark pixel of page lies outside area.
bool inkOutside(const QImage &page, const QRect &area)
{
    for (int y = 0; y < page.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            if (qGray(row[x]) < 128 && !area.contains(x, y))
                return true;
    }
    return false;
}

}  // namespace

TEST_F(AddressAt600, HouseNumbersSetAcrossStayInsideTheRectangle)
{
    // Runs of one to four digits read across the column and are wider than it: every column counts its real
    // thickness in the fitting and the placement, in every line position, from narrow frames to wide ones.
    const QStringList plain{QStringLiteral("東京都港区芝公園"), QStringLiteral("東京タワービル"),
                            QStringLiteral("営業本部総務課")};
    for (const QString &digits : {QStringLiteral("１"), QStringLiteral("１２"), QStringLiteral("５３６"),
                                  QStringLiteral("２９９３")}) {
        for (qsizetype count = 1; count <= 3; ++count) {
            for (qsizetype position = 0; position < count; ++position) {
                QStringList lines = plain.mid(0, count);
                lines[position] = QStringLiteral("四丁目") + digits + QStringLiteral("番") + digits;
                for (const int width : {30, 45, 70, 100, 150}) {
                    // Shrunk to fit in a short and a long frame, and at a fixed size of 14 points.
                    for (const auto &[height, sizeIndex] : {std::pair{160, 0}, {320, 0}, {320, 8}}) {
                        TAddressRect address;
                        fill(address, {20, 20, 20 + width, 20 + height}, lines);
                        address.SetSizeIndex(sizeIndex);
                        const QImage page = printed(address);
                        const QRect area = printRect(address);
                        EXPECT_FALSE(inkOutside(page, area))
                            << lines.join(u'/').toStdString() << " in " << width << " x " << height << " size "
                            << sizeIndex << ": ink " << InkBox(page).left() << ".." << InkBox(page).right()
                            << " of " << area.left() << ".." << area.right();
                    }
                }
            }
        }
    }
}

TEST_F(AddressAt600, HorizontalLinesJoinAShortFirstLineAndAlignLeftThenRight)
{
    TAddressRect address;
    address.SetDirection(1);
    const QString first = QStringLiteral("東京都港区芝公園四丁目");
    const QString second = QStringLiteral("二番八号東京タワー");
    fill(address, {0, 0, 300, 80}, {first, second});
    TLaidOut laid(address);
    ASSERT_EQ(laid.Pieces.size(), 2);
    const int h1 = laid.Cell();
    const int g = h1 / 10;
    EXPECT_EQ(laid.Pieces[0].At, QPoint(laid.Mx, laid.Mx + laid.H / 2 - g - h1));
    EXPECT_EQ(laid.Pieces[1].At, QPoint(laid.Mx + laid.W - laid.Length(second), laid.Mx + laid.H / 2));
    const QImage page = printed(address);
    EXPECT_TRUE(printRect(address).contains(InkBox(page)));

    address.SetLine(0, QStringLiteral("東京都"));  // fewer than five characters
    TLaidOut joined(address);
    ASSERT_EQ(joined.Pieces.size(), 1);
    EXPECT_EQ(joined.Pieces[0].Text, QStringLiteral("東京都") + second);
}

// A building's line joined to the street number's, across or down, where the object has no room for a line of
// its own: a blank parts them, as "１－９－１２０１号室" would read as another street number.
TEST_F(AddressAt600, ABuildingJoinedToTheLineBeforeIsPartedFromItsStreetNumber)
{
    for (const uint8_t direction : {uint8_t(1), uint8_t(0)}) {
        SCOPED_TRACE(direction ? "across" : "down");
        TAddressRect address;
        address.SetDirection(direction);
        fill(address, direction ? TRect{0, 0, 400, 30} : TRect{0, 0, 30, 400},
             {QStringLiteral("東京都千代田区"), QStringLiteral("丸の内１－９－１"), QStringLiteral("２０１号室")});
        TLaidOut laid(address);
        QString joined;
        for (const auto &piece : laid.Pieces)
            joined += piece.Text;
        // Down the column, the short digit runs stand across in half width.
        EXPECT_EQ(joined, direction ? QStringLiteral("東京都千代田区丸の内１－９－１　２０１号室")
                                    : QStringLiteral("東京都千代田区丸の内1－9－1　201号室"));
    }
}

TEST_F(AddressAt600, PrintsAThreeLineAddressSideWithAdditionAndFramedText)
{
    // A postcard, 100 x 148 mm.
    QImage page = WhitePage(2362, 3496);
    TAddressRect address;
    fill(address, {250, 70, 352, 480},
         {QStringLiteral("東京都千代田区神田駿河台"), QStringLiteral("２丁目１２番３号"),
          QStringLiteral("駿河台センタービル１２０５号室")});
    TAdditionRect addition;
    addition.SetRect({200, 110, 240, 470});
    addition.SetText(QStringLiteral("株式会社ヴェルモア商事"));
    addition.SetSubText(QStringLiteral("営業部"));
    addition.UpdateFontHeight();
    TWordRect word;
    word.SetRect({30, 330, 150, 530});
    word.SetLineCount(2);
    word.SetLine(0, QStringLiteral("寒中お見舞い"));
    word.SetLine(1, QStringLiteral("申し上げます"));
    word.SetAlignment(4);
    word.Frame.SetVisible(1);
    word.Frame.SetDoubleLine(1);
    word.Frame.SetRoundCorner(1);
    word.Frame.SetWidthIndex(1);
    word.Frame.SetColor(0x004080);
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        PrintObject(address, canvas);
        PrintObject(addition, canvas);
        PrintObject(word, canvas);
    }
    KeepSamplePage(page, "address-side");
    // Each object's ink stays in its own rectangle (grown by one to the right and bottom, as every picture
    // is played); the address reads in two columns from the right.
    const auto played = [](const TMetaRect &object) { return object.PrintRect().ToQRect().adjusted(0, 0, 1, 1); };
    const QRect addressInk = InkBox(page, played(address));
    EXPECT_EQ(InkBox(page, QRect(addressInk.left() - 40, 0, 2362, 3496)), addressInk);
    EXPECT_GT(addressInk.height(), 2000);
    EXPECT_EQ(InkBox(page, played(addition)), InkBox(page, QRect(1200, 0, 400, 3496)));
    EXPECT_EQ(InkBox(page, played(word)), InkBox(page, QRect(0, 1800, 1000, 1696)));
    TLaidOut laid(address);
    EXPECT_EQ(laid.ColumnsX().size(), 2);
}
