#include "designers/LayoutPrint.h"

#include "base/FileReplace.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "core/StagedFile.h"
#include "db/Table.h"
#include "drawing/BackImage.h"
#include "drawing/DrawRect.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/PrintJob.h"
#include "drawing/PrinterInfo.h"
#include "drawing/QRCodeRect.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPrinter>

#include <cups/cups.h>

namespace {

// The print caches the objects made for the printer are dropped and the codes made again for the screen,
// whatever ended the run.
class TPrintCaches {
public:
    TPrintCaches(const TLayoutPrintJob &job, const TRenderTarget &target) : job_(job)
    {
        const QPoint offset(job.Offset.x(), job.Offset.y() + job.Flap);
        for (TDrawRect *object : job.Shown) {
            if (auto *illust = dynamic_cast<TIllustRect *>(object))
                illust->AltPrinting = job.LimitedPrinter;
            // A multi-up sheet places its cards from the paper's corner itself, margins included.
            object->CalcPrintRect(target, offset, job.MultiUp());
            // What was never drawn for the printer is drawn now; the rest keeps its picture.
            object->Prepare(target, false);
        }
    }
    ~TPrintCaches()
    {
        for (TDrawRect *object : job_.Shown) {
            if (auto *illust = dynamic_cast<TIllustRect *>(object))
                illust->FreePrintCache();
            else if (auto *figure = dynamic_cast<TFigureRect *>(object))
                figure->FreePrintCache();
            else if (auto *code = dynamic_cast<TQRCodeRect *>(object))
                code->Refresh();
        }
    }
    TPrintCaches(const TPrintCaches &) = delete;
    TPrintCaches &operator=(const TPrintCaches &) = delete;

private:
    const TLayoutPrintJob &job_;
};

// Binds the record of a print when it differs from the one bound last, the fixed objects made ready for the
// target where there is one; false when the record is gone. With a job that can read its records in walks,
// reaching a record not walked yet reads it and the ahead - 1 after it in one walk of their order; a record the
// walk did not meet is looked up by its key, as without one.
class TRecordBinder {
public:
    TRecordBinder(const TLayoutPrintJob &job, const std::optional<TRenderTarget> &target, int ahead)
        : job_(job), target_(target), ahead_(job.ReadRecord && job.RecordTable ? ahead : 1)
    {
    }
    bool Bind(int record)
    {
        if (!job_.BindRecord)
            return true;
        if (record != bound_) {
            bound_ = record;
            present_ = bindRecord(record);
            if (target_)
                for (TDrawRect *object : job_.Fixed)
                    object->Prepare(*target_, false);
        }
        return present_;
    }

private:
    bool bindRecord(int record)
    {
        if (ahead_ > 1) {
            if (record < walkedFrom_ || record >= walkedFrom_ + int(read_.size()))
                walk(record);
            if (const std::function<bool()> &bind = read_[size_t(record - walkedFrom_)])
                return bind();
        }
        return job_.BindRecord(job_.RecordNumbers.at(size_t(record)));
    }
    void walk(int record)
    {
        const auto from = job_.RecordNumbers.begin() + record;
        const std::vector<int32_t> recNos(from, from + std::min<qint64>(ahead_, job_.RecordNumbers.end() - from));
        walkedFrom_ = record;
        read_.assign(recNos.size(), {});
        try {
            WalkListedRecords(*job_.RecordTable, recNos, job_.RecordOrder,
                              [&](int i) { read_[size_t(i)] = job_.ReadRecord(); });
        } catch (const EDatabaseError &) {
            // What the walk did not read is looked up by key, which finds what it can.
        }
    }

    const TLayoutPrintJob &job_;
    const std::optional<TRenderTarget> target_;
    const int ahead_;
    int bound_ = -1;
    bool present_ = false;
    int walkedFrom_ = 0;
    std::vector<std::function<bool()>> read_;
};

// The CUPS name of a page size: the printer's own key for a size it lists, else a size of the caller's own.
QByteArray mediaOf(const QPageSize &size)
{
    if (size.id() != QPageSize::Custom)
        return size.key().toUtf8();
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return QStringLiteral("Custom.%1x%2mm").arg(mm.width()).arg(mm.height()).toUtf8();
}

void sendToQueue(const QString &queue, const QString &file, const QString &title, int copies, const QPageSize &size)
{
    cups_option_t *options = nullptr;
    int count = cupsAddOption("copies", QByteArray::number(copies).constData(), 0, &options);
    count = cupsAddOption("media", mediaOf(size).constData(), count, &options);
    const int id = cupsPrintFile(queue.toUtf8().constData(), QFile::encodeName(file).constData(),
                                 title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id == 0)
        throw EPrinterError(QStringLiteral("プリンター %1 に印刷できませんでした\r\n%2")
                                .arg(queue, QString::fromUtf8(cupsLastErrorString())));
}

}  // namespace

QPoint TSheetLayout::PlaceAt(int place) const
{
    const int columns = std::max(1, Columns);
    return QPoint((CardWidth + ColumnGap) * (place % columns) + LeftMargin,
                  (CardHeight + RowGap) * (place / columns) + TopMargin);
}

