#include "designers/Layout.h"
#include "designers/PrtFiles.h"

#include "base/FileReplace.h"
#include "base/Fonts.h"
#include "base/Numbers.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "designers/LytFmt.h"
#include "designers/ObjectDefaults.h"
#include "designers/PrtMenu.h"
#include "designers/Sender.h"
#include "drawing/BarcodeRect.h"
#include "drawing/AdditionRect.h"
#include "drawing/BackImage.h"
#include "drawing/AddressRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "widgets/FileDD.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int UnsetPosition = 0x7FFFFFFF;

QString settingsFile() { return DataFolder + QStringLiteral("Mirvale18.ini"); }

}  // namespace

bool TLimitedScrollBox::focusNextPrevChild(bool next)
{
    // The plain widget's focus chain, without the scroll area's scrolling to the newly focused child.
    return QWidget::focusNextPrevChild(next);
}

const TDesignerFamily &DesignerFamilyOf(uint8_t kind)
{
    static const TDesignerFamily families[] = {
        {QStringLiteral("宛名印刷"), QStringLiteral("LAYOUT"), QStringLiteral("Layout.pi"), 80, true},
        // A label or card sheet is quickly made again: the answer No to the save question is enough.
        {QStringLiteral("ラベル印刷"), QStringLiteral("LABEL"), QStringLiteral("Label.pi"), 93, false},
        {QStringLiteral("名刺印刷"), QStringLiteral("CARD"), QStringLiteral("Card.pi"), 101, false},
        {QStringLiteral("文面印刷"), QStringLiteral("DESIGN"), QStringLiteral("Design.pi"), 80, true},
    };
    return families[kind <= DesignDocument ? kind : 0];
}

QString TLayoutForm::DocumentPath(const QString &title) const
{
    TDocumentKind kind;
    DocumentKindOf(Layout.Kind, kind);
    return kind.Folder + title + kind.Extension;
}

TLayoutForm::TLayoutForm(QWidget *, uint8_t kind) : TDesignerForm(nullptr), Layout(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(kind == LayoutDocument   ? QStringLiteral("LayoutForm")
                  : kind == DesignDocument ? QStringLiteral("DesignForm")
                                           : QStringLiteral("LabelForm"));
    setWindowTitle(Family().Caption);
    setProperty("HelpContext", Family().HelpContext);
    createControls();
    LoadSettings();
    LoadDefaultSender();
    FixedObjects.clear();
    // A letter body has no receiver or sender places: its sender blocks are free objects.
    if (kind != DesignDocument)
        ListFixedSet(0);
    DefaultWord = std::make_unique<TWordRect>();
    DefaultFigure = std::make_unique<TFigureRect>();
    LoadObjectDefaults();
    UpdateObjectActions();
    for (int i = 1; i <= 13; ++i) {
        const QString mask = AppFolder + QStringLiteral("Common/Mask/Itm%1.svg").arg(i, 2, 10, QLatin1Char('0'));
        if (QFileInfo::exists(mask))
            AddMaskFileName(mask);
    }
    FileDropTarget = std::make_unique<TFileDD>(pnlCard);
    FileDropTarget->OnDropFiles = [this](const QStringList &files, Qt::KeyboardModifiers keys, QPoint point,
                                         Qt::DropAction &effect) { FilesDropped(files, keys, point, effect); };
    PreviewToolBar->hide();
    // The commands follow the layout and the selection while the window is idle, and at once after each command:
    // the next one, typed ahead or pressed on the bus as soon as the window is read out again, finds the state
    // this one left (印刷 on the new layout), however late a busy machine lets the window be idle.
    auto *idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &TLayoutForm::UpdateActions);
    idle->start(100);
    for (QAction *action : actions())
        connect(action, &QAction::triggered, this, &TLayoutForm::UpdateActions);
}

TLayoutForm::~TLayoutForm()
{
    if (!closing_)
        FormClose();
}

// ---- Settings ----

