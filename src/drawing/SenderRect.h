// The sender block of the letter-body designer: the sender's postal code, address, name and extra texts as
// one object, in one of two layouts of text parts placed inside the block's rectangle, with a frame and a
// background. The user moves and sizes the whole block or, in part mode, one part; the parts' places are kept
// as slots in a 205 x 205 box, scaled to the block when it is drawn.
#pragma once

#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/CorpRect.h"
#include "drawing/DrawRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/RectFrame.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <span>

class TSenderRect : public TDrawRect {
public:
    // The side of the box the slots are kept in.
    static constexpr int SlotBox = 205;

    TSenderRect();
    TSenderRect(const TSenderRect &) = delete;
    TSenderRect &operator=(const TSenderRect &) = delete;

    // Copies settings, slots, additions and part visibility; the names and addresses are not copied, as the
    // designer fills them from the sender record.
    void Assign(const TDrawRect &source) override;
    void SetZoom(double zoom) override;
    // In part mode these act on the selected part (an empty rectangle, or nothing, while none is selected) and
    // a part moved or sized resizes the block around the parts.
    TRect GetRect() const override;
    void SetRect(const TRect &rect) override;
    TRect GetDispRect() const override;
    void SetDispRect(const TRect &rect) override;
    void SetClipMode(uint8_t mode) override;
    void SetClipPos(int pos) override;
    uint8_t GetKind() const override { return ObjectKind::Sender; }
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    void CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins) override;
    void Prepare(const TRenderTarget &target, bool force) override;
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;
    // In part mode a hit selects the frontmost active part under the point and brings it to the front; a miss
    // selects nothing. The designer finds the object under the mouse this way, so the selection is kept in
    // mutable state.
    bool PtInRect(int x, int y) const override;
    Qt::CursorShape HitTest(int x, int y) const override;
    TEdgeCodes EdgeHitTest(int x, int y) const override;

    // 1: layout 1 (postal code, address, name, two additions); 0: layout 2 (postal code, three address lines,
    // company, two departments, post, name, four additions).
    uint8_t GetLayout() const { return Layout_; }
    void SetLayout(uint8_t layout);
    // Copies the preset place of part index of the current layout (in the column of the writing direction)
    // into its slot; -1 resets every slot of both layouts.
    void PlaceParts(int index);
    // After a part was moved or sized: the slots of the current layout are taken from the parts' places
    // relative to the active parts' union, and the block becomes that union with its margin and frame.
    void FitToParts();

    const TFont &GetFont() const { return Pos1_.Font(); }
    void SetFont(const TFont &font);
    uint8_t GetDirection() const { return Address1_.Direction(); }
    void SetDirection(uint8_t direction);
    uint8_t GetTurned() const { return Pos1_.Turned(); }
    // Turns every part and every slot by a half turn in the slot box.
    void SetTurned(uint8_t turned);
    void CalcFontHeight(int scale);
    void UpdateFontHeight();
    // The size steps (1 to 5) of the address lines, of the name and the company lines, and of the additions;
    // the postal code keeps its one size. The heights follow at the next UpdateFontHeight.
    void SetSizeSteps(int address, int name, int addition);
    void ClearTexts();
    // The block's own displayed rectangle, in part mode too.
    TRect GetBlockDispRect() const { return DispRect; }

    // The parts, for the designer to fill; the indexed getters answer null outside their range.
    TPosRect &PostalCode1() { return Pos1_; }
    TAddressRect &Address1() { return Address1_; }
    TNameRect &Name1() { return Name1_; }
    TAdditionRect *GetAddition1(int index);
    TPosRect &PostalCode2() { return Pos2_; }
    TAddressRect *GetAddress(int index);
    TCorpRect &Company() { return Company_; }
    TCorpRect *GetDepartment(int index);
    TCorpRect &Post() { return Post_; }
    TNameRect &Name2() { return Name2_; }
    TAdditionRect *GetAddition2(int index);

    // Visibility of the layout-2 parts and of the layout-1 additions. Switching a part on puts it back at its
    // preset place; the change shows in the active list while its layout is current, and from the next
    // change of layout otherwise.
    uint8_t GetPosVisible() const { return Pos2_.Visible; }
    void SetPosVisible(bool on);
    uint8_t GetAddressVisible(int index) const;
    void SetAddressVisible(int index, bool on);
    uint8_t GetNameVisible() const { return Name2_.Visible; }
    void SetNameVisible(bool on);
    uint8_t GetCorpVisible() const { return Company_.Visible; }
    void SetCorpVisible(bool on);
    uint8_t GetDepartmentVisible(int index) const;
    void SetDepartmentVisible(int index, bool on);
    uint8_t GetPostVisible() const { return Post_.Visible; }
    void SetPostVisible(bool on);
    void SetAddition2Visible(int index, bool on);
    void SetAddition1Visible(int index, bool on);

    // The parts drawn, printed and hit-tested, frontmost first.
    const QList<TMetaRect *> &ActiveParts() const { return Active_; }
    TMetaRect *SelectedPart() const { return Selected_; }
    // The designer clears the selection when it changes the layout.
    void ClearSelection() { Selected_ = nullptr; }
    // In part mode, the selected part as its index among all the block's parts (-1 in block mode or with none),
    // and the part of such an index made the selected one: an undo step of a part's move names its part, since
    // the selection may have moved on to another by the time it is undone.
    int SelectedPartIndex() const;
    void SelectPartIndex(int index);
    // The slots of layout 1 or (any other value) layout 2, in the order of its parts.
    std::span<const TRect> Slots(uint8_t layout) const;

    // The Title of the sender record shown (Shift-JIS).
    QByteArray SenderTitle;
    // 1: geometry and hit tests act on the whole block; 0: on the selected part.
    uint8_t BlockMode = 1;
    TRectFrame Frame;

