#include "designers/DesignGeometry.h"

#include "base/Numbers.h"
#include "drawing/DrawRect.h"

#include <algorithm>
#include <cmath>

namespace {

TRect moved(const TRect &r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

TRect sized(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// The vertical commands are the horizontal ones on rectangles mirrored in the diagonal.
TRect transposed(const TRect &r) { return {r.Top, r.Left, r.Bottom, r.Right}; }

// How far a pasted object moves back along one axis: only one wholly beyond the far edge moves.
int pasteShift(int low, int high, int extent)
{
    if (high < 0)
        return std::abs(low);
    if (low > extent)
        return high - low > extent ? -low : extent - high;
    return 0;
}

// How far an object moves onto the paper along one axis when the paper changes without scaling.
int ontoPaperShift(int low, int high, int extent)
{
    if (low < 0)
        return -low;
    if (high > extent)
        return high - low > extent ? -low : extent - high;
    return 0;
}

}  // namespace

QList<TRect> PlacePastedGroup(const QList<TRect> &rects, QSize paper)
{
    if (rects.isEmpty())
        return {};
    int minX = rects.first().Left, minY = rects.first().Top;
    for (const TRect &r : rects) {
        minX = std::min(minX, r.Left);
        minY = std::min(minY, r.Top);
    }
    QList<TRect> placed;
    for (const TRect &r : rects) {
        const TRect at = moved(r, -minX, -minY);
        placed.append(moved(at, pasteShift(at.Left, at.Right, paper.width()),
                            pasteShift(at.Top, at.Bottom, paper.height())));
    }
    return placed;
}

TRect CentreOnPaper(const TRect &rect, TPaperCentring how, QSize paper)
{
    int left = rect.Left, top = rect.Top;
    if (how != TPaperCentring::Horizontal)
        top = (paper.height() - rect.Height()) / 2;
    if (how != TPaperCentring::Vertical)
        left = (paper.width() - rect.Width()) / 2;
    return sized(left, top, rect.Width(), rect.Height());
}

TRect AlignToReference(const TRect &rect, const TRect &reference, int tag)
{
    const int w = rect.Width(), h = rect.Height();
    const TRect &ref = reference;
    switch (tag) {
    case 0: return sized(rect.Left, ref.Top, w, h);
    case 1: return sized(rect.Left, ref.Bottom - h, w, h);
    case 2: return sized(ref.Right - w, rect.Top, w, h);
    case 3: return sized(ref.Left, rect.Top, w, h);
    case 4: return sized(rect.Left, ref.Top + (ref.Height() - h) / 2, w, h);
    case 5: return sized(ref.Left + (ref.Width() - w) / 2, rect.Top, w, h);
    case 6: return sized(ref.Left + (ref.Width() - w) / 2, ref.Top + (ref.Height() - h) / 2, w, h);
    case 7: return sized(rect.Left, rect.Top, ref.Width(), h);
    case 8: return sized(rect.Left, rect.Top, w, ref.Height());
    case 9: return sized(rect.Left, rect.Top, ref.Width(), ref.Height());
    default: return rect;
    }
}

QList<TSpacedRect> SpaceEvenly(const QList<TRect> &rects, int tag, QSize paper)
{
    const bool vertical = tag == 1 || tag == 3;
    const bool overPaper = tag == 0 || tag == 1;
    const int extent = vertical ? paper.height() : paper.width();

    QList<TSpacedRect> order;
    for (int i = 0; i < rects.size(); ++i) {
        const TRect r = vertical ? transposed(rects[i]) : rects[i];
        const auto after = std::find_if(order.begin(), order.end(),
                                        [&](const TSpacedRect &s) { return s.Rect.Left > r.Left; });
        order.insert(after, {i, r});
    }
    const int n = int(order.size());
    if (n < 2)
        return {};

    int total = 0;
    for (const TSpacedRect &s : order)
        total += s.Rect.Width();
    const int start = overPaper ? 0 : order.first().Rect.Left;
    const int end = overPaper ? extent : order.last().Rect.Right;
    const int spare = end - start - total;
    const int gap = overPaper && spare > 0 ? spare / (n + 1) : spare / (n - 1);
    int position = overPaper ? std::max(gap, 0) : start;

    for (TSpacedRect &s : order) {
        TRect r = sized(position, s.Rect.Top, s.Rect.Width(), s.Rect.Height());
        if (r.Right < 0)
            r = moved(r, -r.Left, 0);
        else if (r.Left > extent)
            r = moved(r, extent - r.Right, 0);
        position = r.Right + gap;
        s.Rect = vertical ? transposed(r) : r;
    }
    return order;
}

QList<TZOrderMove> ZOrderMoves(const QList<bool> &selected, int tag)
{
    QList<bool> list = selected;
    QList<TZOrderMove> moves;
    const int last = int(list.size()) - 1;
    const auto move = [&](int from, int to) {
        if (from == to)
            return;
        moves.append({from, to});
        list.move(from, to);
    };
    switch (tag) {
    case 0:
        for (int i = 0, target = 0; i <= last; ++i)
            if (list[i])
                move(i, target++);
        break;
    case 1:
        for (int i = 1; i <= last; ++i)
            if (list[i] && !list[i - 1])
                move(i, i - 1);
        break;
    case 2:
        for (int i = last - 1; i >= 0; --i)
            if (list[i] && !list[i + 1])
                move(i, i + 1);
        break;
    case 3:
        for (int i = last, target = last; i >= 0; --i)
            if (list[i])
                move(i, target--);
        break;
    default: break;
    }
    return moves;
}

QList<bool> ApplyZOrderMoves(QList<bool> list, const QList<TZOrderMove> &moves)
{
    for (const TZOrderMove &m : moves)
        list.move(m.From, m.To);
    return list;
}

TRect CentreInRect(QSize own, const TRect &area)
{
    return sized(area.Left + (area.Width() - own.width()) / 2, area.Top + (area.Height() - own.height()) / 2,
                 own.width(), own.height());
}

TRect FitNewObject(const TRect &rect, QSize paper)
{
    TRect r = rect;
    if (paper.width() < r.Width() || paper.height() < r.Height()) {
        const double rx = double(paper.width()) / r.Width();
        const double ry = double(paper.height()) / r.Height();
        r = ScaledRect(r, std::min(rx, ry));
    }
    if (r.Right > paper.width())
        r = moved(r, paper.width() - r.Right, 0);
    if (r.Bottom > paper.height())
        r = moved(r, 0, paper.height() - r.Bottom);
    return r;
}

TRect ScaleToPaper(const TRect &rect, QSize oldPaper, QSize newPaper)
{
    const long double sx = static_cast<long double>(newPaper.width()) / oldPaper.width();
    const long double sy = static_cast<long double>(newPaper.height()) / oldPaper.height();
    return {RoundToInt(rect.Left * sx), RoundToInt(rect.Top * sy), RoundToInt(rect.Right * sx),
            RoundToInt(rect.Bottom * sy)};
}

TRect BringOntoPaper(const TRect &rect, QSize paper)
{
    return moved(rect, ontoPaperShift(rect.Left, rect.Right, paper.width()),
                 ontoPaperShift(rect.Top, rect.Bottom, paper.height()));
}

TRect SwapExtent(const TRect &rect) { return sized(rect.Left, rect.Top, rect.Height(), rect.Width()); }

TRect KeepInReach(const TRect &rect)
{
    TRect r = rect;
    if (r.Right < 0)
        r = moved(r, -r.Left, 0);
    if (r.Bottom < 0)
        r = moved(r, 0, -r.Top);
    return r;
}

TRect SnapToGrid(const TRect &rect, int pitch)
{
    if (pitch < 1)
        return rect;
    const auto up = [pitch](int v) { return int(std::ceil(double(v) / pitch)) * pitch; };
    return {rect.Left / pitch * pitch, rect.Top / pitch * pitch, up(rect.Right), up(rect.Bottom)};
}

TRect SnapCornerToGrid(const TRect &rect, int pitch)
{
    if (pitch < 1)
        return {rect.Left, rect.Top, 0, 0};
    return {rect.Left / pitch * pitch, rect.Top / pitch * pitch, 0, 0};
}

TPreviewFit FitInPreview(const TRect &rect, QSize client)
{
    const int w = rect.Width(), h = rect.Height();
    if (w <= 0 || h <= 0)
        return {1.0, rect};
    const double zoom = std::min(client.width() * 0.9 / w, client.height() * 0.9 / h);
    const int left = (RoundToInt(client.width() / zoom) - w) / 2;
    const int top = (RoundToInt(client.height() / zoom) - h) / 2;
    return {zoom, sized(left, top, w, h)};
}

TRect ReflectInDiagonal(const TRect &rect) { return sized(rect.Top, rect.Left, rect.Height(), rect.Width()); }
