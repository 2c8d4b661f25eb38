// A book printed as postcards to a PDF through the designers' print loop (the print command's own code: the
// records bound one by one, every shown object placed and printed, the file written aside and named when
// whole), beside the plain drawText pages of the same strings; the peak memory of each side and its resident
// size along the pages.
// Usage: bench_print [--book FOLDER] [--document FILE.gpl] [--records N] [--out FILE.pdf] [--labels 1]
//                    [--items CODES]
//   --book: an address-book folder, printed in registration order (else a book of N sample records, 10,000);
//   --document: a layout (else the layout of a new postcard: receiver and sender);
//   --labels 1: each record on a label of a 2 x 5 label sheet (a new label layout: the receiver), ten a page;
//   --items 3,9: with --labels, the label's addition rows show these items (as the additions dialog numbers
//     them) where a new label puts them, each record is laid out as the label window lays it out, and the
//     records are checked for additions they cannot hold, as the window's print command checks them, before
//     the print; the check's time is printed and counted in the print loop's.
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "base/SjisCodec.h"
#include "base/Units.h"
#include "db/Table.h"
#include "designers/AddressBinding.h"
#include "designers/LayoutPrint.h"
#include "designers/PrintDocument.h"
#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/PrinterInfo.h"

#include "BenchSupport.h"
#include "PdfSides.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int Rounds = 3;

struct TOptions {
    QString Book;
    QString Document;
    QString Out;
    int Records = 10000;
    bool Labels = false;
    std::vector<uint8_t> Items;
};

TOptions parse(int argc, char **argv)
{
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (!std::strcmp(argv[i], "--book"))
            o.Book = QFileInfo(value).absoluteFilePath();
        else if (!std::strcmp(argv[i], "--document"))
            o.Document = value;
        else if (!std::strcmp(argv[i], "--records"))
            o.Records = std::max(1, value.toInt());
        else if (!std::strcmp(argv[i], "--out"))
            o.Out = value;
        else if (!std::strcmp(argv[i], "--labels"))
            o.Labels = value.toInt() != 0;
        else if (!std::strcmp(argv[i], "--items"))
            for (const QString &code : value.split(u','))
                o.Items.push_back(uint8_t(code.toInt()));
    }
    return o;
}

// The book's folder made the current book, as the main window opens one.
std::unique_ptr<TDMMirvale18> openBook(const QString &folder)
{
    AdrsFolder = QFileInfo(folder).absolutePath() + "/";
    auto dm = std::make_unique<TDMMirvale18>();
    DMMirvale18 = dm.get();
    dm->CreateAdrsTableObject(QFileInfo(folder).fileName());
    if (!dm->OpenAdrsTable()) {
        std::fprintf(stderr, "the book %s cannot be opened\n", qPrintable(folder));
        std::exit(1);
    }
    return dm;
}

std::vector<int32_t> recordNumbers(TTable &table)
{
    std::vector<int32_t> numbers;
    table.Scan({QStringLiteral("RecNo")}, true, [&](const QVariantList &row) { numbers.push_back(row[0].toInt()); });
    return numbers;
}

// The strings of a record the baseline draws: code, address lines, name with its honorific.
QStringList baselineLines(TTable &table, int32_t recNo)
{
    if (!table.FindKey({recNo}))
        return {};
    const TAddressRecord a = GetAddressRecordFields(table);
    return {Sjis::decode(a.Pos), Sjis::decode(a.Tdfkn + a.Adrs1), Sjis::decode(a.Adrs2 + a.Adrs3),
            Sjis::decode(a.NameKanji) + u'\u3000' + (a.Honor.isEmpty() ? QStringLiteral("様") : Sjis::decode(a.Honor))};
}

// The first 2 x 5 label sheet of the paper list; -1 when it has none.
int labelPaperNumber(const TMasterFormats &master)
{
    for (size_t i = 0; i < master.Formats.size(); ++i) {
        const TFormatCategory sheet = master.SheetOf(master.Formats[i]);
        if (master.Formats[i].Kind == 2 && sheet.Columns == 2 && sheet.Rows == 5)
            return int(i);
    }
    return -1;
}

// The layout: a document, or a new postcard with the receiver and a sender, or a new label with the receiver.
struct TLayout {
    TPrintDocument Doc;
    TLayoutPrintJob Job;

