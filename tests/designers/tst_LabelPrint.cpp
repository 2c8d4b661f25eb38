// Label and card sheets printed to PDF from a real book: the start position and the prints per record put each
// label in its place of the sheet (checked at 600 dpi against the sheet's layout), each record's texts on its
// labels, the places before the start and after the last print left blank.
#include "designers/LabelPrint.h"

#include "PrintedPdf.h"
#include "TestBook.h"
#include "base/SjisCodec.h"
#include "base/Units.h"
#include "core/AddressRecord.h"
#include "db/Table.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/PrinterInfo.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace test;

const char *const Names[] = {"山田　太郎", "佐藤　花子", "長谷川　健"};
const char *const Towns[] = {"千代田区神田駿河台", "大阪市北区梅田", "仙台市青葉区一番町"};

class LabelPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An A4 sheet at 600 dpi is larger than Qt reads by default.
        QImageReader::setAllocationLimit(512);
        book.Open();
        TTable &table = *book.Module->AdrsTable;
        table.StartTransaction();
        for (int i = 0; i < 3; ++i) {
            TAddressRecord r;
            r.Pos = "1010062";
            r.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
            r.Adrs1 = Sjis::encode(QString::fromUtf8(Towns[i]));
            r.NameKanji = Sjis::encode(QString::fromUtf8(Names[i]));
            table.Append();
            SetAddressRecordFields(table, r);
            table.Post();
            recNos.push_back(table.FieldByName(QStringLiteral("RecNo")).AsInteger());
        }
        table.Commit();
        ASSERT_TRUE(master.Load(test::appDir() + "Common/Lyt.fmt"));
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        TPrinterSetting setting = printer.Setting();
        setting.Copies = 1;
        printer.SetSetting(setting);
        pdf = out.path() + QStringLiteral("/ラベル.pdf");
    }
    void TearDown() override { PaperScale = 1480; }

    // The first paper of the kind whose sheet has the places; false when the paper list has none.
    bool UseSheet(uint8_t paperKind, int columns, int rows)
    {
        for (const TPaperFormat &paper : master.Formats) {
            const TFormatCategory sheet = master.SheetOf(paper);
            if (paper.Kind == paperKind && paper.SheetIndex > 0 && sheet.Columns == columns && sheet.Rows == rows) {
                labels.Paper = paper;
                labels.Sheet = sheet;
                return true;
            }
        }
        return false;
    }

    // A document of the kind with the receiver's address and name where the paper puts them and a frame 8
    // units (50 pixels at 600 dpi) inside the label's edges, which shows where each label was printed.
    void MakeDocument(uint8_t kind)
    {
        doc = TPrintDocument(kind);
        const TPaperFormat &paper = labels.Paper;
        PaperScale = std::max(paper.Width, paper.Height);
        for (int i : {1, 2}) {
            const TFormatRect &r = paper.CombinedRects[size_t(i)];
            doc.CombinedObjects[size_t(i)]->SetRect({r.Left, r.Top, r.Right, r.Bottom});
            static_cast<TMetaRect *>(doc.CombinedObjects[size_t(i)].get())->UpdateFontHeight();
            doc.ZOrderList.push_back(doc.CombinedObjects[size_t(i)].get());
        }
        auto frame = std::make_unique<TFigureRect>();
        frame->SetKind(TFigureRect::Rectangle);
        frame->SetRect(TRect{8, 8, TenthsMmToLayout(paper.Width) - 8, TenthsMmToLayout(paper.Height) - 8});
        doc.ZOrderList.push_back(frame.get());
        doc.FigureList.push_back(std::move(frame));
        SetPrinterPaper(0, 1, labels.Sheet.SheetWidth, labels.Sheet.SheetHeight);
    }

    // Prints three records twice each from place 4 and checks the one sheet: places 4 to 9 hold the records in
    // order, framed where the sheet's layout puts them (within 0.2 mm), the other places are blank.
    void ExpectSixLabelsFromPlaceFour(const char *sample)
    {
        labels.LabelStart = 4;
        labels.LabelCount = 2;
        const TLayoutPrintJob job = MakeLabelPrintJob(doc, labels, book.Module->AdrsTable.get(), recNos);
        ASSERT_EQ(job.Fixed.size(), 2u);
        ASSERT_EQ(PrintLayout(job, QStringLiteral("ラベル印刷"), pdf, nullptr), TPrintOutcome::Printed);
        ASSERT_EQ(pdfPages(pdf), 1);
        const QSizeF mm = pdfPageMm(pdf);
        EXPECT_NEAR(mm.width(), labels.Sheet.SheetWidth / 10.0, 0.2);
        EXPECT_NEAR(mm.height(), labels.Sheet.SheetHeight / 10.0, 0.2);

        const QImage page = renderedPage(pdf, 1, 600);
        ASSERT_FALSE(page.isNull());
        keepSample(page, sample);
        const TSheetLayout places = ComputeSheetLayout(labels.Paper, labels.Sheet, 600, 600);
        const double pixelsPerMm = 600 / 25.4;
        for (int place = 0; place < places.Columns * places.Rows; ++place) {
            SCOPED_TRACE(place + 1);
            const QRect label(places.PlaceAt(place), QSize(places.CardWidth, places.CardHeight));
            const QRect expected = label.adjusted(50, 50, -50, -50);
            const QRect ink = inkBox(page, label.adjusted(25, 25, -25, -25));
            if (place < 3 || place > 8) {
                EXPECT_TRUE(ink.isEmpty());
                continue;
            }
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_NEAR(ink.left() / pixelsPerMm, expected.left() / pixelsPerMm, 0.2);
            EXPECT_NEAR(ink.top() / pixelsPerMm, expected.top() / pixelsPerMm, 0.2);
            EXPECT_NEAR((ink.right() + 1) / pixelsPerMm, (expected.right() + 1) / pixelsPerMm, 0.2);
            EXPECT_NEAR((ink.bottom() + 1) / pixelsPerMm, (expected.bottom() + 1) / pixelsPerMm, 0.2);
        }
        // Each record's name and town on the page, twice.
        const QString text = pageText(pdf, 1);
        for (int i = 0; i < 3; ++i) {
            const QString name = QString::fromUtf8(Names[i]).remove(u'　');
            EXPECT_EQ(text.count(name), 2) << text.toStdString();
            EXPECT_EQ(text.count(QString::fromUtf8(Towns[i])), 2) << text.toStdString();
        }
    }

    test::TestBook book;
    TMasterFormats master;
    TPrintDocument doc;
    TLabelSheet labels;
    std::vector<int32_t> recNos;
    QTemporaryDir out;
    QString pdf;
};

}  // namespace

