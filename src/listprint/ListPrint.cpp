#include "listprint/ListPrint.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "base/Numbers.h"
#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "core/StagedFile.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "drawing/Canvas.h"
#include "drawing/PrintJob.h"
#include "exchange/FExport.h"
#include "exchange/ListRange.h"
#include "exchange/WorkProgress.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

namespace {

const QString PrinterFileName = QStringLiteral("LstPrint.pi");
const QColor PreviewBackground(0x80, 0x80, 0x80);

// Tenths of a millimetre from device pixels.
int tenthMm(int pixels, int dpi) { return dpi > 0 ? RoundToInt(Rescaled(pixels, dpi, TenthsMmPerInch)) : 0; }

}  // namespace

TListPrint::TListPrint(TAddressList *owner)
    : QWidget(owner, Qt::Window), Info(DataFolder + PrinterFileName), owner_(owner), layout_({}, {}, {})
{
    setObjectName(QStringLiteral("ListPrint"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("一覧表印刷"));
    setProperty("HelpContext", 67);
    auto *columns = new QHBoxLayout(this);
    auto *side = new QVBoxLayout;
    columns->addLayout(side);

    gbxRange = new TListRangeBox(*owner, this);
    gbxRange->setTitle(QStringLiteral("印刷範囲"));
    side->addWidget(gbxRange);

    auto *items = new QGroupBox(QStringLiteral("印刷項目（一覧の表示項目）"), this);
    auto *itemBox = new QVBoxLayout(items);
    lstItems = Named<QListWidget>("lstItems", items);
    lstItems->setSelectionMode(QAbstractItemView::NoSelection);
    lstItems->setAccessibleName(QStringLiteral("印刷項目"));
    itemBox->addWidget(lstItems);
    side->addWidget(items, 1);

    auto *paper = new QGroupBox(QStringLiteral("用紙"), this);
    auto *paperGrid = new QGridLayout(paper);
    cbxPrinter = Named<QComboBox>("cbxPrinter", paper);
    cbxPaper = Named<QComboBox>("cbxPaper", paper);
    rbPortrait = Named<QRadioButton>("rbPortrait", QStringLiteral("縦"), paper);
    rbLandscape = Named<QRadioButton>("rbLandscape", QStringLiteral("横"), paper);
    const auto labelFor = [paper](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, paper);
        label->setBuddy(buddy);
        return label;
    };
    paperGrid->addWidget(labelFor(QStringLiteral("プリンター："), cbxPrinter), 0, 0);
    paperGrid->addWidget(cbxPrinter, 0, 1, 1, 3);
    paperGrid->addWidget(labelFor(QStringLiteral("用紙サイズ："), cbxPaper), 1, 0);
    paperGrid->addWidget(cbxPaper, 1, 1, 1, 3);
    paperGrid->addWidget(new QLabel(QStringLiteral("印刷の向き："), paper), 2, 0);
    paperGrid->addWidget(rbPortrait, 2, 1);
    paperGrid->addWidget(rbLandscape, 2, 2);
    paperGrid->setColumnStretch(3, 1);
    side->addWidget(paper);

    auto *counts = new QHBoxLayout;
    lblDataCount = Named<QLabel>("lblDataCount", this);
    lblSheetCount = Named<QLabel>("lblSheetCount", this);
    counts->addWidget(lblDataCount);
    counts->addSpacing(16);
    counts->addWidget(lblSheetCount);
    counts->addStretch();
    side->addLayout(counts);
    pgbPrint = new TWorkProgress(this);
    side->addWidget(pgbPrint);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnPrint = Named<QPushButton>("btnPrint", QStringLiteral("印刷(&P)..."), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnClose);
    side->addLayout(buttons);

    auto *preview = new QVBoxLayout;
    columns->addLayout(preview, 1);
    pnlPreview = new TPaintPanel(this);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    pnlPreview->SetBevelOuter(TPaintPanel::TBevel::Lowered);
    pnlPreview->SetColor(PreviewBackground);
    pnlPreview->setMinimumSize(ScaleByDpi(480, true), ScaleByDpi(360, true));
    preview->addWidget(pnlPreview, 1);
    auto *pages = new QHBoxLayout;
    sbtnPrevPage = Named<QToolButton>("sbtnPrevPage", this);
    sbtnPrevPage->setArrowType(Qt::LeftArrow);
    sbtnPrevPage->setToolTip(QStringLiteral("前のページ"));
    sbtnPrevPage->setAccessibleName(sbtnPrevPage->toolTip());
    sbtnNextPage = Named<QToolButton>("sbtnNextPage", this);
    sbtnNextPage->setArrowType(Qt::RightArrow);
    sbtnNextPage->setToolTip(QStringLiteral("次のページ"));
    sbtnNextPage->setAccessibleName(sbtnNextPage->toolTip());
    lblPage = Named<QLabel>("lblPage", this);
    pages->addStretch();
    pages->addWidget(sbtnPrevPage);
    pages->addWidget(lblPage);
    pages->addWidget(sbtnNextPage);
    pages->addStretch();
    preview->addLayout(pages);

    Template = AddressListTemplate(owner->ColumnDefs, owner->VisibleColumns);
    fillItems();
    fillPrinters();
    resize(ScaleByDpi(900, true), ScaleByDpi(580, true));
    CenterFormOnOwner(this, owner);

    connect(gbxRange, &TListRangeBox::RangeChanged, this, [this] { recount(); });
    connect(cbxPrinter, &QComboBox::currentIndexChanged, this, &TListPrint::cbxPrinterChange);
    connect(cbxPaper, &QComboBox::currentIndexChanged, this, &TListPrint::cbxPaperChange);
    // The pair is exclusive, so the landscape button toggles at every change, however it was made (a screen
    // reader ticks a radio button without a click).
    connect(rbLandscape, &QRadioButton::toggled, this, &TListPrint::orientationClick);
    connect(sbtnPrevPage, &QToolButton::clicked, this, [this] { showPage(PreviewPage - 1); });
    connect(sbtnNextPage, &QToolButton::clicked, this, [this] { showPage(PreviewPage + 1); });
    connect(btnPrint, &QPushButton::clicked, this, &TListPrint::btnPrintClick);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    recount();
}

