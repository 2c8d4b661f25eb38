#include "drawing/SenderRect.h"

#include "base/SjisCodec.h"
#include "base/Units.h"
#include "drawing/DesignGlobals.h"

#include <algorithm>
#include <cstdlib>

namespace {

TRect moved(const TRect &r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// Preset places in the slot box, [0] for vertical and [1] for horizontal writing, in the order of the
// layout's parts.
constexpr TRect Presets1[2][5] = {
    {{107, 0, 205, 20}, {136, 23, 200, 193}, {56, 43, 131, 205}, {24, 61, 52, 205}, {0, 61, 28, 205}},
    {{0, 0, 86, 20}, {14, 23, 200, 79}, {43, 80, 205, 149}, {47, 153, 205, 181}, {47, 177, 205, 205}},
};
constexpr TRect Presets2[2][13] = {
    {{107, 0, 205, 20},
     {181, 23, 205, 200},
     {164, 47, 186, 200},
     {147, 47, 169, 200},
     {126, 30, 150, 192},
     {110, 41, 131, 195},
     {94, 41, 115, 195},
     {69, 25, 91, 50},
     {63, 54, 97, 205},
     {42, 61, 62, 205},
     {28, 61, 48, 205},
     {14, 61, 34, 205},
     {0, 61, 20, 205}},
    {{0, 0, 70, 15},
     {15, 15, 192, 37},
     {39, 33, 192, 55},
     {39, 48, 192, 70},
     {25, 65, 187, 87},
     {36, 83, 190, 105},
     {36, 98, 190, 120},
     {13, 120, 38, 142},
     {42, 115, 192, 147},
     {48, 147, 192, 166},
     {48, 160, 192, 179},
     {48, 174, 192, 193},
     {48, 186, 192, 205}},
};

// Where the additions stand in the lists of the two layouts.
constexpr int FirstAddition1 = 3;
constexpr int FirstAddition2 = 9;
// The margin the parts keep inside the block, in layout units.
constexpr int PartMargin = 10;

bool isLayout1(uint8_t layout) { return layout == 1; }

int presetColumn(uint8_t direction) { return (direction & 127) == 0 ? 0 : 1; }

// The stream keeps the font's height as the screen font of 96 dots per inch has it; the parts keep points.
int heightOfPoints(int points) { return -PointsToLayout(points); }
int pointsOfHeight(int height) { return std::max(1, RoundToInt(Rescaled(std::abs(height), LayoutDpi, PointsPerInch))); }

}  // namespace

// The fields of a stream, read whole before any of them is applied, so a refused stream leaves the block as it
// was.
struct TSenderRect::TStored {
    TRect Rect;
    uint8_t Visible = 1;
    QByteArray Title;
    std::array<uint8_t, 2> Visible1{1, 1};
    std::array<uint8_t, 13> Visible2{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    // Items and free texts of the layout-1 additions, then of the layout-2 ones.
    std::array<uint8_t, 6> Items{};
    std::array<QString, 6> Texts;
    std::array<TRect, 5> Slots1{};
    std::array<TRect, 13> Slots2{};
    bool HasSlots2 = false;
    TFont Font;
    uint8_t Direction = 0;
    uint8_t BlockMode = 1;
    uint8_t Layout = 1;
    int Selected = -1;
    TRectFrame Frame;
    uint8_t Turned = 0;
};

TSenderRect::TSenderRect()
    : List1_{&Pos1_, &Address1_, &Name1_, &Additions1_[0], &Additions1_[1]},
      List2_{&Pos2_,           &Addresses2_[0], &Addresses2_[1], &Addresses2_[2], &Company_,
             &Departments_[0], &Departments_[1], &Post_,          &Name2_,         &Additions2_[0],
             &Additions2_[1], &Additions2_[2], &Additions2_[3]}
{
    // The parts print as the sender's, at the recipient's sizes; the company line keeps the recipient kind.
    for (TPosRect *pos : {&Pos1_, &Pos2_})
        pos->SenderStyle = pos->MainSizeRow = 1;
    for (TAddressRect *address : {&Address1_, &Addresses2_[0], &Addresses2_[1], &Addresses2_[2]})
        address->SenderStyle = address->MainSizeRow = 1;
    for (TNameRect *name : {&Name1_, &Name2_})
        name->SenderStyle = name->MainSizeRow = 1;
    for (TCorpRect *corp : {&Departments_[0], &Departments_[1], &Post_})
        corp->SenderStyle = corp->MainSizeRow = 1;
    Company_.MainSizeRow = 1;
    for (int i = 0; i < 4; ++i)
        Additions2_[i].Item = static_cast<uint8_t>(19 + i);
    Frame.OnFrameChange = [this](TRectFrame *) { PartsPlaced_ = 0; };
    PlaceParts(-1);
    rebuildActive();
}

std::span<TMetaRect *const> TSenderRect::partsOf(uint8_t layout) const
{
    if (isLayout1(layout))
        return List1_;
    return List2_;
}

std::span<TRect> TSenderRect::slotsOf(uint8_t layout)
{
    if (isLayout1(layout))
        return Slots1_;
    return Slots2_;
}

std::span<const TRect> TSenderRect::Slots(uint8_t layout) const
{
    if (isLayout1(layout))
        return Slots1_;
    return Slots2_;
}

std::array<TMetaRect *, 18> TSenderRect::allParts() const
{
    std::array<TMetaRect *, 18> parts{};
    std::copy(List1_.begin(), List1_.end(), parts.begin());
    std::copy(List2_.begin(), List2_.end(), parts.begin() + List1_.size());
    return parts;
}

bool TSenderRect::shown(uint8_t layout, int index) const
{
    // Postal code, address and name of layout 1 are always there.
    if (isLayout1(layout) && index < FirstAddition1)
        return true;
    return partsOf(layout)[index]->Visible != 0;
}

void TSenderRect::rebuildActive()
{
    Active_.clear();
    const auto parts = currentParts();
    for (int i = 0; i < static_cast<int>(parts.size()); ++i)
        if (shown(Layout_, i))
            Active_.append(parts[i]);
}

// ---- Overrides of the drawing object ----

void TSenderRect::Assign(const TDrawRect &source)
{
    const auto *sender = dynamic_cast<const TSenderRect *>(&source);
    if (!sender) {
        TDrawRect::Assign(source);
        return;
    }
    // The block's own rectangle, whatever mode either block is in.
    TDrawRect::SetRect(sender->Rect);
    Visible = sender->Visible;
    SenderTitle = sender->SenderTitle;
    for (int i = 0; i < 2; ++i)
        Additions1_[i].Assign(sender->Additions1_[i]);
    for (int i = 0; i < static_cast<int>(List2_.size()); ++i) {
        if (i >= FirstAddition2)
            List2_[i]->Assign(*sender->List2_[i]);
        else
            List2_[i]->Visible = sender->List2_[i]->Visible;
    }
    Layout_ = sender->Layout_;
    rebuildActive();
    Selected_ = nullptr;
    Slots1_ = sender->Slots1_;
    Slots2_ = sender->Slots2_;
    SetFont(sender->GetFont());
    SetDirection(sender->GetDirection());
    for (TMetaRect *part : allParts())
        part->SetTurned(sender->GetTurned());
    Frame.Assign(sender->Frame);
    PartsPlaced_ = 0;
}

void TSenderRect::SetZoom(double zoom)
{
    TDrawRect::SetZoom(zoom);
    for (TMetaRect *part : allParts())
        part->SetZoom(zoom);
}

TRect TSenderRect::GetRect() const
{
    if (BlockMode)
        return Rect;
    return Selected_ ? Selected_->GetRect() : TRect{};
}

void TSenderRect::SetRect(const TRect &rect)
{
    if (BlockMode) {
        TDrawRect::SetRect(rect);
        PartsPlaced_ = 0;
    } else if (Selected_) {
        Selected_->SetRect(rect);
        FitToParts();
    }
}

TRect TSenderRect::GetDispRect() const
{
    if (BlockMode)
        return DispRect;
    return Selected_ ? Selected_->GetDispRect() : TRect{};
}

void TSenderRect::SetDispRect(const TRect &rect)
{
    if (BlockMode) {
        TDrawRect::SetDispRect(rect);
        PartsPlaced_ = 0;
    } else if (Selected_) {
        Selected_->SetDispRect(rect);
        FitToParts();
    }
}

void TSenderRect::SetClipMode(uint8_t mode)
{
    TDrawRect::SetClipMode(mode);
    for (TMetaRect *part : allParts())
        part->SetClipMode(mode);
}

void TSenderRect::SetClipPos(int pos)
{
    TDrawRect::SetClipPos(pos);
    for (TMetaRect *part : allParts())
        part->SetClipPos(pos);
}

TRect TSenderRect::innerRect() const { return Frame.Visible() ? Frame.GetInnerRect(Rect, 1.0) : Rect; }

void TSenderRect::placeInto(const TRect &inner)
{
    if (PartsPlaced_)
        return;
    const long double sx = (inner.Width() - 2 * PartMargin) / static_cast<long double>(SlotBox);
    const long double sy = (inner.Height() - 2 * PartMargin) / static_cast<long double>(SlotBox);
    const auto parts = currentParts();
    const auto places = slotsOf(Layout_);
    for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
        if (!shown(Layout_, i))
            continue;
        const TRect &s = places[i];
        const int left = RoundToInt(s.Left * sx) + inner.Left + PartMargin;
        const int top = RoundToInt(s.Top * sy) + inner.Top + PartMargin;
        parts[i]->SetRect({left, top, left + RoundToInt((s.Right - s.Left) * sx), top + RoundToInt((s.Bottom - s.Top) * sy)});
    }
    PartsPlaced_ = 1;
}

void TSenderRect::Prepare(const TRenderTarget &target, bool force)
{
    const TRect inner = innerRect();
    if (inner.IsEmpty())
        return;
    placeInto(inner);
    for (TMetaRect *part : Active_)
        part->Prepare(target, force);
}

void TSenderRect::Draw(TCanvas &canvas, int dx, int dy)
{
    if (Rect.IsEmpty())
        return;
    Frame.Draw(canvas, moved(DispRect, dx, dy), Zoom_);
    if (innerRect().IsEmpty())
        return;
    Prepare(canvas.Target(), false);
    for (TMetaRect *part : Active_)
        part->Draw(canvas, dx, dy);
}

void TSenderRect::CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins)
{
    TDrawRect::CalcPrintRect(target, offset, keepMargins);
    // A block loaded and printed without being shown first must have its parts in place before their printed
    // rectangles are taken from them.
    if (const TRect inner = innerRect(); !inner.IsEmpty())
        placeInto(inner);
    for (TMetaRect *part : Active_)
        part->CalcPrintRect(target, offset, keepMargins);
}

