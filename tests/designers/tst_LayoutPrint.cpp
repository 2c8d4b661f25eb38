// The print loop: the pages a plan gives the printer and the preview, the sheet in pixels, postcards of a real
// book printed to PDF (pages, copies, text, the postal code in Japan Post's boxes at 600 dpi), a multi-up sheet
// from its start position, a record gone before printing, a stop that leaves no file, and jobs through a CUPS
// scheduler of the test's own.
#include "designers/LayoutPrint.h"

#include "CupsServer.h"
#include "PrintedPdf.h"
#include "TestBook.h"
#include "base/Fonts.h"
#include "base/SjisCodec.h"
#include "core/AddressRecord.h"
#include "core/StagedFile.h"
#include "db/Table.h"
#include "designers/PrintDocument.h"
#include "drawing/AddressRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/MetafileEx.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/WordRect.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using TPrint = TPrintPlan::TPrint;
using namespace test;

struct TSample {
    const char *Pos, *Tdfkn, *Adrs1, *Adrs2, *Name;
};
const TSample Samples[] = {
    {"1010062", "東京都", "千代田区神田駿河台", "四丁目六番地", "山田　太郎"},
    {"5300001", "大阪府", "大阪市北区梅田", "一丁目三番一号", "佐藤　花子"},
    {"9800811", "宮城県", "仙台市青葉区一番町", "二丁目七番十七号", "長谷川　健"},
};

// A postcard of the master paper list with the receiver's code, address and name, filled from a real book.
class LayoutPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open();
        TTable &table = *book.Module->AdrsTable;
        table.StartTransaction();
        for (const TSample &s : Samples) {
            TAddressRecord r;
            r.Pos = s.Pos;
            r.Tdfkn = Sjis::encode(QString::fromUtf8(s.Tdfkn));
            r.Adrs1 = Sjis::encode(QString::fromUtf8(s.Adrs1));
            r.Adrs2 = Sjis::encode(QString::fromUtf8(s.Adrs2));
            r.NameKanji = Sjis::encode(QString::fromUtf8(s.Name));
            r.Honor = Sjis::encode(QStringLiteral("様"));
            table.Append();
            SetAddressRecordFields(table, r);
            table.Post();
            recNos.push_back(table.FieldByName(QStringLiteral("RecNo")).AsInteger());
        }
        table.Commit();
        ASSERT_TRUE(master.Load(test::appDir() + "Common/Lyt.fmt"));
        UsePaper(0);
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        SetPrinterPaper(0, 1, 1000, 1480);
        setCopies(1);  // the program's printer outlives a test
        pdf = out.path() + QStringLiteral("/宛名.pdf");
    }
    void TearDown() override { PaperScale = 1480; }

    void UsePaper(size_t index)
    {
        const TPaperFormat &paper = master.Formats.at(index);
        PaperScale = std::max(paper.Width, paper.Height);
        for (int i = 0; i < paper.CombinedRectCount; ++i) {
            const TFormatRect &r = paper.CombinedRects[size_t(i)];
            doc.CombinedObjects[size_t(i)]->SetRect({r.Left, r.Top, r.Right, r.Bottom});
        }
        job.Paper = paper;
        job.Sheet = master.SheetOf(paper);
        job.Shown = {code(), address(), name()};
        job.Fixed = {code(), address(), name()};
        for (TDrawRect *object : job.Shown)
            static_cast<TMetaRect *>(object)->UpdateFontHeight();
        job.BindRecord = [this](int32_t recNo) { return bind(recNo); };
        job.RecordNumbers = recNos;
    }

    // The master list's first paper of four cards to a sheet, and the PDF printer's paper that sheet.
    void useFourUpSheet()
    {
        const auto it = std::find_if(master.Formats.begin(), master.Formats.end(),
                                     [](const TPaperFormat &f) { return f.Kind == 0 && f.SheetIndex > 0; });
        ASSERT_NE(it, master.Formats.end());
        UsePaper(size_t(it - master.Formats.begin()));
        ASSERT_EQ(job.Sheet.Columns * job.Sheet.Rows, 4);
        SetPrinterPaper(0, 1, job.Sheet.SheetWidth, job.Sheet.SheetHeight);
    }

    TPosRect *code() { return static_cast<TPosRect *>(doc.CombinedObjects[0].get()); }
    TAddressRect *address() { return static_cast<TAddressRect *>(doc.CombinedObjects[1].get()); }
    TNameRect *name() { return static_cast<TNameRect *>(doc.CombinedObjects[2].get()); }

    bool bind(int32_t recNo)
    {
        TTable &table = *book.Module->AdrsTable;
        // A record that is gone leaves the objects as they were: the loop must not print them again.
        if (!table.FindKey({recNo}))
            return false;
        const TAddressRecord r = GetAddressRecordFields(table);
        code()->SetText(Sjis::decode(r.Pos));
        address()->SetLine(0, Sjis::decode(r.Tdfkn + r.Adrs1));
        address()->SetLine(1, Sjis::decode(r.Adrs2));
        name()->SetName(Sjis::decode(r.NameKanji));
        name()->SetHonor(Sjis::decode(r.Honor));
        return true;
    }

    void setCopies(int copies)
    {
        TPrinterSetting s = Printer().Setting();
        s.Copies = qint16(copies);
        Printer().SetSetting(s);
    }

    test::TestBook book;
    TMasterFormats master;
    TPrintDocument doc;
    TLayoutPrintJob job;
    std::vector<int32_t> recNos;
    QTemporaryDir out;
    QString pdf;
};

