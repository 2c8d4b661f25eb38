#include "drawing/FigureRect.h"

#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "drawing/GradientFill.h"
#include "drawing/Graphic.h"
#include "drawing/PathUtils.h"

#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace {

// Dash patterns of the line styles 1 to 4, in line widths.
const QList<double> DashPatterns[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};

// The bitmap a gradient is painted on; none (nothing is painted) beyond what one object may take.
QImage gradientBitmap(int width, int height)
{
    return RasterFits(width, height, 3) ? QImage(width, height, QImage::Format_RGB888) : QImage();
}

// The corner ellipse of a rounded rectangle of w x h: width by the horizontal choice, height by the vertical.
QSize cornerSize(int w, int h, const std::array<uint8_t, 2> &choices)
{
    static constexpr long double Factors[] = {0.2L, 1.0L / 3, 0.5L};
    // A damaged document may hold any byte here; it draws as the small corner.
    const auto factor = [](uint8_t choice) { return Factors[choice <= 2 ? choice : 0]; };
    const int shorter = std::min(w, h);
    return {RoundToInt(shorter * factor(choices[0])), RoundToInt(shorter * factor(choices[1]))};
}

struct TShape {
    uint8_t Kind;
    QSize Corner;
    uint8_t SectorDirection;
};

TShape shapeOf(const TFigureRect &figure, int width, int height)
{
    return {figure.FigureKind(), cornerSize(width, height, {figure.GetCornerRadius(0), figure.GetCornerRadius(1)}),
            figure.SectorDirection()};
}

// The closed outline of a shape in box (right and bottom outside it) as a figure of the canvas's path.
// A sector's apex lies on the box's last column and row, so its straight sides are inside the box.
void buildOutline(TCanvas &canvas, const TShape &shape, const TRect &box)
{
    const int l = box.Left;
    const int t = box.Top;
    switch (shape.Kind) {
    case TFigureRect::Rectangle: PathRectangle(canvas, l, t, box.Right, box.Bottom); break;
    case TFigureRect::RoundRectangle:
        PathRoundRect(canvas, l, t, box.Right, box.Bottom, shape.Corner.width(), shape.Corner.height());
        break;
    case TFigureRect::Circle: PathEllipse(canvas, l, t, box.Right, box.Bottom); break;
    case TFigureRect::Sector: {
        const int w = box.Width() - 1;
        const int h = box.Height() - 1;
        switch (shape.SectorDirection) {
        case 1: PathPie(canvas, l - w, t, l + w, t + 2 * h, l + w, t + h - 1, l, t); break;
        case 2: PathPie(canvas, l, t - h, l + 2 * w, t + h, l, t, l + w - 1, t + h); break;
        case 3: PathPie(canvas, l - w, t - h, l + w, t + h, l, t + h, l + w, t); break;
        default: PathPie(canvas, l, t, l + 2 * w, t + 2 * h, l + w - 1, t, l, t + h - 1); break;
        }
        break;
    }
    case TFigureRect::Diamond:
        canvas.MoveTo(l + box.Width() / 2, t);
        canvas.LineTo(box.Right, t + box.Height() / 2);
        canvas.LineTo(l + box.Width() / 2, box.Bottom);
        canvas.LineTo(l, t + box.Height() / 2);
        canvas.CloseFigure();
        break;
    default: break;
    }
}

// The outline flattened into whole-pixel points.
QList<QPoint> outlinePoints(TCanvas &canvas, const TShape &shape, const TRect &box)
{
    canvas.BeginPath();
    buildOutline(canvas, shape, box);
    canvas.EndPath();
    canvas.FlattenPath();
    QList<QPoint> points;
    canvas.GetPath(&points, nullptr);
    return points;
}

// The box a pen of width p follows so that its whole width stays inside box: p div 2 in from the left and
// top, and from the right and bottom as far as makes the outer edge of the line the box's last pixel.
TRect insideFrame(const TRect &box, int p)
{
    const int near = p / 2;
    const int far = (p - 1) / 2;
    TRect inner{box.Left + near, box.Top + near, box.Right - far, box.Bottom - far};
    if (inner.Right <= inner.Left)
        inner.Left = inner.Right = box.Left + box.Width() / 2;
    if (inner.Bottom <= inner.Top)
        inner.Top = inner.Bottom = box.Top + box.Height() / 2;
    return inner;
}

