// TLayoutForm: the address designer, the window in which the user lays out the address side of postcards and
// envelopes on a paper, sees the selected record and the sender on it, and prints it. The window is a
// top-level window of its own beside the main list; it frees itself when closed.
//
// Its units: Layout.cpp (creation, settings, start menu, a new layout on a paper, emptying, the save
// question, closing), LayoutControls.cpp (actions, menus, tool bars), LayoutCanvas.cpp (painting and mouse
// work on the card), LayoutView.cpp (zoom, object list, fixed-object sets, turning), LayoutState.cpp (action
// enabling, recent files, undo application), LayoutEdit.cpp (undo and record stepping), LayoutBinding.cpp
// (records and senders into the fixed objects) and LayoutFile.cpp (the file and print commands).
#pragma once

#include "designers/AddressBinding.h"
#include "designers/Designer.h"
#include "designers/LayoutPrint.h"
#include "designers/PaperFormats.h"
#include "designers/PrintDocument.h"
#include "drawing/PrinterInfo.h"
#include "drawing/Rect.h"
#include "drawing/UndoList.h"
#include "mainlist/LayoutServices.h"

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QScrollArea>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QContextMenuEvent;
class QFrame;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;
class TFileDD;
class TFigureRect;
class TMetafileEx;
class TPaintPanel;
class TWordRect;

// The scroll box of the designers: focusing the paper or a control in it never scrolls it.
class TLimitedScrollBox : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    bool focusNextPrevChild(bool next) override;
};

// What tells the address designer and the label window's two modes apart.
struct TDesignerFamily {
    QString Caption;      // of the window and the questions: "宛名印刷", "ラベル印刷", "名刺印刷"
    QString Section;      // of the window's settings in "Mirvale18.ini"
    QString PrinterFile;  // the printer setting in the data folder
    int HelpContext;
    // Whether a No to the save question is asked again before the work is thrown away.
    bool ConfirmsDiscard;
};
// The family of a document kind; kinds other than label and card are the address designer's.
const TDesignerFamily &DesignerFamilyOf(uint8_t kind);

// The zoom choices of the view menu and the zoom boxes, 0 fitting the paper to the window.
inline constexpr std::array<double, 8> ZoomChoices{0, 2.0, 1.75, 1.5, 1.25, 1.0, 0.75, 0.5};
// The window's smallest size in design units.
inline constexpr int LayoutMinWidth = 529, LayoutMinHeight = 500;

class TLayoutForm : public TDesignerForm, public TLayoutServices {
    Q_OBJECT
public:
    // Creates the designer (the fixed objects, the settings, the printer); the start menu follows the first
    // show. The owner (the main list) does not become its parent: the desktop lists the designer as a window
    // of its own beside the main list.
    explicit TLayoutForm(QWidget *owner = nullptr) : TLayoutForm(owner, LayoutDocument) {}
    ~TLayoutForm() override;

    // ---- TLayoutServices ----
    QWidget *FormWindow() override { return this; }
    void DataUpdated(const std::vector<int32_t> &recNos) override;
    void DataDeleted(const std::vector<int32_t> &recNos) override;
    void ListChanged() override;

    // ---- Data model ----
    std::unique_ptr<TPrinterInfo> PrinterInfo;  // absent when no printer is installed
    QString DocumentFile;                       // empty for a new, unsaved layout
    QStringList RecentFiles;                    // newest first
    TPaperFormat PaperFormat;
    TFormatCategory SheetFormat;
    std::array<int, 8> SheetLayout{};
    QImage BackgroundSource;              // the paper picture as loaded; null when the paper has none
    QImage BackgroundBitmap;              // scaled to the card
    TRect PrintRangeRect;

    // The layout: the 30 fixed objects in their list orders, the free objects, the stacking order (index 0
    // in front), the paper number, the printed parts, the fixed set in use and the printed-items record.
    // A document read from a file replaces it whole; the names below stay bound to it.
    TPrintDocument Layout;
    int32_t &FormatNumber = Layout.FormatNumber;
    uint8_t &PrintParts = Layout.PrintParts;
    uint8_t &SplitLayout = Layout.SplitLayout;
    TPrintForm &PrintForm = Layout.PrintForm;
    std::array<std::unique_ptr<TDrawRect>, CombinedObjectCount> &CombinedObjects = Layout.CombinedObjects;
    std::array<std::unique_ptr<TDrawRect>, SplitObjectCount> &SplitObjects = Layout.SplitObjects;
    std::vector<std::unique_ptr<TIllustRect>> &IllustList = Layout.IllustList;
    std::vector<std::unique_ptr<TWordRect>> &WordList = Layout.WordList;
    std::vector<std::unique_ptr<TFigureRect>> &FigureList = Layout.FigureList;
    std::vector<std::unique_ptr<TQRCodeRect>> &QRCodeList = Layout.QRCodeList;
    std::vector<TDrawRect *> &ZOrderList = Layout.ZOrderList;
    TDesignObjects &Objects() override { return Layout; }
    TRenderTarget RenderTarget() const override;