TEST(PrintPlan, ThePreviewAndThePrinterCountThePagesAlike)
{
    // A 2 x 5 sheet from place 4, three records twice each: places 4 to 9 of one sheet.
    TPrintPlan sheet{true, 10, 3, 2, 4};
    EXPECT_EQ(sheet.PageCount(), 1);
    EXPECT_EQ(sheet.PagePrints(0), (std::vector<TPrint>{{0, 3}, {0, 4}, {1, 5}, {1, 6}, {2, 7}, {2, 8}}));
    EXPECT_TRUE(sheet.PagePrints(1).empty());
    // 10-up: start 5 still fits one sheet, start 6 needs a second, which continues where the first ended.
    sheet.LabelStart = 5;
    EXPECT_EQ(sheet.PageCount(), 1);
    sheet.LabelStart = 6;
    EXPECT_EQ(sheet.PageCount(), 2);
    EXPECT_EQ(sheet.PagePrints(1), (std::vector<TPrint>{{2, 0}}));
    // A start position beyond the sheet counts as its last place.
    sheet.LabelStart = 40;
    EXPECT_EQ(sheet.PageCount(), 2);
    EXPECT_EQ(sheet.PagePrints(0), (std::vector<TPrint>{{0, 9}}));

    // A single paper: a page per print, each record's copies together; the preview shows the same six.
    const TPrintPlan single{false, 1, 3, 2, 1};
    EXPECT_EQ(single.PageCount(), 6);
    EXPECT_EQ(single.PagePrints(3), (std::vector<TPrint>{{1, 0}}));
    EXPECT_TRUE(single.PagePrints(6).empty());
    // A sender-only layout prints without records: its prints per record.
    EXPECT_EQ((TPrintPlan{false, 1, 1, 4, 1}).PageCount(), 4);
    // No record: no page.
    EXPECT_EQ((TPrintPlan{true, 4, 0, 1, 1}).PageCount(), 0);
}

TEST(PrintPlan, SheetLayoutInPixelsOfTheResolution)
{
    TPaperFormat card;
    card.Width = 864;
    card.Height = 508;
    const TFormatCategory sheet{2100, 2970, 2, 5, 174, 215, 25, 0};
    const TSheetLayout at600 = ComputeSheetLayout(card, sheet, 600, 600);
    EXPECT_EQ(at600, (TSheetLayout{2041, 1200, 2, 5, 411, 508, 59, 0}));
    EXPECT_EQ(at600.PlaceAt(3), QPoint(411 + 2041 + 59, 508 + 1200));
    const TSheetLayout at96 = ComputeSheetLayout(card, sheet, 96, 96);
    EXPECT_EQ(at96.PlaceAt(0), QPoint(66, 81));  // 17.4 mm and 21.5 mm, halves away from zero
}