// The diamond's own inside line: each side moved in by half the pen along its normal, so the mitred corners
// meet the outer diamond's.
TRect insideDiamond(const TRect &box, int p)
{
    const long double a = box.Width() / 2.0L;
    const long double b = box.Height() / 2.0L;
    const long double d = p / 2.0L;
    const long double side = std::sqrt(a * a + b * b);
    const int dx = b > 0 ? std::min(RoundToInt(d * side / b), box.Width() / 2) : 0;
    const int dy = a > 0 ? std::min(RoundToInt(d * side / a), box.Height() / 2) : 0;
    return {box.Left + dx, box.Top + dy, box.Right - dx, box.Bottom - dy};
}

// The outline that a fill follows: a filled polygon leaves out the pixels on its right and bottom edges, so
// it runs one pixel further for the fill to reach the box's last column and row.
QList<QPoint> fillPoints(TCanvas &canvas, const TShape &shape, const TRect &box)
{
    return outlinePoints(canvas, shape, {box.Left, box.Top, box.Right + 1, box.Bottom + 1});
}

// The shape as a region of box; none for the shapes that fill it whole.
std::optional<QRegion> shapeRegion(const TShape &shape, const TRect &box)
{
    if (shape.Kind == TFigureRect::Line || shape.Kind == TFigureRect::Rectangle || shape.Kind > TFigureRect::Diamond)
        return std::nullopt;
    TMetafileEx scratch;
    TCanvas canvas(scratch, LayoutDpi, LayoutDpi);
    return QRegion(QPolygon(fillPoints(canvas, shape, box)), Qt::WindingFill) & box.ToQRect();
}

// The gradient stretched into target, cut to the shape's region moved by (dx, dy) when it has one.
void drawGradient(TCanvas &canvas, const QImage &fill, const TRect &target, const std::optional<QRegion> &region,
                  int dx, int dy)
{
    if (!region) {
        canvas.StretchDIBits(target, fill, SRCCOPY);
        return;
    }
    const QRegion clip = region->translated(dx, dy);
    canvas.StretchDIBits(target, fill, SRCCOPY, &clip);
}

// Where the square picture of side pixels goes: a metafile plays one unit beyond its rectangle, so the
// rectangle ends one short and the picture keeps its own size.
TRect pictureTarget(int left, int top, int side) { return {left, top, left + side - 1, top + side - 1}; }

// Pictures are recorded at the printer's resolution, so they print sharp; without a printer at the screen's.
QSize renderDpi(const TRenderTarget &target)
{
    return target.Installed ? QSize(target.LogPixelsX, target.LogPixelsY) : QSize(LayoutDpi, LayoutDpi);
}

}  // namespace

void TFigureRect::gradientChanged(bool bitmap, bool region)
{
    if (!gradientFill())
        return;
    if (bitmap)
        FillBitmapValid_ = 0;
    if (region)
        RegionValid_ = 0;
}

void TFigureRect::Assign(const TDrawRect &source)
{
    TDrawRect::Assign(source);
    if (const auto *figure = dynamic_cast<const TFigureRect *>(&source)) {
        Frame_ = figure->Frame_;
        BackFill_ = figure->BackFill_;
        Gradation_ = figure->Gradation_;
        Kind_ = figure->Kind_;
        LineSet_ = figure->LineSet_;
        CornerRadius_ = figure->CornerRadius_;
        SectorDirection_ = figure->SectorDirection_;
        LineStyle_ = figure->LineStyle_;
        LineWidth_ = figure->LineWidth_;
        FrameColor_ = figure->FrameColor_;
        FillColor1_ = figure->FillColor1_;
        FillColor2_ = figure->FillColor2_;
        GradientAngle_ = figure->GradientAngle_;
    }
    PictureValid_ = FillBitmapValid_ = RegionValid_ = 0;
}

void TFigureRect::SetZoom(double zoom)
{
    TDrawRect::SetZoom(zoom);
    gradientChanged(true, true);
}

void TFigureRect::SetRect(const TRect &rect)
{
    TDrawRect::SetRect(rect);
    PictureValid_ = 0;
    gradientChanged(true, true);
}

void TFigureRect::SetDispRect(const TRect &rect)
{
    TDrawRect::SetDispRect(rect);
    PictureValid_ = 0;
    gradientChanged(true, true);
}