    bool Load(const TOptions &options)
    {
        TMasterFormats master;
        TCustomFormats custom;
        master.Load(AppFolder + "Common/Lyt.fmt");
        custom.Load(DataRootFolder + "CstmL.fmt");
        if (options.Labels) {
            Doc = TPrintDocument(LabelDocument);
            Doc.FormatNumber = labelPaperNumber(master);
        }
        QString error;
        if (!options.Document.isEmpty() && !Doc.Open(options.Document, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(options.Document), qPrintable(error));
            return false;
        }
        if (!Doc.FindPaper(master, custom, Job.Paper, Job.Sheet)) {
            std::fprintf(stderr, "the paper of the layout is not in Lyt.fmt\n");
            return false;
        }
        PaperScale = std::max(Job.Paper.Width, Job.Paper.Height);
        if (options.Document.isEmpty()) {
            Doc.PrintForm = DefaultAddressPrintForm(!Job.Paper.PictureFile.isEmpty());
            Doc.ApplyPrintForm();
            for (int i = 0; i < Job.Paper.CombinedRectCount; ++i) {
                const TFormatRect &r = Job.Paper.CombinedRects[size_t(i)];
                Doc.CombinedObjects[size_t(i)]->SetRect({r.Left, r.Top, r.Right, r.Bottom});
            }
            Doc.ZOrderList.clear();
            for (size_t i : {0, 1, 2, 4, 5, 6})
                if (!options.Labels || i < 3)
                    Doc.ZOrderList.push_back(Doc.CombinedObjects[i].get());
            if (options.Labels && !options.Items.empty()) {
                // As the label window sets a new label up: every text written in the paper's direction.
                for (auto &object : Doc.CombinedObjects)
                    if (auto *text = dynamic_cast<TMetaRect *>(object.get()))
                        text->SetDirection(Job.Paper.Direction != 0 ? 1 : 0);
                for (size_t row = 0; row < std::min<size_t>(options.Items.size(), 4); ++row) {
                    TAdditionRect &item = Doc.RecordItem(int(row));
                    item.Item = options.Items[row];
                    item.SetRect(LabelItemRect(Job.Paper, int(row)));
                    item.SetDirection(Job.Paper.Direction != 0 ? 1 : 0);
                    item.Visible = 1;
                    Doc.ZOrderList.insert(Doc.ZOrderList.begin(), &item);
                }
            }
            static_cast<TPosRect *>(Doc.CombinedObjects[4].get())->SetText(QStringLiteral("1000005"));
            static_cast<TAddressRect *>(Doc.CombinedObjects[5].get())->SetLine(0, QStringLiteral("東京都千代田区丸の内一丁目一番一号"));
            static_cast<TNameRect *>(Doc.CombinedObjects[6].get())->SetName(QStringLiteral("ベルモーラ商事株式会社"));
        }
        for (auto &object : Doc.CombinedObjects)
            if (auto *text = dynamic_cast<TMetaRect *>(object.get()))
                text->UpdateFontHeight();
        for (auto &object : Doc.SplitObjects)
            if (auto *text = dynamic_cast<TMetaRect *>(object.get()))
                text->UpdateFontHeight();
        Job.Shown = Doc.ZOrderList;
        if (Doc.SplitLayout)
            for (auto &object : Doc.SplitObjects)
                Job.Fixed.push_back(object.get());
        else
            for (auto &object : Doc.CombinedObjects)
                Job.Fixed.push_back(object.get());
        LaysOut = options.Labels && !options.Items.empty();
        for (size_t row = 0; LaysOut && row < std::min<size_t>(options.Items.size(), 4); ++row)
            Job.Fixed.push_back(&Doc.RecordItem(int(row)));
        return true;
    }

    // The receiver filled from a record as the designer's binding fills it (the data form's conversions,
    // the name rules, the barcode, a label's additions), a label with additions laid out as the label window
    // lays it out; false when the record is gone.
    bool Bind(TTable &table, int32_t recNo)
    {
        const bool found = BindReceiverRecord(Receiver(), table, recNo, Context(), nullptr);
        layOut();
        return found;
    }
    void BindRow(const TAddressBindRecord &row)
    {
        BindReceiverRow(Receiver(), row, Context(), nullptr);
        layOut();
    }
    TFixedObjects Receiver() { return ReceiverObjects(Doc, Doc.SplitLayout != 0); }
    TBindContext Context() const { return ProgramBindContext(Doc.PrintForm, Job.Paper.Direction); }
    bool LaysOut = false;

private:
    void layOut()
    {
        if (LaysOut)
            LayOutLabelRecord(Receiver(), QSize(TenthsMmToLayout(Job.Paper.Width), TenthsMmToLayout(Job.Paper.Height)));
    }
};

TSideResult printThroughTheLoop(const TOptions &options, const QString &book, const QString &file)
{
    const std::unique_ptr<TDMMirvale18> dm = openBook(book);
    TTable &table = *dm->AdrsTable;
    TLayout layout;
    if (!layout.Load(options))
        return {};
    layout.Job.RecordNumbers = recordNumbers(table);
    layout.Job.BindRecord = [&](int32_t recNo) { return layout.Bind(table, recNo); };
    layout.Job.RecordTable = &table;
    // The records in registration order, as the main list lists them unsorted.
    layout.Job.RecordOrder = TListOrder{};
    layout.Job.ReadRecord = [&]() -> std::function<bool()> {
        return [&layout, row = ReadAddressBindRecord(table)] {
            layout.BindRow(row);
            return true;
        };
    };
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
    if (layout.Job.MultiUp())
        SetPrinterPaper(0, 1, layout.Job.Sheet.SheetWidth, layout.Job.Sheet.SheetHeight);
    else
        SetPrinterPaper(0, 1, layout.Job.Paper.Width, layout.Job.Paper.Height);
    TSideMeter meter;
    if (layout.LaysOut) {
        // The label window's check before its print: every record bound and laid out once, its additions
        // measured.
        QElapsedTimer timer;
        timer.start();
        int named = 0;
        const TFixedObjects receiver = layout.Receiver();
        // Between walks the events come in, as the window's progress lets them in.
        BindEachRecord(layout.Job, [&](int) { named += !AdditionsLeftOff(receiver).empty(); }, [](int, int) {
            QCoreApplication::processEvents();
            return true;
        });
        std::printf("  check: %.2f s, %d of %zu records cannot hold an addition\n", seconds(timer), named,
                    layout.Job.RecordNumbers.size());
    }
    PrintLayout(layout.Job, QStringLiteral("宛名印刷"), file, [&](int done, int total) {
        meter.Page(done, total);
        return true;
    });
    return meter.Finish(file);
}

