// The address designer's file and print commands: new layout on a chosen paper, open, close, save, printer
// set-up, print through the print wizard, and the print preview with its page buttons.
#include "designers/Layout.h"

#include "base/Folders.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "designers/AddInfo.h"
#include "designers/LayoutPrint.h"
#include "designers/LytFmt.h"
#include "designers/LytPrt.h"
#include "designers/PrintProgress.h"
#include "designers/PrtOpen.h"
#include "designers/PrtSave.h"
#include "drawing/AdditionRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/IllustRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/NameRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include <new>

namespace {

const QString NoDataMessage = QStringLiteral("印刷するデータがありません  ");

// The hourglass for the length of a command, restored on every way out.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

QString documentTitle(const QString &file) { return QFileInfo(file).completeBaseName(); }

// The printer set-up of the designer and its wizard: the system's dialog over the program's printer. True when
// the user confirmed it.
bool runPrinterSetup(QWidget *owner)
{
    QPrinter printer(QPrinter::HighResolution);
    Printer().ApplyTo(printer);
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    // As a command of the owner's window: a close asked meanwhile waits for the dialog, the window's child.
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    try {
        Printer().ReadFrom(printer);
    } catch (const EPrinterError &e) {
        ShowMessageBoxAt(owner, e.Message, AppTitle, MB_ICONERROR);
        return false;
    }
    return true;
}

// The printer as the wizard shows it and checks the layout against.
TWizardPrinter wizardPrinter(const TPrinterInfo &info)
{
    TWizardPrinter p;
    GetPrinterPaperInfo(p.Device, p.Paper, p.Orientation);
    p.DpiX = info.DpiX;
    p.DpiY = info.DpiY;
    p.Printable = QRect(info.OffsetX, info.OffsetY, info.PhysicalWidth - info.OffsetX - info.RightMargin,
                        info.PhysicalHeight - info.OffsetY - info.BottomMargin);
    p.Copies = Printer().Setting().Copies;
    return p;
}

// Opens the sender table for the length of a run and answers its closing: binding each record would otherwise
// open the encrypted file again, tens of milliseconds a record.
auto holdSenderTable()
{
    const bool held = DMMirvale18 && DMMirvale18->OpenSenderTable();
    return qScopeGuard([held] {
        if (held)
            DMMirvale18->CloseSenderTable();
    });
}

void setIllustrationPrintMode(TLayoutForm &form, bool on)
{
    for (const auto &illust : form.IllustList)
        illust->SetPrintMode(on);
}

// The designer emptied for new, open and close: no layout, no card, scrolled home.
void emptyDesigner(TLayoutForm &form)
{
    form.ClearDocument();
    form.DocumentOpen = 0;
    form.sbxPreview->widget()->resize(0, 0);
    form.pnlCard->setGeometry(0, 0, 0, 0);
    form.pnlCard->hide();
    form.sbxPreview->horizontalScrollBar()->setValue(0);
    form.sbxPreview->verticalScrollBar()->setValue(0);
}

// The printer read again after the user changed it: the printable area, and the objects drawn again for a new
// resolution.
void takeChangedPrinter(TLayoutForm &form, int dpiX, int dpiY)
{
    form.update();
    TWaitCursor wait;
    TPrinterInfo &info = *form.PrinterInfo;
    info.ReadCurrentPrinter();
    const QRect area = info.GetPrintableRect(0, 0);
    form.PrintableArea = TRect{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    if (form.PaperFormat.SheetIndex > 0) {
        const int left = LayoutUnits(form.SheetFormat.LeftMargin), top = LayoutUnits(form.SheetFormat.TopMargin);
        form.PrintableArea = TRect{form.PrintableArea.Left - left, form.PrintableArea.Top - top,
                                   form.PrintableArea.Right - left, form.PrintableArea.Bottom - top};
    }
    form.PrintRangeRect = TRect{int(form.PrintableArea.Left * form.ZoomRatio), int(form.PrintableArea.Top * form.ZoomRatio),
                                int(form.PrintableArea.Right * form.ZoomRatio),
                                int(form.PrintableArea.Bottom * form.ZoomRatio)};
    if (dpiX != info.DpiX || dpiY != info.DpiY)
        for (TDrawRect *object : form.ZOrderList)
            object->Prepare(info.RenderTarget(), true);
    form.pnlCard->update();
}

// The union of the shown objects, spread over every place of a multi-up sheet: what the wizard checks against
// the printable area.
QRect contentRect(TLayoutForm &form)
{
    TRect r = form.ZOrderList.front()->GetRect();
    for (TDrawRect *object : form.ZOrderList) {
        const TRect o = object->GetRect();
        r = TRect{std::min(r.Left, o.Left), std::min(r.Top, o.Top), std::max(r.Right, o.Right),
                  std::max(r.Bottom, o.Bottom)};
    }
    if (form.PaperFormat.SheetIndex > 0) {
        const TSheetLayout s = ComputeSheetLayout(form.PaperFormat, form.SheetFormat, 96, 96);
        form.SheetLayout = {s.CardWidth, s.CardHeight, s.Columns, s.Rows, s.LeftMargin, s.TopMargin, s.ColumnGap, s.RowGap};
        r = TRect{r.Left + s.LeftMargin, r.Top + s.TopMargin,
                  r.Right + s.LeftMargin + (s.CardWidth + s.ColumnGap) * (s.Columns - 1),
                  r.Bottom + s.TopMargin + (s.CardHeight + s.RowGap) * (s.Rows - 1)};
    }
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

void drawPreviewPage(TLayoutForm &form, int page)
{
    TWaitCursor wait;
    const auto senders = holdSenderTable();
    const TRenderTarget target = form.PrinterInfo ? form.PrinterInfo->RenderTarget() : TRenderTarget{};
    DrawPreviewPage(form.MakePrintJob(false), page, target, *form.PreviewMetafile);
    form.PreviewPage = page;
    form.pnlCard->update();
}

void startPreview(TLayoutForm &form)
{
    form.pnlCard->setGeometry(0, 0, 0, 0);
    form.pnlCard->hide();
    form.ResizeGuard = 1;
    form.MainMenu->hide();
    form.MainToolBar->hide();
    form.CommandToolBar->hide();
    if (form.cbxRatio2->currentIndex() < 0)
        form.cbxRatio2->setCurrentIndex(form.cbxRatio->currentIndex());
    form.PreviewToolBar->show();
    form.ResizeGuard = 0;
    if (form.TurnForPrint)
        form.TurnLayout();
    form.PreviewMetafile = std::make_unique<TMetafileEx>();
    if (form.PaperFormat.SheetIndex > 0) {
        form.PaperWidth = LayoutUnits(form.SheetFormat.SheetWidth);
        form.PaperHeight = LayoutUnits(form.SheetFormat.SheetHeight);
    }
    // The same count the printer gets.
    form.PreviewPageCount = form.MakePrintJob(false).Plan().PageCount();
    form.tbtnNextPreview->setEnabled(form.PreviewPageCount > 1);
    form.tbtnPriorPreview->setEnabled(false);
    for (TDrawRect *object : form.ZOrderList)
        object->SetZoom(1.0);
    setIllustrationPrintMode(form, true);
    drawPreviewPage(form, 0);
    form.ZoomRatio = 0;
    form.sbxPreviewResize();
    form.setProperty("HelpContext", 87);
}

// Where the PDF printer writes: a file the user names, ".pdf" added when the name has no extension. Empty when
// the user cancelled.
QString choosePdfFile(TLayoutForm &form)
{
    const QString title = form.DocumentFile.isEmpty() ? form.Family().Caption : documentTitle(form.DocumentFile);
    QFileDialog dialog(&form, QStringLiteral("PDF ファイルへの印刷"), UserDocumentsFolder() + title + ".pdf",
                       QStringLiteral("PDF ファイル (*.pdf)"));
    dialog.setObjectName(QStringLiteral("PdfFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    NameFileDialogBoxes(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void printRecords(TLayoutForm &form, bool limitedPrinter)
{
    const bool data = form.NeedsData();
    QString pdfFile;
    if (Printer().PrinterName() == PdfPrinterName) {
        pdfFile = choosePdfFile(form);
        if (pdfFile.isEmpty())
            return;
    }
    form.update();
    QString failure;
    {
        TWaitCursor wait;
        const auto senders = holdSenderTable();
        if (form.TurnForPrint)
            form.TurnLayout();
        const TLayoutPrintJob job = form.MakePrintJob(limitedPrinter);
        TPrintProgressWindow progress(&form, form.Family().Caption, QStringLiteral("印刷しています..."),
                                      job.Plan().PageCount());
        try {
            PrintLayout(job, form.Family().Caption, pdfFile, progress.Progress());
        } catch (const EPrinterError &e) {
            failure = e.Message;
        } catch (const EDatabaseError &e) {
            failure = QStringLiteral("印刷できませんでした\r\n") + e.Message;
        } catch (const std::bad_alloc &) {
            failure = QStringLiteral("印刷できませんでした\r\nメモリが足りません");
        } catch (const std::exception &) {
            // Whatever stopped the run, the layout is turned back and bound again before it is told; the
            // exception's own words are the library's, not the user's.
            failure = QStringLiteral("印刷できませんでした");
        }
        if (form.TurnForPrint)
            form.TurnLayout();
        if (data) {
            form.BindRecord(-1);
            form.BindSender();
        }
    }
    form.activateWindow();
    form.raise();
    form.pnlCard->update();
    if (!failure.isEmpty())
        ShowMessageBoxAt(&form, failure, AppTitle, MB_ICONERROR);
}

}  // namespace

bool TLayoutForm::ChoosePaper(TPaperChoice &choice, bool change)
{
    TNewLayoutDialog dialog(this);
    NewLayoutDialog = &dialog;
    dialog.SetChangeMode(change);
    CenterFormOnOwner(&dialog, this);
    dialog.SelectFormatByNumber(DocumentOpen ? FormatNumber : 0);
    if (DocumentOpen && PaperFormat.Kind == 1 && PrintParts == 2)
        dialog.SetSenderSide(true);
    if (Layout.Kind == DesignDocument)
        dialog.SetMessageSide();
    const int result = ExecDialog(dialog);
    NewLayoutDialog = nullptr;
    if (result != QDialog::Accepted)
        return false;
    choice = {dialog.FormatNumber, dialog.Format, dialog.Sheet, dialog.NoBarcode, dialog.GetSenderSide(),
              dialog.BarSize};
    return true;
}

void TLayoutForm::actNewExecute()
{
    if (InPreview())
        return;
    TPaperChoice choice;
    if (!ChoosePaper(choice, false))
        return;
    update();
    if (!ConfirmDiscard())
        return;
    TWaitCursor wait;
    emptyDesigner(*this);
    FormatNumber = choice.Number;
    PaperFormat = choice.Paper;
    SheetFormat = choice.Sheet;
    NoBarcode = choice.NoBarcode;
    BarSize = uint8_t(choice.BarSize);
    if (choice.Paper.Kind == 1)
        PrintParts = choice.SenderSide ? 2 : 1;
    else
        PrintParts = ShowsSender() ? 0 : 1;
    SplitSwitching = 1;
    SetSplitLayout(0);
    SplitSwitching = 0;
    if (ApplyPaper())
        Modified = 1;
}

void TLayoutForm::actOpenExecute()
{
    if (InPreview())
        return;
    QString title;
    {
        TPrintDataOpenDialog dialog(this);
        CenterFormOnOwner(&dialog, this);
        dialog.SetKind(Layout.Kind);
        dialog.SetFileName(documentTitle(DocumentFile));
        const int result = ExecDialog(dialog);
        RecentMenuDirty = dialog.FilesChanged;
        if (result != QDialog::Accepted)
            return;
        title = dialog.GetFileName();
    }
    if (!ConfirmDiscard())
        return;
    TWaitCursor wait;
    emptyDesigner(*this);
    OpenDocument(DocumentPath(title));
}

void TLayoutForm::actCloseExecute()
{
    if (InPreview()) {
        tbtnPreviewCloseClick();
        return;
    }
    if (!ConfirmDiscard())
        return;
    emptyDesigner(*this);
    DocumentFile.clear();
    UpdateCaption();
}

void TLayoutForm::actSaveExecute()
{
    if (InPreview())
        return;
    if (!DocumentFile.isEmpty())
        SaveDocument(DocumentFile);
    else
        actSaveAsExecute();
}

void TLayoutForm::actSaveAsExecute()
{
    if (InPreview())
        return;
    QString title;
    {
        TPrintDataSaveDialog dialog(this);
        CenterFormOnOwner(&dialog, this);
        dialog.SetKind(Layout.Kind);
        dialog.SetTitle(documentTitle(DocumentFile));
        const int result = ExecDialog(dialog);
        RecentMenuDirty = dialog.FilesChanged;
        if (result != QDialog::Accepted)
            return;
        title = dialog.GetTitle();
    }
    pnlCard->update();
    DocumentFile.clear();
    SaveDocument(DocumentPath(title));
}

void TLayoutForm::actPrintSetExecute()
{
    if (!PrinterInfo) {
        PrintableArea = TRect{0, 0, PaperWidth, PaperHeight};
        return;
    }
    const int dpiX = PrinterInfo->DpiX, dpiY = PrinterInfo->DpiY;
    if (runPrinterSetup(this))
        takeChangedPrinter(*this, dpiX, dpiY);
}

std::optional<QString> TLayoutForm::AdditionsLeftOffQuestion(const std::vector<int32_t> &records, bool preview,
                                                             QWidget *window)
{
    const TFixedObjects receiver = CurrentSet(false);
    if (!Layout.HasRecordItems() || !NeedsData() ||
        std::none_of(receiver.Items.begin(), receiver.Items.end(), [](const TAdditionRect *item) { return item->Visible; }))
        return QString();
    // A few receivers say which; the count says how many.
    constexpr int listed = 10;
    QStringList lines;
    int count = 0;
    bool read = true, walked = true;
    {
        TWaitCursor wait;
        const auto senders = holdSenderTable();
        TLayoutPrintJob job = MakePrintJob(false);
        job.RecordNumbers = records;
        TPrintProgressWindow progress(window, Family().Caption, QStringLiteral("追加情報を印刷できるか確認しています..."),
                                      int(records.size()));
        try {
            walked = BindEachRecord(job, [&](int) {
                const std::vector<const TAdditionRect *> leftOff = AdditionsLeftOff(receiver);
                if (leftOff.empty() || ++count > listed)
                    return;
                QStringList items;
                for (const TAdditionRect *item : leftOff)
                    items << (item->Item == 0 ? QStringLiteral("「%1」").arg(item->Text()) : AdditionItemText(item->Item));
                // The receiver as printed: the name, a company contact's company after it.
                const QString name = receiver.Name->Name();
                const QString company = receiver.Split ? receiver.Corp[0]->Text() : receiver.Name->CorpName();
                const QString who = name.isEmpty()      ? company
                                    : company.isEmpty() ? name
                                                        : QStringLiteral("%1（%2）").arg(name, company);
                lines << QStringLiteral("　%1：%2").arg(who, items.join(QStringLiteral("、")));
            }, progress.Progress());
        } catch (const EDatabaseError &) {
            // A book that cannot be read is the print's to report, as it reports it without a shown addition.
            read = false;
        }
        RefillFixedObjects();
    }
    if (!walked)
        return std::nullopt;
    if (count == 0 || !read)
        return QString();
    if (count > listed)
        lines << QStringLiteral("　ほか%1件").arg(count - listed);
    return QStringLiteral("次の%1件の%2には、選ばれた追加情報を読める大きさで印刷できません  \r\n")
               .arg(count)
               .arg(Layout.Kind == CardDocument ? QStringLiteral("名刺") : QStringLiteral("ラベル")) +
           lines.join(QStringLiteral("\r\n")) +
           (preview ? QStringLiteral("\r\n\r\nこのままプレビューを表示しますか？  ")
                    : QStringLiteral("\r\n\r\nこのまま印刷しますか？  "));
}

TLayoutPrintJob TLayoutForm::MakePrintJob(bool limitedPrinter)
{
    TLayoutForm &form = *this;
    TLayoutPrintJob job;
    job.Shown = form.ZOrderList;
    job.Fixed = form.FixedObjects;
    if (form.NeedsData()) {
        const auto bind = [&form](int32_t recNo, const TAddressBindRecord *row) {
            const bool shown = form.BindRecord(recNo, row);
            if (form.ShowsSender())
                form.BindSender();
            return shown;
        };
        job.BindRecord = [bind](int32_t recNo) { return bind(recNo, nullptr); };
        job.RecordTable = DMMirvale18 ? DMMirvale18->AdrsTable.get() : nullptr;
        if (job.RecordTable && AddressList) {
            job.RecordOrder = AddressList->RowOrder();
            job.ReadRecord = [bind, table = job.RecordTable]() -> std::function<bool()> {
                return [bind, row = ReadAddressBindRecord(*table)] { return bind(-1, &row); };
            };
        }
        // The combined set's contact lines come and go with each record's sender, whatever the card shows now:
        // the print holds both, beneath the rest as the card stacks them, and draws those its record shows.
        const TFixedObjects sender = form.CurrentSet(true);
        if (form.ShowsSender() && form.PrintParts != 1 && !sender.Split)
            for (TAdditionRect *contact : sender.Contacts)
                if (std::find(job.Shown.begin(), job.Shown.end(), contact) == job.Shown.end())
                    job.Shown.push_back(contact);
    }
    job.RecordNumbers = form.RecordNumbers;
    job.Offset = form.PrintOffset;
    job.Flap = form.FlapOffset;
    job.LabelStart = form.LabelStart;
    job.LabelCount = form.LabelCount;
    job.Paper = form.PaperFormat;
    job.Sheet = form.SheetFormat;
    job.LimitedPrinter = limitedPrinter;
    job.Background = form.Layout.Background.get();
    return job;
}

void TLayoutForm::actPrintExecute()
{
    RecordNumbers.clear();
    PrintOffset = QPoint();
    FlapOffset = 0;
    TurnForPrint = false;
    LabelCount = 1;
    LabelStart = 1;
    const bool data = NeedsData();
    if ((data && (!AddressList || AddressList->GetRecordCount() == 0)) || ZOrderList.empty()) {
        ShowMessageBoxAt(this, NoDataMessage, AppTitle, MB_ICONINFORMATION);
        return;
    }
    if (!PrinterInfo) {
        ShowMessageBoxAt(this, QStringLiteral("プリンターがインストールされていません  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    const int dpiX = PrinterInfo->DpiX, dpiY = PrinterInfo->DpiY;
    const bool multiUp = PaperFormat.SheetIndex > 0;
    bool accepted = false, preview = false, limited = false;
    {
        TLayoutPrintDialog wizard(this, wizardPrinter(*PrinterInfo));
        LayoutPrintDialog = &wizard;
        CenterFormOnOwner(&wizard, this);
        std::unique_ptr<TAddressListRows> rows;
        if (AddressList && DMMirvale18 && DMMirvale18->AdrsTable && DMMirvale18->AdrsTable->Active())
            rows = std::make_unique<TAddressListRows>(*AddressList, *DMMirvale18->AdrsTable);
        wizard.SetRows(rows.get());
        wizard.SetDataPrint(data);
        wizard.SetPrintKind(PaperFormat.Kind);
        // The letter body prints on postcard and letter papers under its own name.
        if (Layout.Kind == DesignDocument) {
            wizard.setWindowTitle(Family().Caption);
            wizard.SetKindWord(QStringLiteral("文面レイアウト"));
        }
        wizard.SetSheetCount(multiUp ? std::max(1, SheetFormat.Columns) * std::max(1, SheetFormat.Rows) : 1);
        wizard.SetContentRect(contentRect(*this));
        // Over the wizard, the window whose command it is: the designer runs the wizard as its own command.
        wizard.OnPrinterSetup = [this, &wizard](TWizardPrinter &printer) {
            if (!runPrinterSetup(&wizard))
                return false;
            PrinterInfo->ReadCurrentPrinter();
            printer = wizardPrinter(*PrinterInfo);
            return true;
        };
        wizard.LeftOffQuestion = [this, &wizard](const std::vector<int32_t> &records, bool preview) {
            return AdditionsLeftOffQuestion(records, preview, &wizard);
        };
        wizard.ResumeAfterPreview = ReturnFromPreview;
        ReturnFromPreview = false;
        accepted = ExecDialog(wizard) == QDialog::Accepted;
        LayoutPrintDialog = nullptr;
        if (accepted) {
            RecordNumbers = wizard.RecordList;
            PrintOffset = wizard.GetOffset();
            if (PaperFormat.Kind == 1) {
                FlapOffset = wizard.GetFlap();
                TurnForPrint = wizard.GetReverse();
            }
            LabelStart = wizard.GetLabelStart();
            LabelCount = wizard.GetLabelCount();
            limited = wizard.GetLimitedPrinter();
            preview = wizard.PreviewRequested;
            TPrinterSetting setting = Printer().Setting();
            setting.Copies = qint16(wizard.GetCopies());
            Printer().SetSetting(setting);
        }
        if (wizard.PrinterChanged)
            takeChangedPrinter(*this, dpiX, dpiY);
    }
    if (!accepted)
        return;
    if (preview)
        startPreview(*this);
    else
        printRecords(*this, limited);
}

void TLayoutForm::actExitExecute() { close(); }

void TLayoutForm::tbtnPriorPreviewClick()
{
    if (!InPreview() || PreviewPage == 0)
        return;
    drawPreviewPage(*this, PreviewPage - 1);
    tbtnNextPreview->setEnabled(true);
    tbtnPriorPreview->setEnabled(PreviewPage != 0);
}

void TLayoutForm::tbtnNextPreviewClick()
{
    if (!InPreview() || PreviewPage >= PreviewPageCount - 1)
        return;
    drawPreviewPage(*this, PreviewPage + 1);
    tbtnNextPreview->setEnabled(PreviewPage < PreviewPageCount - 1);
    tbtnPriorPreview->setEnabled(true);
}

void TLayoutForm::tbtnPreviewCloseClick()
{
    if (!InPreview())
        return;
    pnlCard->setGeometry(0, 0, 0, 0);
    pnlCard->hide();
    PreviewMetafile.reset();
    if (ShowsRecord())
        RefillFixedObjects();
    ResizeGuard = 1;
    PreviewToolBar->hide();
    MainMenu->show();
    CommandToolBar->show();
    MainToolBar->show();
    ResizeGuard = 0;
    setIllustrationPrintMode(*this, false);
    PaperWidth = LayoutUnits(PaperFormat.Width);
    PaperHeight = LayoutUnits(PaperFormat.Height);
    if (TurnForPrint)
        TurnLayout();
    ZoomRatio = 0;
    sbxPreviewResize();
    setProperty("HelpContext", Family().HelpContext);
    // The wizard opens again where the user left it.
    ReturnFromPreview = true;
    actPrintExecute();
}

bool TLayoutForm::OpenDocument(const QString &path)
{
    TWaitCursor wait;
    QString error;
    const bool read = Layout.Open(path, &error);
    // Whatever was read, the fixed set is the document's own objects now. Only listed: a set switch would pass
    // the other set's barcode over the one the document just gave this set.
    ListFixedSet(SplitLayout);
    if (!read) {
        ClearDocument();
        ShowMessageBoxAt(this, error, AppTitle, MB_ICONINFORMATION);
        return false;
    }
    TMasterFormats master;
    TCustomFormats custom;
    master.Load(AppFolder + QStringLiteral("Common/Lyt.fmt"));
    custom.Load(DataRootFolder + QStringLiteral("CstmL.fmt"));
    const bool paperFound = Layout.FindPaper(master, custom, PaperFormat, SheetFormat);
    if (paperFound) {
        BackgroundSource = !ShowsPaperPicture()
                               ? QImage()
                               : LoadPaperPicture(PaperFormat.PictureFile,
                                                  QSize(LayoutUnits(PaperFormat.Width) * 3,
                                                        LayoutUnits(PaperFormat.Height) * 3));
        BackgroundBitmap = QImage();
        PaperWidth = LayoutUnits(PaperFormat.Width);
        PaperHeight = LayoutUnits(PaperFormat.Height);
        SetupPrinterPage();
        PaperScale = std::max(PaperFormat.Width, PaperFormat.Height);
    }
    int best = 0;
    NoBarcode = !FitBarcodeSize(PaperFormat.Direction != 0 ? PaperFormat.Width : PaperFormat.Height, best);
    BarSize = uint8_t(best);
    // The font heights follow the paper read.
    Layout.ApplyPrintForm();
    Layout.TakeObjectDefaults(*DefaultWord, *DefaultFigure);
    auto *barcode = static_cast<TBarcodeRect *>(CombinedObjects[CombinedBarcodeIndex].get());
    if (barcode->Visible && NoBarcode) {
        barcode->ClearImage();
        barcode->Visible = 0;
        RemoveFromZOrder(barcode);
    } else if (barcode->Visible && barcode->BarSize() > BarSize) {
        barcode->SetBarSize(BarSize);
    }
    // A label's addition left off the paper is off: no set switch may bring it back unasked.
    if (Layout.HasRecordItems())
        for (int row = 0; row < 4; ++row)
            if (Layout.ZIndexOf(&Layout.RecordItem(row)) < 0)
                Layout.RecordItem(row).Visible = 0;
    DocumentFile = path;
    RecentFiles.prepend(path);
    Modified = 0;
    DocumentOpen = 1;
    UpdateCaption();
    RefillFixedObjects();
    FillObjectList();
    actSender->setChecked(PrintParts == 0 || PrintParts == 2);
    if (paperFound)
        sbxPreviewResize();
    // Once for the whole document, however many of its pictures are left out, over the card that shows them
    // empty.
    if (Layout.PicturesRefused())
        TellPicturesUnreadable(Layout.PictureTooLarge());
    if (!paperFound) {
        ShowMessageBoxAt(this, DocumentPaperDeletedMessage, AppTitle, MB_ICONINFORMATION);
        actFormat->trigger();
    }
    return true;
}

bool TLayoutForm::SaveDocument(const QString &path)
{
    TWaitCursor wait;
    QString error;
    if (!Layout.Save(path, PaperFormat.Width, PaperFormat.Height, BackgroundSource, &error)) {
        ShowMessageBoxAt(this, error, AppTitle, MB_ICONERROR);
        return false;
    }
    Modified = 0;
    if (DocumentFile.isEmpty()) {
        DocumentFile = path;
        RecentFiles.prepend(path);
    }
    UpdateCaption();
    return true;
}

QImage TLayoutForm::MakeThumbnail(int sizeIndex)
{
    return Layout.MakeThumbnail(sizeIndex, PaperFormat.Width, PaperFormat.Height, BackgroundSource);
}
