#include "designers/Designer.h"

#include "base/Numbers.h"
#include "designers/CanvasGeometry.h"
#include "designers/ImgPicker.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <type_traits>

TDesignerForm::TDesignerForm(QWidget *parent) : QMainWindow(parent)
{
    UndoList.OnUndo = [this](TUndoList &list, uint8_t kind, uint8_t state, TUndoData &item) {
        ApplyUndoItem(list, kind, state, item);
    };
}
TDesignerForm::~TDesignerForm()
{
    if (ImagePicker)
        ImagePicker->ClosePicker();
}

TDrawRect *TDesignerForm::FocusedObject() const
{
    return FocusedIndex >= 0 && FocusedIndex < int(SelectedList.size()) ? SelectedList[size_t(FocusedIndex)] : nullptr;
}

void TDesignerForm::ClearSelection()
{
    SelectedList.clear();
    FocusedIndex = -1;
}

void TDesignerForm::RemoveFromZOrder(TDrawRect *object)
{
    std::vector<TDrawRect *> &ZOrderList = Objects().ZOrderList;
    const auto at = std::find(ZOrderList.begin(), ZOrderList.end(), object);
    if (at != ZOrderList.end())
        ZOrderList.erase(at);
}

bool TDesignerForm::SnapOn() const { return GridSize != 0 && actAdjustGrid->isChecked(); }

void TDesignerForm::StoreSelection(uint8_t state)
{
    PendingUndo->SetSelectionCount(state, int(SelectedList.size()));
    for (size_t i = 0; i < SelectedList.size(); ++i)
        PendingUndo->SetSelection(state, int(i), Objects().ZIndexOf(SelectedList[i]));
    PendingUndo->SetFocused(state, FocusedIndex);
}

void TDesignerForm::CommitStep()
{
    StoreSelection(1);
    UndoList.Add(std::move(PendingUndo));
}

bool TDesignerForm::IsSelected(const TDrawRect *object) const
{
    return std::find(SelectedList.begin(), SelectedList.end(), object) != SelectedList.end();
}

bool TDesignerForm::CanDeleteFixed(const TDrawRect *object) const
{
    return object->GetKind() == ObjectKind::Barcode;
}

void TDesignerForm::MarkModified()
{
    Modified = 1;
    UpdateCaption();
    pnlCard->update();
}

void TDesignerForm::actUndoExecute(bool redo)
{
    if (InPreview())
        return;
    const int before = UndoList.GetPosition();
    if (redo ? !UndoList.CanRedo() : !UndoList.CanUndo())
        return;
    const std::vector<TDrawRect *> &ZOrderList = Objects().ZOrderList;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (redo)
        UndoList.Redo();
    else
        UndoList.Undo();
    // The step applied: the one after the old position for an undo, the one at it for a redo.
    const TUndoDatas *step = UndoList.GetItem(redo ? before : before + 1);
    if (FixedObjectsChanged)
        RefillFixedObjects();
    if (step && (step->Kind == 0 || step->Kind == 1))
        FillObjectList();
    SelectedList.clear();
    const uint8_t state = redo ? 1 : 0;
    if (step) {
        for (int i = 0; i < step->GetSelectionCount(state); ++i) {
            const int z = step->GetSelection(state, i);
            if (z >= 0 && z < int(ZOrderList.size()))
                SelectedList.push_back(ZOrderList[size_t(z)]);
        }
        FocusedIndex = step->GetFocused(state) < int(SelectedList.size()) ? step->GetFocused(state) : -1;
    } else {
        FocusedIndex = -1;
    }
    SyncObjectList();
    FixedObjectsChanged = 0;
    MarkModified();
    QApplication::restoreOverrideCursor();
}