void TSenderRect::Print(TCanvas &canvas, int dx, int dy)
{
    if (PrintRect_.IsEmpty())
        return;
    // The frame moves with the parts, which print at their printed rectangles moved by (dx, dy).
    const TRect inner = Frame.Draw(canvas, moved(PrintRect_, dx, dy), LayoutScale(canvas.LogPixelsY()));
    if (inner.IsEmpty())
        return;
    for (TMetaRect *part : Active_)
        part->Print(canvas, dx, dy);
}

int TSenderRect::SelectedPartIndex() const
{
    if (BlockMode || !Selected_)
        return -1;
    const auto parts = allParts();
    const auto found = std::find(parts.begin(), parts.end(), Selected_);
    return found == parts.end() ? -1 : int(found - parts.begin());
}

void TSenderRect::SelectPartIndex(int index)
{
    const auto parts = allParts();
    if (index >= 0 && index < int(parts.size()) && parts[size_t(index)])
        Selected_ = parts[size_t(index)];
}

int SelectedSenderPart(const TDrawRect *object)
{
    const auto *sender = dynamic_cast<const TSenderRect *>(object);
    return sender ? sender->SelectedPartIndex() : -1;
}

void SelectSenderPart(TDrawRect *object, int part)
{
    if (auto *sender = dynamic_cast<TSenderRect *>(object); sender && part >= 0)
        sender->SelectPartIndex(part);
}

