#include "designers/CanvasGeometry.h"

#include "base/Numbers.h"
#include "base/Units.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

double FitZoom(QSize free, int paperWidth, int paperHeight)
{
    if (paperWidth <= 0 || paperHeight <= 0)
        return 1.0;
    return std::min(double(free.width() - 2 * CardMargin) / paperWidth,
                    double(free.height() - 2 * CardMargin) / paperHeight);
}

int SnapToGrid(int value, int pitch)
{
    if (pitch <= 0)
        return value;
    return RoundToInt(double(value) / pitch) * pitch;
}

int ArrowGridTarget(int p, int pitch, bool forward)
{
    if (forward)
        return (int(std::trunc(double(p + 2) / pitch)) + 1) * pitch;
    return (int(std::ceil(double(p - 2) / pitch)) - 1) * pitch;
}

TRect OffsetRect(const TRect &r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

TRect NormalizedRect(const TRect &r)
{
    return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                 std::max(r.Top, r.Bottom)};
}

TRect UnionRect(const std::vector<TRect> &rects)
{
    if (rects.empty())
        return {};
    TRect u = rects.front();
    for (const TRect &r : rects) {
        u.Left = std::min(u.Left, r.Left);
        u.Top = std::min(u.Top, r.Top);
        u.Right = std::max(u.Right, r.Right);
        u.Bottom = std::max(u.Bottom, r.Bottom);
    }
    return u;
}

TRect KeepOnPaper(const TRect &r, int paperWidth, int paperHeight)
{
    TRect k = r;
    const auto keep = [](int &low, int &high, int size) {
        if (high < 0) {
            const int shift = -low;
            low += shift;
            high += shift;
        } else if (low > size) {
            const int shift = high - low > size ? -low : size - high;
            low += shift;
            high += shift;
        }
    };
    keep(k.Left, k.Right, paperWidth);
    keep(k.Top, k.Bottom, paperHeight);
    return k;
}

TRect TurnedRect(const TRect &r, int paperWidth, int paperHeight)
{
    return TRect{paperWidth - r.Right, paperHeight - r.Bottom, paperWidth - r.Left, paperHeight - r.Top};
}

QPoint MoveDelta(QPoint delta, const TRect &focused, int pitch, bool constrain)
{
    int dx = delta.x(), dy = delta.y();
    if (pitch > 0) {
        dx = SnapToGrid(focused.Left + dx, pitch) - focused.Left;
        dy = SnapToGrid(focused.Top + dy, pitch) - focused.Top;
    }
    if (constrain) {
        if (std::abs(dy) < std::abs(dx))
            dy = 0;
        else
            dx = 0;
    }
    return {dx, dy};
}

