// The figure object of the designers: lines, rectangles, rounded rectangles, ellipses, quarter-ellipse sectors
// and diamonds, with an outline in one of five line styles and a fill in one colour or a two-colour gradient.
// Outline and plain fill are recorded once at the printer's resolution; a gradient is a bitmap of its own,
// cut to the figure's shape when it is drawn.
#pragma once

#include "drawing/DrawRect.h"

#include <QImage>
#include <QRegion>

#include <array>
#include <cstdint>
#include <optional>

class TFigureRect : public TDrawRect {
public:
    enum : uint8_t { Line = 0, Rectangle = 1, RoundRectangle = 2, Circle = 3, Sector = 4, Diamond = 5 };

    TFigureRect() = default;

    void Assign(const TDrawRect &source) override;
    void SetZoom(double zoom) override;
    void SetRect(const TRect &rect) override;
    void SetDispRect(const TRect &rect) override;
    void SetClipMode(uint8_t mode) override;
    void SetClipPos(int pos) override;
    uint8_t GetKind() const override { return ObjectKind::Figure; }
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    // The printed rectangle, then the gradient and the shape at the printer's resolution.
    void CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins) override;
    void Prepare(const TRenderTarget &target, bool force) override;
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;

    // Each setter does nothing when the value is the current one.
    void SetKind(uint8_t kind);
    // Bit 0 the horizontal line through the middle, bit 1 the vertical one, bit 2 the diagonal from the top
    // left, bit 3 the one from the top right.
    void SetLineDirections(uint8_t lines);
    // Outline width in pixels at 96 dpi.
    void SetLineWidth(int width);
    void SetFrameColor(int32_t colour);
    // 0 solid, 1 dashed, 2 dotted, 3 dash-dot, 4 dash-dot-dot; others are ignored.
    void SetLineStyle(uint8_t style);
    // A line figure always shows its outline.
    void SetFrameVisible(bool visible);
    // index 0 the corner's width, 1 its height; choice 0 small, 1 normal, 2 large.
    void SetCornerRadius(int index, uint8_t choice);
    // Where the sector's apex lies: 0 bottom right, 1 bottom left, 2 top right, 3 top left.
    void SetSectorDirection(uint8_t direction);
    void SetBackFill(bool fill);
    void SetGradation(bool gradation);
    void SetFillColor1(int32_t colour);
    void SetFillColor2(int32_t colour);
    void SetGradientAngle(int angle);
    // Frees what CalcPrintRect made for the gradient; the designers call it after printing.
    void FreePrintCache();

    uint8_t FigureKind() const { return Kind_; }
    uint8_t LineDirections() const { return LineSet_; }
    int LineWidth() const { return LineWidth_; }
    int32_t FrameColor() const { return FrameColor_; }
    uint8_t LineStyle() const { return LineStyle_; }
    bool FrameVisible() const { return Frame_ != 0; }
    uint8_t GetCornerRadius(int index) const { return CornerRadius_[index == 0 ? 0 : 1]; }
    uint8_t SectorDirection() const { return SectorDirection_; }
    bool BackFill() const { return BackFill_ != 0; }
    bool Gradation() const { return Gradation_ != 0; }
    int32_t FillColor1() const { return FillColor1_; }
    int32_t FillColor2() const { return FillColor2_; }
    int GradientAngle() const { return GradientAngle_; }

    // The caches, for the designers' previews and the tests.
    const TMetafileEx &Picture() const { return Picture_; }
    bool PictureValid() const { return PictureValid_ != 0; }
    bool FillBitmapValid() const { return FillBitmapValid_ != 0; }
    bool RegionValid() const { return RegionValid_ != 0; }

private:
    // Outline and plain fill into box on canvas with a pen p pixels wide.
    void renderPicture(TCanvas &canvas, const TRect &box, int p) const;
    bool gradientFill() const { return BackFill_ && Gradation_; }
    // Drops the gradient bitmap and shape when a gradient is shown.
    void gradientChanged(bool bitmap, bool region);

    TMetafileEx Picture_;
    uint8_t PictureValid_ = 0;
    uint8_t FillBitmapValid_ = 0;
    uint8_t RegionValid_ = 0;
    // Displayed coordinates; none for shapes that fill their whole rectangle.
    std::optional<QRegion> ScreenRegion_;
    QImage ScreenFill_;
    uint8_t BackFill_ = 0;
    uint8_t Gradation_ = 0;
    uint8_t Frame_ = 1;
    int LineWidth_ = 5;
    int GradientAngle_ = 0;
    int32_t FrameColor_ = 0;
    int32_t FillColor2_ = 0;
    int32_t FillColor1_ = 0;
    uint8_t Kind_ = Line;
    uint8_t LineSet_ = 1;
    uint8_t LineStyle_ = 0;
    std::array<uint8_t, 2> CornerRadius_{0, 0};
    QImage PrintFill_;
    // Printed coordinates.
    std::optional<QRegion> PrintRegion_;
    uint8_t SectorDirection_ = 0;
};