bool TSenderRect::PtInRect(int x, int y) const
{
    if (BlockMode)
        return TDrawRect::PtInRect(x, y);
    Selected_ = nullptr;
    for (qsizetype i = 0; i < Active_.size(); ++i) {
        if (Active_[i]->PtInRect(x, y)) {
            Selected_ = Active_[i];
            Active_.move(i, 0);
            return true;
        }
    }
    return false;
}

Qt::CursorShape TSenderRect::HitTest(int x, int y) const
{
    if (BlockMode)
        return TDrawRect::HitTest(x, y);
    return Selected_ ? Selected_->HitTest(x, y) : Qt::ArrowCursor;
}

TEdgeCodes TSenderRect::EdgeHitTest(int x, int y) const
{
    if (BlockMode)
        return TDrawRect::EdgeHitTest(x, y);
    return Selected_ ? Selected_->EdgeHitTest(x, y) : TEdgeCodes{};
}

// ---- Layout ----

void TSenderRect::SetLayout(uint8_t layout)
{
    if (!ChangeField(Layout_, layout))
        return;
    rebuildActive();
    PartsPlaced_ = 0;
}

void TSenderRect::placePreset(uint8_t layout, int index)
{
    const int column = presetColumn(GetDirection());
    slotsOf(layout)[index] = isLayout1(layout) ? Presets1[column][index] : Presets2[column][index];
}