std::vector<TRect> ResizeOutlines(const std::vector<TRect> &rects, TEdgeCodes handle, QPoint delta, int pitch,
                                  bool constrain)
{
    const TRect u = UnionRect(rects);
    TRect n = u;
    const uint8_t h = handle.Horizontal, v = handle.Vertical;
    const bool hMoves = h == EdgeCode::Left || h == EdgeCode::Right;
    const bool vMoves = v == EdgeCode::Top || v == EdgeCode::Bottom;
    if (h == EdgeCode::Left)
        n.Left = SnapToGrid(u.Left + delta.x(), pitch);
    else if (h == EdgeCode::Right)
        n.Right = SnapToGrid(u.Right + delta.x(), pitch);
    if (v == EdgeCode::Top)
        n.Top = SnapToGrid(u.Top + delta.y(), pitch);
    else if (v == EdgeCode::Bottom)
        n.Bottom = SnapToGrid(u.Bottom + delta.y(), pitch);
    if (constrain && u.Width() != 0 && u.Height() != 0) {
        int dx = 0, dy = 0;
        double sx = 0, sy = 0;
        if (hMoves) {
            sx = double(n.Width()) / u.Width();
            dx = h == EdgeCode::Left ? n.Left - u.Left : n.Right - u.Right;
        }
        if (vMoves) {
            sy = double(n.Height()) / u.Height();
            dy = v == EdgeCode::Top ? n.Top - u.Top : n.Bottom - u.Bottom;
        }
        const double ratio = double(u.Width()) / u.Height();
        if (std::abs(sx) < std::abs(sy)) {
            dx = RoundToInt(dy * ratio);
            if ((h != EdgeCode::Left && v == EdgeCode::Top) || (h == EdgeCode::Left && v == EdgeCode::Bottom))
                dx = -dx;
        } else {
            dy = RoundToInt(dx / ratio);
            if ((h == EdgeCode::Right && v == EdgeCode::Top) || (h == EdgeCode::Left && v != EdgeCode::Top))
                dy = -dy;
        }
        n = u;
        if (h == EdgeCode::Left)
            n.Left = u.Left + dx;
        else if (h == EdgeCode::Right)
            n.Right = u.Right + dx;
        else {
            n.Left = u.Left - dx / 2;
            n.Right = u.Right + dx / 2;
        }
        if (v == EdgeCode::Top)
            n.Top = u.Top + dy;
        else if (v == EdgeCode::Bottom)
            n.Bottom = u.Bottom + dy;
        else {
            n.Top = u.Top - dy / 2;
            n.Bottom = u.Bottom + dy / 2;
        }
    }
    const double fx = u.Width() != 0 ? double(n.Width()) / u.Width() : 1.0;
    const double fy = u.Height() != 0 ? double(n.Height()) / u.Height() : 1.0;
    std::vector<TRect> outlines;
    outlines.reserve(rects.size());
    for (const TRect &r : rects) {
        const int left = n.Left + RoundToInt((r.Left - u.Left) * fx);
        const int top = n.Top + RoundToInt((r.Top - u.Top) * fy);
        outlines.push_back(TRect{left, top, left + RoundToInt(r.Width() * fx), top + RoundToInt(r.Height() * fy)});
    }
    return outlines;
}

TRect FinalOutline(const TRect &outline, int minPixels)
{
    TRect o = NormalizedRect(outline);
    o.Right = std::max(o.Right, o.Left + minPixels);
    o.Bottom = std::max(o.Bottom, o.Top + minPixels);
    return o;
}

std::array<TRect, 8> SelectionHandles(const TRect &r)
{
    const int midX = r.Left + (r.Right - r.Left) / 2;
    const int midY = r.Top + (r.Bottom - r.Top) / 2;
    const std::array<QPoint, 8> corners{QPoint(r.Left - 3, r.Top - 3),  QPoint(r.Left - 3, midY - 3),
                                        QPoint(r.Left - 3, r.Bottom - 4), QPoint(midX - 3, r.Top - 3),
                                        QPoint(r.Right - 4, r.Top - 3), QPoint(r.Right - 4, midY - 3),
                                        QPoint(r.Right - 4, r.Bottom - 4), QPoint(midX - 3, r.Bottom - 4)};
    std::array<TRect, 8> handles;
    for (size_t i = 0; i < 8; ++i)
        handles[i] = TRect{corners[i].x(), corners[i].y(), corners[i].x() + 7, corners[i].y() + 7};
    return handles;
}

QSize PictureLayoutSize(QSize pixels, int resolution, const TRect &printable, int paperWidth, int paperHeight)
{
    const double dpi = resolution > 0 ? resolution : 72;
    int width = PixelsToLayout(pixels.width(), dpi);
    int height = PixelsToLayout(pixels.height(), dpi);
    const int availableWidth = std::min(printable.Right, paperWidth) - std::max(printable.Left, 0);
    const int availableHeight = std::min(printable.Bottom, paperHeight) - std::max(printable.Top, 0);
    if ((width > availableWidth || height > availableHeight) && width > 0 && height > 0) {
        const double ratio = std::min(double(availableWidth) / width, double(availableHeight) / height);
        width = RoundToInt(width * ratio);
        height = RoundToInt(height * ratio);
    }
    return {width, height};
}