// The picture is cut where the clip lies, so it is made again when the clip moves.
void TFigureRect::SetClipMode(uint8_t mode)
{
    if (mode != ClipMode)
        PictureValid_ = 0;
    TDrawRect::SetClipMode(mode);
}

void TFigureRect::SetClipPos(int pos)
{
    if (pos != ClipPos && ClipMode != ClipModes::None)
        PictureValid_ = 0;
    TDrawRect::SetClipPos(pos);
}

void TFigureRect::SetKind(uint8_t kind)
{
    if (!ChangeField(Kind_, kind))
        return;
    if (kind == Line)
        Frame_ = 1;
    PictureValid_ = 0;
    gradientChanged(false, true);
}

void TFigureRect::SetLineDirections(uint8_t lines)
{
    if (!ChangeField(LineSet_, lines))
        return;
    PictureValid_ = 0;
}

void TFigureRect::SetLineWidth(int width)
{
    if (!ChangeField(LineWidth_, width))
        return;
    PictureValid_ = 0;
}

void TFigureRect::SetFrameColor(int32_t colour)
{
    if (!ChangeField(FrameColor_, colour))
        return;
    PictureValid_ = 0;
}

void TFigureRect::SetLineStyle(uint8_t style)
{
    if (style >= 5 || !ChangeField(LineStyle_, style))
        return;
    PictureValid_ = 0;
}

void TFigureRect::SetFrameVisible(bool visible)
{
    if (Kind_ == Line || !ChangeField(Frame_, uint8_t(visible)))
        return;
    PictureValid_ = 0;
}

void TFigureRect::SetCornerRadius(int index, uint8_t choice)
{
    uint8_t &corner = CornerRadius_[index == 0 ? 0 : 1];
    if (!ChangeField(corner, choice))
        return;
    PictureValid_ = 0;
    gradientChanged(false, true);
}

void TFigureRect::SetSectorDirection(uint8_t direction)
{
    if (!ChangeField(SectorDirection_, direction))
        return;
    PictureValid_ = 0;
    gradientChanged(false, true);
}

void TFigureRect::SetBackFill(bool fill)
{
    if (!ChangeField(BackFill_, uint8_t(fill)))
        return;
    PictureValid_ = 0;
    if (Gradation_)
        FillBitmapValid_ = RegionValid_ = 0;
}

void TFigureRect::SetGradation(bool gradation)
{
    if (!ChangeField(Gradation_, uint8_t(gradation)))
        return;
    PictureValid_ = 0;
    if (BackFill_)
        FillBitmapValid_ = RegionValid_ = 0;
}

void TFigureRect::SetFillColor1(int32_t colour)
{
    if (!ChangeField(FillColor1_, colour))
        return;
    PictureValid_ = 0;
    gradientChanged(true, false);
}

void TFigureRect::SetFillColor2(int32_t colour)
{
    if (!ChangeField(FillColor2_, colour))
        return;
    PictureValid_ = 0;
    gradientChanged(true, false);
}

void TFigureRect::SetGradientAngle(int angle)
{
    if (!ChangeField(GradientAngle_, angle))
        return;
    PictureValid_ = 0;
    gradientChanged(true, false);
}

void TFigureRect::FreePrintCache()
{
    PrintFill_ = QImage();
    PrintRegion_.reset();
}