void TLayoutForm::LoadSettings()
{
    const QString &Section = Family().Section;
    TMemIniFile ini(settingsFile());
    const int left = ini.ReadInteger(Section, QStringLiteral("Left"), UnsetPosition);
    const int top = ini.ReadInteger(Section, QStringLiteral("Top"), UnsetPosition);
    int width = ini.ReadInteger(Section, QStringLiteral("Width"), UnsetPosition);
    int height = ini.ReadInteger(Section, QStringLiteral("Height"), UnsetPosition);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    if (left != UnsetPosition && top != UnsetPosition && width != UnsetPosition && height != UnsetPosition) {
        width = std::max(width, LayoutMinWidth);
        height = std::max(height, LayoutMinHeight);
        resize(ScaleByDpi(width, true), ScaleByDpi(height, true));
        move(left, top);
    } else {
        const int w = ScaleByDpi(690, true), h = ScaleByDpi(680, true);
        resize(w < work.width() && h < work.height() ? QSize(w, h) : QSize(ScaleByDpi(690, true), ScaleByDpi(550, true)));
        move(work.center() - QPoint(this->width() / 2, this->height() / 2));
    }
    if (ini.ReadBool(Section, QStringLiteral("Max"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
    QStringList history;
    for (int n = 1; n <= 5; ++n)
        history << ini.ReadString(Section, QStringLiteral("History%1").arg(n), QString());
    UpdateRecentFromSettings(history);
    int ratio = ini.ReadInteger(Section, QStringLiteral("Ratio"), 0);
    if (ratio < 0 || ratio >= int(ZoomChoices.size()))
        ratio = 0;
    RatioGroup->actions().at(ratio)->setChecked(true);
    cbxRatio->setCurrentIndex(ratio);
    cbxRatio2->setCurrentIndex(ratio);
    mmiShowMenu->setChecked(ini.ReadBool(Section, QStringLiteral("Menu"), true));
    actPrintRange->setChecked(ini.ReadBool(Section, QStringLiteral("PrintRange"), true));
    const int grid = ini.ReadInteger(Section, QStringLiteral("Grid"), 0);
    SetGridSize(grid >= 0 && grid <= 3 ? uint8_t(grid) : 0);
    actAdjustGrid->setChecked(ini.ReadBool(Section, QStringLiteral("AdjustGrid"), false));
    const bool toolBar = ini.ReadBool(Section, QStringLiteral("ToolBar"), true);
    mmiToolBar->setChecked(toolBar);
    pnlToolBar->setVisible(toolBar);
    // The PDF printer is always there, so the designer always has a printer.
    if (!Printer().Printers().isEmpty())
        PrinterInfo = std::make_unique<TPrinterInfo>(DataFolder + Family().PrinterFile);
}

void TLayoutForm::UpdateRecentFromSettings(const QStringList &history)
{
    RecentFiles.clear();
    for (const QString &file : history) {
        if (file.isEmpty())
            continue;
        if ((QFileInfo(file).path() + QLatin1Char('/'))
                .compare(QFileInfo(DocumentPath(QString())).path() + QLatin1Char('/'), Qt::CaseInsensitive) == 0)
            RecentFiles << file;
    }
}

void TLayoutForm::SaveSettings()
{
    const QString &Section = Family().Section;
    TMemIniFile ini(settingsFile());
    const QRect bounds = isMaximized() ? normalGeometry() : geometry();
    ini.WriteInteger(Section, QStringLiteral("Left"), bounds.left());
    ini.WriteInteger(Section, QStringLiteral("Top"), bounds.top());
    ini.WriteInteger(Section, QStringLiteral("Width"), ScaleByDpi(bounds.width(), false));
    ini.WriteInteger(Section, QStringLiteral("Height"), ScaleByDpi(bounds.height(), false));
    ini.WriteBool(Section, QStringLiteral("Max"), isMaximized());
    RecentFiles.removeDuplicates();
    for (int n = 1; n <= 5; ++n) {
        const QString key = QStringLiteral("History%1").arg(n);
        if (n <= RecentFiles.size())
            ini.WriteString(Section, key, RecentFiles[n - 1]);
        else if (ini.ValueExists(Section, key))
            ini.DeleteKey(Section, key);
    }
    ini.WriteInteger(Section, QStringLiteral("Ratio"), int(RatioGroup->actions().indexOf(RatioGroup->checkedAction())));
    ini.WriteBool(Section, QStringLiteral("Menu"), mmiShowMenu->isChecked());
    ini.WriteBool(Section, QStringLiteral("PrintRange"), actPrintRange->isChecked());
    ini.WriteInteger(Section, QStringLiteral("Grid"), GridSize);
    ini.WriteBool(Section, QStringLiteral("AdjustGrid"), actAdjustGrid->isChecked());
    ini.WriteBool(Section, QStringLiteral("ToolBar"), mmiToolBar->isChecked());
    // Each file on its own: a printer file that cannot be written does not cost the window its settings.
    try {
        if (PrinterInfo)
            PrinterInfo->Save();
    } catch (const EPrinterError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TLayoutForm::LoadDefaultSender()
{
    TMemIniFile ini(DataRootFolder + QStringLiteral("Sender.ini"));
    DefaultSenderNo = ini.ReadInteger(QStringLiteral("SENDER"), QStringLiteral("Default"), 0);
}

void TLayoutForm::LoadObjectDefaults()
{
    ::LoadObjectDefaults(DataRootFolder + ObjectDefaultsFileName, *DefaultWord, *DefaultFigure);
}

bool TLayoutForm::SaveObjectDefaults()
{
    if (!DefaultsChanged)
        return true;
    const QString fileName = DataRootFolder + ObjectDefaultsFileName;
    if (::SaveObjectDefaults(fileName, *DefaultWord, *DefaultFigure))
        return true;
    ShowMessageBoxAt(this, ObjectDefaultsSaveFailedMessage + WriteFailureAt(fileName, errno), AppTitle, MB_ICONERROR);
    return false;
}

// ---- Start menu ----

void TLayoutForm::showEvent(QShowEvent *event)
{
    TDesignerForm::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    PostMessage(this, WM_STARTMENU);
}

bool TLayoutForm::event(QEvent *event)
{
    if (event->type() == QEvent::Type(WM_STARTMENU)) {
        // A window closed before its first show settled offers nothing more.
        if (!closing_)
            ShowStartMenu();
        return true;
    }
    return TDesignerForm::event(event);
}

void TLayoutForm::ShowStartMenu()
{
    int choice = 0;
    if (!RecentFiles.isEmpty() && QFileInfo::exists(RecentFiles.first()))
        choice = 2;
    if (mmiShowMenu->isChecked()) {
        TPrintMenuDialog dialog(this);
        PrintMenuDialog = &dialog;
        CenterFormOnOwner(&dialog, this);
        dialog.SetKind(Layout.Kind);
        dialog.SetChoice(uint8_t(choice));
        // The menu runs as the designer's command: a close asked meanwhile (the main list choosing another
        // designer, say) waits for it, so the menu is not freed with the designer under this handler.
        const int result = ExecDialog(dialog);
        PrintMenuDialog = nullptr;
        if (result != QDialog::Accepted)
            return;
        choice = dialog.GetChoice();
        mmiShowMenu->setChecked(dialog.GetShowMenu());
    }
    update();
    if (choice == 0)
        actNew->trigger();
    else if (choice == 1)
        actOpen->trigger();
    else
        OpenDocument(DocumentPath(QFileInfo(RecentFiles.first()).completeBaseName()));
}

// ---- A new layout on a paper ----

bool TLayoutForm::ApplyPaper()
{
    BackgroundSource = QImage();
    BackgroundBitmap = QImage();
    if (ShowsPaperPicture()) {
        // Drawn well above screen size, so the card stays sharp at every zoom.
        BackgroundSource = LoadPaperPicture(
            PaperFormat.PictureFile, QSize(LayoutUnits(PaperFormat.Width) * 3, LayoutUnits(PaperFormat.Height) * 3));
        if (BackgroundSource.isNull()) {
            // Nothing of the layout has been set up yet: the designer stays empty and usable.
            ShowMessageBoxAt(this,
                             QStringLiteral("用紙の画像 \"%1\" を読み込めませんでした  ")
                                 .arg(QString::fromLocal8Bit(PaperFormat.PictureFile)),
                             AppTitle, MB_ICONERROR);
            return false;
        }
    }
    PaperScale = std::max(PaperFormat.Width, PaperFormat.Height);
    PaperWidth = LayoutUnits(PaperFormat.Width);
    PaperHeight = LayoutUnits(PaperFormat.Height);
    SetupPrinterPage();
    // The document's defaults carry the size steps 3 and the company ratios 0.7, 0.6 and 0.5. The postal codes
    // are spread into the code boxes only on a paper that shows them.
    PrintForm = Layout.Kind == LabelDocument ? DefaultLabelPrintForm() : DefaultAddressPrintForm(ShowsPaperPicture());
    Layout.ApplyPrintForm();
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    const uint8_t horizontal = PaperFormat.Direction != 0 ? 1 : 0;
    const auto setUp = [&](TDrawRect *object) {
        if (auto *barcode = dynamic_cast<TBarcodeRect *>(object)) {
            barcode->SetHorizontal(horizontal);
        } else if (auto *text = dynamic_cast<TMetaRect *>(object)) {
            text->SetDirection(horizontal);
            text->SetFont(font);
            text->UpdateFontHeight();
        }
    };
    for (const auto &object : CombinedObjects)
        setUp(object.get());
    for (const auto &object : SplitObjects)
        setUp(object.get());
    if (Layout.Kind != DesignDocument && (PrintParts == 0 || PrintParts == 1))
        for (int i : {0, 1, 2})
            ZOrderList.push_back(CombinedObjects[size_t(i)].get());
    if (Layout.Kind != DesignDocument && (PrintParts == 0 || PrintParts == 2))
        for (int i : {4, 5, 6})
            ZOrderList.push_back(CombinedObjects[size_t(i)].get());
    // The barcode is sized before it is placed, which keeps its corner: the largest bar size of the paper whose
    // barcode fits the place the paper gives it, so it stands there, clear of the places beside it.
    if (auto *barcode = dynamic_cast<TBarcodeRect *>(CombinedObjects[CombinedBarcodeIndex].get())) {
        int size = BarSize;
        if (PaperFormat.CombinedRectCount > CombinedBarcodeIndex) {
            const TFormatRect &r = PaperFormat.CombinedRects[CombinedBarcodeIndex];
            // A unit more for the rounding of the place's millimetres.
            const auto fits = [&](int index) {
                const QSize extent = BarcodeExtent(index, horizontal != 0);
                return extent.width() <= r.Right - r.Left + 1 && extent.height() <= r.Bottom - r.Top + 1;
            };
            while (size > 0 && !fits(size))
                --size;
        }
        barcode->SetBarSize(size);
    }
    const auto place = [](TDrawRect *object, const TFormatRect &r) {
        object->SetRect(TRect{r.Left, r.Top, r.Right, r.Bottom});
    };
    for (int i = 0; i < std::min(PaperFormat.CombinedRectCount, CombinedObjectCount); ++i)
        place(CombinedObjects[size_t(i)].get(), PaperFormat.CombinedRects[size_t(i)]);
    for (int i = 0; i < std::min(PaperFormat.SplitRectCount, SplitObjectCount); ++i)
        place(SplitObjects[size_t(i)].get(), PaperFormat.SplitRects[size_t(i)]);
    // A new label prints no additions until the user chooses their items.
    if (Layout.HasRecordItems())
        for (int row = 0; row < 4; ++row) {
            TAdditionRect &item = Layout.RecordItem(row);
            item.Visible = 0;
            item.Item = 0;
            item.SetText(QString());
            item.SetRect(RecordItemRect(row));
        }
    RefillFixedObjects();
    FillObjectList();
    actSender->setChecked(PrintParts == 0 || PrintParts == 2);
    DocumentOpen = 1;
    DocumentFile.clear();
    setWindowTitle(Family().Caption + QStringLiteral(" - 新規"));
    sbxPreviewResize();
    return true;
}

void TLayoutForm::SetupPrinterPage()
{
    if (!PrinterInfo) {
        PrintableArea = TRect{0, 0, PaperWidth, PaperHeight};
        return;
    }
    int orientation = 0, width = 0, height = 0;
    if (PaperFormat.Kind != 1) {
        orientation = 1;
        width = PaperFormat.SheetIndex != 0 ? SheetFormat.SheetWidth : PaperFormat.Width;
        height = PaperFormat.SheetIndex != 0 ? SheetFormat.SheetHeight : PaperFormat.Height;
    } else if (PaperFormat.Kind == 1) {
        if (PaperFormat.Direction < 2) {
            orientation = 1;
            width = PaperFormat.Width;
            height = PaperFormat.Height;
        } else {
            orientation = 2;
            width = PaperFormat.Height;
            height = PaperFormat.Width;
        }
    }
    SetPrinterPaper(0, orientation, width, height);
    PrinterInfo->ReadCurrentPrinter();
    const TPrinterInfo &p = *PrinterInfo;
    if (p.ScaleX <= 0 || p.ScaleY <= 0) {
        PrintableArea = TRect{0, 0, PaperWidth, PaperHeight};
        return;
    }
    const int left = int(RoundHalfAway(p.OffsetX / p.ScaleX));
    const int top = int(RoundHalfAway(p.OffsetY / p.ScaleY));
    const int pageWidth = p.PhysicalWidth - p.OffsetX - p.RightMargin;
    const int pageHeight = p.PhysicalHeight - p.OffsetY - p.BottomMargin;
    PrintableArea = TRect{left, top, left + int(RoundHalfAway(pageWidth / p.ScaleX)),
                          top + int(RoundHalfAway(pageHeight / p.ScaleY))};
}

// ---- Emptying ----

void TLayoutForm::ClearDocument()
{
    SelectedList.clear();
    FocusedIndex = -1;
    Layout.ClearFreeObjects();
    ZoomRatio = 0;
    for (const auto &object : SplitObjects)
        object->Visible = 1;
    for (int i : {7, 8})
        CombinedObjects[size_t(i)]->Visible = 0;
    const auto emptyAddition = [](TDrawRect *object) {
        auto *addition = static_cast<TAdditionRect *>(object);
        addition->SetText(QString());
        addition->SetSubText(QString());
    };
    for (int i : {7, 8})
        emptyAddition(CombinedObjects[size_t(i)].get());
    for (int i = 17; i <= 20; ++i)
        emptyAddition(SplitObjects[size_t(i)].get());
    for (TDrawRect *object : {CombinedObjects[CombinedBarcodeIndex].get(), SplitObjects[SplitBarcodeIndex].get()}) {
        static_cast<TBarcodeRect *>(object)->ClearImage();
        object->Visible = 0;
    }
    PrintForm = TPrintForm();
    const auto upright = [this](TDrawRect *object) {
        if (auto *address = dynamic_cast<TAddressRect *>(object))
            address->SetDigitsUpright(PrintForm.DigitsUpright);
    };
    for (const auto &object : CombinedObjects)
        upright(object.get());
    for (const auto &object : SplitObjects)
        upright(object.get());
    // A new page starts white, not under the last document's background.
    if (Layout.Background)
        Layout.Background = std::make_unique<TBackImage>();
    cbxViewRect->clear();
    cbxViewRect->addItem(QStringLiteral("なし"));
    cbxViewRect->setCurrentIndex(0);
    UpdateObjectActions();
    UndoList.Clear();
}

// ---- Save question ----

bool TLayoutForm::ConfirmDiscard()
{
    if (!Modified)
        return true;
    if (isMinimized())
        showNormal();
    const int answer = ShowMessageBoxAt(this, Family().Caption + QStringLiteral("のレイアウトの変更を保存しますか？  "), AppTitle,
                                        MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDYES) {
        if (!DocumentFile.isEmpty())
            SaveDocument(DocumentFile);
        else
            actSaveAsExecute();
        if (Modified)
            return false;
        return true;
    }
    if (!Family().ConfirmsDiscard) {
        Modified = 0;
        return true;
    }
    const QString question = !DocumentFile.isEmpty()
        ? Family().Caption + QStringLiteral("のレイアウトは変更前の状態に戻ります  \r\n本当によろしいですか？")
        : QStringLiteral("作成した") + Family().Caption + QStringLiteral("のレイアウトは破棄されます  \r\n本当によろしいですか？");
    if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return false;
    Modified = 0;
    return true;
}

void TLayoutForm::UpdateCaption()
{
    if (DocumentFile.isEmpty()) {
        setWindowTitle(Family().Caption + (DocumentOpen ? QStringLiteral(" - 新規") : QString()));
        return;
    }
    setWindowTitle(Family().Caption + QStringLiteral(" - ") + QFileInfo(DocumentFile).completeBaseName()
                   + (Modified ? QStringLiteral(" (更新)") : QString()));
}


// ---- Keys and closing ----

void TLayoutForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (InPreview())
            tbtnPreviewClose->click();
        else
            close();
        return;
    }
    TDesignerForm::keyPressEvent(event);
}

void TLayoutForm::closeEvent(QCloseEvent *event)
{
    if (!AskBeforeClose(this, [this] { return ConfirmDiscard(); })) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TLayoutForm::FormClose()
{
    closing_ = true;
    PreviewMetafile.reset();
    SaveSettings();
    PrinterInfo.reset();
    FileDropTarget->Revoke();
    BackgroundSource = QImage();
    BackgroundBitmap = QImage();
    RecentFiles.clear();
    SaveObjectDefaults();
    ClearDocument();
    UndoList.OnUndo = nullptr;
    FreeMaskFileList();
    if (LayoutForm == this)
        LayoutForm = nullptr;
    if (LabelForm == this)
        LabelForm = nullptr;
    if (DesignForm == this)
        DesignForm = nullptr;
}

void RegisterLayoutForm()
{
    ShowLayoutForm = [](TAddressList *owner) {
        auto *form = dynamic_cast<TLayoutForm *>(LayoutForm);
        if (!form) {
            form = new TLayoutForm(owner);
            LayoutForm = form;
        }
        ForceForegroundWindow(form);
    };
}