private:
    struct TStored;

    std::span<TMetaRect *const> partsOf(uint8_t layout) const;
    std::span<TRect> slotsOf(uint8_t layout);
    std::span<TMetaRect *const> currentParts() const { return partsOf(Layout_); }
    // Both layouts' parts, eighteen in all.
    std::array<TMetaRect *, 18> allParts() const;
    // Whether part index of layout belongs in the active list when that layout is current.
    bool shown(uint8_t layout, int index) const;
    void rebuildActive();
    void setPartVisible(uint8_t layout, int index, bool on);
    uint8_t partVisible(uint8_t layout, int index) const;
    void placePreset(uint8_t layout, int index);
    // The rectangle inside the frame, in layout units.
    TRect innerRect() const;
    // Scales the slots of the current layout into inner, unless the parts already stand there.
    void placeInto(const TRect &inner);
    void apply(const TStored &stored);
    // The additions of layout 1, then those of layout 2, in the order the stream keeps them.
    template <class Self> static auto additionsOf(Self &self)
    {
        return std::array{&self.Additions1_[0], &self.Additions1_[1], &self.Additions2_[0],
                          &self.Additions2_[1], &self.Additions2_[2], &self.Additions2_[3]};
    }

    TPosRect Pos1_;
    TAddressRect Address1_;
    TNameRect Name1_;
    std::array<TAdditionRect, 2> Additions1_;
    TPosRect Pos2_;
    std::array<TAddressRect, 3> Addresses2_;
    TCorpRect Company_;
    std::array<TCorpRect, 2> Departments_;
    TCorpRect Post_;
    TNameRect Name2_;
    std::array<TAdditionRect, 4> Additions2_;
    std::array<TMetaRect *, 5> List1_;
    std::array<TMetaRect *, 13> List2_;
    std::array<TRect, 5> Slots1_{};
    std::array<TRect, 13> Slots2_{};
    mutable QList<TMetaRect *> Active_;
    mutable TMetaRect *Selected_ = nullptr;
    uint8_t PartsPlaced_ = 0;
    uint8_t Layout_ = 1;
};

// The selected part of object when it is a sender block moved part by part, else -1; and the part made the
// selected one again (nothing for other objects or -1).
int SelectedSenderPart(const TDrawRect *object);
void SelectSenderPart(TDrawRect *object, int part);
