// The postal-code object at 600 dpi: a bare code one digit per pre-printed box, a formatted code as centred
// text, and what it keeps in a document.
#include "ObjectTestSupport.h"

#include "drawing/PosRect.h"

#include <QBuffer>

using test::mm;

namespace {

class PosRect : public test::PrintedPage {};

// The boxes of a postcard, 0.1 mm from the start of the first: each box starts where the one before it
// started plus its pitch, and is 5.7 mm wide.
constexpr int Pitch[] = {70, 70, 76, 68, 68, 68, 57};

}  // namespace

TEST_F(PosRect, BareCodeStandsOneDigitCentredInEachBox)
{
    QImage page = blank();
    TPosRect code;
    code.SetRect(mm(440, 120, 917, 200));  // the boxes of a postcard, 47.7 mm wide
    code.SetText(QStringLiteral("1070062"));
    const QRect frame = print(code, page);
    ASSERT_EQ(InkBox(page, page.rect()), InkBox(page, frame));

    // The frame is as wide as the seven boxes, so the digits stand where the card's boxes are.
    const double pixelsPerTenth = 600 / 254.0 * frame.width() / (477 / 254.0 * 600);
    const double boxesLeft = frame.left() + (frame.width() - 477 * pixelsPerTenth) / 2;
    int start = 0;
    for (int i = 0; i < 7; ++i) {
        const double left = boxesLeft + start * pixelsPerTenth;
        const QRect digit = InkBox(page, QRect(std::lround(left), frame.top(), std::lround(57 * pixelsPerTenth),
                                            frame.height()));
        ASSERT_FALSE(digit.isEmpty()) << i;
        const double centre = (digit.left() + digit.right() + 1) / 2.0;
        EXPECT_NEAR(centre, left + 28.5 * pixelsPerTenth, 0.2 / 25.4 * 600) << "digit " << i;
        // The digit fills its box less 1.8 mm, so it stays well inside.
        EXPECT_LT(digit.width(), 57 * pixelsPerTenth);
        EXPECT_NEAR((digit.top() + digit.bottom()) / 2.0, frame.center().y(), frame.height() / 4.0);
        start += Pitch[i];
    }
    // Nothing stands in the wider gap where the hyphen would be.
    const int gapLeft = std::lround(boxesLeft + (140 + 57) * pixelsPerTenth) + 1;
    EXPECT_TRUE(InkBox(page, QRect(gapLeft, frame.top(), std::lround(19 * pixelsPerTenth) - 2, frame.height())).isEmpty());
}

TEST_F(PosRect, FormattedCodesAreCentredTextAndExtraDigitsPrintOverTheLastBox)
{
    for (const QString &text : {QStringLiteral("〒107-0062"), QStringLiteral("107-0062")}) {
        QImage page = blank(1500, 600);
        TPosRect code;
        code.SetRect({0, 0, 200, 40});
        code.SetText(text);
        const QRect frame = print(code, page);
        const QRect written = InkBox(page, frame);
        ASSERT_FALSE(written.isEmpty());
        // Centred as text: the same room on both sides, not spread over boxes.
        EXPECT_NEAR(written.left() - frame.left(), frame.right() - written.right(), 40) << text.toStdString();
        EXPECT_LT(written.width(), frame.width() * 3 / 4);
    }

    QImage seven = blank(1500, 600), eight = blank(1500, 600);
    TPosRect code;
    code.SetRect({0, 0, 200, 40});
    code.SetText(QStringLiteral("1070062"));
    const QRect frame = print(code, seven);
    code.SetText(QStringLiteral("10700628"));
    EXPECT_FALSE(code.PictureValid());
    print(code, eight);
    // The eighth digit has no box: it lands on the seventh, and nothing goes past it.
    EXPECT_EQ(InkBox(eight, frame).right(), InkBox(seven, frame).right());
    EXPECT_NE(eight, seven);

    code.SetText(QString());
    code.Prepare(Printer, false);
    EXPECT_TRUE(code.Picture().Empty());
    EXPECT_TRUE(code.PictureValid());
}

TEST_F(PosRect, KeepsOnlyItsFrameAndFontInADocumentAndTakesItsSizeFromItsStyle)
{
    TPosRect code;
    code.SetRect({10, 20, 190, 50});
    code.SetText(QStringLiteral("1070062"));
    code.SetTurned(1);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TObjectStream stream(buffer);
    code.SaveToStream(stream);
    buffer.seek(0);
    TPosRect copy;
    copy.LoadFromStream(stream);
    EXPECT_EQ(stream.BytesLeft(), 0);
    EXPECT_TRUE(copy.Text().isEmpty());
    EXPECT_EQ(copy.Turned(), 1);
    EXPECT_EQ(copy.GetRect(), code.GetRect());

    EXPECT_EQ(code.GetKind(), 0);
    code.UpdateFontHeight();
    EXPECT_EQ(code.FontHeight(), -24);
    code.SenderStyle = 1;
    code.UpdateFontHeight();
    EXPECT_EQ(code.GetKind(), 4);
    EXPECT_EQ(code.FontHeight(), -19);
    code.MainSizeRow = 1;
    code.UpdateFontHeight();
    EXPECT_EQ(code.FontHeight(), -24);
}