    uint8_t NoBarcode = 0;  // no bar size fits the paper
    uint8_t BarSize = 0;    // the largest bar size that fits
    int32_t SenderRecNo = 0;

    // The print job (the file and print commands).
    std::vector<int32_t> RecordNumbers;
    QPoint PrintOffset;  // 0.1 mm
    int FlapOffset = 0;  // 0.1 mm
    bool TurnForPrint = false;
    int LabelStart = 1;
    int LabelCount = 1;
    int PreviewPageCount = 0, PreviewPage = 0;
    bool ReturnFromPreview = false;

    QPoint DragStart{-1, -1};
    std::unique_ptr<TFileDD> FileDropTarget;
    uint8_t ResizeGuard = 0, RecentMenuDirty = 0, SplitSwitching = 0;

    // The canvas's drag state.
    std::vector<TRect> DragOutlines;  // card pixels: one per selected object while moving or resizing
    uint8_t OutlineShown = 0;
    uint8_t ConstrainDrag = 0;
    uint8_t CardDoubleClicked = 0;
    TEdgeCodes ResizeHandle;
    Qt::CursorShape DragCursor = Qt::ArrowCursor;  // the cursor the drag began with
    bool DragPending = false;                      // pressed on the focused object: a drag starts on moving
    bool PaperFocusFromKeys = false;               // the paper took the focus last from the keys: it shows it
    bool Dragging = false;                         // a move or resize drag has begun
    TRect Band;                                    // the rubber band in card pixels while it is shown

    // ---- Controls ----
    QMenuBar *MainMenu = nullptr;
    QWidget *pnlToolBar = nullptr;
    QToolBar *MainToolBar = nullptr, *CommandToolBar = nullptr, *ViewToolBar = nullptr, *PreviewToolBar = nullptr;
    QComboBox *cbxRatio = nullptr, *cbxRatio2 = nullptr;
    QMenu *mmiRatio = nullptr, *mmiRecent = nullptr, *PopupMenu = nullptr, *GridPopupMenu = nullptr;
    QActionGroup *RatioGroup = nullptr;
    QWidget *pnlBack2 = nullptr;
    QLabel *lblItem2 = nullptr;
    TLimitedScrollBox *sbxPreview = nullptr;
    QFrame *bvSpacer = nullptr;
    QAction *pmiGridNone = nullptr, *pmiGridSmall = nullptr, *pmiGridNomal = nullptr, *pmiGridBig = nullptr;
    QAction *mmiShowMenu = nullptr, *mmiToolBar = nullptr;
    QToolButton *tbtnGrid = nullptr, *tbtnExit = nullptr;
    QToolButton *tbtnPriorPreview = nullptr, *tbtnNextPreview = nullptr, *tbtnPreviewClose = nullptr;
    QStatusBar *StatusBar = nullptr;
    std::array<QLabel *, 2> StatusPanels{};

    // File and print (their bodies are LayoutFile.cpp's).
    QAction *actNew = nullptr, *actOpen = nullptr, *actClose = nullptr, *actSave = nullptr, *actSaveAs = nullptr,
            *actPrintSet = nullptr, *actPrint = nullptr, *actExit = nullptr, *actRecent = nullptr;
    // Editing and view.
    QAction *actFirst = nullptr, *actPrior = nullptr, *actNext = nullptr, *actLast = nullptr, *actEditData = nullptr;
    QAction *actSenderEdit = nullptr, *actSender = nullptr, *actBarcodeSet = nullptr;
    QAction *actFormat = nullptr, *actDetail = nullptr, *actDataForm = nullptr;
    QAction *actAdrsList = nullptr, *actAdrsView = nullptr;
    QAction *actGrid = nullptr, *actGridNone = nullptr, *actGridSmall = nullptr, *actGridNomal = nullptr,
            *actGridBig = nullptr, *actPrintRange = nullptr;