TEST_F(LabelPrintTest, LabelsOfTwoByFiveSheetFromPlaceFour)
{
    ASSERT_TRUE(UseSheet(2, 2, 5));
    MakeDocument(LabelDocument);
    ExpectSixLabelsFromPlaceFour("label-sheet-600dpi");
}

TEST_F(LabelPrintTest, CardsOfTenUpSheetFromPlaceFour)
{
    ASSERT_TRUE(UseSheet(3, 2, 5));
    MakeDocument(CardDocument);
    ExpectSixLabelsFromPlaceFour("card-sheet-600dpi");
}

TEST_F(LabelPrintTest, ARecordGoneLeavesItsLabelsBlankNotTheRecordBefore)
{
    ASSERT_TRUE(UseSheet(2, 2, 5));
    MakeDocument(LabelDocument);
    TTable &table = *book.Module->AdrsTable;
    ASSERT_TRUE(table.FindKey({recNos[1]}));
    table.Delete();
    labels.LabelCount = 1;
    ASSERT_EQ(PrintLayout(MakeLabelPrintJob(doc, labels, &table, recNos), QStringLiteral("ラベル印刷"), pdf, nullptr),
              TPrintOutcome::Printed);
    const QString text = pageText(pdf, 1);
    EXPECT_EQ(text.count(QStringLiteral("山田太郎")), 1);
    EXPECT_EQ(text.count(QStringLiteral("佐藤")), 0);
    EXPECT_EQ(text.count(QStringLiteral("長谷川健")), 1);
}
