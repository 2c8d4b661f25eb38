// What keeps the address designer consistent around its commands: which commands are enabled, the recent
// files, the card's pop-up menu, and undo and redo applied back onto the objects and lists.
#include "designers/Layout.h"

#include "base/Numbers.h"
#include "core/Globals.h"
#include "designers/CanvasGeometry.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordFormServices.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

void TLayoutForm::UpdateActions()
{
    const bool open = DocumentOpen != 0;
    for (QAction *action : {actClose, actSaveAs, actPrintSet, actPrint, actSenderEdit, actIllust, actWord, actFigure,
                            actQRCode, actFormat, actDetail, actDataForm})
        action->setEnabled(open);
    actSave->setEnabled(Modified || (open && DocumentFile.isEmpty()));
    actUndo->setEnabled(UndoList.CanUndo());
    actRedo->setEnabled(UndoList.CanRedo());
    const bool needsData = PrintParts == 0 || (PrintParts == 1 && PaperFormat.CombinedRectCount >= 5);
    const int records = AddressList ? AddressList->GetRecordCount() : 0;
    const int row = AddressList ? AddressList->GetSelectedIndex() : -1;
    for (QAction *action : {actFirst, actPrior, actNext, actLast}) {
        const bool forward = action->data().toInt() >= 2;
        action->setEnabled(open && needsData && records > 0 && (forward ? row < records - 1 : row > 0));
    }
    actEditData->setEnabled(open && needsData && records > 0);
    actSender->setEnabled(open && PrintParts != 2 && PaperFormat.CombinedRectCount > 4);
    actBarcodeSet->setEnabled(open && PrintParts != 2 && !NoBarcode);
    const TDrawRect *focused = FocusedObject();
    const int kind = focused ? focused->GetKind() : -1;
    const bool freeObject = kind >= ObjectKind::Illustration && kind <= ObjectKind::QRCode;
    actCopy->setEnabled(open && freeObject);
    // The clipboard of drawing objects is not built yet, so there is never anything to paste.
    actPaste->setEnabled(false);
    actFont->setEnabled(dynamic_cast<const TMetaRect *>(focused) != nullptr);
    actRectPos->setEnabled(focused != nullptr);
    const bool several = SelectedList.size() >= 2;
    for (QAction *action : {actRectUnite, actEqualPaperH, actEqualPaperV, actEqualEndsH, actEqualEndsV})
        action->setEnabled(several);
    actZOrder->setEnabled(focused != nullptr);
    if (focused) {
        const auto selected = [this](const TDrawRect *object) {
            return std::find(SelectedList.begin(), SelectedList.end(), object) != SelectedList.end();
        };
        const bool top = !ZOrderList.empty() && !selected(ZOrderList.front());
        const bool bottom = !ZOrderList.empty() && !selected(ZOrderList.back());
        actTop->setEnabled(top);
        actUp->setEnabled(top);
        actBottom->setEnabled(bottom);
        actDown->setEnabled(bottom);
    }
    actDelete->setEnabled(focused && (kind >= ObjectKind::Barcode || SplitLayout == 1));
    actDefaultLayout->setEnabled(open && !freeObject);
    actAdrsList->setEnabled(AddressList != nullptr);
    actAdrsView->setEnabled(RecordForm != nullptr);
    actRecent->setEnabled(!RecentFiles.isEmpty());
    mmiRecent->setEnabled(!RecentFiles.isEmpty());
    if (RecentMenuDirty || mmiRecent->actions().size() != RecentFiles.size())
        UpdateRecentMenu();
}

void TLayoutForm::UpdateRecentMenu()
{
    // The newest copy of a repeated entry stays; at most five are kept.
    RecentFiles.removeDuplicates();
    while (RecentFiles.size() > 5)
        RecentFiles.removeLast();
    mmiRecent->clear();
    for (int i = 0; i < RecentFiles.size(); ++i) {
        QAction *item = mmiRecent->addAction(QStringLiteral("&%1 ").arg(i + 1)
                                             + QFileInfo(RecentFiles[i]).completeBaseName());
        item->setStatusTip(QStringLiteral("最近開いた宛名レイアウトを開きます"));
        item->setEnabled(QFileInfo::exists(RecentFiles[i]));
        connect(item, &QAction::triggered, this, [this, i] { mmiRecentClick(i); });
    }
    RecentMenuDirty = 0;
}

void TLayoutForm::mmiRecentClick(int index)
{
    if (DocumentOpen && !DocumentFile.isEmpty() && index == 0)
        return;
    if (index < 0 || index >= RecentFiles.size() || !ConfirmDiscard())
        return;
    const QString name = QFileInfo(RecentFiles[index]).completeBaseName();
    ClearDocument();
    DocumentOpen = 0;
    bvSpacer->setGeometry(QRect());
    pnlCard->setGeometry(QRect());
    pnlCard->hide();
    OpenDocument(LayoutFolder + name + QStringLiteral(".gpl"));
}

void TLayoutForm::PopupMenuPopup()
{
    UpdateActions();
    const TDrawRect *focused = FocusedObject();
    const int kind = focused ? focused->GetKind() : -1;
    const bool freeObject = kind >= ObjectKind::Illustration && kind <= ObjectKind::QRCode;
    for (const auto &[item, source] : PopupItems) {
        item->setEnabled(source->isEnabled());
        item->setChecked(source->isChecked());
        item->setVisible(!freeObject);
    }
    pmiBorder1->setVisible(!freeObject);
    pmiBorder2->setVisible(!freeObject);
    UpdateObjectActions();
}

// ---- Undo and redo ----

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