    // ---- The document family (postcards and envelopes, label sheets or business cards) ----
    const TDesignerFamily &Family() const { return DesignerFamilyOf(Layout.Kind); }
    // Label and card sheets show the main list's record on every paper; a postcard or envelope only on a paper
    // with the sender's places as well (one without is printed with the sender as its receiver).
    // A letter body shows no record at all.
    bool ShowsRecord() const
    {
        return Layout.Kind != DesignDocument && (Layout.Kind != LayoutDocument || PaperFormat.CombinedRectCount > 4);
    }
    bool ShowsSender() const { return Layout.Kind == LayoutDocument && PaperFormat.CombinedRectCount > 4; }
    // Whether the layout prints the records: it shows the record and prints the receiver's side.
    bool NeedsData() const { return PrintParts == 0 || (PrintParts == 1 && ShowsRecord()); }
    // The place a label's or card's addition row (0 to 3) takes on a new layout (LabelItemRect).
    TRect RecordItemRect(int row) const;
    // The paper's picture is its address side: the message side of a letter body shows the bare paper.
    bool ShowsPaperPicture() const { return Layout.Kind != DesignDocument && !PaperFormat.PictureFile.isEmpty(); }
    // The paper of a new layout, or with change of "用紙の変更"; false when the user cancelled.
    struct TPaperChoice {
        int Number = 0;
        TPaperFormat Paper;
        TFormatCategory Sheet;
        bool NoBarcode = false, SenderSide = false;
        int BarSize = 0;
    };
    virtual bool ChoosePaper(TPaperChoice &choice, bool change);
    // The file of a title in the family's folder.
    QString DocumentPath(const QString &title) const;

    // ---- Frame (Layout.cpp) ----
    void ShowStartMenu();
    // Sets up a new layout on the paper in PaperFormat, SheetFormat, FormatNumber, NoBarcode and BarSize,
    // after ClearDocument. A paper picture that cannot be loaded leaves the designer empty and usable with
    // the reason shown; the answer is then false.
    bool ApplyPaper();
    void SetupPrinterPage();
    void ClearDocument();
    // The save question; false when the user chose to stay.
    bool ConfirmDiscard();
    void LoadSettings();
    void SaveSettings();
    void LoadDefaultSender();
    void LoadObjectDefaults();
    // Writes "DrRect.def" when the defaults changed; false (reported) when it could not be written.
    bool SaveObjectDefaults();
    // "宛名印刷 - " + the document's title (+ " (更新)" when changed), or "宛名印刷 - 新規".
    void UpdateCaption() override;

    // ---- File and print (LayoutFile.cpp) ----
    void actNewExecute();
    void actOpenExecute();
    void actCloseExecute();
    void actSaveExecute();
    void actSaveAsExecute();
    void actPrintSetExecute();
    void actPrintExecute();
    // What a print or preview run prints: the shown objects, each of RecordNumbers bound in turn (the sender
    // too where the paper shows one), the wizard's offsets, start position and prints per record.
    TLayoutPrintJob MakePrintJob(bool limitedPrinter);
    // Before a label's or card's print (preview false) or preview of the records: where some cannot hold a shown
    // addition readably, each bound and laid out as the print lays it out, the question naming them and the
    // additions, whose Yes prints them so; empty where every record holds them. The check is a job of window
    // (the wizard) with its progress and 中止, as the print is the designer's; nothing when it was stopped, by
    // 中止 or a close of window. The card shows the list's record again after.
    std::optional<QString> AdditionsLeftOffQuestion(const std::vector<int32_t> &records, bool preview,
                                                    QWidget *window);
    void actExitExecute();
    void tbtnPriorPreviewClick();
    void tbtnNextPreviewClick();
    void tbtnPreviewCloseClick();
    bool OpenDocument(const QString &path);
    bool SaveDocument(const QString &path);
    QImage MakeThumbnail(int sizeIndex);

    // ---- Editing (LayoutEdit.cpp) ----
    // Selects the first (0), prior, next or last (3) record in the main list, which shows it again here.
    void actMoveExecute(int tag);
    // Opens the record form on the record shown.
    void actEditDataExecute();
    // The sender list. On postcards and envelopes the sender chosen there becomes the record's sender and is
    // shown; on labels and cards it is the document's sender, the record staying the receiver; on a letter body
    // it is the selected sender block's. Only the first writes to the book.
    void actSenderEditExecute();
    // Shows or hides the sender's objects as actSender's check says, as one undo step.
    void actSenderExecute();
    // Brings the main list (0) or the record form (1) forward.
    void actFormChangeExecute(int tag);

    // ---- Paper, layout details, data form and barcode (LayoutFormat.cpp) ----
    void actFormatExecute();
    void actDetailExecute();
    void actDataFormExecute();
    // The letter body's detail command: the document's sender sizes and arrangement, and the focused sender
    // block's layout and parts.
    void SenderBlockDetail();
    void actBarcodeSetExecute();
    // A label or card that cannot hold every part and addition shown readably, as the print lays them out for a
    // company contact as offices keep them, is told so when they or the paper are chosen, not on the printed
    // sheet. The card's record is bound again.
    void TellUnreadableLabel();

