// The address designer's editing commands of the edit menu: undo and redo, stepping through the main list's
// records, editing the record and the sender, showing or hiding the sender, and switching to the main windows.
#include "designers/Layout.h"

#include "core/DBInfo.h"
#include "core/SharedHelpers.h"
#include "designers/Sender.h"
#include "drawing/AdditionRect.h"
#include "drawing/SenderRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordFormServices.h"
#include "platform/Forms.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QComboBox>


void TLayoutForm::actMoveExecute(int tag)
{
    if (!AddressList)
        return;
    const int row = AddressList->GetSelectedIndex();
    const int target = tag == 0 ? 0 : tag == 1 ? row - 1 : tag == 2 ? row + 1 : AddressList->GetRecordCount() - 1;
    AddressList->SelectItem(std::clamp(target, 0, std::max(AddressList->GetRecordCount() - 1, 0)), true, true);
    pnlCard->update();
}

void TLayoutForm::actEditDataExecute()
{
    if (!AddressList)
        return;
    AddressList->SelectItem(AddressList->GetSelectedIndex(), true, true);
    // The main list's command may ask about the record form's input; it runs as the designer's command too.
    RunAsCommandOf(this, [] { AddressList->actInquiry->trigger(); });
}

namespace {

bool hasSenderPart(const TPaperFormat &paper) { return paper.CombinedRectCount > 4; }

}  // namespace

void TLayoutForm::actSenderEditExecute()
{
    if (!DMMirvale18 || !DMMirvale18->OpenSenderTable())
        return;
    // A letter body binds no record: the command chooses the sender of the selected sender block. Each block
    // follows its sender by number, so that a rename or a deletion in the list carries over to it.
    std::vector<int32_t> blockSenders = Layout.Kind == DesignDocument ? SenderNosOfBlocks() : std::vector<int32_t>();
    const int block = dynamic_cast<TSenderRect *>(FocusedObject()) ? Layout.FreeIndexOf(FocusedObject()) : -1;
    const int32_t blockSender = block >= 0 ? blockSenders.at(size_t(block)) : -1;
    auto form = std::make_unique<TSenderForm>(this);
    SenderForm = form.get();
    CenterFormOnOwner(form.get(), this);
    form->SenderNo = block >= 0 ? (blockSender >= 0 ? blockSender : DefaultSenderNo) : SenderRecNo;
    // As the designer's command: a close asked meanwhile waits for the list, which is the designer's child.
    const int result = ExecDialog(*form);
    if (AddressList)
        AddressList->LoadSenderList();
    const int32_t chosen = result == 1 ? form->SenderNo : -1;
    form.reset();
    SenderForm = nullptr;
    if (Layout.Kind == DesignDocument) {
        if (block >= 0 && chosen >= 0)
            blockSenders[size_t(block)] = chosen;
        if (BindSenderBlocks(blockSenders))
            MarkModified();
    } else if (Layout.Kind != LayoutDocument && chosen >= 0) {
        // A label or card keeps the list's record as its receiver: the choice is the document's sender alone.
        SenderRecNo = chosen;
    }
    if (Layout.Kind != LayoutDocument) {
        DMMirvale18->CloseSenderTable();
        pnlCard->update();
        return;
    }
    if (chosen >= 0 && chosen != SenderRecNo) {
        SenderRecNo = chosen;
        // The record shown takes the chosen sender as its own.
        const bool withData = PrintParts == 0 || (PrintParts == 1 && hasSenderPart(PaperFormat));
        // With no row selected there is no record to take it.
        const int row = AddressList ? AddressList->GetSelectedIndex() : -1;
        if (withData && row >= 0 && AddressList->GetRecordCount() > 0)
            AddressList->SetRecordSender(AddressList->GetRecNoAt(row), SenderRecNo);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (hasSenderPart(PaperFormat)) {
        const auto shown = [this] {
            return int(CombinedObjects[7]->Visible) + int(CombinedObjects[8]->Visible);
        };
        const int before = shown();
        BindSender();
        if ((PrintParts == 0 || PrintParts == 2) && shown() != before) {
            const QString item = cbxViewRect->currentText();
            FillObjectList();
            const int again = cbxViewRect->findText(item);
            if (again >= 0)
                cbxViewRect->setCurrentIndex(again);
            else if (FocusedIndex < 0)
                cbxViewRect->setCurrentIndex(0);
            else
                SyncObjectList();
        }
    } else {
        BindSenderAsReceiver();
    }
    QApplication::restoreOverrideCursor();
    DMMirvale18->CloseSenderTable();
    pnlCard->update();
}

void TLayoutForm::actSenderExecute()
{
    const size_t first = SplitLayout ? 9 : 4;
    if (actSender->isChecked()) {
        if (PrintParts == 1)
            PrintParts = 0;
        PendingUndo = std::make_unique<TUndoDatas>(0);
        int k = 0;
        for (size_t i = first; i < FixedObjects.size(); ++i) {
            TDrawRect *object = FixedObjects[i];
            if (!object->Visible)
                continue;
            ZOrderList.insert(ZOrderList.begin() + k, object);
            object->SetZoom(ZoomRatio);
            PendingUndo->AddDrawRect(*object, k, 1, int(i));
            ++k;
        }
    } else {
        if (PrintParts == 0)
            PrintParts = 1;
        PendingUndo = std::make_unique<TUndoDatas>(1);
        for (size_t i = first; i < FixedObjects.size(); ++i) {
            TDrawRect *object = FixedObjects[i];
            const int z = Layout.ZIndexOf(object);
            if (z < 0)
                continue;
            PendingUndo->AddDrawRect(*object, z, 0, int(i));
            ZOrderList.erase(ZOrderList.begin() + z);
        }
    }
    UndoList.Add(std::move(PendingUndo));
    FillObjectList();
    ClearSelection();
    UpdateObjectActions();
    MarkModified();
}

void TLayoutForm::actFormChangeExecute(int tag)
{
    ForceForegroundWindow(tag == 0 ? static_cast<QWidget *>(AddressList)
                                   : RecordForm ? RecordForm->FormWindow() : nullptr);
}
