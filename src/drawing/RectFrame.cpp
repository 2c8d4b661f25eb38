#include "drawing/RectFrame.h"

#include "base/Numbers.h"
#include "drawing/ChangeField.h"

#include <algorithm>
#include <cmath>

namespace {

TRect inset(const TRect &r, int by) { return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

int shorterSide(const TRect &r) { return std::min(r.Width(), r.Height()); }

}  // namespace

int TRectFrame::LineWidth() const
{
    static constexpr int Widths[] = {2, 6, 10};
    // A damaged document may hold any byte here; it draws as the thin line.
    return WidthIndex_ <= 2 ? Widths[WidthIndex_] : Widths[0];
}

template <class T> void TRectFrame::change(T &field, T value, const std::function<void(TRectFrame *)> &event)
{
    if (ChangeField(field, value) && event)
        event(this);
}

void TRectFrame::SetVisible(uint8_t value) { change(Visible_, value, OnFrameChange); }
void TRectFrame::SetDoubleLine(uint8_t value) { change(DoubleLine_, value, OnFrameChange); }
void TRectFrame::SetRoundCorner(uint8_t value) { change(RoundCorner_, value, OnFrameChange); }
void TRectFrame::SetWidthIndex(uint8_t value) { change(WidthIndex_, value, OnFrameChange); }
void TRectFrame::SetColor(int32_t value) { change(Color_, value, OnFrameChange); }
void TRectFrame::SetBackVisible(uint8_t value) { change(BackVisible_, value, OnBackChange); }
void TRectFrame::SetBackColor(int32_t value) { change(BackColor_, value, OnBackChange); }

void TRectFrame::Clear()
{
    Visible_ = DoubleLine_ = RoundCorner_ = WidthIndex_ = BackVisible_ = 0;
    Color_ = BackColor_ = 0;
}

void TRectFrame::Assign(const TRectFrame &source)
{
    const bool frameChanged = Visible_ != source.Visible_ || DoubleLine_ != source.DoubleLine_ ||
                              RoundCorner_ != source.RoundCorner_ || WidthIndex_ != source.WidthIndex_ ||
                              Color_ != source.Color_;
    const bool backChanged = BackVisible_ != source.BackVisible_ || BackColor_ != source.BackColor_;
    Visible_ = source.Visible_;
    DoubleLine_ = source.DoubleLine_;
    RoundCorner_ = source.RoundCorner_;
    WidthIndex_ = source.WidthIndex_;
    Color_ = source.Color_;
    BackVisible_ = source.BackVisible_;
    BackColor_ = source.BackColor_;
    if (frameChanged && OnFrameChange)
        OnFrameChange(this);
    if (backChanged && OnBackChange)
        OnBackChange(this);
}

TRect TRectFrame::Draw(TCanvas &canvas, const TRect &rect, double zoom) const
{
    if (!Visible_) {
        if (BackVisible_) {
            canvas.SetBrush(ColorFromBgr(BackColor_));
            canvas.FillRect(rect);
        }
        return rect;
    }
    if (BackVisible_)
        canvas.SetBrush(ColorFromBgr(BackColor_));
    else
        canvas.SetBrushStyle(TBrushStyle::Clear);
    const QColor colour = ColorFromBgr(Color_);
    int lw = std::max(1, RoundToInt(LineWidth() * static_cast<long double>(zoom)));
    canvas.SetPen(colour, lw, true);
    TRect r = rect;
    int d = 0;
    if (RoundCorner_) {
        d = RoundToInt(shorterSide(r) / 5.0L);
        canvas.RoundRect(r, d, d);
    } else {
        canvas.Rectangle(r);
    }
    if (DoubleLine_) {
        const int lw2 = std::max(1, lw / 2);
        canvas.SetPen(colour, lw2, true);
        r = inset(r, WidthIndex_ != 0 ? lw2 + lw : 2 * lw);
        if (!r.IsEmpty()) {
            if (RoundCorner_) {
                d = RoundToInt(shorterSide(r) / (WidthIndex_ != 0 ? 6.0L : 5.0L));
                canvas.RoundRect(r, d, d);
            } else {
                canvas.Rectangle(r);
            }
            lw = lw2;
        }
    }
    const int c = RoundCorner_ ? RoundToInt(std::abs(d / 2.0L - lw) / 2) : 0;
    return inset(r, lw + c);
}

TRect TRectFrame::GetInnerRect(const TRect &rect, double zoom) const
{
    const int t = RoundToInt(LineWidth() * static_cast<long double>(zoom));
    const int w = rect.Width();
    const int h = rect.Height();
    int by = t;
    long double extra = 0;
    if (!DoubleLine_) {
        extra = (std::min(w, h) / 10.0L - t) / 2;
    } else if (WidthIndex_ != 0) {
        by = 2 * t;
        extra = (std::min(w - 3 * (t / 2), h - 3 * (t / 2)) / 12.0L - t) / 2;
    } else {
        by = 5 * (t / 2);
        extra = (std::min(w - 2 * t, h - 2 * t) / 10.0L - t) / 2;
    }
    const int e = RoundCorner_ ? std::max(0, RoundToInt(extra)) : 0;
    return inset(rect, by + e);
}

TRect TRectFrame::GetOuterRect(const TRect &rect) const
{
    const int t = LineWidth();
    const int side = shorterSide(rect);
    int by = t;
    long double divisor = 16;
    if (DoubleLine_ && WidthIndex_ != 0) {
        by = 2 * t;
        divisor = 20;
    } else if (DoubleLine_) {
        by = 5 * (t / 2);
    }
    const int e = RoundCorner_ ? RoundToInt((side + t) / divisor - t / 2.0L) : 0;
    return inset(rect, -(by + e));
}

void TRectFrame::LoadFromStream(TObjectStream &stream)
{
    Visible_ = stream.Read<uint8_t>();
    BackVisible_ = stream.Read<uint8_t>();
    DoubleLine_ = stream.Read<uint8_t>();
    RoundCorner_ = stream.Read<uint8_t>();
    WidthIndex_ = stream.Read<uint8_t>();
    Color_ = stream.Read<int32_t>();
    BackColor_ = stream.Read<int32_t>();
}

void TRectFrame::SaveToStream(TObjectStream &stream) const
{
    stream.Write<uint8_t>(Visible_);
    stream.Write<uint8_t>(BackVisible_);
    stream.Write<uint8_t>(DoubleLine_);
    stream.Write<uint8_t>(RoundCorner_);
    stream.Write<uint8_t>(WidthIndex_);
    stream.Write<int32_t>(Color_);
    stream.Write<int32_t>(BackColor_);
}