namespace {

// A state the step never stored, or a stream cut short or unreadable, leaves the object as it was (the objects
// read their whole stream before they take any of it) and answers false.
bool loadFrom(TDrawRect &object, TObjectUndoData &item, uint8_t state)
{
    QBuffer *stream = item.GetStream(state);
    if (!stream || stream->size() == 0)
        return false;
    bool loaded = true;
    try {
        TObjectStream in(*stream);
        object.LoadFromStream(in);
    } catch (const EStreamError &) {
        loaded = false;
    }
    for (uint8_t s : {uint8_t(0), uint8_t(1)})
        if (QBuffer *each = item.GetStream(s))
            each->seek(0);
    return loaded;
}

template <class T> bool validIndex(const T &list, int index) { return index >= 0 && index < int(list.size()); }

}  // namespace

void TDesignerForm::ApplyUndoItem(TUndoList &list, uint8_t kind, uint8_t state, TUndoData &item)
{
    (void)list;
    TDesignObjects &doc = Objects();
    std::vector<TDrawRect *> &ZOrderList = doc.ZOrderList;
    StreamVersion = CurrentStreamVersion;
    const TRenderTarget target = RenderTarget();
    const auto insertAt = [&ZOrderList](TDrawRect *object, int zIndex) {
        ZOrderList.insert(ZOrderList.begin() + std::clamp(zIndex, 0, int(ZOrderList.size())), object);
    };
    const auto forget = [this](TDrawRect *object) {
        RemoveFromZOrder(object);
        const auto at = std::find(SelectedList.begin(), SelectedList.end(), object);
        if (at != SelectedList.end())
            SelectedList.erase(at);
    };
    if (kind == 0 || kind == 1) {
        auto *data = dynamic_cast<TDrawRectUndoData *>(&item);
        if (!data)
            return;
        const uint8_t k = data->GetFlag(state);
        const bool remove = (kind == 0 && state == 0) || (kind == 1 && state == 1);
        // Which list of free objects the kind keeps its objects in, and how a new one is made.
        const auto freeList = [&](auto &objects, auto make) {
            using T = typename std::decay_t<decltype(objects)>::value_type::element_type;
            if (remove) {
                if (!validIndex(objects, data->ListIndex))
                    return;
                forget(objects[size_t(data->ListIndex)].get());
                objects.erase(objects.begin() + data->ListIndex);
                return;
            }
            std::unique_ptr<T> object = make();
            if (!loadFrom(*object, *data, state))
                return;
            // The parts of a sender block keep their sizes in points: their heights follow the paper.
            if constexpr (std::is_same_v<T, TSenderRect>)
                object->UpdateFontHeight();
            object->SetZoom(ZoomRatio);
            object->Prepare(target, false);
            insertAt(object.get(), data->ZIndex);
            objects.insert(objects.begin() + std::clamp(data->ListIndex, 0, int(objects.size())), std::move(object));
        };
        if (k <= ObjectKind::Barcode) {
            if (!validIndex(FixedObjects, data->ListIndex))
                return;
            TDrawRect *object = FixedObjects[size_t(data->ListIndex)];
            if (remove) {
                forget(object);
                loadFrom(*object, *data, state);
                if (object->Visible)
                    FixedObjectToggled(object, false);
            } else {
                loadFrom(*object, *data, state);
                object->SetZoom(ZoomRatio);
                insertAt(object, data->ZIndex);
                if (object->Visible) {
                    FixedObjectToggled(object, true);
                    FixedObjectsChanged = 1;
                } else {
                    object->Visible = 1;
                }
            }
        } else if (k == ObjectKind::Illustration) {
            freeList(doc.IllustList, [] { return std::make_unique<TIllustRect>(); });
        } else if (k == ObjectKind::Word) {
            freeList(doc.WordList, [] { return std::make_unique<TWordRect>(); });
        } else if (k == ObjectKind::Figure) {
            freeList(doc.FigureList, [] { return std::make_unique<TFigureRect>(); });
        } else if (k == ObjectKind::QRCode) {
            freeList(doc.QRCodeList, [] { return std::make_unique<TQRCodeRect>(); });
        } else if (k == ObjectKind::Sender) {
            freeList(doc.SenderList, [] { return std::make_unique<TSenderRect>(); });
            // A block's stream keeps none of its sender's texts: it is filled again as the fixed objects are.
            if (!remove)
                FixedObjectsChanged = 1;
        }
        return;
    }
    if (kind == 2) {
        if (auto *form = dynamic_cast<TDataFormUndoData *>(&item)) {
            ApplyLayoutRecord(form->GetData(state));
            FixedObjectsChanged = 1;
            return;
        }
        auto *data = dynamic_cast<TDrawRectUndoData *>(&item);
        if (!data)
            return;
        const uint8_t k = data->GetFlag(state);
        TDrawRect *object = nullptr;
        if (k <= ObjectKind::Barcode) {
            if (!validIndex(FixedObjects, data->ListIndex))
                return;
            object = FixedObjects[size_t(data->ListIndex)];
            const uint8_t wasVisible = object->Visible;
            loadFrom(*object, *data, state);
            object->SetZoom(ZoomRatio);
            if (wasVisible != object->Visible) {
                if (!object->Visible)
                    RemoveFromZOrder(object);
                else if (data->ZIndex >= 0)
                    insertAt(object, data->ZIndex);
            }
            if (k == ObjectKind::Addition || k == ObjectKind::Barcode)
                FixedObjectsChanged = 1;
            return;
        }
        const auto change = [&](const auto &objects) {
            if (!validIndex(objects, data->ListIndex))
                return;
            auto &changed = *objects[size_t(data->ListIndex)];
            loadFrom(changed, *data, state);
            if constexpr (std::is_same_v<std::decay_t<decltype(changed)>, TSenderRect>) {
                changed.UpdateFontHeight();
                // Its stream keeps none of its sender's texts.
                FixedObjectsChanged = 1;
            }
            changed.SetZoom(ZoomRatio);
        };
        if (k == ObjectKind::Illustration)
            change(doc.IllustList);
        else if (k == ObjectKind::Word)
            change(doc.WordList);
        else if (k == ObjectKind::Figure)
            change(doc.FigureList);
        else if (k == ObjectKind::QRCode)
            change(doc.QRCodeList);
        else if (k == ObjectKind::Sender)
            change(doc.SenderList);
        return;
    }
    if (kind == 3) {
        auto *data = dynamic_cast<TRectUndoData *>(&item);
        if (!data)
            return;
        TDrawRect *object = validIndex(ZOrderList, data->ZIndex)           ? ZOrderList[size_t(data->ZIndex)]
                            : data->ZIndex < 0 && validIndex(FixedObjects, data->FixedIndex) ? FixedObjects[size_t(data->FixedIndex)]
                                                                                             : nullptr;
        if (object) {
            SelectSenderPart(object, data->Part);
            object->SetRect(data->GetRect(state));
        }
        return;
    }
    if (kind == 4) {
        auto *data = dynamic_cast<TZOrderUndoData *>(&item);
        if (!data || !validIndex(ZOrderList, data->FromIndex) || !validIndex(ZOrderList, data->ToIndex))
            return;
        const int from = state == 0 ? data->ToIndex : data->FromIndex;
        const int to = state == 0 ? data->FromIndex : data->ToIndex;
        TDrawRect *object = ZOrderList[size_t(from)];
        ZOrderList.erase(ZOrderList.begin() + from);
        ZOrderList.insert(ZOrderList.begin() + to, object);
    }
}