TSheetLayout ComputeSheetLayout(const TPaperFormat &paper, const TFormatCategory &sheet, int dpiX, int dpiY)
{
    TSheetLayout s;
    s.CardWidth = TenthsMmToPixels(paper.Width, dpiX);
    s.CardHeight = TenthsMmToPixels(paper.Height, dpiY);
    s.LeftMargin = TenthsMmToPixels(sheet.LeftMargin, dpiX);
    s.TopMargin = TenthsMmToPixels(sheet.TopMargin, dpiY);
    s.ColumnGap = TenthsMmToPixels(sheet.ColumnGap, dpiX);
    s.RowGap = TenthsMmToPixels(sheet.RowGap, dpiY);
    s.Columns = std::max(1, sheet.Columns);
    s.Rows = std::max(1, sheet.Rows);
    return s;
}

int TPrintPlan::PageCount() const
{
    const qint64 prints = qint64(std::max(0, Records)) * std::max(1, LabelCount);
    if (!MultiUp)
        return int(prints);
    if (prints == 0)
        return 0;
    const int places = std::max(1, Places);
    return int((prints + std::clamp(LabelStart, 1, places) - 1 + places - 1) / places);
}

std::vector<TPrintPlan::TPrint> TPrintPlan::PagePrints(int page) const
{
    std::vector<TPrint> prints;
    const int count = std::max(1, LabelCount);
    if (page < 0 || page >= PageCount())
        return prints;
    if (!MultiUp) {
        prints.push_back({page / count, 0});
        return prints;
    }
    const int places = std::max(1, Places);
    const qint64 total = qint64(Records) * count;
    for (int place = 0; place < places; ++place) {
        const qint64 n = qint64(page) * places + place - (std::clamp(LabelStart, 1, places) - 1);
        if (n >= 0 && n < total)
            prints.push_back({int(n / count), place});
    }
    return prints;
}

TPrintPlan TLayoutPrintJob::Plan() const
{
    TPrintPlan plan;
    plan.MultiUp = MultiUp();
    plan.Places = plan.MultiUp ? std::max(1, Sheet.Columns) * std::max(1, Sheet.Rows) : 1;
    plan.Records = BindRecord ? int(RecordNumbers.size()) : 1;
    plan.LabelCount = std::max(1, LabelCount);
    plan.LabelStart = std::clamp(LabelStart, 1, plan.Places);
    return plan;
}

bool BindEachRecord(const TLayoutPrintJob &job, const std::function<void(int record)> &bound,
                    const TPrintProgress &progress)
{
    if (!job.BindRecord)
        return true;
    TRecordBinder binder(job, std::nullopt, RecordsWalkedAhead);
    // Held for the walk, as the print holds its page's: the canvases alive share the fonts and measurements,
    // which the layouts' own canvases would otherwise make anew for every record.
    TMetafileEx picture;
    const TCanvas held(picture, LayoutDpi, LayoutDpi);
    const int records = int(job.RecordNumbers.size());
    // Held a walk's length at a time, as the print holds it a page's: the progress between walks runs the event
    // loop.
    for (int first = 0; first < records; first += RecordsWalkedAhead) {
        if (progress && !progress(first, records))
            return false;
        const TTableReadScope read(job.RecordTable);
        for (int record = first; record < std::min(records, first + RecordsWalkedAhead); ++record)
            if (binder.Bind(record))
                bound(record);
    }
    if (progress)
        progress(records, records);
    return true;
}

TPrintOutcome PrintPages(const TLayoutPrintJob &job, TPrintJob &device, const TRenderTarget &target, int copies,
                         const TPrintProgress &progress)
{
    const TPrintPlan plan = job.Plan();
    const int pages = plan.PageCount();
    const int total = pages * std::max(1, copies);
    TSheetLayout sheet;
    if (job.MultiUp()) {
        // The device's origin is the printable area's corner: the sheet's margins lose what lies before it.
        sheet = ComputeSheetLayout(job.Paper, job.Sheet, target.LogPixelsX, target.LogPixelsY);
        sheet.LeftMargin -= target.PhysicalOffsetX;
        sheet.TopMargin -= target.PhysicalOffsetY;
    }
    TPrintCaches caches(job, target);
    TRecordBinder binder(job, target, RecordsWalkedAhead);
    TCanvas canvas(device.Painter(), target.LogPixelsX, target.LogPixelsY);
    canvas.SetTarget(target);
    // The background covers the whole page, placed once for the run and freed with it.
    struct TBackgroundRun {
        TBackImage *Image;
        ~TBackgroundRun()
        {
            if (Image)
                Image->FreePrintCache();
        }
    } background{job.Background && job.Background->Kind() != TBackImage::None ? job.Background : nullptr};
    if (background.Image) {
        background.Image->SetExtent(QPoint(job.Paper.Width, job.Paper.Height));
        background.Image->Print(target, job.Offset, true, 0, QSize());
    }
    int done = 0;
    for (int copy = 0; copy < std::max(1, copies); ++copy)
        for (int page = 0; page < pages; ++page) {
            if (progress && !progress(done, total))
                return TPrintOutcome::Stopped;
            if (done > 0)
                device.NewPage();
            if (background.Image)
                background.Image->PaintTo(canvas, -target.PhysicalOffsetX, -target.PhysicalOffsetY);
            // Held for the page alone: the progress between pages runs the event loop.
            const TTableReadScope read(job.RecordTable);
            for (const TPrintPlan::TPrint &print : plan.PagePrints(page)) {
                if (!binder.Bind(print.Record))
                    continue;
                const QPoint at = job.MultiUp() ? sheet.PlaceAt(print.Place) : QPoint(0, 0);
                for (auto object = job.Shown.rbegin(); object != job.Shown.rend(); ++object)
                    if ((*object)->Visible)
                        (*object)->Print(canvas, at.x(), at.y());
            }
            ++done;
        }
    if (progress)
        progress(done, total);
    device.End();
    return TPrintOutcome::Printed;
}

