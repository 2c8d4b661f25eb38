// The designers' undo history: one step per edit, holding each changed object's state before and after (whole
// object streams, rectangles, Z-order moves or the layout record) and the selection around it. The list
// knows no designer; undo and redo hand every item to the designer's OnUndo.
#pragma once

#include "drawing/DrawRect.h"

#include <QBuffer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// The printed-items and layout-detail record of a document as the layout-record items keep it: 108 bytes.
using TDataFormRecord = std::array<uint32_t, 27>;

// States are 0 (before the edit, restored by undo) and 1 (after it, restored by redo). Callers may carry a
// flag in the high bit, so only the low 7 bits count; anything else names no state and is ignored.
class TUndoData {
public:
    virtual ~TUndoData() = default;
    // 0 an item of AddObject, 2 an object item, 3 a layout-record item; the appliers of "changed" steps
    // tell the last two apart by it.
    const uint8_t Target;

protected:
    explicit TUndoData(uint8_t target) : Target(target) {}
};

// The whole object as its SaveToStream writes it, in each state.
class TObjectUndoData : public TUndoData {
public:
    TObjectUndoData() : TObjectUndoData(0) {}

    // The stream of the state, positioned at 0 for the applier to load from; null for no state.
    QBuffer *GetStream(uint8_t state);

    // Replaces the stream of the state by the object's SaveToStream.
    template <class TObject> void Save(const TObject &object, uint8_t state)
    {
        QBuffer *stream = Restart(state);
        if (!stream)
            return;
        TObjectStream out(*stream);
        object.SaveToStream(out);
        stream->seek(0);
    }

protected:
    explicit TObjectUndoData(uint8_t target);

private:
    // Empties the stream of the state for a new save; null for no state.
    QBuffer *Restart(uint8_t state);

    std::array<QBuffer, 2> Streams;
};

// A drawing object: its stream, its kind and where the designer keeps it.
class TDrawRectUndoData : public TObjectUndoData {
public:
    TDrawRectUndoData(const TDrawRect &object, int zIndex, int listIndex);

    // The object's kind in the state; 0 for no state.
    uint8_t GetFlag(uint8_t state) const;
    void SetFlag(uint8_t state, uint8_t kind);

    // The object's index in its own list: the fixed-object set for kinds 0 to 9, its kind's list otherwise.
    const int ListIndex;
    // Its index in the Z-order list, -1 when it is not there.
    const int ZIndex;

private:
    std::array<uint8_t, 2> KindFlags{};
};

// A rectangle in layout units before and after a move or resize.
class TRectUndoData : public TUndoData {
public:
    TRectUndoData(int zIndex, int fixedIndex, int part = -1)
        : TUndoData(2), ZIndex(zIndex), FixedIndex(fixedIndex), Part(part)
    {
    }

    // The rectangle of the state; empty for no state or until it is stored.
    TRect GetRect(uint8_t state) const;
    void SetRect(uint8_t state, const TRect &rect);

    // The object's index in the Z-order list, -1 when it is not there.
    const int ZIndex;
    // Its index in the fixed-object set, for an object outside the Z-order list; -1 otherwise.
    const int FixedIndex;
    // A sender block moved part by part: the part whose rectangle this is (SelectedSenderPart); -1 otherwise.
    const int Part;

private:
    std::array<TRect, 2> Rects{};
};

// One entry moved in the Z-order list.
class TZOrderUndoData : public TUndoData {
public:
    TZOrderUndoData(int fromIndex, int toIndex) : TUndoData(2), FromIndex(fromIndex), ToIndex(toIndex) {}

    const int FromIndex;
    const int ToIndex;
};

// The document's layout record before and after.
class TDataFormUndoData : public TUndoData {
public:
    TDataFormUndoData() : TUndoData(3) {}

    // A copy of the record of the state; zeros for no state or until it is stored.
    TDataFormRecord GetData(uint8_t state) const;
    void SetData(uint8_t state, const TDataFormRecord &data);

private:
    std::array<TDataFormRecord, 2> Data{};
};