void TLayoutForm::ApplyUndoItem(TUndoList &list, uint8_t kind, uint8_t state, TUndoData &item)
{
    (void)list;
    StreamVersion = CurrentStreamVersion;
    const TRenderTarget target = PrinterInfo ? PrinterInfo->RenderTarget() : TRenderTarget{};
    const auto insertAt = [this](TDrawRect *object, int zIndex) {
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
                if (object->Visible) {
                    PrintParts = 1;
                    actSender->setChecked(false);
                }
            } else {
                loadFrom(*object, *data, state);
                object->SetZoom(ZoomRatio);
                insertAt(object, data->ZIndex);
                if (object->Visible) {
                    PrintParts = 0;
                    actSender->setChecked(true);
                    FixedObjectsChanged = 1;
                } else {
                    object->Visible = 1;
                }
            }
        } else if (k == ObjectKind::Illustration) {
            freeList(IllustList, [] { return std::make_unique<TIllustRect>(); });
        } else if (k == ObjectKind::Word) {
            freeList(WordList, [] { return std::make_unique<TWordRect>(); });
        } else if (k == ObjectKind::Figure) {
            freeList(FigureList, [] { return std::make_unique<TFigureRect>(); });
        } else if (k == ObjectKind::QRCode) {
            freeList(QRCodeList, [] { return std::make_unique<TQRCodeRect>(); });
        }
        return;
    }
    if (kind == 2) {
        if (auto *form = dynamic_cast<TDataFormUndoData *>(&item)) {
            const TDataFormRecord data = form->GetData(state);
            PrintForm = PrintFormFromBytes(reinterpret_cast<const char *>(data.data()));
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
            TDrawRect &changed = *objects[size_t(data->ListIndex)];
            loadFrom(changed, *data, state);
            changed.SetZoom(ZoomRatio);
        };
        if (k == ObjectKind::Illustration)
            change(IllustList);
        else if (k == ObjectKind::Word)
            change(WordList);
        else if (k == ObjectKind::Figure)
            change(FigureList);
        else if (k == ObjectKind::QRCode)
            change(QRCodeList);
        return;
    }
    if (kind == 3) {
        auto *data = dynamic_cast<TRectUndoData *>(&item);
        if (!data)
            return;
        TDrawRect *object = validIndex(ZOrderList, data->ZIndex)           ? ZOrderList[size_t(data->ZIndex)]
                            : data->ZIndex < 0 && validIndex(FixedObjects, data->FixedIndex) ? FixedObjects[size_t(data->FixedIndex)]
                                                                                             : nullptr;
        if (object)
            object->SetRect(data->GetRect(state));
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

bool TLayoutForm::AddIllustrationFile(const QString &fileName, QPoint point, bool asNew)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int resolution = 72;
    std::unique_ptr<TGraphic> picture;
    try {
        picture = LoadPictureFile(fileName, resolution);
    } catch (const EStreamError &) {
    }
    if (!picture) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    if (!asNew) {
        auto *illust = dynamic_cast<TIllustRect *>(FocusedObject());
        if (illust) {
            illust->SetPicture(picture.get());
            PendingUndo->UpdateObject(0, *illust, 1);
        }
    } else {
        auto illust = std::make_unique<TIllustRect>();
        illust->SetPicture(picture.get());
        const QSize size = PictureLayoutSize(illust->GetPicture().size(), resolution, PrintableArea, PaperWidth,
                                             PaperHeight);
        illust->SetRect(TRect{point.x(), point.y(), point.x() + size.width(), point.y() + size.height()});
        illust->SetZoom(ZoomRatio);
        if (SnapOn() && GridPitch > 0) {
            const TRect shown = illust->GetDispRect();
            const int left = shown.Left / GridPitch * GridPitch, top = shown.Top / GridPitch * GridPitch;
            illust->SetDispRect(OffsetRect(shown, left - shown.Left, top - shown.Top));
        }
        TIllustRect *added = illust.get();
        IllustList.push_back(std::move(illust));
        AddToZOrder(added, false);
        // Its item follows the illustrations already listed, before the texts, figures and QR codes.
        int item = 1;
        while (item < cbxViewRect->count() && !cbxViewRect->itemText(item).startsWith(QStringLiteral("イラスト")))
            ++item;
        while (item < cbxViewRect->count() && cbxViewRect->itemText(item).startsWith(QStringLiteral("イラスト")))
            ++item;
        cbxViewRect->insertItem(item, QStringLiteral("イラスト") + QString::number(IllustList.size()),
                                QVariant::fromValue(quintptr(static_cast<TDrawRect *>(added))));
        SelectedList.push_back(added);
        PendingUndo->AddDrawRect(*added, 0, 1, int(IllustList.size()) - 1);
    }
    Modified = 1;
    pnlCard->update();
    QApplication::restoreOverrideCursor();
    return true;
}

void TLayoutForm::FilesDropped(const QStringList &files, Qt::KeyboardModifiers keys, QPoint point,
                               Qt::DropAction &effect)
{
    (void)keys;
    (void)effect;
    if (InPreview() || !DocumentOpen)
        return;
    ClearSelection();
    PendingUndo = std::make_unique<TUndoDatas>(0);
    const QPoint card = pnlCard->mapFromGlobal(point);
    const QPoint at(int(RoundHalfAway(card.x() / ZoomRatio)), int(RoundHalfAway(card.y() / ZoomRatio)));
    bool made = false;
    for (const QString &file : files)
        made = AddIllustrationFile(file, at, true) || made;
    if (!made) {
        PendingUndo.reset();
        return;
    }
    TDrawRect *last = IllustList.back().get();
    FocusedIndex = int(std::find(SelectedList.begin(), SelectedList.end(), last) - SelectedList.begin());
    SyncObjectList();
    StoreSelection(1);
    UndoList.Add(std::move(PendingUndo));
    UpdateCaption();
}
