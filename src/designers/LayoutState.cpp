// What keeps the address designer consistent around its commands: which commands are enabled, the recent
// files, the card's pop-up menu, and undo and redo applied back onto the objects and lists.
#include "designers/Layout.h"

#include "base/Numbers.h"
#include "base/Units.h"
#include "core/Globals.h"
#include "designers/CanvasGeometry.h"
#include "designers/DrawClipboard.h"
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
    // A label shows the record on every paper: it steps through the list as a postcard with a sender does.
    const bool needsData = NeedsData();
    const int records = AddressList ? AddressList->GetRecordCount() : 0;
    const int row = AddressList ? AddressList->GetSelectedIndex() : -1;
    for (QAction *action : {actFirst, actPrior, actNext, actLast}) {
        const bool forward = action->data().toInt() >= 2;
        action->setEnabled(open && needsData && records > 0 && (forward ? row < records - 1 : row > 0));
    }
    actEditData->setEnabled(open && needsData && records > 0);
    actSender->setEnabled(open && PrintParts != 2 && PaperFormat.CombinedRectCount > 4);
    // A label's or card's dialog also chooses the additions' items, with or without a barcode.
    actBarcodeSet->setEnabled(open && PrintParts != 2 && (!NoBarcode || Layout.HasRecordItems()));
    const TDrawRect *focused = FocusedObject();
    const int kind = focused ? focused->GetKind() : -1;
    const bool freeObject = kind >= ObjectKind::Illustration && kind <= ObjectKind::QRCode;
    actCopy->setEnabled(open && freeObject);
    actPaste->setEnabled(open && DrawClipboard != nullptr);
    actFont->setEnabled(ObjectFont(focused) != nullptr);
    for (QAction *action : {actRectPos, actPaperCenterV, actPaperCenterH, actPaperCenter})
        action->setEnabled(focused != nullptr);
    const bool several = SelectedList.size() >= 2;
    for (QAction *action : {actRectUnite, actRectTop, actRectBottom, actRectRight, actRectLeft, actRectCenterV,
                            actRectCenterH, actRectCenter, actRectWidth, actRectHeight, actRectSize, actEqualPaperH,
                            actEqualPaperV, actEqualEndsH, actEqualEndsV})
        action->setEnabled(several);
    actZOrder->setEnabled(focused != nullptr);
    const bool top = focused && !ZOrderList.empty() && !IsSelected(ZOrderList.front());
    const bool bottom = focused && !ZOrderList.empty() && !IsSelected(ZOrderList.back());
    actTop->setEnabled(top);
    actUp->setEnabled(top);
    actBottom->setEnabled(bottom);
    actDown->setEnabled(bottom);
    actDelete->setEnabled(focused && (kind >= ObjectKind::Barcode || SplitLayout == 1));
    // A letter body has no fixed places: only a sender block has a default arrangement.
    actDefaultLayout->setEnabled(open && !freeObject && (Layout.Kind != DesignDocument || kind == ObjectKind::Sender));
    actAdrsList->setEnabled(AddressList != nullptr);
    actAdrsView->setEnabled(RecordForm != nullptr);
    actRecent->setEnabled(!RecentFiles.isEmpty());
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
    OpenDocument(DocumentPath(name));
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
        item->setVisible(!freeObject && source->isVisible());
    }
    pmiBorder1->setVisible(!freeObject);
    pmiBorder2->setVisible(!freeObject);
    UpdateObjectActions();
}


TRenderTarget TLayoutForm::RenderTarget() const
{
    return PrinterInfo ? PrinterInfo->RenderTarget() : TRenderTarget{};
}

TRect TLayoutForm::RecordItemRect(int row) const { return LabelItemRect(PaperFormat, row); }

TRect TLayoutForm::DefaultRect(int fixedIndex) const
{
    if (Layout.HasRecordItems()) {
        const int first = SplitLayout ? FirstSplitAddition : CombinedObjectCount;
        if (fixedIndex >= first && fixedIndex < first + 4)
            return RecordItemRect(fixedIndex - first);
    }
    const int count = SplitLayout ? std::min(PaperFormat.SplitRectCount, SplitObjectCount)
                                  : std::min(PaperFormat.CombinedRectCount, CombinedObjectCount);
    if (fixedIndex < 0 || fixedIndex >= count)
        return {};
    const TFormatRect &r = SplitLayout ? PaperFormat.SplitRects[size_t(fixedIndex)]
                                       : PaperFormat.CombinedRects[size_t(fixedIndex)];
    return TRect{r.Left, r.Top, r.Right, r.Bottom};
}

bool TLayoutForm::CanDeleteFixed(const TDrawRect *object) const
{
    return SplitLayout == 1 || TDesignerForm::CanDeleteFixed(object);
}

void TLayoutForm::FixedObjectToggled(TDrawRect *object, bool shown)
{
    (void)object;
    PrintParts = shown ? 0 : 1;
    actSender->setChecked(shown);
}

void TLayoutForm::ApplyLayoutRecord(const TDataFormRecord &data)
{
    PrintForm = PrintFormFromBytes(reinterpret_cast<const char *>(data.data()));
}

// ---- Illustrations from picture files ----


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
    bool leftOut = false;
    QSize tooLarge;
    for (const QString &file : files) {
        const bool added = AddIllustrationFile(file, at, true, tooLarge.isValid() ? nullptr : &tooLarge);
        made = made || added;
        leftOut = leftOut || !added;
    }
    if (!made) {
        PendingUndo.reset();
    } else {
        TDrawRect *last = IllustList.back().get();
        FocusedIndex = int(std::find(SelectedList.begin(), SelectedList.end(), last) - SelectedList.begin());
        SyncObjectList();
        StoreSelection(1);
        UndoList.Add(std::move(PendingUndo));
        UpdateCaption();
    }
    if (leftOut)
        TellPicturesUnreadable(tooLarge);
}
