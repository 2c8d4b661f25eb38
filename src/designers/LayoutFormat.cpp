// The address designer's own layout commands: the paper change, the layout details, the data form and the
// barcode setting. The paper change and the detail command rebuild what the history's steps point at, so they
// empty the history.
#include "designers/Layout.h"

#include "base/Units.h"
#include "core/SharedHelpers.h"
#include "designers/AddInfo.h"
#include "designers/DataFrm.h"
#include "designers/DesignGeometry.h"
#include "designers/LytDtl.h"
#include "designers/LytFmt.h"
#include "drawing/AdditionRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/NameRect.h"
#include "drawing/SenderRect.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

namespace {

bool hasSenderPart(const TPaperFormat &paper) { return paper.CombinedRectCount > 4; }

// The bytes [first, first + count) of the record from into the record to.
void copyPrintFormBytes(const TPrintForm &from, TPrintForm &to, int first, int count)
{
    QByteArray bytes = PrintFormBytes(to);
    bytes.replace(first, count, PrintFormBytes(from).mid(first, count));
    to = PrintFormFromBytes(bytes.constData());
}

// Shows the detail dialog over owner, from the print form, and takes the sizes and spacing chosen into it;
// false when the dialog was cancelled.
bool runDetailDialog(TLayoutDetailDialog &dialog, QWidget *owner, TPrintForm &form)
{
    dialog.SetDetail(form);
    CenterFormOnOwner(&dialog, owner);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return false;
    owner->update();
    TPrintForm chosen = form;
    dialog.GetDetail(chosen);
    copyPrintFormBytes(chosen, form, 60, 41);
    return true;
}

// The detail dialog's sender and contact boxes are the parts a sender block shows in its second layout.
void showBlockParts(TLayoutDetailDialog &dialog, TSenderRect &block)
{
    dialog.SetSenderPosChecked(block.GetPosVisible());
    for (int i = 0; i < 3; ++i)
        dialog.SetSenderAddressChecked(i, block.GetAddressVisible(i));
    dialog.SetSenderNameChecked(block.GetNameVisible());
    dialog.SetSenderCorpChecked(block.GetCorpVisible());
    dialog.SetSenderDptmntChecked(block.GetDepartmentVisible(0));
    dialog.SetSenderPostChecked(block.GetPostVisible());
    for (int i = 0; i < 4; ++i)
        dialog.SetAdditionChecked(i, block.GetAddition2(i)->Visible != 0);
}

// The block takes the dialog's parts while its second layout is current, so they are placed in that layout,
// and then the layout chosen: the second when the items are chosen by hand, else the first.
void takeBlockParts(const TLayoutDetailDialog &dialog, TSenderRect &block)
{
    block.SetLayout(0);
    block.SetPosVisible(dialog.GetSenderPosChecked());
    for (int i = 0; i < 3; ++i)
        block.SetAddressVisible(i, dialog.GetSenderAddressChecked(i));
    block.SetNameVisible(dialog.GetSenderNameChecked());
    block.SetCorpVisible(dialog.GetSenderCorpChecked());
    // The row has one department; its second line goes with it.
    for (int i = 0; i < 2; ++i)
        block.SetDepartmentVisible(i, dialog.GetSenderDptmntChecked());
    block.SetPostVisible(dialog.GetSenderPostChecked());
    for (int i = 0; i < 4; ++i)
        block.SetAddition2Visible(i, dialog.GetAdditionChecked(i));
    block.SetLayout(dialog.Manual() ? 0 : 1);
    block.ClearSelection();
}

}  // namespace

