// The additional-text object: its stream over every version (item renumbering, the free text in either 8-bit
// form), what Clear keeps, and its one line fitted into the rectangle at 600 dpi.
#include "ObjectTestSupport.h"

#include "base/SjisCodec.h"
#include "drawing/AdditionRect.h"

#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray scrambled(const QByteArray &text)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    WriteScrambledString(text, stream);
    return buffer.data();
}

QByteArray int32(int32_t value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }

}  // namespace

TEST(AdditionRect, FreeTextKeepsCharactersShiftJisLacksAndReadsBothForms)
{
    TAdditionRect addition;
    addition.SetRect({10, 10, 50, 300});
    addition.Item = 0;
    addition.SizeStep = 4;
    for (const QString &text : {QStringLiteral("𠮷野家 한국 店"), QStringLiteral("@0041"), QStringLiteral("髙橋①")}) {
        addition.SetText(text);
        const QByteArray bytes = SavedObject(addition);
        TAdditionRect copy;
        EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
        EXPECT_EQ(copy.Text(), text);
        EXPECT_EQ(copy.Item, 0);
        EXPECT_EQ(copy.SizeStep, 4);
        EXPECT_EQ(SavedObject(copy), bytes);
    }
    // Text Shift-JIS can hold is stored as plain Shift-JIS, as every older reader expects.
    addition.SetText(QStringLiteral("営業部"));
    const QByteArray plain = SavedObject(addition);
    EXPECT_TRUE(plain.endsWith(scrambled(Sjis::encode(QStringLiteral("営業部"))) + int32(4)));
    // A record item stores no text.
    addition.Item = 20;
    const QByteArray item = SavedObject(addition);
    EXPECT_EQ(item.size(), plain.size() - scrambled(Sjis::encode(QStringLiteral("営業部"))).size());
}

TEST(AdditionRect, OlderStreamsRenumberTheirItemsAndReadTheFreeText)
{
    TAdditionRect addition;
    addition.SetRect({10, 20, 60, 300});
    addition.Item = 19;
    const QByteArray record = SavedObject(addition).chopped(5);  // the text-object record alone

    // Before 201 an old visible byte follows the record; before 500 there is no size step.
    const auto older = [&](int version, const QByteArray &tail) { return MetaRecordAt(record, version) + tail; };
    TAdditionRect loaded;
    EXPECT_EQ(LoadObject(loaded, older(200, QByteArray::fromHex("0005")), 200), 0);
    EXPECT_EQ(loaded.Item, 13);
    EXPECT_EQ(loaded.Visible, 0);
    EXPECT_EQ(loaded.SizeStep, 3);
    EXPECT_EQ(LoadObject(loaded, older(200, QByteArray::fromHex("0109")), 200), 0);
    EXPECT_EQ(loaded.Item, 20);
    EXPECT_EQ(loaded.Visible, 1);
    const QByteArray text = scrambled(Sjis::encode(QStringLiteral("謹賀新年")));
    EXPECT_EQ(LoadObject(loaded, older(200, QByteArray::fromHex("0100") + text), 200), 0);
    EXPECT_EQ(loaded.Item, 0);
    EXPECT_EQ(loaded.Text(), QStringLiteral("謹賀新年"));
    // Version 102 has no item byte: a sender addition without text.
    TAdditionRect oldest;
    oldest.Item = 0;
    EXPECT_EQ(LoadObject(oldest, older(102, QByteArray::fromHex("01")), 102), 0);
    EXPECT_EQ(oldest.Item, 19);
    // From 201 to 499 the stored item stands as it is.
    EXPECT_EQ(LoadObject(loaded, older(499, QByteArray::fromHex("05")), 499), 0);
    EXPECT_EQ(loaded.Item, 5);

    // Clear keeps a free text and empties a record item's texts.
    loaded.Item = 0;
    loaded.SetText(QStringLiteral("謹賀新年"));
    loaded.Clear();
    EXPECT_EQ(loaded.Text(), QStringLiteral("謹賀新年"));
    loaded.Item = 21;
    loaded.SetSubText(QStringLiteral("内線"));
    loaded.Clear();
    EXPECT_TRUE(loaded.Text().isEmpty());
    EXPECT_TRUE(loaded.SubText().isEmpty());
}

