// The border and background of the free-text and picture objects and of the sender block: a frame line
// (single or double, square or round corners, three widths, a colour) and a background fill.
#pragma once

#include "drawing/Canvas.h"
#include "drawing/ObjectStream.h"

#include <cstdint>
#include <functional>

class TRectFrame {
public:
    // The owners point both events at their own handler that drops their cached picture.
    std::function<void(TRectFrame *)> OnFrameChange;
    std::function<void(TRectFrame *)> OnBackChange;

    uint8_t Visible() const { return Visible_; }
    uint8_t DoubleLine() const { return DoubleLine_; }
    uint8_t RoundCorner() const { return RoundCorner_; }
    uint8_t WidthIndex() const { return WidthIndex_; }
    // Colours as the stream keeps them: 0x00BBGGRR.
    int32_t Color() const { return Color_; }
    uint8_t BackVisible() const { return BackVisible_; }
    int32_t BackColor() const { return BackColor_; }

    void SetVisible(uint8_t value);
    void SetDoubleLine(uint8_t value);
    void SetRoundCorner(uint8_t value);
    void SetWidthIndex(uint8_t value);
    void SetColor(int32_t value);
    void SetBackVisible(uint8_t value);
    void SetBackColor(int32_t value);

    // Every setting back to 0, without events.
    void Clear();
    void Assign(const TRectFrame &source);

    // Draws frame and background on rect at zoom and answers the rectangle left for the content.
    TRect Draw(TCanvas &canvas, const TRect &rect, double zoom) const;
    // The content rectangle inside a frame drawn on rect at zoom.
    TRect GetInnerRect(const TRect &rect, double zoom) const;
    // The rectangle a frame needs around the content rectangle rect (unzoomed).
    TRect GetOuterRect(const TRect &rect) const;

    void LoadFromStream(TObjectStream &stream);
    void SaveToStream(TObjectStream &stream) const;

private:
    // The line width of WidthIndex at zoom 1.
    int LineWidth() const;
    template <class T> void change(T &field, T value, const std::function<void(TRectFrame *)> &event);

    uint8_t Visible_ = 0;
    uint8_t DoubleLine_ = 0;
    uint8_t RoundCorner_ = 0;
    uint8_t WidthIndex_ = 0;
    int32_t Color_ = 0;
    uint8_t BackVisible_ = 0;
    int32_t BackColor_ = 0;
};