TEST_F(LayoutPrintTest, PostcardsOfABookToPdfOnePagePerPrint)
{
    setCopies(2);
    std::vector<int> progress;
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf,
                          [&](int done, int total) {
                              EXPECT_EQ(total, 6);
                              progress.push_back(done);
                              return true;
                          }),
              TPrintOutcome::Printed);
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    // Three records, two copies each, collated: the whole book, then the whole book again.
    ASSERT_EQ(pdfPages(pdf), 6);
    const QSizeF mm = pdfPageMm(pdf);
    EXPECT_NEAR(mm.width(), 100, 0.2);
    EXPECT_NEAR(mm.height(), 148, 0.2);
    for (int page = 1; page <= 6; ++page) {
        const TSample &s = Samples[(page - 1) % 3];
        const QString text = pageText(pdf, page);
        for (const char *part : {s.Tdfkn, s.Adrs1, s.Adrs2, "様"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << page << " " << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(s.Name).remove(u'　'))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(s.Pos))) << text.toStdString();
    }
    // The binding is left on the last record printed; nothing of the run is left beside the file.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("宛名.pdf")});

    const QImage page = renderedPage(pdf, 2, 600);
    ASSERT_FALSE(page.isNull());
    keepSample(page, "postcard-600dpi");
    ExpectDigitsCentredInPostcardBoxes(page);
}

TEST_F(LayoutPrintTest, TheOffsetAndTheFlapMoveWhatIsPrinted)
{
    job.RecordNumbers = {recNos[0]};
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    const QRect plain = inkBox(renderedPage(pdf, 1, 600), QRect(0, 0, 2362, 3496));
    // 2 mm right and 1 mm up, and an envelope flap of 10 mm down: 47 pixels right, 213 down at 600 dpi.
    job.Offset = QPoint(20, -10);
    job.Flap = 100;
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    const QRect moved = inkBox(renderedPage(pdf, 1, 600), QRect(0, 0, 2362, 3496));
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_NEAR(moved.left() - plain.left(), 47, 2);
    EXPECT_NEAR(moved.top() - plain.top(), 213, 2);
    // The preview shows the offset, not the flap: 8 right and 4 up in layout units.
    const auto previewInk = [this] {
        TMetafileEx picture;
        DrawPreviewPage(job, 0, TRenderTarget{true, 600, 600, 0, 0}, picture);
        QImage preview(picture.Width(), picture.Height(), QImage::Format_RGB32);
        QPainter painter(&preview);
        picture.Play(painter, QTransform(), QRectF(0, 0, picture.Width(), picture.Height()), std::nullopt);
        painter.end();
        return inkBox(preview, preview.rect());
    };
    const QRect shifted = previewInk();
    job.Offset = QPoint();
    const QRect unshifted = previewInk();
    EXPECT_EQ(shifted.topLeft() - unshifted.topLeft(), QPoint(8, -4));
}

TEST_F(LayoutPrintTest, MultiUpSheetFromItsStartPositionAndItsPreview)
{
    ASSERT_NO_FATAL_FAILURE(useFourUpSheet());
    job.LabelStart = 2;
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    // Three cards from place 2: one sheet, the first place left blank.
    ASSERT_EQ(pdfPages(pdf), 1);
    const QSizeF mm = pdfPageMm(pdf);
    EXPECT_NEAR(mm.width(), job.Sheet.SheetWidth / 10.0, 0.2);
    const QImage sheet = renderedPage(pdf, 1, 100);
    keepSample(sheet, "sheet-100dpi");
    const TSheetLayout places = ComputeSheetLayout(job.Paper, job.Sheet, 100, 100);
    const auto place = [&](int n) { return QRect(places.PlaceAt(n), QSize(places.CardWidth, places.CardHeight)); };
    EXPECT_EQ(inkIn(sheet, place(0)), 0);
    for (int n = 1; n < 4; ++n)
        EXPECT_GT(inkIn(sheet, place(n)), 100) << n;
    const QString text = pageText(pdf, 1);
    for (const TSample &s : Samples)
        EXPECT_TRUE(text.contains(QString::fromUtf8(s.Adrs1))) << text.toStdString();

    // The preview of the same page: every place outlined, the same three cards inked.
    TMetafileEx picture;
    DrawPreviewPage(job, 0, TRenderTarget{true, 600, 600, 0, 0}, picture);
    const TSheetLayout units = ComputeSheetLayout(job.Paper, job.Sheet, 96, 96);
    ASSERT_EQ(QSize(picture.Width(), picture.Height()),
              QSize(std::lround(job.Sheet.SheetWidth * 96 / 254.0), std::lround(job.Sheet.SheetHeight * 96 / 254.0)));
    QImage preview(picture.Width(), picture.Height(), QImage::Format_RGB32);
    preview.fill(Qt::white);
    {
        QPainter painter(&preview);
        picture.Play(painter, QTransform(), QRectF(0, 0, picture.Width(), picture.Height()), std::nullopt);
    }
    keepSample(preview, "sheet-preview");
    for (int n = 0; n < 4; ++n) {
        const QPoint at = units.PlaceAt(n);
        EXPECT_EQ(preview.pixel(at + QPoint(units.CardWidth / 2, 0)), qRgb(0x80, 0x80, 0x80)) << n;
        const QRect inside(at + QPoint(3, 3), QSize(units.CardWidth - 6, units.CardHeight - 6));
        if (n == 0)
            EXPECT_EQ(inkIn(preview, inside), 0);
        else
            EXPECT_GT(inkIn(preview, inside), 20) << n;
    }
}