TEST(AdditionRect, OneLineShrinksIntoItsColumnOrRowAt600Dpi)
{
    InstallFontSubstitutions();
    PaperScale = 1480;
    TAdditionRect addition;
    addition.SetRect({0, 0, 40, 200});
    addition.SetText(QStringLiteral("株式会社ヴェルモア商事"));
    addition.SetSubText(QStringLiteral("営業部"));
    addition.UpdateFontHeight();
    QImage page = WhitePage(400, 1300);
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        PrintObject(addition, canvas);
    }
    // 14 characters and two spaces at -21/96 inch (131 pixels) would be 1838 pixels: shrunk into 1250 - 50.
    const QRect ink = InkBox(page);
    EXPECT_TRUE(QRect(25, 25, 200, 1200).contains(ink));
    EXPECT_GT(ink.height(), 1100);
    EXPECT_LT(std::abs(ink.center().x() - 125), 8);  // centred across the column
    EXPECT_GT(ink.height(), 5 * ink.width());

    // Horizontal: one row from the left margin, centred down the rectangle.
    addition.SetDirection(1);
    addition.SetRect({0, 0, 200, 40});
    page = WhitePage(1300, 400);
    {
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        PrintObject(addition, canvas);
    }
    const QRect row = InkBox(page);
    EXPECT_TRUE(QRect(25, 25, 1200, 200).contains(row));
    EXPECT_LT(row.left(), 40);
    EXPECT_GT(row.width(), 5 * row.height());
    PaperScale = 0;
}

TEST(AdditionRect, APreviewAt96DpiAndAPdfPageAt600DpiInTheSameRun)
{
    InstallFontSubstitutions();
    PaperScale = 1480;
    TAdditionRect addition;
    addition.SetDirection(1);
    addition.SetRect({10, 10, 210, 50});
    addition.SetText(QStringLiteral("株式会社ヴェルモア商事"));
    addition.UpdateFontHeight();
    // The designer's preview: a screen canvas without a printer chosen yet.
    const auto preview = [&addition] {
        QImage screen = WhitePage(240, 80);
        QPainter painter(&screen);
        TCanvas canvas(painter, 96, 96);
        canvas.SetTarget({});
        addition.Draw(canvas, 0, 0);
        return screen;
    };
    const QImage before = preview();
    const QRect shown = InkBox(before);
    ASSERT_FALSE(shown.isNull());
    EXPECT_TRUE(QRect(10, 10, 200, 40).contains(shown));
    EXPECT_GT(shown.width(), 100);

    // The print job between two repaints of the preview: a PDF page at 600 dpi.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("addition.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(2.5, 0.75), QPageSize::Inch));
        QPainter painter(&writer);
        TCanvas canvas(painter, writer);
        ASSERT_EQ(canvas.Target().LogPixelsY, 600);
        PrintObject(addition, canvas);
    }
    EXPECT_EQ(addition.PrintRect(), (TRect{63, 63, 1313, 313}));
    const QImage page = RenderedPdfPage(pdf, 600);
    ASSERT_EQ(page.size(), QSize(1500, 450));
    const QRect printed = InkBox(page);
    EXPECT_TRUE(QRect(63, 63, 1250, 250).contains(printed));
    // The same line at six and a quarter times the size, but for the screen font's whole-pixel sizes.
    EXPECT_NEAR(printed.width(), shown.width() * 6.25, printed.width() * 0.04);
    EXPECT_NEAR(printed.height(), shown.height() * 6.25, 6.25 * 3);

    // The preview, drawn again after the job, still shows the line where it was, inside the rectangle.
    const QRect again = InkBox(preview());
    EXPECT_TRUE(QRect(10, 10, 200, 40).contains(again));
    EXPECT_LE(std::abs(again.left() - shown.left()), 1);
    EXPECT_NEAR(again.width(), shown.width(), shown.width() * 0.04);
    PaperScale = 0;
}