void TSenderRect::PlaceParts(int index)
{
    if (index == -1) {
        for (int i = 0; i < static_cast<int>(List1_.size()); ++i)
            placePreset(1, i);
        for (int i = 0; i < static_cast<int>(List2_.size()); ++i)
            placePreset(0, i);
    } else if (index >= 0 && index < static_cast<int>(currentParts().size())) {
        placePreset(Layout_, index);
    }
    PartsPlaced_ = 0;
}

void TSenderRect::FitToParts()
{
    // With every part hidden there is nothing to fit the block to; it keeps its place.
    if (Active_.isEmpty())
        return;
    TRect u = Active_.front()->GetRect();
    for (const TMetaRect *part : Active_) {
        const TRect r = part->GetRect();
        u = {std::min(u.Left, r.Left), std::min(u.Top, r.Top), std::max(u.Right, r.Right), std::max(u.Bottom, r.Bottom)};
    }
    if (u.IsEmpty())
        return;
    const long double sx = SlotBox / static_cast<long double>(u.Width());
    const long double sy = SlotBox / static_cast<long double>(u.Height());
    const auto parts = currentParts();
    const auto places = slotsOf(Layout_);
    for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
        const TRect r = parts[i]->GetRect();
        places[i] = {RoundToInt((r.Left - u.Left) * sx), RoundToInt((r.Top - u.Top) * sy),
                    RoundToInt((r.Right - u.Left) * sx), RoundToInt((r.Bottom - u.Top) * sy)};
    }
    const TRect around{u.Left - PartMargin, u.Top - PartMargin, u.Right + PartMargin, u.Bottom + PartMargin};
    TDrawRect::SetRect(Frame.Visible() ? Frame.GetOuterRect(around) : around);
}

void TSenderRect::SetFont(const TFont &font)
{
    for (TMetaRect *part : allParts())
        part->SetFont(font);
}

void TSenderRect::SetDirection(uint8_t direction)
{
    for (TMetaRect *part : allParts())
        part->SetDirection(direction);
}

void TSenderRect::SetTurned(uint8_t turned)
{
    if (turned == GetTurned())
        return;
    for (TMetaRect *part : allParts())
        part->SetTurned(turned);
    for (auto places : {slotsOf(1), slotsOf(0)})
        for (TRect &s : places)
            s = {SlotBox - s.Right, SlotBox - s.Bottom, SlotBox - s.Left, SlotBox - s.Top};
    PartsPlaced_ = 0;
}

void TSenderRect::CalcFontHeight(int scale)
{
    for (TMetaRect *part : allParts())
        part->CalcFontHeight(scale);
}

void TSenderRect::UpdateFontHeight()
{
    for (TMetaRect *part : allParts())
        part->UpdateFontHeight();
}

void TSenderRect::SetSizeSteps(int address, int name, int addition)
{
    Address1_.SizeStep = address;
    for (TAddressRect &line : Addresses2_)
        line.SizeStep = address;
    Name1_.SizeStep = Name2_.SizeStep = name;
    Company_.SizeStep = Post_.SizeStep = name;
    for (TCorpRect &department : Departments_)
        department.SizeStep = name;
    for (TAdditionRect *part : additionsOf(*this))
        part->SizeStep = addition;
}