// Text copied from another program's PDF often holds the radicals and compatibility ideographs that PDF's text
// said for 長, 金, 見 and the like, and 〜 where ～ was meant; IPAex draws each of them with the glyph of the
// character it looks like. Postcards of such text and of the same typed, each with a letter.
struct TCard {
    QString Address1, Address2, Name, Letter;
};
const QList<TCard> PastedCards{
    {QStringLiteral("⻑野県⻑野市鶴賀緑町"), QStringLiteral("⾦沢ビル五階"), QStringLiteral("⾺場　⿃⾒"),
     QStringLiteral("⾔葉と⾨前の九時〜十七時")},
    // Compatibility ideographs as some systems keep names: 櫛 (U+2F8ED) and 漣 (U+F992).
    {QStringLiteral("⻑崎県⻑崎市⾦屋町"), QStringLiteral("⻑⾨ビル"), QStringLiteral("\U0002F8ED田　\uF992"),
     QStringLiteral("⻑⾒の⾦⾺⿃")},
};
const QList<TCard> TypedCards{
    {QStringLiteral("長野県長野市鶴賀緑町"), QStringLiteral("金沢ビル五階"), QStringLiteral("馬場　鳥見"),
     QStringLiteral("言葉と門前の九時～十七時")},
    {QStringLiteral("長崎県長崎市金屋町"), QStringLiteral("長門ビル"), QStringLiteral("櫛田　漣"),
     QStringLiteral("長見の金馬鳥")},
};

// Shows card on the postcard's objects and letter.
void showCard(TAddressRect &address, TNameRect &name, TWordRect &letter, const TCard &card)
{
    address.SetLine(0, card.Address1);
    address.SetLine(1, card.Address2);
    name.SetName(card.Name);
    letter.SetLine(0, card.Letter);
}

// Whether text holds each part of card as printed.
void expectCardIn(const QString &text, const TCard &card)
{
    for (const QString &part : {card.Address1, card.Address2, QString(card.Name).remove(u'　'), card.Letter})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
}

// A postcard run, its letter text down a column, says in its PDF exactly what it printed, the pasted characters or
// the typed ones, whichever the run before it printed.
TEST_F(LayoutPrintTest, EachRunsPdfSaysTheCharactersItPrintedThoughTwoShareAGlyph)
{
    // The premise: the face draws each pair with one glyph.
    QFont mincho = name()->Font().Log.Font;
    mincho.setPixelSize(64);
    const QRawFont face = QRawFont::fromFont(mincho);
    for (const auto &[a, b] : {std::pair{u"⻑", u"長"}, std::pair{u"〜", u"～"}, std::pair{u"\uF992", u"漣"}})
        ASSERT_EQ(face.glyphIndexesForString(QString::fromUtf16(a)), face.glyphIndexesForString(QString::fromUtf16(b)));

    TWordRect letter;
    letter.SetRect({30, 330, 150, 540});
    letter.SetDirection(0);
    letter.SetLineCount(1);
    job.Shown.push_back(&letter);
    job.Fixed.push_back(&letter);
    job.RecordNumbers = {0, 1};
    for (const QList<TCard> *cards : {&PastedCards, &TypedCards, &PastedCards}) {
        job.BindRecord = [&](int32_t index) {
            showCard(*address(), *name(), letter, (*cards)[index]);
            return true;
        };
        ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
        ASSERT_EQ(pdfPages(pdf), 2);
        for (int page = 1; page <= 2; ++page)
            expectCardIn(pageText(pdf, page), (*cards)[page - 1]);
    }
}