TPrintOutcome PrintLayout(const TLayoutPrintJob &job, const QString &title, const QString &pdfFile,
                          const TPrintProgress &progress)
{
    TPrinter &printer = Printer();
    const TPrinterSetting setting = printer.Setting();
    const bool toPdf = setting.PrinterName == PdfPrinterName;
    // A queue's pages are written to a file of the temporary folder that is only handed to the queue.
    TStagedFile pages(toPdf ? pdfFile : QDir::tempPath() + QStringLiteral("/velmora-print.pdf"));
    if (!pages.Open())
        throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き始められませんでした").arg(toPdf ? pdfFile : pages.FileName())
                            + WriteFailureReason(errno));

    // The queue's page layout, written as PDF: the queue gets the file only once it is whole.
    QPrinter device(QPrinter::HighResolution);
    printer.ApplyTo(device);
    const QPageSize size = device.pageLayout().pageSize();
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(pages.FileName());
    device.setCopyCount(1);
    device.setDocName(title);
    device.setCreator(QStringLiteral("Velmora"));
    const TPrinterMetrics metrics = printer.Metrics();
    const TRenderTarget target{true, metrics.Dpi, metrics.Dpi, metrics.OffsetX, metrics.OffsetY};
    {
        TPrintJob run(device, toPdf ? pdfFile : QString());
        TPrintOutcome outcome;
        try {
            outcome = PrintPages(job, run, target, toPdf ? setting.Copies : 1, progress);
        } catch (...) {
            run.Abandon();
            throw;
        }
        if (outcome == TPrintOutcome::Stopped) {
            run.Abandon();
            return outcome;
        }
    }
    if (toPdf) {
        if (!pages.Commit())
            throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き込めませんでした").arg(pdfFile)
                                + WriteFailureReason(errno));
    } else {
        sendToQueue(setting.PrinterName, pages.FileName(), title, setting.Copies, size);
    }
    return TPrintOutcome::Printed;
}

void DrawPreviewPage(const TLayoutPrintJob &job, int page, const TRenderTarget &target, TMetafileEx &picture)
{
    const TPrintPlan plan = job.Plan();
    const bool multiUp = job.MultiUp();
    const TSheetLayout sheet = ComputeSheetLayout(job.Paper, job.Sheet, LayoutDpi, LayoutDpi);
    const QPoint offset(TenthsMmToLayout(job.Offset.x()), TenthsMmToLayout(job.Offset.y()));
    TCanvas canvas(picture, LayoutDpi, LayoutDpi);
    canvas.SetTarget(target);
    picture.SetSize(multiUp ? TenthsMmToLayout(job.Sheet.SheetWidth) : sheet.CardWidth,
                    multiUp ? TenthsMmToLayout(job.Sheet.SheetHeight) : sheet.CardHeight);
    // The paper itself, which the page picture covers whole.
    canvas.SetNullPen();
    canvas.SetBrush(Qt::white);
    canvas.FillRect({0, 0, picture.Width(), picture.Height()});
    // The background as the page prints it: once, at the paper's size, from the offset on.
    if (job.Background && job.Background->Kind() != TBackImage::None)
        job.Background->DrawPage(canvas, QPoint(job.Paper.Width, job.Paper.Height), 1.0, offset.x(), offset.y());
    TRecordBinder binder(job, target, plan.Places);
    const std::vector<TPrintPlan::TPrint> prints = plan.PagePrints(page);
    for (const TPrintPlan::TPrint &print : prints) {
        if (!binder.Bind(print.Record))
            continue;
        const QPoint at = offset + (multiUp ? sheet.PlaceAt(print.Place) : QPoint(0, 0));
        for (auto object = job.Shown.rbegin(); object != job.Shown.rend(); ++object)
            if ((*object)->Visible)
                (*object)->Draw(canvas, at.x(), at.y());
    }
    if (!multiUp)
        return;
    // Every place of the sheet outlined, so the empty ones before the start position and after the last card
    // show where they are.
    canvas.SetPen(QColor(0x80, 0x80, 0x80), 1);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    for (int place = 0; place < plan.Places; ++place) {
        const QPoint at = sheet.PlaceAt(place);
        canvas.Rectangle({at.x(), at.y(), at.x() + sheet.CardWidth, at.y() + sheet.CardHeight});
    }
}