    // ---- Filling from records and senders (LayoutBinding.cpp) ----
    // Fills the receiver objects from the record numbered recNo (-1: the first selected row of the main
    // list), or from row when the record was read already (a print run's walk). False when there is nothing
    // to show: the objects are then left empty, never filled from another record.
    bool BindRecord(int32_t recNo, const TAddressBindRecord *row = nullptr);
    // Lays the receiver's bound texts out as they print: on a label or card the name lent room under the address
    // as its record needs (LaidOutRect). Every binding runs it, and every edit of the objects (MarkModified),
    // so the card shows what prints; the objects' own rectangles, which are stored, stay.
    void LayOutRecordTexts();
    // The end of every edit: the texts laid out again for the objects as they now stand.
    void MarkModified() override;
    // A label's additions that print the sender's contact lines take them from the document's sender.
    void BindItemContacts(const TFixedObjects &receiver, const TBindContext &context);
    void BindSender();
    void BindSenderAsReceiver();
    // The letter body's sender blocks, each filled from the sender its title names, else from the default
    // sender (else the first row of the list).
    void BindSenderBlocks();
    // The blocks filled from the senders numbered in senders, one for each block in its order (-1, or a number
    // no row has any more: the default sender); each block takes its sender's title. True when a block's title
    // changed, a change of the document.
    bool BindSenderBlocks(const std::vector<int32_t> &senders);
    // The sender row each sender block names by its title, in the blocks' order; -1 where none does. The number
    // is what a block keeps across a rename or a deletion in the sender list.
    std::vector<int32_t> SenderNosOfBlocks();
    // The refill every caller but printing uses: the record and the sender, or the sender as receiver on
    // papers with fewer than 5 rectangles in the first set.
    void RefillFixedObjects() override;

    // ---- Canvas (LayoutCanvas.cpp) ----
    void pnlCardPaint(QPainter &painter);
    void pnlCardMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void pnlCardMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint at);
    void pnlCardMouseUp(Qt::MouseButton button);
    void pnlCardDblClick();
    void pnlCardKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The paper's pop-up menu: at the mouse, or, asked from the keys (the Menu key, Shift+F10), at the chosen
    // object as far as it is in view.
    void pnlCardContextPopup(const QContextMenuEvent &request);
    // The end of a move or resize drag: one undo step.
    void pnlCardEndDrag();
    // The outlines of the drag at the point.
    void pnlCardDragOver(QPoint at);

    // ---- View (LayoutView.cpp) ----
    void sbxPreviewResize();
    void cbxRatioClick(QComboBox *combo);
    void cbxViewRectClick();
    void AddToZOrder(TDrawRect *object, bool visibleOnly);
    void SetSplitLayout(uint8_t flag);
    // FixedObjects := the objects of the set (1 the split set), after the combined set a label's additions.
    void ListFixedSet(uint8_t split);
    void TurnLayout();
    void FillObjectList() override;
    void SyncObjectList() override;
    void UpdateObjectActions() override;
    TRect DefaultRect(int fixedIndex) const override;
    // Any fixed object may be hidden in the split set; in the combined set only the barcode.
    bool CanDeleteFixed(const TDrawRect *object) const override;
    // An undo that hides or shows the sender's objects moves PrintParts and actSender's check with it.
    void FixedObjectToggled(TDrawRect *object, bool shown) override;
    void ApplyLayoutRecord(const TDataFormRecord &data) override;

    // ---- Command state (LayoutState.cpp) ----
    void UpdateActions();
    void UpdateRecentMenu();
    void mmiRecentClick(int index);
    void PopupMenuPopup();
    // Picture files dropped on the card: one illustration each at the drop point, one undo step for all.
    void FilesDropped(const QStringList &files, Qt::KeyboardModifiers keys, QPoint point, Qt::DropAction &effect);

protected:
    // A designer of the document kind: LayoutDocument, LabelDocument or CardDocument.
    TLayoutForm(QWidget *owner, uint8_t kind);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createActions();
    void createMenus();
    void createToolBars();
    void FormClose();
    // The typed view of a fixed set; receiver and sender sides.
    TFixedObjects CurrentSet(bool sender);
    void UpdateRecentFromSettings(const QStringList &history);
    // Moves the grid to size (0-3) and checks its action.
    void SetGridSize(uint8_t size);
    // Keeps the moved objects on the paper and records the step: the end of a drag and the arrow keys.
    void FinishMoveStep();
    void drawMarks(QPainter &painter);

    bool closing_ = false;
    bool shownOnce_ = false;
    // The pop-up's own items and the commands they run.
    std::vector<std::pair<QAction *, QAction *>> PopupItems;
    QAction *pmiBorder1 = nullptr, *pmiBorder2 = nullptr;
};

// Installs the main list's maker of the designer; the program calls it at start.
void RegisterLayoutForm();