// One sheet of four cards holds the pasted characters and the typed ones of each glyph, down the address columns
// and the letters, and across the cards' foot a street number typed with the hyphen ‐ (Shift-JIS 0x815D) beside a
// telephone number with -, which IPAex also draws with one glyph. Its PDF says each card's characters as printed,
// and the faces the designers offer are the installed ones still.
TEST_F(LayoutPrintTest, ASheetOfPastedAndTypedCardsSaysEachCardsCharacters)
{
    ASSERT_NO_FATAL_FAILURE(useFourUpSheet());
    const QList<TCard> cards{PastedCards[0], TypedCards[0], PastedCards[1], TypedCards[1]};
    const QString street = QStringLiteral("1613‐2 026-234-5678");
    ASSERT_EQ(Sjis::decode(Sjis::encode(street)), street);
    const QList<TFontFace> faces = ListFontNames(false, false);

    TWordRect letter;
    letter.SetRect({30, 330, 150, 540});
    letter.SetDirection(0);
    letter.SetLineCount(1);
    TWordRect foot;
    foot.SetRect({20, 528, 380, 552});
    foot.SetDirection(1);
    foot.SetLineCount(1);
    foot.SetLine(0, street);
    for (TWordRect *object : {&letter, &foot}) {
        job.Shown.push_back(object);
        job.Fixed.push_back(object);
    }
    job.RecordNumbers = {0, 1, 2, 3};
    job.BindRecord = [&](int32_t index) {
        showCard(*address(), *name(), letter, cards[index]);
        return true;
    };
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    ASSERT_EQ(pdfPages(pdf), 1);
    const QString text = pageText(pdf, 1);
    for (const TCard &card : cards)
        expectCardIn(text, card);
    EXPECT_EQ(text.count(QString(street).remove(u' ')), 4) << text.toStdString();
    const QList<TFontFace> after = ListFontNames(false, false);
    EXPECT_EQ(after.size(), faces.size());
    for (qsizetype i = 0; i < std::min(faces.size(), after.size()); ++i)
        EXPECT_EQ(after[i].Name, faces[i].Name);
}

TEST_F(LayoutPrintTest, ARecordGoneBeforePrintingLeavesItsPageBlank)
{
    TTable &table = *book.Module->AdrsTable;
    ASSERT_TRUE(table.FindKey({recNos[1]}));
    table.Delete();
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    ASSERT_EQ(pdfPages(pdf), 3);
    EXPECT_TRUE(pageText(pdf, 1).contains(QStringLiteral("山田")));
    // Not the first addressee again, nor anybody.
    EXPECT_EQ(pageText(pdf, 2), QString());
    EXPECT_TRUE(pageText(pdf, 3).contains(QStringLiteral("長谷川")));
}

