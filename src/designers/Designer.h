// TDesignerForm: what the address, label and letter designers share: the document's free objects and their
// stacking, the fixed objects in use, the selection, the undo history, the paper, the zoom and the grid, and
// the editing commands that work on them (undo and redo, the object clipboard, deletion, the free objects and
// their settings, alignment, spacing, stacking, the default layout, fonts). A designer derives from it, keeps
// its own fixed parts and document, and answers the few questions below that only it can.
//
// Its units: Designer.cpp (state, selection, undo application), DesignerEdit.cpp (clipboard, deletion,
// alignment, spacing, stacking, default layout), DesignerObjects.cpp (adding and setting free objects, fonts).
#pragma once

#include "designers/DesignObjects.h"
#include "drawing/Canvas.h"
#include "drawing/Rect.h"
#include "drawing/UndoList.h"

#include <QMainWindow>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class TMetafileEx;
class TImagePicker;
class TPaintPanel;

class TDesignerForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TDesignerForm(QWidget *parent = nullptr);
    ~TDesignerForm() override;

    // ---- What the designer answers ----
    // The document the commands work on.
    virtual TDesignObjects &Objects() = 0;
    const TDesignObjects &Objects() const { return const_cast<TDesignerForm *>(this)->Objects(); }
    // Where objects render for the screen (the printer's resolution when there is one).
    virtual TRenderTarget RenderTarget() const = 0;
    // The object chooser filled again from the lists, its item put on the focused object, and the pop-up
    // commands shown for the focused object's kind.
    virtual void FillObjectList() = 0;
    virtual void SyncObjectList() = 0;
    virtual void UpdateObjectActions() = 0;
    // The fixed objects filled again from their data (after an undo that touched them).
    virtual void RefillFixedObjects() {}
    // The default place of fixed object i on the paper; empty when it has none.
    virtual TRect DefaultRect(int fixedIndex) const
    {
        (void)fixedIndex;
        return {};
    }
    // A fixed object an undo hides (shown false) or shows again: the designer's own bookkeeping.
    virtual void FixedObjectToggled(TDrawRect *object, bool shown)
    {
        (void)object;
        (void)shown;
    }
    // The document's layout record as an undo step restores it.
    virtual void ApplyLayoutRecord(const TDataFormRecord &data) { (void)data; }
    // Whether the delete command may hide a fixed object (the barcode always).
    virtual bool CanDeleteFixed(const TDrawRect *object) const;
    // The window caption after a change.
    virtual void UpdateCaption() = 0;
    // The end every editing command shares: Modified, the caption, a repaint.
    virtual void MarkModified();

    // ---- State ----
    int PaperWidth = 0, PaperHeight = 0;  // layout units
    QSize Paper() const { return {PaperWidth, PaperHeight}; }
    double ZoomRatio = 0;
    uint8_t GridSize = 0;
    int GridPitch = 0, GridColumns = 0, GridRows = 0;
    // The fixed objects in use, in their list order.
    std::vector<TDrawRect *> FixedObjects;
    std::vector<TDrawRect *> SelectedList;
    int FocusedIndex = -1;
    std::unique_ptr<TWordRect> DefaultWord;
    std::unique_ptr<TFigureRect> DefaultFigure;
    uint8_t DefaultsChanged = 0;
    std::unique_ptr<TImagePicker> ImagePicker;
    TUndoList UndoList;
    std::unique_ptr<TUndoDatas> PendingUndo;
    uint8_t FixedObjectsChanged = 0;
    uint8_t DocumentOpen = 0;
    uint8_t Modified = 0;
    // The print preview: present while it is shown.
    std::unique_ptr<TMetafileEx> PreviewMetafile;
    bool InPreview() const { return PreviewMetafile != nullptr; }

    // The printable part of the paper, layout units.
    TRect PrintableArea;

    TPaintPanel *pnlCard = nullptr;
    QComboBox *cbxViewRect = nullptr;

    // ---- Editing commands (made by the designer, connected by ConnectEditActions) ----
    QAction *actUndo = nullptr, *actRedo = nullptr, *actCopy = nullptr, *actPaste = nullptr, *actDelete = nullptr;
    QAction *actIllust = nullptr, *actWord = nullptr, *actFigure = nullptr, *actQRCode = nullptr;
    QAction *actIllustSet = nullptr, *actWordEdit = nullptr, *actWordSet = nullptr, *actFigureSet = nullptr,
            *actQRCodeSet = nullptr, *pmiIllustDef = nullptr;
    QAction *actFont = nullptr;
    QAction *actRectPos = nullptr, *actPaperCenterV = nullptr, *actPaperCenterH = nullptr, *actPaperCenter = nullptr;
    QAction *actRectUnite = nullptr, *actRectTop = nullptr, *actRectBottom = nullptr, *actRectRight = nullptr,
            *actRectLeft = nullptr, *actRectCenterV = nullptr, *actRectCenterH = nullptr, *actRectCenter = nullptr,
            *actRectWidth = nullptr, *actRectHeight = nullptr, *actRectSize = nullptr;
    QAction *actEqualPaperH = nullptr, *actEqualPaperV = nullptr, *actEqualEndsH = nullptr, *actEqualEndsV = nullptr;
    QAction *actZOrder = nullptr, *actTop = nullptr, *actUp = nullptr, *actDown = nullptr, *actBottom = nullptr;
    QAction *actDefaultLayout = nullptr, *actAdjustGrid = nullptr;

    // ---- Selection and undo (Designer.cpp) ----
    TDrawRect *FocusedObject() const;
    bool IsSelected(const TDrawRect *object) const;
    void ClearSelection();
    void RemoveFromZOrder(TDrawRect *object);
    // Stores the selection into PendingUndo's state.
    void StoreSelection(uint8_t state);
    // Hands PendingUndo to the history: the last step of every editing command.
    void CommitStep();
    bool SnapOn() const;
    // Undoes (or redoes) one step and restores the selection it recorded.
    void actUndoExecute(bool redo);
    void ApplyUndoItem(TUndoList &list, uint8_t kind, uint8_t state, TUndoData &item);

    // ---- Clipboard, deletion, geometry and stacking (DesignerEdit.cpp) ----
    void actCopyExecute();
    void actPasteExecute();
    void actDeleteExecute();
    void actRectPositionExecute(int tag);
    void actRectUniteExecute(int tag);
    void actEqualExecute(int tag);
    void actZOrderExecute(int tag);
    void actDefaultLayoutExecute();

    // ---- Free objects and their settings (DesignerObjects.cpp) ----
    void actWordExecute(int tag);
    void actFigureExecute(int tag);
    void actQRCodeExecute(int tag);
    void actIllustSetExecute();
    void actWordSetExecute();
    void actFontExecute();
    // Gives the selected illustrations their pictures' own sizes again (within the printable area).
    void pmiIllustDefClick();
    // The image picker: brought forward, or started.
    void actIllustExecute();
    // The picker's chosen file: a new illustration, or the focused illustration's new picture.
    void PickerFileChosen(const QByteArray &fileName);
    // Makes a new illustration at point (layout units), or gives the focused one the picture, from a picture
    // file; false, with nothing changed, when the file cannot be loaded, and then *tooLarge (when given) set
    // to the picture's own size if it was too large to decode (EJpegTooLarge).
    bool AddIllustrationFile(const QString &fileName, QPoint point, bool asNew, QSize *tooLarge = nullptr);

