// The address designer's editing commands of the edit menu: undo and redo, and stepping through the main
// list's records.
#include "designers/Layout.h"

#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"

#include <QApplication>

void TLayoutForm::actUndoExecute(bool redo)
{
    if (InPreview())
        return;
    const int before = UndoList.GetPosition();
    if (redo ? !UndoList.CanRedo() : !UndoList.CanUndo())
        return;
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

void TLayoutForm::actMoveExecute(int tag)
{
    if (!AddressList)
        return;
    const int row = AddressList->GetSelectedIndex();
    const int target = tag == 0 ? 0 : tag == 1 ? row - 1 : tag == 2 ? row + 1 : AddressList->GetRecordCount() - 1;
    AddressList->SelectItem(std::clamp(target, 0, std::max(AddressList->GetRecordCount() - 1, 0)), true, true);
    pnlCard->update();
}
