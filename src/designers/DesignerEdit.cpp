// The editing commands that work on any designer's objects without a dialog: the object clipboard, deletion,
// centring on the paper, alignment against the focused object, even spacing, stacking and the default layout.
#include "designers/Designer.h"

#include "designers/DesignGeometry.h"
#include "designers/DrawClipboard.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SelfSizedRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"

#include <algorithm>
#include <iterator>

namespace {

// The objects a document holds in lists of their kinds, the letter body's sender blocks among them.
bool isFree(const TDrawRect *object)
{
    const uint8_t kind = object->GetKind();
    return kind >= ObjectKind::Illustration && kind <= ObjectKind::Sender;
}

// Moves a free object into the list of its kind; its index there, -1 (and the object gone) for another kind.
template <class T> int appendTo(std::vector<std::unique_ptr<T>> &list, std::unique_ptr<TDrawRect> &object)
{
    auto *typed = dynamic_cast<T *>(object.get());
    if (!typed)
        return -1;
    object.release();
    list.emplace_back(typed);
    return int(list.size()) - 1;
}

int appendFree(TDesignObjects &doc, std::unique_ptr<TDrawRect> object)
{
    for (int index : {appendTo(doc.IllustList, object), appendTo(doc.WordList, object),
                      appendTo(doc.FigureList, object), appendTo(doc.QRCodeList, object)})
        if (index >= 0)
            return index;
    return -1;
}

// Takes a free object out of the list of its kind, to be destroyed by the caller.
template <class T> std::unique_ptr<TDrawRect> takeFrom(std::vector<std::unique_ptr<T>> &list, TDrawRect *object)
{
    const auto at = std::find_if(list.begin(), list.end(), [object](const auto &each) { return each.get() == object; });
    if (at == list.end())
        return nullptr;
    std::unique_ptr<TDrawRect> taken(at->release());
    list.erase(at);
    return taken;
}

}  // namespace

// ---- The object clipboard ----

void TDesignerForm::actCopyExecute()
{
    if (InPreview())
        return;
    if (!DrawClipboard)
        DrawClipboard = std::make_unique<TDrawClipboard>();
    DrawClipboard->Copy(std::vector<const TDrawRect *>(SelectedList.begin(), SelectedList.end()));
}

void TDesignerForm::actPasteExecute()
{
    if (InPreview() || !DrawClipboard)
        return;
    std::vector<std::unique_ptr<TDrawRect>> pasted;
    try {
        pasted = DrawClipboard->Paste();
    } catch (const EStreamError &) {
        // A clipboard that cannot be read whole adds nothing.
        return;
    }
    if (pasted.empty())
        return;
    ClearSelection();
    TDesignObjects &doc = Objects();
    QList<TRect> rects;
    for (const auto &object : pasted)
        rects.push_back(object->GetRect());
    const QList<TRect> placed = PlacePastedGroup(rects, Paper());
    PendingUndo = std::make_unique<TUndoDatas>(0);
    const TRenderTarget target = RenderTarget();
    for (size_t i = 0; i < pasted.size(); ++i) {
        TDrawRect *object = pasted[i].get();
        object->SetZoom(ZoomRatio);
        object->SetRect(placed[qsizetype(i)]);
        object->Prepare(target, false);
        const int index = appendFree(doc, std::move(pasted[i]));
        doc.ZOrderList.insert(doc.ZOrderList.begin(), object);
        SelectedList.push_back(object);
        PendingUndo->AddDrawRect(*object, 0, 1, index);
    }
    FocusedIndex = 0;
    CommitStep();
    FillObjectList();
    SyncObjectList();
    MarkModified();
}

void TDesignerForm::actDeleteExecute()
{
    if (FocusedIndex < 0)
        return;
    TDesignObjects &doc = Objects();
    PendingUndo = std::make_unique<TUndoDatas>(1);
    StoreSelection(0);
    std::vector<std::unique_ptr<TDrawRect>> deleted;
    for (int i = int(SelectedList.size()) - 1; i >= 0; --i) {
        TDrawRect *object = SelectedList[size_t(i)];
        const uint8_t kind = object->GetKind();
        const int z = doc.ZIndexOf(object);
        if (kind <= ObjectKind::Barcode) {
            if (!CanDeleteFixed(object))
                continue;
            object->Visible = 0;
            const auto fixed = std::find(FixedObjects.begin(), FixedObjects.end(), object);
            PendingUndo->AddDrawRect(*object, z, 0, int(fixed - FixedObjects.begin()));
        } else if (isFree(object)) {
            PendingUndo->AddDrawRect(*object, z, 0, doc.FreeIndexOf(object));
            std::unique_ptr<TDrawRect> taken = takeFrom(doc.IllustList, object);
            if (!taken)
                taken = takeFrom(doc.WordList, object);
            if (!taken)
                taken = takeFrom(doc.FigureList, object);
            if (!taken)
                taken = takeFrom(doc.QRCodeList, object);
            if (!taken)
                taken = takeFrom(doc.SenderList, object);
            deleted.push_back(std::move(taken));
        } else {
            continue;
        }
        if (z >= 0)
            doc.ZOrderList.erase(doc.ZOrderList.begin() + z);
        SelectedList.erase(SelectedList.begin() + i);
    }
    if (PendingUndo->GetCount() == 0) {
        PendingUndo.reset();
        return;
    }
    // The step keeps the selection from before the deletion and none after it.
    UndoList.Add(std::move(PendingUndo));
    FocusedIndex = std::min(FocusedIndex, int(SelectedList.size()) - 1);
    FillObjectList();
    SyncObjectList();
    MarkModified();
}