TListPrint::~TListPrint()
{
    if (ListPrint == this)
        ListPrint = nullptr;
}

void TListPrint::fillItems()
{
    lstItems->clear();
    for (const TListColumn &column : Template.Columns)
        lstItems->addItem(column.Caption);
}

void TListPrint::fillPrinters()
{
    const QSignalBlocker block(cbxPrinter);
    cbxPrinter->clear();
    const QStringList names = Printer().Printers();
    cbxPrinter->addItems(names);
    cbxPrinter->setCurrentIndex(static_cast<int>(names.indexOf(Info.Device)));
    fillPapers();
}

void TListPrint::fillPapers()
{
    const QSignalBlocker block(cbxPaper);
    cbxPaper->clear();
    const TPrinterCapabilities caps = PrinterCapabilities(Info.Device);
    for (const TPrinterPaper &paper : caps.Papers) {
        cbxPaper->addItem(paper.Name, paper.Number);
        if (paper.Number == Info.Setting.PaperNumber)
            cbxPaper->setCurrentIndex(cbxPaper->count() - 1);
    }
    if (cbxPaper->currentIndex() < 0) {
        // A size of the window's own that the printer lists under no name.
        cbxPaper->addItem(QStringLiteral("%1 × %2 mm").arg(Info.Setting.PaperWidth / 10.0).arg(Info.Setting.PaperLength / 10.0),
                          Info.Setting.PaperNumber);
        cbxPaper->setCurrentIndex(cbxPaper->count() - 1);
    }
    // The printer's orientation shown, not a choice of the user's to hand to the printer again.
    const QSignalBlocker portrait(rbPortrait), landscape(rbLandscape);
    (Info.GetOrientation() == 2 ? rbLandscape : rbPortrait)->setChecked(true);
}

void TListPrint::selectPrinter()
{
    TPrinter &printer = Printer();
    const int index = static_cast<int>(printer.Printers().indexOf(Info.Device));
    printer.SetPrinterIndex(index);
    if (index >= 0)
        printer.SetSetting(Info.Setting);
}

void TListPrint::cbxPrinterChange(int index)
{
    if (index < 0)
        return;
    Printer().SetPrinterIndex(index);
    Info.ReadCurrentPrinter();
    fillPapers();
    recount();
}

void TListPrint::cbxPaperChange(int index)
{
    if (index < 0)
        return;
    selectPrinter();
    const auto number = static_cast<quint16>(cbxPaper->itemData(index).toUInt());
    SetPrinterPaper(number, Info.GetOrientation(), Info.Setting.PaperWidth, Info.Setting.PaperLength);
    Info.ReadCurrentPrinter();
    // A paper the printer refused leaves the one it had, which the box shows again.
    fillPapers();
    recount();
}

void TListPrint::orientationClick()
{
    selectPrinter();
    SetPrinterPaper(Info.Setting.PaperNumber, rbLandscape->isChecked() ? 2 : 1, Info.Setting.PaperWidth,
                    Info.Setting.PaperLength);
    Info.ReadCurrentPrinter();
    fillPapers();
    recount();
}

void TListPrint::ListCountChanged() { gbxRange->ListCountChanged(); }