void TFigureRect::Prepare(const TRenderTarget &target, bool force)
{
    if (force || !PictureValid_) {
        Picture_.Clear();
        if (!Rect.IsEmpty()) {
            const QSize dpi = renderDpi(target);
            const int w = LayoutToPixels(Rect.Width(), dpi.width());
            const int h = LayoutToPixels(Rect.Height(), dpi.height());
            const int side = std::max(w, h);
            TCanvas canvas(Picture_, dpi.width(), dpi.height());
            Picture_.SetSize(side, side);
            const int px = LayoutToPixels(ClipPos - Rect.Left, dpi.width());
            const int py = LayoutToPixels(ClipPos - Rect.Top, dpi.height());
            // Nothing is drawn outside the object's own rectangle, whatever the pen.
            TRect clip{0, 0, w, h};
            switch (ClipMode) {
            case ClipModes::KeepLeft: clip.Right = std::min(clip.Right, px); break;
            case ClipModes::KeepAbove: clip.Bottom = std::min(clip.Bottom, py); break;
            case ClipModes::KeepRight: clip.Left = std::max(clip.Left, px); break;
            case ClipModes::KeepBelow: clip.Top = std::max(clip.Top, py); break;
            default: break;
            }
            canvas.SetClipRect(clip);
            renderPicture(canvas, {0, 0, w, h}, std::max(1, LayoutToPixels(LineWidth_, dpi.height())));
        }
        PictureValid_ = 1;
    }
    if (!gradientFill()) {
        ScreenFill_ = QImage();
        ScreenRegion_.reset();
        return;
    }
    if (!FillBitmapValid_) {
        ScreenFill_ = gradientBitmap(DispRect.Width(), DispRect.Height());
        FillGradient(ScreenFill_, GradientAngle_, ColorFromBgr(FillColor1_), ColorFromBgr(FillColor2_));
        FillBitmapValid_ = 1;
    }
    if (!RegionValid_) {
        ScreenRegion_ = shapeRegion(shapeOf(*this, DispRect.Width(), DispRect.Height()), DispRect);
        RegionValid_ = 1;
    }
}

void TFigureRect::renderPicture(TCanvas &canvas, const TRect &box, int p) const
{
    const bool fill = BackFill_ && !Gradation_;
    const QColor frameColour = ColorFromBgr(FrameColor_);
    const QList<double> *pattern = LineStyle_ >= 1 && LineStyle_ <= 4 ? &DashPatterns[LineStyle_ - 1] : nullptr;
    // Dashes are strokes of their own along the outline; a solid outline is the outline drawn with the pen.
    const auto stroke = [&](const QList<QPoint> &figure, bool closed) {
        if (pattern) {
            TPath path;
            path.LoadFromCanvas(canvas);
            StrokePathDashed(path, canvas, p, true, *pattern, frameColour);
            return;
        }
        canvas.SetPen(frameColour, p);
        canvas.SetBrushStyle(TBrushStyle::Clear);
        if (closed)
            canvas.Polygon(figure);
        else
            canvas.Polyline(figure);
    };

    if (Kind_ == Line) {
        if (fill) {
            canvas.SetBrush(ColorFromBgr(FillColor1_));
            canvas.FillRect(box);
        }
        const int w = box.Width();
        const int h = box.Height();
        const QLine lines[] = {{0, h / 2, w, h / 2}, {w / 2, 0, w / 2, h}, {0, 0, w, h}, {w, 0, 0, h}};
        for (int bit = 0; bit < 4; ++bit) {
            if (!(LineSet_ & (1 << bit)))
                continue;
            canvas.BeginPath();
            canvas.MoveTo(lines[bit].x1(), lines[bit].y1());
            canvas.LineTo(lines[bit].x2(), lines[bit].y2());
            canvas.EndPath();
            stroke({lines[bit].p1(), lines[bit].p2()}, false);
        }
        return;
    }
    if (Kind_ > Diamond)
        return;
    const TShape outline = shapeOf(*this, box.Width(), box.Height());
    if (fill) {
        canvas.SetNullPen();
        canvas.SetBrush(ColorFromBgr(FillColor1_));
        if (Kind_ == Rectangle)
            canvas.FillRect(box);
        else
            canvas.Polygon(fillPoints(canvas, outline, box));
    }
    if (!Frame_)
        return;
    // The pen runs inside the outline, so the whole line width shows within the rectangle.
    TRect inner = Kind_ == Diamond ? insideDiamond(box, p) : insideFrame(box, p);
    TShape innerShape = outline;
    innerShape.Corner = QSize(std::max(0, outline.Corner.width() - (p - 1)), std::max(0, outline.Corner.height() - (p - 1)));
    stroke(outlinePoints(canvas, innerShape, inner), true);
}

void TFigureRect::Draw(TCanvas &canvas, int dx, int dy)
{
    Prepare(canvas.Target(), false);
    const int left = DispRect.Left + dx;
    const int top = DispRect.Top + dy;
    if (gradientFill() && !ScreenFill_.isNull())
        drawGradient(canvas, ScreenFill_, {left, top, left + ScreenFill_.width(), top + ScreenFill_.height()},
                     ScreenRegion_, dx, dy);
    canvas.StretchDraw(pictureTarget(left, top, std::max(DispRect.Width(), DispRect.Height())), Picture_);
}