void TSenderRect::ClearTexts()
{
    for (TMetaRect *part : allParts())
        part->Clear();
}

// ---- Parts and their visibility ----

TAdditionRect *TSenderRect::GetAddition1(int index)
{
    return index >= 0 && index < 2 ? &Additions1_[index] : nullptr;
}

TAddressRect *TSenderRect::GetAddress(int index)
{
    return index >= 0 && index < 3 ? &Addresses2_[index] : nullptr;
}

TCorpRect *TSenderRect::GetDepartment(int index)
{
    return index >= 0 && index < 2 ? &Departments_[index] : nullptr;
}

TAdditionRect *TSenderRect::GetAddition2(int index)
{
    return index >= 0 && index < 4 ? &Additions2_[index] : nullptr;
}

uint8_t TSenderRect::partVisible(uint8_t layout, int index) const
{
    const auto parts = partsOf(layout);
    return index >= 0 && index < static_cast<int>(parts.size()) ? parts[index]->Visible : 0;
}

void TSenderRect::setPartVisible(uint8_t layout, int index, bool on)
{
    TMetaRect *part = partsOf(layout)[index];
    if ((part->Visible != 0) == on)
        return;
    part->Visible = on ? 1 : 0;
    if (on)
        placePreset(layout, index);
    // A part of the other layout waits for that layout to become current: the active list only ever holds
    // parts of the current one, and slots are only ever written in the part's own layout.
    if (isLayout1(layout) == isLayout1(Layout_)) {
        if (on && !Active_.contains(part))
            Active_.append(part);
        else if (!on)
            Active_.removeAll(part);
    }
    PartsPlaced_ = 0;
}

void TSenderRect::SetPosVisible(bool on) { setPartVisible(0, 0, on); }

uint8_t TSenderRect::GetAddressVisible(int index) const
{
    return index >= 0 && index < 3 ? partVisible(0, 1 + index) : 0;
}

void TSenderRect::SetAddressVisible(int index, bool on)
{
    if (index >= 0 && index < 3)
        setPartVisible(0, 1 + index, on);
}

void TSenderRect::SetNameVisible(bool on) { setPartVisible(0, 8, on); }

void TSenderRect::SetCorpVisible(bool on) { setPartVisible(0, 4, on); }

uint8_t TSenderRect::GetDepartmentVisible(int index) const
{
    return index >= 0 && index < 2 ? partVisible(0, 5 + index) : 0;
}

void TSenderRect::SetDepartmentVisible(int index, bool on)
{
    if (index >= 0 && index < 2)
        setPartVisible(0, 5 + index, on);
}

void TSenderRect::SetPostVisible(bool on) { setPartVisible(0, 7, on); }

void TSenderRect::SetAddition2Visible(int index, bool on)
{
    if (index >= 0 && index < 4)
        setPartVisible(0, FirstAddition2 + index, on);
}

void TSenderRect::SetAddition1Visible(int index, bool on)
{
    if (index >= 0 && index < 2)
        setPartVisible(1, FirstAddition1 + index, on);
}

// ---- Stream ----

void TSenderRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    WriteScrambledString(SenderTitle, stream);
    for (const TAdditionRect &addition : Additions1_)
        stream.Write<uint8_t>(addition.Visible);
    for (const TMetaRect *part : List2_)
        stream.Write<uint8_t>(part->Visible);
    for (const TAdditionRect *addition : additionsOf(*this)) {
        stream.Write<uint8_t>(addition->Item);
        if (addition->Item == 0)
            WriteScrambledText(addition->Text(), stream);
    }
    for (const TRect &slot : Slots1_)
        WriteStreamRect(stream, slot);
    for (const TRect &slot : Slots2_)
        WriteStreamRect(stream, slot);
    const TFont &font = GetFont();
    stream.Write<uint32_t>(static_cast<uint32_t>(font.Log.Charset & 0xFF));
    WriteScrambledString(Sjis::encode(font.Log.Font.family()), stream);
    stream.Write<int32_t>(heightOfPoints(font.Log.Font.pointSize()));
    stream.Write<uint32_t>(static_cast<uint32_t>(GetFontStyleBits(font.Log)));
    stream.Write<int32_t>(BgrFromColor(font.Color));
    stream.Write<uint8_t>(GetDirection());
    stream.Write<uint8_t>(BlockMode);
    stream.Write<uint8_t>(Layout_);
    const auto parts = currentParts();
    const auto selected = std::find(parts.begin(), parts.end(), Selected_);
    stream.Write<int32_t>(selected == parts.end() ? -1 : static_cast<int32_t>(selected - parts.begin()));
    Frame.SaveToStream(stream);
    stream.Write<uint8_t>(GetTurned());
}