void TListPrint::UpdateKeywordNames()
{
    for (TListColumn &column : Template.Columns)
        if (column.ItemNo >= liFirstKeyword && column.ItemNo < liFirstKeyword + 8)
            column.Caption = KeywordNames[column.ItemNo - liFirstKeyword];
    fillItems();
    RefreshPreview();
}

void TListPrint::UpdateAddressListTemplate()
{
    Template = AddressListTemplate(owner_->ColumnDefs, owner_->VisibleColumns);
    fillItems();
    recount();
}

// The group names the cells hold may have changed, and with them the columns' widths.
void TListPrint::RefreshPreview() { recount(); }

std::vector<std::pair<int, int32_t>> TListPrint::PrintRows() const { return gbxRange->Range().Rows(*owner_); }

TListPage TListPrint::PageLayout()
{
    const bool landscape = Info.GetOrientation() == 2;
    const QSize paper = landscape ? QSize(Info.Setting.PaperLength, Info.Setting.PaperWidth)
                                  : QSize(Info.Setting.PaperWidth, Info.Setting.PaperLength);
    const int dpi = Info.DpiX;
    const QRect printable(QPoint(tenthMm(Info.OffsetX, dpi), tenthMm(Info.OffsetY, dpi)),
                          QPoint(tenthMm(Info.PhysicalWidth - Info.RightMargin, dpi),
                                 tenthMm(Info.PhysicalHeight - Info.BottomMargin, dpi)) - QPoint(1, 1));
    TListPage page(Template, paper, printable);
    const std::vector<std::pair<int, int32_t>> rows = PrintRows();
    page.Measure(static_cast<int>(rows.size()), [&](int first, int count) { return readRows(rows, first, count); });
    return page;
}

bool TListPrint::Readable()
{
    if (layout_.Readable())
        return true;
    ShowMessageBoxAt(this,
                     QStringLiteral("選ばれた印刷項目は、この用紙には読める大きさで印刷できません  \r\n"
                                    "大きな用紙か横向きを選ぶか、一覧の表示項目を減らしてください  "),
                     AppTitle, MB_ICONINFORMATION);
    return false;
}

void TListPrint::recount()
{
    try {
        layout_ = PageLayout();
    } catch (const EDatabaseError &) {
        // The preview shows no pages; printing reports the failure.
        layout_ = TListPage(Template, {}, {});
    }
    showCounts();
}

void TListPrint::showCounts()
{
    const int records = static_cast<int>(PrintRows().size());
    lblDataCount->setText(QStringLiteral("印刷件数：%1件").arg(records));
    lblSheetCount->setText(QStringLiteral("用紙枚数：%1枚").arg(SheetCount()));
    btnPrint->setEnabled(!printing_ && records > 0 && !Template.Columns.empty());
    showPage(PreviewPage);
}

std::vector<QStringList> TListPrint::readRows(const std::vector<std::pair<int, int32_t>> &rows, int first, int count)
{
    if (!DMMirvale18 || !DMMirvale18->AdrsTable || !DMMirvale18->AdrsTable->Active())
        return std::vector<QStringList>(std::max(0, std::min(count, static_cast<int>(rows.size()) - first)));
    const TCategoryNameFn names = [](int32_t main, int32_t sub) {
        return sub < 0 ? DMMirvale18->CategoryName(false, main) : DMMirvale18->CategoryName(true, main * 100 + sub);
    };
    return ReadListRows(*DMMirvale18->AdrsTable, rows, first, count, owner_->RowOrder(), Template.Items(), names);
}

void TListPrint::showPage(int page)
{
    const TListPage &layout = layout_;
    const int pages = layout.PageCount();
    PreviewPage = std::clamp(page, 0, std::max(pages - 1, 0));
    sbtnPrevPage->setEnabled(PreviewPage > 0);
    sbtnNextPage->setEnabled(PreviewPage + 1 < pages);
    lblPage->setText(QStringLiteral("%1 / %2 ページ").arg(pages > 0 ? PreviewPage + 1 : 0).arg(pages));

    const QRect inner = pnlPreview->InnerRect();
    if (inner.width() < 8 || inner.height() < 8)
        return;
    QImage image(inner.size(), QImage::Format_RGB32);
    image.fill(PreviewBackground);
    if (pages > 0) {
        // The page as large as the panel takes it, a few pixels apart from the panel's edge.
        const QSize paper = layout.Paper();
        const double dpi = std::min(Rescaled(inner.width() - 8, paper.width(), TenthsMmPerInch),
                                    Rescaled(inner.height() - 8, paper.height(), TenthsMmPerInch));
        const QSize sheet(TenthsMmToPixels(paper.width(), dpi), TenthsMmToPixels(paper.height(), dpi));
        const QPoint corner((inner.width() - sheet.width()) / 2, (inner.height() - sheet.height()) / 2);
        QPainter painter(&image);
        painter.fillRect(QRect(corner, sheet), Qt::white);
        std::vector<QStringList> texts;
        try {
            texts = readRows(PrintRows(), layout.FirstRow(PreviewPage), layout.RowCount(PreviewPage));
        } catch (const EDatabaseError &) {
            // The preview shows the page without its rows; printing reports the failure.
        }
        TCanvas canvas(painter, RoundToInt(dpi), RoundToInt(dpi));
        layout.Draw(canvas, corner, PreviewPage, texts);
    }
    pnlPreview->SetImage(image);
}

