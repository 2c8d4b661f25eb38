#include "drawing/UndoList.h"

#include <algorithm>

namespace {

// The array index of a state, or -1 when its low 7 bits name neither state.
int stateIndex(uint8_t state)
{
    const int index = state & 0x7F;
    return index <= 1 ? index : -1;
}

// Puts an item's stream back at its start even when the applier gave up half way through it, so the next
// undo or redo of the step reads the whole object again.
class TRewind {
public:
    explicit TRewind(QIODevice *stream) : stream_(stream) {}
    ~TRewind()
    {
        if (stream_)
            stream_->seek(0);
    }
    TRewind(const TRewind &) = delete;
    TRewind &operator=(const TRewind &) = delete;

private:
    QIODevice *stream_;
};

}  // namespace

// ---- Items ----

TObjectUndoData::TObjectUndoData(uint8_t target) : TUndoData(target)
{
    for (QBuffer &stream : Streams)
        stream.open(QIODevice::ReadWrite);
}

QBuffer *TObjectUndoData::GetStream(uint8_t state)
{
    const int index = stateIndex(state);
    return index < 0 ? nullptr : &Streams[index];
}

QBuffer *TObjectUndoData::Restart(uint8_t state)
{
    QBuffer *stream = GetStream(state);
    if (stream) {
        // A shorter save must not keep the tail of a longer one: the stream is the object and nothing more.
        stream->close();
        stream->setData(QByteArray());
        stream->open(QIODevice::ReadWrite);
    }
    return stream;
}

TDrawRectUndoData::TDrawRectUndoData(const TDrawRect &object, int zIndex, int listIndex)
    : TObjectUndoData(2), ListIndex(listIndex), ZIndex(zIndex)
{
    KindFlags.fill(object.GetKind());
}

uint8_t TDrawRectUndoData::GetFlag(uint8_t state) const
{
    const int index = stateIndex(state);
    return index < 0 ? 0 : KindFlags[index];
}

void TDrawRectUndoData::SetFlag(uint8_t state, uint8_t kind)
{
    if (const int index = stateIndex(state); index >= 0)
        KindFlags[index] = kind;
}

TRect TRectUndoData::GetRect(uint8_t state) const
{
    const int index = stateIndex(state);
    return index < 0 ? TRect{} : Rects[index];
}

void TRectUndoData::SetRect(uint8_t state, const TRect &rect)
{
    if (const int index = stateIndex(state); index >= 0)
        Rects[index] = rect;
}

TDataFormRecord TDataFormUndoData::GetData(uint8_t state) const
{
    const int index = stateIndex(state);
    return index < 0 ? TDataFormRecord{} : Data[index];
}

void TDataFormUndoData::SetData(uint8_t state, const TDataFormRecord &data)
{
    if (const int index = stateIndex(state); index >= 0)
        Data[index] = data;
}

// ---- TUndoDatas ----

void TUndoDatas::AddDrawRect(const TDrawRect &object, int zIndex, uint8_t state, int listIndex)
{
    auto item = std::make_unique<TDrawRectUndoData>(object, zIndex, listIndex);
    item->Save(object, state);
    Items.push_back(std::move(item));
}

void TUndoDatas::AddRect(const TRect &rect, int zIndex, uint8_t state, int fixedIndex, int part)
{
    auto item = std::make_unique<TRectUndoData>(zIndex, fixedIndex, part);
    item->SetRect(state, rect);
    Items.push_back(std::move(item));
}

void TUndoDatas::AddZOrder(int fromIndex, int toIndex)
{
    Items.push_back(std::make_unique<TZOrderUndoData>(fromIndex, toIndex));
}

void TUndoDatas::AddDataForm(const TDataFormRecord &data, uint8_t state)
{
    auto item = std::make_unique<TDataFormUndoData>();
    item->SetData(state, data);
    Items.push_back(std::move(item));
}

void TUndoDatas::UpdateRect(int i, const TRect &rect, uint8_t state)
{
    if (auto *item = dynamic_cast<TRectUndoData *>(GetItem(i)))
        item->SetRect(state, rect);
}

TUndoData *TUndoDatas::GetItem(int i) const
{
    return i >= 0 && i < GetCount() ? Items[i].get() : nullptr;
}

int TUndoDatas::GetSelectionCount(uint8_t state) const
{
    const int index = stateIndex(state);
    return index < 0 ? 0 : static_cast<int>(Selection[index].size());
}

void TUndoDatas::SetSelectionCount(uint8_t state, int count)
{
    if (const int index = stateIndex(state); index >= 0)
        Selection[index].resize(std::max(count, 0));
}

int TUndoDatas::GetSelection(uint8_t state, int i) const
{
    const int index = stateIndex(state);
    if (index < 0 || i < 0 || i >= GetSelectionCount(state))
        return -1;
    return Selection[index][i];
}

void TUndoDatas::SetSelection(uint8_t state, int i, int value)
{
    const int index = stateIndex(state);
    if (index >= 0 && i >= 0 && i < GetSelectionCount(state))
        Selection[index][i] = value;
}

int TUndoDatas::GetFocused(uint8_t state) const
{
    const int index = stateIndex(state);
    return index < 0 ? -1 : Focused[index];
}

void TUndoDatas::SetFocused(uint8_t state, int index)
{
    if (const int at = stateIndex(state); at >= 0)
        Focused[at] = index;
}

// ---- TUndoList ----

void TUndoList::Add(std::unique_ptr<TUndoDatas> step)
{
    if (!step)
        return;
    if (Position >= 0)
        Steps.erase(Steps.begin(), Steps.begin() + Position + 1);
    Steps.insert(Steps.begin(), std::move(step));
    if (GetCount() > Capacity)
        Steps.resize(Capacity);
    Position = -1;
}

void TUndoList::Apply(TUndoDatas &step, TUndoData &item, uint8_t state)
{
    auto *objectItem = dynamic_cast<TObjectUndoData *>(&item);
    const TRewind rewind(objectItem ? objectItem->GetStream(state) : nullptr);
    if (OnUndo)
        OnUndo(*this, step.Kind, state, item);
}

void TUndoList::Undo()
{
    if (!CanUndo())
        return;
    ++Position;
    TUndoDatas &step = *Steps[Position];
    for (int i = step.GetCount() - 1; i >= 0; --i)
        Apply(step, *step.GetItem(i), 0);
}

void TUndoList::Redo()
{
    if (!CanRedo())
        return;
    TUndoDatas &step = *Steps[Position];
    for (int i = 0; i < step.GetCount(); ++i)
        Apply(step, *step.GetItem(i), 1);
    --Position;
}

void TUndoList::Clear()
{
    Steps.clear();
    Position = -1;
}

TUndoDatas *TUndoList::GetItem(int i) const
{
    return i >= 0 && i < GetCount() ? Steps[i].get() : nullptr;
}