// One edit: its operation kind (0 added, 1 deleted, 2 changed, 3 moved or resized, 4 Z-order), its items in
// recording order, and the selection (Z-order indexes in selection order, and the focused entry) per state.
class TUndoDatas {
public:
    explicit TUndoDatas(uint8_t kind) : Kind(kind) {}

    // An object outside the drawing objects (the letter background): only its stream.
    template <class TObject> void AddObject(const TObject &object, uint8_t state)
    {
        auto item = std::make_unique<TObjectUndoData>();
        item->Save(object, state);
        Items.push_back(std::move(item));
    }
    void AddDrawRect(const TDrawRect &object, int zIndex, uint8_t state, int listIndex);
    void AddRect(const TRect &rect, int zIndex, uint8_t state, int fixedIndex, int part = -1);
    void AddZOrder(int fromIndex, int toIndex);
    void AddDataForm(const TDataFormRecord &data, uint8_t state);

    // Saves the object again into item i's stream of the state (a drawing object's item also takes its
    // kind); nothing when item i is not an object item.
    template <class TObject> void UpdateObject(int i, const TObject &object, uint8_t state)
    {
        auto *item = dynamic_cast<TObjectUndoData *>(GetItem(i));
        if (!item)
            return;
        item->Save(object, state);
        if constexpr (std::is_base_of_v<TDrawRect, TObject>) {
            if (auto *drawRect = dynamic_cast<TDrawRectUndoData *>(item))
                drawRect->SetFlag(state, object.GetKind());
        }
    }
    // Stores the rectangle of the state into item i when it is a rectangle item; nothing otherwise.
    void UpdateRect(int i, const TRect &rect, uint8_t state);

    int GetCount() const { return static_cast<int>(Items.size()); }
    // Null outside the items.
    TUndoData *GetItem(int i) const;

    int GetSelectionCount(uint8_t state) const;
    void SetSelectionCount(uint8_t state, int count);
    // -1 outside the stored selection.
    int GetSelection(uint8_t state, int i) const;
    // Ignored outside the stored selection.
    void SetSelection(uint8_t state, int i, int value);
    // The index into the selection of the focused object, -1 for none.
    int GetFocused(uint8_t state) const;
    void SetFocused(uint8_t state, int index);

    const uint8_t Kind;

private:
    std::vector<std::unique_ptr<TUndoData>> Items;
    std::array<std::vector<int>, 2> Selection;
    std::array<int, 2> Focused{-1, -1};
};

// The history of one designer: newest step at index 0, at most Capacity steps; Position is the index of the
// most recently undone step, -1 when nothing is undone.
class TUndoList {
public:
    // Applies one item in the state (0 undo, 1 redo) of a step of the operation kind. It must not change the
    // list itself; a designer that has to empty the history does so after Undo or Redo returns.
    using TUndoEvent = std::function<void(TUndoList &sender, uint8_t kind, uint8_t state, TUndoData &item)>;

    static constexpr int Capacity = 5;

    // Records a finished step: the undone steps go, and the oldest beyond the capacity.
    void Add(std::unique_ptr<TUndoDatas> step);
    // The step after Position, its items from the last to the first in state 0.
    void Undo();
    // The step at Position, its items from the first to the last in state 1.
    void Redo();
    void Clear();

    int GetCount() const { return static_cast<int>(Steps.size()); }
    // Null outside the steps.
    TUndoDatas *GetItem(int i) const;
    int GetPosition() const { return Position; }
    bool CanUndo() const { return GetCount() - 1 > Position; }
    bool CanRedo() const { return Position >= 0; }

    TUndoEvent OnUndo;

private:
    void Apply(TUndoDatas &step, TUndoData &item, uint8_t state);

    std::vector<std::unique_ptr<TUndoDatas>> Steps;
    int Position = -1;
};