void TLayoutForm::actFormatExecute()
{
    const int oldNumber = FormatNumber;
    const TPaperFormat oldPaper = PaperFormat;
    const uint8_t oldParts = PrintParts;
    TPaperChoice choice;
    if (!ChoosePaper(choice, true))
        return;
    FormatNumber = choice.Number;
    PaperFormat = choice.Paper;
    SheetFormat = choice.Sheet;
    NoBarcode = choice.NoBarcode;
    BarSize = uint8_t(choice.BarSize);
    if (PaperFormat.Kind != 0)
        PrintParts = choice.SenderSide ? 2 : 1;
    else
        PrintParts = hasSenderPart(PaperFormat) ? 0 : 1;
    actSender->setChecked(PrintParts == 0 || PrintParts == 2);
    update();
    if (FormatNumber == oldNumber && PrintParts == oldParts)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QSize oldSize(PaperWidth, PaperHeight);
    PaperScale = std::max(PaperFormat.Width, PaperFormat.Height);
    PaperWidth = LayoutUnits(PaperFormat.Width);
    PaperHeight = LayoutUnits(PaperFormat.Height);
    SetupPrinterPage();
    for (TDrawRect *object : FixedObjects)
        RemoveFromZOrder(object);
    if (!ZOrderList.empty() && (PaperFormat.Width != oldPaper.Width || PaperFormat.Height != oldPaper.Height)) {
        QApplication::restoreOverrideCursor();
        const bool scale = ShowMessageBoxAt(this, QStringLiteral("配置されている枠を、新しい用紙にあわせて拡大/縮小しますか？　"),
                                            AppTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (TDrawRect *object : ZOrderList)
            object->SetRect(scale ? ScaleToPaper(object->GetRect(), oldSize, Paper())
                                  : BringOntoPaper(object->GetRect(), Paper()));
    }
    BackgroundSource = QImage();
    BackgroundBitmap = QImage();
    if (ShowsPaperPicture())
        BackgroundSource = LoadPaperPicture(PaperFormat.PictureFile, QSize(PaperWidth * 3, PaperHeight * 3));
    SplitSwitching = 1;
    if (SplitLayout == 1) {
        SetSplitLayout(0);
    } else {
        ListFixedSet(0);
    }
    SplitSwitching = 0;
    // A barcode larger than the new paper takes is made smaller before it is placed, so it keeps the corner the
    // paper gives it, as on a new layout: made smaller about its middle there, it would reach past a narrower
    // label's edge.
    auto &barcode = static_cast<TBarcodeRect &>(*CombinedObjects[CombinedBarcodeIndex]);
    if (barcode.Visible && barcode.BarSize() > BarSize)
        barcode.SetBarSize(BarSize);
    // A paper file may count more rectangles than the sets have objects: the rest are not ours to place.
    const uint8_t horizontal = PaperFormat.Direction != 0 ? 1 : 0;
    const auto place = [horizontal](TDrawRect *object, const TFormatRect &r) {
        if (auto *bars = dynamic_cast<TBarcodeRect *>(object)) {
            bars->SetHorizontal(horizontal);
        } else if (auto *text = dynamic_cast<TMetaRect *>(object)) {
            text->SetDirection(horizontal);
            text->UpdateFontHeight();
        }
        object->SetRect(TRect{r.Left, r.Top, r.Right, r.Bottom});
    };
    for (int i = 0; i < std::min(PaperFormat.CombinedRectCount, CombinedObjectCount); ++i)
        place(CombinedObjects[size_t(i)].get(), PaperFormat.CombinedRects[size_t(i)]);
    for (int i = 0; i < std::min(PaperFormat.SplitRectCount, SplitObjectCount); ++i)
        place(SplitObjects[size_t(i)].get(), PaperFormat.SplitRects[size_t(i)]);
    if (barcode.Visible && (PrintParts == 2 || NoBarcode)) {
        barcode.ClearImage();
        barcode.Visible = 0;
    }
    const auto onTop = [this](TDrawRect *object) {
        if (Layout.ZIndexOf(object) < 0)
            ZOrderList.insert(ZOrderList.begin(), object);
    };
    // A letter body prints no receiver or sender places, whatever its paper has.
    const bool addressSide = Layout.Kind != DesignDocument;
    if (addressSide && (PrintParts == 0 || PrintParts == 1)) {
        for (int i : {0, 1, 2})
            onTop(CombinedObjects[size_t(i)].get());
        if (barcode.Visible)
            onTop(&barcode);
        if (Layout.HasRecordItems())
            for (int row = 0; row < 4; ++row)
                if (Layout.RecordItem(row).Visible)
                    onTop(&Layout.RecordItem(row));
    }
    // The additions, shown or not, take their places on this paper as the other fixed objects do: those of the
    // last label may lie under this one's foot.
    if (Layout.HasRecordItems())
        for (int row = 0; row < 4; ++row)
            Layout.RecordItem(row).SetRect(RecordItemRect(row));
    if (addressSide && (PrintParts == 0 || PrintParts == 2)) {
        for (int i : {4, 5, 6, 7, 8})
            if (CombinedObjects[size_t(i)]->Visible)
                onTop(CombinedObjects[size_t(i)].get());
    }
    RefillFixedObjects();
    ClearSelection();
    UndoList.Clear();
    FillObjectList();
    Modified = 1;
    UpdateCaption();
    ZoomRatio = 0;
    sbxPreviewResize();
    QApplication::restoreOverrideCursor();
    TellUnreadableLabel();
}

void TLayoutForm::actDetailExecute()
{
    if (Layout.Kind == DesignDocument) {
        SenderBlockDetail();
        return;
    }
    const bool senderPart = hasSenderPart(PaperFormat);
    TLayoutDetailDialog dialog(this);
    dialog.SetPrintKind(PaperFormat.Kind);
    dialog.SetManual(SplitLayout == 1);
    dialog.SetItemGroups(senderPart ? 0 : 1);
    const auto shown = [this](int i) { return SplitObjects[size_t(i)]->Visible != 0; };
    dialog.SetPosChecked(shown(0));
    for (int i = 0; i < 3; ++i)
        dialog.SetAddressChecked(i, shown(1 + i));
    dialog.SetNameChecked(shown(7));
    dialog.SetCorpChecked(shown(4));
    dialog.SetDptmntChecked(shown(5));
    dialog.SetPostChecked(shown(6));
    if (senderPart) {
        dialog.SetSenderPosChecked(shown(9));
        for (int i = 0; i < 3; ++i)
            dialog.SetSenderAddressChecked(i, shown(10 + i));
        dialog.SetSenderNameChecked(shown(16));
        dialog.SetSenderCorpChecked(shown(13));
        dialog.SetSenderDptmntChecked(shown(14));
        dialog.SetSenderPostChecked(shown(15));
        for (int i = 0; i < 4; ++i)
            dialog.SetAdditionChecked(i, shown(17 + i));
    }
    if (!runDetailDialog(dialog, this, PrintForm))
        return;
    Layout.ApplyPrintForm();
    const auto take = [this](int i, bool checked) { SplitObjects[size_t(i)]->Visible = checked ? 1 : 0; };
    take(0, dialog.GetPosChecked());
    for (int i = 0; i < 3; ++i)
        take(1 + i, dialog.GetAddressChecked(i));
    take(7, dialog.GetNameChecked());
    take(4, dialog.GetCorpChecked());
    take(5, dialog.GetDptmntChecked());
    take(6, dialog.GetPostChecked());
    if (senderPart) {
        take(9, dialog.GetSenderPosChecked());
        for (int i = 0; i < 3; ++i)
            take(10 + i, dialog.GetSenderAddressChecked(i));
        take(16, dialog.GetSenderNameChecked());
        take(13, dialog.GetSenderCorpChecked());
        take(14, dialog.GetSenderDptmntChecked());
        take(15, dialog.GetSenderPostChecked());
        for (int i = 0; i < 4; ++i)
            take(17 + i, dialog.GetAdditionChecked(i));
    }
    if (dialog.Manual() != (SplitLayout == 1)) {
        SetSplitLayout(dialog.Manual() ? 1 : 0);
        RefillFixedObjects();
        ClearSelection();
        FillObjectList();
        ZoomRatio = 0;
        sbxPreviewResize();
    } else {
        for (TDrawRect *object : FixedObjects)
            if (auto *text = dynamic_cast<TMetaRect *>(object))
                text->UpdateFontHeight();
        bool changed = false;
        if (SplitLayout == 1) {
            for (int i = 0; i < SplitObjectCount; ++i) {
                const bool receiver = i < 9;
                if (i == SplitBarcodeIndex || !(receiver ? PrintParts != 2 : PrintParts != 1))
                    continue;
                TDrawRect *object = SplitObjects[size_t(i)].get();
                const bool stacked = Layout.ZIndexOf(object) >= 0;
                if (object->Visible && !stacked) {
                    ZOrderList.insert(ZOrderList.begin(), object);
                    object->SetZoom(ZoomRatio);
                    changed = true;
                } else if (!object->Visible && stacked) {
                    RemoveFromZOrder(object);
                    changed = true;
                }
            }
        }
        if (changed) {
            ClearSelection();
            FillObjectList();
            ZoomRatio = 0;
            sbxPreviewResize();
        }
        RefillFixedObjects();
    }
    // The steps recorded so far point at objects and places this change has rebuilt.
    UndoList.Clear();
    MarkModified();
    TellUnreadableLabel();
}

void TLayoutForm::TellUnreadableLabel()
{
    if (!Layout.HasRecordItems() || !NeedsData())
        return;
    const QSize label(TenthsMmToLayout(PaperFormat.Width), TenthsMmToLayout(PaperFormat.Height));
    const bool holds =
        LabelHoldsShownParts(CurrentSet(false), label, ProgramBindContext(PrintForm, PaperFormat.Direction));
    // Without a record to show the objects stay empty, laid out for their own rectangles again.
    if (!BindRecord(-1))
        LayOutRecordTexts();
    update();
    if (!holds)
        ShowMessageBoxAt(this,
                         QStringLiteral("選ばれた表示情報は、このラベルにはすべてを読める大きさで印刷できません  \r\n"
                                        "表示情報を減らすか、大きなラベル用紙を選んでください"),
                         AppTitle, MB_OK | MB_ICONWARNING);
}

void TLayoutForm::SenderBlockDetail()
{
    // The sizes and arrangement are the document's; the layout and the parts shown are the focused block's.
    auto *block = dynamic_cast<TSenderRect *>(FocusedObject());
    TLayoutDetailDialog dialog(this);
    dialog.SetPrintKind(PaperFormat.Kind);
    dialog.SetSenderOnly(true);
    dialog.SetManual(block && block->GetLayout() == 0);
    dialog.SetItemGroups(2);
    if (block)
        showBlockParts(dialog, *block);
    else  // no parts to choose: the sizes and the arrangement are the whole document's
        dialog.findChild<QCheckBox *>(QStringLiteral("ckbAuto"))->setEnabled(false);
    if (!runDetailDialog(dialog, this, PrintForm))
        return;
    if (block)
        takeBlockParts(dialog, *block);
    Layout.ApplyPrintForm();
    RefillFixedObjects();
    // The steps recorded so far hold the block as it was laid out before.
    UndoList.Clear();
    MarkModified();
}

void TLayoutForm::actDataFormExecute()
{
    TDataFormDialog dialog(this);
    dialog.SetPrintKind(PaperFormat.Kind);
    dialog.SetSenderOnly(Layout.Kind == DesignDocument);
    dialog.SetDataForm(PrintForm);
    CenterFormOnOwner(&dialog, this);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    TPrintForm chosen = PrintForm;
    dialog.GetDataForm(chosen);
    copyPrintFormBytes(chosen, PrintForm, 0, 60);
    update();
    Layout.ApplyPrintForm();
    RefillFixedObjects();
    MarkModified();
    // The conversions chosen may lengthen the texts (a company type written out).
    TellUnreadableLabel();
}

void TLayoutForm::actBarcodeSetExecute()
{
    TDrawRect *object = FixedObjects[size_t(SplitLayout ? SplitBarcodeIndex : CombinedBarcodeIndex)];
    auto &barcode = static_cast<TBarcodeRect &>(*object);
    const bool items = Layout.HasRecordItems();
    const auto shown = [this](const TDrawRect &o) { return o.Visible && Layout.ZIndexOf(&o) >= 0; };
    TAdditionInfoDialog dialog(this);
    dialog.SetMode(PaperFormat.Kind);
    dialog.SetBarcode(barcode.Visible != 0);
    dialog.SetBarSize(uint8_t(barcode.BarSize()));
    dialog.SetMaxBarSize(BarSize);
    dialog.SetBarcodeDisabled(NoBarcode != 0);
    if (items) {
        // A card carries its sender's contact lines, a label the receiver's items.
        dialog.FillAdditionItems(Layout.Kind == CardDocument ? 2 : 1);
        for (int row = 0; row < 4; ++row) {
            const TAdditionRect &item = Layout.RecordItem(row);
            dialog.SetAdditionChecked(row, shown(item));
            if (item.Item != 0)
                dialog.SetAdditionItem(row, item.Item);
            else
                dialog.SetAdditionText(row, item.Text());
        }
    }
    CenterFormOnOwner(&dialog, this);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    const bool show = dialog.GetBarcode();
    const bool barcodeChanged = show != (barcode.Visible != 0) || dialog.GetBarSize() != barcode.BarSize();
    std::vector<int> changedRows;
    for (int row = 0; items && row < 4; ++row) {
        const TAdditionRect &item = Layout.RecordItem(row);
        const int code = dialog.GetAdditionItem(row);
        if (dialog.GetAdditionChecked(row) != shown(item) || code != item.Item
            || (code == 0 && dialog.GetAdditionText(row) != item.Text()))
            changedRows.push_back(row);
    }
    if (!barcodeChanged && changedRows.empty())
        return;
    update();
    PendingUndo = std::make_unique<TUndoDatas>(2);
    StoreSelection(0);
    const auto fixedIndexOf = [this](const TDrawRect *o) {
        return int(std::find(FixedObjects.begin(), FixedObjects.end(), o) - FixedObjects.begin());
    };
    // Shows the object on top or takes it off the paper and out of the selection; its step item is the next.
    int step = 0;
    const auto showObject = [&](TDrawRect &o, bool on) {
        const int z = Layout.ZIndexOf(&o);
        PendingUndo->AddDrawRect(o, on ? 0 : z, 0, fixedIndexOf(&o));
        if (on && z < 0) {
            ZOrderList.insert(ZOrderList.begin(), &o);
            o.SetZoom(ZoomRatio);
            SelectedList = {&o};
            FocusedIndex = 0;
        } else if (!on && z >= 0) {
            RemoveFromZOrder(&o);
            const auto at = std::find(SelectedList.begin(), SelectedList.end(), &o);
            if (at != SelectedList.end()) {
                const int index = int(at - SelectedList.begin());
                SelectedList.erase(at);
                if (FocusedIndex == index)
                    FocusedIndex = -1;
                else if (FocusedIndex > index)
                    --FocusedIndex;
            }
        }
        o.Visible = on ? 1 : 0;
        return step++;
    };
    if (barcodeChanged) {
        const int i = showObject(barcode, show);
        barcode.SetBarSize(dialog.GetBarSize());
        PendingUndo->UpdateObject(i, barcode, 1);
    }
    for (int row : changedRows) {
        TAdditionRect &item = Layout.RecordItem(row);
        // Layouts saved before labels had additions never placed them.
        if (item.GetRect().IsEmpty())
            item.SetRect(RecordItemRect(row));
        const int i = showObject(item, dialog.GetAdditionChecked(row));
        item.Item = uint8_t(dialog.GetAdditionItem(row));
        // A record item is filled by the binding below; a free text is the user's.
        item.SetText(item.Item == 0 ? dialog.GetAdditionText(row) : QString());
        item.SetSubText(QString());
        PendingUndo->UpdateObject(i, item, 1);
    }
    if (ShowsRecord())
        BindRecord(-1);
    else
        BindSenderAsReceiver();
    CommitStep();
    FillObjectList();
    SyncObjectList();
    MarkModified();
    TellUnreadableLabel();
}