// ---- Illustrations from picture files ----

bool TDesignerForm::AddIllustrationFile(const QString &fileName, QPoint point, bool asNew, QSize *tooLarge)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto *focused = asNew ? nullptr : dynamic_cast<TIllustRect *>(FocusedObject());
    int resolution = 72;
    // A photograph is decoded for the object it goes to: the focused one keeps its size, a new one takes the
    // picture's own size within the printable area.
    const auto cover = [&](QSize pictureSize) {
        if (focused)
            return PictureCover(QSize(focused->GetRect().Width(), focused->GetRect().Height()));
        return PictureCover(PictureLayoutSize(pictureSize, resolution, PrintableArea, PaperWidth, PaperHeight));
    };
    std::unique_ptr<TGraphic> picture;
    try {
        picture = LoadPictureFile(fileName, resolution, cover);
    } catch (const EJpegTooLarge &e) {
        if (tooLarge)
            *tooLarge = e.PictureSize();
    } catch (const EStreamError &) {
    }
    if (!picture) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    TDesignObjects &doc = Objects();
    if (!asNew) {
        if (TIllustRect *illust = focused) {
            illust->SetPicture(picture.get());
            illust->Resolution = resolution;
            PendingUndo->UpdateObject(0, *illust, 1);
        }
    } else {
        auto illust = std::make_unique<TIllustRect>();
        illust->SetPicture(picture.get());
        illust->Resolution = resolution;
        const QSize size = PictureLayoutSize(illust->PictureSize(), resolution, PrintableArea, PaperWidth,
                                             PaperHeight);
        illust->SetRect(TRect{point.x(), point.y(), point.x() + size.width(), point.y() + size.height()});
        illust->SetZoom(ZoomRatio);
        if (SnapOn() && GridPitch > 0) {
            const TRect shown = illust->GetDispRect();
            const int left = shown.Left / GridPitch * GridPitch, top = shown.Top / GridPitch * GridPitch;
            illust->SetDispRect(OffsetRect(shown, left - shown.Left, top - shown.Top));
        }
        TIllustRect *added = illust.get();
        doc.IllustList.push_back(std::move(illust));
        doc.ZOrderList.insert(doc.ZOrderList.begin(), added);
        // Its item follows the illustrations already listed, before the texts, figures and QR codes.
        int item = 1;
        while (item < cbxViewRect->count() && !cbxViewRect->itemText(item).startsWith(QStringLiteral("イラスト")))
            ++item;
        while (item < cbxViewRect->count() && cbxViewRect->itemText(item).startsWith(QStringLiteral("イラスト")))
            ++item;
        cbxViewRect->insertItem(item, QStringLiteral("イラスト") + QString::number(doc.IllustList.size()),
                                QVariant::fromValue(quintptr(static_cast<TDrawRect *>(added))));
        SelectedList.push_back(added);
        PendingUndo->AddDrawRect(*added, 0, 1, int(doc.IllustList.size()) - 1);
    }
    Modified = 1;
    pnlCard->update();
    QApplication::restoreOverrideCursor();
    return true;
}