protected:
    // Says that pictures were left out: once for a document opened, or for the files of one insertion, when
    // its command has done the rest of its work. With tooLarge valid, that a picture of that many pixels is
    // too large (PictureTooLargeMessage), not that it cannot be read.
    void TellPicturesUnreadable(QSize tooLarge = QSize());
    // Connects the editing commands above to their handlers and gives each its tag.
    void ConnectEditActions();
    // The shared end of a new object, which the caller has put in its list and begun a step of kind 0 for:
    // fitted, zoomed, snapped, listed, stacked on top, recorded and selected.
    void PlaceNewObject(TDrawRect &object, bool fit);

private:
    // One undo step of kind 3 moving each object to placed(its index in objects), rectangles recorded before
    // and after; no step when nothing moved.
    void MoveObjects(const std::vector<TDrawRect *> &objects, const std::function<TRect(int)> &placed);
    // The step of an edit: kind 2, the selection stored, the focused object recorded before it changes.
    void BeginEditStep(TDrawRect &object);
    // Every other selected object that applies recorded before and after change.
    void ChangeOthers(TDrawRect *focused, const std::function<bool(const TDrawRect &)> &applies,
                      const std::function<void(TDrawRect &)> &change);
    // The step handed to the history and the closing steps.
    void FinishEditStep();
};