void TFigureRect::CalcPrintRect(const TRenderTarget &caps, QPoint offset, bool keepMargins)
{
    TDrawRect::CalcPrintRect(caps, offset, keepMargins);
    if (!gradientFill())
        return;
    const long double width = PrintRect_.Width();
    const long double height = PrintRect_.Height();
    // A gradient needs no more than half the resolution of a fine printer; a coarse one gets the screen's.
    const QSize size = caps.LogPixelsY <= 200
                           ? QSize(PixelsToLayout(width, caps.LogPixelsX), PixelsToLayout(height, caps.LogPixelsY))
                           : QSize(RoundToInt(width * 0.48L), RoundToInt(height * 0.48L));
    PrintFill_ = gradientBitmap(size.width(), size.height());
    FillGradient(PrintFill_, GradientAngle_, ColorFromBgr(FillColor1_), ColorFromBgr(FillColor2_));
    PrintRegion_ = shapeRegion(shapeOf(*this, PrintRect_.Width(), PrintRect_.Height()), PrintRect_);
}

void TFigureRect::Print(TCanvas &canvas, int dx, int dy)
{
    const int left = PrintRect_.Left + dx;
    const int top = PrintRect_.Top + dy;
    if (gradientFill() && !PrintFill_.isNull())
        drawGradient(canvas, PrintFill_, {left, top, PrintRect_.Right + dx, PrintRect_.Bottom + dy}, PrintRegion_, dx,
                     dy);
    canvas.StretchDraw(pictureTarget(left, top, Picture_.Width()), Picture_);
}

void TFigureRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredBase base = ReadStoredBase(stream);
    // The figure's own fields are plain values: read into a copy, taken over whole.
    TFigureRect read;
    read.Frame_ = stream.Read<uint8_t>();
    read.BackFill_ = stream.Read<uint8_t>();
    read.Gradation_ = stream.Read<uint8_t>();
    read.Kind_ = stream.Read<uint8_t>();
    read.LineSet_ = stream.Read<uint8_t>();
    read.CornerRadius_[0] = stream.Read<uint8_t>();
    read.CornerRadius_[1] = stream.Read<uint8_t>();
    stream.Read<uint16_t>();
    read.SectorDirection_ = StreamVersion >= 300 ? stream.Read<uint8_t>() : 0;
    read.LineStyle_ = stream.Read<uint8_t>();
    // No line is wider than the paper's reach; the width times the resolution then stays in range.
    read.LineWidth_ = CheckedStreamValue(stream.Read<int32_t>(), 0, PaperReach);
    read.FrameColor_ = stream.Read<int32_t>();
    read.FillColor1_ = stream.Read<int32_t>();
    read.FillColor2_ = stream.Read<int32_t>();
    read.GradientAngle_ = stream.Read<int32_t>();
    ApplyStoredBase(base);
    Frame_ = read.Frame_;
    BackFill_ = read.BackFill_;
    Gradation_ = read.Gradation_;
    Kind_ = read.Kind_;
    LineSet_ = read.LineSet_;
    CornerRadius_ = read.CornerRadius_;
    SectorDirection_ = read.SectorDirection_;
    LineStyle_ = read.LineStyle_;
    LineWidth_ = read.LineWidth_;
    FrameColor_ = read.FrameColor_;
    FillColor1_ = read.FillColor1_;
    FillColor2_ = read.FillColor2_;
    GradientAngle_ = read.GradientAngle_;
    PictureValid_ = FillBitmapValid_ = RegionValid_ = 0;
}

void TFigureRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    stream.Write<uint8_t>(Frame_);
    stream.Write<uint8_t>(BackFill_);
    stream.Write<uint8_t>(Gradation_);
    stream.Write<uint8_t>(Kind_);
    stream.Write<uint8_t>(LineSet_);
    stream.Write<uint8_t>(CornerRadius_[0]);
    stream.Write<uint8_t>(CornerRadius_[1]);
    stream.Write<uint16_t>(0);
    stream.Write<uint8_t>(SectorDirection_);
    stream.Write<uint8_t>(LineStyle_);
    stream.Write<int32_t>(LineWidth_);
    stream.Write<int32_t>(FrameColor_);
    stream.Write<int32_t>(FillColor1_);
    stream.Write<int32_t>(FillColor2_);
    stream.Write<int32_t>(GradientAngle_);
}