void TSenderRect::LoadFromStream(TObjectStream &stream)
{
    const bool current = StreamVersion > 200;
    TStored s;
    s.Rect = ReadStreamRect(stream);
    if (current)
        s.Visible = stream.Read<uint8_t>();
    ReadScrambledString(stream, s.Title);
    if (current) {
        for (uint8_t &visible : s.Visible1)
            visible = stream.Read<uint8_t>();
        for (uint8_t &visible : s.Visible2)
            visible = stream.Read<uint8_t>();
        for (int i = 0; i < static_cast<int>(s.Items.size()); ++i) {
            s.Items[i] = stream.Read<uint8_t>();
            if (s.Items[i] == 0)
                ReadScrambledText(stream, s.Texts[i]);
        }
    }
    for (TRect &slot : s.Slots1)
        slot = ReadStreamRect(stream);
    if (current) {
        for (TRect &slot : s.Slots2)
            slot = ReadStreamRect(stream);
        s.HasSlots2 = true;
    }
    const int charset = static_cast<int>(stream.Read<uint32_t>() & 0xFF);
    QByteArray face;
    ReadScrambledString(stream, face);
    const int largest = -heightOfPoints(MaxFontPoints);
    const int height = CheckedStreamValue(stream.Read<int32_t>(), -largest, largest);
    const int style = static_cast<int>(stream.Read<uint32_t>());
    const int32_t colour = stream.Read<int32_t>();
    SetFontSpec(&s.Font.Log, charset, Sjis::decode(face), style, pointsOfHeight(height));
    s.Font.Color = ColorFromBgr(colour);
    s.Direction = stream.Read<uint8_t>();
    s.BlockMode = stream.Read<uint8_t>();
    if (current)
        s.Layout = stream.Read<uint8_t>();
    s.Selected = current ? stream.Read<int32_t>() : stream.Read<int8_t>();
    s.Frame.LoadFromStream(stream);
    if (StreamVersion >= 200)
        s.Turned = stream.Read<uint8_t>();
    apply(s);
}

void TSenderRect::apply(const TStored &s)
{
    TDrawRect::SetRect(s.Rect);
    Visible = s.Visible;
    SenderTitle = s.Title;
    for (int i = 0; i < 2; ++i)
        Additions1_[i].Visible = s.Visible1[i];
    for (int i = 0; i < static_cast<int>(List2_.size()); ++i)
        List2_[i]->Visible = s.Visible2[i];
    const auto additions = additionsOf(*this);
    for (int i = 0; i < static_cast<int>(additions.size()); ++i) {
        additions[i]->Item = s.Items[i];
        if (s.Items[i] == 0)
            additions[i]->SetText(s.Texts[i]);
    }
    Slots1_ = s.Slots1;
    SetFont(s.Font);
    SetDirection(s.Direction);
    BlockMode = s.BlockMode;
    if (s.HasSlots2) {
        Slots2_ = s.Slots2;
        Layout_ = s.Layout;
    } else {
        // Older blocks had only the first layout; the second starts from its presets.
        for (int i = 0; i < static_cast<int>(List2_.size()); ++i)
            placePreset(0, i);
        Layout_ = 1;
    }
    rebuildActive();
    const auto parts = currentParts();
    Selected_ = s.Selected >= 0 && s.Selected < static_cast<int>(parts.size()) ? parts[s.Selected] : nullptr;
    Frame.Assign(s.Frame);
    // The slots were stored as turned as the parts.
    for (TMetaRect *part : allParts())
        part->SetTurned(s.Turned);
    PartsPlaced_ = 0;
}