void TDesignerForm::actIllustExecute()
{
    if (!ImagePicker) {
        ImagePicker = std::make_unique<TImagePicker>(this);
        connect(ImagePicker.get(), &TImagePicker::FileChosen, this, &TDesignerForm::PickerFileChosen);
    }
    ImagePicker->Show();
}

void TDesignerForm::PickerFileChosen(const QByteArray &fileName)
{
    if (InPreview() || !isEnabled() || !DocumentOpen)
        return;
    // The name comes from another program: only a file that exists is taken.
    const QString file = QString::fromLocal8Bit(fileName);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return;
    TDesignObjects &doc = Objects();
    auto *focused = dynamic_cast<TIllustRect *>(FocusedObject());
    if (focused) {
        PendingUndo = std::make_unique<TUndoDatas>(2);
        PendingUndo->AddDrawRect(*focused, doc.ZIndexOf(focused), 0, doc.FreeIndexOf(focused));
        StoreSelection(0);
    } else {
        ClearSelection();
        PendingUndo = std::make_unique<TUndoDatas>(0);
    }
    const QPoint at(std::max(PrintableArea.Left, 0), std::max(PrintableArea.Top, 0));
    QSize tooLarge;
    if (!AddIllustrationFile(file, at, focused == nullptr, &tooLarge)) {
        PendingUndo.reset();
        TellPicturesUnreadable(tooLarge);
        return;
    }
    if (!focused) {
        FocusedIndex = 0;
        SyncObjectList();
    }
    CommitStep();
    UpdateCaption();
}

