// The designers' print loop, without a window: which record and copy each place of each page holds (one count
// for the preview and the printer), the multi-up sheet in pixels, the pages drawn for a printer queue or a PDF
// file with progress and stop, and one page of the print preview recorded into a picture.
#pragma once

#include "designers/PaperFormats.h"
#include "drawing/Canvas.h"
#include "mainlist/RecordListing.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TTable;

class TBackImage;
class TDrawRect;
class TMetafileEx;
class TPrintJob;

// The sheet of a multi-up paper at one resolution: the paper (card) size, the grid, the first card's place and
// the gaps between neighbours, in pixels.
struct TSheetLayout {
    int CardWidth = 0, CardHeight = 0;
    int Columns = 1, Rows = 1;
    int LeftMargin = 0, TopMargin = 0;
    int ColumnGap = 0, RowGap = 0;

    // The top-left corner of a place, counted from 0 along the rows.
    QPoint PlaceAt(int place) const;
    bool operator==(const TSheetLayout &) const = default;
};

// The sheet of paper (its card size) and sheet at dpiX x dpiY.
TSheetLayout ComputeSheetLayout(const TPaperFormat &paper, const TFormatCategory &sheet, int dpiX, int dpiY);

// Which record and copy go to which page and place. Every record is printed LabelCount times in a row; on a
// multi-up sheet the prints fill the places from LabelStart on, sheet after sheet; a single paper takes one
// print a page. The preview shows exactly the pages the printer gets.
struct TPrintPlan {
    bool MultiUp = false;
    int Places = 1;      // columns x rows of a multi-up sheet
    int Records = 1;     // the records printed; 1 for a layout that prints none
    int LabelCount = 1;  // prints per record
    int LabelStart = 1;  // the first place used on the first sheet, from 1

    struct TPrint {
        int Record = 0;  // index into the records
        int Place = 0;   // from 0
        bool operator==(const TPrint &) const = default;
    };
    int PageCount() const;
    // The prints of a page in place order; places not listed stay empty.
    std::vector<TPrint> PagePrints(int page) const;
};

// One print run of a layout.
struct TLayoutPrintJob {
    // The objects that may show, index 0 in front: drawn from the last to the first, those a record leaves
    // hidden left out.
    std::vector<TDrawRect *> Shown;
    // The fixed objects, laid out again after each record is bound.
    std::vector<TDrawRect *> Fixed;
    // Fills the fixed objects from a record; empty for a layout that prints no records. False when the record
    // is gone: its places stay blank rather than show the record bound before it.
    std::function<bool(int32_t recNo)> BindRecord;
    std::vector<int32_t> RecordNumbers;
    // The table BindRecord reads, held for reading over each page's records; null when none is.
    TTable *RecordTable = nullptr;
    // With RecordTable, the records are met in walks of the order they are listed in (none: in no index's
    // order) rather than looked up one by one: ReadRecord reads the table's current row and returns what binds
    // it later, as BindRecord would. Records a walk does not meet are bound by BindRecord.
    std::optional<TListOrder> RecordOrder;
    std::function<std::function<bool()>()> ReadRecord;
    QPoint Offset;   // 0.1 mm, right and down
    int Flap = 0;    // 0.1 mm, down; envelopes only, and never in the preview
    int LabelStart = 1;
    int LabelCount = 1;
    TPaperFormat Paper;
    TFormatCategory Sheet;
    bool LimitedPrinter = false;  // the printer cannot print cut-outs or transparency
    // The letter body's page background, drawn under the objects of every page at Paper's size; null for other
    // documents.
    TBackImage *Background = nullptr;

    bool MultiUp() const { return Paper.SheetIndex > 0; }
    TPrintPlan Plan() const;
};

// The records a print run reads in one walk of their order: a few sheets of labels, as many postcards.
inline constexpr int RecordsWalkedAhead = 64;

// Work done of all (the pages of a print, the records of a check before it); false stops the run. The run lets
// events in only through it.
using TPrintProgress = std::function<bool(int done, int total)>;
enum class TPrintOutcome { Printed, Stopped };

// Binds each record of job in turn as its print binds them (in walks of their order where the job reads them
// so), once however many prints are made of it, and calls bound with its index after each record that is there;
// nothing is made ready for a device. progress hears the records done before each walk and once all are; false
// from it stops the run, and false is returned. The objects hold the last record bound.
bool BindEachRecord(const TLayoutPrintJob &job, const std::function<void(int record)> &bound,
                    const TPrintProgress &progress);

// Draws every page of job on the print job's painter for target, copies times over (collated), and ends the
// print job when all are drawn. A stop leaves the print job for the caller to drop.
TPrintOutcome PrintPages(const TLayoutPrintJob &job, TPrintJob &device, const TRenderTarget &target, int copies,
                         const TPrintProgress &progress);

// Prints job on the program's printer as it is set up (Printer(), TPrinter::ApplyTo): the PDF printer writes
// pdfFile, a queue gets the job titled title. The pages are written to a temporary file first: a PDF takes
// pdfFile's name only when every page is in it, and a queue receives nothing of a stopped run. Throws
// EPrinterError when the file cannot be written or the queue refuses the job.
TPrintOutcome PrintLayout(const TLayoutPrintJob &job, const QString &title, const QString &pdfFile,
                          const TPrintProgress &progress);

// Records page of the preview into picture, in layout units at zoom 1.0: the sheet (multi-up) or the paper,
// the prints of the page drawn as on the screen at the print offset, and on a multi-up sheet every empty place
// outlined in grey. target is the printer the layout will print on.
void DrawPreviewPage(const TLayoutPrintJob &job, int page, const TRenderTarget &target, TMetafileEx &picture);