void TListPrint::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    showPage(PreviewPage);
}

void TListPrint::btnPrintClick()
{
    selectPrinter();
    // Before the file is asked for: nothing is printed that cannot be read.
    if (!Readable())
        return;
    if (Info.Device != PdfPrinterName) {
        PrintTo(QString());
        return;
    }
    QFileDialog dialog(this, QStringLiteral("PDFファイルの保存"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("PDFファイル (*.pdf)")});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setDirectory(UserDocumentsFolder());
    dialog.selectFile(QStringLiteral("AdrsList.pdf"));
    if (const QString fileName = ChooseFile(dialog); !fileName.isEmpty())
        PrintTo(fileName);
}

bool TListPrint::PrintTo(const QString &fileName)
{
    const std::vector<std::pair<int, int32_t>> rows = PrintRows();
    if (rows.empty() || Template.Columns.empty())
        return false;
    selectPrinter();
    // The records may have changed since the window measured them.
    try {
        layout_ = PageLayout();
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, QStringLiteral("印刷できませんでした  \r\n") + e.Message, AppTitle, MB_ICONERROR);
        return false;
    }
    if (!Readable())
        return false;
    const TListPage layout = layout_;
    const bool pdf = Info.Device == PdfPrinterName;
    QPrinter printer(QPrinter::HighResolution);
    Printer().ApplyTo(printer);
    printer.setDocName(Template.Title);
    // A PDF is written beside the chosen file and takes its place only once whole.
    std::optional<TStagedFile> pages;
    if (pdf)
        pages.emplace(fileName);

    printing_ = true;
    btnPrint->setEnabled(false);
    btnClose->setEnabled(false);
    pgbPrint->Begin();
    QString failure;
    bool stopped = false;
    try {
        if (pages) {
            if (!pages->Open())
                throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き始められませんでした").arg(fileName)
                                    + WriteFailureReason(errno));
            printer.setOutputFileName(pages->FileName());
        }
        TPrintJob job(printer, pdf ? fileName : QString());
        PrintListPages(job, Info.DpiX, QPoint(-Info.OffsetX, -Info.OffsetY), layout,
                       [&](int first, int count) { return readRows(rows, first, count); },
                       [&](int done, int pages) { return pgbPrint->Step(done, pages); });
        stopped = pgbPrint->Stopped();
        // A stopped queue job is thrown away whole; a stopped PDF is ended and removed.
        if (stopped && !pdf)
            printer.abort();
        else
            job.End();
        if (pages && !stopped && !pages->Commit())
            throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き込めませんでした").arg(fileName)
                                + WriteFailureReason(errno));
    } catch (const EPrinterError &e) {
        failure = e.Message;
    } catch (const EDatabaseError &e) {
        failure = e.Message;
    }
    // The hidden file of a stopped or failed PDF goes before the window says anything.
    pages.reset();
    pgbPrint->End();
    printing_ = false;
    btnClose->setEnabled(true);
    showCounts();
    if (!failure.isEmpty())
        ShowMessageBoxAt(this, QStringLiteral("印刷できませんでした  \r\n") + failure, AppTitle, MB_ICONERROR);
    return failure.isEmpty() && !stopped;
}

// Esc is 閉じる: while a print runs 閉じる is disabled, and Esc leaves the window alone.
void TListPrint::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnClose))
        QWidget::keyPressEvent(event);
}

void TListPrint::closeEvent(QCloseEvent *event)
{
    // A close asked while printing stops the print and waits for it (TWorkProgress).
    try {
        Info.Save();
    } catch (const EPrinterError &e) {
        // The window closes; only the printer setting is not remembered.
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONWARNING);
    }
    if (ListPrint == this)
        ListPrint = nullptr;
    QWidget::closeEvent(event);
}

void RegisterListPrint()
{
    ListPrintPrinterCount = [] { return static_cast<int>(Printer().Printers().size()); };
    ShowListPrint = [](TAddressList *owner) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!ListPrint)
            ListPrint = new TListPrint(owner);
        ShowOrRestore(ListPrint->Window());
        QApplication::restoreOverrideCursor();
    };
}