void TDesignerForm::TellPicturesUnreadable(QSize tooLarge)
{
    ShowMessageBoxAt(this, tooLarge.isValid() ? PictureTooLargeMessage(tooLarge) : QString::fromUtf8(PictureUnreadableMessage),
                     AppTitle, MB_ICONINFORMATION);
}

void TDesignerForm::pmiIllustDefClick()
{
    if (!dynamic_cast<TIllustRect *>(FocusedObject()))
        return;
    std::vector<TDrawRect *> pictures;
    std::copy_if(SelectedList.begin(), SelectedList.end(), std::back_inserter(pictures),
                 [](const TDrawRect *object) { return object->GetKind() == ObjectKind::Illustration; });
    MoveObjects(pictures, [&](int i) {
        const auto &picture = static_cast<const TIllustRect &>(*pictures[size_t(i)]);
        const TRect r = picture.GetRect();
        // A damaged picture left out of the document may not even tell its size: the object stays as it is.
        if (picture.PictureSize().isEmpty())
            return r;
        const QSize size = PictureLayoutSize(picture.PictureSize(), picture.Resolution, PrintableArea,
                                             PaperWidth, PaperHeight);
        const int left = std::max(r.Left, 0), top = std::max(r.Top, 0);
        return TRect{left, top, left + size.width(), top + size.height()};
    });
    MarkModified();
}

void TDesignerForm::ConnectEditActions()
{
    const auto withTag = [this](std::initializer_list<QAction *> actions, void (TDesignerForm::*handler)(int)) {
        int tag = 0;
        for (QAction *action : actions) {
            action->setData(tag++);
            connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action->data().toInt()); });
        }
    };
    connect(actUndo, &QAction::triggered, this, [this] { actUndoExecute(false); });
    connect(actRedo, &QAction::triggered, this, [this] { actUndoExecute(true); });
    connect(actCopy, &QAction::triggered, this, &TDesignerForm::actCopyExecute);
    connect(actPaste, &QAction::triggered, this, &TDesignerForm::actPasteExecute);
    connect(actDelete, &QAction::triggered, this, &TDesignerForm::actDeleteExecute);
    withTag({actPaperCenterV, actPaperCenterH, actPaperCenter}, &TDesignerForm::actRectPositionExecute);
    withTag({actRectTop, actRectBottom, actRectRight, actRectLeft, actRectCenterV, actRectCenterH, actRectCenter,
             actRectWidth, actRectHeight, actRectSize},
            &TDesignerForm::actRectUniteExecute);
    withTag({actEqualPaperH, actEqualPaperV, actEqualEndsH, actEqualEndsV}, &TDesignerForm::actEqualExecute);
    withTag({actTop, actUp, actDown, actBottom}, &TDesignerForm::actZOrderExecute);
    connect(actDefaultLayout, &QAction::triggered, this, &TDesignerForm::actDefaultLayoutExecute);
    withTag({actWord, actWordEdit}, &TDesignerForm::actWordExecute);
    withTag({actFigure, actFigureSet}, &TDesignerForm::actFigureExecute);
    connect(actIllustSet, &QAction::triggered, this, &TDesignerForm::actIllustSetExecute);
    withTag({actQRCode, actQRCodeSet}, &TDesignerForm::actQRCodeExecute);
    connect(actWordSet, &QAction::triggered, this, &TDesignerForm::actWordSetExecute);
    connect(actFont, &QAction::triggered, this, &TDesignerForm::actFontExecute);
    connect(actIllust, &QAction::triggered, this, &TDesignerForm::actIllustExecute);
    connect(pmiIllustDef, &QAction::triggered, this, &TDesignerForm::pmiIllustDefClick);
}