// ---- Geometry ----

void TDesignerForm::MoveObjects(const std::vector<TDrawRect *> &objects, const std::function<TRect(int)> &placed)
{
    if (objects.empty())
        return;
    TDesignObjects &doc = Objects();
    PendingUndo = std::make_unique<TUndoDatas>(3);
    StoreSelection(0);
    bool changed = false;
    for (size_t i = 0; i < objects.size(); ++i) {
        TDrawRect *object = objects[i];
        const int z = doc.ZIndexOf(object);
        const auto fixed = std::find(FixedObjects.begin(), FixedObjects.end(), object);
        const TRect before = object->GetRect();
        PendingUndo->AddRect(before, z, 0, z < 0 && fixed != FixedObjects.end() ? int(fixed - FixedObjects.begin()) : -1,
                             SelectedSenderPart(object));
        object->SetRect(placed(int(i)));
        PendingUndo->UpdateRect(int(i), object->GetRect(), 1);
        changed = changed || object->GetRect() != before;
    }
    // A step that moves nothing would only cost an undo that does nothing.
    if (changed)
        CommitStep();
    else
        PendingUndo.reset();
}

void TDesignerForm::actRectPositionExecute(int tag)
{
    MoveObjects(SelectedList, [this, tag](int i) {
        return CentreOnPaper(SelectedList[size_t(i)]->GetRect(), TPaperCentring(tag), Paper());
    });
    MarkModified();
}

void TDesignerForm::actRectUniteExecute(int tag)
{
    const TDrawRect *focused = FocusedObject();
    if (!focused)
        return;
    std::vector<TDrawRect *> others;
    std::copy_if(SelectedList.begin(), SelectedList.end(), std::back_inserter(others),
                 [focused](const TDrawRect *object) { return object != focused; });
    const TRect reference = focused->GetRect();
    MoveObjects(others, [&](int i) { return AlignToReference(others[size_t(i)]->GetRect(), reference, tag); });
    MarkModified();
}

void TDesignerForm::actEqualExecute(int tag)
{
    if (SelectedList.size() < 2)
        return;
    QList<TRect> rects;
    for (const TDrawRect *object : SelectedList)
        rects.push_back(object->GetRect());
    const QList<TSpacedRect> spaced = SpaceEvenly(rects, tag, Paper());
    // Recorded in the order the objects are spaced.
    std::vector<TDrawRect *> order;
    for (const TSpacedRect &each : spaced)
        order.push_back(SelectedList[size_t(each.Index)]);
    MoveObjects(order, [&](int i) { return spaced[i].Rect; });
    MarkModified();
}

void TDesignerForm::actZOrderExecute(int tag)
{
    std::vector<TDrawRect *> &ZOrderList = Objects().ZOrderList;
    PendingUndo = std::make_unique<TUndoDatas>(4);
    StoreSelection(0);
    QList<bool> selected;
    for (const TDrawRect *object : ZOrderList)
        selected.push_back(IsSelected(object));
    for (const TZOrderMove &move : ZOrderMoves(selected, tag)) {
        PendingUndo->AddZOrder(move.From, move.To);
        TDrawRect *object = ZOrderList[size_t(move.From)];
        ZOrderList.erase(ZOrderList.begin() + move.From);
        ZOrderList.insert(ZOrderList.begin() + move.To, object);
    }
    if (PendingUndo->GetCount() > 0)
        CommitStep();
    else
        PendingUndo.reset();
    MarkModified();
}

void TDesignerForm::actDefaultLayoutExecute()
{
    // A sender block's default is where its parts stand in a new block.
    if (auto *block = dynamic_cast<TSenderRect *>(FocusedObject())) {
        PendingUndo = std::make_unique<TUndoDatas>(2);
        StoreSelection(0);
        PendingUndo->AddDrawRect(*block, Objects().ZIndexOf(block), 0, Objects().FreeIndexOf(block));
        block->PlaceParts(-1);
        PendingUndo->UpdateObject(0, *block, 1);
        FinishEditStep();
        return;
    }
    std::vector<TDrawRect *> scope;
    std::vector<int> indexes;
    const bool all = FocusedObject() == nullptr;
    for (size_t i = 0; i < FixedObjects.size(); ++i)
        if (all || IsSelected(FixedObjects[i])) {
            scope.push_back(FixedObjects[i]);
            indexes.push_back(int(i));
        }
    MoveObjects(scope, [&](int i) {
        const TRect area = DefaultRect(indexes[size_t(i)]);
        // An object that sizes itself keeps its size and is centred in its default place.
        if (dynamic_cast<const TSelfSizedRect *>(scope[size_t(i)])) {
            const TRect own = scope[size_t(i)]->GetRect();
            return CentreInRect(QSize(own.Width(), own.Height()), area);
        }
        return area;
    });
    MarkModified();
}