TEST_F(LayoutPrintTest, RecordsMetInWalksOfTheListsOrderAreBoundAsByTheirKeys)
{
    // More records than one walk reads, in a reading order other than their registration, every other one in
    // the group the list shows.
    TTable &table = *book.Module->AdrsTable;
    table.StartTransaction();
    for (int i = 0; i < 2 * RecordsWalkedAhead + 20; ++i) {
        TAddressRecord r;
        r.NameKana = QByteArray::number((i * 37) % 101 + 100);
        r.NameKanji = r.NameKana;
        r.Group = i % 2 ? 2 : 0;
        table.Append();
        SetAddressRecordFields(table, r);
        table.Post();
    }
    table.Commit();
    const auto recNo = [&] { return table.FieldByName(QStringLiteral("RecNo")).AsInteger(); };
    UsePaper(0);
    job.Shown.clear();
    job.Fixed.clear();
    job.RecordTable = &table;
    std::vector<int32_t> bound;
    std::vector<int32_t> byKey;
    int read = 0;
    job.BindRecord = [&](int32_t n) {
        byKey.push_back(n);
        bound.push_back(n);
        return table.FindKey({n});
    };
    job.ReadRecord = [&]() -> std::function<bool()> {
        ++read;
        return [&bound, n = recNo()] {
            bound.push_back(n);
            return true;
        };
    };
    for (const bool ascending : {true, false}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        job.RecordOrder = TListOrder{QStringLiteral("NameKana"), ascending};
        job.RecordNumbers = ListRecordNumbers(table, QStringLiteral("NameKana"), ascending, 3);
        ASSERT_EQ(job.RecordNumbers.size(), size_t(RecordsWalkedAhead + 10));
        table.SetIndexName(QString());
        // A record deleted after it was listed is still looked up by its key, and found gone.
        const int32_t gone = job.RecordNumbers[RecordsWalkedAhead + 3];
        ASSERT_TRUE(table.FindKey({gone}));
        table.Delete();
        bound.clear();
        byKey.clear();
        read = 0;
        ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
        // The same records in the same order; each of the others read once, in a walk.
        EXPECT_EQ(bound, job.RecordNumbers);
        EXPECT_EQ(byKey, std::vector<int32_t>{gone});
        EXPECT_EQ(read, int(job.RecordNumbers.size()) - 1);
        EXPECT_TRUE(table.IndexName().isEmpty());
        table.Append();  // the group keeps its count for the other direction
        TAddressRecord r;
        r.NameKana = "050";
        r.Group = 2;
        SetAddressRecordFields(table, r);
        table.Post();
    }
    // A walk leaves the table on the index it found it on.
    const std::vector<int32_t> listed = ListRecordNumbers(table, QStringLiteral("NameKana"), true, 3);
    table.SetIndexName(QStringLiteral("CorpKana"));
    EXPECT_EQ(WalkListedRecords(table, listed, TListOrder{QStringLiteral("NameKana"), true}, [](int) {}),
              int(listed.size()));
    EXPECT_EQ(table.IndexName(), QStringLiteral("CorpKana"));
    table.SetIndexName(QString());
}

TEST_F(LayoutPrintTest, AStoppedRunLeavesNoFileAndTheOldOneAsItWas)
{
    test::writeFile(pdf, "the last good print");
    job.RecordNumbers = {recNos[0], recNos[1], recNos[2], recNos[0], recNos[1], recNos[2]};
    int asked = 0;
    EXPECT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, [&](int done, int) { return ++asked, done < 3; }),
              TPrintOutcome::Stopped);
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(test::readFile(pdf), QByteArray("the last good print"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("宛名.pdf")});
    // The objects' print caches are gone: the next run starts afresh and completes.
    EXPECT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    EXPECT_EQ(pdfPages(pdf), 6);
}

// The program killed before each call that changes a file (the record of unfinished output in the data folder,
// the hidden PDF, its rename): the old file stays or the new one is whole, and the next start leaves no hidden
// file behind.
TEST_F(LayoutPrintTest, AKillAtAnyFileStepLeavesTheOldFileOrTheNewAndTheNextStartTidiesUp)
{
    int step = 1;
    int replaced = 0;
    for (;; ++step) {
        test::writeFile(pdf, "the last good print");
        if (!test::KillAtFileStep(QDir::tempPath(), step, [&] { PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr); }))
            break;
        if (test::readFile(pdf) != "the last good print") {
            ++replaced;
            EXPECT_EQ(pdfPages(pdf), 3) << "killed at step " << step;
        }
        RemoveUnfinishedOutput();
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("宛名.pdf")})
            << "killed at step " << step;
    }
    EXPECT_GT(step, 4);
    EXPECT_GE(replaced, 1);
    EXPECT_EQ(pdfPages(pdf), 3);
}

