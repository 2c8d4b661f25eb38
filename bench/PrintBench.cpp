// A book printed as postcards to a PDF through the designers' print loop (the print command's own code: the
// records bound one by one, every shown object placed and printed, the file written aside and named when
// whole), beside the plain drawText pages of the same strings; the peak memory of each side and its resident
// size along the pages.
// Usage: bench_print [--book FOLDER] [--document FILE.gpl] [--records N] [--out FILE.pdf]
//   --book: an address-book folder, printed in registration order (else a book of N sample records, 10,000);
//   --document: a layout (else the layout of a new postcard: receiver and sender).
#include "core/AddressRecord.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "base/SjisCodec.h"
#include "db/Table.h"
#include "designers/AddressBinding.h"
#include "designers/LayoutPrint.h"
#include "designers/PrintDocument.h"
#include "drawing/AddressRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/PrinterInfo.h"

#include "BenchSupport.h"
#include "PdfSides.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The layout: a document, or a new postcard with the receiver and a sender.
struct TLayout {
    TPrintDocument Doc;
    TLayoutPrintJob Job;

    bool Load(const TOptions &options)
    {
        TMasterFormats master;
        TCustomFormats custom;
        master.Load(AppFolder + "Common/Lyt.fmt");
        custom.Load(DataRootFolder + "CstmL.fmt");
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
                Doc.ZOrderList.push_back(Doc.CombinedObjects[i].get());
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
        return true;
    }

    // The receiver filled from a record as the designer's binding fills it (the data form's conversions,
    // the name rules, the barcode); false when the record is gone.
    bool Bind(TTable &table, int32_t recNo)
    {
        const TFixedObjects receiver = ReceiverObjects(Doc, Doc.SplitLayout != 0);
        ClearObjects(receiver);
        if (!table.FindKey({recNo}))
            return false;
        TBindContext context;
        context.Form = Doc.PrintForm;
        context.Direction = Job.Paper.Direction;
        context.ProgramFolder = AppFolder;
        context.DictionaryFolder = AppFolder + QStringLiteral("Dic/");
        context.WorkFolder = DataFolder;
        const TAddressBindRecord r = ReadAddressBindRecord(table);
        FillObjects(receiver, PostalText(r.Pos, Doc.PrintForm.PostalMark),
                    AddressLines(r.Tdfkn, r.Adrs1, r.Adrs2, r.Adrs3, context), RecordName(r, context, receiver.Split), context,
                    TFillRole::Receiver);
        FillBarcode(receiver, r.Pos, r.Tdfkn + r.Adrs1 + r.Adrs2 + r.Adrs3, context);
        return true;
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
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
    SetPrinterPaper(0, 1, layout.Job.Paper.Width, layout.Job.Paper.Height);
    TSideMeter meter;
    PrintLayout(layout.Job, QStringLiteral("宛名印刷"), file, [&](int done, int total) {
        meter.Page(done, total);
        return true;
    });
    return meter.Finish(file);
}

TSideResult printWithDrawText(const QString &book, const QString &file)
{
    const std::unique_ptr<TDMMirvale18> dm = openBook(book);
    TTable &table = *dm->AdrsTable;
    std::vector<QStringList> pages;
    for (int32_t recNo : recordNumbers(table))
        pages.push_back(baselineLines(table, recNo));
    return WritePostcardPdf(file, int(pages.size()),
                            [&](QPainter &painter, int i) { DrawTextLines(painter, pages[size_t(i)]); });
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
        dm->CloseAdrsTable();
        DMMirvale18 = nullptr;
    }
    const QString file = options.Out.isEmpty() ? dir.path() + "/bench_print.pdf" : options.Out;
    const QString baselineFile = dir.path() + "/bench_print.drawtext.pdf";
    std::printf("%d records of %s, fastest of %d runs each; the PDF: %s\n", pages,
                options.Book.isEmpty() ? "sample records" : qPrintable(options.Book), Rounds, qPrintable(file));

    TSideResult loop, baseline;
    for (int round = 0; round < Rounds; ++round)
        if (!KeepFastest(loop, RunApart(argc, argv, [&] { return printThroughTheLoop(options, book, file); }))
            || !KeepFastest(baseline, RunApart(argc, argv, [&] { return printWithDrawText(book, baselineFile); }))) {
            std::fprintf(stderr, "a side did not finish\n");
            return 1;
        }
    PrintSides("print loop", loop, baseline, pages);
    return 0;
}