TSideResult printWithDrawText(const TOptions &options, const QString &book, const QString &file, TPdfText text)
{
    const std::unique_ptr<TDMMirvale18> dm = openBook(book);
    TTable &table = *dm->AdrsTable;
    std::vector<QStringList> prints;
    for (int32_t recNo : recordNumbers(table))
        prints.push_back(baselineLines(table, recNo));
    if (!options.Labels)
        return WritePostcardPdf(file, int(prints.size()),
                                [&](QPainter &painter, int i) { DrawTextLines(painter, prints[size_t(i)]); }, text);
    // The same strings at the sheet's places, ten a page.
    TMasterFormats master;
    master.Load(AppFolder + "Common/Lyt.fmt");
    const TPaperFormat paper = master.Formats.at(size_t(labelPaperNumber(master)));
    const TFormatCategory sheet = master.SheetOf(paper);
    const TSheetLayout places = ComputeSheetLayout(paper, sheet, 600, 600);
    const int perSheet = places.Columns * places.Rows;
    const int sheets = (int(prints.size()) + perSheet - 1) / perSheet;
    return WritePdfPages(file, QSizeF(sheet.SheetWidth / 10.0, sheet.SheetHeight / 10.0), sheets,
                         [&](QPainter &painter, int page) {
                             for (int place = 0; place < perSheet; ++place) {
                                 const size_t i = size_t(page * perSheet + place);
                                 if (i >= prints.size())
                                     break;
                                 painter.save();
                                 painter.translate(places.PlaceAt(place));
                                 DrawTextLines(painter, prints[i]);
                                 painter.restore();
                             }
                         },
                         text);
}

}  // namespace

int main(int argc, char **argv)
{
    const TOptions options = parse(argc, argv);
    UseOffscreenPlatform();
    QTemporaryDir dir;
    DataFolder = DataRootFolder = dir.path() + "/";
    OtherFolder = dir.path() + "/Other/";
    CategoryFolder = dir.path() + "/Category/";
    AppFolder = QStringLiteral(VELMORA_APP_DIR);
    for (const QString &folder : {OtherFolder, CategoryFolder})
        QDir().mkpath(folder);
    QString book = options.Book;
    int pages = 0;
    {
        if (book.isEmpty()) {
            book = dir.path() + "/Adrs/Book";
            QDir().mkpath(book);
        }
        const std::unique_ptr<TDMMirvale18> dm = openBook(book);
        if (options.Book.isEmpty())
            fillBook(*dm->AdrsTable, options.Records);
        pages = int(recordNumbers(*dm->AdrsTable).size());
        if (options.Labels)
            pages = (pages + 9) / 10;
        dm->CloseAdrsTable();
        DMMirvale18 = nullptr;
    }
    const QString file = options.Out.isEmpty() ? dir.path() + "/bench_print.pdf" : options.Out;
    const QString baselineFile = dir.path() + "/bench_print.drawtext.pdf";
    const QString plainFile = dir.path() + "/bench_print.plain.pdf";
    std::printf("%d %s of %s, fastest of %d runs each; the PDF: %s\n", pages,
                options.Labels ? "2 x 5 label sheets" : "postcards",
                options.Book.isEmpty() ? "sample records" : qPrintable(options.Book), Rounds,
                options.Out.isEmpty() ? "none kept (--out FILE.pdf keeps it)" : qPrintable(file));

    // The baseline twice: through the print job as the loop's pages go, and with a plain painter on Qt's writer,
    // which pays no correction of the text maps.
    TSideResult loop, baseline, plain;
    for (int round = 0; round < Rounds; ++round)
        if (!KeepFastest(loop, RunApart(argc, argv, [&] { return printThroughTheLoop(options, book, file); }))
            || !KeepFastest(baseline, RunApart(argc, argv, [&] {
                   return printWithDrawText(options, book, baselineFile, TPdfText::Corrected);
               }))
            || !KeepFastest(plain, RunApart(argc, argv, [&] {
                   return printWithDrawText(options, book, plainFile, TPdfText::AsWritten);
               }))) {
            std::fprintf(stderr, "a side did not finish\n");
            return 1;
        }
    PrintSides(options.Labels ? "label sheets" : "print loop", loop, baseline, pages, &plain);
    return 0;
}