TEST_F(LayoutPrintTest, AQueueOfTheSchedulerGetsTheWholeJob)
{
    test::CupsServer cups;
    ASSERT_TRUE(cups.Running);
    TPrinter &printer = Printer();
    const int index = int(printer.Printers().indexOf(QLatin1String(test::CupsServer::Queue)));
    ASSERT_GE(index, 0) << printer.Printers().join(' ').toStdString();
    printer.SetPrinterIndex(index);
    ASSERT_NE(SetPrinterPaper(0, 1, 1000, 1480), TPaperChoice::Refused);
    const TPrinterMetrics metrics = printer.Metrics();
    EXPECT_GT(metrics.OffsetX, 0);  // the queue's model cannot print its 12-point edges
    setCopies(2);
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), QString(), nullptr), TPrintOutcome::Printed);
    const QByteArray received = cups.WaitForJobFile();
    ASSERT_TRUE(received.startsWith("%PDF")) << received.left(40).toStdString();
    // The scheduler makes the copies: the job holds each record once and asks for two.
    EXPECT_EQ(pdfPages(cups.JobFileName()), 3);
    EXPECT_EQ(cups.JobArguments(), (QStringList{QStringLiteral("2"), QStringLiteral("宛名印刷")}));
    EXPECT_TRUE(pageText(cups.JobFileName(), 3).contains(QStringLiteral("長谷川")));

    // The physical offsets are taken back: the postal code lands where the PDF printer puts it.
    printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
    SetPrinterPaper(0, 1, 1000, 1480);
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    const QRect codeArea(0, 0, 1000 * 300 / 254, 300 * 300 / 254);
    const QRect queued = inkBox(renderedPage(cups.JobFileName(), 1, 300), codeArea);
    const QRect direct = inkBox(renderedPage(pdf, 1, 300), codeArea);
    EXPECT_FALSE(direct.isEmpty());
    EXPECT_LE((queued.topLeft() - direct.topLeft()).manhattanLength(), 2);
}

TEST_F(LayoutPrintTest, AMultiUpSheetLandsOnTheQueuesPageWhereThePdfPrinterPutsIt)
{
    ASSERT_NO_FATAL_FAILURE(useFourUpSheet());
    job.LabelStart = 2;
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    const QRect direct = inkBox(renderedPage(pdf, 1, 150), QRect(0, 0, 1240, 1754));

    // The queue cannot print its 12-point edges: the sheet's margins lose them, the cards stay in place.
    test::CupsServer cups;
    ASSERT_TRUE(cups.Running);
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(QLatin1String(test::CupsServer::Queue))));
    ASSERT_NE(SetPrinterPaper(0, 1, job.Sheet.SheetWidth, job.Sheet.SheetHeight), TPaperChoice::Refused);
    ASSERT_GT(printer.Metrics().OffsetX, 0);
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), QString(), nullptr), TPrintOutcome::Printed);
    ASSERT_TRUE(cups.WaitForJobFile().startsWith("%PDF"));
    const QRect queued = inkBox(renderedPage(cups.JobFileName(), 1, 150), QRect(0, 0, 1240, 1754));
    ASSERT_FALSE(direct.isEmpty());
    EXPECT_LE((queued.topLeft() - direct.topLeft()).manhattanLength(), 2);
    EXPECT_LE((queued.bottomRight() - direct.bottomRight()).manhattanLength(), 2);
}

TEST_F(LayoutPrintTest, AStoppedQueueRunSendsNothingAndARefusedJobIsReported)
{
    test::CupsServer cups;
    ASSERT_TRUE(cups.Running);
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(QLatin1String(test::CupsServer::Queue))));
    EXPECT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), QString(), [](int done, int) { return done < 2; }),
              TPrintOutcome::Stopped);
    EXPECT_EQ(cups.JobsTaken(), 0);
    // A queue that takes no jobs: the run is an error, never a success.
    QProcess reject;
    reject.start(QStringLiteral("cupsreject"), {QLatin1String(test::CupsServer::Queue)});
    ASSERT_TRUE(reject.waitForFinished(20000) && reject.exitCode() == 0);
    EXPECT_THROW(PrintLayout(job, QStringLiteral("宛名印刷"), QString(), nullptr), EPrinterError);
    EXPECT_EQ(cups.JobsTaken(), 0);
}

TEST_F(LayoutPrintTest, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothing)
{
    QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool writable = QFile(out.path() + "/probe").open(QIODevice::WriteOnly);  // root writes anyway
    if (!writable) {
        EXPECT_THROW(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), EPrinterError);
    }
    EXPECT_THROW(PrintLayout(job, QStringLiteral("宛名印刷"), out.path() + "/なし/宛名.pdf", nullptr), EPrinterError);
    QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::remove(out.path() + "/probe");
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

}  // namespace
